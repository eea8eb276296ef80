#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include "desktop/default_browser.h"
#include "desktop/file_exists.h"
#include "services/launcher.h"

namespace {

void WriteFile(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

}  // namespace

TEST(FileExists, OnlyFilesThatOpenForReadingCount) {
    QTemporaryDir folder;
    const QString song = folder.filePath("song one.wav");
    WriteFile(song, "RIFF");
    EXPECT_TRUE(FileExists(song));
    EXPECT_FALSE(FileExists(folder.filePath("missing.wav")));
    EXPECT_FALSE(FileExists(folder.path()));
    EXPECT_FALSE(FileExists(""));
}

TEST(DefaultBrowser, TheUsersDefaultEntryComesFirstThenTheSystemCache) {
    QTemporaryDir root;
    XdgDirectories dirs{{root.filePath("config")}, {root.filePath("home"), root.filePath("usr")}};
    EXPECT_FALSE(DefaultBrowserCommand(dirs));

    WriteFile(root.filePath("usr/applications/cached.desktop"),
              "[Desktop Entry]\nName=Cached\nExec=cached-browser %U\n");
    WriteFile(root.filePath("usr/applications/mimeinfo.cache"),
              "[MIME Cache]\ntext/html=cached.desktop;\n");
    EXPECT_EQ(DefaultBrowserCommand(dirs), "cached-browser %U");

    WriteFile(root.filePath("home/applications/chosen.desktop"),
              "[Desktop Entry]\nName=Chosen\n[Desktop Action New]\nExec=wrong\n");
    WriteFile(root.filePath("config/mimeapps.list"),
              "[Added Associations]\ntext/html=cached.desktop;\n"
              "[Default Applications]\ntext/html=gone.desktop;chosen.desktop;\n"
              "x-scheme-handler/http=chosen.desktop\n");
    EXPECT_EQ(DefaultBrowserCommand(dirs), "cached-browser %U")
        << "an entry without Exec and a missing entry are skipped";

    WriteFile(root.filePath("home/applications/chosen.desktop"),
              "[Desktop Entry]\nName=Chosen\nExec=\"/opt/Chosen Browser/run\" --new %u\n");
    EXPECT_EQ(DefaultBrowserCommand(dirs), "\"/opt/Chosen Browser/run\" --new %u");
}

TEST(DesktopLauncher, StartsProgramsWithoutAShell) {
    const auto launcher = MakeDesktopLauncher();
    QTemporaryDir folder;
    const QString marker = folder.filePath("started; $(touch pwned)");
    EXPECT_GT(launcher->Start("touch", {marker}), 31);
    for (int i = 0; i < 200 && !QFile::exists(marker); ++i) QThread::msleep(10);
    EXPECT_TRUE(QFile::exists(marker));
    EXPECT_FALSE(QFile::exists("pwned"));
    EXPECT_FALSE(QFile::exists(folder.filePath("pwned")));

    EXPECT_LE(launcher->Start(folder.filePath("no-such-program"), {}), 31);
    EXPECT_EQ(launcher->Open(folder.filePath("missing.wav")), SE_ERR_FNF);
    EXPECT_EQ(launcher->Open(folder.filePath("no folder/missing.wav")), SE_ERR_PNF);
}

// The opener without a display or a desktop of its own: what it finds lies in BROWSER alone.
// The environment is the process's own, so it is put back afterwards.
TEST(DesktopLauncher, AnOpenerThatFindsNoProgramIsAFailure) {
    const QStringList names = {"DISPLAY",         "WAYLAND_DISPLAY",  "XDG_CURRENT_DESKTOP",
                               "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                               "BROWSER"};
    const QProcessEnvironment saved = QProcessEnvironment::systemEnvironment();
    for (const QString& name : names) qunsetenv(name.toLocal8Bit());
    const auto launcher = MakeDesktopLauncher();
    const QString site = "https://tarvelo.example.org";
    qputenv("BROWSER", "false");
    EXPECT_EQ(launcher->Open(site), SE_ERR_NOASSOC);
    qputenv("BROWSER", "true");
    EXPECT_EQ(launcher->Open(site), kLaunched);
    for (const QString& name : names) {
        if (saved.contains(name))
            qputenv(name.toLocal8Bit(), saved.value(name).toLocal8Bit());
        else
            qunsetenv(name.toLocal8Bit());
    }
}
