#include "MediaModules.h"

#include <chrono>
#include <mutex>

#include "MediaLog.h"
#include "Modules.h"

namespace parvel {

namespace {

// The module's entry function, or null; says once, in one line, why not.
void* loadModule(const char* file, const char* entryName, const char* whatFails) {
    const auto began = std::chrono::steady_clock::now();
    const ModuleEntry m = loadModuleEntry(mediaModuleFolders(), file, entryName);
    if (!m.entry) {
        qCCritical(lcMedia, "media module not loaded (%s): %s", m.why.c_str(), whatFails);
        return nullptr;
    }
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - began).count();
    qCDebug(lcMedia) << "loaded" << m.path.c_str() << "in" << micros << "us";
    return m.entry;
}

std::mutex g_mutex;

}  // namespace

std::vector<std::string> mediaModuleFolders() { return moduleFolders(PARVEL_BUILD_MODULE_DIR); }

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
