#include "GameFolder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

namespace parvel::shelf {

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace

bool isGameFileName(std::string_view name) {
    return equalsNoCase(name, "gamefile.txt") || equalsNoCase(name, "gamefile.cgm");
}

std::optional<std::string> findGameFile(const std::string& folder) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return std::nullopt;
    std::string base = folder;
    if (base.empty() || base.back() != '/') base += '/';
    std::optional<std::string> plain, enciphered;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string_view name = e->d_name;
        if (!isGameFileName(name)) continue;
        struct stat st {};
        if (::stat((base + e->d_name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        auto& slot = equalsNoCase(name.substr(9), "txt") ? plain : enciphered;
        // Two spellings of one name: the first in byte order, so the pick
        // does not depend on the folder's order.
        if (!slot || base + e->d_name < *slot) slot = base + e->d_name;
    }
    return plain ? plain : enciphered;
}

std::optional<std::string> gameFileFor(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    if (S_ISDIR(st.st_mode)) return findGameFile(path);
    return path;
}

}  // namespace parvel::shelf
