#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "services/result_codes.h"

class QObject;
class QWidget;

// Signed count of 100 ns units.
using REFERENCE_TIME = std::int64_t;

// Time formats of MediaSeeking; positions in 100 ns units are the only one a graph offers.
enum class TimeFormat { None, MediaTime };
inline constexpr TimeFormat TIME_FORMAT_MEDIA_TIME = TimeFormat::MediaTime;

// Positioning flags of MediaSeeking::SetPositions.
inline constexpr unsigned AM_SEEKING_NoPositioning = 0x0;
inline constexpr unsigned AM_SEEKING_AbsolutePositioning = 0x1;

// Event codes of MediaEvents::GetEvent.
inline constexpr long EC_COMPLETE = 0x01;
inline constexpr long EC_ERRORABORT = 0x03;

// Visibility values of VideoWindow.
inline constexpr long OATRUE = -1;
inline constexpr long OAFALSE = 0;

// The interfaces of one playback graph. One object answers them all; each holder keeps
// the graph alive, and the graph goes when the last holder lets go.

class MediaControl {
  public:
    virtual ~MediaControl() = default;
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
};

class MediaEvents {
  public:
    virtual ~MediaEvents() = default;
    // Posts message with lParam instance to window whenever an event is queued; a null
    // window stops the notices.
    virtual HRESULT SetNotifyWindow(QObject* window, int message, std::intptr_t instance) = 0;
    // Takes the oldest queued event. Only a time-out of 0 is offered, since the caller is
    // the UI thread: E_ABORT when the queue is empty.
    virtual HRESULT GetEvent(long* code, std::intptr_t* param1, std::intptr_t* param2,
                             long timeoutMs) = 0;
    virtual HRESULT FreeEventParams(long code, std::intptr_t param1, std::intptr_t param2) = 0;
};

class MediaSeeking {
  public:
    virtual ~MediaSeeking() = default;
    // S_OK when the format is offered, S_FALSE when not.
    virtual HRESULT IsFormatSupported(TimeFormat format) = 0;
    virtual HRESULT GetTimeFormat(TimeFormat* format) = 0;
    virtual HRESULT SetTimeFormat(TimeFormat format) = 0;
    virtual HRESULT GetStopPosition(REFERENCE_TIME* stop) = 0;
    virtual HRESULT GetCurrentPosition(REFERENCE_TIME* current) = 0;
    // Null positions or AM_SEEKING_NoPositioning leave that end where it is.
    virtual HRESULT SetPositions(REFERENCE_TIME* current, unsigned currentFlags,
                                 REFERENCE_TIME* stop, unsigned stopFlags) = 0;
    virtual HRESULT SetRate(double rate) = 0;
};

// Audio level and balance; E_NOTIMPL for a graph without audio.
class BasicAudio {
  public:
    virtual ~BasicAudio() = default;
    // Hundredths of a decibel, -10000 (silence) to 0 (full).
    virtual HRESULT put_Volume(long volume) = 0;
    virtual HRESULT get_Volume(long* volume) = 0;
    // -10000 (left only) to 10000 (right only).
    virtual HRESULT put_Balance(long balance) = 0;
    virtual HRESULT get_Balance(long* balance) = 0;
};

// The key, tempo and vocal cut of the song. Key and vocal cut answer E_NOTIMPL for a graph
// without audio.
class SongTuning {
  public:
    virtual ~SongTuning() = default;
    // Semitones, -6 (down) to 6 (up); the tempo stays.
    virtual HRESULT put_Key(long semitones) = 0;
    // Percent of the song's own tempo, 50 to 150; the key stays, the pictures follow, and
    // positions stay in the song's own time.
    virtual HRESULT put_Tempo(long percent) = 0;
    // OATRUE takes out the voice panned to the centre of a stereo song.
    virtual HRESULT put_VocalCut(long on) = 0;
};

// The video renderer: a widget that the graph draws into. E_NOINTERFACE for a graph
// without video.
class VideoWindow {
  public:
    virtual ~VideoWindow() = default;
    // Makes the renderer a child of owner; null takes it out again.
    virtual HRESULT put_Owner(QWidget* owner) = 0;
    // The widget that receives the renderer's mouse and key input.
    virtual HRESULT put_MessageDrain(QWidget* drain) = 0;
    virtual HRESULT get_Visible(long* visible) = 0;
    virtual HRESULT put_Visible(long visible) = 0;
    // Places the renderer in its owner's client area.
    virtual HRESULT SetWindowPosition(long left, long top, long width, long height) = 0;
};

class BasicVideo {
  public:
    virtual ~BasicVideo() = default;
    // The video's native size in pixels.
    virtual HRESULT GetVideoSize(long* width, long* height) = 0;
};

class GraphBuilder {
  public:
    virtual ~GraphBuilder() = default;
    // Builds the whole playback chain for the file and holds it paused at its start;
    // fails when the file cannot be played.
    virtual HRESULT RenderFile(const QString& path) = 0;

    virtual HRESULT QueryInterface(std::shared_ptr<MediaControl>& out) = 0;
    virtual HRESULT QueryInterface(std::shared_ptr<MediaEvents>& out) = 0;
    virtual HRESULT QueryInterface(std::shared_ptr<MediaSeeking>& out) = 0;
    virtual HRESULT QueryInterface(std::shared_ptr<VideoWindow>& out) = 0;
    virtual HRESULT QueryInterface(std::shared_ptr<BasicVideo>& out) = 0;
    virtual HRESULT QueryInterface(std::shared_ptr<BasicAudio>& out) = 0;
    virtual HRESULT QueryInterface(std::shared_ptr<SongTuning>& out) = 0;
};

// Creates playback graphs.
class MediaGraphs {
  public:
    virtual ~MediaGraphs() = default;
    virtual HRESULT CreateFilterGraph(std::shared_ptr<GraphBuilder>& out) = 0;
};

// Graphs over GStreamer's playbin.
std::unique_ptr<MediaGraphs> MakeGstMediaGraphs();
