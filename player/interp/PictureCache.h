#pragma once
// Decoded pictures by file, so plain games that load every frame from disk
// on every tick read and decode each file once. A file counts as the same
// while its size and modification time stay. Files that fail to decode are
// remembered too: a bad or oversized picture named by a looping animation is
// reported on every tick as before, but read only once. The cache drops
// everything when a new picture would pass its byte budget; the budget holds
// at least the three largest pictures a frame can draw.

#include <QImage>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "MemoryBitmap.h"
#include "Result.h"

namespace parvel {

class PictureCache {
public:
    explicit PictureCache(std::int64_t budgetBytes = 64ll * 1024 * 1024) : m_budget(budgetBytes) {}

    // Loads `path` into `bitmap` as LoadBMP would, from the cache when the
    // file has not changed since it was decoded.
    void load(render::clsMemoryBitmap& bitmap, const std::string& path);
    // The decoded picture (or the failure) of `path`; nullopt when the file
    // is missing.
    std::optional<Result<QImage>> decoded(const std::string& path);

    // Enciphered pictures decode from a plain copy; they are kept under the
    // enciphered file's own name, size and date.
    std::optional<Result<QImage>> held(const std::string& path);
    void hold(const std::string& path, Result<QImage> image);

    std::int64_t bytes() const { return m_bytes; }
    long diskReads() const { return m_diskReads; }

private:
    struct Entry {
        std::int64_t size;
        std::int64_t mtimeNs;
        Result<QImage> image;
    };
    struct FileStamp {
        std::int64_t size;
        std::int64_t mtimeNs;
    };
    static std::optional<FileStamp> stampOf(const std::string& resolved);
    std::optional<Result<QImage>> decodedResolved(const std::string& resolved);
    const Result<QImage>* find(const std::string& resolved, const FileStamp& stamp);
    void keep(const std::string& resolved, const FileStamp& stamp, const Result<QImage>& image);

    std::unordered_map<std::string, Entry> m_entries;
    std::int64_t m_budget;
    std::int64_t m_bytes = 0;
    long m_diskReads = 0;
};

}  // namespace parvel
