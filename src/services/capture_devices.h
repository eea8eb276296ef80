#pragma once

#include <QString>
#include <memory>

#include "services/result_codes.h"

// Audio capture devices as the recorder sees them: an enumerator of device monikers,
// each bound to a capture filter whose input pins are the device's inputs.

enum class PinDirection { Input, Output };

// Switch and level of one capture input.
class AudioInputMixer {
  public:
    virtual ~AudioInputMixer() = default;
    virtual HRESULT put_Enable(bool enable) = 0;
    // level: 0.0 to 1.0; a device under automatic gain answers -1.0.
    virtual HRESULT get_MixLevel(double* level) = 0;
    virtual HRESULT put_MixLevel(double level) = 0;
};

// What a capture input carries, where the device can tell: an input of its own (a
// microphone, a line) or the mix of what an output plays.
enum class InputKind { Unknown, DeviceInput, OutputMix };

// The stable name of the device the program makes of the song and the microphone, listed
// ahead of the sound server's devices; no server source can take it.
inline constexpr char kSongAndMicrophoneStableName[] = "@SONG_AND_MICROPHONE@";

// Names that find a capture input again from run to run, where positions change as devices
// come and go: its device's, its source's and, where the source has several, its port's.
// An input without a source name has none.
struct StableInputName {
    QString device;
    QString source;
    QString port;
};

class Pin {
  public:
    virtual ~Pin() = default;
    virtual HRESULT QueryDirection(PinDirection* direction) = 0;
    virtual HRESULT QueryPinInfo(QString* name) = 0;
    virtual InputKind QueryInputKind() { return InputKind::Unknown; }
    virtual StableInputName QueryStableName() { return {}; }
    // The pin's input mixer, or null when it has none.
    virtual std::shared_ptr<AudioInputMixer> QueryAudioInputMixer() = 0;
};

class PinEnumerator {
  public:
    virtual ~PinEnumerator() = default;
    virtual HRESULT Reset() = 0;
    // S_OK with the next pin, S_FALSE after the last one, or a failure.
    virtual HRESULT Next(std::shared_ptr<Pin>* pin) = 0;
};

// A filter of a graph: a capture device, the WAV writer or the file sink.
class MediaFilter {
  public:
    virtual ~MediaFilter() = default;
    virtual HRESULT EnumPins(std::shared_ptr<PinEnumerator>* pins) = 0;
};

class DeviceMoniker {
  public:
    virtual ~DeviceMoniker() = default;
    virtual HRESULT ReadFriendlyName(QString* name) = 0;
    // The device's name that stays from run to run; E_NOTIMPL where there is none.
    virtual HRESULT ReadStableName(QString*) { return E_NOTIMPL; }
    virtual HRESULT BindToObject(std::shared_ptr<MediaFilter>* filter) = 0;
};

class MonikerEnumerator {
  public:
    virtual ~MonikerEnumerator() = default;
    // S_OK with the next device, S_FALSE after the last one, or a failure.
    virtual HRESULT Next(std::shared_ptr<DeviceMoniker>* moniker) = 0;
};

class DeviceEnumerator {
  public:
    virtual ~DeviceEnumerator() = default;
    // The audio capture devices; S_FALSE and no enumerator when there are none.
    virtual HRESULT CreateClassEnumerator(std::shared_ptr<MonikerEnumerator>* devices) = 0;
};
