#pragma once
// The interpreter's state: what one scene pass builds, and the values the
// window's input handlers share with it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "Host.h"

namespace parvel {

// Values the input handlers write and the interpreter reads between its
// event-processing points.
struct SharedState {
    std::array<std::string, 7> LinkTargets;  // options 1..6 (slot 0 unused)
    std::array<std::string, 7> LinkGo;       // upper-cased @linkGo values, "FALSE" when absent
    std::int16_t ChosenOption = 0;
    bool OptionChosen = false;
    bool InterpreterRunning = false;
    std::string NextGameFile;
    bool NextGamePending = false;
    std::string PreviousScene;
    bool AwaitingStart = false;
    // Walk keys (the arrow keys, Ctrl).
    bool WalkRight = false;
    bool WalkLeft = false;
    bool WalkKeyHeld = false;
    bool ActionKey = false;
    std::string LastMedia;
};

struct CombatState {
    std::int32_t enemyDeclaredMax = 0;
    std::int32_t heroMax = 0;
    std::int32_t enemyMax = 0;
    std::int32_t heroPoints = 0;
    std::int32_t enemyPoints = 0;
    std::string winScene;
    std::string loseScene;
};

// One picture list of a scene: the background animation or an overlay.
struct AnimationList {
    explicit AnimationList(int cap = 50) : capacity(cap) {}
    int capacity;
    std::array<std::string, 51> entries;  // 1..capacity
    int count = 0;
    std::string loopCount = "1";  // "9999" plays for ever
    int counter = 0;              // current entry from 1, 0 when empty
    void clear() {
        entries.fill({});
        count = 0;
        counter = 0;
    }
};

struct HotSpot {
    std::int16_t x = -1000;
    std::string text;
    std::string direction = "M";
    std::string action = "NO";
    std::string target;
};

struct WalkingSprite {
    bool on = false;
    double x = 0;
    double y = 0;
    double step = 0;
    int standing = 0;  // S
    int walking = 0;   // W
    bool moving = false;
    int rightCounter = 0;
    int leftCounter = 0;
    int lastCrossed = 0;
};

struct SceneState {
    std::string name;
    std::array<std::string, 7> optionTexts;
    std::string RandomLinkPrefix;
    std::optional<std::string> RandomLinkCount;  // none until a scene names a random link
    std::string PreviousListKey;
    std::string previousAnimText, previousLayerText, previousLayer2Text;  // the lists behind it
    std::string FrameDelay = ".166";
    std::string imagePath;
    AnimationList anim{50};
    AnimationList layer{50};
    AnimationList layer2{20};
    std::string animText, layerText, layer2Text;  // list texts as read (with sprite frames)
    WalkingSprite sprite;
    std::array<HotSpot, 5> hotSpots;  // 1..4
    std::string musicPath;
    std::string soundPath;
    std::string mediaName;
    Micros nextMusicCheck = 0;
};

}  // namespace parvel
