#pragma once
// The list forms scene commands use, shared by the interpreter and the
// author's lint.

#include <array>
#include <optional>
#include <string>

#include "InterpState.h"

namespace parvel {

// A picture list: names separated by ","; "name(n)" stands for n + 1
// entries of that name; a trailing "," adds nothing. Fills entries
// 1..capacity and count; false when the text holds more than the list takes
// (the first `capacity` entries are kept).
bool parsePictureList(AnimationList& list, std::string text);

// A sound sequence: names separated by ","; at most five are kept. Returns
// the count (0 to 5); `total` receives how many the text named.
int parseSoundList(std::string text, std::array<std::string, 5>& names, int* total = nullptr);

// Sprite frames from "count.name" values, as a picture-list text appended
// to the first overlay: standing frames name1.., then nameR1.. and nameL1..
// for walking. Counts that do not read stay as they were.
std::string spriteFrameList(const std::string& standing, const std::string& walking,
                            const std::string& extension, int& standingCount, int& walkingCount);

// Up to four hot-spot records x("text",direction,action,target), separated
// by ",", into spots 1..4. A field that does not read keeps what the spot
// held, so records past the last one repeat parts of it.
void parseHotSpots(std::string h, std::array<HotSpot, 5>& spots);

// @randomLink "(prefix)count": the text between the first "(" and the first
// ")" after it, and everything after that ")"; nothing when there is no pair.
struct RandomLink {
    std::string prefix;
    std::string count;
};
std::optional<RandomLink> parseRandomLink(const std::string& value);

}  // namespace parvel
