#include "gst/gst_appsink_relay.h"

#include <QEvent>

namespace {

constexpr int kMostSamplesInFlight = 2;

class SampleEvent : public QEvent {
  public:
    SampleEvent(GstSample* sample, std::uint64_t generation)
        : QEvent(Type()), sample(sample), generation(generation) {}
    static QEvent::Type Type() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    GstSamplePtr sample;
    std::uint64_t generation;
};

}  // namespace

GstAppSinkRelay::GstAppSinkRelay(Handler handler)
    : handler_(std::move(handler)), poster_(std::make_shared<UiThreadPoster>(this)) {}

GstAppSinkRelay::~GstAppSinkRelay() {
    poster_->Release();
}

void GstAppSinkRelay::Attach(GstAppSink* sink) {
    flow_ = std::make_shared<Flow>();
    flow_->poster = poster_;
    flow_->generation = poster_->NextGeneration();
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = &GstAppSinkRelay::OnPreroll;
    callbacks.new_sample = &GstAppSinkRelay::OnSample;
    gst_app_sink_set_callbacks(sink, &callbacks, new std::shared_ptr<Flow>(flow_),
                               [](gpointer p) { delete static_cast<std::shared_ptr<Flow>*>(p); });
}

GstFlowReturn GstAppSinkRelay::OnPreroll(GstAppSink* sink, gpointer data) {
    Post(**static_cast<std::shared_ptr<Flow>*>(data), gst_app_sink_pull_preroll(sink), true);
    return GST_FLOW_OK;
}

GstFlowReturn GstAppSinkRelay::OnSample(GstAppSink* sink, gpointer data) {
    Post(**static_cast<std::shared_ptr<Flow>*>(data), gst_app_sink_pull_sample(sink), false);
    return GST_FLOW_OK;
}

void GstAppSinkRelay::Post(Flow& flow, GstSample* sample, bool mustArrive) {
    GstSamplePtr owned(sample);
    if (!owned) return;
    if (!mustArrive && flow.inFlight.load() >= kMostSamplesInFlight) return;
    ++flow.inFlight;
    flow.poster->Post(new SampleEvent(owned.release(), flow.generation));
}

void GstAppSinkRelay::customEvent(QEvent* event) {
    if (event->type() != SampleEvent::Type()) return;
    auto* sampleEvent = static_cast<SampleEvent*>(event);
    if (!flow_ || sampleEvent->generation != flow_->generation) return;
    --flow_->inFlight;
    handler_(sampleEvent->sample.get());
}
