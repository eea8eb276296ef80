#pragma once

#include <pulse/context.h>
#include <pulse/glib-mainloop.h>
#include <pulse/operation.h>
#include <pulse/proplist.h>

#include "services/c_handle.h"

using PulseMainloopHandle = CHandle<pa_glib_mainloop, pa_glib_mainloop_free>;
using PulseContextHandle = CHandle<pa_context, pa_context_unref>;
// The operation goes on in the server; this releases only our reference to it.
using PulseOperation = CHandle<pa_operation, pa_operation_unref>;
using PulsePropertiesHandle = CHandle<pa_proplist, pa_proplist_free>;
