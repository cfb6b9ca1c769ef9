#pragma once
// The About window.

#include <QDialog>

namespace parvel::ui {

class Form2 : public QDialog {
public:
    explicit Form2(QWidget* parent = nullptr);
};

}  // namespace parvel::ui
