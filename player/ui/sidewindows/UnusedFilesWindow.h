#pragma once
// The unused-files report, "Unused Files...": the pictures and the sounds and music of the
// open game that no scene names, and a preview of a clicked picture.
//
// The main window creates it once. For "Check Files...": clearLists(); with
// no game open say "Please open a game first!"; otherwise show() it and call
// CheckFiles with the open game, its scene table and the window's Host. The
// check lets events run throughout, so the window stays usable; starting a
// new check ends the one still running.

#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "GameScript.h"
#include "UnusedFiles.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace parvel {
class Host;
class SceneTable;
}  // namespace parvel

namespace parvel::ui {

class UnusedFilesWindow : public QWidget {
    Q_OBJECT
public:
    explicit UnusedFilesWindow(QWidget* parent = nullptr);
    ~UnusedFilesWindow() override;

    // Empties List1 and List2.
    void clearLists();
    // One whole check of `game`, whose script `table` holds. Returns what was
    // listed (nothing further when a newer check took over).
    filecheck::UnusedFiles CheckFiles(const GameScript& game, SceneTable& table, Host& host);

    QLineEdit* Text1 = nullptr;  // status line
    QLabel* Label1 = nullptr;
    QListWidget* List1 = nullptr;  // unused pictures
    QLabel* Label2 = nullptr;
    QListWidget* List2 = nullptr;  // unused sounds and music
    QLabel* Image1 = nullptr;      // the picture last clicked in List1

public Q_SLOTS:
    void List1_Click(QListWidgetItem* item);

private:
    class Run;
    std::vector<std::string> m_picturePaths;  // parallel to List1's rows
    std::uint64_t m_generation = 0;
};

}  // namespace parvel::ui
