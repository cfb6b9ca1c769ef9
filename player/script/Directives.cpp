#include "Directives.h"

#include <array>

namespace parvel {

namespace {

constexpr std::string_view kSetup = "Setup";
constexpr std::string_view kTitle = "Title";
constexpr std::string_view kColours = "Colours and fonts";
constexpr std::string_view kText = "Text and options";
constexpr std::string_view kLinks = "Links and random links";
constexpr std::string_view kChain = "Chaining";
constexpr std::string_view kFights = "Fights";
constexpr std::string_view kPictures = "Pictures, layers and fades";
constexpr std::string_view kSprite = "Walking sprite and hot spots";
constexpr std::string_view kSound = "Sound, music and clips";

constexpr std::string_view kOptionSyntax = "text";
constexpr std::string_view kOptionSummary = "caption of an option, chosen by a click or its key";
constexpr std::string_view kLinkSyntax = "scene name | RANDOM";
constexpr std::string_view kLinkSummary = "scene the option of the same number leads to";
constexpr std::string_view kLinkGoSyntax = "TRUE | FALSE";
constexpr std::string_view kLinkGoSummary =
    "TRUE: the option of the same number plays its target in the @nextGfile file";

constexpr std::array kTable = {
    // Setup scene.
    DirectiveInfo{"@firstscene", kSetup, "scene name", "the scene the first click starts the game with"},
    DirectiveInfo{"@imagedir", kSetup, "folder", "folder of the pictures, relative to the game folder"},
    DirectiveInfo{"@musicdir", kSetup, "folder", "folder of the music, relative to the game folder"},
    DirectiveInfo{"@sounddir", kSetup, "folder", "folder of the sounds and clips, relative to the game folder"},
    DirectiveInfo{"@bkPic", kSetup, "picture file", "picture behind the window, relative to the game folder"},
    DirectiveInfo{"@bkColor", kColours, "RRRGGGBBB | Hnumber", "window background colour (default black)"},
    DirectiveInfo{"@fntColor", kColours, "RRRGGGBBB | Hnumber", "colour of the text and options (default green)"},
    DirectiveInfo{"@msOverColor", kColours, "RRRGGGBBB | Hnumber", "colour of an option under the pointer"},
    DirectiveInfo{"@fntSize", kColours, "points", "size of the text and options (default 8)"},
    DirectiveInfo{"@font", kColours, "font name", "font of the text and options"},
    // Title scene.
    DirectiveInfo{"@name", kTitle, "text", "name of the game, in the window title"},
    DirectiveInfo{"@date", kTitle, "text", "date on the title screen"},
    DirectiveInfo{"@version", kTitle, "text", "version on the title screen"},
    DirectiveInfo{"@author", kTitle, "text", "author on the title screen"},
    DirectiveInfo{"@artist", kTitle, "text", "artist on the title screen"},
    DirectiveInfo{"@company", kTitle, "text", "producer on the title screen"},
    DirectiveInfo{"@contact", kTitle, "text", "contact on the title screen, in brackets"},
    DirectiveInfo{"@copyright", kTitle, "text", "last line of the title screen"},
    // Text and options.
    DirectiveInfo{"@description", kText, "text, \\n for a line break", "the scene's text"},
    DirectiveInfo{"@option1", kText, kOptionSyntax, kOptionSummary},
    DirectiveInfo{"@option2", kText, kOptionSyntax, kOptionSummary},
    DirectiveInfo{"@option3", kText, kOptionSyntax, kOptionSummary},
    DirectiveInfo{"@option4", kText, kOptionSyntax, kOptionSummary},
    DirectiveInfo{"@option5", kText, kOptionSyntax, kOptionSummary},
    DirectiveInfo{"@option6", kText, kOptionSyntax, kOptionSummary},
    // Links.
    DirectiveInfo{"@Link1", kLinks, kLinkSyntax, kLinkSummary},
    DirectiveInfo{"@Link2", kLinks, kLinkSyntax, kLinkSummary},
    DirectiveInfo{"@Link3", kLinks, kLinkSyntax, kLinkSummary},
    DirectiveInfo{"@Link4", kLinks, kLinkSyntax, kLinkSummary},
    DirectiveInfo{"@Link5", kLinks, kLinkSyntax, kLinkSummary},
    DirectiveInfo{"@Link6", kLinks, kLinkSyntax, kLinkSummary},
    DirectiveInfo{"@randomLink", kLinks, "(prefix)count",
                  "RANDOM links go to one of prefix1 .. prefixcount"},
    // Chaining.
    DirectiveInfo{"@nextGfile", kChain, "game file", "game file, beside this one, that the next scene is read from"},
    DirectiveInfo{"@linkGo1", kChain, kLinkGoSyntax, kLinkGoSummary},
    DirectiveInfo{"@linkGo2", kChain, kLinkGoSyntax, kLinkGoSummary},
    DirectiveInfo{"@linkGo3", kChain, kLinkGoSyntax, kLinkGoSummary},
    DirectiveInfo{"@linkGo4", kChain, kLinkGoSyntax, kLinkGoSummary},
    DirectiveInfo{"@linkGo5", kChain, kLinkGoSyntax, kLinkGoSummary},
    DirectiveInfo{"@linkGo6", kChain, kLinkGoSyntax, kLinkGoSummary},
    // Fights.
    DirectiveInfo{"@maxHeroHP", kFights, "number", "the hero's hit points and their maximum"},
    DirectiveInfo{"@HPup", kFights, "number | MAX", "heal the hero, up to the maximum"},
    DirectiveInfo{"@MaxenemyHP", kFights, "number", "the enemy's hit points and their maximum"},
    DirectiveInfo{"@HPenemyUp", kFights, "number | MAX", "heal the enemy, up to the maximum"},
    DirectiveInfo{"@herohit", kFights, "number | RAN(high-low)", "damage dealt to the hero"},
    DirectiveInfo{"@enemyhit", kFights, "number | RAN(high-low)", "damage dealt to the enemy"},
    DirectiveInfo{"@winscene", kFights, "scene name", "scene played when the enemy falls (from the next scene on)"},
    DirectiveInfo{"@losescene", kFights, "scene name", "scene played when the hero falls (from the next scene on)"},
    // Pictures, layers and fades.
    DirectiveInfo{"@image", kPictures, "picture file", "still background picture"},
    DirectiveInfo{"@anim", kPictures, "picture, picture(n), ...", "background animation, at most 50 frames"},
    DirectiveInfo{"@animspeed", kPictures, "SLOW | MEDIUM | FAST | seconds | frames per second",
                  "time between frames (default MEDIUM, 0.166 s)"},
    DirectiveInfo{"@animLoop", kPictures, "count | ONE | FOREVER", "times the background animation plays (default 1)"},
    DirectiveInfo{"@layeranim", kPictures, "picture, picture(n), ...", "first overlay animation, at most 50 frames"},
    DirectiveInfo{"@layerloop", kPictures, "count | FOREVER", "times the first overlay plays (default 1)"},
    DirectiveInfo{"@layeranim2", kPictures, "picture, picture(n), ...", "second overlay animation, at most 20 frames"},
    DirectiveInfo{"@layerloop2", kPictures, "count | FOREVER", "times the second overlay plays (default 1)"},
    DirectiveInfo{"@Fade", kPictures, "TRUE | FALSE", "TRUE: the pictures fade in"},
    DirectiveInfo{"@percentFade", kPictures, "0..255", "strength of each fading step (default 50)"},
    DirectiveInfo{"@FadeSteps", kPictures, "count", "fading draws before the pictures show plainly"},
    // Walking sprite and hot spots.
    DirectiveInfo{"@X", kSprite, "pixels", "the sprite's start position across; the scene has a sprite when set"},
    DirectiveInfo{"@Y", kSprite, "pixels", "the height of the sprite's walking line"},
    DirectiveInfo{"@xmove", kSprite, "pixels", "the sprite's step per frame"},
    DirectiveInfo{"@standingsprite", kSprite, "count.name", "standing frames name1 .. namecount"},
    DirectiveInfo{"@walkingsprite", kSprite, "count.name", "walking frames nameR1.. and nameL1.."},
    DirectiveInfo{"@hotspots", kSprite, "x(\"text\",L|R|M,Y|NO,target), ...",
                  "up to four hot spots on the walking line"},
    // Sound, music and clips.
    DirectiveInfo{"@sound", kSound, "sound file", "sound played when the scene starts"},
    DirectiveInfo{"@soundloop", kSound, "number", "read, and has no effect"},
    DirectiveInfo{"@multiSound", kSound, "sound, sound, ...", "up to five sounds played one after another"},
    DirectiveInfo{"@multiSoundLoop", kSound, "count | FOREVER", "times the sound sequence plays"},
    DirectiveInfo{"@music", kSound, "MIDI file | STOP", "song played over and over until another is named"},
    DirectiveInfo{"@media", kSound, "clip file | STOP", "video clip shown in place of the picture"},
};

bool sameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
        if (up(a[i]) != up(b[i])) return false;
    }
    return true;
}

}  // namespace

std::span<const DirectiveInfo> directiveTable() { return kTable; }

const DirectiveInfo* findDirective(std::string_view name) {
    for (const auto& d : kTable)
        if (sameNoCase(d.name, name)) return &d;
    return nullptr;
}

}  // namespace parvel
