#include "support/wav_reader.h"

#include <QFile>
#include <cmath>
#include <cstring>

namespace {

std::uint64_t Little(const QByteArray& bytes, qsizetype at, int size) {
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

}  // namespace

std::vector<double> WavContents::Channel0() const {
    std::vector<double> channel;
    for (std::size_t i = 0; i + channels <= samples.size(); i += channels)
        channel.push_back(samples[i] / 32768.0);
    return channel;
}

double WavContents::FirstSoundAt(double level) const {
    const std::vector<double> channel = Channel0();
    for (std::size_t i = 0; i < channel.size(); ++i) {
        if (std::abs(channel[i]) > level) return double(i) / rate;
    }
    return -1.0;
}

double WavContents::LastSoundAt(double level) const {
    const std::vector<double> channel = Channel0();
    for (std::size_t i = channel.size(); i-- > 0;) {
        if (std::abs(channel[i]) > level) return double(i) / rate;
    }
    return -1.0;
}

std::optional<WavContents> ReadWav(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || bytes.mid(8, 4) != "WAVE") return std::nullopt;
    WavContents wav;
    wav.rf64 = bytes.left(4) == "RF64";
    if (!wav.rf64 && bytes.left(4) != "RIFF") return std::nullopt;
    wav.riffSize = Little(bytes, 4, 4);
    std::uint64_t ds64Data = 0;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        std::uint64_t size = Little(bytes, at + 4, 4);
        const qsizetype body = at + 8;
        if (id == "ds64") {
            wav.riffSize = Little(bytes, body, 8);
            ds64Data = Little(bytes, body + 8, 8);
        } else if (id == "fmt ") {
            wav.format = int(Little(bytes, body, 2));
            wav.channels = int(Little(bytes, body + 2, 2));
            wav.rate = int(Little(bytes, body + 4, 4));
            wav.bitsPerSample = int(Little(bytes, body + 14, 2));
        } else if (id == "data") {
            if (wav.rf64 && size == 0xFFFFFFFFu) size = ds64Data;
            wav.declaredData = size;
            wav.dataOnDisk = std::uint64_t(bytes.size() - body);
            if (wav.format != 1 || wav.bitsPerSample != 16 || size > wav.dataOnDisk)
                return std::nullopt;
            wav.samples.resize(size / 2);
            if (!wav.samples.empty())
                std::memcpy(wav.samples.data(), bytes.constData() + body, wav.samples.size() * 2);
            return wav;
        }
        at = body + qsizetype(size + (size & 1));
    }
    return std::nullopt;
}
