#pragma once
// Spotter's main window: the whole background at a whole zoom factor with
// the sprite on it, and for a walking scene opened from a game script the
// walk itself: where the walker can stand, the hot spots with their Ctrl
// windows, the arrow keys walking the sprite by the player's own rules, and
// the sprite commands edited by dragging and written back to the script.
//
// Without a scene it does what the tool always did: load a background and a
// sprite, and the sprite follows the pointer while X: and Y: show where.

#include <QMainWindow>
#include <QTimer>
#include <optional>
#include <string>

#include "MemoryBitmap.h"
#include "SceneView.h"
#include "SpotterWindow.h"
#include "WalkingScene.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace spotter {

class SceneWindow : public QMainWindow {
public:
    explicit SceneWindow(const std::string& blkPath, QWidget* parent = nullptr);

    // File ▸ Open Scene… once the file and scene are chosen. On failure the
    // message shows in a box (and is returned) and nothing changes.
    QString openScene(const QString& gameFile, const QByteArray& sceneName);
    void chooseBackground(const QString& file);
    void chooseSprite(const QString& file);
    void copyDirectives();
    // Writes the changed sprite commands into the script; the message shown.
    QString saveToScript();

    void setZoom(int zoom);
    void setEncipheredRules(bool on);
    void setSpeedBonus(int bonus);
    void resetWalker();
    // Hot-spot editing, as the form and the mouse do it (slots from 1).
    void selectSpot(int slot);
    void moveSpot(int slot, int x);
    void addSpot();
    void deleteSpot();
    void moveSprite(int x, int y);

    // Where messages that need an answer go; a message box when unset.
    std::function<void(const QString&)> onMessage;

    // For tests.
    SceneView* view() const { return m_view; }
    const std::optional<WalkingScene>& scene() const { return m_scene; }
    const parvel::WalkingSprite& walker() const { return m_walker; }
    QImage composed() const { return m_composed; }
    QStringList warnings() const;
    QString walkText() const;
    int selectedSpot() const { return m_selected; }
    bool walking() const { return m_tick.isActive(); }
    // Standing places for the speeds normal, +2, +5, as marked.
    const std::array<std::vector<double>, 3>& places() const { return m_places; }

private:
    void buildMenus();
    QWidget* buildPanel();
    void openSceneDialog();
    void refresh();        // marks, warnings, list, form, picture
    void recompose();      // the picture only
    void fillForm();
    void applyForm();
    void tick();
    void keyPress(QKeyEvent* e);
    void keyRelease(QKeyEvent* e);
    void mousePress(QMouseEvent* e);
    void mouseMove(QMouseEvent* e);
    void mouseRelease(QMouseEvent* e);
    parvel::WalkRules rules() const;
    QString spotLine(int slot) const;
    void showMessage(const QString& text);
    void tell(const QString& text);

    SpotterReporter m_reporter{this};
    std::string m_blkPath;
    parvel::render::clsMemoryBitmap m_freeBackground;
    parvel::render::clsMemoryBitmap m_freeSprite;
    QPoint m_pointer{50, 50};  // where the free sprite stands
    std::optional<WalkingScene> m_scene;

    // The walk preview: the player's sprite state and keys.
    parvel::WalkingSprite m_walker;
    int m_counter = 0;
    int m_entry = 1;
    parvel::WalkKeys m_keys;
    int m_leftBy = 0;  // the hot spot that took the walker out
    std::string m_walkText;
    int m_bonus = 0;
    bool m_encipheredRules = false;
    QTimer m_tick;

    std::array<std::vector<double>, 3> m_places;
    std::vector<parvel::SpotWarning> m_warnings;
    int m_selected = 0;
    enum class Drag { None, Spot, Sprite } m_drag = Drag::None;
    bool m_updating = false;
    QImage m_composed;

    SceneView* m_view;
    QLabel* m_walkLabel;
    QLineEdit* m_pointerX;
    QLineEdit* m_pointerY;
    QLineEdit* m_backgroundName;
    QLineEdit* m_spriteName;
    QSpinBox* m_x;
    QSpinBox* m_y;
    QSpinBox* m_xmove;
    QListWidget* m_spots;
    QPushButton* m_add;
    QPushButton* m_delete;
    QSpinBox* m_spotX;
    QLineEdit* m_spotText;
    QComboBox* m_direction;
    QComboBox* m_action;
    QComboBox* m_target;
    QCheckBox* m_rulesBox;
    QListWidget* m_warningList;
    QPushButton* m_copy;
    QPushButton* m_save;
    QAction* m_rulesAction;
    std::array<QAction*, 4> m_zoomActions{};
    std::array<QAction*, 3> m_speedActions{};
};

}  // namespace spotter
