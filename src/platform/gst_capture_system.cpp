#include "platform/gst_handles.h"

#include "platform/capture_graph.h"
#include "platform/gst_capture_graph.h"
#include "platform/pulse_device_enumerator.h"

namespace {

class NullCaptureGraphBuilder final : public CaptureGraphBuilder {
  public:
    // Render on the graph does all the connecting; the builder only has to accept it.
    HRESULT SetFiltergraph(const std::shared_ptr<FilterGraph>& graph) override {
        return graph ? S_OK : E_POINTER;
    }
};

class GstCaptureSystem final : public CaptureSystem {
  public:
    GstCaptureSystem(SoundServer& server, std::uint64_t classicDataLimit)
        : server_(server), classicDataLimit_(classicDataLimit) {
        EnsureGstInitialised();
    }

    HRESULT CreateDeviceEnumerator(std::shared_ptr<DeviceEnumerator>* enumerator) override {
        *enumerator = MakePulseDeviceEnumerator(server_);
        return S_OK;
    }

    HRESULT CreateFilterGraph(std::shared_ptr<FilterGraph>* graph) override {
        *graph = std::make_shared<GstCaptureGraph>(server_, classicDataLimit_);
        return S_OK;
    }

    HRESULT CreateCaptureGraphBuilder(std::shared_ptr<CaptureGraphBuilder>* builder) override {
        *builder = std::make_shared<NullCaptureGraphBuilder>();
        return S_OK;
    }

    HRESULT CreateWavDest(std::shared_ptr<MediaFilter>* filter) override {
        if (!HasElements()) return E_NOINTERFACE;
        *filter = MakeGstWavDest();
        return S_OK;
    }

    HRESULT CreateFileWriter(std::shared_ptr<FileSinkFilter>* sink) override {
        *sink = MakeGstFileWriter();
        return S_OK;
    }

  private:
    // The WAV writer needs the sound server's capture element and the application sink.
    static bool HasElements() {
        for (const char* name : {"pulsesrc", "appsink", "capsfilter"}) {
            GstElementFactory* factory = gst_element_factory_find(name);
            if (!factory) return false;
            gst_object_unref(factory);
        }
        return true;
    }

    SoundServer& server_;
    std::uint64_t classicDataLimit_;
};

}  // namespace

std::unique_ptr<CaptureSystem> MakeCaptureSystem(SoundServer& server,
                                                 std::uint64_t classicDataLimit) {
    return std::make_unique<GstCaptureSystem>(server, classicDataLimit);
}
