// Records one input, of the first capture device that has it, through the program's
// recording graph, while it plays a song when given one:
//   tarvelo_record_probe <output.wav> <input name> [seconds] [song]
// It prints "recording" once the graph runs, and stops after the given seconds, or
// never without them or with 0 (for tests that kill it).
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "capture/capture_system.h"
#include "gst/gst_playback_pipeline.h"
#include "pulse/sound_server.h"

namespace {

std::shared_ptr<Pin> FindPin(MediaFilter& filter, PinDirection wanted, const QString& name) {
    std::shared_ptr<PinEnumerator> pins;
    if (FAILED(filter.EnumPins(&pins))) return nullptr;
    std::shared_ptr<Pin> pin;
    while (pins->Next(&pin) == S_OK) {
        PinDirection direction;
        QString pinName;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted &&
            SUCCEEDED(pin->QueryPinInfo(&pinName)) && (name.isEmpty() || pinName == name))
            return pin;
    }
    return nullptr;
}

int Fail(const char* what) {
    std::fprintf(stderr, "record probe: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc < 3) return Fail("usage: tarvelo_record_probe <output.wav> <input name> [seconds]");
    SoundServer server("tarvelo-record-probe");
    const auto capture = MakeCaptureSystem(server);
    // The song and the microphone's voice go to files of their own.
    capture->SetVoiceTiming({0, true});

    std::shared_ptr<DeviceEnumerator> enumerator;
    std::shared_ptr<MonikerEnumerator> devices;
    std::shared_ptr<DeviceMoniker> device;
    std::shared_ptr<MediaFilter> captureFilter;
    if (FAILED(capture->CreateDeviceEnumerator(&enumerator)) ||
        enumerator->CreateClassEnumerator(&devices) != S_OK)
        return Fail("no capture device");
    std::shared_ptr<Pin> input;
    while (!input && devices->Next(&device) == S_OK) {
        if (SUCCEEDED(device->BindToObject(&captureFilter)))
            input = FindPin(*captureFilter, PinDirection::Input, QString::fromLocal8Bit(argv[2]));
    }
    if (!input || !input->QueryAudioInputMixer()) return Fail("no such input");
    input->QueryAudioInputMixer()->put_Enable(true);

    std::shared_ptr<FilterGraph> graph;
    std::shared_ptr<MediaFilter> wavDest;
    std::shared_ptr<FileSinkFilter> fileWriter;
    std::shared_ptr<CaptureControl> control;
    if (FAILED(capture->CreateFilterGraph(&graph)) || FAILED(capture->CreateWavDest(&wavDest)) ||
        FAILED(capture->CreateFileWriter(&fileWriter)) ||
        FAILED(graph->AddFilter(captureFilter, "Audio Capture")) ||
        FAILED(graph->AddFilter(wavDest, "WAV Dest")) ||
        FAILED(graph->AddFilter(fileWriter, "File Writer")) ||
        FAILED(fileWriter->SetFileName(QString::fromLocal8Bit(argv[1]))) ||
        FAILED(graph->Render(FindPin(*captureFilter, PinDirection::Output, QString()))) ||
        FAILED(graph->QueryMediaControl(&control)) || FAILED(control->Run()))
        return Fail("the recording did not start");
    GstPlaybackPipeline song;
    if (argc > 4 && (!song.open(QString::fromLocal8Bit(argv[4])) || !song.play()))
        return Fail("the song does not play");
    std::printf("recording\n");
    std::fflush(stdout);
    if (argc > 3 && QString(argv[3]).toDouble() > 0) {
        QTimer::singleShot(static_cast<int>(QString(argv[3]).toDouble() * 1000), &application, [&] {
            control->StopWhenReady();
            application.quit();
        });
    }
    return application.exec();
}
