#pragma once
// File > Save... and File > Load...: the slots of the open game, each with
// its thumbnail, the first line of its scene's text and when it was saved.
// Keyboard first: Load starts in the list, Save in the empty name field;
// arrows move, Enter chooses, Esc closes. Saving over a slot asks first;
// slots can be deleted and renamed. The player's own slots show by what
// they are ("Quick save"), their files keep their names.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "SaveSlots.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace parvel::ui {

class SaveSlotsWindow : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Save, Load };
    SaveSlotsWindow(Mode mode, std::vector<SaveSlots::Slot> slotList, QWidget* parent = nullptr);

    // The slot chosen (after exec() returned Accepted).
    std::string chosenSlot() const { return m_chosen; }

    // What a slot is called here: the player's own slots by what they are.
    static QString shownName(const std::string& slot);

    // Yes/No questions (the default asks in a message box), and the file
    // work behind Delete and Rename (false: refused, with the reason shown).
    std::function<bool(const QString& question)> ask;
    std::function<QString(const QString& current)> askName;  // empty: cancelled
    std::function<bool(const std::string& slot)> removeSlot;
    std::function<bool(const std::string& slot, const std::string& newName)> renameSlot;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void choose();
    void deleteCurrent();
    void renameCurrent();
    // The stored name for what the name field says.
    std::string storedName(const QString& typed) const;
    bool listed(const std::string& slot) const;

    Mode m_mode;
    QListWidget* m_list = nullptr;
    QLineEdit* m_name = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_rename = nullptr;
    std::string m_chosen;
};

// File > Story so far...: the scene texts seen, oldest first, with the
// option chosen after each; selectable, scrolled to the newest with the
// cursor at the start.
class StoryWindow : public QDialog {
    Q_OBJECT
public:
    StoryWindow(const QString& story, QWidget* parent = nullptr);
};

}  // namespace parvel::ui
