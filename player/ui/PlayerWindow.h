#pragma once
// The player's main window: picture, description and option labels, hit
// points, the menu bar, and the Host the player core talks to.

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "GameCore.h"
#include "Host.h"
#include "Settings.h"

class QFileDialog;
class QLabel;
class QAction;
class QMenu;
class QShortcut;

namespace parvel {
class VideoSink;
}

namespace parvel::ui {

class ControlLabel;
class PictureBox;
class VideoArea;
class Surface;
class Announcer;
class AboutWindow;
class GameLibrary;
class NewGamesWindow;
class UnusedFilesWindow;
class Speaker;
class VolumeWindow;
class SaveSlotsWindow;
class Gamepad;
class AuthorMode;

// Designed geometry, in pixels.
inline constexpr int kFormWidth = 280;
inline constexpr int kFormHeight = 500;

class PlayerWindow : public QMainWindow, public Host {
    Q_OBJECT
public:
    struct Options {
        SettingsLocation settings = defaultSettingsLocation();
        // From the command line, for this run only (0 / unset: Parvel.ini).
        int zoom = 0;
        bool fullScreen = false;
        // Author mode for this run (--author), and the scene to start at
        // (--scene, UTF-8) once the game opens.
        bool author = false;
        std::string scene{};
    };
    PlayerWindow();
    explicit PlayerWindow(Options options);
    ~PlayerWindow() override;

    // The core is created after the window (it needs the Host) and must
    // outlive it.
    void setCore(GameCore* core) { m_core = core; }

    // The load event: settings, size and place, show, pictures, Timer1.
    void startUp();
    // Opens `path` as if it had been chosen in the Open dialog.
    void openChosenFile(const QString& path);

    std::string CheckP() { return m_settingsFile.CheckP(); }
    SettingsFile& settingsFile() { return m_settingsFile; }
    QTimer& Timer1() { return m_timer1; }
    QWidget* Picture1() const;
    QWidget* Picture2() const;
    // Where video frames go.
    VideoSink* videoSink() const;
    QLabel* label(Control c) const;
    NewGamesWindow* newGamesWindow() const { return m_newGamesWindow.get(); }
    UnusedFilesWindow* unusedFilesWindow() const { return m_unusedFilesWindow.get(); }
    // Recent games, the game shelf and dropped games; null before start-up.
    GameLibrary* library() const { return m_library; }
    // Author mode (AuthorMenu.cpp): null while it is off.
    AuthorMode* authorMode() const { return m_author.get(); }
    void setAuthorMode(bool on);
    // Starts `scene` (UTF-8) of the open game, as Go to Scene does.
    void startAtScene(const std::string& scene);

    // Playing at any size (ViewMenu.cpp).
    int zoom() const { return m_zoom; }
    void setZoom(int zoom);
    void setFullScreen(bool on);
    bool fullScreenMode() const { return m_fullScreen; }
    // The client area at 1x, which every zoom multiplies.
    QSize designContent() const { return m_designContent; }
    VolumeWindow* volumeWindow() const { return m_volumeWindow; }
    Gamepad* gamepad() const { return m_gamepad; }
    // Chooses the soundfont for the next song; the message when it fails.
    QString chooseSoundFont(const QString& path);
    // Replaces the soundfont file dialog (tests): the chosen path, or empty.
    std::function<QString()> soundFontDialogHook;
    // The Open dialog, configured as the Open command shows it.
    std::unique_ptr<QFileDialog> makeOpenDialog(const QString& folder);

    // Replace the modal parts (tests, scripted runs): answers message boxes,
    // runs the open dialog and returns the chosen path (empty: cancelled).
    std::function<MsgAnswer(std::string_view text, MsgButtons, std::string_view title)> messageBoxHook;
    std::function<QString(QFileDialog&)> openDialogHook;
    // Replace the Save and Load windows' questions (tests).
    std::function<bool(const QString& question)> slotQuestionHook;
    std::function<QString(const QString& current)> slotNameHook;

    // ---- Host ------------------------------------------------------------
    void processEvents() override;
    void waitUntil(Micros deadline) override;
    Micros now() const override;
    double random() override;
    std::string randomState() const override;
    bool setRandomState(std::string_view state) override;
    MsgAnswer messageBox(std::string_view text, MsgButtons buttons = MsgButtons::Ok,
                         std::string_view title = kProgramTitle) override;
    void setTitle(std::string_view text) override;
    std::string title() const override { return m_title; }
    PlayerSettings& settings() override { return m_settings; }
    void setCaption(Control c, std::string_view text) override;
    std::string caption(Control c) const override { return m_captions[idx(c)]; }
    void setForeColour(Control c, Colour colour) override;
    Colour foreColour(Control c) const override { return m_colours[idx(c)]; }
    void setLabelFont(std::string_view family, double points) override;
    void setDescriptionLayout(bool centred, int height) override;
    void setWindowBackground(Colour colour) override;
    void setWindowPicture(std::string_view path) override;
    void setSpriteSpeedEnabled(bool enabled) override;
    void showVideoArea(bool video) override;
    void focusPicture() override;
    void pictureChanged() override;
    void speak(std::string_view text) override;
    void stopSpeaking() override;
    bool screenReaderAttached() const override;
    void quitNow() override;

    // A line shown over the window for a moment (a quick save done, sound
    // muted); what shows now, or empty.
    void showNotice(const QString& text);
    QString notice() const;
    static constexpr int kNoticeMs = 2500;
    bool quitting() const override { return m_quitting; }

    static QColor toQColor(Colour c);

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void leaveEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // One handler per control event, named after control and event.
    void opn_Click();
    void CheckFiles_Click();
    void Exitt_Click();
    void sE_Click();
    void plySnds_Click();
    void plyMusic_Click();
    void slwr_Click();
    void nrml_Click();
    void fast_Click();
    void chckNG_Click();
    void about_Click();
    void rdAloud_Click();
    void zoom_Click(int zoom);
    void fullScreen_Click();
    void volume_Click();
    void mute_Click();
    void soundFont_Click();
    void controls_Click();
    void Timer1_Timer();
    void Form_MouseDown();
    void Form_MouseLeave();
    void Label2_Click();
    void Picture1_Click();
    void Picture1_KeyDown(int qtKey);
    void Picture1_KeyUp(int qtKey);
    void Option_MouseMove(int k);
    void Option_Click(int k);

    void buildMenus();
    void buildControls();
    void placeWindow();
    // Full screen keeps the menu bar out of sight until it is wanted.
    void setBarTucked(bool tucked);
    void barMayGo();
    bool barWanted(QEvent* e);
    void fitFrame();
    // What the window manager's frame adds to the window, as it says now.
    QSize frameSize() const;
    QMargins frameMarginsNow() const;
    // What the menu bar and the window manager's frame add to the content.
    QSize chrome() const;
    QRect availableArea() const;
    // The zoom a start asks for (m_startZoom), judged on the real frame.
    int startZoom() const;
    // The frame, title bar and all, moved inside the available geometry.
    void keepOnScreen();
    void watchFrame();
    // The largest zoom whose framed window fits the available geometry.
    int largestFittingZoom() const;
    // m_zoom and its check mark, the size left as it is.
    void markZoom(int zoom);
    void setSpriteSpeed(int bonus);
    void syncCheckMarks();
    void shutDown(bool fromExitCommand);
    void closeSideWindows();
    // Keyboard play: the option the focus ring is on (0: none).
    void moveRing(int step);
    void placeRing(int k, bool moved);
    void followOptions();
    // Tells a connected screen reader that `c` changed; free without one.
    void announce(Control c, bool shownOrHidden);
    void rereadScene();
    // Says what the core spoke in this pass through the screen reader.
    void flushAnnouncement();
    void addReadAloudItem();
    // File menu: Continue, Save..., Load..., quick save and load, Back,
    // Story so far... (in SaveMenu.cpp).
    void addSaveItems();
    void addAuthorItems();
    void updateSaveItems();
    void manageSlots(SaveSlotsWindow& w);
    // False when nothing was saved or loaded (the reason was shown).
    bool saveToSlot(const std::string& slot);
    bool loadSlot(const std::string& slot);
    // The Options items for size and sound, and Help > Controls.
    void addViewItems();
    void applyViewSettings();
    void startGamepad();
    void saveViewSettings();
    // Places `w` at `design` (1x geometry) times the zoom.
    void place(QWidget* w, const QRect& design);
    void layoutContent();
    // Runs a core call, counted so Timer1 never starts MainLoop inside one.
    template <class F>
    void inCore(F f) {
        ++m_coreDepth;
        f();
        --m_coreDepth;
    }

    static std::size_t idx(Control c) { return static_cast<std::size_t>(c); }

    Options m_options;
    SettingsFile m_settingsFile;
    GameCore* m_core = nullptr;
    PlayerSettings m_settings;
    std::string m_title;
    std::array<std::string, kControlCount> m_captions;
    std::array<Colour, kControlCount> m_colours{};
    bool m_quitting = false;
    int m_coreDepth = 0;

    QElapsedTimer m_clock;
    std::mt19937_64 m_rng;
    QTimer m_timer1;
    QTimer m_wake;  // ends a waitUntil at its deadline

    Surface* m_surface = nullptr;
    PictureBox* m_picture1 = nullptr;
    VideoArea* m_picture2 = nullptr;
    std::array<ControlLabel*, kControlCount> m_labels{};
    // Taking turns: a reader keeps quiet when its focus moves to the object
    // it is already on, and one that skips a focus move superseded at once
    // (a hot spot's text, then the scene it leads to) is still on the one
    // before: three keep each new text on an object it is not on.
    std::array<Announcer*, 3> m_announcers{};
    int m_nextAnnouncer = 0;
    QString m_pendingAnnouncement;
    // Said while the window was not active: readers drop focus moves in
    // windows they do not yet take as active, so it is said again then.
    QString m_unheardAnnouncement;
    QTimer m_announceTimer;

    QMenu* m_Fle = nullptr;
    QMenu* m_opns = nullptr;
    QMenu* m_getGame = nullptr;
    QMenu* m_sprtSpd = nullptr;
    QMenu* m_Help = nullptr;
    QAction* m_sE = nullptr;
    QAction* m_plySnds = nullptr;
    QAction* m_plyMusic = nullptr;
    QAction* m_slwr = nullptr;
    QAction* m_nrml = nullptr;
    QAction* m_fast = nullptr;
    QAction* m_rdAloud = nullptr;
    QAction* m_continue = nullptr;
    QAction* m_back = nullptr;
    QAction* m_saveAs = nullptr;
    QAction* m_loadFrom = nullptr;

    int m_zoom = 1;
    int m_shownZoom = 1;   // the zoom on screen (full screen picks its own)
    QPoint m_origin;       // where the content starts (centred in full screen)
    int m_iniZoom = 0;     // what "Zoom" gets at exit; 0: left out
    bool m_fullScreen = false;
    int m_iniFullScreen = -1;  // likewise "FullScreen"; -1: left out
    QSize m_designContent;
    QSize m_frameSeen{-1, -1};  // the frame the size was last fitted to
    // Until the player zooms: the saved factor to show what fits of, 0 for
    // a first start's own choice, -1 none (the frame comes late, so the
    // choice is made again once it is known).
    int m_startZoom = -1;
    QTimer m_frameWatch;  // a while after showing: the frame may come late
    int m_frameWatchTicks = 0;
    std::array<QAction*, 4> m_zoomItems{};
    QAction* m_fullScreenItem = nullptr;
    QShortcut* m_leaveFullScreen = nullptr;
    QWidget* m_barEdge = nullptr;  // the top edge, where the pointer calls the bar
    bool m_barTucked = false;
    bool m_barCheckQueued = false;
    QAction* m_muteItem = nullptr;
    VolumeWindow* m_volumeWindow = nullptr;
    Gamepad* m_gamepad = nullptr;

    int m_ring = 0;
    bool m_keyboardPlay = false;  // the keyboard has moved the focus ring
    std::unique_ptr<Speaker> m_speaker;
    std::unique_ptr<AuthorMode> m_author;
    QAction* m_authorItem = nullptr;
    std::vector<QAction*> m_authorActions;  // exist only while author mode is on
    bool m_speechFailed = false;  // Read Aloud was on and its service failed

    QPointer<AboutWindow> m_aboutWindow;
    // Side windows are top-level windows of their own, owned here.
    std::unique_ptr<NewGamesWindow> m_newGamesWindow;
    std::unique_ptr<UnusedFilesWindow> m_unusedFilesWindow;
    GameLibrary* m_library = nullptr;  // owned as a child
    QLabel* m_notice = nullptr;
    QTimer m_noticeTimer;
};

}  // namespace parvel::ui
