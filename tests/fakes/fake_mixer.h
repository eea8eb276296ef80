#pragma once

#include <QPointer>
#include <QString>
#include <map>
#include <vector>

#include "services/mixer.h"

// A mixer driver made of scripted devices. Line ids follow the classic encoding
// (destination in the low word, source + 1 in the high word, 0xFFFF for a destination);
// control ids count from 1 within each device. Every successful write, and every
// ChangeFromOutside, posts the change message to each window that has the device open.
struct FakeMixerControl {
    MIXERCONTROLA control;
    std::vector<DWORD> values;  // channels x items
};

struct FakeMixerLine {
    MIXERLINEA line;
    std::vector<FakeMixerControl> controls;
};

struct FakeMixerDestination {
    FakeMixerLine line;
    std::vector<FakeMixerLine> sources;
};

struct FakeMixerDevice {
    QString name;
    std::vector<FakeMixerDestination> destinations;
    DWORD nextControlId = 1;
};

class FakeMixer final : public Mixer {
  public:
    UINT mixerGetNumDevs() override;
    MMRESULT mixerGetDevCapsA(UINT uMxId, MIXERCAPSA* caps) override;
    MMRESULT mixerGetDevCapsA(HMIXER hmx, MIXERCAPSA* caps) override;
    MMRESULT mixerOpen(HMIXER* phmx, UINT uMxId, QObject* dwCallback, DWORD fdwOpen) override;
    MMRESULT mixerClose(HMIXER hmx) override;
    MMRESULT mixerGetLineInfoA(HMIXER hmx, MIXERLINEA* line, DWORD fdwInfo) override;
    MMRESULT mixerGetLineControlsA(HMIXER hmx, MIXERLINECONTROLSA* controls,
                                   DWORD fdwControls) override;
    MMRESULT mixerGetControlDetailsA(HMIXER hmx, MIXERCONTROLDETAILS* details,
                                     DWORD fdwDetails) override;
    MMRESULT mixerSetControlDetails(HMIXER hmx, const MIXERCONTROLDETAILS* details,
                                    DWORD fdwDetails) override;

    // Building the scripted hardware.
    FakeMixerDevice& AddDevice(const QString& name);
    FakeMixerLine& AddDestination(FakeMixerDevice& device, DWORD componentType, DWORD channels = 2);
    FakeMixerLine& AddSource(FakeMixerDevice& device, std::size_t destination, DWORD componentType,
                             DWORD channels = 2);
    // Adds a control with every value set to value; answers its id.
    DWORD AddControl(FakeMixerDevice& device, FakeMixerLine& line, DWORD type, DWORD flags = 0,
                     DWORD value = 0, DWORD maximum = 65535);
    // A device with destinations speakers and recording, each with a stereo microphone
    // carrying volume then mute.
    FakeMixerDevice& AddMicrophoneDevice(const QString& name);

    FakeMixerControl* Control(std::size_t device, DWORD controlId);
    // Another program changed a control.
    void ChangeFromOutside(std::size_t device, DWORD controlId, std::vector<DWORD> values);

    std::vector<FakeMixerDevice> devices;
    // A call answers this code instead of acting; keys: "getDevCaps(index)",
    // "getDevCaps(handle)", "open", "close", "lineInfo(dst)", "lineInfo(src)",
    // "lineInfo(lineid)", "lineControls(all)", "lineControls(onebyid)", "getDetails",
    // "setDetails".
    std::map<QString, MMRESULT> failing;
    // "open <index> -> <handle>", "close <handle>", "set <ctrlid> = v0,v1,...", in order.
    std::vector<QString> log;
    std::uintptr_t nextHandle = 0x2A;

  private:
    struct OpenDevice {
        std::size_t device;
        QPointer<QObject> callback;
    };
    // The control a details call names, with its channels and items per channel.
    struct DetailsTarget {
        FakeMixerControl* control = nullptr;
        DWORD channels = 0;
        DWORD items = 0;
    };
    MMRESULT Fails(const QString& call) const;
    MMRESULT FindDetails(const QString& call, HMIXER hmx, const MIXERCONTROLDETAILS& details,
                         DetailsTarget& target);
    FakeMixerDevice* DeviceOf(HMIXER hmx);
    FakeMixerLine* LineById(FakeMixerDevice& device, DWORD lineId);
    FakeMixerControl* ControlById(FakeMixerDevice& device, DWORD controlId,
                                  FakeMixerLine** line = nullptr);
    void NotifyChange(std::size_t device, DWORD controlId);

    std::map<HMIXER, OpenDevice> open_;
};
