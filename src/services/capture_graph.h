#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "services/capture_devices.h"
#include "services/media_graph.h"

class QObject;

// The graph that records a capture filter's output through the WAV writer into a file.

// Graph events with their classic codes besides those of the playback graph; the
// capture graph's EC_ERRORABORT carries the failure's result code in param1.
inline constexpr long EC_DEVICE_LOST = 0x1F;  // param2: 0 removed, 1 available again
// The microphone of the song-and-microphone input went mid-take; the song goes on.
inline constexpr long EC_MICROPHONE_LOST = 0x8101;

// Result codes of a file that cannot be written.
inline constexpr HRESULT HRESULT_DISK_FULL = static_cast<HRESULT>(0x80070070u);
inline constexpr HRESULT HRESULT_WRITE_FAULT = static_cast<HRESULT>(0x8007001Du);
inline constexpr HRESULT HRESULT_PATH_NOT_FOUND = static_cast<HRESULT>(0x80070003u);

inline constexpr int AM_FILE_OVERWRITE = 1;

class FileSinkFilter : public MediaFilter {
  public:
    virtual HRESULT SetMode(int mode) = 0;
    virtual HRESULT SetFileName(const QString& path) = 0;
};

class CaptureControl {
  public:
    virtual ~CaptureControl() = default;
    virtual HRESULT Run() = 0;
    // Ends the stream, waits (bounded) until everything captured is in the file, stops.
    virtual HRESULT StopWhenReady() = 0;
    virtual HRESULT Stop() = 0;
    // The recorded input's latest peak in decibels of full scale (-1000 for silence or none
    // yet); E_FAIL when nothing is being recorded.
    virtual HRESULT GetPeakLevel(double* decibels) = 0;
};

// The capture graph queues its events as the playback graph does, behind the same
// interface.
using CaptureEvents = MediaEvents;

class FilterGraph {
  public:
    virtual ~FilterGraph() = default;
    virtual HRESULT AddFilter(const std::shared_ptr<MediaFilter>& filter, const QString& name) = 0;
    virtual HRESULT RemoveFilter(const std::shared_ptr<MediaFilter>& filter) = 0;
    // Connects an output pin through the filters in the graph to a sink.
    virtual HRESULT Render(const std::shared_ptr<Pin>& pin) = 0;
    virtual HRESULT QueryMediaControl(std::shared_ptr<CaptureControl>* control) = 0;
    virtual HRESULT QueryMediaEvent(std::shared_ptr<CaptureEvents>* events) = 0;
};

class CaptureGraphBuilder {
  public:
    virtual ~CaptureGraphBuilder() = default;
    virtual HRESULT SetFiltergraph(const std::shared_ptr<FilterGraph>& graph) = 0;
};

// How the song-and-microphone input places the singer's voice, and whether it also
// keeps the voice alone.
struct VoiceTiming {
    static constexpr int kOffsetLimitMs = 300;
    int offsetMs = 0;  // the voice shifted this much earlier, beyond the server's latencies
    bool keepVoiceTrack = false;
};

// The answers of a voice timing measurement.
inline constexpr HRESULT VOICE_NOTHING_HEARD = S_FALSE;
inline constexpr HRESULT VOICE_NO_MICROPHONE = static_cast<HRESULT>(0x80040218u);

// Creates the objects of the capture side.
class CaptureSystem {
  public:
    // For the recordings rendered from now on.
    virtual void SetVoiceTiming(const VoiceTiming&) {}
    // Plays a few clicks through the output and listens for them on the microphone: S_OK
    // with the offset that places them, VOICE_NOTHING_HEARD, or VOICE_NO_MICROPHONE.
    virtual HRESULT MeasureVoiceOffset(int*) { return E_NOTIMPL; }

    virtual ~CaptureSystem() = default;
    virtual HRESULT CreateDeviceEnumerator(std::shared_ptr<DeviceEnumerator>* enumerator) = 0;
    virtual HRESULT CreateFilterGraph(std::shared_ptr<FilterGraph>* graph) = 0;
    virtual HRESULT CreateCaptureGraphBuilder(std::shared_ptr<CaptureGraphBuilder>* builder) = 0;
    virtual HRESULT CreateWavDest(std::shared_ptr<MediaFilter>* filter) = 0;
    virtual HRESULT CreateFileWriter(std::shared_ptr<FileSinkFilter>* sink) = 0;
};
