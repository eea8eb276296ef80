#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "services/system_info.h"

namespace {

// A home of the test's own, in which the desktop's folder settings are written.
class MusicFolder : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) saved_[name] = qgetenv(name);
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath(".config").toUtf8());
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) qputenv(name.c_str(), value);
    }
    void SetMusicDir(const QString& folder) {
        QDir().mkpath(home.filePath(".config"));
        QFile dirs(home.filePath(".config/user-dirs.dirs"));
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write(QString("XDG_MUSIC_DIR=\"%1\"\n").arg(folder).toUtf8());
    }

    QTemporaryDir home;
    std::unique_ptr<SystemInfo> system = MakeDesktopSystemInfo();

  private:
    std::map<std::string, QByteArray> saved_;
};

TEST_F(MusicFolder, AMissingFolderIsMadeAndOneThatCannotBeIsNotFound) {
    const std::optional<QString> music = system->MusicFolder();
    ASSERT_TRUE(music);
    EXPECT_EQ(*music, home.filePath("Music"));
    EXPECT_TRUE(QFileInfo(*music).isDir());

    QFile blocker(home.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    SetMusicDir("$HOME/blocker/Songs");
    EXPECT_FALSE(system->MusicFolder());
}

}  // namespace
