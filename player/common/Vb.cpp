#include "Vb.h"

#include <array>
#include <cfenv>
#include <cmath>
#include <cstdlib>

namespace parvel::vb {

unsigned char upperByte(unsigned char c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    // Windows-1252 letters: à..þ except ÷, and š œ ž ÿ.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    switch (c) {
        case 0x9A: return 0x8A;
        case 0x9C: return 0x8C;
        case 0x9E: return 0x8E;
        case 0xFF: return 0x9F;
    }
    return c;
}

static unsigned char lowerByte(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    switch (c) {
        case 0x8A: return 0x9A;
        case 0x8C: return 0x9C;
        case 0x8E: return 0x9E;
        case 0x9F: return 0xFF;
    }
    return c;
}

std::string UCase(std::string_view s) {
    std::string r(s);
    for (auto& c : r) c = static_cast<char>(upperByte(static_cast<unsigned char>(c)));
    return r;
}

std::string LCase(std::string_view s) {
    std::string r(s);
    for (auto& c : r) c = static_cast<char>(lowerByte(static_cast<unsigned char>(c)));
    return r;
}

// upperByte of every byte: text comparisons run over whole scenes, and a
// table lookup per byte keeps a search of megabytes short.
static const std::array<unsigned char, 256> kUpper = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[static_cast<size_t>(c)] = upperByte(static_cast<unsigned char>(c));
    return t;
}();

static unsigned char upperOf(char c) { return kUpper[static_cast<unsigned char>(c)]; }

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upperOf(a[i]) != upperOf(b[i])) return false;
    return true;
}

std::optional<long> InStr(long start, std::string_view s, std::string_view find,
                          bool textCompare) {
    if (start < 1) return std::nullopt;
    const auto len = static_cast<long>(s.size());
    if (start > len) return find.empty() && start == len + 1 ? start : 0;
    if (find.empty()) return start;
    if (!textCompare) {
        auto p = s.find(find, static_cast<size_t>(start - 1));
        return p == std::string_view::npos ? 0 : static_cast<long>(p) + 1;
    }
    const auto first = upperOf(find[0]);
    const size_t n = find.size();
    for (size_t i = static_cast<size_t>(start - 1); i + n <= s.size(); ++i) {
        if (upperOf(s[i]) != first) continue;
        if (equalsNoCase(s.substr(i, n), find)) return static_cast<long>(i) + 1;
    }
    return 0;
}

long InStrRev(std::string_view s, std::string_view find) {
    auto p = s.rfind(find);
    return p == std::string_view::npos ? 0 : static_cast<long>(p) + 1;
}

std::optional<std::string> Mid(std::string_view s, long start, std::optional<long> length) {
    if (start < 1) return std::nullopt;
    if (length && *length < 0) return std::nullopt;
    if (static_cast<size_t>(start) > s.size()) return std::string();
    auto rest = s.substr(static_cast<size_t>(start - 1));
    if (length && static_cast<size_t>(*length) < rest.size())
        rest = rest.substr(0, static_cast<size_t>(*length));
    return std::string(rest);
}

std::string Left(std::string_view s, long n) {
    if (n <= 0) return {};
    return std::string(s.substr(0, static_cast<size_t>(n)));
}

std::string Right(std::string_view s, long n) {
    if (n <= 0) return {};
    if (static_cast<size_t>(n) >= s.size()) return std::string(s);
    return std::string(s.substr(s.size() - static_cast<size_t>(n)));
}

std::string_view LTrim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return s;
}
std::string_view RTrim(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}
std::string_view Trim(std::string_view s) { return RTrim(LTrim(s)); }

static bool isDigit(char c) { return c >= '0' && c <= '9'; }
static int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Radix literal after "&H"/"&O": up to 4 digits is a 16-bit integer, up to 8
// (hex) a 32-bit one, both signed the way the old runtime read them.
static std::optional<double> radixValue(std::string_view digits, int radix) {
    if (digits.empty()) return std::nullopt;
    unsigned long long v = 0;
    for (char c : digits) {
        int d = hexDigit(c);
        if (d < 0 || d >= radix) return std::nullopt;
        v = v * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFull) return std::nullopt;
    }
    if (v <= 0xFFFF && digits.size() <= (radix == 16 ? 4u : 6u))
        return static_cast<double>(static_cast<std::int16_t>(v));
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
}

double Val(std::string_view in) {
    std::string s;
    s.reserve(in.size());
    for (char c : in)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') s.push_back(c);
    if (s.size() >= 2 && s[0] == '&') {
        const char p = static_cast<char>(upperByte(static_cast<unsigned char>(s[1])));
        const int radix = p == 'H' ? 16 : (p == 'O' ? 8 : 0);
        if (radix == 0) return 0;
        size_t n = 2;
        while (n < s.size() && hexDigit(s[n]) >= 0 && hexDigit(s[n]) < radix) ++n;
        return radixValue(std::string_view(s).substr(2, n - 2), radix).value_or(0);
    }
    size_t i = 0;
    std::string num;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) num.push_back(s[i++]);
    bool digits = false;
    while (i < s.size() && isDigit(s[i])) num.push_back(s[i++]), digits = true;
    if (i < s.size() && s[i] == '.') {
        num.push_back(s[i++]);
        while (i < s.size() && isDigit(s[i])) num.push_back(s[i++]), digits = true;
    }
    if (!digits) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        size_t j = i + 1;
        std::string ex = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ex.push_back(s[j++]);
        if (j < s.size() && isDigit(s[j])) {
            while (j < s.size() && isDigit(s[j])) ex.push_back(s[j++]);
            num += ex;
        }
    }
    return std::strtod(num.c_str(), nullptr);
}

std::optional<double> CDbl(std::string_view in) {
    std::string_view s = in;
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    if (s.empty()) return std::nullopt;
    if (equalsNoCase(s, "True")) return -1.0;
    if (equalsNoCase(s, "False")) return 0.0;
    if (s.size() >= 2 && s[0] == '&') {
        const char p = static_cast<char>(upperByte(static_cast<unsigned char>(s[1])));
        if (p == 'H') return radixValue(s.substr(2), 16);
        if (p == 'O') return radixValue(s.substr(2), 8);
        return std::nullopt;
    }
    std::string num;
    size_t i = 0;
    if (s[i] == '+' || s[i] == '-') {
        num.push_back(s[i++]);
        while (i < s.size() && s[i] == ' ') ++i;
    }
    bool digits = false;
    // Thousands separators are accepted between digits, as the runtime did.
    while (i < s.size() && (isDigit(s[i]) || (s[i] == ',' && digits))) {
        if (s[i] != ',') num.push_back(s[i]), digits = true;
        ++i;
    }
    if (i < s.size() && s[i] == '.') {
        num.push_back(s[i++]);
        while (i < s.size() && isDigit(s[i])) num.push_back(s[i++]), digits = true;
    }
    if (!digits) return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        num.push_back('e');
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) num.push_back(s[i++]);
        if (i >= s.size() || !isDigit(s[i])) return std::nullopt;
        while (i < s.size() && isDigit(s[i])) num.push_back(s[i++]);
    }
    if (i != s.size()) return std::nullopt;
    double d = std::strtod(num.c_str(), nullptr);
    if (!std::isfinite(d)) return std::nullopt;
    return d;
}

static double roundHalfEven(double d) {
    const int old = std::fegetround();
    std::fesetround(FE_TONEAREST);
    double r = std::nearbyint(d);
    std::fesetround(old);
    return r;
}

std::optional<std::int32_t> CLng(double d) {
    if (!std::isfinite(d)) return std::nullopt;
    double r = roundHalfEven(d);
    if (r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
    return static_cast<std::int32_t>(r);
}

std::optional<std::int16_t> CInt(double d) {
    if (!std::isfinite(d)) return std::nullopt;
    double r = roundHalfEven(d);
    if (r < -32768.0 || r > 32767.0) return std::nullopt;
    return static_cast<std::int16_t>(r);
}

std::optional<std::int32_t> CLng(std::string_view s) {
    auto d = CDbl(s);
    return d ? CLng(*d) : std::nullopt;
}

std::optional<std::int16_t> CInt(std::string_view s) {
    auto d = CDbl(s);
    return d ? CInt(*d) : std::nullopt;
}

std::optional<bool> CBool(std::string_view s) {
    auto d = CDbl(s);
    if (!d) return std::nullopt;
    return *d != 0.0;
}

std::string Hex(std::uint32_t v) {
    static const char digits[] = "0123456789ABCDEF";
    std::string r;
    do {
        r.insert(r.begin(), digits[v & 15]);
        v >>= 4;
    } while (v);
    return r;
}

std::string CStr(long v) { return std::to_string(v); }

}  // namespace parvel::vb
