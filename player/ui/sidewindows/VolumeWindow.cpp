#include "VolumeWindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QSlider>

namespace parvel::ui {

VolumeWindow::VolumeWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("VolumeWindow");
    setWindowTitle(QStringLiteral("Volume"));
    auto* grid = new QGridLayout(this);
    const char* names[] = {"master", "music", "sounds"};
    const char* captions[] = {"&Master", "M&usic", "&Sounds"};
    for (int i = 0; i < 3; ++i) {
        auto* caption = new QLabel(QString::fromLatin1(captions[i]), this);
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setObjectName(names[i]);
        slider->setRange(0, 100);
        slider->setPageStep(10);
        slider->setValue(100);
        slider->setMinimumWidth(160);
        caption->setBuddy(slider);
        auto* value = new QLabel(QStringLiteral("100 %"), this);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("100 %")));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(caption, i, 0);
        grid->addWidget(slider, i, 1);
        grid->addWidget(value, i, 2);
        m_sliders[static_cast<std::size_t>(i)] = slider;
        m_values[static_cast<std::size_t>(i)] = value;
        connect(slider, &QSlider::valueChanged, this, [this, value](int v) {
            value->setText(QString::number(v) + QStringLiteral(" %"));
            if (!m_setting && onChange)
                onChange(this->value(Master), this->value(Music), this->value(Sounds));
        });
    }
}

void VolumeWindow::setValues(int master, int music, int sounds) {
    m_setting = true;
    m_sliders[Master]->setValue(master);
    m_sliders[Music]->setValue(music);
    m_sliders[Sounds]->setValue(sounds);
    m_setting = false;
}

int VolumeWindow::value(Slider s) const { return m_sliders[s]->value(); }

}  // namespace parvel::ui
