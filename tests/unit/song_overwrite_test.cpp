#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>

#include <unistd.h>

#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"

namespace {

constexpr char kSong[] = "the song's own samples";

class SongOverwrite : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(folder.path()).mkdir("sub"));
        WriteFile("My Song.wav", kSong);
        rig.StartAndForget();
    }
    QString Path(const QString& name) const { return folder.filePath(name); }
    void WriteFile(const QString& name, const QByteArray& content) const {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray Content(const QString& name) const {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void Open(const QString& name) {
        rig.fake.fileDialogs->answers.push_back(Path(name));
        auto query = std::make_shared<FakeGraph>();
        query->stopPosition = 90 * 10'000'000LL;
        rig.fake.mediaGraphs->prepared.push_back(query);
        rig.fake.mediaGraphs->prepared.push_back(std::make_shared<FakeGraph>());
        rig.dialog->OnCommand(IDC_OPEN);
        ASSERT_EQ(rig.dialog->playback().mediaPath(), Path(name));
    }
    // Start with the output box naming path: answers whether it was refused, naming it.
    bool StartRefused(const QString& path) {
        rig.fake.messages->shown.clear();
        rig.dialog->controls().outputPathBox().setText(path);
        rig.dialog->OnCommand(IDC_START);
        const auto errors = rig.Shown("Error");
        const bool refused = !rig.dialog->recording().isRecording() && errors.size() == 1 &&
                             errors[0].text.contains(path);
        if (rig.dialog->recording().isRecording()) rig.dialog->OnCommand(IDC_STOP);
        return refused;
    }

    QTemporaryDir folder;
    MainDialogFixture rig{{.quiet = true}};
};

TEST_F(SongOverwrite, StartRefusesEverySpellingOfTheOpenSongAndDeletesNothing) {
    Open("My Song.wav");
    // The song's folder is the output folder, so the output is named as the song itself.
    EXPECT_TRUE(StartRefused(Path("My Song.wav")));
    ASSERT_TRUE(QFile::link(Path("My Song.wav"), Path("sub/linked.wav")));
    ASSERT_EQ(::link(QFile::encodeName(Path("My Song.wav")).constData(),
                     QFile::encodeName(Path("hard.wav")).constData()),
              0);
    for (const char* spelling : {"sub/../My Song.wav", "sub/linked.wav", "hard.wav"})
        EXPECT_TRUE(StartRefused(Path(spelling))) << spelling;
    EXPECT_EQ(Content("My Song.wav"), kSong);
    EXPECT_EQ(std::count(rig.graph().added.begin(), rig.graph().added.end(), "WAV Dest"), 0);
    EXPECT_TRUE(rig.dialog->controls().Control(IDC_START)->isEnabled());

    // A file of the same name elsewhere is no song of the window's.
    EXPECT_FALSE(StartRefused(Path("sub/My Song.wav")));
}

TEST_F(SongOverwrite, AKaraokeSongsAudioBesideItIsTheSongToo) {
    WriteFile("duet.cdg", QByteArray(24 * 300, '\0'));
    WriteFile("duet.wav", kSong);
    Open("duet.cdg");
    EXPECT_TRUE(StartRefused(Path("duet.wav")));
    EXPECT_EQ(Content("duet.wav"), kSong);
}

TEST_F(SongOverwrite, BrowseRefusesTheOpenSongAndKeepsTheOutput) {
    Open("My Song.wav");
    rig.dialog->controls().outputPathBox().setText(Path("take.wav"));
    rig.dialog->OnCommand(IDC_START);
    rig.dialog->OnCommand(IDC_STOP);
    rig.fake.messages->shown.clear();
    rig.fake.fileDialogs->answers.push_back(Path("sub/../My Song"));
    rig.dialog->BrowseOutputFile();
    const auto errors = rig.Shown("Error");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].text.contains("My Song.wav")) << errors[0].text.toStdString();
    EXPECT_EQ(rig.dialog->outputPath(), Path("take.wav"));
    EXPECT_EQ(rig.dialog->controls().outputPathBox().text(), Path("take.wav"));
}

}  // namespace
