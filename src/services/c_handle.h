#pragma once

#include <memory>

// Owns one reference to an object of a C library and gives it back with the library's own
// release function when it goes, so every early return leaves nothing behind. Each backend
// names its handles in one line apiece: CHandle<GstElement, gst_object_unref>.
template <auto Release>
struct CHandleRelease {
    template <typename T>
    void operator()(T* handle) const {
        Release(handle);
    }
};

template <typename T, auto Release>
using CHandle = std::unique_ptr<T, CHandleRelease<Release>>;
