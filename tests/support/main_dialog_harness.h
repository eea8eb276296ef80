#pragma once

#include <memory>

#include "app/main_dialog.h"
#include "app/settings_store.h"
#include "fakes/fake_platform.h"

// A main window over fake platform services.
struct MainDialogHarness {
    FakePlatform fake;
    SettingsStore settings{*fake.platform.settings};
    std::unique_ptr<MainDialog> dialog;

    MainDialog& Start() {
        dialog = std::make_unique<MainDialog>(fake.platform, settings);
        dialog->OnInitDialog();
        return *dialog;
    }
    std::optional<QString> Stored(const QString& section, const QString& name) const {
        return fake.settings->Value(section, name);
    }
    std::vector<QString> MessageTexts() const {
        std::vector<QString> texts;
        for (const ShownMessage& message : fake.messages->shown) texts.push_back(message.text);
        return texts;
    }
};
