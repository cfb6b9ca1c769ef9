#include "PageFetch.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>
#include <vector>

#include "CatalogueLog.h"
#include "Paths.h"

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
        m_view.setTitle("Cannot check: the network module is missing");
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

// Same places as the media modules: the executable's folder, ../lib/parvel/
// beside it, then the build tree; or $PARVEL_MODULE_DIR alone when set.
ParvelNewPageFetchFn loadEntry() {
    std::vector<std::string> folders;
    if (const char* dir = std::getenv("PARVEL_MODULE_DIR"); dir && *dir) {
        folders.push_back(std::string(dir) + "/");
    } else {
        folders.push_back(programFolder());
        folders.push_back(programFolder() + "../lib/parvel/");
#ifdef PARVEL_BUILD_MODULE_DIR
        folders.push_back(PARVEL_BUILD_MODULE_DIR "/");
#endif
    }
    std::string why = std::string(kModuleFile) + " not found";
    for (const auto& folder : folders) {
        const std::string path = folder + kModuleFile;
        if (!fileExists(path)) continue;
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            why = dlerror();
            break;
        }
        if (void* entry = dlsym(handle, "parvelNewPageFetch")) return reinterpret_cast<ParvelNewPageFetchFn>(entry);
        why = path + " has no parvelNewPageFetch";
        break;
    }
    qCCritical(lcCatalogue, "network module not loaded (%s): cannot check for new games", why.c_str());
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
