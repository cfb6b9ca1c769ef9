#include "Paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "AtomicFile.h"
#include "FileOverlay.h"

namespace fs = std::filesystem;

namespace parvel {

namespace {

// Case folding for UTF-8 names: ASCII and the Latin-1 letters, which covers
// what Windows-1252 scripts can name.
std::string foldName(std::string_view s) {
    std::string r(s);
    for (size_t i = 0; i < r.size(); ++i) {
        auto c = static_cast<unsigned char>(r[i]);
        if (c >= 'A' && c <= 'Z') {
            r[i] = static_cast<char>(c + 32);
        } else if (c == 0xC3 && i + 1 < r.size()) {
            auto d = static_cast<unsigned char>(r[i + 1]);
            if (d >= 0x80 && d <= 0x9E && d != 0x97) r[i + 1] = static_cast<char>(d + 0x20);
            ++i;
        }
    }
    return r;
}

struct FolderListing {
    struct timespec mtime {};
    std::unordered_map<std::string, std::string> byFoldedName;
};

std::mutex g_cacheMutex;
std::unordered_map<std::string, FolderListing> g_cache;

// The on-disk name in `folder` matching `name` without regard to case.
std::optional<std::string> lookupNoCase(const std::string& folder, const std::string& name) {
    struct stat st {};
    if (::stat(folder.empty() ? "." : folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    std::lock_guard lock(g_cacheMutex);
    auto& entry = g_cache[folder];
    if (entry.byFoldedName.empty() || entry.mtime.tv_sec != st.st_mtim.tv_sec ||
        entry.mtime.tv_nsec != st.st_mtim.tv_nsec) {
        entry.byFoldedName.clear();
        entry.mtime = st.st_mtim;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(folder.empty() ? "." : folder, ec)) {
            auto n = e.path().filename().string();
            entry.byFoldedName.emplace(foldName(n), n);  // first one wins
        }
    }
    auto it = entry.byFoldedName.find(foldName(name));
    if (it == entry.byFoldedName.end()) return std::nullopt;
    return it->second;
}

bool exists(const std::string& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0;
}

}  // namespace

bool isAbsoluteScriptPath(std::string_view p) {
    if (p.size() >= 2 && p[1] == ':') return true;
    return !p.empty() && (p[0] == '\\' || p[0] == '/');
}

std::string resolvePath(std::string_view in) {
    std::string_view p = in;
    std::string out;
    if (p.size() >= 2 && p[1] == ':') {
        // A drive letter has no meaning here: the path starts at the root.
        p.remove_prefix(2);
        out = "/";
    } else if (!p.empty() && (p[0] == '\\' || p[0] == '/')) {
        out = "/";
    }
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t i = 0; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '\\' || p[i] == '/') {
            if (i > start) parts.push_back(p.substr(start, i - start));
            start = i + 1;
        }
    }
    const bool trailingSep = !p.empty() && (p.back() == '\\' || p.back() == '/');
    // Usually the name is on disk as written: one look-up finds the whole
    // path (the kernel walked every folder in it, so each would have been
    // found as written too) instead of one per component.
    std::string asWritten = out;
    for (size_t k = 0; k < parts.size(); ++k) {
        asWritten += parts[k];
        if (k + 1 < parts.size() || trailingSep) asWritten += '/';
    }
    if (!parts.empty() && exists(asWritten)) return asWritten;
    bool resolving = true;
    for (size_t k = 0; k < parts.size(); ++k) {
        std::string comp(parts[k]);
        if (resolving && comp != "." && comp != "..") {
            std::string candidate = out + comp;
            if (!exists(candidate)) {
                if (auto found = lookupNoCase(out, comp)) comp = *found;
                else resolving = false;  // nothing below a missing folder can match
            }
        }
        out += comp;
        if (k + 1 < parts.size() || trailingSep) out += '/';
    }
    return out;
}

bool fileExists(std::string_view path) {
    std::error_code ec;
    return fs::is_regular_file(resolvePath(path), ec);
}

std::string folderOf(std::string_view path) {
    auto pos = path.find_last_of("\\/");
    if (pos == std::string_view::npos) return {};
    return std::string(path.substr(0, pos + 1));
}

std::string fileNameOf(std::string_view path) {
    auto pos = path.find_last_of("\\/");
    if (pos == std::string_view::npos) return std::string(path);
    return std::string(path.substr(pos + 1));
}

std::string programFolder() {
    static const std::string folder = [] {
        std::error_code ec;
        auto exe = fs::read_symlink("/proc/self/exe", ec);
        if (ec) return std::string("./");
        auto f = exe.parent_path().string();
        return f.empty() || f.back() == '/' ? f : f + "/";
    }();
    return folder;
}

std::string findProgramFile(std::string_view name) {
    const std::string first = programFolder() + std::string(name);
    if (fileExists(first)) return resolvePath(first);
    const std::string shared = programFolder() + "../share/parvel/" + std::string(name);
    if (fileExists(shared)) return resolvePath(shared);
    return {};
}

namespace {
std::mutex g_tempMutex;
std::string g_tempFolder;
}  // namespace

void removePrivateTempFolder() {
    std::lock_guard lock(g_tempMutex);
    if (g_tempFolder.empty()) return;
    std::error_code ec;
    fs::remove_all(g_tempFolder, ec);
    g_tempFolder.clear();
}

std::string privateTempFolder() {
    std::lock_guard lock(g_tempMutex);
    if (!g_tempFolder.empty()) return g_tempFolder;
    // Never the current folder: deciphered copies written there would land
    // among the user's own files. mkdtemp makes the folder ours alone (0700).
    std::vector<std::string> bases;
    auto env = [](const char* name) -> std::string {
        const char* v = std::getenv(name);
        return v && *v ? v : "";
    };
    if (auto t = env("TMPDIR"); !t.empty()) bases.push_back(t);
    bases.push_back("/tmp");
    if (auto r = env("XDG_RUNTIME_DIR"); !r.empty()) bases.push_back(r);
    if (auto c = env("XDG_CONFIG_HOME"); !c.empty()) bases.push_back(c + "/parvel");
    else if (auto h = env("HOME"); !h.empty()) bases.push_back(h + "/.config/parvel");
    for (const auto& base : bases) {
        if (base.front() != '/') continue;  // relative: it would be the current folder again
        std::string tmpl = base + "/parvel-XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) continue;
        g_tempFolder = tmpl + "/";
        static bool registered = false;
        if (!registered) {
            registered = true;
            std::atexit([] { removePrivateTempFolder(); });
        }
        break;
    }
    return g_tempFolder;
}

bool writeNewPrivateFile(const std::string& path, std::string_view data) {
    // O_EXCL and O_NOFOLLOW: never truncate or write through a file or link
    // that someone else put there first.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (writeAll(fd, data) != 0) {
        ::close(fd);
        ::unlink(path.c_str());
        return false;
    }
    return ::close(fd) == 0;
}

namespace {
FileOverlay& fileOverlay() {
    static FileOverlay overlay;
    return overlay;
}
}  // namespace

void setFileOverlay(FileOverlay overlay) { fileOverlay() = std::move(overlay); }

std::optional<std::string> readWholeFile(std::string_view path) {
    const std::string resolved = resolvePath(path);
    if (const auto& overlay = fileOverlay())
        if (auto text = overlay(resolved)) return text;
    std::error_code ec;
    if (!fs::is_regular_file(resolved, ec)) return std::nullopt;  // folders open but do not read
    std::ifstream f(resolved, std::ios::binary);
    if (!f) return std::nullopt;
    std::string data;
    f.seekg(0, std::ios::end);
    const auto size = f.tellg();
    if (size < 0) return std::nullopt;
    data.resize(static_cast<size_t>(size));
    f.seekg(0);
    f.read(data.data(), size);
    if (!f && !f.eof()) return std::nullopt;
    data.resize(static_cast<size_t>(f.gcount()));
    return data;
}

}  // namespace parvel
