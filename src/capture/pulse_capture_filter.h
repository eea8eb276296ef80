#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "capture/server_device_filter.h"
#include "pulse/capture_inputs.h"
#include "services/capture_devices.h"

class SoundServer;
class SwitchedPorts;

// What the recording pipeline needs to know of a capture filter: the source it reads.
struct CaptureSourceChoice {
    QString card;
    QString source;
    int rate = 0;
    int channels = 0;
};

// A capture device of the sound server as a filter: pin 0 is the output, the others
// are the device's inputs. The enabled input is the source that the output reads; the
// song output's mix reads the output the song plays on when the recording starts.
class PulseCaptureFilter : public ServerDeviceFilter,
                           public std::enable_shared_from_this<PulseCaptureFilter> {
  public:
    PulseCaptureFilter(SoundServer& server, SwitchedPorts& ports, QString card);

    HRESULT EnumPins(std::shared_ptr<PinEnumerator>* pins) override;

    // The source a recording reads now: the enabled input, else the device's first.
    std::optional<CaptureSourceChoice> Choice() const;
    // Whether the device and the source it reads are there.
    bool IsPresent() const override;

    void Enable(const CaptureInput& input, bool enable);
    const std::optional<CaptureInput>& enabled() const { return enabled_; }
    SoundServer& server() const { return server_; }
    const QString& card() const { return card_; }

  private:
    SoundServer& server_;
    SwitchedPorts& ports_;
    QString card_;
    std::optional<CaptureInput> enabled_;
};

// The filter's output pin, which the graph renders.
class PulseCaptureOutputPin : public Pin {
  public:
    explicit PulseCaptureOutputPin(std::shared_ptr<PulseCaptureFilter> filter)
        : filter_(std::move(filter)) {}
    HRESULT QueryDirection(PinDirection* direction) override;
    HRESULT QueryPinInfo(QString* name) override;
    std::shared_ptr<AudioInputMixer> QueryAudioInputMixer() override { return nullptr; }
    const std::shared_ptr<PulseCaptureFilter>& filter() const { return filter_; }

  private:
    std::shared_ptr<PulseCaptureFilter> filter_;
};
