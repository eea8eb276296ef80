#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "app/main_dialog.h"
#include "app/settings_store.h"
#include "fakes/fake_platform.h"
#include "playback/player_window.h"
#include "playback/preview_window.h"
#include "resources/resource_ids.h"

namespace {

// Input and requests that reach the windows through the X server and the window manager,
// as a user's do.
void Xdotool(const QStringList& arguments) {
    EXPECT_EQ(QProcess::execute("xdotool", arguments), 0) << arguments.join(' ').toStdString();
}

QString IdOf(QWidget* window) {
    return QString::number(window->winId());
}

}  // namespace

TEST(VideoWindow, TakesItsClicksCloseBoxAndMenuWhileTheMainWindowRuns) {
    FakePlatform fake;
    fake.settings->Set("Option", "b_only_once", "1");
    fake.mixer->AddMicrophoneDevice("Sound Card");
    SettingsStore settings(*fake.settings);
    MainDialog dialog(fake.platform, settings);
    fake.fileDialogs->answers.push_back("/songs/clip.ogv");
    auto query = std::make_shared<FakeGraph>();
    query->stopPosition = 60 * 10'000'000LL;
    fake.mediaGraphs->prepared.push_back(query);
    fake.mediaGraphs->prepared.push_back(std::make_shared<FakeGraph>());
    PlayerWindow::frontToggle = true;

    bool focused = false;
    bool toggled = false;
    bool menuShown = false;
    bool closed = false;
    QTimer::singleShot(0, &dialog, [&] {
        dialog.OnCommand(IDC_OPEN);
        PreviewWindow* video = dialog.currentPlayer()->m_hWnd.get();
        if (QTest::qWaitForWindowExposed(video)) {
            focused = QTest::qWaitFor([&] { return QApplication::activeWindow() == video; });
            const QString id = IdOf(video);
            Xdotool({"mousemove", "--window", id, "40", "40", "click", "1"});
            toggled = QTest::qWaitFor([] { return !PlayerWindow::frontToggle; });
            Xdotool({"mousemove", "--window", id, "60", "60", "click", "3"});
            menuShown = QTest::qWaitFor([&] { return !fake.menus->tracked.empty(); });
            // The close box asks through the window manager, as Alt+F4 does.
            Xdotool({"windowactivate", "--sync", id, "key", "--clearmodifiers", "alt+F4"});
            closed = QTest::qWaitFor([&] { return !dialog.currentPlayer(); });
        }
        dialog.reject();
    });
    dialog.DoModal();
    EXPECT_TRUE(focused) << "the shown video window takes the focus";
    EXPECT_TRUE(toggled) << "a left click brings it to the front";
    EXPECT_TRUE(menuShown) << "a right click shows its menu";
    EXPECT_TRUE(closed) << "its close box closes the file";
}
