#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <cstdint>

// Messages that parts of the program post to each other's windows, with their classic ids.
inline constexpr int WM_PLAYER_POSITION = 1027;        // video window -> main window, 1 s
inline constexpr int WM_GRAPHNOTIFY_PLAYER = 1037;     // playback graph -> video window
inline constexpr int WM_GRAPHNOTIFY_CAPTURE = 0x8001;  // capture graph -> main window
inline constexpr int MM_MIXM_CONTROL_CHANGE = 0x3D1;   // mixer -> window that opened it

// Window timers and their periods.
inline constexpr int ID_RECORDING_TIMER = 1113;
inline constexpr int ID_PLAYER_POSITION_TIMER = 2;
inline constexpr int ID_HOVER_TIMER = 100;
inline constexpr int ID_LEVEL_METER_TIMER = 1114;
inline constexpr int RECORDING_TIMER_PERIOD_MS = 1000;
inline constexpr int PLAYER_POSITION_TIMER_PERIOD_MS = 1000;
inline constexpr int HOVER_TIMER_PERIOD_MS = 100;
inline constexpr int LEVEL_METER_TIMER_PERIOD_MS = 50;

// Qt event types for the classic message ids; ids in Qt's user range keep their value.
inline QEvent::Type EventTypeOf(int message) {
    if (message >= QEvent::User && message <= QEvent::MaxUser)
        return static_cast<QEvent::Type>(message);
    // The mixer's id lies below Qt's user range; it gets one type for the whole process.
    static const auto mixerChange =
        static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::MaxUser - 1));
    Q_ASSERT(message == MM_MIXM_CONTROL_CHANGE);
    return mixerChange;
}

// A posted window message.
class PostedMessage : public QEvent {
  public:
    PostedMessage(int message, std::uintptr_t wParam, std::intptr_t lParam)
        : QEvent(EventTypeOf(message)), message_(message), wParam_(wParam), lParam_(lParam) {}
    int message() const { return message_; }
    std::uintptr_t wParam() const { return wParam_; }
    std::intptr_t lParam() const { return lParam_; }

  private:
    int message_;
    std::uintptr_t wParam_;
    std::intptr_t lParam_;
};

// A posted command, as a menu item or a button would send it.
class PostedCommand : public QEvent {
  public:
    PostedCommand(int commandId, std::intptr_t lParam)
        : QEvent(Type()), commandId_(commandId), lParam_(lParam) {}
    int commandId() const { return commandId_; }
    std::intptr_t lParam() const { return lParam_; }
    static QEvent::Type Type() {
        static const auto type =
            static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::MaxUser - 2));
        return type;
    }

  private:
    int commandId_;
    std::intptr_t lParam_;
};

// Thread-safe: other threads use these to hand work to the UI thread.
inline void PostWindowMessage(QObject* target, int message, std::uintptr_t wParam = 0,
                              std::intptr_t lParam = 0) {
    QCoreApplication::postEvent(target, new PostedMessage(message, wParam, lParam));
}
inline void PostCommand(QObject* target, int commandId, std::intptr_t lParam = 0) {
    QCoreApplication::postEvent(target, new PostedCommand(commandId, lParam));
}
