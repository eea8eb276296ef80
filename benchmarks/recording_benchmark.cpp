// Figures of the recording path on the sound server named by PULSE_SERVER (the private
// one of scripts/lib/sound_rig.sh), each beside its reference:
//   - CPU time per minute of recording, against gst-launch-1.0 pulsesrc ! wavenc !
//     filesink on the same source at the same time.
// The times from Start to the first captured sample and to the song's onset in the file
// are tarvelo_start_benchmark's.
// Usage: tarvelo_recording_benchmark [seconds of recording, default 30] [record probe,
// default the tests' tarvelo_record_probe of the same build]
#include <sys/resource.h>
#include <sys/wait.h>

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "figures.h"

namespace {

constexpr char kInput[] = "Speakers - output mix";
constexpr char kSource[] = "speakers.monitor";

double ChildCpuSeconds(pid_t pid) {
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return NAN;
    return CpuSecondsOf(usage);
}

pid_t Spawn(const std::vector<std::string>& arguments) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    freopen("/dev/null", "w", stdout);
    execvp(argv[0], argv.data());
    _exit(127);
}

struct SideBySideCpu {
    double ours;
    double reference;
};

// Both recorders run side by side on the same source for the same time.
SideBySideCpu RecordSideBySide(const std::string& probe, int seconds, const QTemporaryDir& folder) {
    const std::string ours = folder.filePath("ours.wav").toStdString();
    const std::string reference = folder.filePath("reference.wav").toStdString();
    const pid_t oursPid = Spawn({probe, ours, kInput, std::to_string(seconds)});
    const pid_t referencePid =
        Spawn({"gst-launch-1.0", "-q", "-e", "pulsesrc", std::string("device=") + kSource, "!",
               "wavenc", "!", "filesink", "location=" + reference});
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    kill(referencePid, SIGINT);
    return {ChildCpuSeconds(oursPid), ChildCpuSeconds(referencePid)};
}

// Per minute of recording: the difference between a long and a short run, so that
// neither process's start-up counts.
void CompareCpu(const std::string& probe, int seconds, const QTemporaryDir& folder) {
    const int shortSeconds = std::max(2, seconds / 4);
    const SideBySideCpu longRun = RecordSideBySide(probe, seconds, folder);
    const SideBySideCpu shortRun = RecordSideBySide(probe, shortSeconds, folder);
    const double perMinute = 60.0 / (seconds - shortSeconds);
    const double ours = (longRun.ours - shortRun.ours) * perMinute;
    const double reference = (longRun.reference - shortRun.reference) * perMinute;
    std::printf("CPU per minute of recording   %8.3f s   reference %8.3f s   ratio %5.2f\n", ours,
                reference, ours / reference);
    std::printf("  whole runs of %d s: ours %.3f s, reference %.3f s of CPU\n", seconds,
                longRun.ours, longRun.reference);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);  // the player needs widgets, not a screen
    QApplication application(argc, argv);
    if (!std::getenv("PULSE_SERVER")) {
        std::fprintf(stderr, "%s: needs a sound server in PULSE_SERVER (scripts/benchmark)\n",
                     argv[0]);
        return 2;
    }
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const std::string probe =
        argc > 2 ? argv[2]
                 : (QCoreApplication::applicationDirPath() + "/../tests/tarvelo_record_probe")
                       .toStdString();
    QTemporaryDir folder;
    CompareCpu(probe, seconds, folder);
    return 0;
}
