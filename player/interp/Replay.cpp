#include "Replay.h"

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "GameSaves.h"
#include "HeadlessHost.h"
#include "MediaSystem.h"
#include "PadInput.h"
#include "Paths.h"
#include "Player.h"
#include "Snapshot.h"
#include "Vb.h"

namespace parvel {

namespace {

std::optional<int> keyCode(std::string_view k) {
    const std::string upper = vb::UCase(k);
    if (upper == "LEFT") return key::Left;
    if (upper == "RIGHT") return key::Right;
    if (upper == "CTRL") return key::Ctrl;
    if (upper.size() == 1 && upper[0] >= 'A' && upper[0] <= 'Z') return upper[0];
    return std::nullopt;
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}
}  // namespace

Result<std::vector<ReplayStep>> parseReplay(std::string_view text) {
    using K = ReplayStep::Kind;
    std::vector<ReplayStep> steps;
    int lineNo = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (const size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const auto w = words(line);
        if (w.empty()) continue;
        auto fail = [&](const std::string& what) {
            return Error{lineNo, "line " + std::to_string(lineNo) + ": " + what};
        };
        const std::string cmd = vb::LCase(w[0]);
        auto argCount = [&](size_t n) { return w.size() == n + 1; };
        ReplayStep s;
        s.kind = K::Click;
        static const std::pair<const char*, K> kBare[] = {
            {"open", K::Open},         {"click", K::Click}, {"snapshot", K::Snapshot},
            {"continue", K::Continue}, {"back", K::Back},   {"history", K::History},
            {"restart", K::Restart},   {"reload", K::Reload}};
        const auto bare = std::find_if(std::begin(kBare), std::end(kBare),
                                       [&](const auto& b) { return cmd == b.first; });
        if (bare != std::end(kBare) && argCount(0)) {
            s.kind = bare->second;
        } else if ((cmd == "save" || cmd == "load") && argCount(1)) {
            s.kind = cmd == "save" ? K::Save : K::Load;
            s.text = w[1];
        } else if ((cmd == "option" || cmd == "hover") && argCount(1)) {
            auto n = vb::CInt(w[1]);
            const int lowest = cmd == "hover" ? 0 : 1;  // hover 0: the pointer leaves the window
            if (!n || *n < lowest || *n > 6)
                return fail(lowest == 0 ? "hover number must be 0 to 6" : "option number must be 1 to 6");
            s.kind = cmd == "option" ? K::Option : K::Hover;
            s.number = *n;
        } else if ((cmd == "key" || cmd == "keydown" || cmd == "keyup") && argCount(1)) {
            auto code = keyCode(w[1]);
            if (!code) return fail("unknown key '" + std::string(w[1]) + "'");
            s.kind = cmd == "key" ? K::Key : cmd == "keydown" ? K::KeyDown : K::KeyUp;
            s.number = *code;
        } else if ((cmd == "pad" || cmd == "paddown" || cmd == "padup") && argCount(1)) {
            auto b = padButtonNamed(w[1]);
            if (!b) return fail("unknown pad button '" + std::string(w[1]) + "'");
            s.kind = cmd == "pad" ? K::Pad : cmd == "paddown" ? K::PadDown : K::PadUp;
            s.number = static_cast<int>(*b);
        } else if (cmd == "padaxis" && argCount(2)) {
            auto a = padAxisNamed(w[1]);
            if (!a) return fail("unknown pad axis '" + std::string(w[1]) + "'");
            auto v = vb::CLng(w[2]);
            if (!v || *v < -32768 || *v > 32767) return fail("pad axis value must be -32768 to 32767");
            s.kind = K::PadAxis;
            s.number = static_cast<int>(*a);
            s.value = static_cast<int>(*v);
        } else if (cmd == "wait" && argCount(1)) {
            auto secs = vb::CDbl(w[1]);
            if (!secs || *secs < 0 || *secs > 1e7) return fail("wait needs seconds (0 or more)");
            s.kind = K::Wait;
            s.seconds = *secs;
        } else if (cmd == "menu" && argCount(1)) {
            const std::string name = vb::LCase(w[1]);
            if (name != "sounds" && name != "music" && name != "errors" && name != "speed0" &&
                name != "speed2" && name != "speed5" && name != "readaloud")
                return fail("unknown menu '" + std::string(w[1]) + "'");
            s.kind = K::Menu;
            s.text = name;
        } else if (cmd == "answer" && argCount(1)) {
            const std::string a = vb::LCase(w[1]);
            if (a != "yes" && a != "no") return fail("answer must be yes or no");
            s.kind = K::Answer;
            s.text = a;
        } else if ((cmd == "picture" || cmd == "goto") && w.size() >= 2) {
            // The rest of the line: file and scene names may hold spaces.
            s.kind = cmd == "picture" ? K::Picture : K::Goto;
            std::string_view rest = line.substr(line.find(w[1]));
            while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
            s.text = rest;
        } else if (cmd == "points" && argCount(2)) {
            s.kind = K::Points;
            auto hero = vb::CLng(w[1]), enemy = vb::CLng(w[2]);
            s.keepHero = w[1] == "-";
            s.keepEnemy = w[2] == "-";
            if ((!hero && !s.keepHero) || (!enemy && !s.keepEnemy))
                return fail("points needs two whole numbers (or -)");
            s.number = hero.value_or(0);
            s.value = enemy.value_or(0);
        } else {
            return fail("cannot read '" + std::string(vb::Trim(line)) + "'");
        }
        s.line = lineNo;
        steps.push_back(std::move(s));
    }
    return steps;
}

std::optional<std::uint32_t> replaySeed(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const auto w = words(text.substr(pos, end - pos));
        pos = end + 1;
        if (w.size() < 2 || w[0] != "#" || vb::LCase(w[1]) != "seed") continue;
        if (w.size() != 3) return std::nullopt;
        std::string n(w[2]);
        while (!n.empty() && n.back() == '\r') n.pop_back();
        if (n.empty() || n.size() > 10 || n.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
        const unsigned long long v = std::stoull(n);
        if (v > 0xFFFFFFFFull) return std::nullopt;
        return static_cast<std::uint32_t>(v);
    }
    return std::nullopt;
}

namespace {

void playOnce(const std::string& gameFile, const std::vector<ReplayStep>& steps, std::uint32_t seed,
              const std::function<void(std::string_view)>& out,
              const std::function<void(std::string_view)>& err, bool everyFrame,
              const std::string& savesFolder,
              const std::function<void(int, std::string_view)>& warn) {
    using K = ReplayStep::Kind;
    HeadlessHost host(seed);
    host.setEveryFrameSeen(everyFrame);
    host.onEvent = out;
    MediaOptions options;
    options.useAudioDevice = false;
    MediaSystem media(host, options);
    media.setCommandLog([&](std::string_view c) { out("media: " + std::string(c)); });
    media.onSound = [&](std::string_view s) { out("sound: " + std::string(s)); };
    Player player(host, &media);
    player.onEvent = out;
    player.startUp();
    GameSaves saves(player, savesFolder);
    saves.setAutosaveEachScene(false);
    saves.setGame(gameFile);

    PadMapper pad;
    pad.key = [&](int code, bool down) { down ? player.keyDown(code) : player.keyUp(code); };
    pad.click = [&] { player.click(); };

    auto snapshot = [&] {
        for (const auto& line : snapshotLines(player)) out(line);
    };
    auto menu = [&](const std::string& name) {
        auto& st = host.settings();
        if (name == "sounds") st.PlaySounds = !st.PlaySounds;
        else if (name == "music") st.PlayMusic = !st.PlayMusic;
        else if (name == "errors") st.ShowErrors = !st.ShowErrors;
        else if (name == "readaloud") st.ReadAloud = !st.ReadAloud;
        // The window greys out the SpriteSpeed menu outside sprite scenes;
        // a replay can choose only what a person could.
        else if (!host.window().spriteSpeedEnabled) out("menu: " + name + " disabled");
        else st.SpriteSpeedBonus = name.back() - '0';
    };

    // Each command gets its own microsecond, so commands given together
    // still run in order, each once the game has handled the one before.
    Micros at = 0;
    for (const auto& step : steps) {
        if (step.kind == K::Wait) {
            at += static_cast<Micros>(std::llround(step.seconds * kMicrosPerSecond));
            continue;
        }
        ++at;
        host.schedule(at, [&, step] {
            switch (step.kind) {
                case K::Open: player.openGame(gameFile); break;
                case K::Click: player.click(); break;
                case K::Option:
                    if (warn && host.caption(optionLabel(step.number)).empty())
                        warn(step.line, "option " + std::to_string(step.number) +
                                            ": the scene shows no option " + std::to_string(step.number));
                    player.optionClick(step.number);
                    break;
                case K::Hover: player.optionHover(step.number); break;
                case K::Key:
                    if (warn && (step.number == key::Left || step.number == key::Right ||
                                 step.number == key::Ctrl) &&
                        !host.window().spriteSpeedEnabled)
                        warn(step.line, std::string("key ") +
                                            (step.number == key::Left ? "left" : step.number == key::Right ? "right" : "ctrl") +
                                            ": the scene has no walking figure");
                    player.keyDown(step.number);
                    player.keyUp(step.number);
                    break;
                case K::KeyDown: player.keyDown(step.number); break;
                case K::KeyUp: player.keyUp(step.number); break;
                case K::Menu: menu(step.text); break;
                case K::Answer:
                    host.queueAnswer(step.text == "yes" ? MsgAnswer::Yes : MsgAnswer::No);
                    break;
                case K::Snapshot: snapshot(); break;
                case K::Pad:
                    pad.button(static_cast<PadButton>(step.number), true);
                    pad.button(static_cast<PadButton>(step.number), false);
                    break;
                case K::PadDown: pad.button(static_cast<PadButton>(step.number), true); break;
                case K::PadUp: pad.button(static_cast<PadButton>(step.number), false); break;
                case K::PadAxis: pad.axis(static_cast<PadAxis>(step.number), step.value); break;
                case K::Picture:
                    if (auto s = render::savePicture(player.render().Picture1, step.text); !s && err)
                        err("cannot write picture " + step.text + ": " + s.error().description);
                    break;
                case K::Save: saves.save(step.text); break;
                case K::Load:
                    if (!saves.load(step.text) && warn)
                        warn(step.line, "load " + step.text + ": there is no such save");
                    break;
                case K::Continue: saves.continueGame(); break;
                case K::Back: saves.back(); break;
                case K::History: {
                    const std::string story = saves.storySoFar();
                    for (size_t pos = 0; pos < story.size();) {
                        const size_t end = story.find('\n', pos);
                        out(std::string_view(story).substr(pos, end - pos));
                        pos = end + 1;
                    }
                    out("");
                    break;
                }
                case K::Reload: player.reload(); break;
                case K::Goto: player.goTo(step.text); break;
                case K::Points:
                    player.setPoints(step.keepHero ? std::nullopt : std::optional<std::int32_t>(step.number),
                                     step.keepEnemy ? std::nullopt : std::optional<std::int32_t>(step.value));
                    break;
                case K::Wait:
                case K::Restart: break;
            }
        });
    }
    host.schedule(at + 1, [&] { host.quitNow(); });
    player.MainLoop();
    saves.saveOnExit();
    media.shutdown();
}

}  // namespace

void runReplay(const std::string& gameFile, const std::vector<ReplayStep>& steps,
               std::uint32_t seed, const std::function<void(std::string_view)>& out,
               const std::function<void(std::string_view)>& err, bool everyFrame,
               const std::string& savesFolder,
               const std::function<void(int, std::string_view)>& warn) {
    // By default the saves live in this run's private folder, removed
    // afterwards (and by a later run when this one is killed).
    std::string folder = savesFolder, temporary;
    if (folder.empty()) {
        if (const std::string base = privateTempFolder(); !base.empty()) {
            std::string tmpl = base + "saves-XXXXXX";
            if (::mkdtemp(tmpl.data())) temporary = tmpl;
        }
        folder = temporary;  // none: saving is refused rather than done in the user's folder
    }
    // Each "restart" ends one player and starts the next.
    auto from = steps.begin();
    for (;;) {
        const auto to = std::find_if(from, steps.end(),
                                     [](const ReplayStep& s) { return s.kind == ReplayStep::Kind::Restart; });
        playOnce(gameFile, {from, to}, seed, out, err, everyFrame, folder, warn);
        if (to == steps.end()) break;
        from = to + 1;
    }
    if (!temporary.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(temporary, ec);
    }
}

}  // namespace parvel
