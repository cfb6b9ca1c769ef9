#pragma once
// The small widgets Form1 is built from. Each reports its events to a
// plain callback so Form1 keeps one handler per control event.

#include <QImage>
#include <QLabel>
#include <QWidget>
#include <functional>

#include "VideoSink.h"

namespace parvel::ui {

// What a label is to a screen reader.
enum class LabelRole { Text, Option, Hidden };

// A caption. Unlike a bare QLabel it takes the mouse press itself, so a
// press on a label is never also a press on the window behind it.
class ControlLabel : public QLabel {
public:
    explicit ControlLabel(QWidget* parent);
    std::function<void()> onClick;      // left button pressed and released over it
    std::function<void()> onMouseMove;  // pointer moved over it, buttons or not

    // Options are push buttons pressed through onClick; a label with an
    // empty name is left out of the accessibility tree.
    LabelRole role = LabelRole::Text;
    std::function<QString()> accessibleText;  // the name; the caption when unset
    bool accessibleFocus = false;             // where keyboard play has got to

    // Keyboard play's focus ring; never drawn until the keyboard moves it.
    void setFocusRing(bool on);
    bool focusRing() const { return m_focusRing; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    bool m_pressed = false;
    bool m_focusRing = false;
};

// Describes the window's labels and picture to assistive technology. Qt
// asks the factory only once a screen reader (or another client) connects.
void installAccessibility();

// Picture1: shows the composed scene picture and takes the keys.
class PictureBox : public QWidget {
public:
    explicit PictureBox(QWidget* parent);
    std::function<const QImage*()> source;
    std::function<void()> onClick;
    std::function<void(int qtKey)> onKeyDown;  // repeats while held
    std::function<void(int qtKey)> onKeyUp;    // once, at the real release
    std::function<void(bool back)> onTab;      // Tab / Shift+Tab

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;

private:
    bool m_pressed = false;
};

// Picture2: the video area. Shows the last frame it was given; frames may
// come from the decoder's thread.
class VideoArea : public QWidget, public VideoSink {
public:
    explicit VideoArea(QWidget* parent);
    void showFrame(const QImage& frame);
    void clearFrame();
    const QImage& frame() const { return m_frame; }

    void videoFrame(const QImage& frame, std::int32_t frameNumber) override;
    void videoClosed() override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage m_frame;
};

// The window's client area: background colour, the background picture at
// the top left, and presses on the bare background.
class Surface : public QWidget {
public:
    explicit Surface(QWidget* parent);
    void setBackground(const QColor& colour);
    const QColor& background() const { return m_background; }
    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }
    std::function<void()> onMouseDown;  // any button

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    QColor m_background{0, 0, 0};
    QImage m_picture;
};

}  // namespace parvel::ui
