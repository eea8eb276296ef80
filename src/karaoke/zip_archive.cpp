#include "karaoke/zip_archive.h"

#include <zlib.h>
#include <QFile>

#include "karaoke/byte_reader.h"
#include "karaoke/legacy_text.h"

namespace {

constexpr std::uint32_t kEndOfDirectorySignature = 0x06054b50;
constexpr std::uint32_t kDirectoryEntrySignature = 0x02014b50;
constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr qint64 kEndOfDirectorySize = 22;
constexpr qint64 kMaxCommentSize = 0xFFFF;
constexpr qint64 kMaxDirectorySize = 16 * 1024 * 1024;
constexpr qint64 kLocalHeaderSize = 30;
constexpr std::uint16_t kEncrypted = 0x0001;
constexpr std::uint16_t kUtf8Name = 0x0800;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr qint64 kChunk = 64 * 1024;

struct Directory {
    qint64 offset = 0;
    qint64 size = 0;
};

std::optional<Directory> FindDirectory(QFile& file) {
    const qint64 tailSize = std::min(file.size(), kEndOfDirectorySize + kMaxCommentSize);
    if (tailSize < kEndOfDirectorySize || !file.seek(file.size() - tailSize)) return std::nullopt;
    const QByteArray tail = file.read(tailSize);
    for (qint64 at = tail.size() - kEndOfDirectorySize; at >= 0; --at) {
        ByteReader reader(QByteArrayView(tail).sliced(at));
        if (reader.U32LittleEndian() != kEndOfDirectorySignature) continue;
        const auto disk = reader.U16LittleEndian();
        const auto directoryDisk = reader.U16LittleEndian();
        reader.Skip(4);  // entry counts: the directory itself says how many it holds
        const auto size = reader.U32LittleEndian();
        const auto offset = reader.U32LittleEndian();
        const qint64 endOffset = file.size() - tailSize + at;
        if (*disk != 0 || *directoryDisk != 0 || *size > kMaxDirectorySize ||
            static_cast<qint64>(*offset) + *size > endOffset) {
            return std::nullopt;
        }
        return Directory{*offset, *size};
    }
    return std::nullopt;
}

std::optional<ZipEntry> ReadDirectoryEntry(ByteReader& reader) {
    if (reader.U32LittleEndian() != kDirectoryEntrySignature || !reader.Skip(4))
        return std::nullopt;
    ZipEntry entry;
    const auto flags = reader.U16LittleEndian();
    const auto method = reader.U16LittleEndian();
    reader.Skip(4);  // modification time and date
    const auto crc = reader.U32LittleEndian();
    const auto compressed = reader.U32LittleEndian();
    const auto size = reader.U32LittleEndian();
    const auto nameLength = reader.U16LittleEndian();
    const auto extraLength = reader.U16LittleEndian();
    const auto commentLength = reader.U16LittleEndian();
    reader.Skip(8);  // disk, attributes
    const auto offset = reader.U32LittleEndian();
    if (!offset) return std::nullopt;
    const auto name = reader.Bytes(*nameLength);
    if (!name || !reader.Skip(*extraLength + *commentLength)) return std::nullopt;
    entry.flags = *flags;
    entry.method = *method;
    entry.crc = *crc;
    entry.compressedSize = *compressed;
    entry.size = *size;
    entry.localHeaderOffset = *offset;
    entry.name = (*flags & kUtf8Name) ? QString::fromUtf8(*name) : DecodeLegacyText(*name);
    return entry;
}

// Where the member's data begins, past its local header.
std::optional<qint64> DataOffset(QFile& file, const ZipEntry& entry) {
    if (!file.seek(entry.localHeaderOffset)) return std::nullopt;
    const QByteArray header = file.read(kLocalHeaderSize);
    ByteReader reader(header);
    if (reader.U32LittleEndian() != kLocalHeaderSignature || !reader.Skip(22)) return std::nullopt;
    const auto nameLength = reader.U16LittleEndian();
    const auto extraLength = reader.U16LittleEndian();
    if (!extraLength) return std::nullopt;
    return entry.localHeaderOffset + kLocalHeaderSize + *nameLength + *extraLength;
}

class Inflater {
  public:
    Inflater() { ready = inflateInit2(&stream, -MAX_WBITS) == Z_OK; }
    ~Inflater() {
        if (ready) inflateEnd(&stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ready = false;
    z_stream stream{};
};

// Copies or inflates the member's compressed bytes from file to out, checking its CRC.
bool Decode(QFile& file, const ZipEntry& entry, QIODevice& out) {
    Inflater inflater;
    if (entry.method == kDeflated && !inflater.ready) return false;
    qint64 remainingInput = entry.compressedSize;
    qint64 written = 0;
    uLong crc = crc32(0, nullptr, 0);
    bool finished = entry.method == kStored && entry.size == 0;
    QByteArray output(kChunk, Qt::Uninitialized);
    const auto deliver = [&](const char* data, qint64 count) {
        written += count;
        if (written > entry.size) return false;
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(count));
        return out.write(data, count) == count;
    };
    while (!finished && remainingInput > 0) {
        const QByteArray input = file.read(std::min(remainingInput, kChunk));
        if (input.isEmpty()) return false;
        remainingInput -= input.size();
        if (entry.method == kStored) {
            if (!deliver(input.constData(), input.size())) return false;
            finished = remainingInput == 0;
            continue;
        }
        z_stream& z = inflater.stream;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.constData()));
        z.avail_in = static_cast<uInt>(input.size());
        do {
            z.next_out = reinterpret_cast<Bytef*>(output.data());
            z.avail_out = static_cast<uInt>(output.size());
            const int result = inflate(&z, Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return false;
            const qint64 produced = output.size() - z.avail_out;
            if (!deliver(output.constData(), produced)) return false;
            finished = result == Z_STREAM_END;
            if (result == Z_BUF_ERROR && produced == 0) break;  // needs more input
        } while (!finished && (z.avail_in > 0 || z.avail_out == 0));
    }
    return finished && written == entry.size && crc == entry.crc;
}

}  // namespace

std::optional<ZipArchive> ZipArchive::Open(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const auto directory = FindDirectory(file);
    if (!directory || !file.seek(directory->offset)) return std::nullopt;
    const QByteArray bytes = file.read(directory->size);
    if (bytes.size() != directory->size) return std::nullopt;

    ZipArchive archive;
    archive.path = path;
    ByteReader reader(bytes);
    while (!reader.AtEnd()) {
        auto entry = ReadDirectoryEntry(reader);
        if (!entry) return std::nullopt;
        archive.entries.push_back(std::move(*entry));
    }
    return archive;
}

bool ZipArchive::Extract(const ZipEntry& entry, QIODevice& out, qint64 maxBytes) const {
    if ((entry.flags & kEncrypted) || (entry.method != kStored && entry.method != kDeflated) ||
        entry.size > maxBytes || (entry.method == kStored && entry.size != entry.compressedSize)) {
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const auto offset = DataOffset(file, entry);
    return offset && file.seek(*offset) && Decode(file, entry, out);
}
