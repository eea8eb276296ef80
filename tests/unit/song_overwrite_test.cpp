#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <unistd.h>

#include "resources/resource_ids.h"
#include "support/karaoke_files.h"
#include "support/main_dialog_fixture.h"

namespace {

constexpr char kSong[] = "the song's own samples";

class SongOverwrite : public ::testing::Test {
  protected:
    QString Path(const QString& name) const { return folder.filePath(name); }
    void Open(const QString& name) {
        rig.fake.fileDialogs->answers.push_back(Path(name));
        auto query = std::make_shared<FakeGraph>();
        query->stopPosition = 90 * 10'000'000LL;
        rig.fake.mediaGraphs->prepared = {query, std::make_shared<FakeGraph>()};
        rig.dialog->OnCommand(IDC_OPEN);
        ASSERT_EQ(rig.dialog->playback().mediaPath(), Path(name));
    }
    // Start into the named file: whether it was refused in one box that names it.
    bool StartRefused(const QString& name) {
        rig.fake.messages->shown.clear();
        rig.dialog->controls().outputPathBox().setText(Path(name));
        rig.dialog->OnCommand(IDC_START);
        const bool recording = rig.dialog->recording().isRecording();
        rig.dialog->OnCommand(IDC_STOP);
        const auto errors = rig.Shown("Error");
        return !recording && errors.size() == 1 && errors[0].text.contains(Path(name));
    }
    QByteArray Content(const QString& name) const {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir folder;
    MainDialogFixture rig{{.quiet = true}};
};

TEST_F(SongOverwrite, StartRefusesEverySpellingOfTheOpenSongAndItsAudioDeletingNothing) {
    ASSERT_TRUE(QDir(folder.path()).mkdir("sub"));
    for (const char* name : {"My Song.wav", "duet.wav", "duet.cdg"}) WriteFile(Path(name), kSong);
    ASSERT_TRUE(QFile::link(Path("My Song.wav"), Path("sub/linked.wav")));
    ASSERT_EQ(::link(qPrintable(Path("My Song.wav")), qPrintable(Path("hard.wav"))), 0);
    rig.StartAndForget();
    Open("My Song.wav");
    for (const char* name : {"My Song.wav", "sub/../My Song.wav", "sub/linked.wav", "hard.wav"})
        EXPECT_TRUE(StartRefused(name)) << name;
    EXPECT_EQ(Content("My Song.wav"), kSong);
    // A file of the same name elsewhere is no song of the window's.
    EXPECT_FALSE(StartRefused("sub/My Song.wav"));

    // A CD+G song's audio lies beside it under the name its recording takes.
    Open("duet.cdg");
    EXPECT_TRUE(StartRefused("duet.wav"));
    EXPECT_EQ(Content("duet.wav"), kSong);
}

TEST_F(SongOverwrite, BrowseRefusesTheOpenSongAndKeepsTheOutput) {
    WriteFile(Path("My Song.wav"), kSong);
    rig.StartAndForget();
    Open("My Song.wav");
    const QString output = rig.dialog->outputPath();
    rig.fake.fileDialogs->answers.push_back(Path("./My Song"));
    rig.dialog->BrowseOutputFile();
    const auto errors = rig.Shown("Error");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].text.contains("My Song.wav")) << errors[0].text.toStdString();
    EXPECT_EQ(rig.dialog->outputPath(), output);
    EXPECT_EQ(rig.dialog->controls().outputPathBox().text(), output);
}

}  // namespace
