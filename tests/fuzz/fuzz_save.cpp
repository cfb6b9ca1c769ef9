// Any bytes as a save file: read them; what reads as a save must write back
// to bytes that read as the same save.

#include <cstdint>
#include <string>

#include "SaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parvel;
    auto read = readSave(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!read.state) return 0;
    const std::string once = writeSave(*read.state);
    auto again = readSave(once);
    if (!again.state || writeSave(*again.state) != once) __builtin_trap();
    return 0;
}
