#include "MediaModules.h"

#include <dlfcn.h>

#include <chrono>
#include <cstdlib>
#include <mutex>

#include "MediaLog.h"
#include "Paths.h"

namespace parvel {

namespace {

// The module's entry function, or null; says once, in one line, why not.
void* loadModule(const char* file, const char* entryName, const char* whatFails) {
    const auto began = std::chrono::steady_clock::now();
    std::string why;
    for (const auto& folder : mediaModuleFolders()) {
        const std::string path = folder + file;
        if (!fileExists(path)) continue;
        // RTLD_LOCAL: the module's libraries stay out of the program's symbol
        // look-ups; it is never unloaded (its threads and statics may outlive
        // any caller).
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            why = dlerror();
            break;
        }
        void* entry = dlsym(handle, entryName);
        if (!entry) {
            why = path + " has no " + entryName;
            break;
        }
        const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::steady_clock::now() - began).count();
        qCDebug(lcMedia) << "loaded" << path.c_str() << "in" << micros << "us";
        return entry;
    }
    if (why.empty()) why = std::string(file) + " not found";
    qCCritical(lcMedia, "media module not loaded (%s): %s", why.c_str(), whatFails);
    return nullptr;
}

std::mutex g_mutex;

}  // namespace

std::vector<std::string> mediaModuleFolders() {
    // The variable replaces the search (packagers' and tests' override).
    if (const char* dir = std::getenv("PARVEL_MODULE_DIR"); dir && *dir) {
        const std::string d(dir);
        return {d.back() == '/' ? d : d + "/"};
    }
    std::vector<std::string> folders;
    folders.push_back(programFolder());
    folders.push_back(programFolder() + "../lib/parvel/");
#ifdef PARVEL_BUILD_MODULE_DIR
    folders.push_back(PARVEL_BUILD_MODULE_DIR "/");
#endif
    return folders;
}

namespace {
// The backend that a module's entry returns, once per process.
template <class Backend>
Backend* singleBackend(const char* file, const char* entryName, const char* whatFails) {
    static bool tried = false;
    static Backend* backend = nullptr;
    std::lock_guard g(g_mutex);
    if (tried) return backend;
    tried = true;
    if (void* entry = loadModule(file, entryName, whatFails)) {
        backend = reinterpret_cast<Backend* (*)(int)>(entry)(kMediaModuleAbi);
        if (!backend)
            qCCritical(lcMedia, "media module %s is of another version: %s", file, whatFails);
    }
    return backend;
}
}  // namespace

AudioBackend* audioBackend() {
    return singleBackend<AudioBackend>("libparvel_audio.so", "parvelAudioBackend",
                                       "sound effects cannot play and no audio output opens");
}

VideoBackend* videoBackend() {
    return singleBackend<VideoBackend>("libparvel_video.so", "parvelVideoBackend",
                                       "video clips cannot play");
}

std::unique_ptr<MusicBackend> newMusicBackend() {
    static bool tried = false;
    static void* entry = nullptr;
    std::lock_guard g(g_mutex);
    if (!tried) {
        tried = true;
        entry = loadModule("libparvel_music.so", "parvelNewMusicBackend", "music plays silently");
    }
    if (!entry) return nullptr;
    std::unique_ptr<MusicBackend> backend(
        reinterpret_cast<ParvelNewMusicBackendFn>(entry)(kMediaModuleAbi));
    if (!backend)
        qCCritical(lcMedia, "media module libparvel_music.so is of another version: music plays silently");
    return backend;
}

}  // namespace parvel
