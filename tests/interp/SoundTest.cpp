#include <cmath>

#include "GameFixture.h"

class Sound : public GameFixture {
protected:
    // A 16-bit mono sine of `seconds` at 22050 Hz.
    std::string wav(const std::string& name, double seconds) {
        const int rate = 22050, n = static_cast<int>(seconds * rate);
        std::string d = "RIFF0000WAVEfmt ";
        auto u32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) d.push_back(static_cast<char>(v >> (8 * i))); };
        auto u16 = [&](std::uint16_t v) { d.push_back(static_cast<char>(v)); d.push_back(static_cast<char>(v >> 8)); };
        u32(16); u16(1); u16(1); u32(rate); u32(rate * 2); u16(2); u16(16);
        d += "data";
        u32(static_cast<std::uint32_t>(n * 2));
        for (int i = 0; i < n; ++i) u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(8000 * std::sin(i * 0.1))));
        const std::uint32_t riff = static_cast<std::uint32_t>(d.size() - 8);
        for (int i = 0; i < 4; ++i) d[4 + static_cast<size_t>(i)] = static_cast<char>(riff >> (8 * i));
        return writeFile(name, d);
    }
    std::string folder() const { return dir.string() + "/"; }
};

TEST_F(Sound, SceneSoundAndMusicCommands) {
    wav("sfx/ding.wav", 0.2);
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n@sounddir = sfx\n@musicdir = music\n"
        "[A]\n@sound = ding.wav\n@music = song.mid\n@option1 = on\n@Link1 = B\n"
        "[B]\n@option1 = on\n@Link1 = C\n[C]\n@music = STOP\n");
    const auto lines = play(game, "open\nclick\nwait 1\noption 1\nwait 1\noption 1\nwait 1\n");
    const std::string music = folder() + "music\\";
    std::vector<std::string> events;
    for (const auto& l : lines)
        if (l.rfind("sound: ", 0) == 0 || l.rfind("media: ", 0) == 0 || l.rfind("scene: ", 0) == 0)
            events.push_back(l);
    EXPECT_EQ(events, (std::vector<std::string>{
                          "media: stop MFile", "media: close MFile",  // opening the game
                          "scene: A", "sound: " + folder() + "sfx\\ding.wav",
                          "media: open \"" + music + "song.mid\" Type sequencer Alias MFile",
                          "media: play MFile",
                          "scene: B",  // no @music: the song goes on
                          // STOP closes the song; the scene then opens the empty
                          // path, which closes again and fails without effect.
                          "scene: C", "media: stop MFile", "media: close MFile",
                          "media: stop MFile", "media: close MFile",
                          "media: open \"\" Type sequencer Alias MFile", "media: play MFile"}));
}

TEST_F(Sound, SoundSequencePlaysInOrderForItsPasses) {
    wav("a.wav", 0.3);
    wav("b.wav", 0.3);
    wav("c.wav", 0.3);
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@multiSound = a.wav, b.wav,c.wav\n@multiSoundLoop = 2\n");
    const auto sounds = only(play(game, "open\nclick\nwait 5\n"), "sound: ");
    const std::string f = folder() + "\\";
    EXPECT_EQ(sounds, (std::vector<std::string>{"sound: " + f + "a.wav", "sound: " + f + "b.wav",
                                                "sound: " + f + "c.wav", "sound: " + f + "a.wav",
                                                "sound: " + f + "b.wav", "sound: " + f + "c.wav"}));
    const auto off = only(play(game, "menu sounds\nopen\nclick\nwait 5\n"), "sound: ");
    EXPECT_TRUE(off.empty());
}

TEST_F(Sound, MissingClipShowsTheVideoAreaForHalfASecond) {
    const auto game = writeGame(
        "[Setup]\n@firstscene = A\n[A]\n@media = intro.mpeg\n@option1 = on\n@Link1 = B\n"
        "[B]\n@media = STOP\n");
    const auto lines = play(game, "open\nclick\nwait 1\noption 1\nwait 1\n");
    const auto media = only(lines, "media: ");
    const std::string clip = folder() + "\\intro.mpeg";
    auto at = std::find(media.begin(), media.end(), "media: Close mpeg");
    ASSERT_NE(at, media.end());
    EXPECT_EQ(*(at + 1), "media: open " + clip + " type MPEGVideo Alias mpeg parent 2 Style 1073741824");
    EXPECT_EQ(*(at + 2), "media: set mpeg time format frames");
    EXPECT_EQ(*(at + 3), "media: status mpeg length");
    EXPECT_TRUE(has(media, "media: status mpeg mode"));
    EXPECT_TRUE(has(media, "media: play mpeg from 1 to -1"));
    EXPECT_EQ(media.back(), "media: Close mpeg");  // @media STOP in scene B
}
