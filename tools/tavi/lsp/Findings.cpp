#include "Findings.h"

#include <algorithm>

#include "Lint.h"
#include "Paths.h"
#include "Server.h"
#include "Vb.h"

namespace parvel::lsp {

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && vb::UCase(a) == vb::UCase(b);
}

// The file a finding names (its path as lint gives it) and its scene there.
std::pair<int, int> findScene(const Game& game, const LintFinding& finding) {
    const std::string path = resolvePath(finding.file);
    for (size_t f = 0; f < game.files.size(); ++f) {
        if (resolvePath(game.files[f].path) != path) continue;
        const auto& scenes = game.files[f].index->scenes();
        for (size_t s = 0; s < scenes.size(); ++s)
            if (scenes[s].named && scenes[s].name == finding.scene)
                return {static_cast<int>(f), static_cast<int>(s)};
        return {static_cast<int>(f), -1};
    }
    return {-1, -1};
}

// The text a message is about: the value of the command it starts with
// (or names in brackets), else the scene's name.
Span spanFor(const SceneInfo& scene, const std::string& message) {
    std::string command;
    if (message.starts_with("@"))
        command = message.substr(0, message.find(' '));
    else if (const size_t at = message.find("(@"); at != std::string::npos)
        command = message.substr(at + 1, message.find(' ', at) - at - 1);
    else if (message.starts_with("RANDOM link"))
        command = "@randomLink";
    if (!command.empty())
        for (const auto& c : scene.commands) {
            if (!equalsNoCase(c.name, command)) continue;
            return c.valueSpan.end > c.valueSpan.begin ? c.valueSpan : c.nameSpan;
        }
    return scene.named ? scene.nameSpan : scene.header;
}

}  // namespace

std::vector<Finding> lintFindings(const Game& game) {
    const std::string& root = game.files[0].path;
    auto problems = lintGame(root);
    for (auto& w : lintStory(root)) problems.push_back(std::move(w));
    std::vector<Finding> out;
    for (const auto& p : problems) {
        Finding f;
        f.warning = p.severity == Severity::Warning;
        f.code = p.code;
        f.message = p.message;
        const auto [file, scene] = findScene(game, p);
        if (file < 0 || scene < 0) {
            f.file = std::max(file, 0);
            f.span = {0, 0};
            if (!p.scene.empty()) f.message = p.scene + ": " + p.message;
        } else {
            f.file = file;
            f.span = spanFor(
                game.files[static_cast<size_t>(file)].index->scenes()[static_cast<size_t>(scene)],
                p.message);
        }
        // A list naming one missing picture many times says so once.
        const bool repeated = std::any_of(out.begin(), out.end(), [&](const Finding& o) {
            return o.file == f.file && o.span.begin == f.span.begin && o.span.end == f.span.end &&
                   o.message == f.message;
        });
        if (!repeated) out.push_back(std::move(f));
    }
    return out;
}

}  // namespace parvel::lsp
