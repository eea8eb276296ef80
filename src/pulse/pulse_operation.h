#pragma once

#include <pulse/operation.h>

#include <memory>

// The operation goes on in the server; this releases only our reference to it.
struct PulseOperationUnref {
    void operator()(pa_operation* operation) const { pa_operation_unref(operation); }
};
using PulseOperation = std::unique_ptr<pa_operation, PulseOperationUnref>;
