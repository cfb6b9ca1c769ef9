#include "MediaLog.h"

Q_LOGGING_CATEGORY(lcMedia, "parvel.media", QtCriticalMsg)
