#pragma once

// The playthrough benchmarks switch the program's playthrough on as the mixer's users do.

#include <vector>

#include "services/mixer.h"

// Turns the playthrough of the first mixer device on at full level.
inline bool StartPlaythrough(Mixer& mixer, HMIXER* handle) {
    if (mixer.mixerGetNumDevs() == 0 || mixer.mixerOpen(handle, 0, nullptr, 0) != MMSYSERR_NOERROR)
        return false;
    MIXERLINEA line;
    line.dwDestination = 0;
    line.dwSource = 0;
    if (mixer.mixerGetLineInfoA(*handle, &line, MIXER_GETLINEINFOF_SOURCE) != MMSYSERR_NOERROR)
        return false;
    std::vector<MIXERCONTROLA> controls(line.cControls);
    MIXERLINECONTROLSA request{line.dwLineID, 0, line.cControls, controls.data()};
    if (mixer.mixerGetLineControlsA(*handle, &request, MIXER_GETLINECONTROLSF_ALL) !=
        MMSYSERR_NOERROR)
        return false;
    for (const MIXERCONTROLA& control : controls) {
        DWORD value = control.dwControlType == MIXERCONTROL_CONTROLTYPE_MUTE ? 0 : 65535;
        MIXERCONTROLDETAILS details{control.dwControlID, 1, 0, sizeof(DWORD), &value};
        if (mixer.mixerSetControlDetails(*handle, &details, 0) != MMSYSERR_NOERROR) return false;
    }
    return true;
}
