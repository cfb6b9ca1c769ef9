#pragma once
// Everything that decides how a game goes on from the start of a scene:
// what a save holds, and what going back restores. Script text stays as
// Windows-1252 bytes; paths are native.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace parvel {

// One scene of the story so far: the text shown and the option chosen.
struct HistoryEntry {
    std::string text;    // Label2 caption, CR line breaks
    std::string chosen;  // option text, empty when the scene was left otherwise
};

struct SaveState {
    // The game: the file the user opened (its identity) and every file a
    // chain loaded since, in load order, the one in use last. Later loads
    // fill only as many scene slots as they have, so the order matters.
    std::string gamePath;
    std::string gameDigest;
    std::vector<std::string> loadedFiles;
    std::vector<std::string> loadedDigests;  // digest of each, as loaded
    std::int16_t enciphered = 0;
    int currentSlot = 0;

    std::string scene;

    // Shared with the input handlers.
    std::array<std::string, 7> linkTargets;
    std::array<std::string, 7> linkGo;
    std::int16_t chosenOption = 0;
    std::string previousScene;
    bool walkRight = false, walkLeft = false, walkKeyHeld = false, actionKey = false;
    std::string lastMedia;

    // Combat.
    std::int32_t enemyDeclaredMax = 0, heroMax = 0, enemyMax = 0, heroPoints = 0, enemyPoints = 0;
    std::string winScene, loseScene;

    // Scene values that outlive a pass.
    std::array<std::string, 7> optionTexts;
    std::string randomLinkPrefix;
    std::optional<std::string> randomLinkCount;
    std::string previousListKey;
    std::string previousAnimText, previousLayerText, previousLayer2Text;
    std::string frameDelay;
    std::string musicPath, soundPath, mediaName;
    int instantPasses = 0;  // passes in a row that did not wait
    bool walkAnnounced = false;

    // Pictures: the picture box and the back buffer (PNG), the queued
    // rectangles and the fade.
    std::string picturePng;
    int pictureFormat = 0;
    std::string backBufferPng;  // empty: the same as the picture box
    int backBufferFormat = 0;
    bool hasBackBuffer = false;
    std::string thumbnailPng;  // the picture box when saved; empty: as at the start
    std::vector<std::array<std::int32_t, 4>> dirtyRects;  // left, top, right, bottom (slots 1..)
    std::string fadeSwitch = "FALSE", fadeAlpha;
    std::int16_t fadeStepLimit = 0, fadeStepCount = 0;
    std::int16_t layersActive = 0, animFrame = 0, layerFrame = 0, layer2Frame = 0;

    // What the window shows.
    std::array<std::string, 11> captions;
    std::array<std::uint32_t, 11> colours{};
    std::string title;
    int spriteSpeedBonus = 0;

    // The song: the one remembered, and the sequencer's place in it.
    std::string songPath;
    bool songOpen = false, songPlaying = false;
    std::int64_t songFrame = 0;

    std::string randomState;

    std::vector<HistoryEntry> history;

    // Shown in the slot lists.
    std::string savedAt;    // local time, "YYYY-MM-DD HH:MM:SS"
    std::string firstLine;  // of the scene's text
};

}  // namespace parvel
