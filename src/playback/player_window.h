#pragma once

#include <QPoint>
#include <QPointer>
#include <QString>
#include <memory>

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

    bool OpenMedia();
    void Run();
    void Stop();
    void CloseMedia();
    HRESULT Seek(REFERENCE_TIME position);
    HRESULT SetVolume(float fraction);
    void SetChannel(int newChannel);
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
    static bool frontToggle;

    QPointer<QWidget> mainWindow;
    Platform& instance;
    QString mediaPath;
    bool audioOnly = false;
    PlayerState state = PlayerState::Closed;
    std::shared_ptr<VideoWindow> pVW;
    bool videoShown = false;
    std::shared_ptr<BasicVideo> pBV;
    long volume = 0;
    std::shared_ptr<GraphBuilder> pGB;
    std::shared_ptr<MediaControl> pMC;
    std::shared_ptr<MediaEvents> pME;
    std::shared_ptr<BasicAudio> pBA;
    std::shared_ptr<MediaSeeking> pMS;
    std::unique_ptr<PreviewWindow> m_hWnd;
    bool windowCreated = false;
    REFERENCE_TIME currentPosition = 0;
    REFERENCE_TIME stopPosition = 0;
    int channel = kChannelStereo;

  private:
    HRESULT BuildGraph(const QString& path);
    void DetectVideo();
    void ReleaseGraph();
    void FitVideoToClientArea();
    void ShowDiagnostic(const QString& text);
};
