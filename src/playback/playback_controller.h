#pragma once

class QMenu;

#include <QPoint>
#include <QString>
#include <memory>

#include "core/song_tuning.h"
#include "services/media_graph.h"

class MainControls;
class PlayerWindow;
class QWidget;
class SettingsStore;
struct Platform;

// What the playback asks of the window it plays for.
class PlaybackWindow {
  public:
    // The recording is named after the media just opened.
    virtual void DeriveOutputPath(const QString& mediaPath) = 0;

  protected:
    ~PlaybackWindow() = default;
};

// The main window's playback: the open media file with its player, the seek bar, the
// media volume, the time in the title and the audio channel menu.
class PlaybackController {
  public:
    PlaybackController(Platform& platform, SettingsStore& settings, QWidget& window,
                       const MainControls& controls, PlaybackWindow& host);
    ~PlaybackController();

    void OpenMediaFile();
    HRESULT QueryMediaLength(const QString& path, REFERENCE_TIME* length);
    void StartPlayer(const QString& path);
    void ReleasePlayer();
    // Closes the player and forgets the media: the title shows the program's name again.
    void CloseMedia();
    void SeekFromSlider();
    void ApplyMediaVolume();
    void UpdatePlaybackTime();
    // The video window's menu 145 as the main window shows it while a file is open, the
    // player's channel checked: its popup within previewMenu, or null without a file.
    QMenu* ChannelMenuOf(QMenu& previewMenu);
    void ForwardPlayerCommand(int commandId);
    // Key up or down, slower, faster, vocal cut on or off, key and tempo back to the song's
    // own; the song's key and tempo are remembered for the next time it is opened.
    void ChangeTuning(int commandId);
    // The song of a recording: it plays while the recording runs.
    void RunPlayer();
    void StopPlayer();

    // The stored media volume onto its slider and the player; and back at the end.
    void LoadPlaybackVolume();
    void StorePlaybackVolume();

    PlayerWindow* currentPlayer() const { return currentPlayer_.get(); }
    const QString& mediaPath() const { return mediaPath_; }
    int totalSeconds() const { return mediaLengthSeconds_; }
    int seekPosition() const { return seekPosition_; }
    int playbackVolume() const { return playbackVolume_; }

  private:
    Platform& platform_;
    SettingsStore& settings_;
    QWidget& window_;
    const MainControls& controls_;
    PlaybackWindow& host_;

    QString mediaPath_;
    int mediaLengthSeconds_ = 0;
    int seekPosition_ = 0;
    std::unique_ptr<PlayerWindow> currentPlayer_;
    int playbackVolume_ = 100;
    SongTuningMemory tuningMemory_;
    // The vocal cut is the singer's choice for every song, not remembered per song.
    bool vocalCut_ = false;
};
