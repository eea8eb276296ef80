#include "recording/mix_input_keywords.h"

#include <QByteArray>

namespace {

constexpr const char* kMixInputKeywords[] = {"wave",  "stereo",      "mix",
                                             "mixer", "what u hear", "output"};
// Names are compared in the locale's 8-bit form, cut to fit 256 bytes with the terminator.
constexpr qsizetype kNameBytes = 255;

}  // namespace

bool IsMixInputName(const QString& name) {
    const QByteArray lower = name.toLocal8Bit().left(kNameBytes).toLower();
    for (const char* keyword : kMixInputKeywords) {
        if (lower.contains(keyword)) return true;
    }
    return false;
}

bool IsMixInput(const QString& name, InputKind kind) {
    return kind != InputKind::DeviceInput && IsMixInputName(name);
}
