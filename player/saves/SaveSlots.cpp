#include "SaveSlots.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "AtomicFile.h"
#include "Paths.h"

namespace parvel {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSuffix = ".sav";

// Slot names become file names: letters, digits and "-_." stay, every other
// byte is "%XX", so any name maps to one file and back.
std::string slotFileName(std::string_view slot) {
    return percentEncode(slot, [](unsigned char c, bool first) {
               return std::isalnum(c) || c == '-' || c == '_' || (c == '.' && !first);
           }) +
           std::string(kSuffix);
}

std::optional<std::string> slotOfFileName(std::string_view file) {
    if (file.size() <= kSuffix.size() || file.substr(file.size() - kSuffix.size()) != kSuffix)
        return std::nullopt;
    file.remove_suffix(kSuffix.size());
    return percentDecode(file);
}

bool makeFolders(const std::string& folder, std::string* why) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        if (why) *why = ec.message();
        return false;
    }
    return true;
}

}  // namespace

SaveSlots::SaveSlots(std::optional<std::string> root)
    : m_root(root ? std::move(*root) : defaultRoot()) {}

std::string SaveSlots::defaultRoot() {
    const std::string data = userDataFolder();
    return data.empty() ? data : data + "saves";
}

std::string SaveSlots::gameKey(const std::string& gamePath) {
    std::error_code ec;
    fs::path full = fs::weakly_canonical(fs::absolute(gamePath, ec), ec);
    if (full.empty()) full = gamePath;
    const std::string text = full.string();
    std::string name = full.parent_path().filename().string();
    std::string safe;
    for (unsigned char c : name) safe += std::isalnum(c) || c == '-' || c == '_' ? static_cast<char>(c) : '_';
    if (safe.empty()) safe = "game";
    if (safe.size() > 40) safe.resize(40);
    char digest[16];
    std::snprintf(digest, sizeof digest, "%08lx",
                  ::crc32(0L, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
    return safe + "-" + digest;
}

void SaveSlots::setGame(const std::string& gamePath) {
    m_folder = m_root.empty() ? std::string() : m_root + "/" + gameKey(gamePath);
}

std::string SaveSlots::fileOf(const std::string& slot) const { return m_folder + "/" + slotFileName(slot); }

bool SaveSlots::exists(const std::string& slot) const {
    std::error_code ec;
    return !m_folder.empty() && fs::is_regular_file(fileOf(slot), ec);
}

std::optional<std::string> SaveSlots::readBytes(const std::string& slot) const {
    if (m_folder.empty()) return std::nullopt;
    // O_NONBLOCK: a FIFO put in a slot's place must not hang the player.
    const int fd = ::open(fileOf(slot).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    struct stat st {};
    // No save is this large, and a device or FIFO is none at all: both read
    // as no save (empty bytes) rather than filling the memory.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxSaveFileBytes) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        bytes.resize(got);
    }
    ::close(fd);
    return bytes;
}

bool SaveSlots::write(const std::string& slot, const SaveState& state, std::string* why) const {
    if (m_folder.empty()) {
        if (why) *why = m_root.empty() ? std::string(kNoHomeFolder) : "no game is open";
        return false;
    }
    if (!makeFolders(m_folder, why)) return false;
    return writeFileAtomically(fileOf(slot), writeSave(state), why);
}

std::vector<SaveSlots::Slot> SaveSlots::list() const {
    std::vector<Slot> out;
    std::error_code ec;
    if (m_folder.empty()) return out;
    for (fs::directory_iterator it(m_folder, ec), end; !ec && it != end; it.increment(ec)) {
        const auto name = slotOfFileName(it->path().filename().string());
        if (!name || !it->is_regular_file(ec)) continue;
        auto bytes = readBytes(*name);
        if (!bytes) continue;
        auto read = readSave(*bytes);
        if (!read.state) continue;
        const SaveState& s = *read.state;
        out.push_back({*name, s.scene, s.firstLine,
                       s.savedAt, s.thumbnailPng.empty() ? s.picturePng : s.thumbnailPng});
    }
    std::sort(out.begin(), out.end(), [](const Slot& a, const Slot& b) {
        return a.savedAt != b.savedAt ? a.savedAt > b.savedAt : a.name < b.name;
    });
    return out;
}

}  // namespace parvel
