#pragma once
// Hand-offs to the user's desktop.

#include <QUrl>

namespace parvel::ui {

// Opens a web page in the user's browser without waiting for it; no shell
// is involved, so nothing in the address runs as a command.
bool openWebPage(const QUrl& url);

}  // namespace parvel::ui
