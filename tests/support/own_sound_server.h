#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <optional>

// A sound server of the test's own, which it stops and starts again.
class OwnServer {
  public:
    explicit OwnServer(const QTemporaryDir& folder) : folder_(folder) {}
    ~OwnServer() {
        Stop();
        if (rig_) qputenv("PULSE_SERVER", *rig_);
    }
    QString address() const { return "unix:" + folder_.filePath("native"); }
    // Points the program's connections here, and back at the rig's server when this goes,
    // even when a failed assertion ends the test early.
    void Use() {
        if (!rig_) rig_ = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", address().toUtf8());
    }
    void Start() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", folder_.path());
        environment.insert("PULSE_RUNTIME_PATH", folder_.filePath("runtime"));
        process_.setProcessEnvironment(environment);
        process_.start("pulseaudio",
                       {"--daemonize=no", "-n", "--exit-idle-time=-1", "--disallow-exit", "-L",
                        "module-native-protocol-unix socket=" + folder_.filePath("native"), "-L",
                        "module-null-sink sink_name=backstage"});
        process_.waitForStarted(5000);
    }
    void Stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.kill();
        process_.waitForFinished(5000);
    }

  private:
    const QTemporaryDir& folder_;
    QProcess process_;
    std::optional<QByteArray> rig_;
};
