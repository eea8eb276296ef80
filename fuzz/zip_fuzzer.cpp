#include <sys/mman.h>
#include <unistd.h>

#include <QBuffer>
#include <cstddef>
#include <cstdint>

#include "karaoke/zip_archive.h"

namespace {

// The input as a file in memory, which the reader opens by its path like any archive.
class MemoryFile {
  public:
    MemoryFile() : fd_(::memfd_create("archive", MFD_CLOEXEC)) {}
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    QString Holding(const std::uint8_t* data, std::size_t size) {
        if (::ftruncate(fd_, 0) != 0 ||
            ::pwrite(fd_, data, size, 0) != static_cast<ssize_t>(size)) {
            return {};
        }
        return QStringLiteral("/proc/self/fd/%1").arg(fd_);
    }

  private:
    int fd_;
};

}  // namespace

// Reads the input as a zip archive and extracts each of its members into memory.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile file;
    const QString path = file.Holding(data, size);
    if (path.isEmpty()) return 0;
    const auto archive = ZipArchive::Open(path);
    if (!archive) return 0;
    for (const ZipEntry& entry : archive->Entries()) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        archive->Extract(entry, out, 1 << 20);
    }
    return 0;
}
