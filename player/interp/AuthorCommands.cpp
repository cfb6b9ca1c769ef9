// What an author needs while writing: reloading the edited game where play
// stands, starting any scene, setting the points for a fight, and the files
// worth watching.

#include <algorithm>
#include <set>

#include "Cipher.h"
#include "MediaSystem.h"
#include "Paths.h"
#include "SceneLists.h"
#include "SceneRunner.h"
#include "TextCodec.h"
#include "Vb.h"

namespace parvel {

using namespace vb;

std::optional<Colour> HitPointColour(std::int32_t points, std::int32_t maximum);

namespace {

std::string scriptOf(const std::string& path, std::string bytes) {
    return isEncipheredName(path) ? DecipherScript(bytes) : std::move(bytes);
}

// A file's name as messages show it (script bytes).
std::string shownName(const std::string& path) {
    const std::string name = fileNameOf(path);
    return utf8ToCp1252(name).value_or(name);
}

std::string quoted(const std::string& scene) { return "\"" + scene + "\""; }

}  // namespace

Player::ReloadOutcome Player::reload() {
    auto event = [&](const std::string& line) {
        if (onEvent) onEvent(line);
    };
    auto refuse = [&](const std::string& why) {
        event("reload: " + why);
        return ReloadOutcome{false, {}, "Not reloaded: " + why + "."};
    };
    if (m_game.path.empty()) return refuse("no game is open");

    // Play starts again from a restore still waiting to be played, or else
    // from the start of the scene playing now.
    std::optional<PendingRestore> next;
    if (m_pendingRestore)
        next = *m_pendingRestore;
    else if (!m_back.empty())
        next = PendingRestore{m_back.back().state, true, m_back.back().historyLength};
    const std::vector<std::string> files =
        next ? next->state.loadedFiles
             : std::vector<std::string>{m_loaded.empty() ? m_game.path : m_loaded.front().first};
    if (files.empty()) return refuse("no game is open");

    // The files as they are now, in a table of our own: a half-written file
    // must not stop the game that plays.
    SceneTable table(m_host);
    for (size_t i = 0; i < files.size(); ++i) {
        auto bytes = readWholeFile(files[i]);
        if (!bytes) {
            if (i == 0) return refuse(shownName(files[0]) + " cannot be read");
            continue;
        }
        table.loadText(scriptOf(files[i], std::move(*bytes)));
        if (i == 0 && table.lastLoadCount() == 0)
            return refuse(shownName(files[0]) + " holds no scene");
    }

    auto titleScreen = [&](const std::string& gone) {
        openGame(files.front());
        event("reloaded: the title screen" +
              (gone.empty() ? "" : " (no scene " + quoted(gone) + " any more)"));
        return ReloadOutcome{true,
                             {},
                             gone.empty() ? "Reloaded: the title screen."
                                          : "No scene " + quoted(gone) +
                                                " any more and no first scene: the title screen."};
    };
    if (!next) return titleScreen({});

    SaveState& s = next->state;
    table.setCurrentSlot(std::clamp(s.currentSlot, 0, SceneTable::kSlots));
    std::string status = "Reloaded " + quoted(s.scene) + ".";
    std::string line = "reloaded: " + s.scene;
    if (table.FindScene(s.scene) == 0) {
        const int setup = table.FindScene("Setup");
        const std::string first =
            setup > 0 ? table.readDirective(setup, "Setup", "@firstscene").valueOr({})
                      : std::string();
        if (first.empty() || table.FindScene(first) == 0) return titleScreen(s.scene);
        status = "No scene " + quoted(s.scene) + " any more: playing the first scene, " +
                 quoted(first) + ".";
        line = "reloaded: " + first + " (no scene " + quoted(s.scene) + " any more)";
        s.scene = first;
    }
    next->reloadFiles = true;
    if (!m_pendingRestore) {
        // The scene playing now is taken again as it starts.
        m_back.pop_back();
        m_history.resize(std::min(next->historyLength, m_history.size()));
    }
    m_pendingRestore.reset();
    const std::string scene = s.scene;
    event(line);
    queueRestore(std::move(*next));
    return {true, scene, status};
}

bool Player::goTo(const std::string& name) {
    const int slot = name.empty() || m_game.path.empty() ? 0 : m_table.FindScene(name);
    if (slot == 0) {
        if (onEvent) onEvent("goto: no scene " + quoted(name));
        return false;
    }
    const std::string scene = m_table.name(slot);  // as the script writes it
    if (m_host.settings().ReadAloud) m_host.stopSpeaking();
    // A link chosen during a clip stops it; so does this.
    if (m_media && !m_scene.mediaName.empty()) m_media->StopVideo();
    m_shared.NextGamePending = false;  // a link into this file, not the next one
    const bool fromTitle = m_shared.AwaitingStart;
    m_shared.AwaitingStart = false;
    requestStart(scene);
    m_startLeavesScene = !fromTitle && !m_scene.name.empty();
    return true;
}

void Player::setPoints(std::optional<std::int32_t> hero, std::optional<std::int32_t> enemy) {
    auto set = [&](std::int32_t value, std::int32_t& points, std::int32_t& maximum, Control label,
                   Control maximumLabel) {
        points = value;
        if (maximum < value) {
            maximum = value;
            m_host.setCaption(maximumLabel, "/" + std::to_string(maximum));
        }
        m_host.setCaption(label, std::to_string(points));
        if (auto c = HitPointColour(points, maximum)) m_host.setForeColour(label, *c);
    };
    if (hero)
        set(*hero, m_combat.heroPoints, m_combat.heroMax, Control::HPherol, Control::maxHerol);
    if (enemy)
        set(*enemy, m_combat.enemyPoints, m_combat.enemyMax, Control::eneHPl, Control::enemAxl);
}

std::vector<std::string> Player::authorFiles(size_t limit) const {
    std::vector<std::string> files;
    std::set<std::string> seen;
    auto add = [&](const std::string& path) {
        if (files.size() >= limit || path.empty()) return;
        const std::string resolved = resolvePath(path);
        if (fileExists(resolved) && seen.insert(resolved).second) files.push_back(resolved);
    };
    if (m_loaded.empty()) add(m_game.path);
    for (const auto& [file, digest] : m_loaded) add(file);

    const int slot = m_scene.name.empty() ? 0 : m_table.FindScene(m_scene.name);
    if (slot == 0) return files;
    auto get = [&](std::string_view d) {
        auto v = m_table.readDirective(slot, m_scene.name, d);
        return v ? std::string(Trim(*v)) : std::string();
    };
    auto addIn = [&](const std::string& folder, const std::string& name) {
        if (!Trim(name).empty()) add(folder + cp1252ToUtf8(Trim(name)));
    };
    const std::string& images = m_setup.imageDir;
    addIn(images, get("@image"));
    std::string overlay = get("@layeranim");
    if (!get("@X").empty()) {
        int standing = 0, walking = 0;
        overlay += spriteFrameList(get("@standingsprite"), get("@walkingsprite"),
                                   m_game.enciphered == 1 ? ".clP" : ".bmp", standing, walking);
    }
    for (const auto& [text, capacity] :
         {std::pair{get("@anim"), 50}, {overlay, 50}, {get("@layeranim2"), 20}}) {
        AnimationList list(capacity);
        parsePictureList(list, text);
        for (int i = 1; i <= list.count; ++i) addIn(images, list.entries[static_cast<size_t>(i)]);
    }
    if (UCase(get("@music")) != "STOP") addIn(m_setup.musicDir, get("@music"));
    addIn(m_setup.soundDir, get("@sound"));
    if (UCase(get("@media")) != "STOP") addIn(m_setup.soundDir, get("@media"));
    std::array<std::string, 5> sounds;
    const int count = parseSoundList(get("@multiSound"), sounds);
    for (int i = 0; i < count; ++i) addIn(m_setup.soundDir, sounds[static_cast<size_t>(i)]);
    return files;
}

std::vector<Player::SceneEntry> Player::sceneIndex() const {
    // Where each slot's scene came from: the files in load order fill slots
    // from 1 as the table does, later ones over earlier ones.
    std::vector<std::pair<std::string, int>> origin(SceneTable::kSlots + 1);
    std::vector<std::string> files;
    if (m_loaded.empty()) files.push_back(m_game.path);
    for (const auto& [file, digest] : m_loaded) files.push_back(file);
    for (const auto& file : files) {
        const auto bytes = readWholeFile(file);
        if (!bytes) continue;
        const std::string text = scriptOf(file, *bytes);
        int slot = 0, line = 1;
        size_t counted = 0;
        for (size_t p = text.find('['); p != std::string::npos && slot < SceneTable::kSlots;) {
            line += static_cast<int>(std::count(text.begin() + static_cast<long>(counted),
                                                text.begin() + static_cast<long>(p), '\n'));
            counted = p;
            origin[static_cast<size_t>(++slot)] = {file, line};
            const size_t next = text.find("\r\n[", p + 1);
            p = next == std::string::npos ? next : next + 2;
        }
    }
    std::vector<SceneEntry> out;
    for (int slot = 1; slot <= SceneTable::kSlots; ++slot) {
        const std::string& name = m_table.name(slot);
        if (m_table.text(slot).empty()) continue;
        SceneEntry e{slot,
                     name,
                     origin[static_cast<size_t>(slot)].first,
                     origin[static_cast<size_t>(slot)].second,
                     {}};
        std::string text = m_table.readDirective(slot, name, "@description").valueOr({});
        for (auto& c : text)
            if (c == '\r' || c == '\n') c = ' ';
        std::string words;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text.compare(i, 2, "\\n") == 0) {
                words += ' ';
                ++i;
            } else {
                words += text[i];
            }
        }
        e.firstWords = std::string(Trim(words)).substr(0, 60);
        out.push_back(std::move(e));
    }
    return out;
}

}  // namespace parvel
