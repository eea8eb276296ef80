#include "capture/capture_system.h"

#include <algorithm>

#include "capture/aligned_capture_filter.h"
#include "capture/pulse_device_enumerator.h"
#include "capture/server_capture_graph.h"
#include "gst/voice_offset_measurement.h"
#include "gst/wav_recording.h"
#include "pulse/capture_inputs.h"
#include "pulse/sound_server.h"
#include "pulse/switched_ports.h"

namespace {

class NullCaptureGraphBuilder final : public CaptureGraphBuilder {
  public:
    // Render on the graph does all the connecting; the builder only has to accept it.
    HRESULT SetFiltergraph(const std::shared_ptr<FilterGraph>& graph) override {
        return graph ? S_OK : E_POINTER;
    }
};

class ServerCaptureSystem final : public CaptureSystem {
  public:
    ServerCaptureSystem(SoundServer& server, std::uint64_t classicDataLimit)
        : server_(server),
          classicDataLimit_(classicDataLimit),
          switchedPorts_(server.model(), [&server](std::uint32_t source, const QString& port) {
              server.SetSourcePort(source, port);
          }) {}

    HRESULT CreateDeviceEnumerator(std::shared_ptr<DeviceEnumerator>* enumerator) override {
        *enumerator = MakePulseDeviceEnumerator(server_, switchedPorts_, aligned_);
        return S_OK;
    }

    HRESULT CreateFilterGraph(std::shared_ptr<FilterGraph>* graph) override {
        *graph = std::make_shared<ServerCaptureGraph>(server_, classicDataLimit_);
        return S_OK;
    }

    HRESULT CreateCaptureGraphBuilder(std::shared_ptr<CaptureGraphBuilder>* builder) override {
        *builder = std::make_shared<NullCaptureGraphBuilder>();
        return S_OK;
    }

    HRESULT CreateWavDest(std::shared_ptr<MediaFilter>* filter) override {
        if (!CanRecordWav()) return E_NOINTERFACE;
        *filter = MakeWavDest();
        return S_OK;
    }

    HRESULT CreateFileWriter(std::shared_ptr<FileSinkFilter>* sink) override {
        *sink = MakeFileWriter();
        return S_OK;
    }

    void SetVoiceTiming(const VoiceTiming& timing) override { aligned_->timing = timing; }

    HRESULT MeasureVoiceOffset(int* offsetMs) override {
        const SoundDevice* microphone = ProgramMicrophone(server_.model());
        if (!microphone) return VOICE_NO_MICROPHONE;
        const std::optional<int> measured =
            MeasureVoiceOffsetMs({microphone->name, microphone->rate, microphone->channels});
        if (!measured) return VOICE_NOTHING_HEARD;
        *offsetMs =
            std::clamp(*measured, -VoiceTiming::kOffsetLimitMs, VoiceTiming::kOffsetLimitMs);
        return S_OK;
    }

  private:
    SoundServer& server_;
    std::uint64_t classicDataLimit_;
    // Given back when the capture side ends with the program.
    SwitchedPorts switchedPorts_;
    std::shared_ptr<AlignedInputState> aligned_ = std::make_shared<AlignedInputState>();
};

}  // namespace

std::unique_ptr<CaptureSystem> MakeCaptureSystem(SoundServer& server,
                                                 std::uint64_t classicDataLimit) {
    return std::make_unique<ServerCaptureSystem>(server, classicDataLimit);
}
