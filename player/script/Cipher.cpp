#include "Cipher.h"

#include <array>
#include <cstdint>

#include "Host.h"

namespace parvel {

namespace {

struct Keystream {
    std::array<int, 256> k{};  // k[1..len]
    int len = 0;
    int j = 0;  // carried into the transform
};

// Keystream table: a running sum of the codes 1..255 modulo 256; each sum
// below 255 contributes the byte sum + 1, so the table may hold fewer than
// 256 entries.
Keystream buildKeystream() {
    Keystream ks;
    int j = 0;
    for (int i = 0; i <= 255; ++i) {
        if (i >= 1) j = (j + i) % 256;
        if (j < 255) ks.k[static_cast<size_t>(++ks.len)] = j + 1;
    }
    ks.j = j;
    return ks;
}

}  // namespace

std::string DecipherScript(std::string_view text, EventPump* pump) {
    static const Keystream ks = buildKeystream();
    std::string out(text);
    int j = ks.j, t = 0, k = 0;
    const long n = static_cast<long>(out.size());
    for (long p = 1; p <= n; ++p) {
        const int c = static_cast<unsigned char>(out[static_cast<size_t>(p - 1)]) - 1;
        if (p <= ks.len) {
            j = (j + ks.k[static_cast<size_t>(p)]) % 256;
            if (j >= 1 && j <= ks.len)
                t = (ks.k[static_cast<size_t>(p)] + ks.k[static_cast<size_t>(j)]) % 256;
            if (t >= 1 && t <= ks.len) k = ks.k[static_cast<size_t>(t)];
        }
        // 16-bit signed XOR; the remainder keeps the dividend's sign, so
        // code 0 (c = -1) yields a negative v and stays as it is.
        const auto x = static_cast<std::int16_t>(static_cast<std::int16_t>(c) ^
                                                 static_cast<std::int16_t>(k));
        const int v = (x % 256) + 1;
        if (v >= 0 && v <= 255) out[static_cast<size_t>(p - 1)] = static_cast<char>(v);
        if (pump) pump->advance();
    }
    return out;
}

}  // namespace parvel
