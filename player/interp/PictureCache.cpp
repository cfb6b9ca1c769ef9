#include "PictureCache.h"

#include <sys/stat.h>

#include "Paths.h"

namespace parvel {

void PictureCache::load(render::clsMemoryBitmap& bitmap, const std::string& path) {
    const std::string resolved = resolvePath(path);
    struct stat st {};
    if (::stat(resolved.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;  // missing: no change
    const std::int64_t mtime =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    auto it = m_entries.find(resolved);
    if (it != m_entries.end() && it->second.size == st.st_size && it->second.mtimeNs == mtime) {
        bitmap.setPicture(it->second.image);
        return;
    }
    ++m_diskReads;
    const qint64 before = bitmap.image().cacheKey();
    bitmap.LoadBMP(resolved);
    // A file that fails to decode leaves the old picture: nothing to keep.
    if (!bitmap.isLoaded() || bitmap.image().cacheKey() == before) return;
    const std::int64_t cost = bitmap.image().sizeInBytes();
    if (it != m_entries.end()) {
        m_bytes -= it->second.image.sizeInBytes();
        m_entries.erase(it);
    }
    if (cost > m_budget) return;
    if (m_bytes + cost > m_budget) {
        m_entries.clear();
        m_bytes = 0;
    }
    m_entries.emplace(resolved, Entry{st.st_size, mtime, bitmap.image()});
    m_bytes += cost;
}

}  // namespace parvel
