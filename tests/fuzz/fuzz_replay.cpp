// Any bytes as a `tavi play` input file: parse them; what parses must be
// steps a replay can take (numbers in range, known names).

#include <cstdint>
#include <string>

#include "Replay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parvel;
    using K = ReplayStep::Kind;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto steps = parseReplay(text);
    if (!steps) {
        if (steps.error().description.rfind("line ", 0) != 0) __builtin_trap();
        return 0;
    }
    for (const ReplayStep& s : *steps) {
        switch (s.kind) {
            case K::Option:
            case K::Hover:
                if (s.number < 1 || s.number > 6) __builtin_trap();
                break;
            case K::Wait:
                if (!(s.seconds >= 0 && s.seconds <= 1e7)) __builtin_trap();
                break;
            case K::Answer:
                if (s.text != "yes" && s.text != "no") __builtin_trap();
                break;
            case K::Picture:
                if (s.text.empty()) __builtin_trap();
                break;
            default:
                break;
        }
    }
    return 0;
}
