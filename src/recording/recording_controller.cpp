#include "recording/recording_controller.h"

#include <QFile>
#include <QLabel>
#include <algorithm>

#include "core/main_controls.h"
#include "core/settings_store.h"
#include "desktop/file_exists.h"
#include "platform/platform.h"
#include "resources/resource_ids.h"
#include "services/message_boxes.h"
#include "services/window_messages.h"
#include "services/window_timers.h"

namespace {

constexpr char kReadyStatus[] = "Status : Ready";

}  // namespace

RecordingController::RecordingController(Platform& platform, SettingsStore& settings,
                                         QWidget& window, const MainControls& controls,
                                         WindowTimers& timers, RecordingWindow& host)
    : platform_(platform),
      settings_(settings),
      window_(window),
      controls_(controls),
      timers_(timers),
      host_(host) {}

void RecordingController::LoadCaptureChoices() {
    captureChoices_.captureDeviceCount = 0;
    captureChoices_.nSoundCaptureIndex =
        settings_.ReadInt(kOptionSection, kSoundCaptureIndexValue, 0);
    captureChoices_.nCapturePinIndex = settings_.ReadInt(kOptionSection, kCapturePinIndexValue, 0);
    captureChoices_.nSearchFlag = settings_.ReadInt(kOptionSection, kSearchFlagValue, 0);
    LoadStoredChoice();
    voiceTiming_.offsetMs = std::clamp(settings_.ReadInt(kOptionSection, kVoiceOffsetValue, 0),
                                       -VoiceTiming::kOffsetLimitMs, VoiceTiming::kOffsetLimitMs);
    voiceTiming_.keepVoiceTrack = settings_.ReadInt(kOptionSection, kKeepVoiceTrackValue, 0) != 0;
    ApplyVoiceTiming();
}

void RecordingController::SetVoiceOffset(int milliseconds) {
    voiceTiming_.offsetMs =
        std::clamp(milliseconds, -VoiceTiming::kOffsetLimitMs, VoiceTiming::kOffsetLimitMs);
    settings_.WriteInt(kOptionSection, kVoiceOffsetValue, voiceTiming_.offsetMs);
    ApplyVoiceTiming();
}

void RecordingController::SetKeepVoiceTrack(bool keep) {
    voiceTiming_.keepVoiceTrack = keep;
    settings_.WriteInt(kOptionSection, kKeepVoiceTrackValue, keep ? 1 : 0);
    ApplyVoiceTiming();
}

void RecordingController::ApplyVoiceTiming() {
    if (platform_.capture) platform_.capture->SetVoiceTiming(voiceTiming_);
}

void RecordingController::StoreCaptureChoices() {
    settings_.WriteInt(kOptionSection, kSoundCaptureIndexValue, captureChoices_.nSoundCaptureIndex);
    settings_.WriteInt(kOptionSection, kCapturePinIndexValue, captureChoices_.nCapturePinIndex);
    settings_.WriteInt(kOptionSection, kSearchFlagValue, captureChoices_.nSearchFlag);
    StoreStoredChoice();
}

void RecordingController::StartRecording() {
    const QString outputPath = host_.TakeOutputPathFromBox();
    // Without a graph (its device was removed) nothing can be recorded, and the take kept
    // up to the removal must stay.
    if (!recorder_.graph) return;
    if (RefuseSongFile(RecordingPath())) return;
    if (FileExists(outputPath)) QFile::remove(outputPath);
    if (FAILED(AddRecordingBranch())) {
        // Filters of a branch that could not be completed leave the graph at once.
        RemoveRecordingBranch();
        return;
    }
    bool runFailed = false;
    if (recorder_.control) {
        if (FAILED(recorder_.control->Run())) {
            platform_.messages->Show(
                &window_,
                "1. Your audio hardware may be used by other program. Please exit the program.\n"
                "2. Or your audio hardware has unknown problem. The program can not start "
                "recording.\n"
                "3. Or the output wav file is played by other program now. Please exit the "
                "program.\n"
                "4. Or the output wav file has incorrect directory name.",
                "Start Recording Error", MB_OK);
            runFailed = true;
        }
        controls_.status().setText("Status : Recording - Used Time: 00:00:00");
        elapsedSeconds_ = 0;
        timers_.SetTimer(ID_RECORDING_TIMER, RECORDING_TIMER_PERIOD_MS);
        ShowLevelMeter();
        // The song starts once the capture runs, so that the recording holds all of it.
        host_.RunSong();
    }
    isRecording_ = true;
    controls_.SetEnabled({IDC_START, IDC_PLAY, IDC_OPEN}, false);
    if (runFailed) PostCommand(&window_, IDC_STOP);
}

bool RecordingController::RefuseSongFile(const QString& path) {
    if (!host_.IsSongFile(path)) return false;
    platform_.messages->Show(&window_,
                             "The output file is the song that is open:\n" + path +
                                 "\nRecording into it would replace the song. Please choose "
                                 "another output file.",
                             "Error", MB_OK | MB_ICONEXCLAMATION);
    return true;
}

void RecordingController::StopRecording() {
    if (!isRecording_) return;
    host_.StopSong();
    if (recorder_.control) {
        recorder_.control->StopWhenReady();
        timers_.KillTimer(ID_RECORDING_TIMER);
        elapsedSeconds_ = 0;
    }
    HideLevelMeter();
    RemoveRecordingBranch();
    isRecording_ = false;
    controls_.EnableRecordingControls(true);
    controls_.status().setText(kReadyStatus);
}

void RecordingController::OnRecordingTimer() {
    ++elapsedSeconds_;
    const int s = elapsedSeconds_;
    controls_.status().setText(QString::asprintf("Status : Recording - Used Time: %02d:%02d:%02d",
                                                 s / 3600, s % 3600 / 60, s % 60));
}
