#pragma once

#include <QMetaObject>
#include <cstdint>
#include <deque>
#include <mutex>

#include "services/media_graph.h"

class QObject;

// The events of one graph, in the order they happened, and the notice that tells the
// notify window to read them. A graph's own threads queue their news here directly, as
// the classic graph did: one posted message reaches the window, nothing else on the way.
class GraphEventQueue : public MediaEvents {
  public:
    GraphEventQueue() = default;
    ~GraphEventQueue() override;
    GraphEventQueue(const GraphEventQueue&) = delete;
    GraphEventQueue& operator=(const GraphEventQueue&) = delete;

    HRESULT SetNotifyWindow(QObject* window, int message, std::intptr_t instance) override;
    HRESULT GetEvent(long* code, std::intptr_t* param1, std::intptr_t* param2,
                     long timeoutMs) override;
    HRESULT FreeEventParams(long code, std::intptr_t param1, std::intptr_t param2) override;

    // Any thread: queues the event and posts the notify message to the window, if any.
    void Push(long code, std::intptr_t param1 = 0, std::intptr_t param2 = 0);
    std::size_t size() const;

  private:
    struct Event {
        long code;
        std::intptr_t param1;
        std::intptr_t param2;
    };

    mutable std::mutex mutex_;
    std::deque<Event> events_;
    QObject* window_ = nullptr;
    int message_ = 0;
    std::intptr_t instance_ = 0;
    // Forgets the window as it is destroyed, before a late notice could reach it.
    QMetaObject::Connection windowGone_;
};
