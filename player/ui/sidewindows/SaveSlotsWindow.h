#pragma once
// File > Save... and File > Load...: the slots of the open game, each with
// its thumbnail, the first line of its scene's text and when it was saved.
// Keyboard first: the list has the focus, arrows move, Enter chooses, Esc
// closes; saving also takes a new slot name.

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

private:
    void choose();

    Mode m_mode;
    QListWidget* m_list = nullptr;
    QLineEdit* m_name = nullptr;
    QPushButton* m_ok = nullptr;
    std::string m_chosen;
};

// File > Story so far...: the scene texts seen, oldest first, with the
// option chosen after each; selectable, scrolled to the newest.
class StoryWindow : public QDialog {
    Q_OBJECT
public:
    StoryWindow(const QString& story, QWidget* parent = nullptr);
};

}  // namespace parvel::ui
