#pragma once

#include <QLoggingCategory>

// Failures of the capture graph's set-up that only a developer needs to see.
Q_DECLARE_LOGGING_CATEGORY(captureLog)
