#include "RenderLog.h"

// Silent by default; QT_LOGGING_RULES="parvel.render.debug=true" turns it on.
Q_LOGGING_CATEGORY(lcRender, "parvel.render", QtWarningMsg)
