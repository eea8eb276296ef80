#include "support/rig_devices.h"

#include <QProcess>

RigDevices::~RigDevices() {
    for (const auto& [name, module] : modules_) Rig("sound_rig_unplug " + module);
    Pactl({"set-default-sink", "speakers"});
    Pactl({"set-default-source", "singer"});
}

bool RigDevices::PlugDesktop() {
    const QStringList modules = Rig("sound_rig_plug_desktop").split('\n', Qt::SkipEmptyParts);
    const QStringList names{"hdmi", "headset", "stereo_mic", "webcam"};
    if (modules.size() != names.size()) return false;
    for (int i = 0; i < names.size(); ++i) modules_[names[i]] = modules[i];
    return true;
}

bool RigDevices::PlugOutput(const QString& name, const QString& description) {
    const QString command = "sound_rig_plug_output " + Quoted(name) + " " + Quoted(description);
    commands_[name] = command;
    modules_[name] = Rig(command).trimmed();
    return !modules_[name].isEmpty();
}

bool RigDevices::PlugMicrophone(const QString& name, const QString& description, int channels,
                                const QString& formFactor) {
    const QString command = "sound_rig_plug_microphone " + Quoted(name) + " " +
                            Quoted(description) + " " + QString::number(channels) + " " +
                            Quoted(formFactor);
    commands_[name] = command;
    modules_[name] = Rig(command).trimmed();
    return !modules_[name].isEmpty();
}

bool RigDevices::Unplug(const QString& name) {
    const auto found = modules_.find(name);
    if (found == modules_.end()) return false;
    Rig("sound_rig_unplug " + found->second);
    modules_.erase(found);
    return true;
}

bool RigDevices::Replug(const QString& name) {
    const auto module = modules_.find(name);
    const auto command = commands_.find(name);
    if (module == modules_.end() || command == commands_.end()) return false;
    module->second = Rig("sound_rig_unplug " + module->second + " && " + command->second).trimmed();
    return !module->second.isEmpty();
}

QString RigDevices::Pactl(const QStringList& arguments) {
    QProcess process;
    process.start("pactl", arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

void RigDevices::SetDefaultSink(const QString& name) {
    Rig("sound_rig_set_default sink " + Quoted(name));
}

void RigDevices::SetDefaultSource(const QString& name) {
    Rig("sound_rig_set_default source " + Quoted(name));
}

QString RigDevices::Rig(const QString& commands) {
    QProcess shell;
    shell.start("bash",
                {"-c", "source " + Quoted(TARVELO_SOUND_RIG_SERVER_SCRIPT) + " && " + commands});
    if (!shell.waitForFinished(10000) || shell.exitCode() != 0) return QString();
    return QString::fromUtf8(shell.readAllStandardOutput());
}

QString RigDevices::Quoted(const QString& text) {
    QString quoted = text;
    return "'" + quoted.replace("'", "'\\''") + "'";
}
