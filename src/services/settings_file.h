#pragma once

#include <QString>
#include <memory>
#include <optional>

// The per-user file behind the settings store: named values in sections, no cache.
class SettingsFile {
  public:
    virtual ~SettingsFile() = default;

    // The stored text of a value; nothing when it is absent or cannot be read.
    virtual std::optional<QString> Read(const QString& section, const QString& name) = 0;
    // Writes the value through to the file at once; false when it could not be stored.
    virtual bool Write(const QString& section, const QString& name, const QString& value) = 0;
    // Makes sure the program's file exists, as opening a section does.
    virtual void Touch() = 0;
};

// INI file at $XDG_CONFIG_HOME/<company>/<application>.conf.
std::unique_ptr<SettingsFile> MakeIniSettingsFile(const QString& company,
                                                  const QString& application);
// INI file at an explicit path.
std::unique_ptr<SettingsFile> MakeIniSettingsFileAt(const QString& path);
