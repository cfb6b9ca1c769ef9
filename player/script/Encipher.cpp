#include "Encipher.h"

#include <filesystem>
#include <fstream>

#include "Cipher.h"
#include "HeadlessHost.h"
#include "Integrity.h"
#include "Paths.h"
#include "SceneTable.h"
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

Status encipherGame(std::string_view gameDirIn, std::string_view outDirIn) {
    const fs::path gameDir(resolvePath(gameDirIn));
    const fs::path outDir{std::string(outDirIn)};
    std::error_code ec;
    if (!fs::is_directory(gameDir, ec))
        return Error{err::PathNotFound, "not a folder: " + gameDir.string()};
    const std::string scriptPath = resolvePath(gameDir.string() + "/Gamefile.txt");
    auto script = readWholeFile(scriptPath);
    if (!script) return Error{err::FileNotFound, "no Gamefile.txt in " + gameDir.string()};
    fs::create_directories(outDir, ec);
    if (ec) return Error{err::PathNotFound, "cannot create " + outDir.string()};

    const fs::path cgm = outDir / "GameFile.Cgm";
    if (auto s = writeFile(cgm, DecipherScript(rewritePictureNames(*script))); !s) return s;
    HeadlessHost host;
    const std::string digest = FileDigest(host, cgm.string());

    SceneTable table(host);
    table.loadText(*script);
    const std::string bkPic = vb::UCase(fileNameOf(table.readDirective(
        table.FindScene("Setup"), "Setup", "@bkPic").valueOr("")));

    for (auto it = fs::recursive_directory_iterator(gameDir, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        // An output folder inside the game folder is not part of the game.
        if (it->is_directory() && fs::equivalent(it->path(), outDir, ec)) {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file()) continue;
        const fs::path rel = fs::relative(it->path(), gameDir);
        if (it->path() == fs::path(scriptPath)) continue;
        if (vb::UCase(rel.filename().string()) == "GAMEFILE.CGM") continue;
        fs::create_directories((outDir / rel).parent_path(), ec);
        const std::string upper = vb::UCase(rel.filename().string());
        const bool bmp = upper.size() > 4 && upper.substr(upper.size() - 4) == ".BMP";
        if (bmp) {
            auto data = readWholeFile(it->path().string());
            if (!data) return Error{err::FileNotFound, "cannot read " + it->path().string()};
            fs::path target = outDir / rel;
            target.replace_extension(".clP");
            if (auto s = writeFile(target, encipherPicture(*data, digest)); !s) return s;
            if (upper != bkPic) continue;
        }
        fs::copy_file(it->path(), outDir / rel, fs::copy_options::overwrite_existing, ec);
        if (ec) return Error{err::PathNotFound, "cannot copy " + rel.string()};
    }
    return Ok{};
}

}  // namespace parvel
