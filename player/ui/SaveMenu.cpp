// The File menu's saves: Continue, Save..., Load..., quick save and load,
// Back and the story so far.

#include <QAction>
#include <QMenu>
#include <filesystem>

#include "PlayerWindow.h"
#include "GameSaves.h"
#include "SaveSlotsWindow.h"
#include "TextCodec.h"

namespace parvel::ui {

void PlayerWindow::addSaveItems() {
    if (m_continue || !m_core || !m_core->saves()) return;
    GameSaves& saves = *m_core->saves();
    QAction* before = m_Fle->actions().value(1);  // after Open
    auto add = [&](const char* name, const QString& caption, const QKeySequence& keys, auto handler) {
        auto* a = new QAction(caption, m_Fle);
        a->setObjectName(name);
        a->setShortcut(keys);
        m_Fle->insertAction(before, a);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    m_continue = add("cntinue", tr("Co&ntinue"), QKeySequence(Qt::CTRL | Qt::Key_R), [this] {
        loadSlot(std::string(kAutosaveSlot));
    });
    m_saveAs = add("saveAs", tr("&Save..."), {}, [this] {
        SaveSlotsWindow w(SaveSlotsWindow::Mode::Save, m_core->saves()->saveSlots().list(), this);
        manageSlots(w);
        if (w.exec() == QDialog::Accepted) saveToSlot(w.chosenSlot());
        activateWindow();
        rereadScene();
    });
    m_loadFrom = add("loadFrom", tr("&Load..."), {}, [this] {
        SaveSlotsWindow w(SaveSlotsWindow::Mode::Load, m_core->saves()->saveSlots().list(), this);
        manageSlots(w);
        // A loaded game's scene is read as it is shown.
        if (w.exec() != QDialog::Accepted || !loadSlot(w.chosenSlot())) rereadScene();
        activateWindow();
    });
    add("quickSave", tr("&Quick Save"), QKeySequence(Qt::Key_F5), [this] {
        if (saveToSlot(std::string(kQuickSlot))) showNotice(tr("Quick save done (F9 loads it)"));
    });
    add("quickLoad", tr("Quick Loa&d"), QKeySequence(Qt::Key_F9), [this] {
        if (loadSlot(std::string(kQuickSlot))) showNotice(tr("Quick save loaded"));
    });
    m_back = add("back", tr("&Back"), QKeySequence(Qt::Key_Backspace), [this] {
        if (!m_quitting) inCore([&] { m_core->saves()->back(); });
        updateSaveItems();
    });
    add("story", tr("Story so &far..."), QKeySequence(Qt::CTRL | Qt::Key_H), [this] {
        StoryWindow w(QString::fromStdString(cp1252ToUtf8(m_core->saves()->storySoFar())), this);
        w.exec();
        activateWindow();
        rereadScene();
    });
    m_Fle->insertSeparator(before);
    saves.onChanged = [this] { updateSaveItems(); };
    connect(m_Fle, &QMenu::aboutToShow, this, [this] { updateSaveItems(); });
    updateSaveItems();
}

// Delete and Rename in the Save and Load windows: the slots' files.
void PlayerWindow::manageSlots(SaveSlotsWindow& w) {
    if (slotQuestionHook) w.ask = slotQuestionHook;
    if (slotNameHook) w.askName = slotNameHook;
    w.removeSlot = [this](const std::string& slot) {
        std::error_code ec;
        if (std::filesystem::remove(m_core->saves()->saveSlots().fileOf(slot), ec) && !ec) return true;
        messageBox(utf8ToCp1252("Cannot delete \"" + slot + "\": " + ec.message() + ".").value_or(""));
        return false;
    };
    w.renameSlot = [this](const std::string& slot, const std::string& name) {
        const SaveSlots& folder = m_core->saves()->saveSlots();
        std::error_code ec;
        if (!folder.exists(name)) std::filesystem::rename(folder.fileOf(slot), folder.fileOf(name), ec);
        else ec = std::make_error_code(std::errc::file_exists);
        if (!ec) return true;
        messageBox(utf8ToCp1252("Cannot rename \"" + slot + "\": " + ec.message() + ".").value_or(""));
        return false;
    };
}

void PlayerWindow::updateSaveItems() {
    if (!m_continue || !m_core || !m_core->saves()) return;
    GameSaves& saves = *m_core->saves();
    const bool open = saves.hasGame();
    m_continue->setEnabled(open && saves.hasAutosave());
    m_saveAs->setEnabled(open);
    m_loadFrom->setEnabled(open);
    m_back->setEnabled(saves.canGoBack());
}

bool PlayerWindow::saveToSlot(const std::string& slot) {
    if (m_quitting || !m_core || !m_core->saves() || slot.empty()) return false;
    if (!m_core->saves()->hasGame()) {
        messageBox("Please open a game first!");
        return false;
    }
    bool done = false;
    inCore([&] { done = m_core->saves()->save(slot); });
    updateSaveItems();
    return done;
}

bool PlayerWindow::loadSlot(const std::string& slot) {
    if (m_quitting || !m_core || !m_core->saves() || slot.empty()) return false;
    if (!m_core->saves()->hasGame()) {
        messageBox("Please open a game first!");
        return false;
    }
    bool done = false;
    inCore([&] { done = m_core->saves()->load(slot); });
    updateSaveItems();
    return done;
}

}  // namespace parvel::ui
