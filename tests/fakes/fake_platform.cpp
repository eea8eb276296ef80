#include "fakes/fake_platform.h"

std::optional<QString> FakeSettingsFile::Read(const QString& section, const QString& name) {
    touched = true;
    return Value(section, name);
}

bool FakeSettingsFile::Write(const QString& section, const QString& name, const QString& value) {
    if (readOnly) return false;
    Set(section, name, value);
    writes.push_back(section + '/' + name);
    return true;
}

std::optional<QString> FakeSettingsFile::Value(const QString& section, const QString& name) const {
    const auto found = values.find({section, name});
    if (found == values.end()) return std::nullopt;
    return found->second;
}

void FakeSettingsFile::Set(const QString& section, const QString& name, const QString& value) {
    values[{section, name}] = value;
}

int FakeMessageBoxes::Show(QWidget*, const QString& text, const QString& caption, unsigned style) {
    shown.push_back({text, caption, style});
    if (!answers.empty()) {
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return (style & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
}

std::optional<QString> FakeFileDialogs::Open(QWidget*, const FileDialogRequest& request) {
    return Answer(false, request);
}

std::optional<QString> FakeFileDialogs::Save(QWidget*, const FileDialogRequest& request) {
    return Answer(true, request);
}

std::optional<QString> FakeFileDialogs::Answer(bool save, const FileDialogRequest& request) {
    calls.push_back({save, request});
    std::optional<QString> answer;
    if (!answers.empty()) {
        answer = std::move(answers.front());
        answers.pop_front();
    }
    return answer;
}

FakePlatform::FakePlatform() {
    auto settingsFile = std::make_unique<FakeSettingsFile>();
    auto messageBoxes = std::make_unique<FakeMessageBoxes>();
    auto dialogs = std::make_unique<FakeFileDialogs>();
    auto systemInfo = std::make_unique<FakeSystemInfo>();
    auto fakeMixer = std::make_unique<FakeMixer>();
    settings = settingsFile.get();
    messages = messageBoxes.get();
    fileDialogs = dialogs.get();
    system = systemInfo.get();
    mixer = fakeMixer.get();
    platform.settings = std::move(settingsFile);
    platform.messages = std::move(messageBoxes);
    platform.fileDialogs = std::move(dialogs);
    platform.system = std::move(systemInfo);
    auto captureSystem = std::make_unique<FakeCaptureSystem>();
    capture = captureSystem.get();
    FakeDevice& card = capture->AddDevice("Sound Card");
    for (const char* input : {"Microphone", "Line In", "CD Player", "Aux"}) card.AddInput(input);
    platform.capture = std::move(captureSystem);
    platform.mixer = std::move(fakeMixer);
    auto fakeLauncher = std::make_unique<FakeLauncher>();
    auto fakeClock = std::make_unique<FakeClock>();
    launcher = fakeLauncher.get();
    clock = fakeClock.get();
    platform.launcher = std::move(fakeLauncher);
    platform.clock = std::move(fakeClock);
    auto graphs = std::make_unique<FakeMediaGraphs>();
    auto popupMenus = std::make_unique<FakePopupMenus>();
    mediaGraphs = graphs.get();
    menus = popupMenus.get();
    platform.mediaGraphs = std::move(graphs);
    capture->journal = mediaGraphs->journal;
    platform.menus = std::move(popupMenus);
    platform.makeTimers = [this](WindowTimers::Tick tick) {
        auto fake = std::make_unique<FakeWindowTimers>(std::move(tick));
        timers.push_back(fake.get());
        return fake;
    };
}
