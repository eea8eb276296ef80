#include "playback/playback_controller.h"

#include <QMenu>
#include <QSlider>

#include "core/main_controls.h"
#include "core/output_naming.h"
#include "core/settings_store.h"
#include "platform/platform.h"
#include "playback/player_window.h"
#include "playback/preview_window.h"
#include "resources/menu_resources.h"
#include "resources/resource_ids.h"
#include "services/file_dialogs.h"
#include "services/message_boxes.h"
#include "services/popup_menus.h"
#include "services/window_messages.h"

namespace {

constexpr REFERENCE_TIME kUnitsPerSecond = 10'000'000;
constexpr int kSeekSteps = 600;

// Hours take as many digits as they need, at least two.
QString ClockOf(int seconds) {
    return QString::asprintf("%02d:%02d:%02d", seconds / 3600, (seconds % 3600) / 60, seconds % 60);
}

std::vector<FileFilter> MediaFileFilters() {
    return {
        {"Media Files (all types)",
         "*.asf;*.wma;*.wmv;*.avi;*.vob;*.qt;*.mov;*.mpg;*.mpeg;*.dat;*.mp4;*.divx;*.div;*.ogm;"
         "*.wav;*.mpa;*.mp2;*.mp3;*.au;*.aif;*.aiff;*.snd;*.ogg;*.ac3;*.rm;*.kar;*.cdg;*.lrc;"
         "*.bin;*.flac;*.opus;*.m4a;*.mkv;*.webm;*.m4v;*.zip"},
        {"Windows Media Files (*.asf;*.wma;*.wmv)", "*.asf; *.wma; *.wmv"},
        {"Video Files "
         "(*.avi;*.mpg;*.mpeg;*.vob;*.dat;*.mp4;*.divx;*.div;*.ogm;*.qt;*.mov;*.rm;*.rmvb)",
         "*.avi; *.vob; *.qt; *.mov; *.mpg; *.mpeg; *.dat; *.mp4; *.divx; *.div; *.ogm; *.rm; "
         "*.rmvb;*.kar;*.cdg;*.lrc;*.bin;*.mkv;*.webm;*.m4v;*.zip"},
        {"Audio files "
         "(*.kar;*.cdg;*.mp3;*.wav;*.bin;*.lrc;*.ac3;*.ogg;*.mpa;*.mp2;*.au;*.aif;*.aiff;*.snd;"
         "*.ra)",
         "*.kar;*.mp3; *.wav; *.ac3; *.ogg; *.mpa; *.mp2; *.au; *.aif; *.aiff; *.snd "
         ";*.ra;*.cdg;*.lrc;*.bin;*.flac;*.opus;*.m4a;*.zip"},
        {"Any Files (*.*)", "*.*;"},
    };
}

}  // namespace

PlaybackController::PlaybackController(Platform& platform, SettingsStore& settings, QWidget& window,
                                       const MainControls& controls, PlaybackWindow& host)
    : platform_(platform),
      settings_(settings),
      window_(window),
      controls_(controls),
      host_(host),
      tuningMemory_(settings) {}

PlaybackController::~PlaybackController() = default;

void PlaybackController::OpenMediaFile() {
    FileDialogRequest request;
    request.title = "Select an Media file";
    request.initialFolder = settings_.ReadString(kOptionSection, kLastPhotoFolderValue, "");
    request.filters = MediaFileFilters();
    request.filterIndex = 1;
    const std::optional<QString> chosen = platform_.fileDialogs->Open(&window_, request);
    if (!chosen) return;

    // The path becomes the open file's only once it can be measured: a file that cannot
    // be must not lend its name to the one still playing.
    REFERENCE_TIME length = 0;
    if (FAILED(QueryMediaLength(*chosen, &length))) {
        platform_.messages->Show(
            &window_, "Cannot open the file and get the total time. \nOr the file May be corrupt.",
            "Error", MB_OK);
        return;
    }
    mediaPath_ = *chosen;
    mediaLengthSeconds_ = static_cast<int>(length / kUnitsPerSecond);
    const QString name = DisplayNameOf(mediaPath_).value_or(QString());
    window_.setWindowTitle(name + "   " + ClockOf(mediaLengthSeconds_));
    host_.DeriveOutputPath(mediaPath_);
    ReleasePlayer();
    StartPlayer(mediaPath_);
    controls_.EnableRecordingControls(true);
    settings_.WriteString(kOptionSection, kLastPhotoFolderValue, FolderOf(mediaPath_));
}

HRESULT PlaybackController::QueryMediaLength(const QString& path, REFERENCE_TIME* length) {
    std::shared_ptr<GraphBuilder> graph;
    HRESULT hr = platform_.mediaGraphs->CreateFilterGraph(graph);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = graph->RenderFile(path))) return hr;
    std::shared_ptr<MediaSeeking> seeking;
    if (FAILED(hr = graph->QueryInterface(seeking))) return hr;
    return seeking->GetStopPosition(length);
}

void PlaybackController::StartPlayer(const QString& path) {
    currentPlayer_ = std::make_unique<PlayerWindow>(platform_, &window_);
    currentPlayer_->SetMediaPath(path);
    Tuning tuning = tuningMemory_.Recall(path);
    tuning.vocalCut = vocalCut_;
    currentPlayer_->SetTuning(tuning);
    if (!currentPlayer_->OpenMedia()) {
        mediaPath_.clear();
        ReleasePlayer();
    }
}

void PlaybackController::ReleasePlayer() {
    if (currentPlayer_) {
        if (currentPlayer_->state() != PlayerState::Closed) currentPlayer_->CloseMedia();
        currentPlayer_.reset();
    }
    seekPosition_ = 0;
    controls_.seekBar().setValue(0);
    window_.update();
}

void PlaybackController::CloseMedia() {
    ReleasePlayer();
    mediaLengthSeconds_ = 0;
    mediaPath_.clear();
    window_.setWindowTitle("Tarvelo");
}

void PlaybackController::SeekFromSlider() {
    seekPosition_ = controls_.seekBar().value();
    if (!currentPlayer_ || currentPlayer_->stopPosition() == 0) return;
    const double target =
        static_cast<double>(currentPlayer_->stopPosition()) * seekPosition_ * (1.0 / kSeekSteps);
    currentPlayer_->Seek(static_cast<REFERENCE_TIME>(target));
}

void PlaybackController::ApplyMediaVolume() {
    playbackVolume_ = controls_.mediaVolume().value();
    if (currentPlayer_) currentPlayer_->SetVolume(static_cast<float>(playbackVolume_) * 0.01f);
}

void PlaybackController::LoadPlaybackVolume() {
    controls_.mediaVolume().setRange(0, 100);
    playbackVolume_ = settings_.ReadInt(kOptionSection, kPlaybackVolumeValue, 100);
    controls_.mediaVolume().setValue(playbackVolume_);
    if (currentPlayer_) currentPlayer_->SetVolume(static_cast<float>(playbackVolume_) * 0.01f);
}

void PlaybackController::StorePlaybackVolume() {
    settings_.WriteInt(kOptionSection, kPlaybackVolumeValue, playbackVolume_);
}

void PlaybackController::RunPlayer() {
    if (currentPlayer_) currentPlayer_->Run();
}

void PlaybackController::StopPlayer() {
    if (currentPlayer_) currentPlayer_->Stop();
}

void PlaybackController::UpdatePlaybackTime() {
    if (!currentPlayer_) {
        window_.setWindowTitle("Tarvelo");
        return;
    }
    const int seconds = static_cast<int>(currentPlayer_->currentPosition() / kUnitsPerSecond);
    const QString name = DisplayNameOf(mediaPath_).value_or(QString());
    window_.setWindowTitle(name + "   " + ClockOf(seconds) + " / " + ClockOf(mediaLengthSeconds_));
    const REFERENCE_TIME stop = currentPlayer_->stopPosition();
    seekPosition_ = stop == 0
                        ? 0
                        : static_cast<int>(static_cast<double>(currentPlayer_->currentPosition()) /
                                           static_cast<double>(stop) * kSeekSteps);
    controls_.seekBar().setValue(seekPosition_);
}

QMenu* PlaybackController::ChannelMenuOf(QMenu& previewMenu) {
    if (mediaPath_.isEmpty() || !currentPlayer_) return nullptr;
    QMenu* preview = SubMenuOf(&previewMenu, 0);
    if (!preview) return nullptr;
    const int checked[] = {ID_CHANNEL_LEFT, ID_CHANNEL_STEREO, ID_CHANNEL_RIGHT};
    const int channel = currentPlayer_->channel();
    if (channel >= kChannelLeft && channel <= kChannelRight)
        CheckMenuItem(SubMenuOf(preview, 0), checked[channel - kChannelLeft]);
    MarkMenuItem(preview, ID_VOCAL_CUT, vocalCut_);
    return preview;
}

void PlaybackController::ForwardPlayerCommand(int commandId) {
    switch (commandId) {
        case ID_PREVIEW_CLOSE:
        case ID_CHANNEL_STEREO:
        case ID_CHANNEL_LEFT:
        case ID_CHANNEL_RIGHT:
            if (currentPlayer_ && currentPlayer_->videoWindow())
                PostCommand(currentPlayer_->videoWindow(), commandId);
            break;
        default:
            break;
    }
}

void PlaybackController::ChangeTuning(int commandId) {
    if (!currentPlayer_ || mediaPath_.isEmpty()) return;
    const Tuning now = currentPlayer_->tuning();
    Tuning next = now;
    switch (commandId) {
        case ID_KEY_UP:
            next = now.WithKeyStep(1);
            break;
        case ID_KEY_DOWN:
            next = now.WithKeyStep(-1);
            break;
        case ID_TEMPO_SLOWER:
            next = now.WithTempoStep(-1);
            break;
        case ID_TEMPO_FASTER:
            next = now.WithTempoStep(1);
            break;
        case ID_VOCAL_CUT:
            next.vocalCut = vocalCut_ = !now.vocalCut;
            break;
        case ID_RESET_TUNING:
            next.key = Tuning{}.key;
            next.tempo = Tuning{}.tempo;
            break;
        default:
            return;
    }
    if (next == now) return;
    currentPlayer_->SetTuning(next);
    if (next.key != now.key || next.tempo != now.tempo) tuningMemory_.Remember(mediaPath_, next);
}
