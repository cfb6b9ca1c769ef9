#pragma once
// One run of the scene interpreter: scene after scene from a start scene,
// until the game stops on a fatal error or something newer replaces it.

#include <QImage>
#include <optional>
#include <string>
#include <vector>

#include "Player.h"
#include "Result.h"

namespace parvel {

class MediaSystem;

class SceneRunner {
public:
    SceneRunner(Player& player, int generation);

    // Plays from `scene` on; returns on a fatal combat error, when a newer
    // run or game replaces this one, or when the program ends.
    void PlayScene(std::string scene);

    // Enciphered games keep the pictures of the lists last loaded; a
    // restored game loads those of the saved previous lists again.
    void reloadLists(const std::string& anim, const std::string& layer, const std::string& layer2);

    // What every way out of a scene leaves behind for the next one (the
    // scene and picture lists it was), before the next scene is chosen.
    void leaveScene();

    // How a step of a pass ends.
    enum class Flow { Next, EndScene, Fatal, Stop };

private:
    struct SetupStep {
        const char* commands;  // for reading; the order is the point
        Flow (SceneRunner::*run)();
    };
    static const SetupStep kSetupSteps[];

    bool stopped() const { return m_player.superseded(m_generation); }
    std::string get(std::string_view directive);
    std::string native(std::string_view scriptText) const;
    void emitEvent(const std::string& line);

    // Pass structure.
    void chainGameFile();
    void cannotShow();
    void resetScene();
    Flow frameLoop();
    Flow tick(bool& firstTick);
    Micros frameDelay() const;
    struct DrawnFrame {
        int anim = 0, layer = 0, layer2 = 0;
        bool valid = false;
    };
    DrawnFrame currentFrame() const;
    enum class Unseen { No, Skip, DeferOverlays };
    Unseen unseenFrame(Micros nextFrameDrawn);
    void deferOverlays();
    void drawDeferredOverlays();
    struct DeferredOverlay {
        int list;          // 1: first overlay, 2: second
        int frame;         // enciphered games: the preloaded slot
        std::string path;  // plain games: the picture file
    };
    std::vector<DeferredOverlay> m_deferred;
    bool backgroundsCover();
    Flow skipFrame();
    void endPass();

    // Text, options and links.
    Flow readTextCommands();
    Flow readOptions();
    Flow readLinks();

    // Combat.
    Flow readHeroMaximum();
    Flow readCombatCommands();
    Flow applyHits();
    Flow applyHit(bool hero);
    void showPoints(Control label, std::int32_t points, std::int32_t maximum);
    std::optional<std::int32_t> damageOf(const std::string& value);
    std::string m_heroHit, m_enemyHit, m_winScene, m_loseScene;

    // Pictures.
    Flow readAnimationCommands();
    void parseLists();
    void parseList(AnimationList& list, const std::string& text, std::string_view message);
    void preloadEncipheredFrames();
    struct EncipheredPicture {
        std::optional<Result<QImage>> image;  // none: nothing to load (missing file)
        std::string messagePath;              // the name failure messages show
    };
    bool loadEncipheredBackground();
    std::optional<EncipheredPicture> prepareEnciphered(const std::string& path, bool trimSource,
                                                       const Result<QImage>* known);
    void startFrameCounters();
    void advanceCounters();
    void wrap(AnimationList& list, bool emptyStaysZero);
    Flow tickPictures();
    void loadPicture(render::BitmapPtr& slot, const std::string& path);
    std::string entryPath(const AnimationList& list, int index) const;

    // Walking sprite and hot spots.
    Flow readSpriteCommands();
    void parseHotSpots(std::string h);
    Flow moveSprite();

    // Read Aloud.
    bool readingAloud() const;
    void speakScene(const CombatState& before);

    Flow leaveBy(const HotSpot& spot);

    // Sound, music and video.
    Flow readMusic();
    Flow readMedia();
    Flow readSounds();
    void startSounds();
    Flow videoPhase();
    bool leadsToClip() const;
    void checkMusic();

    Player& m_player;
    Host& m_host;
    SceneTable& m_table;
    SharedState& m_shared;
    SceneState& m_scene;
    CombatState& m_combat;
    render::RenderState& m_render;
    MediaSystem* m_media;
    int m_generation;
    bool m_passWaited = false;  // this pass's frame loop slept at least once
    DrawnFrame m_drawn;         // the frame numbers last drawn in this pass
    bool m_coverKnown = false, m_cover = false;
};

// Returns the text with every "\n" marker turned into a line break (CR).
std::string ReplaceLineBreaks(std::string_view text);
// Option n's (1 to 6) caption for its @option text: its key, then the text.
std::string optionCaption(int n, std::string_view text);

}  // namespace parvel
