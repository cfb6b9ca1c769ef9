#include "Modules.h"

#include <dlfcn.h>

#include <cstdlib>

#include "Paths.h"

namespace parvel {

std::vector<std::string> moduleFolders(std::string_view buildDir) {
    if (const char* dir = std::getenv("PARVEL_MODULE_DIR"); dir && *dir) {
        const std::string d(dir);
        return {d.back() == '/' ? d : d + "/"};
    }
    std::vector<std::string> folders{programFolder(), programFolder() + "../lib/parvel/"};
    if (!buildDir.empty()) folders.push_back(std::string(buildDir) + "/");
    return folders;
}

ModuleEntry loadModuleEntry(const std::vector<std::string>& folders, const std::string& file,
                            const char* entryName) {
    ModuleEntry out;
    for (const auto& folder : folders) {
        const std::string path = folder + file;
        if (!fileExists(path)) continue;
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            out.why = dlerror();
            return out;
        }
        out.entry = dlsym(handle, entryName);
        if (!out.entry) out.why = path + " has no " + entryName;
        else out.path = path;
        return out;
    }
    out.why = file + " not found";
    return out;
}

}  // namespace parvel
