#include "desktop/ui_thread_poster.h"

#include <QCoreApplication>
#include <QEvent>

void UiThreadPoster::Post(QEvent* event) {
    std::unique_ptr<QEvent> owned(event);
    std::lock_guard lock(mutex_);
    if (target_) QCoreApplication::postEvent(target_, owned.release());
}

void UiThreadPoster::Release() {
    std::lock_guard lock(mutex_);
    target_ = nullptr;
    ++generation_;
}
