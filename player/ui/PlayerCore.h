#pragma once
// The real core behind the window: Player, driven through GameCore.

#include <memory>

#include "GameCore.h"
#include "GameSaves.h"
#include "MediaSystem.h"
#include "Player.h"

namespace parvel::ui {

class PlayerCore : public GameCore {
public:
    PlayerCore(Host& host, MediaSystem* media) : m_player(host, media), m_saves(m_player) {}

    void startUp() override { m_player.startUp(); }
    void MainLoop() override { m_player.MainLoop(); }
    void openGame(const std::string& path) override {
        m_saves.setGame(path);
        m_player.openGame(path);
    }
    void click() override { m_player.click(); }
    void keyDown(int keyCode) override { m_player.keyDown(keyCode); }
    void keyUp(int keyCode) override { m_player.keyUp(keyCode); }
    void optionHover(int k) override { m_player.optionHover(k); }
    void optionClick(int k) override { m_player.optionClick(k); }
    void shutdown(bool fromExitCommand) override { m_player.shutdown(fromExitCommand); }
    const QImage* picture() override { return &m_player.render().Picture1; }
    std::string gamePath() const override { return m_player.gameScript().path; }
    const GameScript* game() const override { return &m_player.gameScript(); }
    SceneTable* scenes() override { return &m_player.sceneTable(); }
    GameSaves* saves() override { return &m_saves; }
    void volumeChanged() override {
        if (MediaSystem* media = m_player.media()) media->applyVolume();
    }
    std::string switchSoundFont(const std::string& path) override {
        MediaSystem* media = m_player.media();
        return media ? media->switchSoundFont(path) : GameCore::switchSoundFont(path);
    }

    Player& player() { return m_player; }

private:
    Player m_player;
    GameSaves m_saves;
};

}  // namespace parvel::ui
