#include "GameSaves.h"

#include <filesystem>
#include <utility>

#include "Paths.h"
#include "TextCodec.h"

namespace parvel {

namespace {

// Slot names and folders are native (UTF-8); message boxes take the
// scripts' Windows-1252.
std::string script(const std::string& native) { return utf8ToCp1252(native).value_or(native); }

std::string quoted(const std::string& slot) { return "\"" + script(slot) + "\""; }

std::string problemText(SaveProblem p) {
    switch (p) {
        case SaveProblem::NotASave: return "it is not a Parvel save";
        case SaveProblem::NewerVersion: return "it was made by a newer version of Parvel";
        case SaveProblem::Damaged: break;
    }
    return "it is damaged (cut off or garbled)";
}

}  // namespace

GameSaves::GameSaves(Player& player, std::optional<std::string> root)
    : m_player(player), m_slots(std::move(root)) {
    m_player.onSceneStart = [this](const SaveState& s) {
        // Taken as the scene starts: the story so far is the whole story.
        // Written once its first frame shows, so that the thumbnail is the
        // scene it resumes rather than the one before.
        if (m_eachScene) {
            m_pendingAutosave = s;
            m_pendingAutosave->history = m_player.history();
        }
        if (onChanged) onChanged();
    };
    m_player.onSceneShown = [this] {
        if (!m_pendingAutosave) return;
        SaveState s = std::move(*m_pendingAutosave);
        m_pendingAutosave.reset();
        s.thumbnailPng = m_player.pictureNowPng();
        autosave(std::move(s));
    };
}

void GameSaves::setGame(const std::string& gamePath) {
    m_gamePath = gamePath;
    m_freshStart = true;
    m_pendingAutosave.reset();
    m_slots.setGame(gamePath);
    m_autosaveFailed = false;
    if (onChanged) onChanged();
}

void GameSaves::report(const std::string& line) {
    if (m_player.onEvent) m_player.onEvent(line);
}

bool GameSaves::save(const std::string& slot) {
    auto state = m_player.saveState();
    if (!state) {
        m_player.host().messageBox("Cannot save " + quoted(slot) + ": no scene has started yet.");
        return false;
    }
    std::string why;
    if (!m_slots.write(slot, *state, &why)) {
        m_player.host().messageBox("Cannot save " + quoted(slot) + ": " + why + ".");
        return false;
    }
    report("saved: " + slot);
    return true;
}

bool GameSaves::load(const std::string& slot) {
    auto fail = [&](const std::string& why) {
        m_player.host().messageBox("Cannot load the save " + quoted(slot) + ": " + why + ".");
        return false;
    };
    const auto bytes = m_slots.readBytes(slot);
    if (!bytes) return fail("there is no such save");
    auto read = readSave(*bytes);
    if (!read.state) return fail(problemText(read.error.problem));
    SaveState& state = *read.state;
    if (SaveSlots::gameKey(state.gamePath) != SaveSlots::gameKey(m_gamePath))
        return fail("it belongs to another game");
    bool changed = false;
    if (auto problem = m_player.checkSave(state, &changed)) return fail(*problem);
    if (changed)
        m_player.host().messageBox("The game has changed since the save " + quoted(slot) +
                                   " was made. It goes on from scene \"" + state.scene +
                                   "\", but may not play on as before.");
    report("loaded: " + slot);
    m_freshStart = false;
    m_player.restore(std::move(state));
    return true;
}

bool GameSaves::back() { return m_player.goBack(); }

void GameSaves::autosave(SaveState s) {
    if (m_gamePath.empty()) return;
    if (std::exchange(m_freshStart, false) && hasAutosave()) {
        // A click on the title screen instead of Continue must not cost
        // the game that was saved.
        std::error_code ec;
        std::filesystem::rename(m_slots.fileOf(std::string(kAutosaveSlot)),
                                m_slots.fileOf(std::string(kPreviousAutosaveSlot)), ec);
    }
    s.savedAt = localTimeNow();
    std::string why;
    if (m_slots.write(std::string(kAutosaveSlot), s, &why) || m_autosaveFailed) return;
    m_autosaveFailed = true;
    const std::string where = m_slots.folder().empty() ? "" : " in " + script(m_slots.folder());
    m_player.host().messageBox("Cannot keep the autosave" + where + ": " + why +
                               ". Play goes on without it.");
}

void GameSaves::saveOnExit() {
    m_pendingAutosave.reset();
    if (auto state = m_player.saveState()) autosave(std::move(*state));
}

std::string GameSaves::storySoFar() const {
    std::string out;
    for (const auto& entry : m_player.history()) {
        if (!out.empty()) out += '\n';
        for (size_t i = 0; i < entry.text.size(); ++i) {
            const char c = entry.text[i];
            if (c == '\r' && i + 1 < entry.text.size() && entry.text[i + 1] == '\n') continue;
            out += c == '\r' ? '\n' : c;
        }
        if (out.empty() || out.back() != '\n') out += '\n';
        if (!entry.chosen.empty()) out += "> " + entry.chosen + "\n";
    }
    return out;
}

}  // namespace parvel
