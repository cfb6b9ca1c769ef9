#include "PageFetch.h"

#include <mutex>
#include <vector>

#include "CatalogueLog.h"
#include "Modules.h"

namespace parvel::catalogue {

namespace {

constexpr const char* kModuleFile = "libparvel_catalogue_net.so";

// Fetches nothing: each start says in the title that the checker cannot run.
class NoNetworkFetch : public PageFetch {
public:
    explicit NoNetworkFetch(FetchView& view) : m_view(view) {}
    void setHosts(CatalogueHosts hosts) override { m_hosts = std::move(hosts); }
    const CatalogueHosts& hosts() const override { return m_hosts; }
    void setPort(std::uint16_t) override {}
    void setTimeouts(int, int) override {}
    void start(const PageRequest& page) override {
        m_kind = page.kind;
        m_view.showError("Cannot check: the network module is missing");
    }
    void TrimGames() override {}
    void TrimNGames() override {}
    PageKind pageKind() const override { return m_kind; }
    const std::string& pageText() const override { return m_page; }
    bool busy() const override { return false; }

private:
    FetchView& m_view;
    CatalogueHosts m_hosts;
    PageKind m_kind = PageKind::Catalogue;
    std::string m_page;
};

// Same places as the media modules.
ParvelNewPageFetchFn loadEntry() {
    const ModuleEntry m = loadModuleEntry(moduleFolders(PARVEL_BUILD_MODULE_DIR), kModuleFile,
                                          "parvelNewPageFetch");
    if (m.entry) return reinterpret_cast<ParvelNewPageFetchFn>(m.entry);
    qCCritical(lcCatalogue, "network module not loaded (%s): cannot check for new games",
               m.why.c_str());
    return nullptr;
}

}  // namespace

std::unique_ptr<PageFetch> newPageFetch(FetchView& view) {
    static std::once_flag once;
    static ParvelNewPageFetchFn entry = nullptr;
    std::call_once(once, [] { entry = loadEntry(); });
    if (entry) {
        if (PageFetch* fetch = entry(kPageFetchAbi, view)) return std::unique_ptr<PageFetch>(fetch);
        qCCritical(lcCatalogue, "network module %s is of another version: cannot check for new games", kModuleFile);
    }
    return std::make_unique<NoNetworkFetch>(view);
}

}  // namespace parvel::catalogue
