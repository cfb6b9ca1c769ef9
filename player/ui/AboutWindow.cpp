#include "AboutWindow.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "Paths.h"

namespace parvel::ui {

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutWindow");
    setWindowTitle(QStringLiteral("About..."));
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setObjectName("Image1");
    picture->setAlignment(Qt::AlignCenter);
    if (const std::string file = findProgramFile("tavicast.bmp"); !file.empty()) {
        QImage image(QString::fromStdString(file));
        if (!image.isNull()) picture->setPixmap(QPixmap::fromImage(image));
    }
    layout->addWidget(picture);

    auto* version = new QLabel(QStringLiteral("Parvel version 1.0"), this);
    version->setObjectName("Label1");
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(version);

    auto* credit = new QLabel(QStringLiteral("Written by the Parvel developers"), this);
    credit->setObjectName("Label2");
    credit->setAlignment(Qt::AlignCenter);
    layout->addWidget(credit);
}

}  // namespace parvel::ui
