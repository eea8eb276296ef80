#pragma once

#include <gst/gst.h>

#include <memory>

// Owning handles for GStreamer objects: each releases its reference when it goes.
template <typename T, auto release>
struct GstReleaser {
    void operator()(T* handle) const { release(handle); }
};
template <typename T, auto release>
using GstHandle = std::unique_ptr<T, GstReleaser<T, release>>;

inline void UnrefObject(gpointer object) {
    gst_object_unref(object);
}

using GstElementHandle = GstHandle<GstElement, UnrefObject>;
using GstBusHandle = GstHandle<GstBus, UnrefObject>;
using GstMessageHandle = GstHandle<GstMessage, gst_message_unref>;
using GstCapsHandle = GstHandle<GstCaps, gst_caps_unref>;
using GstSampleHandle = GstHandle<GstSample, gst_sample_unref>;
