#include "FileCheckLog.h"
Q_LOGGING_CATEGORY(lcFileCheck, "parvel.filecheck", QtWarningMsg)
