#include "pulse/pulse_log.h"

Q_LOGGING_CATEGORY(pulseLog, "tarvelo.pulse", QtCriticalMsg)
