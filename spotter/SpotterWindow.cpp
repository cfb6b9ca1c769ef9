#include "SpotterWindow.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <cmath>

#include "MergeDirty.h"

namespace spotter {

using namespace parvel::render;

PictureBox::PictureBox(QImage* image, QWidget* parent) : QWidget(parent), m_image(image) {
    // Moves are reported without a button held, as the tool expects.
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, *m_image);
}

void PictureBox::mouseMoveEvent(QMouseEvent* e) {
    if (onMouseMove) onMouseMove(e->position().x(), e->position().y());
}

bool SpotterReporter::onInitError(const parvel::Error&, std::string_view) {
    m_window->setWindowTitle("ERROR");
    return false;
}

bool SpotterReporter::onDrawError(const parvel::Error& error, long) {
    QMessageBox::information(
        m_window, m_window->windowTitle(),
        QString::number(error.number) + " - " + QString::fromStdString(error.description));
    return false;
}

namespace {

// Spotter's bitmaps never fade and report through the window.
BitmapContext contextFor(DirtyRects* dirty, BitmapErrorReporter* reporter) {
    return {dirty, nullptr, reporter};
}

}  // namespace

SpotterWindow::SpotterWindow(const std::string& blkPath, QWidget* parent)
    : QWidget(parent),
      m_picture(kPictureWidth, kPictureHeight, QImage::Format_RGB32),
      m_backBuffer(contextFor(&m_dirty, &m_reporter)),
      m_background(contextFor(&m_dirty, &m_reporter)),
      m_sprite(contextFor(&m_dirty, &m_reporter)) {
    setWindowTitle("X,Y Position Determiner");
    setFixedSize(233, 185);
    // Until something is drawn the picture box shows the window's colour.
    m_picture.fill(palette().color(QPalette::Window));

    m_text1 = new QLineEdit("none", this);
    m_text1->setGeometry(0, 0, 137, 19);
    m_command1 = new QPushButton("BackGround...", this);
    m_command1->setGeometry(144, 0, 81, 17);
    m_text2 = new QLineEdit("none", this);
    m_text2->setGeometry(0, 24, 137, 19);
    m_command2 = new QPushButton("Sprite...", this);
    m_command2->setGeometry(144, 24, 81, 17);
    m_picture1 = new PictureBox(&m_picture, this);
    m_picture1->setGeometry(32, 48, kPictureWidth, kPictureHeight);
    m_label1 = new QLabel("X:", this);
    m_label1->setGeometry(32, 160, 25, 17);
    m_text3 = new QLineEdit(this);
    m_text3->setGeometry(56, 160, 49, 19);
    m_label2 = new QLabel("Y:", this);
    m_label2->setGeometry(152, 160, 33, 17);
    m_text4 = new QLineEdit(this);
    m_text4->setGeometry(176, 160, 49, 19);

    QObject::connect(m_command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    QObject::connect(m_command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    m_picture1->onMouseMove = [this](double x, double y) { Picture1_MouseMove(x, y); };

    // The background starts as the black frame picture, as does the back
    // buffer, which is shown in the picture box; the sprite starts empty.
    m_background.LoadBMP(blkPath);
    m_backBuffer.LoadBMP(blkPath);
    m_backBuffer.SetTarget(&m_picture);
    m_background.SetTarget(m_backBuffer.hDC());
    m_sprite.SetTarget(m_backBuffer.hDC());
    m_dirty.reset();
    AddDirty(m_dirty, FullFrameRect);
    scheduleCompose();
}

QString SpotterWindow::text(int n) const {
    switch (n) {
        case 1:
            return m_text1->text();
        case 2:
            return m_text2->text();
        case 3:
            return m_text3->text();
        case 4:
            return m_text4->text();
    }
    return {};
}

QString SpotterWindow::takeDialogAnswer(const QString& answer) {
    if (!answer.isEmpty()) m_dialogFile = answer;
    return m_dialogFile;
}

void SpotterWindow::Command1_Click() {
    chooseBackground(
        QFileDialog::getOpenFileName(this, "Choose Background", m_dialogFile, "*.bmp (*.bmp)"));
}

void SpotterWindow::Command2_Click() {
    chooseSprite(
        QFileDialog::getOpenFileName(this, "Choose Sprite", m_dialogFile, "*.bmp (*.bmp)"));
}

void SpotterWindow::chooseBackground(const QString& dialogAnswer) {
    const QString file = takeDialogAnswer(dialogAnswer);
    if (file.isEmpty()) return;
    m_text1->setText(file);
    // Nothing is queued: the new background shows where later moves redraw.
    m_background.LoadBMP(file.toStdString());
}

void SpotterWindow::chooseSprite(const QString& dialogAnswer) {
    const QString file = takeDialogAnswer(dialogAnswer);
    if (file.isEmpty()) return;
    m_text2->setText(file);
    m_sprite.LoadBMP(file.toStdString());
    m_sprite.CenterOn(50, 50);
    scheduleCompose();
}

void SpotterWindow::Picture1_MouseMove(double x, double y) {
    if (x == m_lastX && y == m_lastY) return;
    // Halves round to the even neighbour, as in the player's placement.
    m_lastX = std::int32_t(std::nearbyint(x));
    m_lastY = std::int32_t(std::nearbyint(y));
    m_sprite.CenterOn(m_lastX, m_lastY);
    m_text3->setText(QString::number(x, 'g', QLocale::FloatingPointShortest));
    m_text4->setText(QString::number(y, 'g', QLocale::FloatingPointShortest));
    scheduleCompose();
}

void SpotterWindow::scheduleCompose() {
    if (m_composePending) return;
    m_composePending = true;
    QTimer::singleShot(0, this, [this] { ComposeDirty(); });
}

void SpotterWindow::ComposeDirty() {
    m_composePending = false;
    MergeDirty(m_dirty);
    bool drew = false;
    for (std::size_t i = 1; i <= m_dirty.last(); ++i) {
        const Rect r = m_dirty[i];
        if (r.right == 0) continue;
        m_background.DrawRect(r, 0);
        m_sprite.DrawRect(r, -1);
        m_backBuffer.DrawRect(r, 0);
        drew = true;
    }
    m_dirty.reset();
    if (drew) m_picture1->update();
}

}  // namespace spotter
