#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Writes 16-bit PCM into a WAV file that is valid at every moment: the header's sizes
// are rewritten at least twice a second of audio, and never claim more than the data on
// disk, so a process killed mid-recording leaves a readable file. Data past the
// classic format's 4 GiB limit turns the file into RF64 (the header reserves room).
class WavFileWriter {
  public:
    static constexpr std::uint64_t kClassicDataLimit = 0xFFFFFFFFull - 72;

    explicit WavFileWriter(std::uint64_t classicDataLimit = kClassicDataLimit);
    ~WavFileWriter();
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // Creates (or truncates) the file and writes an empty WAV. False with errno set.
    bool Open(const std::string& path, int rate, int channels);
    // Appends whole frames; false once a write has failed (see error()). Data reaches the
    // disk in blocks of up to half a second, each followed by the header's new sizes.
    bool Append(const void* data, std::size_t bytes);
    // Writes the final sizes and closes the file; safe to call more than once.
    void Finish();

    bool isOpen() const { return fd_ >= 0; }
    int error() const { return error_; }  // errno of the first failure, 0 if none
    std::uint64_t dataBytes() const { return dataBytes_ + pending_.size(); }
    bool isRf64() const { return rf64_; }

  private:
    bool Flush();
    bool WriteHeader();
    void Fail(int error);

    std::uint64_t classicDataLimit_;
    int fd_ = -1;
    int error_ = 0;
    int blockAlign_ = 2;
    int byteRate_ = 0;
    int rate_ = 0;
    int channels_ = 0;
    std::uint64_t dataBytes_ = 0;  // on disk
    std::vector<char> pending_;    // appended, not yet on disk
    bool rf64_ = false;
};
