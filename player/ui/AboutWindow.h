#pragma once
// The About window.

#include <QDialog>

namespace parvel::ui {

class AboutWindow : public QDialog {
public:
    explicit AboutWindow(QWidget* parent = nullptr);
};

}  // namespace parvel::ui
