#include "SaveFile.h"

#include <zlib.h>

#include <QByteArray>
#include <charconv>
#include <cstdio>
#include <map>
#include <vector>

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
    if (state.gamePath.empty() || state.scene.empty() || state.loadedFiles.empty() ||
        state.loadedFiles.size() != state.loadedDigests.size())
        return fail(SaveProblem::Damaged);
    result.state = std::move(state);
    return result;
}

std::string firstTextLine(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && (text[start] == '\r' || text[start] == '\n' || text[start] == ' '))
        ++start;
    const size_t end = text.find_first_of("\r\n", start);
    return std::string(text.substr(start, end == std::string_view::npos ? end : end - start));
}

}  // namespace parvel
