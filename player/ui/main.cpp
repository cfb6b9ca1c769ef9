// parvel [--shelf] [GAMEFILE | DIR]: the player window, opening the game
// when given, the game shelf with --shelf.

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "AtomicFile.h"
#include "CommandLine.h"
#include "PlayerWindow.h"
#include "GameFolder.h"
#include "ShelfData.h"
#include "GameLibrary.h"
#include "MediaSystem.h"
#include "ParvelVersion.h"
#include "Paths.h"
#include "AuthorMode.h"
#include "PlayerCore.h"
#include "Snapshot.h"

namespace {

// SIGUSR1 would end the program until its handler is in place: hold it
// back until then (a request that comes early is answered once the window
// is ready). Blocked from the program's first instruction after the
// dynamic loader, before any library's initialisers: only the loading
// itself comes earlier, and a caller that starts the player with SIGUSR1
// blocked closes that gap too.
void holdUsr1(int, char**, char**) {
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    ::pthread_sigmask(SIG_BLOCK, &usr1, nullptr);
}
using PreInit = void (*)(int, char**, char**);
[[gnu::section(".preinit_array"), gnu::used]] const PreInit g_holdUsr1 = holdUsr1;

int g_signalPipe[2] = {-1, -1};

void onSignal(int sig) {
    const char c = static_cast<char>(sig);
    [[maybe_unused]] auto n = ::write(g_signalPipe[1], &c, 1);
}

// With PARVEL_STATE_FILE set, SIGUSR1 writes what the window shows to that
// file, in the block `tavi play` prints for "snapshot": scripts driving the
// real window can compare it with a replay.
void writeState(const parvel::ui::PlayerWindow& window, parvel::ui::PlayerCore& core) {
    const char* path = std::getenv("PARVEL_STATE_FILE");
    if (!path || !*path) return;
    std::string text;
    for (const auto& line : parvel::snapshotLines(core.player())) text += line + "\n";
    if (auto* author = window.authorMode())
        for (const auto& line : author->stateLines()) text += line + "\n";
    parvel::writeFileAtomically(path, text);
}

// SIGTERM, SIGINT and SIGHUP close the window like its close button does,
// so a logout or a kill still saves the settings. The handler only wakes
// the event loop; the window does the work.
void handleSignals(parvel::ui::PlayerWindow& window, parvel::ui::PlayerCore& core) {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, &core] {
        char buffer[16];
        bool close = false;
        for (ssize_t n; (n = ::read(g_signalPipe[0], buffer, sizeof buffer)) > 0;)
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[i] == SIGUSR1) writeState(window, core);
                else close = true;
            }
        if (close) window.close();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGUSR1}) sigaction(sig, &action, nullptr);
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    ::pthread_sigmask(SIG_UNBLOCK, &usr1, nullptr);
}

bool haveDisplay() {
    // An explicit platform (offscreen, a test's Xvfb) is the user's choice.
    for (const char* var : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* v = std::getenv(var); v && *v) return true;
    return false;
}

constexpr char kHelp[] =
    "Usage: parvel [OPTION]... [GAMEFILE | DIR]\n"
    "Play a Tavishow story game. GAMEFILE is a game's Gamefile.txt or its\n"
    "enciphered GameFile.Cgm; DIR is a game's folder. Without either, choose a\n"
    "game with File > Open, File > Recent Games or File > Game Shelf.\n"
    "\n"
    "      --shelf        open the game shelf: the games found in your folders\n"
    "      --zoom=N       show the window N times its size (1 to 4), this run only\n"
    "      --full-screen  start in full screen, this run only\n"
    "      --author       author mode for this run: reload the game when its\n"
    "                     files are saved, Go to Scene (Ctrl+G), the findings\n"
    "      --scene=NAME   start the game at scene NAME (author mode)\n"
    "  -h, --help         show this help and exit\n"
    "      --version      show the version and exit\n"
    "\n"
    "Qt's own options (-platform NAME, -style NAME, ...) are passed to Qt.\n"
    "Settings live in Parvel.ini beside the program when that folder is\n"
    "writable, otherwise in $XDG_CONFIG_HOME/parvel/ (~/.config/parvel/).\n"
    "Exit status: 0 when the window closes, 1 when it cannot open, 2 on a\n"
    "usage error. See parvel(6).\n";

// Takes --shelf out of the arguments (before any "--"); true when it was there.
bool takeShelfOption(int& argc, char** argv) {
    bool shelf = false;
    int out = 1;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--") optionsEnd = true;
        if (!optionsEnd && a == "--shelf") shelf = true;
        else argv[out++] = argv[i];
    }
    argc = out;
    argv[argc] = nullptr;
    return shelf;
}

// Takes the window-size options out of argv; false (after saying why) on a
// bad zoom.
bool takeSizeOptions(int& argc, char** argv, parvel::ui::PlayerWindow::Options& options) {
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") {
            while (i < argc) argv[out++] = argv[i++];
            break;
        }
        std::string zoom;
        if (a.rfind("--zoom=", 0) == 0) {
            zoom = a.substr(7);
        } else if (a == "--zoom" && i + 1 < argc) {
            zoom = argv[++i];
        } else if (a == "--full-screen") {
            options.fullScreen = true;
            continue;
        } else if (a == "--author") {
            options.author = true;
            continue;
        } else if (a.rfind("--scene=", 0) == 0 || (a == "--scene" && i + 1 < argc)) {
            options.scene = a == "--scene" ? std::string(argv[++i]) : a.substr(8);
            options.author = true;
            continue;
        } else {
            argv[out++] = argv[i];
            continue;
        }
        if (zoom.size() != 1 || zoom[0] < '1' || zoom[0] > '4') {
            std::fprintf(stderr, "parvel: invalid zoom '%s' (1 to 4)\nTry 'parvel --help' for more information.\n",
                         zoom.c_str());
            return false;
        }
        options.zoom = zoom[0] - '0';
    }
    argc = out;
    argv[argc] = nullptr;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool shelf = takeShelfOption(argc, argv);
    parvel::ui::PlayerWindow::Options formOptions;
    if (!takeSizeOptions(argc, argv, formOptions)) return 2;
    const parvel::CommandLine line =
        parvel::parseCommandLine(argc, argv, "parvel", kHelp, parvel::versionText(), 1);
    if (line.exitCode) return *line.exitCode;
    std::string game;
    if (!line.operands.empty()) {
        // A folder stands for the game in it; a missing file is the window's
        // to report, as File > Open would.
        game = line.operands.front();
        std::error_code ec;
        if (std::filesystem::is_directory(game, ec)) game = parvel::shelf::findGameFile(game).value_or("");
        if (game.empty()) {
            std::fprintf(stderr, "parvel: %s: no Gamefile.txt or GameFile.Cgm in this folder\n",
                         line.operands.front().c_str());
            return 1;
        }
    }
    if (!haveDisplay()) {
        std::fprintf(stderr,
                     "parvel: no display found (DISPLAY is not set), so the player window "
                     "cannot open.\n");
        return 1;
    }

    parvel::removeStaleTempFolders();  // of runs that were killed
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parvel"));

    // Built in this order and torn down in reverse: the media's threads
    // stop before the window that shows their frames goes away.
    parvel::ui::PlayerWindow form(formOptions);
    parvel::MediaOptions mediaOptions;
    mediaOptions.soundFont = form.settingsFile().read("SoundFont");
    auto media = std::make_unique<parvel::MediaSystem>(form, mediaOptions);
    media->setVideoSink(parvel::kVideoAreaHandle, form.videoSink());
    auto core = std::make_unique<parvel::ui::PlayerCore>(form, media.get());
    form.setCore(core.get());
    handleSignals(form, *core);
    form.startUp();
    if (form.quitting()) return 0;
    if (shelf) form.library()->showShelf();
    if (!game.empty()) {
        // As bytes: a folder name that is no UTF-8 must still open.
        const QString file = parvel::shelf::pathText(game);
        QTimer::singleShot(0, &form, [&form, file, scene = formOptions.scene] {
            form.openChosenFile(file);
            form.startAtScene(scene);
        });
    }
    const int rc = app.exec();
    form.setCore(nullptr);
    return rc;
}
