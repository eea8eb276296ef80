#include "karaoke/byte_reader.h"

std::optional<std::uint8_t> ByteReader::U8() {
    if (AtEnd()) return std::nullopt;
    return static_cast<std::uint8_t>(data[pos++]);
}

std::optional<QByteArrayView> ByteReader::Bytes(std::uint64_t count) {
    if (count > static_cast<std::uint64_t>(Remaining())) return std::nullopt;
    const QByteArrayView bytes = data.sliced(pos, static_cast<qsizetype>(count));
    pos += static_cast<qsizetype>(count);
    return bytes;
}

namespace {

template <typename T>
std::optional<T> Assemble(std::optional<QByteArrayView> bytes, bool bigEndian) {
    if (!bytes) return std::nullopt;
    T value = 0;
    for (qsizetype i = 0; i < bytes->size(); ++i) {
        const qsizetype index = bigEndian ? i : bytes->size() - 1 - i;
        value = static_cast<T>((value << 8) | static_cast<std::uint8_t>((*bytes)[index]));
    }
    return value;
}

}  // namespace

std::optional<std::uint16_t> ByteReader::U16BigEndian() {
    return Assemble<std::uint16_t>(Bytes(2), true);
}
std::optional<std::uint32_t> ByteReader::U32BigEndian() {
    return Assemble<std::uint32_t>(Bytes(4), true);
}
std::optional<std::uint16_t> ByteReader::U16LittleEndian() {
    return Assemble<std::uint16_t>(Bytes(2), false);
}
std::optional<std::uint32_t> ByteReader::U32LittleEndian() {
    return Assemble<std::uint32_t>(Bytes(4), false);
}

std::optional<std::uint32_t> ByteReader::VariableLength() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const auto byte = U8();
        if (!byte) return std::nullopt;
        value = (value << 7) | (*byte & 0x7F);
        if ((*byte & 0x80) == 0) return value;
    }
    return std::nullopt;
}
