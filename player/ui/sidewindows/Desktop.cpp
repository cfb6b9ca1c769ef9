#include "Desktop.h"

#include <QDesktopServices>

namespace parvel::ui {

bool openWebPage(const QUrl& url) { return QDesktopServices::openUrl(url); }

}  // namespace parvel::ui
