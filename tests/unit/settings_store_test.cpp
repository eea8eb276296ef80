#include "core/settings_store.h"

#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace {

class SettingsStoreTest : public testing::Test {
  protected:
    FakeSettingsFile file;
    SettingsStore store{file};
};

TEST_F(SettingsStoreTest, AbsentValuesGiveTheCallersDefaultAndOpenTheFile) {
    EXPECT_EQ(store.ReadInt(kOptionSection, kPlaybackVolumeValue, 100), 100);
    EXPECT_EQ(store.ReadInt(kOptionSection, kOnlyOnceValue, 1), 1);
    EXPECT_EQ(store.ReadString(kOptionSection, kLastPhotoFolderValue, ""), "");
    EXPECT_TRUE(file.touched);
    EXPECT_TRUE(file.writes.empty()) << "a read must not store the default";
}

TEST_F(SettingsStoreTest, EachTypeRoundTrips) {
    store.WriteInt(kOptionSection, kSoundCaptureIndexValue, 3);
    store.WriteInt(kOptionSection, kPlaybackVolumeValue, -5);
    store.WriteInt(kSetupSection, kFirstUpdateValue, INT32_MIN);
    store.WriteString(kOptionSection, kLastOutputFolderValue, "/home/singer/Rec dir/");
    EXPECT_EQ(store.ReadInt(kOptionSection, kSoundCaptureIndexValue, 0), 3);
    EXPECT_EQ(store.ReadInt(kOptionSection, kPlaybackVolumeValue, 100), -5);
    EXPECT_EQ(store.ReadInt(kSetupSection, kFirstUpdateValue, 0), INT32_MIN);
    EXPECT_EQ(store.ReadString(kOptionSection, kLastOutputFolderValue, ""),
              "/home/singer/Rec dir/");
    // Sections keep same-named values apart.
    EXPECT_EQ(store.ReadInt(kSetupSection, kSoundCaptureIndexValue, 7), 7);
}

TEST_F(SettingsStoreTest, IntegersBehaveAsThirtyTwoBitValues) {
    file.Set(kSetupSection, kFirstUpdateValue, "4294967297");  // 2^32 + 1
    EXPECT_EQ(store.ReadInt(kSetupSection, kFirstUpdateValue, 0), 1);
    file.Set(kSetupSection, kFirstUpdateValue, "4294967295");
    EXPECT_EQ(store.ReadInt(kSetupSection, kFirstUpdateValue, 0), -1);
    file.Set(kSetupSection, kFirstUpdateValue, "2147483648");
    EXPECT_EQ(store.ReadInt(kSetupSection, kFirstUpdateValue, 0), INT32_MIN);
    file.Set(kSetupSection, kFirstUpdateValue, "18446744073709551615");
    EXPECT_EQ(store.ReadInt(kSetupSection, kFirstUpdateValue, 0), -1);
}

TEST_F(SettingsStoreTest, UnreadableValuesGiveTheDefault) {
    for (const char* stored : {"", "abc", "12abc", "1e3", "99999999999999999999999"}) {
        file.Set(kOptionSection, kSearchFlagValue, stored);
        EXPECT_EQ(store.ReadInt(kOptionSection, kSearchFlagValue, 42), 42) << stored;
    }
}

TEST_F(SettingsStoreTest, AFailedWriteIsReportedAndChangesNothing) {
    file.readOnly = true;
    EXPECT_FALSE(store.WriteInt(kOptionSection, kSearchFlagValue, 1));
    EXPECT_EQ(store.ReadInt(kOptionSection, kSearchFlagValue, 0), 0);
}

}  // namespace
