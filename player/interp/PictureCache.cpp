#include "PictureCache.h"

#include <sys/stat.h>

#include "BmpReader.h"
#include "Paths.h"

namespace parvel {

namespace {
std::int64_t costOf(const Result<QImage>& r) { return r ? r->sizeInBytes() : 0; }
// Kept apart from plain pictures of the same name: the same bytes decode
// differently the two ways.
std::string encipheredKey(const std::string& resolved) { return "clP:" + resolved; }
}  // namespace

std::optional<PictureCache::FileStamp> PictureCache::stampOf(const std::string& resolved) {
    struct stat st {};
    if (::stat(resolved.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return FileStamp{st.st_size,
                     static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

const Result<QImage>* PictureCache::find(const std::string& resolved, const FileStamp& stamp) {
    auto it = m_entries.find(resolved);
    if (it == m_entries.end()) return nullptr;
    if (it->second.size == stamp.size && it->second.mtimeNs == stamp.mtimeNs) return &it->second.image;
    m_bytes -= costOf(it->second.image);
    m_entries.erase(it);
    return nullptr;
}

void PictureCache::keep(const std::string& resolved, const FileStamp& stamp,
                        const Result<QImage>& image) {
    const std::int64_t cost = costOf(image);
    if (cost > m_budget) return;
    if (auto it = m_entries.find(resolved); it != m_entries.end()) {
        m_bytes -= costOf(it->second.image);
        m_entries.erase(it);
    }
    if (m_bytes + cost > m_budget) {
        m_entries.clear();
        m_bytes = 0;
    }
    m_entries.emplace(resolved, Entry{stamp.size, stamp.mtimeNs, image});
    m_bytes += cost;
}

std::optional<Result<QImage>> PictureCache::decoded(const std::string& path) {
    return decodedResolved(resolvePath(path));
}

std::optional<Result<QImage>> PictureCache::decodedResolved(const std::string& resolved) {
    const auto stamp = stampOf(resolved);
    if (!stamp) return std::nullopt;
    if (const auto* hit = find(resolved, *stamp)) return *hit;
    ++m_diskReads;
    Result<QImage> image = render::readBmpFile(resolved);
    if (image && image->format() != QImage::Format_RGB32)
        image = image->convertToFormat(QImage::Format_RGB32);
    keep(resolved, *stamp, image);
    return image;
}

std::optional<Result<QImage>> PictureCache::held(const std::string& path) {
    const std::string resolved = resolvePath(path);
    const auto stamp = stampOf(resolved);
    if (!stamp) return std::nullopt;
    if (const auto* hit = find(encipheredKey(resolved), *stamp)) return *hit;
    return std::nullopt;
}

void PictureCache::hold(const std::string& path, Result<QImage> image) {
    const std::string resolved = resolvePath(path);
    if (image && image->format() != QImage::Format_RGB32)
        image = image->convertToFormat(QImage::Format_RGB32);
    if (const auto stamp = stampOf(resolved)) keep(encipheredKey(resolved), *stamp, image);
}

void PictureCache::load(render::clsMemoryBitmap& bitmap, const std::string& path) {
    // A missing file changes nothing, as LoadBMP.
    const std::string resolved = resolvePath(path);
    if (auto image = decodedResolved(resolved)) bitmap.LoadDecoded(*image, resolved);
}

}  // namespace parvel
