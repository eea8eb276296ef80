#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <optional>

// Loads a module into the test's sound server with pactl, as another program would;
// answers its index.
inline std::optional<int> LoadServerModule(const QString& name, const QString& arguments) {
    QProcess pactl;
    pactl.start("pactl", QStringList{"load-module", name} + QProcess::splitCommand(arguments));
    if (!pactl.waitForFinished(5000) || pactl.exitCode() != 0) return std::nullopt;
    bool ok = false;
    const int index = pactl.readAllStandardOutput().trimmed().toInt(&ok);
    return ok ? std::optional<int>(index) : std::nullopt;
}

inline bool UnloadServerModule(int index) {
    return QProcess::execute("pactl", {"unload-module", QString::number(index)}) == 0;
}
