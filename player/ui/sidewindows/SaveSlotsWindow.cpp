#include "SaveSlotsWindow.h"

#include <QAccessible>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "PngData.h"
#include "TextCodec.h"

namespace parvel::ui {

namespace {
constexpr QSize kThumbnail(100, 58);  // half the picture box
constexpr int kSlotRole = Qt::UserRole + 1;

// The player's own slots, as stored and as shown.
constexpr std::pair<const char*, const char*> kOwnSlots[] = {
    {"autosave", "Autosave"}, {"previous-autosave", "Previous autosave"}, {"quick", "Quick save"}};
}  // namespace

QString SaveSlotsWindow::shownName(const std::string& slot) {
    for (const auto& [stored, shown] : kOwnSlots)
        if (slot == stored) return QString::fromLatin1(shown);
    return QString::fromStdString(slot);
}

std::string SaveSlotsWindow::storedName(const QString& typed) const {
    const QString t = typed.trimmed();
    for (const auto& [stored, shown] : kOwnSlots)
        if (t.compare(QLatin1String(shown), Qt::CaseInsensitive) == 0) return stored;
    return t.toStdString();
}

bool SaveSlotsWindow::listed(const std::string& slot) const {
    for (int r = 0; r < m_list->count(); ++r)
        if (m_list->item(r)->data(kSlotRole).toString().toStdString() == slot) return true;
    return false;
}

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
        const QString text = shownName(slot.name) + "\n" + QString::fromStdString(cp1252ToUtf8(slot.firstLine)) + "\n" +
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
        m_name->setPlaceholderText(tr("a new name, or choose a slot above to save over it"));
        // Readers skip the placeholder: say what to type.
        m_name->setAccessibleDescription(tr("Type a new name, or choose a slot above to save over it"));
        label->setBuddy(m_name);
        layout->addWidget(label);
        layout->addWidget(m_name);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_ok = buttons->addButton(mode == Mode::Save ? tr("&Save") : tr("&Load"), QDialogButtonBox::AcceptRole);
    m_ok->setDefault(true);
    m_delete = buttons->addButton(tr("&Delete"), QDialogButtonBox::ActionRole);
    m_rename = buttons->addButton(tr("&Rename..."), QDialogButtonBox::ActionRole);
    m_delete->setObjectName("deleteSlot");
    m_rename->setObjectName("renameSlot");
    m_delete->setAutoDefault(false);
    m_rename->setAutoDefault(false);
    connect(m_delete, &QPushButton::clicked, this, [this] { deleteCurrent(); });
    connect(m_rename, &QPushButton::clicked, this, [this] { renameCurrent(); });
    ask = [this](const QString& question) {
        return QMessageBox::question(this, windowTitle(), question) == QMessageBox::Yes;
    };
    askName = [this](const QString& current) {
        return QInputDialog::getText(this, tr("Rename"), tr("New name:"), QLineEdit::Normal, current);
    };
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { choose(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemActivated, this, [this] { choose(); });
    if (m_list->count() > 0) m_list->setCurrentRow(0);
    auto update = [this] {
        QListWidgetItem* item = m_list->currentItem();
        m_ok->setEnabled(m_mode == Mode::Save ? !m_name->text().trimmed().isEmpty() : item != nullptr);
        m_delete->setEnabled(item != nullptr);
        m_rename->setEnabled(item != nullptr);
    };
    if (mode == Mode::Save) {
        // Choosing a slot is what puts its name in the field.
        connect(m_list, &QListWidget::itemClicked, this,
                [this](QListWidgetItem* item) { m_name->setText(shownName(item->data(kSlotRole).toString().toStdString())); });
        connect(m_name, &QLineEdit::textChanged, this, update);
    }
    connect(m_list, &QListWidget::currentItemChanged, this, update);
    update();
    if (mode == Mode::Save) m_name->setFocus();
    else m_list->setFocus();
    m_list->setWordWrap(true);
    resize(480, 340);
}

void SaveSlotsWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // The row was made current before the list had focus, so no reader
    // heard of it: tell them once the focus is in.
    QTimer::singleShot(0, this, [this] {
        if (!QAccessible::isActive() || !m_list->hasFocus() || m_list->currentRow() < 0) return;
        QAccessibleEvent focus(m_list, QAccessible::Focus);
        focus.setChild(m_list->currentRow());
        QAccessible::updateAccessibility(&focus);
    });
}

void SaveSlotsWindow::choose() {
    if (m_mode == Mode::Save) {
        const std::string slot = storedName(m_name->text());
        if (slot.empty()) return;
        if (listed(slot) &&
            !ask(tr("Save over \"%1\"? What it holds now is lost.").arg(shownName(slot))))
            return;
        m_chosen = slot;
    } else if (auto* item = m_list->currentItem()) {
        m_chosen = item->data(kSlotRole).toString().toStdString();
    }
    if (!m_chosen.empty()) accept();
}

void SaveSlotsWindow::deleteCurrent() {
    QListWidgetItem* item = m_list->currentItem();
    if (!item || !removeSlot) return;
    const std::string slot = item->data(kSlotRole).toString().toStdString();
    if (!ask(tr("Delete \"%1\"? It cannot be brought back.").arg(shownName(slot)))) return;
    if (removeSlot(slot)) delete item;
}

void SaveSlotsWindow::renameCurrent() {
    QListWidgetItem* item = m_list->currentItem();
    if (!item || !renameSlot) return;
    const std::string slot = item->data(kSlotRole).toString().toStdString();
    const std::string name = storedName(askName(shownName(slot)));
    if (name.empty() || name == slot) return;
    if (listed(name) || !renameSlot(slot, name)) return;
    item->setData(kSlotRole, QString::fromStdString(name));
    QStringList lines = item->text().split(QLatin1Char('\n'));
    lines[0] = shownName(name);
    item->setText(lines.join(QLatin1Char('\n')));
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
    // The cursor at the start, so a reader reads from the top; the view
    // shows the newest.
    text->moveCursor(QTextCursor::Start);
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    text->setFocus();
    resize(420, 360);
}

}  // namespace parvel::ui
