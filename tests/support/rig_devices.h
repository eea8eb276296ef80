#pragma once

#include <QString>
#include <QStringList>
#include <map>

// Devices plugged into the test run's private sound server with the rig's own commands
// (scripts/lib/sound_rig_server.sh), unplugged again when the object goes, with the rig's
// own output and microphone the defaults again.
class RigDevices {
  public:
    RigDevices() = default;
    ~RigDevices();
    RigDevices(const RigDevices&) = delete;
    RigDevices& operator=(const RigDevices&) = delete;

    // The rig's desktop: outputs "hdmi" and "headset" (the default), microphones
    // "stereo_mic" and "webcam" ("Webcam Analog Stereo").
    bool PlugDesktop();
    bool PlugOutput(const QString& name, const QString& description);
    bool PlugMicrophone(const QString& name, const QString& description, int channels,
                        const QString& formFactor = QString());
    bool Unplug(const QString& name);
    // Takes the device away and puts it back at once, as a card switching profile does.
    bool Replug(const QString& name);

    static QString Pactl(const QStringList& arguments);
    // Return once the server reports the device as the default.
    static void SetDefaultSink(const QString& name);
    static void SetDefaultSource(const QString& name);

  private:
    // Runs rig commands in one shell; answers their output, empty on failure.
    static QString Rig(const QString& commands);
    static QString Quoted(const QString& text);

    std::map<QString, QString> modules_;   // by device name
    std::map<QString, QString> commands_;  // the command that plugs each device
};
