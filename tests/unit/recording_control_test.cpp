#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>

#include "core/output_naming.h"
#include "playback/player_window.h"
#include "resources/resource_ids.h"
#include "services/window_messages.h"
#include "support/main_dialog_fixture.h"

namespace {

constexpr int kRecordingControls[] = {IDC_START, IDC_STOP,        IDC_PLAY,
                                      IDC_OPEN,  IDC_OUTPUT_PATH, IDC_BROWSE};

class RecordingControl : public ::testing::Test {
  protected:
    void SetUp() override {
        rig.Start();
        dialog().controls().EnableRecordingControls(true);  // as after opening a media file
        dialog().controls().outputPathBox().setText(folder.filePath("song.wav"));
    }
    MainDialog& dialog() { return *rig.dialog; }
    QString Status() { return dialog().controls().status().text(); }
    bool Enabled(int id) { return dialog().controls().Control(id)->isEnabled(); }
    std::vector<QString> AllBut(const char* caption) {
        std::vector<QString> texts;
        for (const ShownMessage& shown : rig.fake.messages->shown) {
            if (shown.caption != caption) texts.push_back(shown.text);
        }
        return texts;
    }

    QTemporaryDir folder;
    MainDialogFixture rig{{.quiet = true}};
};

TEST_F(RecordingControl, StartAddsABranchAndCountsStopWindsItUp) {
    dialog().recording().StartRecording();
    FakeCaptureGraph& graph = rig.graph();
    EXPECT_TRUE(dialog().recording().isRecording());
    EXPECT_EQ(graph.added, std::vector<QString>({"Audio Capture", "WAV Dest", "File Writer"}));
    EXPECT_EQ(rig.fake.capture->fileWriters.back()->mode, AM_FILE_OVERWRITE);
    EXPECT_EQ(rig.fake.capture->fileWriters.back()->path, folder.filePath("song.wav"));
    ASSERT_NE(graph.rendered, nullptr);
    PinDirection direction;
    graph.rendered->QueryDirection(&direction);
    EXPECT_EQ(direction, PinDirection::Output);
    EXPECT_EQ(graph.runs, 1);
    EXPECT_EQ(Status(), "Status : Recording - Used Time: 00:00:00");
    EXPECT_EQ(rig.timers().running,
              (std::map<int, int>{{ID_RECORDING_TIMER, 1000}, {ID_LEVEL_METER_TIMER, 50}}));
    for (int id : {IDC_START, IDC_PLAY, IDC_OPEN}) EXPECT_FALSE(Enabled(id)) << id;
    for (int id : {IDC_STOP, IDC_BROWSE, IDC_OUTPUT_PATH, IDC_DEVICE_LIST, IDC_INPUT_LIST,
                   IDC_RECORDING_VOLUME})
        EXPECT_TRUE(Enabled(id)) << id;

    rig.timers().Fire(ID_RECORDING_TIMER);
    EXPECT_EQ(Status(), "Status : Recording - Used Time: 00:00:01");

    dialog().recording().StopRecording();
    EXPECT_FALSE(dialog().recording().isRecording());
    EXPECT_EQ(graph.stopsWhenReady, 1);
    EXPECT_EQ(graph.removed, std::vector<QString>({"WAV Dest", "File Writer"}));
    EXPECT_FALSE(rig.timers().IsRunning(ID_RECORDING_TIMER));
    EXPECT_EQ(Status(), "Status : Ready");
    for (int id : kRecordingControls) EXPECT_TRUE(Enabled(id)) << id;
    // The capture device stays in the graph for the next Start.
    EXPECT_EQ(graph.filters.size(), 1u);
}

TEST_F(RecordingControl, TheStatusCountsHoursPastNinetyNine) {
    dialog().recording().StartRecording();
    for (int i = 0; i < 3725; ++i) rig.timers().Fire(ID_RECORDING_TIMER);
    EXPECT_EQ(Status(), "Status : Recording - Used Time: 01:02:05");
    for (int i = 3725; i < 360000; ++i) rig.timers().Fire(ID_RECORDING_TIMER);
    EXPECT_EQ(Status(), "Status : Recording - Used Time: 100:00:00");
}

TEST_F(RecordingControl, StopWhileNotRecordingTouchesNothing) {
    dialog().controls().status().setText("Status : elsewhere");
    dialog().controls().Control(IDC_PLAY)->setEnabled(false);
    dialog().OnCommand(IDC_STOP);
    EXPECT_EQ(Status(), "Status : elsewhere");
    EXPECT_FALSE(Enabled(IDC_PLAY));
    EXPECT_EQ(rig.graph().stopsWhenReady, 0);
}

TEST_F(RecordingControl, AFailedRunShowsTheMessageAndThePostedStopEndsAtReady) {
    rig.graph().runResult = E_FAIL;
    dialog().OnCommand(IDC_START);
    const auto shown = rig.Shown("Start Recording Error");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].style, MB_OK);
    EXPECT_EQ(shown[0].text,
              "1. Your audio hardware may be used by other program. Please exit the program.\n"
              "2. Or your audio hardware has unknown problem. The program can not start "
              "recording.\n"
              "3. Or the output wav file is played by other program now. Please exit the "
              "program.\n"
              "4. Or the output wav file has incorrect directory name.");
    EXPECT_TRUE(dialog().recording().isRecording());
    rig.Deliver();
    EXPECT_FALSE(dialog().recording().isRecording());
    EXPECT_EQ(Status(), "Status : Ready");
    for (int id : kRecordingControls) EXPECT_TRUE(Enabled(id)) << id;
}

TEST_F(RecordingControl, AnExistingFileIsDeletedAndAnEmptyBoxRecordsToTheHomeFolder) {
    QFile existing(folder.filePath("song.wav"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old take");
    existing.close();
    dialog().recording().StartRecording();
    EXPECT_FALSE(QFile::exists(folder.filePath("song.wav")));
    dialog().recording().StopRecording();

    dialog().controls().outputPathBox().clear();
    dialog().recording().StartRecording();
    EXPECT_EQ(rig.fake.capture->fileWriters.back()->path, HomeFolder() + "karaoke.wav");
}

TEST_F(RecordingControl, EveryStartAddsAFreshPairOfFilters) {
    dialog().recording().StartRecording();
    dialog().recording().StopRecording();
    dialog().recording().StartRecording();
    EXPECT_EQ(rig.graph().added, std::vector<QString>({"Audio Capture", "WAV Dest", "File Writer",
                                                       "WAV Dest", "File Writer"}));
    EXPECT_EQ(rig.fake.capture->fileWriters.size(), 2u);
    EXPECT_NE(rig.fake.capture->fileWriters[0], rig.fake.capture->fileWriters[1]);
}

TEST_F(RecordingControl, AMissingWavWriterOrAFailedRenderRecordsNothing) {
    rig.fake.capture->wavDestMissing = true;
    dialog().recording().StartRecording();
    const auto shown = rig.Shown("Error");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "The program does not detect its file writer. Please install the program again!");
    EXPECT_FALSE(dialog().recording().isRecording());
    EXPECT_TRUE(Enabled(IDC_START));

    rig.fake.capture->wavDestMissing = false;
    rig.graph().renderResult = E_FAIL;
    dialog().recording().StartRecording();
    EXPECT_FALSE(dialog().recording().isRecording());
    EXPECT_EQ(rig.graph().runs, 0);
    EXPECT_EQ(Status(), "Status : Ready");
    // The half-built branch left the graph again.
    EXPECT_EQ(rig.graph().filters.size(), 1u);
}

TEST(RecordingWithMedia, TheCaptureStartsBeforeTheSongAndStopsAfterIt) {
    MainDialogFixture rig{{.quiet = true}};
    MainDialog& dialog = rig.Start();
    rig.fake.fileDialogs->answers.push_back("/home/singer/song.ogg");
    auto query = std::make_shared<FakeGraph>();
    query->stopPosition = 30'000'000;
    rig.fake.mediaGraphs->prepared.push_back(query);
    rig.fake.mediaGraphs->prepared.push_back(std::make_shared<FakeGraph>());
    dialog.OnCommand(IDC_OPEN);
    ASSERT_NE(dialog.playback().currentPlayer(), nullptr);
    const std::string player = std::to_string(rig.fake.mediaGraphs->created.back()->number);
    auto& journal = *rig.fake.mediaGraphs->journal;

    journal.clear();
    dialog.OnCommand(IDC_START);
    dialog.OnCommand(IDC_STOP);
    const auto at = [&](const std::string& call) {
        return std::find(journal.begin(), journal.end(), call) - journal.begin();
    };
    ASSERT_LT(at(player + ":Stop"), static_cast<long>(journal.size()))
        << testing::PrintToString(journal);
    EXPECT_LT(at("capture:Run"), at(player + ":Run"));
    EXPECT_LT(at(player + ":Run"), at(player + ":Stop"));
    EXPECT_LT(at(player + ":Stop"), at("capture:StopWhenReady"));
}

TEST_F(RecordingControl, ChangingTheInputWhileRecordingStopsTheRecording) {
    dialog().recording().StartRecording();
    dialog().recording().OnInputSelected();
    EXPECT_FALSE(dialog().recording().isRecording());
    EXPECT_EQ(Status(), "Status : Ready");
}

TEST_F(RecordingControl, ClosingTheMediaOrTheWindowEndsTheRecordingWithTheFileComplete) {
    dialog().recording().StartRecording();
    dialog().CloseMediaCommand();
    EXPECT_FALSE(dialog().recording().isRecording());
    EXPECT_EQ(rig.graph().stopsWhenReady, 1);

    dialog().controls().EnableRecordingControls(true);
    dialog().recording().StartRecording();
    std::shared_ptr<FakeCaptureGraph> graph = rig.fake.capture->graphs.back();
    dialog().close();
    EXPECT_EQ(graph->stops, 1);
    EXPECT_EQ(dialog().recording().recorder().graph, nullptr);
    EXPECT_EQ(dialog().controls().deviceList().count(), 0);
}

}  // namespace
