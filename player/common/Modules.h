#pragma once
// Parts of the program built as modules and loaded on first use (video,
// music, audio output, the page fetch), so the program pays for their
// libraries only when a game needs them.

#include <string>
#include <string_view>
#include <vector>

namespace parvel {

// Where modules are looked for: $PARVEL_MODULE_DIR alone when it is set
// (packagers' and tests' override); otherwise the executable's folder,
// ../lib/parvel/ beside it, then `buildDir` (the build tree's module folder;
// empty for none). Each ends in "/".
std::vector<std::string> moduleFolders(std::string_view buildDir);

struct ModuleEntry {
    void* entry = nullptr;  // the named function, or null
    std::string path;       // the module it came from
    std::string why;        // when null: why, in a few words
};

// Opens the first `file` found in `folders` and looks up `entryName`. The
// module's own libraries stay out of the program's symbol look-ups, and it
// is never unloaded (its threads and statics may outlive any caller).
ModuleEntry loadModuleEntry(const std::vector<std::string>& folders, const std::string& file,
                            const char* entryName);

}  // namespace parvel
