#pragma once
// Finding the games under the shelf's folders.
//
// Each folder is walked depth first, following links to folders but never
// entering one folder twice (a link loop ends there) and leaving out hidden
// folders. A folder holding a game file is a game; its subfolders are walked
// too. Each game is read with the player's own loading (OpenGame on a host
// without a window), so its name and picture are the ones the player shows.
// Games whose file and picture are unchanged since `known` was made are taken
// from it without reading.

#include <QSize>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "Result.h"
#include "ShelfData.h"

namespace parvel::shelf {

// Larger game files are not read: the largest real scripts are well under
// 1 MiB, and the player would hold the whole file in memory.
inline constexpr std::int64_t kMaxGameFileBytes = 16ll * 1024 * 1024;
// Thumbnails keep the scene pictures' 200 x 115 shape at two fifths.
inline constexpr QSize kThumbnailSize{80, 46};

struct Skipped {
    std::string path;
    std::string why;
};

struct ScanReport {
    std::vector<ShelfGame> games;  // by name without regard to case, then by path
    std::vector<Skipped> skipped;  // in the order met
    int folders = 0;               // folders read
    bool cancelled = false;
};

struct ScanControl {
    const std::atomic<bool>* cancel = nullptr;
    // Folders read and games found so far; called from the scanning thread.
    std::function<void(int folders, int games)> progress;
    const std::vector<ShelfGame>* known = nullptr;
};

ScanReport scanShelf(const std::vector<std::string>& roots, const ScanControl& control = {});

// One game's shelf entry; an error (its text says why) for a game file that
// cannot be read, is too large, or holds neither a Setup nor a Title scene.
Result<ShelfGame> readShelfGame(const std::string& gameFile);

}  // namespace parvel::shelf
