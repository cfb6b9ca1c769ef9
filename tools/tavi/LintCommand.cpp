// tavi lint: the findings of a game, one per line "FILE:LINE: error: MESSAGE",
// or as JSON. Warnings fail the run only with --strict.

#include <cstdio>

#include "Commands.h"
#include "LabelText.h"
#include "Lint.h"
#include "Paths.h"

namespace parvel::tavi {

int cmdLint(const Invocation& inv) {
    const std::string& file = inv.operands[0];
    const bool strict = inv.flag("--strict");
    const std::string format = inv.value("--format").value_or("text");
    if (format != "text" && format != "json") {
        std::fprintf(stderr, "tavi: --format is text or json, not %s\n", format.c_str());
        return 1;
    }
    const bool json = format == "json";
    if (!readWholeFile(file)) {
        std::fprintf(stderr, "tavi: cannot read %s\n", file.c_str());
        return 1;
    }
    render::ensureFontDatabase();
    auto findings = lintGame(file, {.labelText = true});
    for (auto& w : lintStory(file)) findings.push_back(std::move(w));
    bool failed = false;
    for (const auto& f : findings) failed = failed || f.severity == Severity::Error || strict;
    std::string out;
    if (json) {
        out = findingsToJson(findings);
    } else {
        for (const auto& f : findings) out += formatFinding(f) + "\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return failed ? 1 : 0;
}

}  // namespace parvel::tavi
