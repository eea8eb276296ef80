#pragma once

// The media players the benchmarks measure Tarvelo against, started as a user starts them.
// scripts/benchmark installs them (scripts/setup --benchmark); where one is missing its
// figures are skipped with a line saying so.

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>

#include "figures.h"

// The player's path, or empty after saying that it is missing.
inline QString FindReferencePlayer(const char* name) {
    const QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        std::printf(
            "%s is not installed: its reference is skipped (scripts/benchmark installs it)\n",
            name);
    return path;
}

// VLC refuses to run as root, and benchmarks often run as root in containers. There the
// player runs as nobody, with a home of its own, a copy of the display's key, and a socket
// of its own on the same sound server: the private server's folder is root's alone. As any
// other user the player simply runs as that user.
class PlayerAccount {
  public:
    PlayerAccount() {
        if (geteuid() != 0) return;
        const passwd* nobody = getpwnam("nobody");
        if (!nobody || !folder_.isValid()) return;
        const QString home = folder_.filePath("home");
        const QString runtime = folder_.filePath("run");
        const QString key = folder_.filePath("Xauthority");
        QDir().mkpath(home);
        QDir().mkpath(runtime);
        const bool ready = chmod(qPrintable(folder_.path()), 0755) == 0 &&
                           chmod(qPrintable(runtime), 0700) == 0 &&
                           chown(qPrintable(home), nobody->pw_uid, nobody->pw_gid) == 0 &&
                           chown(qPrintable(runtime), nobody->pw_uid, nobody->pw_gid) == 0;
        if (!ready) return;
        // The sound server's runtime folder is root's: the player gets one of its own.
        environment_ = {"HOME=" + home, "XDG_RUNTIME_DIR=" + runtime,
                        "PULSE_RUNTIME_PATH=" + runtime + "/pulse"};
        const QString display = qEnvironmentVariable("XAUTHORITY");
        if (!display.isEmpty() && QFile::copy(display, key)) {
            QFile::setPermissions(key, QFile::ReadOwner | QFile::ReadOther);
            environment_ << "XAUTHORITY=" + key;
        }
        // Anonymous, so that the player needs neither the server's folder nor its cookie.
        const QString socket = folder_.filePath("pulse");
        QProcess pactl;
        pactl.start("pactl", {"load-module", "module-native-protocol-unix", "auth-anonymous=1",
                              "socket=" + socket});
        if (pactl.waitForFinished(5000) && pactl.exitCode() == 0) {
            module_ = QString::fromUtf8(pactl.readAllStandardOutput()).trimmed();
            environment_ << "PULSE_SERVER=unix:" + socket;
        }
        user_ = QString::number(nobody->pw_uid);
        group_ = QString::number(nobody->pw_gid);
    }
    ~PlayerAccount() {
        if (!module_.isEmpty()) QProcess::execute("pactl", {"unload-module", module_});
    }
    // Lets the player read the files of a folder that is only its owner's.
    void Lend(const QTemporaryDir& folder) const {
        if (!user_.isEmpty()) chmod(qPrintable(folder.path()), 0755);
    }
    PlayerAccount(const PlayerAccount&) = delete;
    PlayerAccount& operator=(const PlayerAccount&) = delete;

    // The program to start for `player arguments`, and its arguments, so that it runs as
    // this account; setpriv and env replace themselves, so the process is the player's own.
    QStringList Command(const QString& player, const QStringList& arguments) const {
        if (user_.isEmpty()) return QStringList{player} + arguments;
        return QStringList{"setpriv", "--reuid=" + user_, "--regid=" + group_, "--clear-groups",
                           "env"} +
               environment_ + QStringList{player} + arguments;
    }

  private:
    QTemporaryDir folder_;
    QString user_, group_, module_;
    QStringList environment_;
};

// VLC without its interface, playing its input once and leaving at its end. Its picture
// goes out through its plain X11 output, as Tarvelo's does: the OpenGL output it would
// choose on its own renders in software on a virtual display, where it costs about twice
// as much CPU, work that a desktop's graphics card would do.
inline QStringList VlcPlayingToTheEnd(const QStringList& input) {
    return QStringList{"--intf", "dummy", "--vout", "xcb_x11", "--play-and-exit"} + input;
}

// The CPU seconds a player's command took to play to its end, start-up included; negative
// when it failed, or ended sooner than a song of `seconds` plays (it did not play it).
inline double PlayerCpuSeconds(const QStringList& command, double seconds) {
    const double before = CpuSeconds(RUSAGE_CHILDREN);
    QProcess player;
    player.setStandardOutputFile(QProcess::nullDevice());
    player.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    player.start(command.first(), command.mid(1));
    if (!player.waitForFinished(static_cast<int>(seconds * 1000) + 60'000)) {
        player.kill();
        player.waitForFinished(5000);
        return -1;
    }
    const bool played = player.exitStatus() == QProcess::NormalExit && player.exitCode() == 0 &&
                        clock.elapsed() >= seconds * 900;
    return played ? CpuSeconds(RUSAGE_CHILDREN) - before : -1;
}
