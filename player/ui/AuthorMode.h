#pragma once
// Author mode: while it is on, the game reloads when one of its files is
// saved and plays on from the start of the scene it was in; Go to Scene
// starts any scene (and sets the points for a fight); a panel beside the
// window shows the scene playing with its file and line, what the last
// reload did, and the lint findings. While it is off none of this exists:
// no watch, no timer, no panel.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

#include "Player.h"

class QLabel;
class QListWidget;

namespace parvel {
class FileWatch;
}

namespace parvel::ui {

class AuthorMode : public QObject {
public:
    // `reload` and `goTo` run the core calls the way the window runs its
    // handlers; `parent` is the player window, beside which the panel opens.
    AuthorMode(Player& player, QWidget* parent, std::function<void(std::function<void()>)> inCore);
    ~AuthorMode() override;
    // Gives the player's events back before author mode goes away.
    void detach();

    // Reloads the game now (Ctrl+Shift+R and every save of a watched file).
    void reload();
    // The Go to Scene dialog; `startNow` picks the scene without it.
    void showGoToScene();
    bool goTo(const std::string& scene);
    // After a game opened.
    void gameOpened();

    QWidget* panel() const { return m_panel; }
    FileWatch* watch() const { return m_watch; }
    QString sceneLine() const;
    QString statusLine() const;
    int findingCount() const { return static_cast<int>(m_findings.size()); }
    // "author: ..." lines for the state file scripts read.
    std::vector<std::string> stateLines() const;

private:
    struct Finding {
        std::string scene;  // script bytes
        std::string file;   // native
        int line = 0;
        std::string text;  // as tavi lint prints it (script bytes)
    };
    void placePanel();
    void sceneStarted(const std::string& name);
    void refreshWatch();
    void refreshFindings();
    void showFindings();
    void setStatus(const QString& text);
    void openInEditor();
    QString location(const std::string& file, int line) const;

    Player& m_player;
    std::function<void(std::function<void()>)> m_inCore;
    std::function<void(std::string_view)> m_chained;  // the player's events before us
    FileWatch* m_watch = nullptr;
    QPointer<QWidget> m_panel;
    QLabel* m_scene = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_count = nullptr;
    QListWidget* m_list = nullptr;
    std::string m_sceneName;
    std::string m_sceneFile;
    int m_sceneLine = 0;
    std::vector<Finding> m_findings;
};

}  // namespace parvel::ui
