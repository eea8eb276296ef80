#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/settings_store.h"
#include "services/settings_file.h"

namespace {

class IniSettingsFileTest : public testing::Test {
  protected:
    QTemporaryDir dir;
    QString path() const { return dir.path() + "/QuenmarkStudio/tarvelo.conf"; }
    std::unique_ptr<SettingsFile> file = MakeIniSettingsFileAt(path());
    SettingsStore store{*file};

    void WriteRaw(const QByteArray& bytes) {
        QFile raw(path());
        ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
        raw.write(bytes);
    }
};

TEST_F(IniSettingsFileTest, TheFirstReadCreatesTheFileAndEveryWriteReachesItAtOnce) {
    EXPECT_EQ(store.ReadInt(kOptionSection, kSearchFlagValue, 0), 0);
    EXPECT_TRUE(QFile::exists(path()));

    store.WriteInt(kOptionSection, kPlaybackVolumeValue, 73);
    store.WriteString(kOptionSection, kLastOutputFolderValue, "/srv/rec/");
    // A second store over the same file sees the values: nothing waits in a cache.
    const auto other = MakeIniSettingsFileAt(path());
    SettingsStore reader(*other);
    EXPECT_EQ(reader.ReadInt(kOptionSection, kPlaybackVolumeValue, 100), 73);
    EXPECT_EQ(reader.ReadString(kOptionSection, kLastOutputFolderValue, ""), "/srv/rec/");

    QFile raw(path());
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray text = raw.readAll();
    EXPECT_TRUE(text.contains("[Option]")) << text.constData();
    EXPECT_TRUE(text.contains("PlaybackVolume=73")) << text.constData();
}

TEST_F(IniSettingsFileTest, TheLocationFollowsTheConfigHome) {
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    const auto located = MakeIniSettingsFile("QuenmarkStudio", "tarvelo");
    located->Write(kOptionSection, kSearchFlagValue, "1");
    EXPECT_TRUE(QFile::exists(path()));
}

TEST_F(IniSettingsFileTest, GarbageGivesDefaultsAndTheNextWriteStillSticks) {
    store.ReadInt(kOptionSection, kSearchFlagValue, 0);
    static constexpr char kGarbage[] = "\x00\xff[Option\n=\n\x01garbage\xfe";
    WriteRaw(QByteArray(kGarbage, sizeof kGarbage - 1) + QByteArray(5000, '\x7f'));
    EXPECT_EQ(store.ReadInt(kOptionSection, kPlaybackVolumeValue, 100), 100);
    EXPECT_EQ(store.ReadString(kOptionSection, kLastOutputFolderValue, "/x/"), "/x/");
    store.WriteInt(kOptionSection, kPlaybackVolumeValue, 55);
    EXPECT_EQ(store.ReadInt(kOptionSection, kPlaybackVolumeValue, 100), 55);
}

TEST_F(IniSettingsFileTest, AFolderInThePlaceOfTheFileGivesDefaults) {
    QDir().mkpath(path());
    EXPECT_EQ(store.ReadInt(kOptionSection, kPlaybackVolumeValue, 100), 100);
    EXPECT_FALSE(store.WriteInt(kOptionSection, kPlaybackVolumeValue, 90));
}

}  // namespace
