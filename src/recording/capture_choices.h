#pragma once

// The capture choices shared by the device lists and the main window's start-up and
// shutdown; one set per process.
struct CaptureChoices {
    int captureDeviceCount = 0;
    int nSoundCaptureIndex = 0;
    int nCapturePinIndex = 0;
    int nSearchFlag = 0;
};
