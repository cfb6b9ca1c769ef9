#pragma once
// A walking scene as Spotter shows and edits it: read from the game script
// with the player's own readers (scene table, Setup, enciphered pictures),
// and written back as the four sprite commands an author places by eye.

#include <QImage>
#include <optional>
#include <string>
#include <vector>

#include "Result.h"
#include "WalkMap.h"

namespace spotter {

struct WalkingScene {
    std::string gameFile;   // as given (a native path)
    std::string sceneName;  // script bytes, as the scene's header writes it
    bool enciphered = false;
    QImage background;      // null when the scene names none or it does not load
    std::vector<QImage> frames;  // first-overlay entries 1..: standing, walking right, walking left
    parvel::WalkScene walk;      // @X, @xmove, frame counts, hot spots
    double y = 0;                // @Y
    int spotCount = 0;           // records in @hotspots, 0..4 (slots 1..spotCount)
    // What was read, to tell which commands an edit changed.
    std::string readX, readY, readXmove, readHotspots;
    std::vector<std::string> problems;  // pictures that did not load, and the like (UTF-8)

    // The picture the player shows for a first-overlay entry (1-based);
    // null when there is none.
    QImage frame(int entry) const;
};

// Loads the game at `gameFile` as the player opens it and reads `scene`'s
// picture and sprite commands. Fails (with a message in UTF-8) when the
// game or the scene is not there.
parvel::Result<WalkingScene> loadWalkingScene(const std::string& gameFile, const std::string& scene);

// A number as a script writes it: "100", "-4", "2.5".
std::string scriptNumber(double v);
// Hot-spot records x("text",direction,action,target) separated by ",", for
// slots 1..count.
std::string formatHotSpots(const parvel::HotSpots& spots, int count);

// The sprite commands as the scene would now read them.
struct Directive {
    std::string name;   // "@X", "@Y", "@xmove", "@hotspots"
    std::string value;  // script bytes
    bool changed = false;  // differs from what was read
};
std::vector<Directive> directivesOf(const WalkingScene& scene);
// The four commands as script lines, each ending CR LF.
std::string directiveLines(const WalkingScene& scene);

// Rewrites the values of the changed commands in that scene of the plain
// script at `path`, atomically; every other byte stays as it is. A command
// the scene lacks is added after the sprite commands it has. Refused for an
// enciphered script. On failure the file is untouched and the message
// (UTF-8) says why.
parvel::Status saveDirectives(const std::string& path, const std::string& scene,
                              const std::vector<Directive>& directives);

// Characters a hot-spot field cannot hold without breaking its record.
std::string cleanSpotField(std::string text, const char* forbidden);

}  // namespace spotter
