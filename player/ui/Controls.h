#pragma once
// The small widgets PlayerWindow is built from. Each reports its events to a
// plain callback so PlayerWindow keeps one handler per control event.

#include <QImage>
#include <QLabel>
#include <QWidget>
#include <functional>
#include <vector>

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

    // The text as the game wrote it; at a zoom above 1 the label shows it
    // in the lines it has at the designed size.
    void setCaption(const QString& text);
    const QString& caption() const { return m_caption; }
    // The font at the designed size; the label shows it zoomed.
    void setDesignFont(const QFont& font);
    const QFont& designFont() const { return m_designFont; }
    // `designWidth` is the label's width at 1x.
    void setZoom(int zoom, int designWidth);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    void showCaption();

    bool m_pressed = false;
    bool m_focusRing = false;
    QString m_caption;
    QFont m_designFont;
    int m_zoom = 1;
    int m_designWidth = 0;
};

// What a screen reader is told as play goes on: the scene texts, points and
// hints Read Aloud would say. Never drawn and left out of the window's
// tree; the window moves the reader's focus to it with each new text, which
// readers speak at once where a changed label would stay silent.
class Announcer : public QWidget {
public:
    explicit Announcer(QWidget* parent);
    QString text;
    bool focused = false;
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
    int zoom = 1;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    bool m_pressed = false;
    // Keys pressed here and not yet released: a release whose press went to
    // another window (Enter that closed a dialog) is not the game's.
    std::vector<int> m_down;
};

// Picture2: the video area. Shows the last frame it was given; frames may
// come from the decoder's thread.
class VideoArea : public QWidget, public VideoSink {
public:
    explicit VideoArea(QWidget* parent);
    void showFrame(const QImage& frame);
    void clearFrame();
    const QImage& frame() const { return m_frame; }
    int zoom = 1;

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
    // Where the window's content sits at `zoom`; black around it (full screen).
    void setContent(int zoom, const QRect& content);
    const QRect& content() const { return m_content; }
    std::function<void()> onMouseDown;  // any button

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    QColor m_background{0, 0, 0};
    QImage m_picture;
    int m_zoom = 1;
    QRect m_content;  // null: all of the surface
};

}  // namespace parvel::ui
