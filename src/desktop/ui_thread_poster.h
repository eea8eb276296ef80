#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class QEvent;

// Lets worker threads post events to one object on the UI thread for as long as that
// object wants them. Each event carries the generation it was posted in; the receiver
// drops events of an earlier generation, which are leftovers of a pipeline it has since
// torn down or rebuilt.
class UiThreadPoster {
  public:
    explicit UiThreadPoster(QObject* target) : target_(target) {}

    // Any thread. Takes the event; drops it once the target has been let go.
    void Post(QEvent* event);
    // UI thread: a new generation begins; events posted before it are stale.
    std::uint64_t NextGeneration() { return ++generation_; }
    std::uint64_t generation() const { return generation_; }
    // UI thread: no more events reach the target after this returns.
    void Release();

  private:
    std::mutex mutex_;
    QObject* target_;
    std::atomic<std::uint64_t> generation_{0};
};

using UiThreadPosterPtr = std::shared_ptr<UiThreadPoster>;
