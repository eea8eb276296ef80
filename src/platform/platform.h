#pragma once

#include <QString>
#include <memory>

#include "platform/clock.h"
#include "platform/file_dialogs.h"
#include "platform/launcher.h"
#include "platform/media_graph.h"
#include "platform/message_boxes.h"
#include "platform/popup_menus.h"
#include "platform/settings_file.h"
#include "platform/system_info.h"
#include "platform/window_timers.h"

// Every service the program stands on. The program gets the desktop's real services;
// unit tests give it fakes that record what they were asked.
struct Platform {
    std::unique_ptr<SettingsFile> settings;
    std::unique_ptr<MessageBoxes> messages;
    std::unique_ptr<FileDialogs> fileDialogs;
    std::unique_ptr<SystemInfo> system;
    TimerFactory makeTimers;
    std::unique_ptr<Launcher> launcher;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<MediaGraphs> mediaGraphs;
    std::unique_ptr<PopupMenus> menus;
};

// company and application name where the settings file lies.
std::unique_ptr<Platform> MakeDesktopPlatform(const QString& company, const QString& application);
