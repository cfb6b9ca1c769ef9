#include "Controls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <vector>

#include "WindowScale.h"

namespace parvel::ui {

ControlLabel::ControlLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);  // " <--" and "&" are text, not markup
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMouseTracking(true);
    m_designFont = font();
}

void ControlLabel::setFocusRing(bool on) {
    if (m_focusRing == on) return;
    m_focusRing = on;
    update();
}

void ControlLabel::setCaption(const QString& text) {
    m_caption = text;
    showCaption();
}

void ControlLabel::setDesignFont(const QFont& font) {
    m_designFont = font;
    setFont(zoomedFont(font, m_zoom));
    if (m_zoom > 1) showCaption();
}

void ControlLabel::setZoom(int zoom, int designWidth) {
    if (zoom == m_zoom && designWidth == m_designWidth) return;
    m_zoom = zoom;
    m_designWidth = designWidth;
    setFont(zoomedFont(m_designFont, zoom));
    showCaption();
}

void ControlLabel::showCaption() {
    if (m_zoom <= 1) {
        setWordWrap(true);
        setText(m_caption);
        return;
    }
    // Font sizes do not scale exactly with hinting, so wrapping at the
    // zoomed size could break elsewhere: the lines are the designed ones.
    setWordWrap(false);
    setText(wrappedLines(m_caption, m_designFont, m_designWidth).join(QLatin1Char('\n')));
}

void ControlLabel::paintEvent(QPaintEvent* e) {
    QLabel::paintEvent(e);
    if (!m_focusRing) return;
    QPainter p(this);
    QPen pen(palette().color(QPalette::WindowText));
    pen.setStyle(Qt::DotLine);
    if (m_zoom > 1) pen.setWidth(m_zoom);
    p.setPen(pen);
    const int inset = m_zoom > 1 ? m_zoom / 2 : 0;
    p.drawRect(rect().adjusted(inset, inset, -1 - inset, -1 - inset));
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

bool PictureBox::event(QEvent* e) {
    // Tab would look for another widget to focus; here it walks the options.
    if (e->type() == QEvent::KeyPress && onTab) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            e->accept();
            onTab(key == Qt::Key_Backtab);
            return true;
        }
    }
    return QWidget::event(e);
}

void PictureBox::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    const QImage* image = source ? source() : nullptr;
    if (!image || image->isNull()) {
        p.fillRect(e->rect(), Qt::black);
        return;
    }
    p.fillRect(rect(), Qt::black);
    if (zoom == 1 && devicePixelRatioF() == 1.0)
        p.drawImage(0, 0, *image);
    else
        p.drawImage(0, 0, toDevicePixels(*image, zoom, devicePixelRatioF()));
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
    if (std::find(m_down.begin(), m_down.end(), e->key()) == m_down.end()) m_down.push_back(e->key());
    if (onKeyDown) onKeyDown(e->key());
}

void PictureBox::keyReleaseEvent(QKeyEvent* e) {
    e->accept();
    // X11 reports a held key as release/press pairs; only the last release
    // is the real one.
    if (e->isAutoRepeat()) return;
    const auto down = std::find(m_down.begin(), m_down.end(), e->key());
    if (down == m_down.end()) return;
    m_down.erase(down);
    if (onKeyUp) onKeyUp(e->key());
}

void PictureBox::focusOutEvent(QFocusEvent* e) {
    // Whatever is released while another window has the keys is not ours.
    m_down.clear();
    QWidget::focusOutEvent(e);
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
    if (m_frame.isNull()) return;
    const qreal ratio = devicePixelRatioF();
    if (zoom == 1 && ratio == 1.0) {
        p.drawImage(rect(), m_frame);
        return;
    }
    // Straight into device pixels: never through the painter's smoothing.
    QImage frame = m_frame.scaled(QSize(qRound(width() * ratio), qRound(height() * ratio)),
                                  Qt::IgnoreAspectRatio, Qt::FastTransformation);
    frame.setDevicePixelRatio(ratio);
    p.drawImage(0, 0, frame);
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

void Surface::setContent(int zoom, const QRect& content) {
    m_zoom = zoom;
    m_content = content;
    update();
}

void Surface::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    const qreal ratio = devicePixelRatioF();
    if (m_content.isNull() && m_zoom == 1 && ratio == 1.0) {
        p.fillRect(e->rect(), m_background);
        if (!m_picture.isNull()) p.drawImage(0, 0, m_picture);
        return;
    }
    const QRect content = m_content.isNull() ? rect() : m_content;
    p.fillRect(e->rect(), Qt::black);
    p.fillRect(content & e->rect(), m_background);
    if (m_picture.isNull()) return;
    p.setClipRect(content);
    p.drawImage(content.topLeft(), toDevicePixels(m_picture, m_zoom, ratio));
}

void Surface::mousePressEvent(QMouseEvent* e) {
    e->accept();
    if (onMouseDown) onMouseDown();
}

Announcer::Announcer(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

namespace {

class AnnouncerAccessible : public QAccessibleWidget {
public:
    explicit AnnouncerAccessible(Announcer* a) : QAccessibleWidget(a, QAccessible::StaticText) {}
    Announcer* announcer() const { return static_cast<Announcer*>(widget()); }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? announcer()->text : QString();
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = false;
        s.offscreen = false;
        s.focusable = true;
        s.focused = announcer()->focused;
        return s;
    }
};

class LabelAccessible : public QAccessibleWidget {
public:
    explicit LabelAccessible(ControlLabel* l)
        : QAccessibleWidget(l, l->role == LabelRole::Option ? QAccessible::Button
                                                            : QAccessible::StaticText) {}
    ControlLabel* label() const { return static_cast<ControlLabel*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return label()->accessibleText ? label()->accessibleText() : label()->caption();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        const bool hidden = label()->role == LabelRole::Hidden || text(QAccessible::Name).isEmpty();
        if (hidden) s.invisible = true;
        if (label()->role == LabelRole::Option && !hidden) s.focusable = true;
        if (label()->accessibleFocus && !hidden) s.focused = true;
        return s;
    }
    QStringList actionNames() const override {
        if (label()->role == LabelRole::Option && !text(QAccessible::Name).isEmpty())
            return {pressAction()};
        return {};
    }
    void doAction(const QString& name) override {
        if (name == pressAction() && label()->role == LabelRole::Option && label()->onClick)
            label()->onClick();
    }
};

// The window's client area, without the labels that show nothing (empty
// options, the points outside a fight), so a screen reader walks only what
// is there.
class SurfaceAccessible : public QAccessibleWidget {
public:
    explicit SurfaceAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Client) {}

    int childCount() const override { return static_cast<int>(shown().size()); }
    QAccessibleInterface* child(int index) const override {
        const auto list = shown();
        return index >= 0 && index < static_cast<int>(list.size())
                   ? list[static_cast<std::size_t>(index)]
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto list = shown();
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i] == child) return static_cast<int>(i);
        return -1;
    }

private:
    std::vector<QAccessibleInterface*> shown() const {
        std::vector<QAccessibleInterface*> out;
        for (QObject* o : widget()->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (!w || w->isWindow() || w->isHidden() || dynamic_cast<Announcer*>(w)) continue;
            QAccessibleInterface* i = QAccessible::queryAccessibleInterface(w);
            if (i && !i->state().invisible) out.push_back(i);
        }
        return out;
    }
};

QAccessibleInterface* accessibleFor(const QString&, QObject* object) {
    if (auto* l = dynamic_cast<ControlLabel*>(object)) return new LabelAccessible(l);
    if (auto* s = dynamic_cast<Surface*>(object)) return new SurfaceAccessible(s);
    if (auto* a = dynamic_cast<Announcer*>(object)) return new AnnouncerAccessible(a);
    if (auto* p = dynamic_cast<PictureBox*>(object))
        return new QAccessibleWidget(p, QAccessible::Graphic);
    return nullptr;
}

}  // namespace

void installAccessibility() {
    static const bool once = [] {
        QAccessible::installFactory(accessibleFor);
        return true;
    }();
    (void)once;
}

}  // namespace parvel::ui
