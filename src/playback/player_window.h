#pragma once

#include <QPoint>
#include <QPointer>
#include <QString>
#include <memory>

#include "core/song_tuning.h"
#include "services/media_graph.h"

class PreviewWindow;
class QWidget;
struct Platform;

enum class PlayerState { Closed, Stopped, Running };

// Audio channels as the menus choose them, and the balance each one sets.
inline constexpr int kChannelLeft = -1;
inline constexpr int kChannelStereo = 0;
inline constexpr int kChannelRight = 1;

// The playback engine of one opened media file: its graph, its video window and its
// transport state. Reports to the main window only through posted messages.
class PlayerWindow {
  public:
    // instance: the services the engine and its window use.
    PlayerWindow(Platform& instance, QWidget* mainWindow);
    // Releases nothing of its own: CloseMedia does that beforehand.
    virtual ~PlayerWindow();

    // The file OpenMedia opens.
    void SetMediaPath(const QString& path) { mediaPath_ = path; }
    bool OpenMedia();
    void Run();
    void Stop();
    void CloseMedia();
    HRESULT Seek(REFERENCE_TIME position);
    HRESULT SetVolume(float fraction);
    void SetChannel(int newChannel);
    // The song's key, tempo and vocal cut: kept for the next graph, applied to an open one
    // at once.
    void SetTuning(const Tuning& tuning);
    void HandleGraphEvents();
    void PollPosition();

    // The video window.
    void CreateVideoWindow();
    HRESULT InitVideoWindow(int numerator, int denominator);
    void UpdateTitle();
    void DestroyVideoWindow();
    void ShowContextMenu(QPoint clientPoint);
    void ToggleWindowOrder();
    // What the video window does with its events.
    void OnVideoWindowMovedOrSized();
    void OnVideoWindowCommand(int commandId);
    void OnVideoWindowClose();
    void OnVideoWindowTimer(int timerId);

    // The volume in hundredths of a decibel for a slider fraction.
    static long VolumeOf(float fraction);
    // One flag for the whole process: which window the next left click on a video brings
    // to the front.
    static bool frontToggle() { return frontToggle_; }

    Platform& instance() const { return instance_; }
    const QString& mediaPath() const { return mediaPath_; }
    PlayerState state() const { return state_; }
    bool audioOnly() const { return audioOnly_; }
    bool videoShown() const { return videoShown_; }
    long volume() const { return volume_; }
    int channel() const { return channel_; }
    const Tuning& tuning() const { return tuning_; }
    REFERENCE_TIME currentPosition() const { return currentPosition_; }
    REFERENCE_TIME stopPosition() const { return stopPosition_; }
    // Empty until CreateVideoWindow and again after DestroyVideoWindow.
    PreviewWindow* videoWindow() const { return videoWindow_.get(); }
    // Whether any of the graph's interfaces is still held.
    bool HoldsGraph() const;
    const std::shared_ptr<VideoWindow>& pVW() const { return pVW_; }
    const std::shared_ptr<BasicVideo>& pBV() const { return pBV_; }
    const std::shared_ptr<BasicAudio>& pBA() const { return pBA_; }

  private:
    HRESULT BuildGraph(const QString& path);
    void DetectVideo();
    void ReleaseGraph();
    void FitVideoToClientArea();
    void ShowDiagnostic(const QString& text);
    void ApplyTuning(const Tuning& from);

    static bool frontToggle_;

    QPointer<QWidget> mainWindow_;
    Platform& instance_;
    QString mediaPath_;
    bool audioOnly_ = false;
    PlayerState state_ = PlayerState::Closed;
    std::shared_ptr<VideoWindow> pVW_;
    bool videoShown_ = false;
    std::shared_ptr<BasicVideo> pBV_;
    long volume_ = 0;
    std::shared_ptr<GraphBuilder> pGB_;
    std::shared_ptr<MediaControl> pMC_;
    std::shared_ptr<MediaEvents> pME_;
    std::shared_ptr<BasicAudio> pBA_;
    std::shared_ptr<MediaSeeking> pMS_;
    std::shared_ptr<SongTuning> pST_;
    std::unique_ptr<PreviewWindow> videoWindow_;
    bool windowCreated_ = false;
    REFERENCE_TIME currentPosition_ = 0;
    REFERENCE_TIME stopPosition_ = 0;
    int channel_ = kChannelStereo;
    Tuning tuning_;
};
