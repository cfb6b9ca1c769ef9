// How long the player takes to load each of its modules on first use, as a
// fresh process sees it: the dynamic linker mapping the module and its
// libraries and binding their symbols. Prints "NAME: WALL_MS CPU_MS" per
// module path given (scripts/measure.sh runs it).
#include <dlfcn.h>

#include <QImage>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

namespace {
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
    // The player has Qt mapped before any module loads; so does this.
    const QImage warm(1, 1, QImage::Format_RGB32);
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = cpuMs();
        // The flags the player uses.
        void* handle = dlopen(argv[i], RTLD_NOW | RTLD_LOCAL);
        const double wall =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        const double cpu = cpuMs() - c0;
        std::string name = argv[i];
        name = name.substr(name.rfind('/') + 1);
        if (!handle) {
            std::fprintf(stderr, "%s: %s\n", name.c_str(), dlerror());
            ++failed;
            continue;
        }
        std::printf("%s: %.1f %.1f\n", name.c_str(), wall, cpu);
    }
    return failed == 0 && !warm.isNull() ? 0 : 1;
}
