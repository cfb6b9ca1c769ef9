#pragma once
// Shared pieces of the window tests: one QApplication for the process, a
// recording stand-in for the core, and small file helpers.

#include <QApplication>
#include <QTemporaryDir>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "GameCore.h"

namespace parvel::ui::test {

inline QApplication& app() {
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    // Saves and autosaves of the players under test stay out of the home
    // folder and apart from the tests running beside this one.
    static QTemporaryDir data;
    static const bool ownData = [] {
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        return true;
    }();
    (void)ownData;
    // Never destroyed: Qt's own statics (input devices) go first at exit.
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

// Records every call as one line, e.g. "keyUp 65".
struct FakeCore : GameCore {
    std::vector<std::string> calls;
    std::string path;
    QImage image;

    void startUp() override { calls.push_back("startUp"); }
    // Runs inside MainLoop, where menu commands and input normally happen.
    std::function<void()> mainLoopBody;
    void MainLoop() override {
        calls.push_back("MainLoop");
        if (mainLoopBody) mainLoopBody();
    }
    void openGame(const std::string& p) override {
        path = p;
        calls.push_back("openGame " + p);
    }
    void click() override { calls.push_back("click"); }
    void keyDown(int k) override { calls.push_back("keyDown " + std::to_string(k)); }
    void keyUp(int k) override { calls.push_back("keyUp " + std::to_string(k)); }
    void optionHover(int k) override { calls.push_back("optionHover " + std::to_string(k)); }
    void optionClick(int k) override { calls.push_back("optionClick " + std::to_string(k)); }
    void shutdown(bool fromExit) override { calls.push_back(fromExit ? "shutdown exit" : "shutdown close"); }
    const QImage* picture() override { return &image; }
    std::string gamePath() const override { return path; }
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string dirOf(const QTemporaryDir& d) { return d.path().toStdString() + "/"; }

}  // namespace parvel::ui::test
