#pragma once
// The page fetch as the new-games window sees it. The socket code (and Qt
// Network with it) lives in libparvel_catalogue_net.so, loaded when the
// window opens, so a player that never checks for games never maps it.

#include <cstdint>
#include <memory>
#include <string>

#include "CataloguePages.h"

namespace parvel::catalogue {

// What a fetch shows. Text is Windows-1252 bytes.
class FetchView {
public:
    virtual ~FetchView() = default;
    virtual void setTitle(const std::string& text) = 0;
    // Why a fetch stopped; a view without a place for it shows it as the title.
    virtual void showError(const std::string& text) { setTitle(text); }
    virtual void clearList() = 0;
    virtual void addName(const std::string& name) = 0;
    // Lets pending user-interface events run (clicks may start a new fetch).
    virtual void processEvents() = 0;
};

inline constexpr std::int64_t kMaxPageBytes = 8 * 1024 * 1024;
inline constexpr int kConnectTimeoutMs = 10'000;
inline constexpr int kReadTimeoutMs = 30'000;

class PageFetch {
public:
    virtual ~PageFetch() = default;

    virtual void setHosts(CatalogueHosts hosts) = 0;
    virtual const CatalogueHosts& hosts() const = 0;
    // Tests serve pages on a local port and wait less.
    virtual void setPort(std::uint16_t port) = 0;
    virtual void setTimeouts(int connectMs, int readMs) = 0;

    // Starts the fetch of one of the three pages (any fetch in progress ends).
    virtual void start(const PageRequest& page) = 0;

    // Scrape the page text into the list, with the "Games found: " title.
    virtual void TrimGames() = 0;
    virtual void TrimNGames() = 0;

    virtual PageKind pageKind() const = 0;
    virtual const std::string& pageText() const = 0;
    virtual bool busy() const = 0;
};

// The socket fetch from its module. Without the module, a fetch that only
// says so in the title (and the log says why, once).
std::unique_ptr<PageFetch> newPageFetch(FetchView& view);

inline constexpr int kPageFetchAbi = 1;

}  // namespace parvel::catalogue

extern "C" {
using ParvelNewPageFetchFn = parvel::catalogue::PageFetch* (*)(int abi,
                                                               parvel::catalogue::FetchView& view);
}
