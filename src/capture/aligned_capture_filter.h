#pragma once

#include <atomic>
#include <memory>

#include "capture/server_device_filter.h"
#include "services/capture_devices.h"
#include "services/capture_graph.h"

class SoundServer;

// The device "Song and microphone": the song as the program plays it, mixed in time with
// the singer's voice from the program's microphone. Its one input is always there; what
// it keeps lives as long as the capture side does.
struct AlignedInputState {
    VoiceTiming timing;
    // The input's recording level, 0 to 1; not the microphone's own.
    std::shared_ptr<std::atomic<double>> level = std::make_shared<std::atomic<double>>(1.0);
};

inline constexpr char kAlignedDeviceName[] = "Song and microphone";
inline constexpr char kAlignedInputName[] = "Song and microphone mix";
inline constexpr const char* kAlignedSourceName = kSongAndMicrophoneStableName;

std::shared_ptr<DeviceMoniker> MakeAlignedMoniker(SoundServer& server,
                                                  std::shared_ptr<AlignedInputState> state);

class AlignedCaptureFilter : public ServerDeviceFilter,
                             public std::enable_shared_from_this<AlignedCaptureFilter> {
  public:
    AlignedCaptureFilter(SoundServer& server, std::shared_ptr<AlignedInputState> state)
        : server_(server), state_(std::move(state)) {}
    HRESULT EnumPins(std::shared_ptr<PinEnumerator>* pins) override;
    // There while the server offers capture devices at all: the song's output and the
    // microphone are the server's too.
    bool IsPresent() const override;
    SoundServer& server() const { return server_; }
    const std::shared_ptr<AlignedInputState>& state() const { return state_; }

  private:
    SoundServer& server_;
    std::shared_ptr<AlignedInputState> state_;
};

// The filter's output pin, which the graph renders.
class AlignedOutputPin : public Pin {
  public:
    explicit AlignedOutputPin(std::shared_ptr<AlignedCaptureFilter> filter)
        : filter_(std::move(filter)) {}
    HRESULT QueryDirection(PinDirection* direction) override {
        *direction = PinDirection::Output;
        return S_OK;
    }
    HRESULT QueryPinInfo(QString* name) override {
        *name = QStringLiteral("Capture");
        return S_OK;
    }
    std::shared_ptr<AudioInputMixer> QueryAudioInputMixer() override { return nullptr; }
    const std::shared_ptr<AlignedCaptureFilter>& filter() const { return filter_; }

  private:
    std::shared_ptr<AlignedCaptureFilter> filter_;
};
