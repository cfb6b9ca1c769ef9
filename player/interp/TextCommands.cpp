// Description, options, links, random links and chaining to another game file.

#include <cmath>

#include "SceneLists.h"
#include "SceneRunner.h"
#include "Vb.h"

namespace parvel {

using namespace vb;

std::string optionCaption(int n, std::string_view text) {
    static constexpr const char* kPrefixes[7] = {"", "(a) ", "(s) ", "(d) ", "(f) ", "(g) ", "(z) "};
    return kPrefixes[n] + std::string(Trim(Host::captionPart(text)));
}

std::string ReplaceLineBreaks(std::string_view text) {
    // Scanned to the end: old players stopped looking after 9999 characters
    // and dropped the rest of a long description.
    std::string out;
    out.reserve(text.size());
    size_t from = 0;
    for (size_t at = text.find("\\n"); at != std::string_view::npos; at = text.find("\\n", from)) {
        out.append(text, from, at - from);
        out.push_back('\r');
        from = at + 2;
    }
    out.append(text, from);
    return out;
}

SceneRunner::Flow SceneRunner::readTextCommands() {
    const std::string next = get("@nextGfile");
    m_shared.NextGameFile = next;
    if (!Trim(next).empty()) m_shared.NextGamePending = true;
    for (int n = 1; n <= 6; ++n) {
        const std::string go = UCase(Trim(get("@linkGo" + std::to_string(n))));
        m_shared.LinkGo[static_cast<size_t>(n)] = go.empty() ? "FALSE" : go;
    }
    m_host.setCaption(Control::Label2, ReplaceLineBreaks(Host::captionPart(get("@description"))));
    return Flow::Next;
}

SceneRunner::Flow SceneRunner::readOptions() {
    const std::string random = get("@randomLink");
    if (!Trim(random).empty()) {
        if (auto link = parseRandomLink(random)) {
            m_scene.RandomLinkPrefix = link->prefix;
            m_scene.RandomLinkCount = link->count;
        }
    } else {
        m_scene.RandomLinkPrefix.clear();
    }
    for (int n = 1; n <= 6; ++n) {
        const std::string text = get("@option" + std::to_string(n));
        m_scene.optionTexts[static_cast<size_t>(n)] = text;
        if (!text.empty())
            m_host.setCaption(optionLabel(n), optionCaption(n, text));
    }
    return Flow::Next;
}

SceneRunner::Flow SceneRunner::readLinks() {
    for (int n = 1; n <= 6; ++n) {
        auto& target = m_shared.LinkTargets[static_cast<size_t>(n)];
        target = get("@Link" + std::to_string(n));
        if (UCase(Trim(target)) != "RANDOM") continue;
        // Before any scene has named a random link the count reads as 0, so
        // the target is the scene "1"; a count that is not a number leaves
        // the target "RANDOM".
        const std::optional<double> count =
            m_scene.RandomLinkCount ? CDbl(*m_scene.RandomLinkCount) : std::optional<double>(0);
        if (!count) continue;
        const double r = m_host.random();
        const double k = std::floor(r * *count) + 1;
        // A count too large for a whole number (or not finite) fails here,
        // and the statement is skipped like any other failing one.
        if (!(std::fabs(k) < 1e15)) continue;
        target = m_scene.RandomLinkPrefix + std::to_string(static_cast<long long>(k));
    }
    return Flow::Next;
}

}  // namespace parvel
