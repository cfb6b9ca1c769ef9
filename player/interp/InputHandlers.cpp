// What the window's clicks, keys and commands do to the game.

#include <filesystem>

#include "MediaSystem.h"
#include "Player.h"
#include "Vb.h"

namespace parvel {

namespace {
constexpr std::string_view kMarker = " <--";

bool endsWithMarker(const std::string& s) {
    return s.size() >= kMarker.size() && s.compare(s.size() - kMarker.size(), kMarker.size(), kMarker) == 0;
}
}  // namespace

void Player::openGame(const std::string& chosen) {
    // Scripts name their files relative to the game's folder, so the folder
    // must be known even when the game was named relative to ours.
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(chosen, ec);
    const std::string path = ec ? chosen : absolute.string();
    ++m_generation;  // the game that plays now ends
    m_pendingStart.reset();
    m_pendingRestore.reset();
    if (m_playing > 0) {
        m_pendingOpen = path;
        return;
    }
    openNow(path);
}

void Player::openNow(const std::string& path) {
    if (m_media) m_media->MusicControl(" ", "close");
    for (int k = 1; k <= 6; ++k) m_host.setCaption(optionLabel(k), "");
    m_combat.heroMax = m_combat.enemyMax = m_combat.heroPoints = m_combat.enemyPoints = 0;
    for (Control c : {Control::maxHerol, Control::enemAxl, Control::HPherol, Control::eneHPl})
        m_host.setCaption(c, "");
    for (auto& t : m_shared.LinkTargets) t.clear();
    m_game.path = path;
    m_shared.AwaitingStart = true;
    if (m_media) m_media->MusicControl("", "close");

    m_shared.AwaitingStart = false;
    OpenGame(m_host, m_game, m_table, m_setup, path);
    m_loaded = {{path, m_game.digest}};
    noteClips();
    m_back.clear();
    m_history.clear();
    m_passEntry.reset();
    m_render->enciphered = m_game.enciphered;
    if (m_host.settings().ReadAloud || m_host.screenReaderAttached())
        m_host.speak(m_host.caption(Control::Label2));
    if (m_media) m_media->setDirectories(m_setup.soundDir, m_setup.musicDir);
    m_shared.AwaitingStart = true;
}

void Player::click() {
    if (!m_shared.AwaitingStart) return;
    Render();
    m_shared.AwaitingStart = false;
    requestStart(m_table.GetDirective("Setup", "@firstscene"));
}

void Player::keyDown(int code) {
    switch (code) {
        case key::Right:
            m_shared.WalkRight = m_shared.WalkKeyHeld = true;
            break;
        case key::Left:
            m_shared.WalkLeft = m_shared.WalkKeyHeld = true;
            break;
        case key::Ctrl:
            m_shared.ActionKey = true;
            break;
    }
}

void Player::keyUp(int code) {
    if (code == key::Ctrl) m_shared.ActionKey = false;
    m_shared.WalkKeyHeld = false;
    constexpr int kOptionKeys[] = {key::A, key::S, key::D, key::F, key::G, key::Z};
    for (int k = 1; k <= 6; ++k)
        if (code == kOptionKeys[k - 1]) optionClick(k);
}

void Player::optionHover(int k) {
    if (k == 0) return optionsLeft();
    if (k < 1 || k > 6) return;
    const Control label = optionLabel(k);
    std::string caption = m_host.caption(label);
    if (caption.empty()) return;
    if (!endsWithMarker(caption)) m_host.setCaption(label, caption + std::string(kMarker));
    m_host.setForeColour(label, m_setup.mouseOverColour);
    for (int other = 1; other <= 6; ++other) {
        if (other == k) continue;
        const Control c = optionLabel(other);
        const std::string text = m_host.caption(c);
        if (endsWithMarker(text)) m_host.setCaption(c, text.substr(0, text.find(kMarker)));
        m_host.setForeColour(c, m_setup.textColour);
    }
}

// The pointer has left the window: no option is under it any more, so none
// keeps the mouse's marker (the keyboard's ring may be on another one).
void Player::optionsLeft() {
    for (int k = 1; k <= 6; ++k) {
        const Control c = optionLabel(k);
        const std::string text = m_host.caption(c);
        if (!endsWithMarker(text)) continue;
        m_host.setCaption(c, text.substr(0, text.find(kMarker)));
        m_host.setForeColour(c, m_setup.textColour);
    }
}

void Player::optionClick(int k) {
    if (k < 1 || k > 6) return;
    if (m_host.caption(optionLabel(k)).empty()) return;
    if (m_shared.LinkGo[static_cast<size_t>(k)] != "TRUE") m_shared.NextGamePending = false;
    if (m_host.settings().ReadAloud) m_host.stopSpeaking();
    if (!m_shared.InterpreterRunning) {
        requestStart(m_shared.LinkTargets[static_cast<size_t>(k)]);
        return;
    }
    m_shared.ChosenOption = static_cast<std::int16_t>(k);
    m_shared.OptionChosen = true;
}

void Player::shutdown(bool fromExitCommand) {
    ++m_generation;
    if (!m_media) return;
    m_media->CloseVideo();
    m_media->MusicControl("!", "Close");
    // A name that is no playable file: what counts is that it cuts off the
    // sound effect still playing.
    m_media->PlaySoundEffect(fromExitCommand ? "C:\\" : "c:\\");
}

}  // namespace parvel
