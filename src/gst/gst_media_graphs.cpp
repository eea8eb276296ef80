#include <mutex>

#include "gst/gst_handles.h"
#include "gst/gst_playback_graph.h"

void EnsureGstInitialised() {
    static std::once_flag once;
    std::call_once(once, [] { gst_init_check(nullptr, nullptr, nullptr); });
}

namespace {

class GstMediaGraphs final : public MediaGraphs {
  public:
    HRESULT CreateFilterGraph(std::shared_ptr<GraphBuilder>& out) override {
        EnsureGstInitialised();
        if (!gst_is_initialized()) return E_FAIL;
        out = std::make_shared<GstPlaybackGraph>();
        return S_OK;
    }
};

}  // namespace

std::unique_ptr<MediaGraphs> MakeGstMediaGraphs() {
    return std::make_unique<GstMediaGraphs>();
}
