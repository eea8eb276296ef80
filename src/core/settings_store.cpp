#include "core/settings_store.h"

#include "services/settings_file.h"

namespace {

// A stored number wider than 32 bits reads back as its low 32 bits, signed, as a 32-bit
// registry number would have held it.
std::optional<std::int32_t> Low32BitsOf(const QString& text) {
    bool ok = false;
    const qlonglong wide = text.trimmed().toLongLong(&ok);
    if (ok) return static_cast<std::int32_t>(static_cast<std::uint32_t>(wide));
    const qulonglong unsignedWide = text.trimmed().toULongLong(&ok);
    if (ok) return static_cast<std::int32_t>(static_cast<std::uint32_t>(unsignedWide));
    return std::nullopt;
}

}  // namespace

std::int32_t SettingsStore::ReadInt(const QString& section, const QString& name,
                                    std::int32_t fallback) {
    const std::optional<QString> stored = file_.Read(section, name);
    if (!stored) return fallback;
    return Low32BitsOf(*stored).value_or(fallback);
}

bool SettingsStore::WriteInt(const QString& section, const QString& name, std::int32_t value) {
    return file_.Write(section, name, QString::number(value));
}

QString SettingsStore::ReadString(const QString& section, const QString& name,
                                  const QString& fallback) {
    return file_.Read(section, name).value_or(fallback);
}

bool SettingsStore::WriteString(const QString& section, const QString& name, const QString& text) {
    return file_.Write(section, name, text);
}
