#pragma once
// The unused-files check: every picture, sound and music file in the game's
// folders whose name no scene mentions.
//
// Names are collected from the scenes' picture, sprite, sound and music
// commands into two pools, and a file counts as used when its upper-cased
// name occurs anywhere in its pool: a plain substring test, so "a.bmp" is
// used as soon as some scene names "sea.bmp". The folders are the Setup
// scene's imageDir, soundDir and musicDir, as written, under the game file's
// own folder.

#include <string>
#include <string_view>
#include <vector>

#include "GameScript.h"

namespace parvel {
class Host;
class SceneTable;
}  // namespace parvel

namespace parvel::filecheck {

struct UnusedFile {
    std::string name;  // lower-cased, Windows-1252: what the lists show
    std::string path;  // the file on disk, as found from the game file's path
};

struct UnusedFiles {
    std::vector<UnusedFile> pictures;  // .bmp and .clP
    std::vector<UnusedFile> sounds;    // .wav, then .mid
};

// Where the check reports its progress. Text is Windows-1252.
class CheckFilesView {
public:
    virtual ~CheckFilesView() = default;
    virtual void setStatus(const std::string& text) = 0;
    virtual void addUnusedPicture(const UnusedFile& file) = 0;
    virtual void addUnusedSound(const UnusedFile& file) = 0;
    // True when the check should end early (a newer check started, the
    // window went away). Checked between steps.
    virtual bool cancelled() const { return false; }
};

// Sprite values name at most this many frames; larger counts are taken as
// this many, so a wild count cannot grow the name pool without bound.
inline constexpr int kMaxSpriteFrames = 999;

// The folder the game file sits in, ending in its separator ("./" for a
// bare file name, empty when there is no game file).
std::string reportFolder(const GameScript& game);

// Runs one whole check. Directive reads go through `table.GetDirective`, so
// the table's current scene moves (it ends on "Setup"). Pending events run
// through `host` after every scene slot, scene and folder entry.
UnusedFiles CheckFiles(SceneTable& table, const GameScript& game, Host& host,
                       CheckFilesView* view = nullptr);

}  // namespace parvel::filecheck
