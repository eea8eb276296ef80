#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "dialogs/input_hint_dialog.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"
#include "support/ui_helpers.h"

namespace {

constexpr char kCaption[] = "DirectShow Audio Capture Sample";

class CaptureDeviceChange : public ::testing::Test {
  protected:
    void SetUp() override {
        rig.Start();
        dialog().controls().EnableRecordingControls(true);
        dialog().controls().outputPathBox().setText("/tmp/tarvelo-device-change.wav");
    }
    MainDialog& dialog() { return *rig.dialog; }

    MainDialogFixture rig{{.quiet = true}};
};

TEST_F(CaptureDeviceChange, RemovalWhileRecordingTearsDownAndTellsTheUser) {
    dialog().recording().StartRecording();
    std::shared_ptr<FakeCaptureGraph> graph = rig.fake.capture->graphs.back();
    graph->Post({EC_DEVICE_LOST, 0, 0});
    rig.Deliver();

    EXPECT_FALSE(dialog().recording().isRecording());
    EXPECT_EQ(graph->stopsWhenReady, 1);
    EXPECT_EQ(dialog().controls().status().text(), "Status : Ready");
    EXPECT_EQ(dialog().controls().deviceList().count(), 0);
    EXPECT_EQ(dialog().controls().inputList().count(), 0);
    EXPECT_EQ(dialog().recording().recorder().graph, nullptr);
    EXPECT_EQ(rig.fake.messages->beeps, 1);
    const auto shown = rig.Shown(kCaption);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "The selected input device was removed!");
    EXPECT_EQ(shown[0].style, 0x30u);

    // Without a graph Start records nothing and leaves the buttons alone.
    dialog().recording().StartRecording();
    EXPECT_FALSE(dialog().recording().isRecording());
    EXPECT_TRUE(dialog().controls().Control(IDC_START)->isEnabled());
}

TEST_F(CaptureDeviceChange, TheFirstRemovalEndsTheDrainOtherEventsAreFreedOnly) {
    std::shared_ptr<FakeCaptureGraph> graph = rig.fake.capture->graphs.back();
    for (const GraphEvent& event :
         {GraphEvent{1, 0, 0}, GraphEvent{EC_DEVICE_LOST, 0, 0}, GraphEvent{EC_DEVICE_LOST, 0, 1}})
        graph->Post(event);
    dialog().recording().OnCaptureGraphEvent();
    EXPECT_EQ(graph->events.freed, 2);
    EXPECT_EQ(graph->events.size(), 1u);
    EXPECT_EQ(rig.Shown(kCaption).size(), 1u);

    // The removed graph still tells when its device is back: the capture side returns.
    EXPECT_EQ(dialog().recording().OnCaptureGraphEvent(), S_OK);
    EXPECT_EQ(rig.fake.capture->graphs.size(), 2u);
    EXPECT_EQ(dialog().recording().recorder().graph.get(), rig.fake.capture->graphs.back().get());
    EXPECT_EQ(rig.Shown(kCaption).back().text, "The audio input device has been reattached!");
    graph->Post({EC_DEVICE_LOST, 0, 1});
    rig.Deliver();
    EXPECT_EQ(rig.Shown(kCaption).size(), 2u);  // and is heard no more
}

TEST_F(CaptureDeviceChange, ReattachmentRebuildsTheCaptureSide) {
    std::shared_ptr<FakeCaptureGraph> first = rig.fake.capture->graphs.back();
    first->Post({EC_DEVICE_LOST, 0, 1});
    rig.Deliver();
    EXPECT_EQ(rig.fake.capture->graphs.size(), 2u);
    EXPECT_EQ(dialog().recording().recorder().graph.get(), rig.fake.capture->graphs.back().get());
    EXPECT_EQ(dialog().controls().deviceList().count(), 1);
    EXPECT_EQ(dialog().controls().inputList().currentText(), "Microphone");
    EXPECT_EQ(rig.fake.messages->beeps, 1);
    const auto shown = rig.Shown(kCaption);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "The audio input device has been reattached!");
    EXPECT_EQ(shown[0].style, 0x40u);
    // Events of the replaced graph are not read any more.
    first->Post({EC_DEVICE_LOST, 0, 0});
    rig.Deliver();
    EXPECT_EQ(rig.Shown(kCaption).size(), 1u);
}

TEST(CaptureDeviceReattached, TheHintComesBeforeTheReattachmentBox) {
    MainDialogFixture rig{{.quiet = true}};
    rig.Store("b_only_once", 0);
    MainDialog& dialog = rig.Start();
    ASSERT_FALSE(dialog.launches().hintSuppressed());
    rig.fake.messages->shown.clear();
    std::size_t boxesBeforeHint = 99;
    WhenModal([&](QDialog* hint) {
        EXPECT_NE(qobject_cast<InputHintDialog*>(hint), nullptr);
        boxesBeforeHint = rig.fake.messages->shown.size();
        hint->reject();
    });
    rig.fake.capture->graphs.back()->Post({EC_DEVICE_LOST, 0, 1});
    dialog.recording().OnCaptureGraphEvent();
    EXPECT_EQ(boxesBeforeHint, 0u);
    ASSERT_EQ(rig.Shown(kCaption).size(), 1u);
    EXPECT_EQ(rig.Shown(kCaption)[0].text, "The audio input device has been reattached!");
}

TEST_F(CaptureDeviceChange, AFullDiskEndsTheRecordingAndNamesTheFile) {
    dialog().recording().StartRecording();
    rig.graph().Post({EC_ERRORABORT, HRESULT_DISK_FULL, 0});
    rig.Deliver();
    EXPECT_FALSE(dialog().recording().isRecording());
    EXPECT_EQ(dialog().controls().status().text(), "Status : Ready");
    const auto shown = rig.Shown("Error");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.contains("disk is full")) << shown[0].text.toStdString();
    EXPECT_TRUE(shown[0].text.contains("/tmp/tarvelo-device-change.wav"));
    // The capture side stays: the next recording can start at once.
    EXPECT_NE(dialog().recording().recorder().graph, nullptr);
}

}  // namespace
