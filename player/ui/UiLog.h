#pragma once
#include <QLoggingCategory>

namespace parvel::ui {
Q_DECLARE_LOGGING_CATEGORY(lcUi)
}
