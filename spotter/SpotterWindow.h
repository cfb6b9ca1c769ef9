#pragma once
// Spotter's main window: a background picture with a sprite on top that
// follows the mouse, centred on the pointer, and the pointer's X and Y in
// picture pixels — the values the player's sprite commands expect, since
// the player centres pictures the same way.

#include <QImage>
#include <QWidget>
#include <functional>
#include <string>

#include "BitmapErrorReporter.h"
#include "DirtyRects.h"
#include "MemoryBitmap.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace spotter {

// The picture box: shows its image and reports mouse moves in its pixels.
class PictureBox : public QWidget {
public:
    PictureBox(QImage* image, QWidget* parent);
    std::function<void(double x, double y)> onMouseMove;

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    QImage* m_image;
};

// Spotter's failure reporting: a failed load sets the window caption to
// "ERROR"; a failed draw shows "number - description". Both end the step.
class SpotterReporter : public parvel::render::BitmapErrorReporter {
public:
    explicit SpotterReporter(QWidget* window) : m_window(window) {}
    bool onInitError(const parvel::Error& error, std::string_view path) override;
    bool onDrawError(const parvel::Error& error, long lastDrawResult) override;

private:
    QWidget* m_window;
};

class SpotterWindow : public QWidget {
public:
    // blkPath: the black frame picture (program folder's blk.bmp); empty or
    // missing leaves the pictures empty.
    explicit SpotterWindow(const std::string& blkPath, QWidget* parent = nullptr);

    // The two buttons: ask for a file, then load it.
    void Command1_Click();
    void Command2_Click();
    // What the buttons do with the dialog's answer. An empty answer means
    // cancel: the shared dialog then still holds the name chosen last (with
    // either button), which is taken again; before any choice nothing changes.
    void chooseBackground(const QString& dialogAnswer);
    void chooseSprite(const QString& dialogAnswer);
    void Picture1_MouseMove(double x, double y);

    // Redraws the queued rectangles (after merging) and empties the list.
    void ComposeDirty();

    // For tests.
    parvel::render::DirtyRects& dirtyRects() { return m_dirty; }
    const QImage& picture() const { return m_picture; }
    PictureBox* pictureBox() const { return m_picture1; }
    QString text(int n) const;  // Text1 … Text4
    parvel::render::clsMemoryBitmap& background() { return m_background; }
    parvel::render::clsMemoryBitmap& sprite() { return m_sprite; }
    std::int32_t lastX() const { return m_lastX; }
    std::int32_t lastY() const { return m_lastY; }

    // Picture box size, in pixels.
    static constexpr int kPictureWidth = 193;
    static constexpr int kPictureHeight = 111;

private:
    QString takeDialogAnswer(const QString& answer);
    // Composes at the next turn of the event loop, so that moves arriving
    // together are merged into one pass; nothing runs while idle.
    void scheduleCompose();

    SpotterReporter m_reporter{this};
    parvel::render::DirtyRects m_dirty;
    QImage m_picture;
    parvel::render::clsMemoryBitmap m_backBuffer;
    parvel::render::clsMemoryBitmap m_background;
    parvel::render::clsMemoryBitmap m_sprite;
    std::int32_t m_lastX = 0;
    std::int32_t m_lastY = 0;
    QString m_dialogFile;
    bool m_composePending = false;

    QLineEdit* m_text1;
    QPushButton* m_command1;
    QLineEdit* m_text2;
    QPushButton* m_command2;
    PictureBox* m_picture1;
    QLabel* m_label1;
    QLineEdit* m_text3;
    QLabel* m_label2;
    QLineEdit* m_text4;
};

}  // namespace spotter
