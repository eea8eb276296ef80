#pragma once

#include <gst/gst.h>

#include "services/c_handle.h"

using GstElementPtr = CHandle<GstElement, gst_object_unref>;
using GstElementFactoryPtr = CHandle<GstElementFactory, gst_object_unref>;
using GstBusPtr = CHandle<GstBus, gst_object_unref>;
using GstPadPtr = CHandle<GstPad, gst_object_unref>;
using GstMessagePtr = CHandle<GstMessage, gst_message_unref>;
using GstSamplePtr = CHandle<GstSample, gst_sample_unref>;
using GstCapsPtr = CHandle<GstCaps, gst_caps_unref>;
using GCharPtr = CHandle<gchar, g_free>;
using GErrorPtr = CHandle<GError, g_error_free>;

// Takes a floating element (fresh from a factory) into an owning handle.
inline GstElementPtr AdoptElement(GstElement* element) {
    return GstElementPtr(element ? GST_ELEMENT(gst_object_ref_sink(element)) : nullptr);
}

// Makes GStreamer ready for use; safe to call often and from any service.
void EnsureGstInitialised();
