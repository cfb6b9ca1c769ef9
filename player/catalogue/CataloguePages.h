#pragma once
// The pages the new-games checker asks for, and how game names, authors and
// descriptions are cut out of them.
//
// Nothing here parses HTML. Each layout is recognised by fixed text patterns
// and every piece is the text between two delimiters, found with the old
// 1-based searches: a delimiter that is missing gives position 0 and the
// piece comes out empty or cut, never an error. Page text is the raw bytes
// received (status line and headers included), taken as Windows-1252.

#include <QUrl>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parvel::catalogue {

enum class PageKind { Catalogue = 0, Enhanced = 1 };

// One of the window's three fetch buttons.
struct PageRequest {
    PageKind kind;
    std::string_view path;
};
inline constexpr PageRequest kNewGamesPage{PageKind::Catalogue, "/tshow/0tshow.html"};
inline constexpr PageRequest kGameListPage{PageKind::Catalogue, "/tshow/tavistories.html"};
inline constexpr PageRequest kEnhancedPage{PageKind::Enhanced, "/gaming/parvel/"};

inline constexpr unsigned short kHttpPort = 80;

// Host names come from the settings file, section "Parvel"; we know none.
struct CatalogueHosts {
    std::string catalogue;     // key CatalogueHost: the catalogue pages are fetched here
    std::string catalogueWeb;  // key CatalogueWebHost: game pages open in the browser here
    std::string enhanced;      // key EnhancedHost: the enhanced-games page
};
inline constexpr std::string_view kCatalogueHostKey = "CatalogueHost";
inline constexpr std::string_view kCatalogueWebHostKey = "CatalogueWebHost";
inline constexpr std::string_view kEnhancedHostKey = "EnhancedHost";

// What the window says when a host key is empty.
std::string missingHostText(std::string_view key);

// The whole request: HTTP/1.0, two Accept lines, no Host or agent header.
std::string buildRequest(std::string_view path);

// Download progress in the title; every step text is 15 characters wide so
// the byte count stays put. `step` is 1..4.
std::string progressTitle(int step, std::size_t pageLength);
std::string gamesFoundTitle(int count);

// Game names in page order, "$" names left out.
std::vector<std::string> TrimGamesNames(std::string_view page);   // catalogue pages
std::vector<std::string> TrimNGamesNames(std::string_view page);  // enhanced-games page

// A "visit the download page?" question for one listed entry.
struct Offer {
    std::string title;     // message box title
    std::string text;      // lines separated by CR, as the pages' era wrote them
    std::string pageName;  // catalogue only: the game's page, without ".html"
};
inline constexpr std::string_view kEnhancedOfferTitle = "Parvel - Visit page?";

// Every catalogue entry named exactly `selected`, in page order: a "no" to
// one offers the next.
std::vector<Offer> catalogueOffers(std::string_view page, std::string_view selected);
// The first enhanced-page entry named exactly `selected`.
std::optional<Offer> enhancedOffer(std::string_view page, std::string_view selected);

// Browser addresses ("http://", the host as configured, then the path).
// Scraped text only ever lands in the path, percent-encoded, so a page name
// cannot change the scheme, the host or the query.
QUrl catalogueGameUrl(std::string_view webHost, std::string_view pageName);
QUrl enhancedPageUrl(std::string_view host);

}  // namespace parvel::catalogue
