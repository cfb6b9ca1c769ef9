#pragma once
// Where things are in one script file, for an editor: scenes with their
// headers, the commands the player reads, and every place a scene is named.
//
// Scenes split exactly as the scene table splits them (the first "[" of the
// file, then each "[" after CR LF; at most 700). A command counts where the
// player finds it: the first "@name =" of the scene at the start of a line
// whose "@" no "/" switches off. Offsets are bytes of the Windows-1252 text;
// every byte is one UTF-16 unit in the editor, so a column is a byte count.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace parvel::lsp {

struct Span {
    size_t begin = 0;
    size_t end = 0;
    bool contains(size_t offset) const { return offset >= begin && offset <= end; }
};

struct Command {
    std::string name;   // as written, with "@"
    std::string upper;  // name in capitals, for lookups
    Span nameSpan;
    Span valueSpan;     // the value's first line, trimmed, up to "//"
    Span wholeSpan;     // "@" to the end of the value's last line
    bool read = false;  // the occurrence the player reads (first of its name)
};

enum class RefKind { Link, Win, Lose, HotSpot, First, RandomPrefix };

// A scene named in a command's value. A random-link prefix names the scenes
// prefix1..prefixN.
struct SceneRef {
    Span span;
    std::string name;  // as written
    RefKind kind = RefKind::Link;
    bool nextFile = false;  // looked up in the file this scene's @nextGfile names
    int count = 0;          // RandomPrefix: how many scenes the prefix names
};

struct SceneInfo {
    std::string name;
    bool named = false;  // the header has its "]"
    Span header;         // "[" to the end of the header line
    Span nameSpan;
    Span whole;  // "[" to the end of the scene's text
    std::vector<Command> commands;
    std::vector<SceneRef> refs;
    std::string nextGfile;  // trimmed @nextGfile value

    // The command the player reads, or null.
    const Command* command(std::string_view name) const;
};

class ScriptIndex {
public:
    explicit ScriptIndex(std::string text);

    const std::string& text() const { return m_text; }
    const std::vector<SceneInfo>& scenes() const { return m_scenes; }

    // LSP positions: lines end at CR LF, LF or CR.
    size_t lineCount() const { return m_lineStarts.size(); }
    size_t offsetAt(size_t line, size_t character) const;
    std::pair<size_t, size_t> positionOf(size_t offset) const;
    size_t lineStart(size_t line) const { return m_lineStarts[line]; }
    size_t lineEnd(size_t line) const;  // before its line break

    // Scene holding `offset`, -1 before the first scene.
    int sceneAt(size_t offset) const;
    // The scene the player finds for `name` from scene `from` (0-based; -1:
    // from the start): the table looks from ten slots before the current one
    // and wraps, so among scenes of one name the nearer one wins.
    int findScene(std::string_view name, int from = -1) const;

private:
    void indexScene(SceneInfo& scene);

    std::string m_text;
    std::vector<size_t> m_lineStarts;
    std::vector<SceneInfo> m_scenes;
    std::vector<std::string> m_upperNames;
};

}  // namespace parvel::lsp
