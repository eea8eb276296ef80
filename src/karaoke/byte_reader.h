#pragma once

#include <QByteArrayView>
#include <cstdint>
#include <optional>

// Bounds-checked reading of binary file data: every read fails instead of running past
// the end, so parsers of untrusted files stay inside their buffer.
class ByteReader {
  public:
    explicit ByteReader(QByteArrayView data) : data(data) {}

    bool AtEnd() const { return pos >= data.size(); }
    qsizetype Position() const { return pos; }
    qsizetype Remaining() const { return data.size() - pos; }

    std::optional<std::uint8_t> U8();
    std::optional<std::uint16_t> U16BigEndian();
    std::optional<std::uint32_t> U32BigEndian();
    std::optional<std::uint16_t> U16LittleEndian();
    std::optional<std::uint32_t> U32LittleEndian();
    // A MIDI variable-length quantity: at most four bytes, seven bits each.
    std::optional<std::uint32_t> VariableLength();
    // The next count bytes; nothing when fewer remain.
    std::optional<QByteArrayView> Bytes(std::uint64_t count);
    bool Skip(std::uint64_t count) { return Bytes(count).has_value(); }

  private:
    QByteArrayView data;
    qsizetype pos = 0;
};
