#include "Controls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace parvel::ui {

ControlLabel::ControlLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);  // " <--" and "&" are text, not markup
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMouseTracking(true);
}

void ControlLabel::mousePressEvent(QMouseEvent* e) {
    m_pressed = e->button() == Qt::LeftButton;
    e->accept();
}

void ControlLabel::mouseReleaseEvent(QMouseEvent* e) {
    const bool click = m_pressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    m_pressed = false;
    e->accept();
    if (click && onClick) onClick();
}

void ControlLabel::mouseMoveEvent(QMouseEvent* e) {
    e->accept();
    if (onMouseMove) onMouseMove();
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    const QImage* image = source ? source() : nullptr;
    if (!image || image->isNull()) {
        p.fillRect(e->rect(), Qt::black);
        return;
    }
    p.fillRect(rect(), Qt::black);
    p.drawImage(0, 0, *image);
}

void PictureBox::mousePressEvent(QMouseEvent* e) {
    m_pressed = e->button() == Qt::LeftButton;
    setFocus(Qt::MouseFocusReason);
    e->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent* e) {
    const bool click = m_pressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    m_pressed = false;
    e->accept();
    if (click && onClick) onClick();
}

void PictureBox::keyPressEvent(QKeyEvent* e) {
    e->accept();
    if (onKeyDown) onKeyDown(e->key());
}

void PictureBox::keyReleaseEvent(QKeyEvent* e) {
    e->accept();
    // X11 reports a held key as release/press pairs; only the last release
    // is the real one.
    if (e->isAutoRepeat()) return;
    if (onKeyUp) onKeyUp(e->key());
}

VideoArea::VideoArea(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void VideoArea::showFrame(const QImage& frame) {
    m_frame = frame;
    update();
}

void VideoArea::clearFrame() {
    m_frame = QImage();
    update();
}

void VideoArea::videoFrame(const QImage& frame, std::int32_t) {
    QMetaObject::invokeMethod(this, [this, frame] { showFrame(frame); }, Qt::QueuedConnection);
}

void VideoArea::videoClosed() {
    QMetaObject::invokeMethod(this, [this] { clearFrame(); }, Qt::QueuedConnection);
}

void VideoArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (!m_frame.isNull())
        p.drawImage(rect(), m_frame);
}

Surface::Surface(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void Surface::setBackground(const QColor& colour) {
    m_background = colour;
    update();
}

void Surface::setPicture(const QImage& picture) {
    m_picture = picture;
    update();
}

void Surface::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(e->rect(), m_background);
    if (!m_picture.isNull()) p.drawImage(0, 0, m_picture);
}

void Surface::mousePressEvent(QMouseEvent* e) {
    e->accept();
    if (onMouseDown) onMouseDown();
}

}  // namespace parvel::ui
