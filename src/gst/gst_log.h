#pragma once

#include <QLoggingCategory>

// GStreamer's own text for a failure (the GError message and its details). Silent unless
// enabled, for example with QT_LOGGING_RULES="tarvelo.gst=true".
Q_DECLARE_LOGGING_CATEGORY(gstLog)
