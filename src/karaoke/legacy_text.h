#pragma once

#include <QByteArrayView>
#include <QString>

// Text of unknown encoding from a karaoke file: a byte-order mark decides when present;
// otherwise valid UTF-8 is read as UTF-8 and anything else as Windows-1252, the legacy
// 8-bit encoding such files were mostly written in.
QString DecodeLegacyText(QByteArrayView bytes);

// True when the bytes are valid UTF-8 (plain ASCII included).
bool IsValidUtf8(QByteArrayView bytes);

// Windows-1252 to Unicode, byte for byte.
QString DecodeWindows1252(QByteArrayView bytes);
