// tavi release and tavi encipher: the enciphered copy of a game, written
// beside OUTDIR and put in its place only when it is whole; release also
// lints the copy and plays walkthroughs on both copies first.

#include <cstdio>
#include <filesystem>

#include "Commands.h"
#include "Encipher.h"
#include "HeadlessHost.h"
#include "HotSpotReach.h"
#include "Lint.h"
#include "Paths.h"
#include "Replay.h"
#include "SceneTable.h"
#include "Vb.h"

namespace fs = std::filesystem;

namespace parvel::tavi {

namespace {

void printLine(std::string_view bytes, FILE* f = stdout) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fputc('\n', f);
}

// What one walkthrough shows: the scenes in order and the pictures written.
struct Run {
    std::vector<std::string> scenes;
    std::vector<std::string> pictures;  // bytes of each "picture" step
};

Run play(const std::string& game, std::vector<ReplayStep> steps, std::uint32_t seed,
         const std::string& scratch) {
    std::vector<std::string> files;
    for (auto& s : steps)
        if (s.kind == ReplayStep::Kind::Picture) {
            const std::string ext = vb::UCase(s.text).ends_with(".BMP") ? ".bmp" : ".png";
            s.text = scratch + std::to_string(files.size()) + ext;
            files.push_back(s.text);
        }
    Run run;
    runReplay(game, steps, seed, [&](std::string_view line) {
        if (line.rfind("scene: ", 0) == 0) run.scenes.emplace_back(line.substr(7));
    });
    for (const auto& f : files) {
        run.pictures.push_back(readWholeFile(f).value_or(""));
        std::remove(f.c_str());
    }
    return run;
}

// A walking scene of the enciphered game file whose hot spots the
// enciphered rules take otherwise than the plain ones.
bool walkRulesDiffer(SceneTable& table, const std::string& scene) {
    const int slot = table.FindScene(scene);
    if (slot == 0 || slot > table.lastLoadCount()) return false;
    auto walk = story::walkSceneOf(
        [&](std::string_view d) {
            return table.readDirective(slot, table.name(slot), d).valueOr("");
        },
        ".clP");
    if (!walk) return false;
    if (story::takenSpots(*walk, WalkRules::Plain) !=
        story::takenSpots(*walk, WalkRules::Enciphered))
        return true;
    for (int i = 1; i <= 4; ++i) {
        const HotSpot& h = walk->spots[static_cast<size_t>(i)];
        if (h.x != -1000 && h.target != "!" && vb::UCase(h.action) == "Y") return true;
    }
    return false;
}

// A scene with a RANDOM link: the enciphered game draws random numbers for
// the name of every picture it checks, so its random links fall otherwise.
bool drawsRandomLink(SceneTable& table, const std::string& scene) {
    const int slot = table.FindScene(scene);
    if (slot == 0 || slot > table.lastLoadCount()) return false;
    for (int n = 1; n <= 6; ++n)
        if (vb::UCase(
                vb::Trim(table.readDirective(slot, table.name(slot), "@Link" + std::to_string(n))
                             .valueOr(""))) == "RANDOM")
            return true;
    return false;
}

// Plays every walkthrough on both copies; false (after saying why) when a
// copy shows other scenes or pictures for a reason the rules do not explain.
bool sameOnBoth(const std::string& plainGame, const std::string& release,
                const std::vector<std::string>& walkthroughs, std::optional<std::uint32_t> given) {
    const std::string scratch = privateTempFolder();
    HeadlessHost host;
    SceneTable table(host);
    GameScript game;
    game.path = release;
    table.LoadGameScript(game);
    bool same = true;
    for (const auto& w : walkthroughs) {
        auto text = readWholeFile(w);
        if (!text) {
            std::fprintf(stderr, "tavi: cannot read %s\n", w.c_str());
            return false;
        }
        auto steps = parseReplay(*text);
        if (!steps) {
            std::fprintf(stderr, "tavi: %s: %s\n", w.c_str(), steps.error().description.c_str());
            return false;
        }
        const std::uint32_t seed = given ? *given : replaySeed(*text).value_or(1);
        const Run a = play(plainGame, *steps, seed, scratch + "plain-");
        const Run b = play(release, *steps, seed, scratch + "release-");
        size_t k = 0;
        while (k < a.scenes.size() && k < b.scenes.size() &&
               vb::UCase(a.scenes[k]) == vb::UCase(b.scenes[k]))
            ++k;
        if (k < a.scenes.size() || k < b.scenes.size()) {
            auto at = [](const std::vector<std::string>& v, size_t i) {
                return i < v.size() ? v[i] : std::string("(the end)");
            };
            const std::string from = k > 0 ? a.scenes[k - 1] : std::string();
            std::string what = w + ": after scene '" + from + "' the game goes to '" +
                               at(a.scenes, k) + "', the release to '" + at(b.scenes, k) + "'";
            if (k > 0 && walkRulesDiffer(table, from)) {
                printLine(what +
                          ": by design, an enciphered game takes the hot spots the walker passes "
                          "and has no Ctrl");
                continue;
            }
            if (k > 0 && drawsRandomLink(table, from)) {
                printLine(
                    what +
                    ": by design, an enciphered game draws random numbers for every picture it "
                    "checks, so random links fall otherwise");
                continue;
            }
            printLine("tavi: " + what, stderr);
            same = false;
            continue;
        }
        for (size_t i = 0; i < a.pictures.size() && i < b.pictures.size(); ++i)
            if (a.pictures[i] != b.pictures[i]) {
                printLine("tavi: " + w + ": picture " + std::to_string(i + 1) +
                              " differs between the game and the release",
                          stderr);
                same = false;
            }
    }
    return same;
}

int release(const std::string& gameDir, const std::string& outDir,
            const std::vector<std::string>& walkthroughs, std::optional<std::uint32_t> seed,
            bool check) {
    if (auto s = checkReleaseFolder(gameDir, outDir); !s) {
        std::fprintf(stderr, "tavi: %s\n", s.error().description.c_str());
        return 1;
    }
    auto written = writeRelease(gameDir, outDir);
    if (!written) {
        std::fprintf(stderr, "tavi: %s\n", written.error().description.c_str());
        return 1;
    }
    auto discard = [&] {
        std::error_code ec;
        fs::remove_all(*written, ec);
        return 1;
    };
    if (check) {
        // Findings name the files as they will be in OUTDIR.
        bool errors = false;
        const std::string shownFolder = outDir + (outDir.ends_with('/') ? "" : "/");
        for (auto f : lintGame(*written + "/GameFile.Cgm")) {
            if (f.file.rfind(*written + "/", 0) == 0)
                f.file = shownFolder + f.file.substr(written->size() + 1);
            printLine(formatFinding(f), stderr);
            errors = errors || f.severity == Severity::Error;
        }
        if (errors) {
            std::fprintf(stderr, "tavi: the release has errors; nothing was written to %s\n",
                         outDir.c_str());
            return discard();
        }
        const std::string plain = resolvePath(gameDir + "/Gamefile.txt");
        if (!sameOnBoth(plain, *written + "/GameFile.Cgm", walkthroughs, seed)) {
            std::fprintf(stderr, "tavi: the release plays otherwise; nothing was written to %s\n",
                         outDir.c_str());
            return discard();
        }
    }
    if (auto s = publishRelease(*written, outDir); !s) {
        std::fprintf(stderr, "tavi: %s\n", s.error().description.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int cmdEncipher(const Invocation& inv) {
    return release(inv.operands[0], inv.operands[1], {}, std::nullopt, false);
}

int cmdRelease(const Invocation& inv) {
    // GAMEDIR OUTDIR, then walkthroughs: --walkthrough values and any further operands.
    std::vector<std::string> plain, walkthroughs;
    for (const auto& [name, value] : inv.items) {
        if (name == "--walkthrough")
            walkthroughs.push_back(value);
        else if (name.empty())
            (plain.size() < 2 ? plain : walkthroughs).push_back(value);
    }
    const auto seed = seedOption(inv);
    if (!seed) return 1;
    std::optional<std::uint32_t> given;
    if (inv.value("--seed")) given = *seed;
    if (plain.size() != 2) {
        std::fprintf(stderr,
                     "usage: tavi release GAMEDIR OUTDIR [--walkthrough FILE...] [--seed N]\n");
        return 1;
    }
    return release(plain[0], plain[1], walkthroughs, given, true);
}

}  // namespace parvel::tavi
