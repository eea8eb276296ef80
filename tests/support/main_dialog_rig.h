#pragma once

#include <QCoreApplication>
#include <memory>

#include "app/main_dialog.h"
#include "app/settings_store.h"
#include "fakes/fake_platform.h"

// A main window on fake services, started as the program starts it.
struct MainDialogRig {
    FakePlatform fake;
    SettingsStore settings{*fake.platform.settings};
    std::unique_ptr<MainDialog> dialog;

    // The input hint stays away unless a test asks for it, and the card has a microphone
    // mixer, so that start-up shows no box.
    MainDialogRig() {
        Store("b_only_once", 1);
        fake.mixer->AddMicrophoneDevice("Sound Card");
    }

    MainDialog& Start() {
        dialog = std::make_unique<MainDialog>(fake.platform, settings);
        dialog->OnInitDialog();
        return *dialog;
    }
    FakeWindowTimers& timers() const { return *fake.timers.back(); }
    FakeCaptureGraph& graph() const { return *fake.capture->graph(); }
    void Store(const char* name, int value) {
        fake.settings->Set("Option", name, QString::number(value));
    }
    int Stored(const char* name) const {
        return fake.settings->Value("Option", name).value_or("unset").toInt();
    }
    // The boxes shown under a caption, in order.
    std::vector<ShownMessage> Shown(const QString& caption) const {
        std::vector<ShownMessage> shown;
        for (const ShownMessage& message : fake.messages->shown) {
            if (message.caption == caption) shown.push_back(message);
        }
        return shown;
    }
    static void Deliver() { QCoreApplication::processEvents(); }
};
