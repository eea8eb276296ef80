#pragma once

#include <gst/app/gstappsink.h>

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>

#include "desktop/ui_thread_poster.h"
#include "gst/gst_handles.h"

// Carries the samples an appsink receives to the UI thread. When the UI thread falls
// behind, running samples are skipped rather than queued; prerolled ones always arrive,
// so a paused pipeline shows the frame it holds.
class GstAppSinkRelay : public QObject {
  public:
    using Handler = std::function<void(GstSample* sample)>;

    explicit GstAppSinkRelay(Handler handler);
    ~GstAppSinkRelay() override;

    // Takes over the sink's callbacks.
    void Attach(GstAppSink* sink);

  protected:
    void customEvent(QEvent* event) override;

  private:
    struct Flow {
        UiThreadPosterPtr poster;
        std::uint64_t generation = 0;
        std::atomic<int> inFlight{0};
    };
    static GstFlowReturn OnPreroll(GstAppSink* sink, gpointer data);
    static GstFlowReturn OnSample(GstAppSink* sink, gpointer data);
    static void Post(Flow& flow, GstSample* sample, bool mustArrive);

    Handler handler_;
    UiThreadPosterPtr poster_;
    std::shared_ptr<Flow> flow_;
};
