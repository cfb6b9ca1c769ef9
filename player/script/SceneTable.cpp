#include "SceneTable.h"

#include <algorithm>
#include <cmath>

#include "Cipher.h"
#include "Host.h"
#include "Logging.h"
#include "Paths.h"
#include "Vb.h"

namespace parvel {

using namespace vb;

bool isEncipheredName(std::string_view path) {
    return path.size() >= 3 && UCase(path.substr(path.size() - 3)) == "CGM";
}

void SceneTable::LoadGameScript(GameScript& game) {
    auto data = readWholeFile(game.path);
    std::string text = data ? std::move(*data) : std::string();
    m_host.processEvents();
    game.enciphered = 0;
    if (isEncipheredName(game.path)) {
        game.enciphered = 1;
        m_host.setTitle("Decrypting...Please Wait");
        m_host.processEvents();
        EventPump pump(m_host, 64 * 1024);
        text = DecipherScript(text, &pump);
        m_host.setTitle("Loading...");
        WaitSeconds(m_host, 1);
    }
    loadText(text);
    qCDebug(lcScript) << "loaded" << m_lastCount << "scenes from" << game.path.c_str();
}

void SceneTable::loadText(std::string_view text) {
    // Each pass takes one scene off the front of the text; `base` marks the
    // front instead of copying the rest of the text every time.
    size_t base = 0;
    int count = 0;
    // Lines are counted as the splitting moves on, so the header lines cost
    // one more pass over the text and nothing per read.
    size_t counted = 0;
    int line = 1;
    for (int pass = 1; pass <= kSlots; ++pass) {
        const size_t p = text.find('[', base);
        // Text without "[" stays without it: the remaining passes would find
        // nothing either, so stop instead of scanning it hundreds of times.
        if (p == std::string_view::npos) break;
        const size_t next = text.find("\r\n[", p + 1);
        auto& slot = m_slots[static_cast<size_t>(++count)];
        line += static_cast<int>(std::count(text.begin() + static_cast<long>(counted),
                                            text.begin() + static_cast<long>(p), '\n'));
        counted = p;
        slot.line = line;
        if (next == std::string_view::npos) {
            slot.text.assign(text.substr(p));
            slot.indexed = false;
            break;
        }
        slot.text.assign(text.substr(p, next + 2 - p));
        slot.indexed = false;
        base = next + 1;  // the LF in front of the next "["
        m_host.processEvents();
    }
    for (int i = 1; i <= count; ++i) {
        auto& slot = m_slots[static_cast<size_t>(i)];
        const size_t k = slot.text.find(']');
        if (k == std::string::npos) continue;  // no "]": the name stays as it was
        slot.name = slot.text.substr(1, k - 1);
        slot.upperName = UCase(slot.name);
    }
    m_lastCount = count;
}

void SceneTable::clear() {
    m_slots.fill(Slot{});
    m_current = 0;
    m_lastCount = 0;
}

int SceneTable::FindScene(std::string_view name) const {
    const std::string upper = UCase(name);
    const int start = m_current <= 20 ? 1 : m_current - 10;
    for (int s = start; s <= kSlots; ++s)
        if (m_slots[static_cast<size_t>(s)].upperName == upper) return s;
    for (int s = 1; s <= start; ++s)
        if (m_slots[static_cast<size_t>(s)].upperName == upper) return s;
    return 0;
}

namespace {

Error fail(int number) { return makeError(number); }

// Trailing CR, LF and spaces go, then anything from "//" on, repeatedly;
// then CR becomes a space and LF disappears, so continuation lines join
// with one space.
std::string cleanValue(std::string_view raw) {
    std::string v(Trim(raw));
    for (;;) {
        while (!v.empty() && (v.back() == '\r' || v.back() == '\n' || v.back() == ' '))
            v.pop_back();
        const size_t c = v.find("//");
        if (c == std::string::npos) break;
        v.resize(c);
    }
    if (v.find('\r') == std::string::npos && v.find('\n') == std::string::npos)
        return std::string(Trim(v));
    std::string out;
    out.reserve(v.size());
    for (char ch : v) {
        if (ch == '\r') out.push_back(' ');
        else if (ch != '\n') out.push_back(ch);
    }
    return std::string(Trim(out));
}

}  // namespace

namespace {
// ASCII letters and digits, whatever the locale.
bool isWordByte(char c) {
    const char lower = static_cast<char>(c | 0x20);
    return (c >= '0' && c <= '9') || (lower >= 'a' && lower <= 'z');
}
}  // namespace

std::vector<std::string> atWords(std::string_view text) {
    std::vector<std::string> words;
    for (size_t at = text.find('@'); at != std::string_view::npos; at = text.find('@', at + 1)) {
        size_t end = at + 1;
        while (end < text.size() && isWordByte(text[end])) ++end;
        words.push_back(UCase(text.substr(at, end - at)));
    }
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    return words;
}

bool wordsMayHold(const std::vector<std::string>& words, std::string_view directive) {
    if (directive.size() < 2 || directive[0] != '@' ||
        !std::all_of(directive.begin() + 1, directive.end(), isWordByte))
        return true;
    // Found case-blind anywhere means: the start of one of the words.
    const std::string upper = UCase(directive);
    auto it = std::lower_bound(words.begin(), words.end(), upper);
    return it != words.end() && it->compare(0, upper.size(), upper) == 0;
}

bool SceneTable::mayHold(const Slot& slot, std::string_view directive) const {
    constexpr size_t kIndexFrom = 64 * 1024;  // shorter texts are searched as quickly
    if (slot.text.size() < kIndexFrom) return true;
    if (!slot.indexed) {
        slot.words = atWords(slot.text);
        slot.indexed = true;
    }
    return wordsMayHold(slot.words, directive);
}

Result<std::pair<long, long>> SceneTable::locate(int slot, std::string_view sceneName,
                                                  std::string_view directive) const {
    if (slot < 1 || slot > kSlots) return fail(err::SubscriptOutOfRange);
    const std::string& t = m_slots[static_cast<size_t>(slot)].text;
    const std::string header = "[" + std::string(sceneName) + "]";
    const long a = *InStr(1, t, header, true);
    // A scene reads some seventy directives on entry, most of them absent:
    // in a scene of megabytes each would be a search of all of it.
    if (a >= 1 && !mayHold(m_slots[static_cast<size_t>(slot)], directive))
        return std::pair<long, long>{0, 0};
    const std::string upperDirective = UCase(directive);
    long start = a;
    long d = 0, e = 0;
    // Stray occurrences ("@image x" with no "=" on its line) each send the
    // search to the next "=" in the scene. The searches only ever move
    // forward, so that "=" is found once and reused until the search passes
    // it, and the name before it is compared in place: one pass over the
    // scene, however many strays it holds.
    long nextEquals = -1;  // not looked for yet
    const long nameLength = static_cast<long>(directive.size());
    const bool plainName = !directive.empty() && directive.front() != ' ' && directive.back() != ' ';
    for (;;) {
        auto found = InStr(start, t, directive, true);
        if (!found) return fail(err::InvalidCall);
        d = *found;
        if (d == 0) return std::pair<long, long>{0, 0};
        if (d - 2 < 1) return fail(err::InvalidCall);
        if (std::string_view(t).substr(static_cast<size_t>(d - 3), 4).find('/') !=
            std::string_view::npos) {
            start = *InStr(d + 1, t, "\r\n");
            continue;
        }
        if (nextEquals < d && nextEquals != 0) nextEquals = *InStr(d, t, "=");
        e = nextEquals;
        if (e - d < 0) return fail(err::InvalidCall);  // no "=" after it at all
        bool isName;
        if (plainName) {
            // The text from d to the "=", trimmed of spaces, is the name when
            // it is the occurrence itself followed by nothing but spaces.
            long k = d + nameLength;
            while (k < e && t[static_cast<size_t>(k - 1)] == ' ') ++k;
            isName = e - d >= nameLength && k == e;
        } else {
            isName = UCase(Trim(*Mid(t, d, e - d))) == upperDirective;
        }
        if (!isName) {
            start = *InStr(d + 1, t, "\r\n");
            continue;
        }
        break;
    }
    return std::pair<long, long>{d, e};
}

Result<std::string> SceneTable::readDirective(int slot, std::string_view sceneName,
                                              std::string_view directive) const {
    auto found = locate(slot, sceneName, directive);
    if (!found) return found.error();
    const long e = found.value().second;
    if (e == 0) return std::string();
    const std::string& t = m_slots[static_cast<size_t>(slot)].text;
    long f = *InStr(e, t, "\n@");
    if (f == 0) f = static_cast<long>(t.size()) + 2;
    auto raw = Mid(t, e + 1, f - e - 2);
    if (!raw) return fail(err::InvalidCall);
    return cleanValue(*raw);
}

size_t SceneTable::directiveOffset(int slot, std::string_view sceneName,
                                   std::string_view directive) const {
    auto found = locate(slot, sceneName, directive);
    if (!found || found.value().first == 0) return std::string::npos;
    const std::string& t = m_slots[static_cast<size_t>(slot)].text;
    // The read finds the name; the "@" in front of it, if any, starts the line.
    size_t at = static_cast<size_t>(found.value().first - 1);
    if (at > 0 && t[at - 1] == '@' && (directive.empty() || directive.front() != '@')) --at;
    return at;
}

int SceneTable::lineAt(int slot, size_t offset) const {
    const std::string& t = m_slots[static_cast<size_t>(slot)].text;
    offset = std::min(offset, t.size());
    return firstLine(slot) + static_cast<int>(std::count(t.begin(), t.begin() + static_cast<long>(offset), '\n'));
}

std::string SceneTable::GetDirective(std::string_view sceneName, std::string_view directive) {
    int slot = m_current;
    if (!sceneName.empty()) {
        const int s = FindScene(sceneName);
        if (s == 0) m_host.setTitle(kSceneNotDefined);
        else slot = m_current = s;
    }
    auto r = readDirective(slot, sceneName, directive);
    if (!r) {
        if (m_host.settings().ShowErrors)
            m_host.messageBox(std::to_string(r.error().number) + " " + r.error().description,
                              MsgButtons::Ok);
        return {};
    }
    m_host.processEvents();
    return std::move(r.value());
}

void WaitSeconds(Host& host, double seconds) {
    const Micros start = host.now();
    sleepUntil(host, start + static_cast<Micros>(std::ceil(seconds * kMicrosPerSecond)));
}

}  // namespace parvel
