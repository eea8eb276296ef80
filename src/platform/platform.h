#pragma once

#include <QString>
#include <memory>

#include "pulse/sound_server.h"
#include "services/capture_graph.h"
#include "services/clock.h"
#include "services/file_dialogs.h"
#include "services/launcher.h"
#include "services/media_graph.h"
#include "services/message_boxes.h"
#include "services/mixer.h"
#include "services/popup_menus.h"
#include "services/settings_file.h"
#include "services/system_info.h"
#include "services/window_timers.h"

// Every service the program stands on. The program gets the desktop's real services;
// unit tests give it fakes that record what they were asked.
struct Platform {
    std::unique_ptr<SettingsFile> settings;
    std::unique_ptr<MessageBoxes> messages;
    std::unique_ptr<FileDialogs> fileDialogs;
    std::unique_ptr<SystemInfo> system;
    TimerFactory makeTimers;
    // The one connection to the sound server (absent with fakes), and the capture side
    // built on it.
    std::unique_ptr<SoundServer> soundServer;
    std::unique_ptr<CaptureSystem> capture;
    // On the same connection: declared after it, so it goes first.
    std::unique_ptr<Mixer> mixer;
    std::unique_ptr<Launcher> launcher;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<MediaGraphs> mediaGraphs;
    std::unique_ptr<PopupMenus> menus;
};

// company and application name where the settings file lies.
std::unique_ptr<Platform> MakeDesktopPlatform(const QString& company, const QString& application);
