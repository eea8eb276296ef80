#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// A WAV or RF64 file as a reader that trusts its header sees it.
struct WavContents {
    bool rf64 = false;
    int format = 0;  // 1 = PCM
    int channels = 0;
    int rate = 0;
    int bitsPerSample = 0;
    std::uint64_t riffSize = 0;         // as declared (from ds64 for RF64)
    std::uint64_t declaredData = 0;     // data size the header declares
    std::uint64_t dataOnDisk = 0;       // bytes after the data chunk's header
    std::vector<std::int16_t> samples;  // the declared data, interleaved

    double seconds() const {
        return rate && channels ? double(declaredData) / (rate * channels * 2) : 0.0;
    }
    // The first channel alone.
    std::vector<double> Channel0() const;
    // Seconds from the start to the first and to the last sample louder than level
    // (a fraction of full scale); -1 when there is none.
    double FirstSoundAt(double level) const;
    double LastSoundAt(double level) const;
};

// Nothing when the file is not a readable 16-bit PCM WAV whose declared data is on disk.
std::optional<WavContents> ReadWav(const QString& path);
