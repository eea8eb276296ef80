#pragma once

#include <QIODevice>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

struct ZipEntry {
    QString name;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t size = 0;
    std::uint32_t localHeaderOffset = 0;
};

// Reads members of a zip archive (stored or deflated, as MP3+G archives are made), the
// only kind QtCore cannot read. Zip64, encryption and multi-disk archives are refused.
class ZipArchive {
  public:
    // Reads the central directory; nothing when the file is no readable zip archive.
    static std::optional<ZipArchive> Open(const QString& path);

    const std::vector<ZipEntry>& Entries() const { return entries; }

    // Writes the member's contents to out. False, with out holding a partial copy, when the
    // member is refused, larger than maxBytes, or does not match its recorded size and CRC.
    bool Extract(const ZipEntry& entry, QIODevice& out, qint64 maxBytes) const;

  private:
    QString path;
    std::vector<ZipEntry> entries;
};
