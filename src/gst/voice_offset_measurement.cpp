#include "gst/voice_offset_measurement.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "desktop/event_loop_wait.h"
#include "gst/gst_playback_pipeline.h"
#include "gst/wav_file_writer.h"

namespace {

constexpr int kRate = 48000;
constexpr int kClicks = 5;
constexpr double kFirstClick = 0.3;
// Wide enough that no click's echo falls in the search of the next.
constexpr double kClickSpacing = 0.8;
constexpr double kClickLevel = 0.8;
// The offsets a singer may give: the search for each click's echo stays within them.
constexpr double kSearch = 0.3;
// Quieter than this, a click was not heard.
constexpr double kHeardLevel = 0.01;
constexpr int kPlayBoundMs = 8000;
// The voice of the last click still on its way when the clicks end.
constexpr auto kTail = std::chrono::milliseconds(500);
// The header the program's WAV writer puts before the samples.
constexpr qint64 kHeaderBytes = 80;

double ClickTime(int k) {
    return kFirstClick + k * kClickSpacing;
}

bool WriteClicks(const QString& path) {
    const double seconds = ClickTime(kClicks - 1) + 0.5;
    std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds * kRate) * 2, 0);
    for (int k = 0; k < kClicks; ++k) {
        const auto first = static_cast<std::size_t>(ClickTime(k) * kRate);
        // A millisecond of 3 kHz: sharp, and through any loudspeaker.
        for (std::size_t i = 0; i < kRate / 1000; ++i) {
            const auto value = static_cast<std::int16_t>(
                32767 * kClickLevel * std::sin(2 * M_PI * 3000.0 * double(i) / kRate));
            samples[(first + i) * 2] = samples[(first + i) * 2 + 1] = value;
        }
    }
    WavFileWriter writer;
    const bool written = writer.Open(path.toStdString(), kRate, 2) &&
                         writer.Append(samples.data(), samples.size() * 2);
    writer.Finish();
    return written;
}

std::vector<double> ReadVoice(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() <= kHeaderBytes) return {};
    file.seek(kHeaderBytes);
    const QByteArray data = file.readAll();
    std::vector<double> voice(static_cast<std::size_t>(data.size()) / 2);
    for (std::size_t i = 0; i < voice.size(); ++i) {
        std::int16_t sample;
        std::memcpy(&sample, data.constData() + i * 2, 2);
        voice[i] = sample / 32768.0;
    }
    return voice;
}

// How late the voice's echo of a click starts: its first sample above a third of its peak.
std::optional<double> EchoDelay(const std::vector<double>& voice, int rate, double click) {
    const auto from = static_cast<std::size_t>(std::max(0.0, click - kSearch) * rate);
    const auto to = std::min(voice.size(), static_cast<std::size_t>((click + kSearch) * rate));
    double peak = 0;
    for (std::size_t i = from; i < to; ++i) peak = std::max(peak, std::abs(voice[i]));
    if (peak < kHeardLevel) return std::nullopt;
    for (std::size_t i = from; i < to; ++i)
        if (std::abs(voice[i]) > peak / 3) return double(i) / rate - click;
    return std::nullopt;
}

}  // namespace

std::optional<int> MeasureVoiceOffsetMs(const WavRecording::Source& microphone) {
    QTemporaryDir folder;
    const QString clicks = folder.filePath("clicks.wav");
    const QString take = folder.filePath("take.wav");
    const QString voicePath = folder.filePath("voice.wav");
    if (!folder.isValid() || !WriteClicks(clicks)) return std::nullopt;
    GstPlaybackPipeline player;
    if (!player.open(clicks)) return std::nullopt;
    std::atomic<bool> ended{false};
    QObject::connect(&player, &GstPlaybackPipeline::endOfStream, [&ended] { ended = true; });
    const std::unique_ptr<WavRecording> recording =
        MakeAlignedRecording(microphone, take, {std::chrono::milliseconds(0), voicePath, {}}, {});
    if (FAILED(recording->Start(3000, 0))) return std::nullopt;
    player.play();
    RunEventLoopUntil([&] { return ended.load(); }, kPlayBoundMs,
                      QEventLoop::ExcludeUserInputEvents);
    std::this_thread::sleep_for(kTail);
    recording->StopWhenReady(0);
    player.pause();

    const std::vector<double> voice = ReadVoice(voicePath);
    std::vector<double> delays;
    for (int k = 0; k < kClicks; ++k)
        if (const auto delay = EchoDelay(voice, kRate, ClickTime(k))) delays.push_back(*delay);
    // Most clicks must be heard, or what was heard was something else.
    if (delays.size() * 2 <= kClicks) return std::nullopt;
    std::nth_element(delays.begin(), delays.begin() + delays.size() / 2, delays.end());
    return static_cast<int>(std::lround(delays[delays.size() / 2] * 1000));
}
