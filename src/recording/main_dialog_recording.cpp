#include <QFile>
#include <QLabel>
#include <QLineEdit>

#include "app/main_dialog.h"
#include "platform/platform.h"
#include "playback/player_window.h"
#include "resources/resource_ids.h"
#include "services/message_boxes.h"
#include "services/window_messages.h"
#include "services/window_timers.h"

namespace {

constexpr char kReadyStatus[] = "Status : Ready";

}  // namespace

void MainDialog::StartRecording() {
    outputPath_ = Edit(IDC_OUTPUT_PATH)->text();
    if (FileExists(outputPath_)) QFile::remove(outputPath_);
    if (FAILED(AddRecordingBranch())) {
        // Filters of a branch that could not be completed leave the graph at once.
        RemoveRecordingBranch();
        return;
    }
    bool runFailed = false;
    if (recorder_.control) {
        if (FAILED(recorder_.control->Run())) {
            platform_.messages->Show(
                this,
                "1. Your audio hardware may be used by other program. Please exit the program.\n"
                "2. Or your audio hardware has unknown problem. The program can not start "
                "recording.\n"
                "3. Or the output wav file is played by other program now. Please exit the "
                "program.\n"
                "4. Or the output wav file has incorrect directory name.",
                "Start Recording Error", MB_OK);
            runFailed = true;
        }
        Label(IDC_STATUS)->setText("Status : Recording - Used Time: 00:00:00");
        elapsedSeconds_ = 0;
        timers_->SetTimer(ID_RECORDING_TIMER, RECORDING_TIMER_PERIOD_MS);
        // The song starts once the capture runs, so that the recording holds all of it.
        if (currentPlayer_) currentPlayer_->Run();
    }
    isRecording_ = true;
    for (int id : {IDC_START, IDC_PLAY, IDC_OPEN}) Control(id)->setEnabled(false);
    if (runFailed) PostCommand(this, IDC_STOP);
}

void MainDialog::StopRecording() {
    if (!isRecording_) return;
    if (currentPlayer_) currentPlayer_->Stop();
    if (recorder_.control) {
        recorder_.control->StopWhenReady();
        timers_->KillTimer(ID_RECORDING_TIMER);
        elapsedSeconds_ = 0;
    }
    RemoveRecordingBranch();
    isRecording_ = false;
    EnableRecordingControls(true);
    Label(IDC_STATUS)->setText(kReadyStatus);
}

void MainDialog::OnRecordingTimer() {
    ++elapsedSeconds_;
    const int s = elapsedSeconds_;
    Label(IDC_STATUS)
        ->setText(QString::asprintf("Status : Recording - Used Time: %02d:%02d:%02d", s / 3600,
                                    s % 3600 / 60, s % 60));
}

bool MainDialog::FileExists(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}
