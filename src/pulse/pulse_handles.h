#pragma once

#include <pulse/context.h>
#include <pulse/glib-mainloop.h>
#include <pulse/operation.h>
#include <pulse/proplist.h>

#include <memory>

// Owning handles for libpulse objects: each releases its reference when it goes.
template <typename T, auto release>
struct PulseReleaser {
    void operator()(T* handle) const { release(handle); }
};
template <typename T, auto release>
using PulseHandle = std::unique_ptr<T, PulseReleaser<T, release>>;

using PulseMainloopHandle = PulseHandle<pa_glib_mainloop, pa_glib_mainloop_free>;
using PulseContextHandle = PulseHandle<pa_context, pa_context_unref>;
using PulseOperationHandle = PulseHandle<pa_operation, pa_operation_unref>;
using PulsePropertiesHandle = PulseHandle<pa_proplist, pa_proplist_free>;
