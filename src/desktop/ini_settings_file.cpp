#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "services/settings_file.h"

namespace {

// Opens the file afresh for every operation, the way the registry key is opened and
// closed around each access, so another process's change is seen at once.
class IniSettingsFile final : public SettingsFile {
  public:
    explicit IniSettingsFile(QString path) : path_(std::move(path)) {}

    std::optional<QString> Read(const QString& section, const QString& name) override {
        Touch();
        QSettings ini(path_, QSettings::IniFormat);
        const QVariant value = ini.value(section + '/' + name);
        if (!value.isValid()) return std::nullopt;
        return value.toString();
    }

    bool Write(const QString& section, const QString& name, const QString& value) override {
        if (!Store(section, name, value)) {
            // A file Qt cannot parse is never rewritten by it; keep it aside and start a
            // clean one so that the user's choices can be saved again.
            if (!SetAsideUnparsable()) return false;
            return Store(section, name, value);
        }
        return true;
    }

    void Touch() override {
        QDir().mkpath(QFileInfo(path_).absolutePath());
        if (QFile::exists(path_)) return;
        QFile file(path_);
        (void)file.open(QIODevice::WriteOnly);
    }

  private:
    bool Store(const QString& section, const QString& name, const QString& value) {
        QDir().mkpath(QFileInfo(path_).absolutePath());
        QSettings ini(path_, QSettings::IniFormat);
        if (ini.status() != QSettings::NoError) return false;
        ini.setValue(section + '/' + name, value);
        ini.sync();
        return ini.status() == QSettings::NoError;
    }

    bool SetAsideUnparsable() {
        QSettings ini(path_, QSettings::IniFormat);
        if (ini.status() != QSettings::FormatError) return false;
        const QString aside = path_ + ".unreadable";
        QFile::remove(aside);
        return QFile::rename(path_, aside);
    }

    QString path_;
};

}  // namespace

std::unique_ptr<SettingsFile> MakeIniSettingsFileAt(const QString& path) {
    return std::make_unique<IniSettingsFile>(path);
}

std::unique_ptr<SettingsFile> MakeIniSettingsFile(const QString& company,
                                                  const QString& application) {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return MakeIniSettingsFileAt(config + '/' + company + '/' + application + ".conf");
}
