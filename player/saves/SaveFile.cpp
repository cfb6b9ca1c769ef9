#include "SaveFile.h"

#include <zlib.h>

#include <QByteArray>
#include <charconv>
#include <climits>
#include <cstdio>
#include <map>
#include <set>
#include <vector>

#include "Vb.h"

namespace parvel {

std::string percentEncode(std::string_view bytes, bool (*keep)(unsigned char c, bool first)) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (keep(c, out.empty())) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::optional<std::string> percentDecode(std::string_view text) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int hi = digit(text[i + 1]), lo = digit(text[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

namespace {

constexpr std::string_view kHeader = "Parvel save ";

std::string escape(std::string_view v) {
    return percentEncode(v, [](unsigned char c, bool) { return c >= 32 && c != '%' && c < 127; });
}

std::string base64(std::string_view bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toBase64().toStdString();
}

std::optional<std::string> unbase64(std::string_view text) {
    auto r = QByteArray::fromBase64Encoding(QByteArray(text.data(), static_cast<qsizetype>(text.size())),
                                            QByteArray::AbortOnBase64DecodingErrors);
    if (!r) return std::nullopt;
    return r.decoded.toStdString();
}

std::uint32_t crcOf(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        ::crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// Every field once, for the writer and the reader alike.
template <class V, class S>
void visitFields(V& v, S& s) {
    v.text("game", s.gamePath);
    v.text("digest", s.gameDigest);
    v.list("file", s.loadedFiles);
    v.list("fileDigest", s.loadedDigests);
    v.number("enciphered", s.enciphered);
    v.number("slot", s.currentSlot);
    v.text("scene", s.scene);
    v.text("savedAt", s.savedAt);
    v.text("firstLine", s.firstLine);
    for (size_t k = 0; k < 7; ++k) {
        const std::string n = std::to_string(k);
        v.text("link" + n, s.linkTargets[k]);
        v.text("linkGo" + n, s.linkGo[k]);
        v.text("optionText" + n, s.optionTexts[k]);
    }
    v.number("chosenOption", s.chosenOption);
    v.text("previousScene", s.previousScene);
    v.flag("walkRight", s.walkRight);
    v.flag("walkLeft", s.walkLeft);
    v.flag("walkKeyHeld", s.walkKeyHeld);
    v.flag("actionKey", s.actionKey);
    v.text("lastMedia", s.lastMedia);
    v.number("enemyDeclaredMax", s.enemyDeclaredMax);
    v.number("heroMax", s.heroMax);
    v.number("enemyMax", s.enemyMax);
    v.number("heroPoints", s.heroPoints);
    v.number("enemyPoints", s.enemyPoints);
    v.text("winScene", s.winScene);
    v.text("loseScene", s.loseScene);
    v.text("randomLinkPrefix", s.randomLinkPrefix);
    v.optionalText("randomLinkCount", s.randomLinkCount);
    v.text("previousListKey", s.previousListKey);
    v.text("previousAnim", s.previousAnimText);
    v.text("previousLayer", s.previousLayerText);
    v.text("previousLayer2", s.previousLayer2Text);
    v.text("frameDelay", s.frameDelay);
    v.text("musicPath", s.musicPath);
    v.text("soundPath", s.soundPath);
    v.text("mediaName", s.mediaName);
    v.number("instantPasses", s.instantPasses);
    v.flag("walkAnnounced", s.walkAnnounced);
    v.binary("picture", s.picturePng);
    v.number("pictureFormat", s.pictureFormat);
    v.flag("hasBackBuffer", s.hasBackBuffer);
    v.binary("thumbnail", s.thumbnailPng);
    v.binary("backBuffer", s.backBufferPng);
    v.number("backBufferFormat", s.backBufferFormat);
    v.rects("dirty", s.dirtyRects);
    v.text("fadeSwitch", s.fadeSwitch);
    v.text("fadeAlpha", s.fadeAlpha);
    v.number("fadeStepLimit", s.fadeStepLimit);
    v.number("fadeStepCount", s.fadeStepCount);
    v.number("layersActive", s.layersActive);
    v.number("animFrame", s.animFrame);
    v.number("layerFrame", s.layerFrame);
    v.number("layer2Frame", s.layer2Frame);
    for (size_t c = 0; c < s.captions.size(); ++c) {
        v.text("caption" + std::to_string(c), s.captions[c]);
        v.number("colour" + std::to_string(c), s.colours[c]);
    }
    v.text("title", s.title);
    v.number("spriteSpeed", s.spriteSpeedBonus);
    v.text("song", s.songPath);
    v.flag("songOpen", s.songOpen);
    v.flag("songPlaying", s.songPlaying);
    v.number("songFrame", s.songFrame);
    v.text("random", s.randomState);
    v.history(s.history);
}

struct Writer {
    std::string out;
    void line(std::string_view key, std::string_view value) {
        out += key;
        out += '=';
        out += value;
        out += '\n';
    }
    void text(const std::string& k, const std::string& v) { line(k, escape(v)); }
    void binary(const std::string& k, const std::string& v) { line(k, base64(v)); }
    void list(const std::string& k, const std::vector<std::string>& v) {
        for (const auto& e : v) text(k, e);
    }
    template <class N>
    void number(const std::string& k, const N& v) {
        line(k, std::to_string(v));
    }
    void flag(const std::string& k, bool v) { line(k, v ? "1" : "0"); }
    void optionalText(const std::string& k, const std::optional<std::string>& v) {
        if (v) text(k, *v);
    }
    void rects(const std::string& k, const std::vector<std::array<std::int32_t, 4>>& v) {
        for (const auto& r : v)
            line(k, std::to_string(r[0]) + " " + std::to_string(r[1]) + " " + std::to_string(r[2]) +
                        " " + std::to_string(r[3]));
    }
    void history(const std::vector<HistoryEntry>& h) {
        for (const auto& e : h) {
            text("seen", e.text);
            text("chose", e.chosen);
        }
    }
};

struct Reader {
    std::multimap<std::string, std::string> values;
    bool ok = true;
    std::string bad;

    void fail(const std::string& key) {
        if (ok) bad = key;
        ok = false;
    }
    std::vector<std::string> all(const std::string& k) {
        std::vector<std::string> out;
        auto [a, b] = values.equal_range(k);
        for (auto i = a; i != b; ++i) out.push_back(i->second);
        return out;
    }
    const std::string* one(const std::string& k) {
        auto it = values.find(k);
        return it == values.end() ? nullptr : &it->second;
    }
    void text(const std::string& k, std::string& v) {
        if (const auto* raw = one(k)) {
            if (auto u = percentDecode(*raw)) v = std::move(*u);
            else fail(k);
        }
    }
    void binary(const std::string& k, std::string& v) {
        if (const auto* raw = one(k)) {
            if (auto u = unbase64(*raw)) v = std::move(*u);
            else fail(k);
        }
    }
    void list(const std::string& k, std::vector<std::string>& v) {
        v.clear();
        for (const auto& raw : all(k)) {
            if (auto u = percentDecode(raw)) v.push_back(std::move(*u));
            else fail(k);
        }
    }
    template <class N>
    void number(const std::string& k, N& v) {
        const auto* raw = one(k);
        if (!raw) return;
        N n{};
        const auto [end, ec] = std::from_chars(raw->data(), raw->data() + raw->size(), n);
        if (ec != std::errc() || end != raw->data() + raw->size()) fail(k);
        else v = n;
    }
    void flag(const std::string& k, bool& v) {
        const auto* raw = one(k);
        if (!raw) return;
        if (*raw == "1" || *raw == "0") v = *raw == "1";
        else fail(k);
    }
    void optionalText(const std::string& k, std::optional<std::string>& v) {
        v.reset();
        if (one(k)) {
            std::string t;
            text(k, t);
            v = std::move(t);
        }
    }
    void rects(const std::string& k, std::vector<std::array<std::int32_t, 4>>& v) {
        v.clear();
        for (const auto& raw : all(k)) {
            std::array<std::int32_t, 4> r{};
            const char* p = raw.data();
            const char* end = raw.data() + raw.size();
            for (int i = 0; i < 4; ++i) {
                while (p < end && *p == ' ') ++p;
                const auto res = std::from_chars(p, end, r[static_cast<size_t>(i)]);
                if (res.ec != std::errc()) {
                    fail(k);
                    return;
                }
                p = res.ptr;
            }
            v.push_back(r);
        }
    }
    void history(std::vector<HistoryEntry>& h) {
        std::vector<std::string> seen, chose;
        list("seen", seen);
        list("chose", chose);
        if (seen.size() != chose.size()) return fail("chose");
        h.clear();
        for (size_t i = 0; i < seen.size(); ++i) h.push_back({std::move(seen[i]), std::move(chose[i])});
    }
};

}  // namespace

std::string writeSave(const SaveState& state) {
    Writer w;
    w.out = std::string(kHeader) + std::to_string(kSaveVersion) + "\n";
    visitFields(w, state);
    char check[16];
    std::snprintf(check, sizeof check, "%08x", crcOf(w.out));
    w.out += "check=";
    w.out += check;
    w.out += '\n';
    return std::move(w.out);
}

SaveReadResult readSave(std::string_view bytes) {
    SaveReadResult result;
    auto fail = [&](SaveProblem p, std::string detail = {}) {
        result.error = {p, std::move(detail)};
        return result;
    };
    if (bytes.substr(0, kHeader.size()) != kHeader) return fail(SaveProblem::NotASave);
    const size_t headerEnd = bytes.find('\n');
    if (headerEnd == std::string_view::npos) return fail(SaveProblem::Damaged);
    int version = 0;
    const std::string_view v = bytes.substr(kHeader.size(), headerEnd - kHeader.size());
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), version);
    if (ec != std::errc() || end != v.data() + v.size() || version < 1) return fail(SaveProblem::NotASave);
    if (version > kSaveVersion) return fail(SaveProblem::NewerVersion);

    // The check line closes the file; anything cut off loses it.
    constexpr std::string_view kCheck = "check=";
    if (bytes.empty() || bytes.back() != '\n') return fail(SaveProblem::Damaged);
    const size_t lastStart = bytes.rfind('\n', bytes.size() - 2) + 1;
    const std::string_view last = bytes.substr(lastStart, bytes.size() - 1 - lastStart);
    if (last.substr(0, kCheck.size()) != kCheck) return fail(SaveProblem::Damaged);
    char expected[16];
    std::snprintf(expected, sizeof expected, "%08x", crcOf(bytes.substr(0, lastStart)));
    if (last.substr(kCheck.size()) != expected) return fail(SaveProblem::Damaged);

    Reader r;
    for (size_t pos = headerEnd + 1; pos < lastStart;) {
        const size_t eol = bytes.find('\n', pos);
        const std::string_view line = bytes.substr(pos, eol - pos);
        pos = eol + 1;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) return fail(SaveProblem::Damaged);
        r.values.emplace(std::string(line.substr(0, eq)), std::string(line.substr(eq + 1)));
    }
    SaveState state;
    visitFields(r, state);
    if (!r.ok) return fail(SaveProblem::Damaged, r.bad);
    if (auto bad = checkSaveValues(state)) return fail(SaveProblem::Damaged, *bad);
    result.state = std::move(state);
    return result;
}

namespace {

// The size a PNG's header gives, read without decoding anything.
std::optional<std::pair<std::uint32_t, std::uint32_t>> pngSize(std::string_view png) {
    // Signature, then the IHDR chunk first: length 13, "IHDR", width, height.
    constexpr std::string_view kStart("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    if (png.size() < 33 || png.substr(0, kStart.size()) != kStart) return std::nullopt;
    auto be32 = [&](size_t at) {
        std::uint32_t v = 0;
        for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(png[at + i]);
        return v;
    };
    return std::pair{be32(16), be32(20)};
}

bool isPictureBoxPng(std::string_view png) {
    const auto size = pngSize(png);
    return size && size->first == kSavedPictureWidth && size->second == kSavedPictureHeight;
}

// A digest as digestText writes it: up to 8 upper-case hex digits, then
// spaces to 8 characters.
bool isDigestText(std::string_view d) {
    if (d.size() != 8) return false;
    const size_t digits = d.find(' ');
    const std::string_view hex = d.substr(0, digits);
    if (hex.empty() || hex.find_first_not_of("0123456789ABCDEF") != std::string_view::npos)
        return false;
    return digits == std::string_view::npos ||
           d.find_first_not_of(' ', digits) == std::string_view::npos;
}

}  // namespace

std::optional<std::string> checkSaveValues(const SaveState& s) {
    // The game: the file opened first, then each chained file once, in order.
    if (s.gamePath.empty() || s.loadedFiles.empty() || s.loadedFiles.size() > kMaxLoadedFiles ||
        s.loadedFiles.size() != s.loadedDigests.size())
        return "file";
    if (std::set<std::string>(s.loadedFiles.begin(), s.loadedFiles.end()).size() !=
        s.loadedFiles.size())
        return "file";
    for (const auto& d : s.loadedDigests)
        if (!isDigestText(d)) return "fileDigest";
    if (!isDigestText(s.gameDigest)) return "digest";
    if (s.enciphered != 0 && s.enciphered != 1) return "enciphered";
    if (s.currentSlot < 0 || s.currentSlot > kMaxSceneSlot) return "slot";
    if (s.scene.empty()) return "scene";

    if (s.chosenOption < 0 || s.chosenOption > 6) return "chosenOption";
    if (!s.previousListKey.empty() && s.previousListKey != vb::UCase(s.previousAnimText) +
                                                               vb::UCase(s.previousLayerText) +
                                                               vb::UCase(s.previousLayer2Text))
        return "previousListKey";
    if (s.instantPasses < 0 || s.instantPasses >= INT_MAX / 2) return "instantPasses";

    // Pictures: only what the picture box and the back buffer can hold.
    if (s.pictureFormat != kSavedPictureFormat || !isPictureBoxPng(s.picturePng)) return "picture";
    if (!s.thumbnailPng.empty() && !isPictureBoxPng(s.thumbnailPng)) return "thumbnail";
    if (s.backBufferPng.empty()) {
        if (s.backBufferFormat != 0) return "backBufferFormat";
    } else {
        const auto size = pngSize(s.backBufferPng);
        if (s.backBufferFormat != kSavedPictureFormat || !size || size->first < 1 ||
            size->second < 1 ||
            std::uint64_t{size->first} * size->second * 4 > kMaxSavedPictureBytes)
            return "backBuffer";
    }
    if (s.dirtyRects.size() > kMaxDirtyRects) return "dirty";
    if (s.layersActive != 0 && s.layersActive != -1) return "layersActive";
    // Background frames count entries of a 50-entry list, second-layer frames
    // of a 20-entry one; first-layer frames also take a sprite's own numbers.
    if (s.animFrame < 0 || s.animFrame > 50) return "animFrame";
    if (s.layer2Frame < 0 || s.layer2Frame > 20) return "layer2Frame";

    if (s.spriteSpeedBonus != 0 && s.spriteSpeedBonus != 2 && s.spriteSpeedBonus != 5)
        return "spriteSpeed";
    if (s.songFrame < 0 || (s.songPlaying && !s.songOpen)) return "songFrame";
    if (s.randomState.size() > 16 * 1024 ||
        s.randomState.find_first_not_of("0123456789 ") != std::string::npos)
        return "random";
    if (!s.savedAt.empty() && (s.savedAt.size() != 19 ||
                               s.savedAt.find_first_not_of("0123456789-: ") != std::string::npos))
        return "savedAt";
    return std::nullopt;
}

std::string firstTextLine(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && (text[start] == '\r' || text[start] == '\n' || text[start] == ' '))
        ++start;
    const size_t end = text.find_first_of("\r\n", start);
    return std::string(text.substr(start, end == std::string_view::npos ? end : end - start));
}

}  // namespace parvel
