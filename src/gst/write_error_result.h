#pragma once

#include <cerrno>

#include "services/capture_graph.h"

// What a failed write of a recording tells the window, by the system's reason.
inline HRESULT ResultOfErrno(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return HRESULT_DISK_FULL;
        case ENOENT:
        case ENOTDIR:
            return HRESULT_PATH_NOT_FOUND;
        default:
            return HRESULT_WRITE_FAULT;
    }
}
