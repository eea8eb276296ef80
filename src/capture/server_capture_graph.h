#pragma once

#include <QObject>
#include <map>
#include <memory>
#include <vector>

#include "desktop/graph_event_queue.h"
#include "gst/wav_recording.h"
#include "services/capture_graph.h"

class AlignedCaptureFilter;
class PulseCaptureFilter;
class ServerDeviceFilter;
class SoundServer;

// The WAV writer and the file sink, as filters the graph's Render recognises.
std::shared_ptr<MediaFilter> MakeWavDest();
std::shared_ptr<FileSinkFilter> MakeFileWriter();

// The capture graph on GStreamer: its filters are bookkeeping until Render turns
// capture filter, WAV writer and file sink into one recording pipeline. It watches the
// sound server for the capture device going away or coming back and queues those, and
// a file that cannot be written, as events for the window it notifies.
class ServerCaptureGraph final : public FilterGraph,
                                 public CaptureControl,
                                 public std::enable_shared_from_this<ServerCaptureGraph> {
  public:
    ServerCaptureGraph(SoundServer& server, std::uint64_t classicDataLimit);
    ~ServerCaptureGraph() override;

    HRESULT AddFilter(const std::shared_ptr<MediaFilter>& filter, const QString& name) override;
    HRESULT RemoveFilter(const std::shared_ptr<MediaFilter>& filter) override;
    HRESULT Render(const std::shared_ptr<Pin>& pin) override;
    HRESULT QueryMediaControl(std::shared_ptr<CaptureControl>* control) override;
    HRESULT QueryMediaEvent(std::shared_ptr<CaptureEvents>* events) override;

    HRESULT Run() override;
    HRESULT StopWhenReady() override;
    HRESULT Stop() override;
    HRESULT GetPeakLevel(double* decibels) override;

    const WavRecording* recording() const { return recording_.get(); }

  private:
    void WatchDevices();
    HRESULT RenderAligned(const AlignedCaptureFilter& filter, const QString& path);

    SoundServer& server_;
    std::uint64_t classicDataLimit_;
    std::vector<std::shared_ptr<MediaFilter>> filters_;
    std::map<const ServerDeviceFilter*, bool> devicePresent_;
    // Declared before the recording, whose streaming thread reports into it.
    GraphEventQueue events_;
    // Receives the sound server's news for as long as the graph lives.
    QObject receiver_;
    std::unique_ptr<WavRecording> recording_;
    bool running_ = false;
    bool recordedSourceLost_ = false;
    bool microphoneLostTold_ = false;
};
