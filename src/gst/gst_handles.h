#pragma once

#include <gst/gst.h>

#include <memory>

// Owning handles for GStreamer and GLib objects: each releases its one reference when it
// goes, so every early return of a set-up leaves nothing behind.
template <typename T, auto Release>
struct GstReleaser {
    void operator()(T* handle) const { Release(handle); }
};
template <typename T, auto Release>
using GstHandle = std::unique_ptr<T, GstReleaser<T, Release>>;

using GstElementPtr = GstHandle<GstElement, gst_object_unref>;
using GstBusPtr = GstHandle<GstBus, gst_object_unref>;
using GstPadPtr = GstHandle<GstPad, gst_object_unref>;
using GstMessagePtr = GstHandle<GstMessage, gst_message_unref>;
using GstSamplePtr = GstHandle<GstSample, gst_sample_unref>;
using GstCapsPtr = GstHandle<GstCaps, gst_caps_unref>;
using GstQueryPtr = GstHandle<GstQuery, gst_query_unref>;
using GCharPtr = GstHandle<gchar, g_free>;
using GErrorPtr = GstHandle<GError, g_error_free>;

// Takes a floating element (fresh from a factory) into an owning handle.
inline GstElementPtr AdoptElement(GstElement* element) {
    return GstElementPtr(element ? GST_ELEMENT(gst_object_ref_sink(element)) : nullptr);
}

// Makes GStreamer ready for use; safe to call often and from any service.
void EnsureGstInitialised();
