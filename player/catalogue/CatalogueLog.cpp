#include "CatalogueLog.h"
Q_LOGGING_CATEGORY(lcCatalogue, "parvel.catalogue", QtWarningMsg)
