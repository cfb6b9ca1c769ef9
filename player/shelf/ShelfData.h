#pragma once
// The shelf's records and the two files that keep them in the settings
// folder: the scanned games with their pictures (the cache a scan starts
// from) and the recent-games list. Both are JSON; callers write the bytes
// atomically.

#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parvel::shelf {

inline constexpr char kShelfFileName[] = "ParvelShelf.json";
inline constexpr char kRecentFileName[] = "ParvelRecent.json";

// A file as it was when read: a change of size or time means read it again.
struct FileStamp {
    std::int64_t size = -1;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};
// Nullopt when `path` is no regular file.
std::optional<FileStamp> stampOf(const std::string& path);

// Paths are the file system's bytes everywhere, whatever their encoding. A
// path that travels through a QString and back (a model's role, a hook)
// goes as pathText: UTF-8 decoded, and each byte that is not part of valid
// UTF-8 as U+DC80 to U+DCFF, so pathBytes gives back the same bytes.
// pathShown is for people: such bytes show as U+FFFD.
QString pathText(const std::string& bytes);
std::string pathBytes(const QString& text);
QString pathShown(const std::string& bytes);

// What the shelf keeps of a game's name: its first kMaxNameLength
// characters ("…" marks the cut), control characters as spaces. A title is
// a line; a longer one would only cost the list its speed.
inline constexpr int kMaxNameLength = 200;
QString boundedName(const QString& name);
// The same from the game's own bytes (Windows-1252), reading no more of
// them than the bound needs.
QString boundedName(std::string_view cp1252);

// One game on the shelf. New columns (an autosave, say) are new fields here
// and in the cache file.
struct ShelfGame {
    std::string gameFile;  // absolute, the file system's bytes
    QString name;          // the Title scene's @name (bounded); the folder's name when it has none
    QImage thumbnail;      // scaled down; null when the game has no picture
    FileStamp gameStamp;
    std::string picture;  // the file the thumbnail came from; empty when none
    FileStamp pictureStamp;
    QString problem;  // why the game cannot start; empty when it can
};

// The folder a game file is in, without the trailing "/".
std::string gameFolderOf(const std::string& gameFile);

struct ShelfState {
    std::vector<std::string> folders;  // as the user added them
    std::vector<ShelfGame> games;      // as the last scan listed them
    int skipped = 0;
};
QByteArray shelfToJson(const ShelfState& state);
// Missing, unreadable or garbage text gives an empty shelf.
ShelfState shelfFromJson(const QByteArray& json);

// The last games opened, newest first, each once; with when each game on the
// shelf was last played (kept longer than the ten the menu shows).
struct RecentGame {
    std::string gameFile;
    QString name;
    std::int64_t playedMs = 0;  // since the epoch
};

class RecentGames {
public:
    static constexpr int kMenuLength = 10;
    static constexpr int kRemembered = 1000;

    // Moves the game to the front (adding it when new).
    void played(const std::string& gameFile, const QString& name, std::int64_t whenMs);
    void remove(const std::string& gameFile);
    // The first kMenuLength games.
    std::vector<RecentGame> menu() const;
    // When the game was last opened; nullopt when never (or long ago).
    std::optional<std::int64_t> lastPlayed(const std::string& gameFile) const;

    QByteArray toJson() const;
    static RecentGames fromJson(const QByteArray& json);

private:
    std::vector<RecentGame> m_games;  // newest first
};

}  // namespace parvel::shelf
