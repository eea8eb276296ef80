#include "recording/capture_log.h"

Q_LOGGING_CATEGORY(captureLog, "tarvelo.capture", QtWarningMsg)
