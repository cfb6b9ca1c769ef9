#include "UnusedFiles.h"

#include <algorithm>
#include <filesystem>

#include "FileCheckLog.h"
#include "Host.h"
#include "Paths.h"
#include "SceneTable.h"
#include "TextCodec.h"
#include "Vb.h"

namespace fs = std::filesystem;

namespace parvel::filecheck {

using namespace vb;

namespace {

class NullView : public CheckFilesView {
public:
    void setStatus(const std::string&) override {}
    void addUnusedPicture(const UnusedFile&) override {}
    void addUnusedSound(const UnusedFile&) override {}
};

// "count.name": the frames name1..nameN (or nameR1.., nameL1.. when walking).
// No "." or a count that is not a number names no frames.
struct SpriteValue {
    int count = 0;
    std::string base;
};
SpriteValue parseSprite(std::string_view value) {
    const size_t dot = value.find('.');
    if (dot == std::string_view::npos) return {};
    const auto count = CLng(value.substr(0, dot));
    if (!count || *count < 1) return {};
    return {std::min(*count, kMaxSpriteFrames), std::string(value.substr(dot + 1))};
}

void appendFrames(std::string& list, const SpriteValue& s, std::string_view infix,
                  std::string_view extension) {
    for (int j = 1; j <= s.count; ++j)
        list += s.base + std::string(infix) + std::to_string(j) + std::string(extension) + ",";
}

struct Entry {
    std::string name;  // Windows-1252 when the disk name converts, else as on disk
    std::string path;
};

// A folder's entries (files and folders alike), in a fixed order: by name
// without regard to case, as the old directory listings came.
std::vector<Entry> listFolder(const std::string& folder) {
    std::vector<Entry> entries;
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? "." : folder, ec);
    if (ec) {
        qCDebug(lcFileCheck) << "cannot list" << folder.c_str() << ec.message().c_str();
        return entries;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const std::string disk = it->path().filename().string();
        if (disk == "." || disk == "..") continue;
        std::string name = disk;
        if (isValidUtf8(disk))
            if (auto b = utf8ToCp1252(disk)) name = *b;
        entries.push_back({std::move(name), folder + disk});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const auto ua = UCase(a.name), ub = UCase(b.name);
        return ua != ub ? ua < ub : a.name < b.name;
    });
    return entries;
}

struct FolderScan {
    Host& host;
    CheckFilesView& view;

    // Lists the entries of `folder` ending in one of `extensions` (upper
    // case) whose upper-cased names are not in `pool`.
    template <class Add>
    void run(const std::string& folder, std::initializer_list<std::string_view> extensions,
             const std::string& pool, Add add) {
        if (folder.empty()) return;
        for (auto& e : listFolder(folder)) {
            if (view.cancelled() || host.quitting()) return;
            host.processEvents();
            const std::string upper = UCase(e.name);
            const std::string tail = Right(upper, 4);
            if (std::find(extensions.begin(), extensions.end(), tail) == extensions.end())
                continue;
            if (pool.find(upper) == std::string::npos) add(UnusedFile{LCase(e.name), e.path});
            host.processEvents();
        }
    }
};

}  // namespace

std::string reportFolder(const GameScript& game) {
    if (game.path.empty()) return {};
    std::string folder = folderOf(game.path);
    return folder.empty() ? "./" : folder;
}

UnusedFiles CheckFiles(SceneTable& table, const GameScript& game, Host& host,
                       CheckFilesView* viewIn) {
    NullView nullView;
    CheckFilesView& view = viewIn ? *viewIn : nullView;
    UnusedFiles result;
    auto stopped = [&] { return view.cancelled() || host.quitting(); };

    int scenes = 0;
    for (int slot = 1; slot <= SceneTable::kSlots; ++slot) {
        if (table.name(slot).empty()) break;
        scenes = slot;
        view.setStatus(std::to_string(slot) + " of 700 possible");
        host.processEvents();
        if (stopped()) return result;
    }
    view.setStatus(std::to_string(scenes) + " scenes found");
    WaitSeconds(host, 0.2);
    if (stopped()) return result;

    view.setStatus("Building Image Database");
    const std::string_view extension = game.enciphered == 1 ? ".clP" : ".bmp";
    std::string pictures, frames, sounds;
    for (int slot = 1; slot <= scenes; ++slot) {
        // Copied: pending events may load another game into the table.
        const std::string scene = table.name(slot);
        for (auto d : {"@anim", "@image", "@layeranim", "@layeranim2"}) {
            pictures += table.GetDirective(scene, d);
            if (pictures.empty() || pictures.back() != ',') pictures += ',';
        }
        view.setStatus("Building Image Database.");
        const std::string standing(Trim(table.GetDirective(scene, "@standingsprite")));
        const std::string walking(Trim(table.GetDirective(scene, "@walkingsprite")));
        for (auto d : {"@sound", "@multisound", "@music"}) sounds += table.GetDirective(scene, d);
        appendFrames(frames, parseSprite(standing), "", extension);
        view.setStatus("Building Image Database..");
        const SpriteValue walk = parseSprite(walking);
        appendFrames(frames, walk, "R", extension);
        appendFrames(frames, walk, "L", extension);
        view.setStatus("Building Image Database...");
        host.processEvents();
        if (stopped()) return result;
    }
    pictures = UCase(pictures + frames);
    sounds = UCase(sounds);

    view.setStatus("Checking directories");
    const std::string report = reportFolder(game);
    auto folder = [&](std::string_view directive) -> std::string {
        if (report.empty()) return {};  // no game file, no folders
        return resolvePath(report + table.GetDirective("Setup", directive) + "/");
    };
    FolderScan scan{host, view};
    scan.run(folder("imageDir"), {".CLP", ".BMP"}, pictures, [&](UnusedFile f) {
        view.addUnusedPicture(f);
        result.pictures.push_back(std::move(f));
    });
    if (stopped()) return result;
    view.setStatus("Done Images...Checking sounds");
    auto addSound = [&](UnusedFile f) {
        view.addUnusedSound(f);
        result.sounds.push_back(std::move(f));
    };
    scan.run(folder("soundDir"), {".WAV"}, sounds, addSound);
    if (stopped()) return result;
    view.setStatus("Done Sounds...Checking music");
    scan.run(folder("musicDir"), {".MID"}, sounds, addSound);
    if (stopped()) return result;
    view.setStatus("DONE");
    return result;
}

}  // namespace parvel::filecheck
