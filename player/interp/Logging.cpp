#include "Logging.h"
Q_LOGGING_CATEGORY(lcInterp, "parvel.interp", QtWarningMsg)
