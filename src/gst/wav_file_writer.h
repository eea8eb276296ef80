#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Writes 16-bit PCM into a WAV file that is valid at every moment: the header's sizes
// are rewritten at least twice a second of audio, and never claim more than the data on
// disk, so a process killed mid-recording leaves a readable file; every few seconds of
// audio, and at the end, the file is put on the disk itself, so that a power cut loses
// little more. Data past the classic format's 4 GiB limit turns the file into RF64 (the
// header reserves room).
class WavFileWriter {
  public:
    static constexpr std::uint64_t kClassicDataLimit = 0xFFFFFFFFull - 72;

    explicit WavFileWriter(std::uint64_t classicDataLimit = kClassicDataLimit);
    ~WavFileWriter();
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    static constexpr int kSyncSeconds = 5;

    // Creates (or truncates) a regular file and writes an empty WAV. False with errno set,
    // and then no file is left where none could be written.
    bool Open(const std::string& path, int rate, int channels);
    // Appends whole frames; false once a write has failed (see error()). Data reaches the
    // file in blocks of up to half a second, each followed by the header's new sizes, and
    // the disk every kSyncSeconds of audio.
    bool Append(const void* data, std::size_t bytes);
    // Puts everything appended so far on the disk; false when that fails.
    bool Sync();
    // Writes the final sizes, puts the file on the disk and closes it; safe to call more
    // than once.
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
    std::uint64_t dataBytes_ = 0;    // in the file
    std::uint64_t syncedBytes_ = 0;  // of those, put on the disk
    bool unsynced_ = false;          // written since the last sync
    std::vector<char> pending_;      // appended, not yet in the file
    bool rf64_ = false;
};
