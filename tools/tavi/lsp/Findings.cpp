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

// The scene a finding names: "NAME", or "NAME (FILE)" for a chained file.
std::pair<int, int> findScene(const Game& game, const std::string& label) {
    for (size_t f = 0; f < game.files.size(); ++f) {
        std::string name = label;
        const std::string suffix = " (" + fileNameOf(game.files[f].path) + ")";
        if (f > 0) {
            if (!label.ends_with(suffix)) continue;
            name = label.substr(0, label.size() - suffix.size());
        }
        const auto& scenes = game.files[f].index->scenes();
        for (size_t s = 0; s < scenes.size(); ++s)
            if (scenes[s].named && scenes[s].name == name)
                return {static_cast<int>(f), static_cast<int>(s)};
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
        f.warning = p.warning;
        f.message = p.message;
        if (f.message.starts_with("warning: ")) f.message.erase(0, 9);
        const auto [file, scene] = findScene(game, p.scene);
        if (file < 0) {
            f.span = {0, 0};
            f.message = p.scene + ": " + p.message;
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
