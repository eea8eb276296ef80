#include "support/main_dialog_fixture.h"

#include <QCoreApplication>

#include "capture/capture_system.h"
#include "pulse/sound_server.h"

MainDialogFixture::MainDialogFixture(MainDialogOptions options) {
    if (options.quiet) {
        Store("b_only_once", 1);
        fake.mixer->AddMicrophoneDevice("Sound Card");
    }
    if (options.realCapture) UseRealCapture();
    if (options.realPlayback) fake.platform.mediaGraphs = MakeGstMediaGraphs();
}

MainDialog& MainDialogFixture::Create() {
    dialog = std::make_unique<MainDialog>(fake.platform, settings);
    return *dialog;
}

MainDialog& MainDialogFixture::Start() {
    Create().OnInitDialog();
    return *dialog;
}

MainDialog& MainDialogFixture::StartAndForget() {
    Start();
    fake.messages->shown.clear();
    fake.settings->writes.clear();
    return *dialog;
}

SoundServer& MainDialogFixture::UseRealCapture(std::uint64_t classicDataLimit) {
    Platform& platform = fake.platform;
    platform.capture.reset();
    fake.capture = nullptr;
    if (!platform.soundServer) platform.soundServer = std::make_unique<SoundServer>("tarvelo-test");
    platform.capture = MakeCaptureSystem(*platform.soundServer, classicDataLimit);
    return *platform.soundServer;
}

void MainDialogFixture::Store(const char* name, int value) {
    fake.settings->Set("Option", name, QString::number(value));
}

void MainDialogFixture::StoreSongOutputMixChoice() {
    fake.settings->Set("Option", "CaptureSource", "@DEFAULT_MONITOR@");
    Store("nSearchFlag", 1);
}

int MainDialogFixture::Stored(const char* name) const {
    return fake.settings->Value("Option", name).value_or("unset").toInt();
}

std::optional<QString> MainDialogFixture::Stored(const QString& section,
                                                 const QString& name) const {
    return fake.settings->Value(section, name);
}

std::vector<QString> MainDialogFixture::MessageTexts() const {
    std::vector<QString> texts;
    for (const ShownMessage& message : fake.messages->shown) texts.push_back(message.text);
    return texts;
}

std::vector<ShownMessage> MainDialogFixture::Shown(const QString& caption) const {
    std::vector<ShownMessage> shown;
    for (const ShownMessage& message : fake.messages->shown) {
        if (message.caption == caption) shown.push_back(message);
    }
    return shown;
}

void MainDialogFixture::Deliver() {
    QCoreApplication::processEvents();
}
