#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <map>
#include <memory>
#include <vector>

#include "pulse/pulse_microphones.h"
#include "pulse/pulse_playthrough.h"
#include "services/mixer.h"

// The mixer over the sound server. One mixer device per capture device that has a
// microphone. Destination 0 "Speakers" carries the microphone's playthrough into the
// output the song plays on (its mute switch stops it, its volume sets its level); the
// playthrough follows that output and comes back with its devices. Destination 1
// "Recording" carries the microphone source itself (volume, mute). A volume is one level
// for all channels, their balance kept. Every change, by this program or another, is
// posted to the windows that have the device open.
class PulseMixer final : public Mixer {
  public:
    // server: the program's connection; it must outlive the mixer.
    explicit PulseMixer(SoundServer& server);
    ~PulseMixer() override;

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

  private:
    struct OpenDevice {
        QByteArray source;  // the microphone, by name: indices change when it comes back
        QPointer<QObject> callback;
    };
    struct Playthrough {
        std::vector<DWORD> volume;  // per channel, 0 to 65535
        bool on = false;            // the switch, whether the devices are there or not
        std::unique_ptr<PulsePlaythrough> streams;
        std::chrono::steady_clock::time_point started;
    };

    const MicrophoneSource* SourceOf(HMIXER hmx) const;
    MMRESULT Missing(HMIXER hmx) const;
    Playthrough& PlaythroughOf(const MicrophoneSource& microphone);
    std::vector<DWORD> Values(const MicrophoneSource& microphone, DWORD controlId);
    MMRESULT Apply(const MicrophoneSource& microphone, DWORD controlId,
                   const std::vector<DWORD>& values);
    void OnPlaythroughChanged(std::uint32_t sinkInput, const pa_cvolume* volume);
    // Starts, ends, restarts or moves each playthrough to match its switch and devices.
    void SyncPlaythroughs();
    void Notify(const QByteArray& source, DWORD controlId);

    PulseMicrophones server_;
    std::map<std::uintptr_t, OpenDevice> open_;
    std::uintptr_t nextHandle_ = 1;
    bool waited_ = false;
    QObject receiver_;  // the playthroughs' news arrive here, and end with it
    QTimer retry_;
    std::map<QByteArray, Playthrough> playthroughs_;
};
