#pragma once

#include <QCoreApplication>
#include <QWidget>
#include <vector>

#include "services/window_messages.h"

// A stand-in main window that keeps the commands and messages posted to it.
class PostedEventRecorder : public QWidget {
  public:
    std::vector<int> commands;
    std::vector<int> messages;

  protected:
    bool event(QEvent* event) override {
        if (event->type() == PostedCommand::Type()) {
            commands.push_back(static_cast<PostedCommand*>(event)->commandId());
            return true;
        }
        if (auto* message = dynamic_cast<PostedMessage*>(event)) {
            messages.push_back(message->message());
            return true;
        }
        return QWidget::event(event);
    }
};

// Delivers posted events, and those that their handlers post in turn.
inline void DeliverPostedEvents() {
    for (int round = 0; round < 4; ++round) QCoreApplication::sendPostedEvents();
}
