#include "Encipher.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <vector>

#include "Cipher.h"
#include "GameSetup.h"
#include "HeadlessHost.h"
#include "Integrity.h"
#include "Paths.h"
#include "SceneLists.h"
#include "SceneTable.h"
#include "TextCodec.h"
#include "Vb.h"

namespace fs = std::filesystem;

namespace parvel {

namespace {

bool isPictureCommand(std::string_view line) {
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    const std::string name = vb::UCase(vb::Trim(line.substr(0, eq)));
    return name == "@IMAGE" || name == "@ANIM" || name == "@LAYERANIM" || name == "@LAYERANIM2";
}

std::string replaceBmp(std::string_view s) {
    std::string out(s);
    const std::string upper = vb::UCase(s);
    for (size_t p = upper.find(".BMP"); p != std::string::npos; p = upper.find(".BMP", p + 4))
        out.replace(p, 4, ".clP");
    return out;
}

Status writeFile(const fs::path& p, std::string_view data) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!f) return Error{err::PathNotFound, "cannot write " + p.string()};
    return Ok{};
}

}  // namespace

std::string rewritePictureNames(std::string_view script) {
    // A command's value goes on over the lines that do not start with "@".
    std::string out;
    out.reserve(script.size());
    bool inPicture = false;
    size_t pos = 0;
    while (pos < script.size()) {
        size_t end = script.find('\n', pos);
        end = end == std::string_view::npos ? script.size() : end + 1;
        std::string_view line = script.substr(pos, end - pos);
        if (!line.empty() && line[0] == '@') inPicture = isPictureCommand(line);
        else if (!line.empty() && line[0] == '[') inPicture = false;
        if (inPicture) {
            const size_t eq = line[0] == '@' ? line.find('=') + 1 : 0;
            out.append(line.substr(0, eq));
            out += replaceBmp(line.substr(eq));
        } else {
            out.append(line);
        }
        pos = end;
    }
    return out;
}

namespace {

// "@nextGfile = NAME" lines whose NAME `rename` maps get the new name.
std::string rewriteNextFiles(std::string_view script,
                             const std::function<std::string(const std::string&)>& rename) {
    std::string out;
    out.reserve(script.size());
    size_t pos = 0;
    while (pos < script.size()) {
        size_t end = script.find('\n', pos);
        end = end == std::string_view::npos ? script.size() : end + 1;
        const std::string_view line = script.substr(pos, end - pos);
        pos = end;
        const size_t eq = line.find('=');
        if (line.empty() || line[0] != '@' || eq == std::string_view::npos ||
            vb::UCase(vb::Trim(line.substr(0, eq))) != "@NEXTGFILE") {
            out.append(line);
            continue;
        }
        size_t valueEnd = line.size();
        while (valueEnd > eq + 1 && (line[valueEnd - 1] == '\n' || line[valueEnd - 1] == '\r')) --valueEnd;
        const size_t comment = line.find("//", eq);
        if (comment != std::string_view::npos && comment < valueEnd) valueEnd = comment;
        const std::string name(vb::Trim(line.substr(eq + 1, valueEnd - eq - 1)));
        const std::string renamed = name.empty() ? std::string() : rename(name);
        if (renamed.empty()) {
            out.append(line);
            continue;
        }
        out.append(line.substr(0, eq + 1));
        out += " " + renamed;
        out.append(line.substr(valueEnd));
    }
    return out;
}

// The script files a game chains to, from the game file on, each once, by
// resolved path; and the plain pictures they name.
struct Chain {
    std::vector<std::string> files;  // files[0] is the game file
    std::set<std::string> plainPictures;
};

Chain followChain(Host& host, const std::string& gameFile) {
    Chain chain;
    SceneTable table(host);
    GameScript game;
    GameSetup setup;
    game.path = gameFile;
    table.LoadGameScript(game);
    ApplySetup(host, table, setup, gameFile);
    chain.files.push_back(resolvePath(gameFile));
    for (size_t f = 0; f < chain.files.size(); ++f) {
        const std::string path = chain.files[f];
        if (f > 0) {
            GameScript next;
            next.path = path;
            table.LoadGameScript(next);
        }
        for (int slot = 1; slot <= table.lastLoadCount(); ++slot) {
            const std::string& name = table.name(slot);
            auto read = [&](std::string_view d) {
                return std::string(vb::Trim(table.readDirective(slot, name, d).valueOr("")));
            };
            const std::string next = read("@nextGfile");
            if (!next.empty()) {
                const std::string target = folderOf(path) + cp1252ToUtf8(next);
                if (fileExists(target)) {
                    const std::string key = resolvePath(target);
                    if (std::find(chain.files.begin(), chain.files.end(), key) == chain.files.end())
                        chain.files.push_back(key);
                }
            }
            if (f == 0) continue;
            // A chained file plays as a plain game: its pictures load as ".bmp".
            int s = 0, w = 0;
            std::string names = read("@image") + "," + read("@anim") + "," + read("@layeranim2") + "," +
                                read("@layeranim") + "," +
                                spriteFrameList(read("@standingsprite"), read("@walkingsprite"), ".bmp", s, w);
            AnimationList list(100000);
            parsePictureList(list, names);
            for (int i = 1; i <= list.count; ++i) {
                const std::string n(vb::Trim(list.entries[static_cast<size_t>(i)]));
                if (!n.empty()) chain.plainPictures.insert(resolvePath(setup.imageDir + cp1252ToUtf8(n)));
            }
        }
    }
    return chain;
}

}  // namespace

Status checkReleaseFolder(std::string_view gameDirIn, std::string_view outDirIn) {
    std::error_code ec;
    const fs::path gameDir = fs::canonical(fs::path(resolvePath(gameDirIn)), ec);
    if (ec || !fs::is_directory(gameDir))
        return Error{err::PathNotFound, "not a folder: " + std::string(gameDirIn)};
    const fs::path outDir = fs::weakly_canonical(fs::path(std::string(outDirIn)), ec);
    if (ec) return Error{err::PathNotFound, "cannot use " + std::string(outDirIn)};
    if (outDir == gameDir)
        return Error{err::PathNotFound, std::string(outDirIn) +
                                            " is the game folder itself: the enciphered copy needs a folder of its own"};
    for (fs::path p = gameDir; p.has_relative_path(); p = p.parent_path())
        if (p.parent_path() == outDir)
            return Error{err::PathNotFound, std::string(outDirIn) + " holds the game folder: choose another folder"};
    if (fs::exists(outDir)) {
        if (!fs::is_directory(outDir))
            return Error{err::PathNotFound, std::string(outDirIn) + " is not a folder"};
        const bool empty = fs::directory_iterator(outDir, ec) == fs::directory_iterator();
        if (!empty && !fileExists((outDir / "GameFile.Cgm").string()))
            return Error{err::PathNotFound, std::string(outDirIn) +
                                                " holds other files: choose a new or empty folder, or an earlier "
                                                "enciphered copy"};
    }
    return Ok{};
}

Result<std::string> writeRelease(std::string_view gameDirIn, std::string_view outDirIn) {
    const fs::path gameDir(resolvePath(gameDirIn));
    std::error_code ec;
    if (!fs::is_directory(gameDir, ec))
        return Error{err::PathNotFound, "not a folder: " + gameDir.string()};
    const std::string scriptPath = resolvePath(gameDir.string() + "/Gamefile.txt");
    auto script = readWholeFile(scriptPath);
    if (!script) return Error{err::FileNotFound, "no Gamefile.txt in " + gameDir.string()};
    const fs::path outDir = fs::weakly_canonical(fs::path(std::string(outDirIn)), ec);
    fs::create_directories(outDir.parent_path(), ec);
    std::string pattern = (outDir.parent_path() / ("." + outDir.filename().string() + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) return Error{err::PathNotFound, "cannot create a folder beside " + outDir.string()};
    const fs::path temp(pattern);
    auto fail = [&](Error e) -> Result<std::string> {
        fs::remove_all(temp, ec);
        return e;
    };

    HeadlessHost host;
    const Chain chain = followChain(host, scriptPath);
    const std::string gameKey = chain.files.front();
    // Scripts name the game file as "Gamefile.txt"; the copy has only "GameFile.Cgm".
    auto toGame = [&](const std::string& folder) {
        return [&, folder](const std::string& name) -> std::string {
            return resolvePath(folder + cp1252ToUtf8(name)) == gameKey ? "GameFile.Cgm" : "";
        };
    };
    const fs::path cgm = temp / "GameFile.Cgm";
    if (auto s = writeFile(cgm, DecipherScript(rewritePictureNames(rewriteNextFiles(*script, toGame(folderOf(scriptPath))))));
        !s)
        return fail(s.error());
    const std::string digest = FileDigest(host, cgm.string());

    SceneTable table(host);
    table.loadText(*script);
    const std::string bkPic = vb::UCase(fileNameOf(table.readDirective(
        table.FindScene("Setup"), "Setup", "@bkPic").valueOr("")));

    for (auto it = fs::recursive_directory_iterator(gameDir, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        // An output folder inside the game folder is not part of the game.
        if (it->is_directory() && (fs::equivalent(it->path(), outDir, ec) || fs::equivalent(it->path(), temp, ec))) {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file()) continue;
        const fs::path rel = fs::relative(it->path(), gameDir);
        const std::string key = resolvePath(it->path().string());
        if (key == gameKey || it->path() == fs::path(scriptPath)) continue;
        if (vb::UCase(rel.filename().string()) == "GAMEFILE.CGM") continue;
        fs::create_directories((temp / rel).parent_path(), ec);
        const std::string upper = vb::UCase(rel.filename().string());
        const bool bmp = upper.size() > 4 && upper.substr(upper.size() - 4) == ".BMP";
        if (bmp) {
            auto data = readWholeFile(it->path().string());
            if (!data) return fail(Error{err::FileNotFound, "cannot read " + it->path().string()});
            fs::path target = temp / rel;
            target.replace_extension(".clP");
            if (auto s = writeFile(target, encipherPicture(*data, digest)); !s) return fail(s.error());
            if (upper != bkPic && !chain.plainPictures.count(key)) continue;
        }
        if (std::find(chain.files.begin() + 1, chain.files.end(), key) != chain.files.end()) {
            auto text = readWholeFile(it->path().string());
            if (!text) return fail(Error{err::FileNotFound, "cannot read " + it->path().string()});
            if (auto s = writeFile(temp / rel, rewriteNextFiles(*text, toGame(folderOf(key)))); !s)
                return fail(s.error());
            continue;
        }
        fs::copy_file(it->path(), temp / rel, fs::copy_options::overwrite_existing, ec);
        if (ec) return fail(Error{err::PathNotFound, "cannot copy " + rel.string()});
    }
    if (ec) return fail(Error{err::PathNotFound, "cannot read the folder " + gameDir.string()});
    return temp.string();
}

Status publishRelease(const std::string& written, std::string_view outDirIn) {
    const fs::path outDir = fs::weakly_canonical(fs::path(std::string(outDirIn)));
    std::error_code ec;
    if (!fs::exists(outDir, ec) || (fs::is_directory(outDir, ec) && fs::is_empty(outDir, ec))) {
        if (::rename(written.c_str(), outDir.c_str()) == 0) return Ok{};
    } else if (::renameat2(AT_FDCWD, written.c_str(), AT_FDCWD, outDir.c_str(), RENAME_EXCHANGE) == 0) {
        // `written` now holds the earlier copy.
        fs::remove_all(written, ec);
        return Ok{};
    }
    const std::string why = std::strerror(errno);
    fs::remove_all(written, ec);
    return Error{err::PathNotFound, "cannot put the copy in " + outDir.string() + ": " + why};
}

Status encipherGame(std::string_view gameDir, std::string_view outDir) {
    if (auto s = checkReleaseFolder(gameDir, outDir); !s) return s;
    auto written = writeRelease(gameDir, outDir);
    if (!written) return written.error();
    return publishRelease(*written, outDir);
}

}  // namespace parvel
