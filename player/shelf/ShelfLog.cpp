#include "ShelfLog.h"
Q_LOGGING_CATEGORY(lcShelf, "parvel.shelf", QtWarningMsg)
