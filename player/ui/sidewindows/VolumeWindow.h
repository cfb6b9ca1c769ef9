#pragma once
// Options > Volume...: master, music and sounds, 0 to 100 %, applied while
// the sliders move.

#include <QDialog>
#include <array>
#include <functional>

class QLabel;
class QSlider;

namespace parvel::ui {

class VolumeWindow : public QDialog {
public:
    enum Slider { Master, Music, Sounds };
    explicit VolumeWindow(QWidget* parent);

    void setValues(int master, int music, int sounds);
    int value(Slider s) const;
    QSlider* slider(Slider s) const { return m_sliders[s]; }
    std::function<void(int master, int music, int sounds)> onChange;

private:
    std::array<QSlider*, 3> m_sliders{};
    std::array<QLabel*, 3> m_values{};
    bool m_setting = false;
};

}  // namespace parvel::ui
