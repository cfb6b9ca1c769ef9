#include "SceneLists.h"

#include "Vb.h"

namespace parvel {

using namespace vb;

namespace {

void expandEntry(AnimationList& list, const std::string& entry) {
    list.entries[static_cast<size_t>(list.count)] = entry;
    const long q = InStr(1, entry, "(").value_or(0);
    if (q == 0) return;
    const long r = InStr(q, entry, ")").value_or(0);
    const auto n = Mid(entry, q + 1, r - q - 1);
    const std::string name = Left(entry, q - 1);
    list.entries[static_cast<size_t>(list.count)] = name;
    const auto times = n ? CLng(*n) : std::nullopt;
    for (long i = 0; times && i < *times; ++i) {
        if (list.count >= list.capacity) break;
        ++list.count;
        list.entries[static_cast<size_t>(list.count)] = name;
    }
}

// "count.name": the text before the first "." and the text after it.
std::optional<std::string> framesOf(const std::string& value, int& count) {
    const size_t dot = value.find('.');
    if (dot == std::string::npos) return std::nullopt;
    if (auto c = CInt(value.substr(0, dot))) count = *c;
    return value.substr(dot + 1);
}

}  // namespace

bool parsePictureList(AnimationList& list, std::string text) {
    list.clear();
    if (Trim(text).empty()) return true;
    for (;;) {
        ++list.count;
        if (list.count == list.capacity + 1) {
            list.count = list.capacity;
            return false;
        }
        const size_t p = text.find(',');
        if (p == std::string::npos) break;
        const std::string entry(Trim(std::string_view(text).substr(0, p)));
        text.erase(0, p + 1);
        expandEntry(list, entry);
    }
    if (Trim(text).empty()) --list.count;
    else expandEntry(list, std::string(Trim(text)));
    return true;
}

int parseSoundList(std::string list, std::array<std::string, 5>& names, int* total) {
    // Walks the commas with an offset: cutting each entry off the front
    // would copy the rest of a long list once per comma.
    const std::string_view all(list);
    size_t at = 0;
    int count = 0;
    for (;;) {
        ++count;
        const size_t p = all.find(',', at);
        if (p == std::string_view::npos) break;
        if (count <= 5) names[static_cast<size_t>(count - 1)] = std::string(Trim(all.substr(at, p - at)));
        at = p + 1;
    }
    const std::string_view rest = all.substr(at);
    if (Trim(rest).empty()) --count;
    else if (count <= 5) names[static_cast<size_t>(count - 1)] = std::string(Trim(rest));
    if (total) *total = count;
    return std::min(count, 5);
}

std::string spriteFrameList(const std::string& standing, const std::string& walking,
                            const std::string& ext, int& S, int& W) {
    std::string text;
    if (auto name = framesOf(standing, S))
        for (int k = 1; k <= S; ++k) text += *name + std::to_string(k) + ext + ",";
    if (auto name = framesOf(walking, W)) {
        for (int k = 1; k <= W; ++k) text += *name + "R" + std::to_string(k) + ext + ",";
        for (int k = 1; k <= W; ++k) text += *name + "L" + std::to_string(k) + ext + ",";
    }
    return text;
}

namespace {

// "text before the first `c`" with the old runtime's failure when there is
// no such character (the statement is then skipped).
std::optional<std::string> before(const std::string& h, char c) {
    const size_t p = h.find(c);
    if (p == std::string::npos) return std::nullopt;
    return h.substr(0, p);
}

// "text after the first `c` at or after `from`"; the whole text when there
// is none, as Mid(h, 0 + 1) gives.
std::string after(const std::string& h, char c, size_t from = 0) {
    const size_t p = h.find(c, from);
    return p == std::string::npos ? h : h.substr(p + 1);
}

}  // namespace

void parseHotSpots(std::string h, std::array<HotSpot, 5>& spots) {
    for (int i = 1; i <= 4; ++i) {
        HotSpot& spot = spots[static_cast<size_t>(i)];
        if (auto x = before(h, '(')) {
            if (auto n = CInt(*x)) spot.x = *n;
        }
        h = after(h, '"');
        if (auto text = before(h, '"')) spot.text = *text;
        const size_t close = h.find('"');
        h = after(h, ',', close == std::string::npos ? 0 : close);
        if (auto d = before(h, ',')) spot.direction = *d;
        h = after(h, ',');
        if (auto a = before(h, ',')) spot.action = *a;
        h = after(h, ',');
        if (auto t = before(h, ')')) spot.target = *t;
        const size_t paren = h.find(')');
        h = after(h, ',', paren == std::string::npos ? 0 : paren);
    }
}

std::optional<RandomLink> parseRandomLink(const std::string& value) {
    const long p = InStr(1, value, "(").value_or(0);
    const long q = p > 0 ? InStr(p, value, ")").value_or(0) : 0;
    if (q == 0) return std::nullopt;
    return RandomLink{*Mid(value, p + 1, q - p - 1), *Mid(value, q + 1)};
}

}  // namespace parvel
