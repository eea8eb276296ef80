#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/main_dialog.h"
#include "core/settings_store.h"
#include "fakes/fake_platform.h"
#include "gst/wav_file_writer.h"

class SoundServer;

struct MainDialogOptions {
    // No input hint and a sound card with a microphone mixer: start-up shows no box.
    bool quiet = false;
    // The real sound server and recording graph instead of the capture fakes.
    bool realCapture = false;
    // GStreamer's playback graphs instead of the fakes.
    bool realPlayback = false;
};

// The main window on fake services (or some real ones, as the options say), built and
// started the way the program does it; every fake records what it was asked.
class MainDialogFixture {
  public:
    explicit MainDialogFixture(MainDialogOptions options = {});

    // The window as constructed, before its start-up.
    MainDialog& Create();
    // The window after its start-up sequence.
    MainDialog& Start();
    // Start, then forgets the boxes start-up showed and the values it stored.
    MainDialog& StartAndForget();

    // The real capture side on the shared sound-server connection; a file past
    // classicDataLimit bytes of data continues as RF64.
    SoundServer& UseRealCapture(std::uint64_t classicDataLimit = WavFileWriter::kClassicDataLimit);

    FakeWindowTimers& timers() const { return *fake.timers.back(); }
    FakeCaptureGraph& graph() const { return *fake.capture->graph(); }
    void Store(const char* name, int value);
    // The mix of the output the song plays on as the stored choice, as a user who records
    // what the computer plays has it (a first run chooses the song and the microphone).
    void StoreSongOutputMixChoice();
    // An "Option" value as a number; 0 when unset.
    int Stored(const char* name) const;
    std::optional<QString> Stored(const QString& section, const QString& name) const;
    // The texts of every box shown, in order; and the boxes shown under a caption.
    std::vector<QString> MessageTexts() const;
    std::vector<ShownMessage> Shown(const QString& caption) const;
    // Delivers the events posted so far, as the event loop would.
    static void Deliver();

    FakePlatform fake;
    SettingsStore settings{*fake.platform.settings};
    std::unique_ptr<MainDialog> dialog;
};
