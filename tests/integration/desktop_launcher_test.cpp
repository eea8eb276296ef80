#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <optional>
#include <utility>
#include <vector>

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

// The opener in a desktop where it knows no program of its own: whatever it finds lies in
// BROWSER alone.
class BareDesktop {
  public:
    explicit BareDesktop(const QByteArray& browser) {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP",
                                 "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"})
            Set(name, std::nullopt);
        for (const char* name :
             {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"})
            Set(name, empty_.path().toLocal8Bit());
        Set("BROWSER", browser);
    }
    ~BareDesktop() {
        for (const auto& [name, value] : saved_) {
            if (value)
                qputenv(name.constData(), *value);
            else
                qunsetenv(name.constData());
        }
    }

  private:
    void Set(const char* name, std::optional<QByteArray> value) {
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name)
                                      ? std::optional<QByteArray>(qgetenv(name))
                                      : std::nullopt);
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }

    QTemporaryDir empty_;
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> saved_;
};

TEST(DesktopLauncher, AnOpenerThatFindsNoProgramIsAFailure) {
    const auto launcher = MakeDesktopLauncher();
    const QString site = "https://tarvelo.example.org";
    {
        BareDesktop bare("false");
        EXPECT_EQ(launcher->Open(site), SE_ERR_NOASSOC);
    }
    {
        BareDesktop bare("true");
        EXPECT_EQ(launcher->Open(site), kLaunched);
    }
}
