#include "SaveSlotsWindow.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "PngData.h"
#include "TextCodec.h"

namespace parvel::ui {

namespace {
constexpr QSize kThumbnail(100, 58);  // half the picture box
constexpr int kSlotRole = Qt::UserRole + 1;
}  // namespace

SaveSlotsWindow::SaveSlotsWindow(Mode mode, std::vector<SaveSlots::Slot> slotList, QWidget* parent)
    : QDialog(parent), m_mode(mode) {
    setObjectName(mode == Mode::Save ? "SaveWindow" : "LoadWindow");
    setWindowTitle(mode == Mode::Save ? tr("Save") : tr("Load"));
    auto* layout = new QVBoxLayout(this);
    m_list = new QListWidget(this);
    m_list->setObjectName("slotList");
    m_list->setIconSize(kThumbnail);
    m_list->setAccessibleName(tr("Saved games"));
    for (const auto& slot : slotList) {
        const QPixmap thumb = QPixmap::fromImage(readPngWithinLimit(slot.thumbnailPng));
        const QString name = QString::fromStdString(slot.name);
        const QString text = name + "\n" + QString::fromStdString(cp1252ToUtf8(slot.firstLine)) + "\n" +
                             QString::fromStdString(slot.savedAt);
        auto* item = new QListWidgetItem(
            thumb.isNull() ? QIcon() : QIcon(thumb.scaled(kThumbnail, Qt::KeepAspectRatio, Qt::FastTransformation)),
            text, m_list);
        item->setData(kSlotRole, name);
        item->setToolTip(QString::fromStdString(cp1252ToUtf8(slot.scene)));
    }
    layout->addWidget(m_list);
    if (mode == Mode::Save) {
        auto* label = new QLabel(tr("Slot &name:"), this);
        m_name = new QLineEdit(this);
        m_name->setObjectName("slotName");
        m_name->setText(QStringLiteral("slot%1").arg(m_list->count() + 1));
        label->setBuddy(m_name);
        layout->addWidget(label);
        layout->addWidget(m_name);
        connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
            if (item) m_name->setText(item->data(kSlotRole).toString());
        });
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_ok = buttons->addButton(mode == Mode::Save ? tr("&Save") : tr("&Load"), QDialogButtonBox::AcceptRole);
    m_ok->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { choose(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemActivated, this, [this] { choose(); });
    if (m_list->count() > 0) m_list->setCurrentRow(0);
    m_ok->setEnabled(mode == Mode::Save || m_list->count() > 0);
    if (mode == Mode::Save && m_list->count() == 0) m_name->setFocus();
    else m_list->setFocus();
    m_list->setWordWrap(true);
    resize(480, 340);
}

void SaveSlotsWindow::choose() {
    if (m_mode == Mode::Save) {
        m_chosen = m_name->text().trimmed().toStdString();
    } else if (auto* item = m_list->currentItem()) {
        m_chosen = item->data(kSlotRole).toString().toStdString();
    }
    if (!m_chosen.empty()) accept();
}

StoryWindow::StoryWindow(const QString& story, QWidget* parent) : QDialog(parent) {
    setObjectName("StoryWindow");
    setWindowTitle(tr("Story so far"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QPlainTextEdit(this);
    text->setObjectName("storyText");
    text->setReadOnly(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text->setPlainText(story);
    text->moveCursor(QTextCursor::End);
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    text->setFocus();
    resize(420, 360);
}

}  // namespace parvel::ui
