// Dropouts of the microphone playthrough. A steady ramp is played into the feed of a
// microphone that the private sound server paces as a sound card would (the script plugs
// it in); two recorders listen, one on the microphone and one on the output mix, and every
// break in the ramp is a dropout: silence where the output ran dry, a jump where audio was
// lost. With --load a second process keeps both cores busy meanwhile, with --busy-window
// the window's thread is held up now and then; with --server-loopback the server's own
// loopback module, which the script loads, carries the microphone instead. Prints the
// dropouts a minute on the output mix beside those of the microphone itself, the reference.

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "playthrough_switch.h"
#include "pulse/sound_server.h"
#include "services/mixer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRate = 48000;
constexpr int kBlockFrames = kRate / 200;  // 5 ms
constexpr int kStep = 8;                   // the ramp's rise from sample to sample
constexpr int kPeriod = 4096;              // samples from the ramp's bottom to its top
constexpr int kSettleSeconds = 2;
// Breaks closer together than this are one dropout.
constexpr int kDropoutGapFrames = kRate / 20;
constexpr int kTurnSamples = 16;

std::int16_t RampAt(std::int64_t n) {
    return static_cast<std::int16_t>((n % kPeriod - kPeriod / 2) * kStep);
}

// Counts the breaks in the ramp a recorder hears.
class RampListener {
  public:
    explicit RampListener(const char* device) {
        recorder_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&recorder_, &QProcess::readyReadStandardOutput, [this] { Read(); });
        recorder_.start("parec", {"-d", device, "--raw", "--format=s16le", "--rate=48000",
                                  "--channels=1", "--latency-msec=20"});
    }
    ~RampListener() {
        recorder_.kill();
        recorder_.waitForFinished();
    }
    // From now on breaks count.
    void Arm() { armed_ = true; }
    int dropouts() const { return dropouts_; }
    // The share of the samples heard since Arm that carried the ramp.
    double heard() const { return armedSamples_ ? double(rampSamples_) / armedSamples_ : 0.0; }

  private:
    // Whether a sample continues the ramp. The servers may scale what they mix (a mono
    // stream mixed to stereo and back), so the rise is learnt from the ramp itself.
    bool Follows(std::int16_t sample) {
        if (rise_ <= 2) return false;
        // A resampler that follows drift may step a fraction of a sample: no sound is
        // lost there, while a lost sample moves the ramp by a whole rise.
        const int tolerance = std::max(2, rise_ / 3);
        const bool rises = std::abs(sample - previous_ - rise_) <= tolerance;
        if (turning_ == 0) {
            if (rises) {
                top_ = std::max<int>(top_, sample);
                return true;
            }
            // The ramp falls from its top to its bottom in one sample, which a resampler
            // smears over a dozen samples on either side: the turn is judged by where
            // the rise resumes.
            const bool nearTop = top_ > 1000 ? previous_ >= top_ - kTurnSamples * rise_
                                             : previous_ > 1000 && sample < previous_ - 1000;
            if (!nearTop) return false;
            turning_ = 1;
            return true;
        }
        // Resumed once it has risen steadily from near its bottom for a few samples.
        const bool fromBottom = sample < 0 && sample + top_ <= kTurnSamples * rise_;
        resumed_ = rises && fromBottom ? resumed_ + 1 : 0;
        if (resumed_ == 3) {
            turning_ = 0;
            resumed_ = 0;
            return true;
        }
        // Silence or a skip at the turn leaves the ramp anywhere but near its bottom.
        if (++turning_ <= 3 * kTurnSamples) return true;
        turning_ = 0;
        return false;
    }
    void Read() {
        pending_ += recorder_.readAllStandardOutput();
        const auto* samples = reinterpret_cast<const std::int16_t*>(pending_.constData());
        const int count = static_cast<int>(pending_.size() / 2);
        for (int i = 0; i < count; ++i) {
            const std::int16_t sample = samples[i];
            const bool follows = heard_ >= 2 && Follows(sample);
            if (armed_) {
                ++armedSamples_;
                if (follows) ++rampSamples_;
            }
            if (follows) {
                ++sinceBreak_;
            } else if (heard_ >= 2) {
                // A stretch of silence or noise is one dropout, however long.
                if (armed_ && sinceBreak_ > kDropoutGapFrames) ++dropouts_;
                sinceBreak_ = 0;
            }
            ++heard_;
            if (turning_ == 0) rise_ = sample - previous_;
            previous_ = sample;
        }
        pending_.remove(0, count * 2);
    }

    QProcess recorder_;
    QByteArray pending_;
    std::int64_t heard_ = 0;
    bool armed_ = false;
    std::int16_t previous_ = 0;
    int rise_ = 0;
    int top_ = 0;      // the highest the ramp has risen to
    int turning_ = 0;  // samples since the ramp began its fall from the top
    int resumed_ = 0;  // steady rises since then
    std::int64_t sinceBreak_ = kDropoutGapFrames + 1;
    std::int64_t armedSamples_ = 0;
    std::int64_t rampSamples_ = 0;
    int dropouts_ = 0;
};

// The ramp for the given number of seconds, as 16-bit samples.
QByteArray Ramp(int seconds) {
    QByteArray samples(seconds * kRate * 2, Qt::Uninitialized);
    auto* sample = reinterpret_cast<std::int16_t*>(samples.data());
    for (std::int64_t n = 0; n < std::int64_t{seconds} * kRate; ++n) sample[n] = RampAt(n);
    return samples;
}

[[noreturn]] void Spin() {
    for (std::atomic<std::uint64_t> turns{0};; turns.fetch_add(1, std::memory_order_relaxed)) {
    }
}

// Keeps every core busy until killed.
[[noreturn]] void Burn() {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 1; i < cores; ++i) std::thread(Spin).detach();
    Spin();
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    auto has = [&](const char* flag) {
        return std::find(arguments.begin(), arguments.end(), flag) != arguments.end();
    };
    if (has("--burn")) Burn();
    QCoreApplication application(argc, argv);
    const char* microphoneName = std::getenv("TARVELO_DROPOUT_MICROPHONE");
    if (!microphoneName || !std::getenv("PULSE_SERVER")) {
        std::fprintf(stderr,
                     "run benchmarks/playthrough_dropouts.sh: it starts the sound server\n");
        return 2;
    }
    const int seconds = std::getenv("TARVELO_DROPOUT_SECONDS")
                            ? std::atoi(std::getenv("TARVELO_DROPOUT_SECONDS"))
                            : 60;
    SoundServer server("playthrough-dropouts");
    auto mixer = MakePulseMixer(server);
    HMIXER handle = nullptr;
    const bool serverLoopback = has("--server-loopback");
    if (!serverLoopback && !StartPlaythrough(*mixer, &handle)) {
        std::fprintf(stderr, "no microphone mixer\n");
        return 1;
    }
    QProcess feeder;
    feeder.start("pacat", {"-d", QString(microphoneName) + "_feed", "--raw", "--format=s16le",
                           "--rate=48000", "--channels=1"});
    feeder.write(Ramp(kSettleSeconds + seconds + 2));
    feeder.closeWriteChannel();
    RampListener microphone(microphoneName);
    RampListener mix("speakers.monitor");
    QProcess load;
    if (has("--load")) load.start(QCoreApplication::applicationFilePath(), {"--burn"});
    // With --busy-window the window's thread is held up a tenth of every second, as a
    // recording's start or a video's drawing holds it up.
    QTimer busy;
    busy.callOnTimeout([] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); });
    if (has("--busy-window")) busy.start(1000);
    QTimer::singleShot(kSettleSeconds * 1000, [&] {
        microphone.Arm();
        mix.Arm();
    });
    QTimer::singleShot((kSettleSeconds + seconds) * 1000, &application, &QCoreApplication::quit);
    application.exec();
    load.kill();
    load.waitForFinished();
    feeder.kill();
    feeder.waitForFinished();

    const double minutes = seconds / 60.0;
    std::printf("Playthrough dropouts%s%s, %d s\n", has("--load") ? ", both cores busy" : "",
                has("--busy-window") ? ", the window's thread held up 100 ms a second" : "",
                seconds);
    std::printf("%-12s %8.1f a minute, the voice heard %5.1f %% of the time%s\n",
                serverLoopback ? "loopback" : "output mix", mix.dropouts() / minutes,
                100 * mix.heard(), serverLoopback ? " (reference)" : "");
    std::printf("%-12s %8.1f a minute, the voice heard %5.1f %% of the time (reference)\n",
                "microphone", microphone.dropouts() / minutes, 100 * microphone.heard());
    return 0;
}
