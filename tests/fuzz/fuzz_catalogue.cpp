// Any bytes as a fetched page (status line and headers included): scrape it
// as both layouts and ask for the offers of every name found, plus one name
// taken from the input, then build the browser addresses from the pieces.

#include <cstdint>
#include <string>

#include "CataloguePages.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parvel::catalogue;
    const std::string_view page(reinterpret_cast<const char*>(data), size);

    const auto games = TrimGamesNames(page);
    for (const auto& name : games)
        for (const Offer& offer : catalogueOffers(page, name))
            (void)catalogueGameUrl("web.test", offer.pageName);
    const auto enhanced = TrimNGamesNames(page);
    for (const auto& name : enhanced) (void)enhancedOffer(page, name);
    const std::string_view probe = page.substr(0, 24);
    (void)catalogueOffers(page, probe);
    (void)enhancedOffer(page, probe);
    (void)catalogueGameUrl(probe, page.substr(0, 64));
    (void)enhancedPageUrl(probe);
    (void)progressTitle(static_cast<int>(size % 4) + 1, size);
    return 0;
}
