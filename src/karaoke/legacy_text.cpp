#include "karaoke/legacy_text.h"

#include <QStringDecoder>
#include <array>

namespace {

// 0x80-0x9F of Windows-1252; the five unassigned bytes keep their Latin-1 meaning.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool StartsWith(QByteArrayView bytes, std::initializer_list<unsigned char> prefix) {
    if (bytes.size() < static_cast<qsizetype>(prefix.size())) return false;
    qsizetype i = 0;
    for (unsigned char c : prefix) {
        if (static_cast<unsigned char>(bytes[i++]) != c) return false;
    }
    return true;
}

QString Decode(QStringConverter::Encoding encoding, QByteArrayView bytes) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

}  // namespace

bool IsValidUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

QString DecodeWindows1252(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    for (char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        text.append(c >= 0x80 && c < 0xA0 ? QChar(kWindows1252High[c - 0x80]) : QChar(c));
    }
    return text;
}

QString DecodeLegacyText(QByteArrayView bytes) {
    if (StartsWith(bytes, {0xEF, 0xBB, 0xBF}))
        return Decode(QStringConverter::Utf8, bytes.sliced(3));
    if (StartsWith(bytes, {0xFF, 0xFE})) return Decode(QStringConverter::Utf16LE, bytes.sliced(2));
    if (StartsWith(bytes, {0xFE, 0xFF})) return Decode(QStringConverter::Utf16BE, bytes.sliced(2));
    if (IsValidUtf8(bytes)) return Decode(QStringConverter::Utf8, bytes);
    return DecodeWindows1252(bytes);
}
