#pragma once

#include <QObject>
#include <functional>

#include "platform/gst_handles.h"
#include "platform/ui_thread_poster.h"

// Carries the messages of one pipeline's bus to the UI thread. The bus's sync handler
// runs on GStreamer's threads and only posts; the handler given here runs on the UI
// thread, and never for a message of a pipeline that has since been detached.
class GstBusRelay : public QObject {
  public:
    using Handler = std::function<void(GstMessage* message)>;

    // types: the message types worth relaying (GST_MESSAGE_EOS | GST_MESSAGE_ERROR, ...).
    GstBusRelay(GstMessageType types, Handler handler);
    ~GstBusRelay() override;

    // Starts relaying the bus of pipeline; a previous pipeline is detached first.
    void Attach(GstElement* pipeline);
    // Hands the messages already on their way to the handler now.
    void DeliverPending();
    // Stops relaying; messages already on their way are dropped.
    void Detach();

  protected:
    void customEvent(QEvent* event) override;

  private:
    static GstBusSyncReply OnSyncMessage(GstBus* bus, GstMessage* message, gpointer data);

    GstMessageType types_;
    Handler handler_;
    UiThreadPosterPtr poster_;
    GstBusPtr bus_;
};
