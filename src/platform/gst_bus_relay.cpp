#include "platform/gst_bus_relay.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

// A bus message on its way to the UI thread; holds a reference so it outlives the bus.
class BusMessageEvent : public QEvent {
  public:
    BusMessageEvent(GstMessage* message, std::uint64_t generation)
        : QEvent(Type()), message(gst_message_ref(message)), generation(generation) {}
    static QEvent::Type Type() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    GstMessagePtr message;
    std::uint64_t generation;
};

// What the sync handler holds: the poster, kept alive until GStreamer lets go of it.
// Its generation is fixed when attached, so a post still running while the relay detaches
// carries the old generation and is dropped.
struct SyncHandlerData {
    UiThreadPosterPtr poster;
    GstMessageType types;
    std::uint64_t generation;
};

}  // namespace

GstBusRelay::GstBusRelay(GstMessageType types, Handler handler)
    : types_(types),
      handler_(std::move(handler)),
      poster_(std::make_shared<UiThreadPoster>(this)) {}

GstBusRelay::~GstBusRelay() {
    Detach();
    poster_->Release();
}

void GstBusRelay::Attach(GstElement* pipeline) {
    Detach();
    bus_.reset(gst_element_get_bus(pipeline));
    auto* data = new SyncHandlerData{poster_, types_, poster_->NextGeneration()};
    gst_bus_set_sync_handler(bus_.get(), &GstBusRelay::OnSyncMessage, data,
                             [](gpointer p) { delete static_cast<SyncHandlerData*>(p); });
}

void GstBusRelay::Detach() {
    if (!bus_) return;
    gst_bus_set_sync_handler(bus_.get(), nullptr, nullptr, nullptr);
    bus_.reset();
    poster_->NextGeneration();
}

void GstBusRelay::DeliverPending() {
    QCoreApplication::sendPostedEvents(this, BusMessageEvent::Type());
}

GstBusSyncReply GstBusRelay::OnSyncMessage(GstBus*, GstMessage* message, gpointer data) {
    const auto* relay = static_cast<SyncHandlerData*>(data);
    if (GST_MESSAGE_TYPE(message) & relay->types)
        relay->poster->Post(new BusMessageEvent(message, relay->generation));
    // Nothing is left queued on the bus: the UI thread never polls it. A dropped message
    // is the handler's to release; it holds its source, and so the whole pipeline.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void GstBusRelay::customEvent(QEvent* event) {
    if (event->type() != BusMessageEvent::Type()) return;
    auto* busEvent = static_cast<BusMessageEvent*>(event);
    if (busEvent->generation != poster_->generation()) return;
    handler_(busEvent->message.get());
}
