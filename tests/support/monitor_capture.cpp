#include "support/monitor_capture.h"

#include <QProcess>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kRate = 48000;
constexpr int kFrameBytes = 4;  // two 16-bit channels
constexpr int kSkipMs = 100;

}  // namespace

bool HaveSoundServer() {
    return std::getenv("PULSE_SERVER") != nullptr;
}

std::optional<CapturedOutput> CaptureOutput(int ms) {
    QProcess parec;
    parec.start("parec", {"--device=speakers.monitor", "--raw", "--format=s16le", "--rate=48000",
                          "--channels=2", "--latency-msec=20"});
    if (!parec.waitForStarted(5000)) return std::nullopt;
    const qint64 wanted = static_cast<qint64>(kRate) * (ms + kSkipMs) / 1000 * kFrameBytes;
    QByteArray data;
    while (data.size() < wanted && parec.waitForReadyRead(5000)) data += parec.readAll();
    // Asked to end, parec leaves the server as it found it.
    parec.terminate();
    if (!parec.waitForFinished(5000)) parec.kill();
    if (data.size() < wanted) return std::nullopt;

    const qint64 skip = static_cast<qint64>(kRate) * kSkipMs / 1000 * kFrameBytes;
    const qint64 frames = (wanted - skip) / kFrameBytes;
    CapturedOutput output;
    for (qint64 i = 0; i < frames; ++i) {
        std::int16_t sample[2];
        std::memcpy(sample, data.constData() + skip + i * kFrameBytes, sizeof sample);
        output.left.push_back(sample[0] / 32768.0);
        output.right.push_back(sample[1] / 32768.0);
    }
    return output;
}

std::optional<ChannelLevels> CaptureOutputLevels(int ms) {
    const std::optional<CapturedOutput> output = CaptureOutput(ms);
    if (!output) return std::nullopt;
    const auto rms = [](const std::vector<double>& samples) {
        double sum = 0;
        for (double sample : samples) sum += sample * sample;
        return std::sqrt(sum / static_cast<double>(samples.size()));
    };
    return ChannelLevels{rms(output->left), rms(output->right)};
}
