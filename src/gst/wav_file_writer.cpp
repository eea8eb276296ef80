#include "gst/wav_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace {

// RIFF header (12), a JUNK chunk that becomes "ds64" for RF64 (8 + 28), "fmt " (8 + 16),
// then the "data" chunk header (8).
constexpr std::size_t kHeaderSize = 80;
constexpr std::size_t kDataSizeOffset = 76;

class HeaderBytes {
  public:
    void Tag(std::size_t at, const char* tag) { std::memcpy(bytes_.data() + at, tag, 4); }
    void U16(std::size_t at, std::uint32_t value) { Put(at, value, 2); }
    void U32(std::size_t at, std::uint64_t value) { Put(at, value, 4); }
    void U64(std::size_t at, std::uint64_t value) { Put(at, value, 8); }
    const unsigned char* data() const { return bytes_.data(); }

  private:
    void Put(std::size_t at, std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes_[at + i] = static_cast<unsigned char>(value >> (8 * i));
    }
    std::array<unsigned char, kHeaderSize> bytes_{};
};

bool WriteAll(int fd, const void* data, std::size_t bytes, std::size_t* written) {
    const auto* at = static_cast<const char*>(data);
    *written = 0;
    while (*written < bytes) {
        const ssize_t n = ::write(fd, at + *written, bytes - *written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        *written += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

WavFileWriter::WavFileWriter(std::uint64_t classicDataLimit)
    : classicDataLimit_(classicDataLimit) {}

WavFileWriter::~WavFileWriter() {
    Finish();
}

bool WavFileWriter::Open(const std::string& path, int rate, int channels) {
    Finish();
    error_ = 0;
    dataBytes_ = 0;
    syncedBytes_ = 0;
    pending_.clear();
    rf64_ = false;
    rate_ = rate;
    channels_ = channels;
    blockAlign_ = channels * 2;
    byteRate_ = rate * blockAlign_;
    // Not blocking, so that a named pipe nobody reads fails at once instead of holding the
    // caller; writes to a regular file never block anyway.
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        error_ = errno = EINVAL;
        return false;
    }
    if (!WriteHeader() || ::lseek(fd_, kHeaderSize, SEEK_SET) < 0) {
        const int failure = errno;
        // What is there is no WAV (a full disk takes not even the header): it goes.
        ::unlink(path.c_str());
        ::close(fd_);
        fd_ = -1;
        error_ = errno = failure;
        return false;
    }
    return true;
}

bool WavFileWriter::Append(const void* data, std::size_t bytes) {
    if (fd_ < 0 || error_ != 0) return false;
    const auto* at = static_cast<const char*>(data);
    pending_.insert(pending_.end(), at, at + bytes);
    // Half a second of audio between header updates keeps the sizes within one second;
    // the classic format's limit turns the file into RF64 at once.
    const auto halfSecond = static_cast<std::size_t>(byteRate_ / 2);
    const bool becomesRf64 = !rf64_ && dataBytes_ + pending_.size() > classicDataLimit_;
    if (pending_.size() < halfSecond && !becomesRf64) return true;
    if (!Flush()) return false;
    const auto syncBytes = static_cast<std::uint64_t>(byteRate_) * kSyncSeconds;
    return dataBytes_ - syncedBytes_ < syncBytes || Sync();
}

bool WavFileWriter::Sync() {
    if (fd_ < 0) return false;
    if (error_ == 0 && !pending_.empty() && !Flush()) return false;
    if (!unsynced_) return true;
    if (::fdatasync(fd_) != 0) {
        if (error_ == 0) Fail(errno);
        return false;
    }
    unsynced_ = false;
    syncedBytes_ = dataBytes_;
    return true;
}

void WavFileWriter::Finish() {
    if (fd_ < 0) return;
    // The sizes are current after every flush; a failed write may have left them behind.
    if (error_ != 0) WriteHeader();
    Sync();
    ::close(fd_);
    fd_ = -1;
    pending_.clear();
}

bool WavFileWriter::Flush() {
    unsynced_ = true;
    std::size_t written = 0;
    const bool complete = WriteAll(fd_, pending_.data(), pending_.size(), &written);
    dataBytes_ += written - written % blockAlign_;
    pending_.clear();
    if (!complete) {
        Fail(errno);
        return false;
    }
    rf64_ = rf64_ || dataBytes_ > classicDataLimit_;
    if (!WriteHeader()) {
        Fail(errno);
        return false;
    }
    return true;
}

void WavFileWriter::Fail(int error) {
    error_ = error;
    // Whatever made it to disk stays readable: cut a partial frame, then fix the sizes.
    if (::ftruncate(fd_, static_cast<off_t>(kHeaderSize + dataBytes_)) == 0) WriteHeader();
}

bool WavFileWriter::WriteHeader() {
    unsynced_ = true;
    HeaderBytes header;
    const std::uint64_t riffSize = kHeaderSize - 8 + dataBytes_;
    header.Tag(0, rf64_ ? "RF64" : "RIFF");
    header.U32(4, rf64_ ? 0xFFFFFFFFull : riffSize);
    header.Tag(8, "WAVE");
    header.Tag(12, rf64_ ? "ds64" : "JUNK");
    header.U32(16, 28);
    if (rf64_) {
        header.U64(20, riffSize);
        header.U64(28, dataBytes_);
        header.U64(36, dataBytes_ / blockAlign_);
    }
    header.Tag(48, "fmt ");
    header.U32(52, 16);
    header.U16(56, 1);  // PCM
    header.U16(58, static_cast<std::uint32_t>(channels_));
    header.U32(60, static_cast<std::uint32_t>(rate_));
    header.U32(64, static_cast<std::uint32_t>(byteRate_));
    header.U16(68, static_cast<std::uint32_t>(blockAlign_));
    header.U16(70, 16);
    header.Tag(72, "data");
    header.U32(kDataSizeOffset, rf64_ ? 0xFFFFFFFFull : dataBytes_);
    const ssize_t written = ::pwrite(fd_, header.data(), kHeaderSize, 0);
    if (written == static_cast<ssize_t>(kHeaderSize)) return true;
    if (written >= 0) errno = ENOSPC;  // a short write: the disk took no more
    return false;
}
