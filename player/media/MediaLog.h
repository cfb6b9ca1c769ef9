#pragma once
#include <QLoggingCategory>

// Silent unless switched on with QT_LOGGING_RULES="parvel.media.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcMedia)
