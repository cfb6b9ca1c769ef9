#pragma once
// Decoded pictures by file, so plain games that load every frame from disk
// on every tick read each file once. A file counts as the same while its
// size and modification time stay; the cache drops everything when it
// would pass its byte budget.

#include <QImage>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "MemoryBitmap.h"

namespace parvel {

class PictureCache {
public:
    explicit PictureCache(std::int64_t budgetBytes = 64ll * 1024 * 1024) : m_budget(budgetBytes) {}

    // Loads `path` into `bitmap` as LoadBMP would, from the cache when the
    // file has not changed since it was decoded.
    void load(render::clsMemoryBitmap& bitmap, const std::string& path);

    std::int64_t bytes() const { return m_bytes; }
    long diskReads() const { return m_diskReads; }

private:
    struct Entry {
        std::int64_t size;
        std::int64_t mtimeNs;
        QImage image;
    };
    std::unordered_map<std::string, Entry> m_entries;
    std::int64_t m_budget;
    std::int64_t m_bytes = 0;
    long m_diskReads = 0;
};

}  // namespace parvel
