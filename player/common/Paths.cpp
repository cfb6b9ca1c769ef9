#include "Paths.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <unordered_map>
#include <utility>
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

std::string absoluteEnv(const char* name) {
    const char* v = std::getenv(name);
    return v && v[0] == '/' ? v : "";
}

std::string withSlash(std::string s) {
    if (!s.empty() && s.back() != '/') s += '/';
    return s;
}

std::string userFolder(const char* variable, const char* underHome) {
    if (auto v = absoluteEnv(variable); !v.empty()) return withSlash(v) + "parvel/";
    const std::string home = homeFolder();
    return home.empty() ? home : home + underHome + "parvel/";
}

}  // namespace

std::string homeFolder() {
    if (auto home = absoluteEnv("HOME"); !home.empty()) return withSlash(home);
    // A service or a cleared environment may lack HOME; the user still has
    // the home folder the password database names.
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/')
        return withSlash(found->pw_dir);
    return {};
}

std::string userConfigFolder() { return userFolder("XDG_CONFIG_HOME", ".config/"); }
std::string userDataFolder() { return userFolder("XDG_DATA_HOME", ".local/share/"); }
std::string userCacheFolder() { return userFolder("XDG_CACHE_HOME", ".cache/"); }

namespace {
std::mutex g_tempMutex;
std::string g_tempFolder;

constexpr std::string_view kTempPrefix = "parvel-";

// The folders a private folder may be made in, in the order tried.
std::vector<std::string> tempBases() {
    std::vector<std::string> bases;
    if (auto t = absoluteEnv("TMPDIR"); !t.empty()) bases.push_back(t);
    bases.push_back("/tmp");
    if (auto r = absoluteEnv("XDG_RUNTIME_DIR"); !r.empty()) bases.push_back(r);
    if (auto c = userConfigFolder(); !c.empty()) bases.push_back(c.substr(0, c.size() - 1));
    return bases;
}

// When the kernel started process `pid` (clock ticks since boot; 0 when
// unknown): with the pid it names one process for good, as pids are reused.
unsigned long long processStart(long pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!f || !std::getline(f, stat)) return 0;
    // Field 2 is the command name in parentheses and may hold anything;
    // field 22, the start time, is the 20th after its ")".
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream rest(stat.substr(close + 1));
    std::string field;
    for (int i = 0; i < 20 && rest >> field; ++i) {
    }
    return rest ? std::strtoull(field.c_str(), nullptr, 10) : 0;
}

// "<pid>-<start>-": a private folder names the process that made it, so
// that a later run can tell when that process is gone.
std::string ownerPart() {
    const long pid = static_cast<long>(::getpid());
    return std::to_string(pid) + "-" + std::to_string(processStart(pid)) + "-";
}

bool isOurs(const struct stat& st) { return S_ISDIR(st.st_mode) && st.st_uid == ::getuid(); }

// The newest change time of the folder and everything in it, or nullopt
// when it holds something `allowed` refuses (checked at every depth).
std::optional<std::time_t> newestIf(
    const fs::path& folder,
    const std::function<bool(const fs::path&, bool dir, int depth)>& allowed, int depth = 0) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !isOurs(st)) return std::nullopt;
    std::time_t newest = st.st_mtime;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        struct stat e {};
        if (::lstat(it->path().c_str(), &e) != 0 || e.st_uid != ::getuid()) return std::nullopt;
        const bool dir = S_ISDIR(e.st_mode);
        if ((!dir && !S_ISREG(e.st_mode)) || !allowed(it->path(), dir, depth)) return std::nullopt;
        newest = std::max(newest, e.st_mtime);
        if (dir) {
            auto inner = newestIf(it->path(), allowed, depth + 1);
            if (!inner) return std::nullopt;
            newest = std::max(newest, *inner);
        }
    }
    if (ec) return std::nullopt;
    return newest;
}

// Left alone for a day, a folder that names no process is no longer in use.
constexpr std::time_t kUnmarkedAge = 24 * 60 * 60;

bool oldEnough(std::optional<std::time_t> newest) {
    return newest && *newest + kUnmarkedAge < std::time(nullptr);
}

// mkdtemp's six letters or digits.
bool isTempSuffix(std::string_view s) {
    return s.size() == 6 && std::all_of(s.begin(), s.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c));
           });
}

std::optional<unsigned long long> number(std::string_view s) {
    if (s.empty() || s.size() > 20 || s.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    return std::strtoull(std::string(s).c_str(), nullptr, 10);
}

// A private folder of a run that has ended without removing it:
// "parvel-<pid>-<start>-XXXXXX" of a process that is gone, or
// "parvel-XXXXXX" (older runs) holding nothing but picture copies, long
// untouched.
bool stalePrivateFolder(const fs::path& folder) {
    const std::string name = folder.filename().string();
    if (name.rfind(kTempPrefix, 0) != 0) return false;
    const std::string_view rest = std::string_view(name).substr(kTempPrefix.size());
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !isOurs(st) || (st.st_mode & 0777) != 0700)
        return false;
    if (isTempSuffix(rest)) {
        return oldEnough(newestIf(folder, [](const fs::path& p, bool dir, int) {
            return !dir && p.extension() == ".tmp";
        }));
    }
    const size_t dash1 = rest.find('-'), dash2 = rest.find('-', dash1 + 1);
    if (dash1 == std::string_view::npos || dash2 == std::string_view::npos ||
        !isTempSuffix(rest.substr(dash2 + 1)))
        return false;
    const auto pid = number(rest.substr(0, dash1));
    const auto start = number(rest.substr(dash1 + 1, dash2 - dash1 - 1));
    if (!pid || !start || *pid == 0 || *pid > 0x7fffffff ||
        *pid == static_cast<unsigned long long>(::getpid()))
        return false;
    if (::kill(static_cast<pid_t>(*pid), 0) != 0 && errno == ESRCH) return true;
    // That pid runs: the same process only if it started when the owner did.
    const unsigned long long now = processStart(static_cast<long>(*pid));
    return *start != 0 && now != 0 && now != *start;
}

// Older `tavi play` runs kept their saves in Qt's temporary folders: game
// folders ("name-1a2b3c4d") of ".sav" files.
bool staleQtSavesFolder(const fs::path& folder) {
    return oldEnough(newestIf(folder, [](const fs::path& p, bool dir, int depth) {
        const std::string name = p.filename().string();
        if (depth == 0) return dir && name.size() > 9 && name[name.size() - 9] == '-';
        return !dir && depth == 1 && name.find(".sav") != std::string::npos;
    }));
}

}  // namespace

void removeStaleTempFolders() {
    std::vector<std::string> bases = tempBases();
    std::sort(bases.begin(), bases.end());
    bases.erase(std::unique(bases.begin(), bases.end()), bases.end());
    for (const auto& base : bases) {
        std::error_code ec;
        for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            const bool stale =
                (name.rfind(kTempPrefix, 0) == 0 && stalePrivateFolder(it->path())) ||
                (name.rfind("qt_temp-", 0) == 0 && isTempSuffix(name.substr(8)) &&
                 staleQtSavesFolder(it->path()));
            std::error_code removeError;
            if (stale) fs::remove_all(it->path(), removeError);
        }
    }
}

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
    // among the user's own files (every base is absolute). mkdtemp makes the
    // folder ours alone (0700).
    static bool cleaned = false;
    if (!std::exchange(cleaned, true)) removeStaleTempFolders();
    for (const auto& base : tempBases()) {
        std::string tmpl = base + "/" + std::string(kTempPrefix) + ownerPart() + "XXXXXX";
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
