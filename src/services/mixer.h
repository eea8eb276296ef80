#pragma once

#include <QString>
#include <cstdint>
#include <memory>

class QObject;

// The sound card's mixer in the shape of the classic multimedia mixer: devices with
// destination lines (speakers, recording), source lines connected to them, and controls
// (switches, faders) with 32-bit values per channel and item.

using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using MMRESULT = std::uint32_t;
// An open mixer device; null when closed. Its value prints as a small number.
using HMIXER = struct HMIXER__*;

inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_ERROR = 1;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
inline constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_NODRIVER = 6;
inline constexpr MMRESULT MMSYSERR_NOMEM = 7;
inline constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
inline constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT MIXERR_INVALLINE = 1024;
inline constexpr MMRESULT MIXERR_INVALCONTROL = 1025;
inline constexpr MMRESULT MIXERR_INVALVALUE = 1026;

inline constexpr DWORD CALLBACK_WINDOW = 0x10000;

inline constexpr DWORD MIXER_GETLINEINFOF_DESTINATION = 0;
inline constexpr DWORD MIXER_GETLINEINFOF_SOURCE = 1;
inline constexpr DWORD MIXER_GETLINEINFOF_LINEID = 2;
inline constexpr DWORD MIXER_GETLINECONTROLSF_ALL = 0;
inline constexpr DWORD MIXER_GETLINECONTROLSF_ONEBYID = 1;
inline constexpr DWORD MIXER_GETCONTROLDETAILSF_VALUE = 0;
inline constexpr DWORD MIXER_SETCONTROLDETAILSF_VALUE = 0;

inline constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 4;
inline constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_WAVEIN = 5;
inline constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE = 0x1003;

inline constexpr DWORD MIXERCONTROL_CT_CLASS_MASK = 0xF0000000;
inline constexpr DWORD MIXERCONTROL_CT_CLASS_SWITCH = 0x20000000;
inline constexpr DWORD MIXERCONTROL_CT_CLASS_FADER = 0x50000000;
inline constexpr DWORD MIXERCONTROL_CONTROLTYPE_BOOLEAN = 0x20010000;
inline constexpr DWORD MIXERCONTROL_CONTROLTYPE_MUTE = 0x20010002;
inline constexpr DWORD MIXERCONTROL_CONTROLTYPE_BUTTON = 0x20010005;
inline constexpr DWORD MIXERCONTROL_CONTROLTYPE_FADER = 0x50030000;
inline constexpr DWORD MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;
inline constexpr DWORD MIXERCONTROL_CONTROLTYPE_EQUALIZER = 0x50030004;

inline constexpr DWORD MIXERCONTROL_CONTROLF_UNIFORM = 0x1;
inline constexpr DWORD MIXERCONTROL_CONTROLF_MULTIPLE = 0x2;
inline constexpr DWORD MIXERCONTROL_CONTROLF_DISABLED = 0x80000000;

struct MIXERCAPSA {
    QString szPname;
    DWORD fdwSupport = 0;
    DWORD cDestinations = 0;
};

struct MIXERLINEA {
    DWORD dwDestination = 0;
    DWORD dwSource = 0;
    DWORD dwLineID = 0;
    DWORD fdwLine = 0;
    DWORD dwComponentType = 0;
    DWORD cChannels = 0;
    DWORD cConnections = 0;
    DWORD cControls = 0;
    QString szShortName;
    QString szName;
};

struct MIXERCONTROLA {
    DWORD dwControlID = 0;
    DWORD dwControlType = 0;
    DWORD fdwControl = 0;
    DWORD cMultipleItems = 0;
    QString szShortName;
    QString szName;
    struct {
        DWORD dwMinimum = 0;
        DWORD dwMaximum = 0;
    } Bounds;
    struct {
        DWORD cSteps = 0;
    } Metrics;
};

// ALL: every control of dwLineID into pamxctrl[0 .. cControls-1].
// ONEBYID: the control dwControlID into pamxctrl[0].
struct MIXERLINECONTROLSA {
    DWORD dwLineID = 0;
    DWORD dwControlID = 0;
    DWORD cControls = 0;
    MIXERCONTROLA* pamxctrl = nullptr;
};

// Values of one control: cChannels x max(1, cMultipleItems) 32-bit values, channel by
// channel, each channel's items in order.
struct MIXERCONTROLDETAILS {
    DWORD dwControlID = 0;
    DWORD cChannels = 0;
    DWORD cMultipleItems = 0;
    DWORD cbDetails = sizeof(DWORD);
    DWORD* paDetails = nullptr;
};

class Mixer {
  public:
    virtual ~Mixer() = default;
    virtual UINT mixerGetNumDevs() = 0;
    virtual MMRESULT mixerGetDevCapsA(UINT uMxId, MIXERCAPSA* caps) = 0;
    virtual MMRESULT mixerGetDevCapsA(HMIXER hmx, MIXERCAPSA* caps) = 0;
    // With CALLBACK_WINDOW, every change of a control of the device, by this program or
    // another, is posted to dwCallback as MM_MIXM_CONTROL_CHANGE (wParam the handle,
    // lParam the control id).
    virtual MMRESULT mixerOpen(HMIXER* phmx, UINT uMxId, QObject* dwCallback, DWORD fdwOpen) = 0;
    virtual MMRESULT mixerClose(HMIXER hmx) = 0;
    virtual MMRESULT mixerGetLineInfoA(HMIXER hmx, MIXERLINEA* line, DWORD fdwInfo) = 0;
    virtual MMRESULT mixerGetLineControlsA(HMIXER hmx, MIXERLINECONTROLSA* controls,
                                           DWORD fdwControls) = 0;
    virtual MMRESULT mixerGetControlDetailsA(HMIXER hmx, MIXERCONTROLDETAILS* details,
                                             DWORD fdwDetails) = 0;
    virtual MMRESULT mixerSetControlDetails(HMIXER hmx, const MIXERCONTROLDETAILS* details,
                                            DWORD fdwDetails) = 0;
};

class SoundServer;
// The mixer on the program's connection to the sound server, which must outlive it.
std::unique_ptr<Mixer> MakePulseMixer(SoundServer& server);

// The handle's value as printed in messages.
inline unsigned HandleValue(HMIXER hmx) {
    return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(hmx));
}
inline HMIXER HandleOf(std::uintptr_t value) {
    return reinterpret_cast<HMIXER>(value);
}
