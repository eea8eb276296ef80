#include "desktop/graph_event_queue.h"

#include <QObject>

#include "services/window_messages.h"

GraphEventQueue::~GraphEventQueue() {
    QObject::disconnect(windowGone_);
}

HRESULT GraphEventQueue::SetNotifyWindow(QObject* window, int message, std::intptr_t instance) {
    QObject::disconnect(windowGone_);
    std::lock_guard lock(mutex_);
    window_ = window;
    message_ = message;
    instance_ = instance;
    if (window) {
        windowGone_ = QObject::connect(window, &QObject::destroyed, [this] {
            std::lock_guard gone(mutex_);
            window_ = nullptr;
        });
    }
    return S_OK;
}

HRESULT GraphEventQueue::GetEvent(long* code, std::intptr_t* param1, std::intptr_t* param2,
                                  long timeoutMs) {
    if (!code || !param1 || !param2) return E_POINTER;
    // The reader is the UI thread, which must not wait.
    if (timeoutMs != 0) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    if (events_.empty()) return E_ABORT;
    *code = events_.front().code;
    *param1 = events_.front().param1;
    *param2 = events_.front().param2;
    events_.pop_front();
    return S_OK;
}

HRESULT GraphEventQueue::FreeEventParams(long, std::intptr_t, std::intptr_t) {
    return S_OK;
}

void GraphEventQueue::Push(long code, std::intptr_t param1, std::intptr_t param2) {
    std::lock_guard lock(mutex_);
    events_.push_back({code, param1, param2});
    if (window_) PostWindowMessage(window_, message_, 0, instance_);
}

std::size_t GraphEventQueue::size() const {
    std::lock_guard lock(mutex_);
    return events_.size();
}
