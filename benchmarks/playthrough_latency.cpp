// Playthrough latency from the microphone to the output mix. Clicks are played into the
// feed of a microphone that the private sound server paces as a sound card would (the
// script plugs it in); two recorders listen, one on the microphone itself and one on the
// monitor of the output, and each click's delay is the time between its arrival in the
// two. Prints the median and the worst of the clicks beside the reference figures.
#include <cstdio>

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "figures.h"
#include "playthrough_switch.h"
#include "pulse/sound_server.h"
#include "services/mixer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRate = 48000;
constexpr int kBlockFrames = kRate / 200;  // 5 ms
constexpr int kClicks = 20;
constexpr int kBlocksBetweenClicks = 100;  // 500 ms
constexpr int kWarmUpBlocks = 200;
constexpr double kAimMs = 20;
constexpr double kGamesBestMs = 60;
constexpr double kGamesWorstMs = 190;

// Finds the start of each click in a stream of mono 16-bit samples.
class ClickDetector {
  public:
    explicit ClickDetector(const char* device) {
        recorder_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&recorder_, &QProcess::readyReadStandardOutput, [this] { Read(); });
        recorder_.start("parec", {"-d", device, "--raw", "--format=s16le", "--rate=48000",
                                  "--channels=1", "--latency-msec=1"});
    }
    ~ClickDetector() {
        recorder_.kill();
        recorder_.waitForFinished();
    }
    const std::vector<Clock::time_point>& clicks() const { return clicks_; }

  private:
    void Read() {
        const Clock::time_point now = Clock::now();
        pending_ += recorder_.readAllStandardOutput();
        const auto* samples = reinterpret_cast<const std::int16_t*>(pending_.constData());
        const int count = static_cast<int>(pending_.size() / 2);
        for (int i = 0; i < count; ++i) {
            if (std::abs(samples[i]) > 8000) {
                if (quietFrames_ > kRate / 10) clicks_.push_back(now);
                quietFrames_ = 0;
            } else {
                ++quietFrames_;
            }
        }
        pending_.remove(0, count * 2);
    }

    QProcess recorder_;
    QByteArray pending_;
    int quietFrames_ = 0;
    std::vector<Clock::time_point> clicks_;
};

// Plays silence with a 1 ms click every 500 ms into the microphone's feed, paced by the
// clock so the player never holds more than a block or two.
void Feed(const std::string& microphone, std::atomic<bool>& stop,
          std::vector<Clock::time_point>& fed) {
    const std::string player = "pacat -d " + microphone +
                               "_feed --raw --format=s16le --rate=48000 --channels=1 "
                               "--latency-msec=10";
    FILE* feed = popen(player.c_str(), "w");
    if (!feed) return;
    std::vector<std::int16_t> block(kBlockFrames);
    Clock::time_point next = Clock::now();
    for (int n = 0; !stop && n < kWarmUpBlocks + kClicks * kBlocksBetweenClicks + kWarmUpBlocks;
         ++n) {
        std::fill(block.begin(), block.end(), 0);
        const bool click = n >= kWarmUpBlocks && (n - kWarmUpBlocks) % kBlocksBetweenClicks == 0;
        if (click) std::fill_n(block.begin(), kRate / 1000, 20000);
        if (std::fwrite(block.data(), 2, block.size(), feed) != block.size() ||
            std::fflush(feed) != 0)
            break;
        if (click) fed.push_back(Clock::now());
        next += std::chrono::milliseconds(5);
        std::this_thread::sleep_until(next);
    }
    pclose(feed);
}

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Each click heard later belongs to the last one heard earlier before it; an echo of one
// already matched is not another click. Sorted delays in milliseconds.
std::vector<double> Delays(const std::vector<Clock::time_point>& earlier,
                           const std::vector<Clock::time_point>& later) {
    std::vector<double> delays;
    auto matched = earlier.rend();
    for (const Clock::time_point heard : later) {
        const auto before = std::find_if(earlier.rbegin(), earlier.rend(),
                                         [&](Clock::time_point at) { return at <= heard; });
        if (before == earlier.rend() || before == matched ||
            heard - *before >= std::chrono::milliseconds(400))
            continue;
        matched = before;
        delays.push_back(Milliseconds(heard - *before));
    }
    std::sort(delays.begin(), delays.end());
    return delays;
}

double Worst(const std::vector<double>& delays) {
    return delays.empty() ? NAN : delays.back();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const char* microphoneName = std::getenv("TARVELO_PLAYTHROUGH_MICROPHONE");
    if (!microphoneName || !std::getenv("PULSE_SERVER")) {
        std::fprintf(stderr, "run benchmarks/playthrough_latency.sh: it starts the sound server\n");
        return 2;
    }
    SoundServer server("playthrough-benchmark");
    auto mixer = MakePulseMixer(server);
    HMIXER handle = nullptr;
    // With --server-loopback the server's own loopback module, loaded by the script,
    // carries the microphone instead: the reference for what the server allows.
    const bool serverLoopback = argc > 1 && std::string(argv[1]) == "--server-loopback";
    if (!serverLoopback && !StartPlaythrough(*mixer, &handle)) {
        std::fprintf(stderr, "no microphone mixer\n");
        return 1;
    }
    ClickDetector microphone(microphoneName);
    ClickDetector mix("speakers.monitor");
    std::atomic<bool> stop{false};
    std::vector<Clock::time_point> fed;
    std::thread feeder(Feed, std::string(microphoneName), std::ref(stop), std::ref(fed));
    QTimer::singleShot((kClicks + 3) * 500 + 2000, &application, &QCoreApplication::quit);
    application.exec();
    stop = true;
    feeder.join();

    const std::vector<double> delays = Delays(microphone.clicks(), mix.clicks());
    const std::vector<double> fromFeed = Delays(fed, mix.clicks());
    const std::vector<double> fedToMicrophone = Delays(fed, microphone.clicks());
    if (delays.empty()) {
        std::fprintf(stderr, "no click reached the output mix\n");
        return 1;
    }
    const double median = Median(delays);
    const double worst = Worst(delays);
    std::printf("%s, microphone to output mix (%zu clicks heard, %d fed)\n",
                serverLoopback ? "Server loopback module" : "Playthrough latency", delays.size(),
                kClicks);
    std::printf("%-8s %10s %16s %8s\n", "", "measured", "reference", "ratio");
    std::printf("%-8s %7.1f ms %11.0f ms aim %8.2f\n", "median", median, kAimMs, median / kAimMs);
    std::printf("%-8s %7.1f ms %11.0f ms aim %8.2f\n", "worst", worst, kAimMs, worst / kAimMs);
    std::printf("%-8s %7.1f ms %8.0f-%.0f ms games %5.2f-%.2f\n", "median", median, kGamesBestMs,
                kGamesWorstMs, median / kGamesBestMs, median / kGamesWorstMs);
    std::printf(
        "For comparison: fed to heard at the microphone %.1f ms median, "
        "%.1f ms worst; to heard in the mix %.1f ms median, %.1f ms worst.\n",
        Median(fedToMicrophone), Worst(fedToMicrophone), Median(fromFeed), Worst(fromFeed));
    return 0;
}
