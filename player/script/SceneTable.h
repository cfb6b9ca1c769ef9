#pragma once
// The game script's scenes, and every read of a scene command.
//
// Script format (8-bit Windows-1252 text, lines ending CR LF):
//   - A scene starts with a header "[" name "]". The first scene starts at
//     the first "[" anywhere in the file (text before it is ignored); every
//     later one at a "[" directly after CR LF. A file with LF-only line ends
//     therefore holds a single scene.
//   - A scene's text runs from its "[" up to the next scene's "[", keeping
//     the CR LF of its last line. Its name is everything between "[" and the
//     first "]", exactly as written; names compare without regard to case.
//   - A command is "@" name, optional spaces, "=", value. The value runs to
//     the line break before the next line that starts with "@", so prose
//     lines continue it. "//" cuts a value; a "/" in the two characters
//     before "@" switches the command off.
//   - At most 700 scenes; slots above those a load fills keep what an
//     earlier, larger load put there.

#include <array>
#include <utility>
#include <string>
#include <vector>
#include <string_view>

#include "GameScript.h"
#include "Result.h"

namespace parvel {

class Host;

// The "@words" of a text: each "@" with the letters and digits after it, in
// upper case, sorted, once each.
std::vector<std::string> atWords(std::string_view text);
// Whether a text with these words may hold `directive` anywhere, case-blind;
// false only when it certainly does not.
bool wordsMayHold(const std::vector<std::string>& words, std::string_view directive);

class SceneTable {
public:
    static constexpr int kSlots = 700;

    explicit SceneTable(Host& host) : m_host(host) {}

    // Reads and splits the file named by `game.path`, deciphering the
    // enciphered form; sets `game.enciphered`. A missing file loads nothing.
    void LoadGameScript(GameScript& game);
    // Splits already deciphered text into slots 1..N (N ≤ 700).
    void loadText(std::string_view text);
    // Empties every slot, as a table never loaded.
    void clear();

    // Slot (1..700) of the first scene named `name` without regard to case,
    // scanning from ten slots before the current one and wrapping; 0 if none.
    int FindScene(std::string_view name) const;

    // The cleaned value of `directive` (with its "@") in the scene, or ""
    // when absent or when the read fails. An empty scene name means the
    // current scene. An undefined scene sets the title
    // "ERROR - SCENE NOT DEFINED!".
    std::string GetDirective(std::string_view sceneName, std::string_view directive);
    // The same read without events, title or message boxes.
    Result<std::string> readDirective(int slot, std::string_view sceneName,
                                      std::string_view directive) const;
    // Where that read finds the directive: the offset of its "@" (or of the
    // name when written without one) in the scene's text, or npos when the
    // read finds none or fails.
    size_t directiveOffset(int slot, std::string_view sceneName, std::string_view directive) const;
    // Line (from 1) of the loaded file on which the scene's header starts,
    // and the line of an offset into the scene's text.
    int firstLine(int slot) const { return m_slots[static_cast<size_t>(slot)].line; }
    int lineAt(int slot, size_t offset) const;

    int currentSlot() const { return m_current; }
    void setCurrentSlot(int slot) { m_current = slot; }
    const std::string& name(int slot) const { return m_slots[static_cast<size_t>(slot)].name; }
    const std::string& text(int slot) const { return m_slots[static_cast<size_t>(slot)].text; }
    // Scenes the last load put into slots 1..N.
    int lastLoadCount() const { return m_lastCount; }

private:
    struct Slot {
        std::string name;
        std::string upperName;
        std::string text;
        int line = 0;  // line of the "[" in the file
        // Of a long text: its atWords, made at the first read, so that
        // reading a directive it lacks needs no search.
        mutable std::vector<std::string> words;
        mutable bool indexed = false;
    };
    // wordsMayHold for the slot's text; true for a short one.
    bool mayHold(const Slot& slot, std::string_view directive) const;

    // Finds `directive` as readDirective does: the 1-based positions of its
    // name and of the "=" after it, or {0, 0} when absent.
    Result<std::pair<long, long>> locate(int slot, std::string_view sceneName,
                                          std::string_view directive) const;

    Host& m_host;
    std::array<Slot, kSlots + 1> m_slots;  // slot 0 unused
    int m_current = 0;
    int m_lastCount = 0;
};

inline constexpr std::string_view kSceneNotDefined = "ERROR - SCENE NOT DEFINED!";

// Returns after at least `seconds` of elapsed time, handling input meanwhile.
void WaitSeconds(Host& host, double seconds);

}  // namespace parvel
