#pragma once

#include <QMetaType>
#include <memory>

#include "services/capture_graph.h"

// The capture graph of the main window and its filters; each member is empty when absent.
struct RecorderGraph {
    std::shared_ptr<FilterGraph> graph;
    std::shared_ptr<CaptureGraphBuilder> captureBuilder;
    std::shared_ptr<CaptureControl> control;
    std::shared_ptr<CaptureEvents> events;
    std::shared_ptr<MediaFilter> captureFilter;
    std::shared_ptr<MediaFilter> wavDest;
    std::shared_ptr<MediaFilter> fileWriter;
};

// Device-list entries hold their device's moniker.
Q_DECLARE_METATYPE(std::shared_ptr<DeviceMoniker>)
