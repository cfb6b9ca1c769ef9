#include "ScriptIndex.h"

#include <algorithm>
#include <cstdlib>

#include "SceneLists.h"
#include "Vb.h"

namespace parvel::lsp {

using vb::UCase;

namespace {

constexpr int kSlots = 700;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Trimmed of spaces, cut at "//" as the reader cuts values.
Span valueOf(std::string_view text, size_t begin, size_t end) {
    const size_t cut = text.substr(begin, end - begin).find("//");
    if (cut != std::string_view::npos) end = begin + cut;
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return {begin, end};
}

}  // namespace

const Command* SceneInfo::command(std::string_view wanted) const {
    const std::string upper = UCase(wanted);
    for (const auto& c : commands)
        if (c.read && c.upper == upper) return &c;
    return nullptr;
}

ScriptIndex::ScriptIndex(std::string text) : m_text(std::move(text)) {
    m_lineStarts.push_back(0);
    for (size_t i = 0; i < m_text.size(); ++i) {
        if (m_text[i] == '\r' && i + 1 < m_text.size() && m_text[i + 1] == '\n') ++i;
        if (m_text[i] == '\n' || m_text[i] == '\r') m_lineStarts.push_back(i + 1);
    }

    // As SceneTable::loadText splits.
    size_t p = m_text.find('[');
    while (p != std::string::npos && static_cast<int>(m_scenes.size()) < kSlots) {
        const size_t next = m_text.find("\r\n[", p + 1);
        SceneInfo s;
        s.whole = {p, next == std::string::npos ? m_text.size() : next + 2};
        m_scenes.push_back(std::move(s));
        p = next == std::string::npos ? next : next + 2;
    }
    for (auto& s : m_scenes) {
        const std::string_view t =
            std::string_view(m_text).substr(s.whole.begin, s.whole.end - s.whole.begin);
        const size_t k = t.find(']');
        if (k != std::string_view::npos) {
            s.named = true;
            s.nameSpan = {s.whole.begin + 1, s.whole.begin + k};
            s.name = m_text.substr(s.nameSpan.begin, k - 1);
        } else {
            s.nameSpan = {s.whole.begin + 1, s.whole.begin + 1};
        }
        const auto [line, col] = positionOf(s.whole.begin);
        (void)col;
        s.header = {s.whole.begin, std::min(lineEnd(line), s.whole.end)};
        indexScene(s);
        m_upperNames.push_back(s.named ? UCase(s.name) : std::string());
    }
}

void ScriptIndex::indexScene(SceneInfo& scene) {
    const std::string_view text(m_text);
    // Commands start at a line start; each value runs to the next one.
    size_t line = positionOf(scene.header.end).first + 1;
    for (; line < m_lineStarts.size() && m_lineStarts[line] < scene.whole.end; ++line) {
        const size_t at = m_lineStarts[line];
        if (text[at] != '@') continue;
        size_t e = at + 1;
        const size_t end = std::min(lineEnd(line), scene.whole.end);
        while (e < end && text[e] != '=' && !isBlank(text[e])) ++e;
        size_t eq = e;
        while (eq < end && isBlank(text[eq])) ++eq;
        if (eq >= end || text[eq] != '=' || e == at + 1) continue;
        Command c;
        c.name = m_text.substr(at, e - at);
        c.upper = UCase(c.name);
        c.nameSpan = {at, e};
        c.valueSpan = valueOf(text, eq + 1, end);
        c.wholeSpan = {at, end};
        c.read = std::none_of(scene.commands.begin(), scene.commands.end(),
                              [&](const Command& o) { return o.upper == c.upper; });
        scene.commands.push_back(std::move(c));
    }
    // A value continues over the lines up to the next command.
    for (size_t i = 0; i < scene.commands.size(); ++i) {
        size_t stop =
            i + 1 < scene.commands.size() ? scene.commands[i + 1].nameSpan.begin : scene.whole.end;
        while (stop > scene.commands[i].wholeSpan.end &&
               (text[stop - 1] == '\r' || text[stop - 1] == '\n'))
            --stop;
        scene.commands[i].wholeSpan.end = std::max(scene.commands[i].wholeSpan.end, stop);
    }

    auto value = [&](std::string_view name) {
        const Command* c = scene.command(name);
        return c ? m_text.substr(c->valueSpan.begin, c->valueSpan.end - c->valueSpan.begin)
                 : std::string();
    };
    scene.nextGfile = value("@nextGfile");
    const std::string upper = UCase(scene.name);
    auto addRef = [&](const Command* c, RefKind kind, bool next = false) {
        if (!c || c->valueSpan.begin == c->valueSpan.end) return;
        scene.refs.push_back(
            {c->valueSpan, m_text.substr(c->valueSpan.begin, c->valueSpan.end - c->valueSpan.begin),
             kind, next, 0});
    };
    if (upper == "SETUP") addRef(scene.command("@firstscene"), RefKind::First);
    if (upper == "SETUP" || upper == "TITLE") return;
    for (int n = 1; n <= 6; ++n) {
        const Command* link = scene.command("@Link" + std::to_string(n));
        if (!link || UCase(value("@Link" + std::to_string(n))) == "RANDOM") continue;
        const bool go =
            !scene.nextGfile.empty() && UCase(value("@linkGo" + std::to_string(n))) == "TRUE";
        addRef(link, RefKind::Link, go);
    }
    addRef(scene.command("@winscene"), RefKind::Win);
    addRef(scene.command("@losescene"), RefKind::Lose);

    if (const Command* r = scene.command("@randomLink")) {
        const std::string v = value("@randomLink");
        if (auto link = parseRandomLink(v)) {
            const size_t open = text.find('(', r->valueSpan.begin);
            const int count =
                std::clamp(std::atoi(std::string(vb::Trim(link->count)).c_str()), 0, 1000);
            if (open < r->valueSpan.end && !link->prefix.empty())
                scene.refs.push_back({{open + 1, open + 1 + link->prefix.size()},
                                      link->prefix,
                                      RefKind::RandomPrefix,
                                      false,
                                      count});
        }
    }
    // Hot-spot records x("text",direction,action,target); only a walking scene has them.
    const Command* spots = scene.command("@hotspots");
    if (spots && !value("@X").empty()) {
        size_t at = spots->valueSpan.begin;
        const size_t end = spots->wholeSpan.end;
        for (int i = 0; i < 4; ++i) {
            const size_t open = text.find('"', at);
            if (open >= end) break;
            const size_t close = text.find('"', open + 1);
            if (close >= end) break;
            const size_t paren = text.find(')', close);
            if (paren >= end) break;
            const size_t comma = text.rfind(',', paren);
            if (comma != std::string_view::npos && comma > close) {
                // Taken as written, spaces and all, as the player takes it.
                const Span t{comma + 1, paren};
                const std::string name = m_text.substr(t.begin, t.end - t.begin);
                if (!name.empty() && name != "!")
                    scene.refs.push_back({t, name, RefKind::HotSpot, !scene.nextGfile.empty(), 0});
            }
            at = paren + 1;
        }
    }
}

size_t ScriptIndex::lineEnd(size_t line) const {
    size_t e = line + 1 < m_lineStarts.size() ? m_lineStarts[line + 1] : m_text.size();
    if (e > m_lineStarts[line] && m_text[e - 1] == '\n') --e;
    if (e > m_lineStarts[line] && m_text[e - 1] == '\r') --e;
    return e;
}

size_t ScriptIndex::offsetAt(size_t line, size_t character) const {
    if (line >= m_lineStarts.size()) return m_text.size();
    return std::min(m_lineStarts[line] + character, lineEnd(line));
}

std::pair<size_t, size_t> ScriptIndex::positionOf(size_t offset) const {
    offset = std::min(offset, m_text.size());
    const auto it = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), offset);
    const size_t line = static_cast<size_t>(it - m_lineStarts.begin()) - 1;
    return {line, offset - m_lineStarts[line]};
}

int ScriptIndex::sceneAt(size_t offset) const {
    const auto it =
        std::upper_bound(m_scenes.begin(), m_scenes.end(), offset,
                         [](size_t o, const SceneInfo& s) { return o < s.whole.begin; });
    return static_cast<int>(it - m_scenes.begin()) - 1;
}

int ScriptIndex::findScene(std::string_view name, int from) const {
    const std::string upper = UCase(name);
    const int n = static_cast<int>(m_scenes.size());
    const int current = from + 1;  // slot
    const int start = current <= 20 ? 1 : current - 10;
    for (int s = start; s <= n; ++s)
        if (m_upperNames[static_cast<size_t>(s - 1)] == upper) return s - 1;
    for (int s = 1; s <= std::min(start, n); ++s)
        if (m_upperNames[static_cast<size_t>(s - 1)] == upper) return s - 1;
    return -1;
}

}  // namespace parvel::lsp
