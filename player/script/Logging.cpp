#include "Logging.h"
Q_LOGGING_CATEGORY(lcScript, "parvel.script", QtWarningMsg)
