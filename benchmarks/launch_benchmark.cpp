// How soon the program is there for the user: from its launch to its window on the screen
// and answering, beside a bare Qt window and a bare player's window (gst-launch-1.0 playbin
// showing a picture) measured the same way in the same run, and beside VLC and mpv opening
// the same picture, where installed; those keep no ping of their own for the window manager
// and are measured to their mapped window, like the bare player.
//
// A window answers when its event loop returns the window manager's ping (_NET_WM_PING):
// until then the window may be mapped but its program still busy. Run it through
// scripts/benchmark, which provides the display and the sound server.
#include <xcb/xcb.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <vector>

#include "figures.h"
#include "reference_players.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 7;
constexpr auto kTimeout = std::chrono::seconds(20);
constexpr char kBareWindowArgument[] = "--bare-window";

struct Startup {
    double mappedMs = 0;
    double answeringMs = 0;
};

struct XcbConnection {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    ~XcbConnection() { xcb_disconnect(connection); }
};

using XcbEvent = std::unique_ptr<xcb_generic_event_t, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The next event before the deadline, polled so that a silent display cannot hang the run.
XcbEvent NextEvent(xcb_connection_t* connection, Clock::time_point deadline) {
    while (Clock::now() < deadline) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(connection))
            return XcbEvent(event, &std::free);
        if (xcb_connection_has_error(connection)) break;
        struct timespec pause {
            0, 200'000
        };
        nanosleep(&pause, nullptr);
    }
    return XcbEvent(nullptr, &std::free);
}

// Launches the program and watches the root window for its first top-level window: the
// time it is mapped, and the time it returns a ping sent as soon as it is.
// A window that keeps no event loop of its own for the window manager (the bare player's)
// is measured to its mapping alone.
std::optional<Startup> MeasureLaunch(XcbConnection& x, const QString& program,
                                     const QStringList& arguments, bool answersPings) {
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x.connection)).data;
    const xcb_atom_t protocols = Atom(x.connection, "WM_PROTOCOLS");
    const xcb_atom_t ping = Atom(x.connection, "_NET_WM_PING");
    // Windows mapped on the root, and the ping's answer, which Qt sends to the root for
    // its structure's listeners.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    // Checked, so that the server listens before the program starts.
    const std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
        xcb_request_check(x.connection, xcb_change_window_attributes_checked(
                                            x.connection, screen->root, XCB_CW_EVENT_MASK, &mask)),
        &std::free);
    if (error) return std::nullopt;
    // What the last launch left behind is not this one's.
    while (XcbEvent stale{xcb_poll_for_event(x.connection), &std::free}) {
    }

    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    const Clock::time_point start = Clock::now();
    process.start(program, arguments);
    const Clock::time_point deadline = start + kTimeout;
    std::optional<Startup> figures;
    while (XcbEvent event = NextEvent(x.connection, deadline)) {
        const auto type = event->response_type & 0x7f;
        if (type == XCB_MAP_NOTIFY && !figures) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event.get());
            figures =
                Startup{std::chrono::duration<double, std::milli>(Clock::now() - start).count()};
            if (!answersPings) {
                figures->answeringMs = NAN;
                break;
            }
            xcb_client_message_event_t message{};
            message.response_type = XCB_CLIENT_MESSAGE;
            message.format = 32;
            message.window = map->window;
            message.type = protocols;
            message.data.data32[0] = ping;
            message.data.data32[1] = XCB_CURRENT_TIME;
            message.data.data32[2] = map->window;
            xcb_send_event(x.connection, 0, map->window, XCB_EVENT_MASK_NO_EVENT,
                           reinterpret_cast<const char*>(&message));
            xcb_flush(x.connection);
        } else if (type == XCB_CLIENT_MESSAGE && figures) {
            const auto* reply = reinterpret_cast<xcb_client_message_event_t*>(event.get());
            if (reply->type == protocols && reply->data.data32[0] == ping) {
                figures->answeringMs =
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                break;
            }
        }
    }
    process.terminate();
    if (!process.waitForFinished(5000)) process.kill();
    process.waitForFinished(5000);
    if (!figures || figures->answeringMs == 0) return std::nullopt;
    return figures;
}

int ShowBareWindow(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.resize(480, 315);
    window.show();
    return application.exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], kBareWindowArgument) == 0)
        return ShowBareWindow(argc, argv);
    QCoreApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QString tarvelo = QCoreApplication::applicationDirPath() + "/../src/tarvelo";
    QTemporaryDir folder;
    const QString picture = folder.filePath("picture.png");
    if (QProcess::execute("gst-launch-1.0", {"-q", "videotestsrc", "num-buffers=1", "!",
                                             "video/x-raw,width=480,height=315", "!", "pngenc", "!",
                                             "filesink", "location=" + picture}) != 0) {
        std::fprintf(stderr, "could not make the picture\n");
        return 1;
    }
    // The program's first run, with settings and a music folder of its own each time; the
    // cache stays the user's, so that GStreamer does not scan its plugins anew each time.
    if (qEnvironmentVariableIsEmpty("XDG_CACHE_HOME"))
        qputenv("XDG_CACHE_HOME", (qgetenv("HOME") + "/.cache"));
    qputenv("HOME", folder.filePath("home").toUtf8());
    qputenv("XDG_CONFIG_HOME", folder.filePath("home/.config").toUtf8());
    struct Candidate {
        const char* name;
        QString program;
        QStringList arguments;
        bool answersPings;
        std::vector<double> mapped, answering;
    };
    std::vector<Candidate> candidates = {
        {"Tarvelo", tarvelo, {}, true, {}, {}},
        {"a bare Qt window",
         QCoreApplication::applicationFilePath(),
         {kBareWindowArgument},
         true,
         {},
         {}},
        {"gst-launch playbin, a picture",
         "gst-launch-1.0",
         {"playbin", "uri=file://" + picture, "video-sink=ximagesink"},
         false,
         {},
         {}},
    };
    const PlayerAccount account;
    account.Lend(folder);
    if (const QString vlc = FindReferencePlayer("vlc"); !vlc.isEmpty()) {
        // Its first run would ask about network access in a dialog of its own first.
        const QStringList command = account.Command(vlc, {"--no-qt-privacy-ask", picture});
        candidates.push_back({"VLC, a picture", command.first(), command.mid(1), false, {}, {}});
    }
    if (const QString mpv = FindReferencePlayer("mpv"); !mpv.isEmpty())
        candidates.push_back(
            {"mpv, a picture", mpv, {"--image-display-duration=inf", picture}, false, {}, {}});
    // One connection throughout: a display whose last client leaves resets itself, and
    // refuses connections meanwhile.
    XcbConnection x;
    if (xcb_connection_has_error(x.connection)) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    for (int run = 0; run < kRuns; ++run) {
        for (Candidate& candidate : candidates) {
            QDir(folder.filePath("home")).removeRecursively();
            const std::optional<Startup> figures =
                MeasureLaunch(x, candidate.program, candidate.arguments, candidate.answersPings);
            if (!figures) {
                std::fprintf(stderr, "%s: no window answered within %lld s\n", candidate.name,
                             static_cast<long long>(kTimeout.count()));
                return 1;
            }
            candidate.mapped.push_back(figures->mappedMs);
            candidate.answering.push_back(figures->answeringMs);
        }
    }
    std::printf("\nmedian of %d launches            window mapped   window answering\n", kRuns);
    for (const Candidate& candidate : candidates)
        std::printf("%-32s %10.1f ms   %12.1f ms\n", candidate.name, Median(candidate.mapped),
                    Median(candidate.answering));
    const double ours = Median(candidates[0].answering);
    std::printf(
        "launch to answering window: Tarvelo %.1f ms, reference a bare Qt window %.1f ms "
        "(ratio %.2f), aim 400 ms\n",
        ours, Median(candidates[1].answering), ours / Median(candidates[1].answering));
    const double mapped = Median(candidates[0].mapped);
    for (auto player = candidates.begin() + 3; player != candidates.end(); ++player)
        std::printf(
            "launch to mapped window: Tarvelo %.1f ms, reference %s %.1f ms (ratio %.2f), aim "
            "400 ms\n",
            mapped, player->name, Median(player->mapped), mapped / Median(player->mapped));
    return 0;
}
