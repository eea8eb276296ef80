#pragma once

#include <QLoggingCategory>

// What the sound server said when something failed (pa_strerror's text). Silent unless
// enabled, for example with QT_LOGGING_RULES="tarvelo.pulse=true".
Q_DECLARE_LOGGING_CATEGORY(pulseLog)
