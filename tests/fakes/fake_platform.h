#pragma once

#include <QString>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "fakes/fake_capture.h"
#include "fakes/fake_mixer.h"
#include "fakes/fake_launcher.h"
#include "fakes/fake_media_graph.h"
#include "platform/platform.h"

// Fakes of the platform services. Each records what it was asked, in order, and answers
// what the test scripted.

class FakeSettingsFile final : public SettingsFile {
  public:
    std::optional<QString> Read(const QString& section, const QString& name) override;
    bool Write(const QString& section, const QString& name, const QString& value) override;
    void Touch() override { touched = true; }

    std::optional<QString> Value(const QString& section, const QString& name) const;
    void Set(const QString& section, const QString& name, const QString& value);

    std::map<std::pair<QString, QString>, QString> values;
    // "Section/name" of every write, in order.
    std::vector<QString> writes;
    bool touched = false;
    bool readOnly = false;
};

struct ShownMessage {
    QString text;
    QString caption;
    unsigned style;
};

class FakeMessageBoxes final : public MessageBoxes {
  public:
    int Show(QWidget* owner, const QString& text, const QString& caption, unsigned style) override;
    void Beep() override { ++beeps; }

    std::vector<ShownMessage> shown;
    // Answers for the next boxes, in order; IDOK (or IDYES for a question) when empty.
    std::deque<int> answers;
    int beeps = 0;
};

struct FileDialogCall {
    bool save;
    FileDialogRequest request;
};

class FakeFileDialogs final : public FileDialogs {
  public:
    std::optional<QString> Open(QWidget* owner, const FileDialogRequest& request) override;
    std::optional<QString> Save(QWidget* owner, const FileDialogRequest& request) override;

    std::vector<FileDialogCall> calls;
    // The next answers, in order; a cancelled dialog when empty or nullopt.
    std::deque<std::optional<QString>> answers;

  private:
    std::optional<QString> Answer(bool save, const FileDialogRequest& request);
};

class FakeSystemInfo final : public SystemInfo {
  public:
    std::optional<OsVersion> QueryVersion() override { return version; }
    std::optional<QString> MusicFolder() override { return musicFolder; }

    std::optional<OsVersion> version = OsVersion{10, 0};
    std::optional<QString> musicFolder = QStringLiteral("/home/singer/Music");
};

class FakeWindowTimers final : public WindowTimers {
  public:
    explicit FakeWindowTimers(Tick tick) : tick_(std::move(tick)) {}
    void SetTimer(int timerId, int periodMs) override { running[timerId] = periodMs; }
    void KillTimer(int timerId) override { running.erase(timerId); }
    bool IsRunning(int timerId) const override { return running.count(timerId) != 0; }
    // Delivers one tick of a running timer, as the event loop would.
    void Fire(int timerId) {
        if (IsRunning(timerId)) tick_(timerId);
    }

    std::map<int, int> running;  // id -> period in ms

  private:
    Tick tick_;
};

// A Platform made of fakes, with typed access to each of them.
struct FakePlatform {
    FakePlatform();
    Platform platform;
    FakeSettingsFile* settings;
    FakeMessageBoxes* messages;
    FakeFileDialogs* fileDialogs;
    FakeSystemInfo* system;
    // One device, "Sound Card", with the inputs "Microphone", "Line In", "CD Player" and
    // "Aux" (none of them a mix input), unless the test describes others.
    FakeCaptureSystem* capture;
    // No mixer device until a test adds one.
    FakeMixer* mixer;
    FakeLauncher* launcher;
    FakeClock* clock;
    FakeMediaGraphs* mediaGraphs;
    FakePopupMenus* menus;
    // Timers of every window created with this platform, newest last.
    std::vector<FakeWindowTimers*> timers;
};
