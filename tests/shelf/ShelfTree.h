#pragma once
// A folder of games written for the shelf's tests and benchmark.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TestFiles.h"

namespace parvel::testing {

class ShelfTree {
public:
    explicit ShelfTree(const std::string& tag)
        : root(std::filesystem::temp_directory_path() /
               ("parvel-shelf-" + tag + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
    }
    ~ShelfTree() {
        std::error_code ec;
        for (auto& p : std::filesystem::recursive_directory_iterator(root, ec))
            std::filesystem::permissions(p.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(root, ec);
    }

    std::string write(const std::string& relative, const std::string& bytes) {
        const auto p = root / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }
    // A game named `name` whose first scene shows `picture` (a file in the
    // game's "pics" folder; none when empty).
    std::string game(const std::string& folder, const std::string& name,
                     const std::string& picture = "", const std::string& file = "Gamefile.txt") {
        return write(folder + "/" + file,
                     crlf("[Setup]\n@imagedir=pics\n@firstscene=Start\n[Title]\n@name=" + name +
                          "\n@author=Tests\n[Start]\n@desc=Text.\n" +
                          (picture.empty() ? "" : "@image=" + picture + "\n")));
    }
    std::string path(const std::string& relative) const { return (root / relative).string(); }

    std::filesystem::path root;
};

}  // namespace parvel::testing
