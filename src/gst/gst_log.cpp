#include "gst/gst_log.h"

Q_LOGGING_CATEGORY(gstLog, "tarvelo.gst", QtCriticalMsg)
