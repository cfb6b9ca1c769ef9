#include "PictureInfo.h"

#include <fstream>

#include "BmpReader.h"
#include "GameScript.h"
#include "Paths.h"
#include "Vb.h"

namespace parvel::lsp {

PictureInfo describePicture(const std::string& path) {
    PictureInfo info;
    const std::string resolved = resolvePath(path);
    if (!fileExists(resolved)) {
        info.text = "file not found";
        return info;
    }
    info.found = true;
    if (vb::UCase(resolved).ends_with(".CLP")) {
        info.shown = true;
        info.text = "enciphered picture (shown once its digest matches the game file)";
        return info;
    }
    std::ifstream f(resolved, std::ios::binary);
    std::string head(4096, '\0');
    f.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(f.gcount()));
    f.clear();
    f.seekg(0, std::ios::end);
    const auto length = static_cast<std::int64_t>(f.tellg());
    auto layout = render::bmpLayout(head, length);
    if (!layout) {
        info.text = "the player cannot show it: " + layout.error().description;
        return info;
    }
    const auto& l = layout.value();
    info.text = std::to_string(l.width) + " × " + std::to_string(std::abs(l.height)) + " pixels, " +
                std::to_string(l.bitCount) + "-bit";
    const std::int64_t decoded = std::int64_t{l.width} * std::abs(std::int64_t{l.height}) * 4;
    if (decoded > render::kMaxDecodedBytes) {
        info.text += "; the player cannot show it: larger than " +
                     std::to_string(render::kMaxDecodedBytes / (1024 * 1024)) + " MiB decoded";
        return info;
    }
    info.shown = true;
    info.text += "; the player shows it";
    return info;
}

}  // namespace parvel::lsp
