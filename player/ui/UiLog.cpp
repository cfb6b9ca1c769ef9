#include "UiLog.h"

namespace parvel::ui {
Q_LOGGING_CATEGORY(lcUi, "parvel.ui", QtWarningMsg)
}
