#include "ShelfScan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <unordered_map>
#include <utility>

#include "BmpReader.h"
#include "GameFolder.h"
#include "GameSetup.h"
#include "HeadlessHost.h"
#include "Integrity.h"
#include "Paths.h"
#include "SceneTable.h"
#include "ShelfLog.h"
#include "TextCodec.h"
#include "Vb.h"

namespace parvel::shelf {

namespace {

Error failure(std::string why) { return Error{0, std::move(why)}; }

QString folderName(const std::string& gameFile) {
    const std::string folder = gameFolderOf(gameFile);
    return boundedName(pathShown(std::filesystem::path(folder).filename().string()));
}

// The scene picture as the player decodes it: enciphered pictures pass the
// same digest check and deciphering; a picture that fails it shows nothing.
Result<QImage> decodePicture(Host& host, const GameScript& game, const std::string& path) {
    if (game.enciphered != 1) return render::readBmpFile(resolvePath(path));
    auto p = PreparePlainPicture(host, path, game.digest);
    if (!p) return failure("picture not made for this game file");
    using Form = PreparedPicture::Form;
    switch (p->form) {
        case Form::Copy: {
            Result<QImage> image = render::readBmpFile(p->path);
            std::error_code ec;
            std::filesystem::remove(p->path, ec);
            return image;
        }
        case Form::Memory:
            return render::decodeBmp(p->plain);
        case Form::Source:
        case Form::Checked:
            break;
    }
    return failure("picture cannot be read");
}

// A scene's background: its @image, else the first frame of its background
// animation (an @anim list: "name(repeats), name, ...").
std::string backgroundOf(SceneTable& table, const std::string& scene) {
    std::string image(vb::Trim(table.GetDirective(scene, "@image")));
    if (!image.empty()) return image;
    const std::string anim = table.GetDirective(scene, "@anim");
    std::string_view first = std::string_view(anim).substr(0, anim.find(','));
    first = first.substr(0, first.find('('));
    return std::string(vb::Trim(first));
}

bool stillValid(const ShelfGame& g) {
    const auto game = stampOf(g.gameFile);
    if (!game || !(*game == g.gameStamp)) return false;
    return g.picture.empty() || stampOf(g.picture).value_or(FileStamp{}) == g.pictureStamp;
}

}  // namespace

Result<ShelfGame> readShelfGame(const std::string& gameFile) {
    const auto stamp = stampOf(gameFile);
    if (!stamp || ::access(gameFile.c_str(), R_OK) != 0) return failure("game file cannot be read");
    if (stamp->size > kMaxGameFileBytes) return failure("game file larger than 16 MiB");

    // Its own random numbers name the plain copies of enciphered pictures:
    // a fixed seed would ask for the names the player's copies may hold.
    HeadlessHost host(std::random_device{}());
    GameScript game;
    auto table = std::make_unique<SceneTable>(host);
    GameSetup setup;
    OpenGame(host, game, *table, setup, gameFile);
    if (table->FindScene("Title") == 0 && table->FindScene("Setup") == 0)
        return failure("no Setup or Title scene");

    ShelfGame out;
    out.gameFile = gameFile;
    out.gameStamp = *stamp;
    out.name = boundedName(vb::Trim(table->GetDirective("Title", "@name")));
    if (out.name.isEmpty()) out.name = folderName(gameFile);

    // Clicking the title screen goes to the first scene: without it the
    // game stops there.
    const std::string first(vb::Trim(table->GetDirective("Setup", "@firstscene")));
    if (first.empty())
        out.problem = QStringLiteral("Cannot start: no first scene (@firstscene in [Setup])");
    else if (table->FindScene(first) == 0)
        out.problem = QStringLiteral("Cannot start: the first scene \"%1\" is not defined")
                          .arg(boundedName(first));

    // The title screen shows no picture; the Title scene may still name
    // one, else the first scene's is what the game opens on.
    std::string image = backgroundOf(*table, "Title");
    if (image.empty() && out.problem.isEmpty()) image = backgroundOf(*table, first);
    if (image.empty()) return out;
    const std::string path = setup.imageDir + cp1252ToUtf8(image);
    out.picture = resolvePath(path);
    out.pictureStamp = stampOf(out.picture).value_or(FileStamp{});
    if (out.pictureStamp.size < 0) return out;
    Result<QImage> picture = decodePicture(host, game, path);
    if (picture && !picture->isNull())
        out.thumbnail =
            picture->scaled(kThumbnailSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    else if (!picture)
        qCDebug(lcShelf) << "no thumbnail for" << gameFile.c_str()
                         << picture.error().description.c_str();
    return out;
}

ScanReport scanShelf(const std::vector<std::string>& roots, const ScanControl& control) {
    ScanReport report;
    std::vector<std::string> gameFiles;
    std::set<std::pair<dev_t, ino_t>> seen;
    struct Pending {
        std::string folder;
        bool viaLink;
    };
    std::vector<Pending> stack;
    for (auto it = roots.rbegin(); it != roots.rend(); ++it) stack.push_back({*it, false});
    auto cancelled = [&] {
        return control.cancel && control.cancel->load(std::memory_order_relaxed);
    };

    while (!stack.empty()) {
        if (cancelled()) {
            report.cancelled = true;
            return report;
        }
        Pending at = std::move(stack.back());
        stack.pop_back();
        std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(at.folder.c_str()), ::closedir);
        if (!dir) {
            report.skipped.push_back({at.folder, "folder cannot be read"});
            continue;
        }
        struct stat st {};
        if (::fstat(::dirfd(dir.get()), &st) != 0) continue;
        if (!seen.emplace(st.st_dev, st.st_ino).second) {
            // Reached again through a link (a loop, or a second way in);
            // the same folder added twice is not worth counting.
            if (at.viaLink)
                report.skipped.push_back({at.folder, "link to a folder already scanned"});
            continue;
        }
        ++report.folders;
        const std::string base = at.folder.back() == '/' ? at.folder : at.folder + '/';
        bool hasGame = false;
        std::vector<Pending> below;
        while (const dirent* e = ::readdir(dir.get())) {
            const char* name = e->d_name;
            if (name[0] == '.') continue;  // ".", "..", hidden folders
            unsigned char type = e->d_type;
            bool link = false;
            if (type == DT_LNK || type == DT_UNKNOWN) {
                struct stat target {};
                struct stat self {};
                if (::fstatat(::dirfd(dir.get()), name, &target, 0) != 0) continue;  // dangling
                link = type == DT_LNK ||
                       (::fstatat(::dirfd(dir.get()), name, &self, AT_SYMLINK_NOFOLLOW) == 0 &&
                        S_ISLNK(self.st_mode));
                type = S_ISDIR(target.st_mode)   ? DT_DIR
                       : S_ISREG(target.st_mode) ? DT_REG
                                                 : DT_UNKNOWN;
            }
            if (type == DT_DIR)
                below.push_back({base + name, link});
            else if (type == DT_REG && isGameFileName(name))
                hasGame = true;
        }
        dir.reset();
        if (hasGame)
            if (auto file = findGameFile(at.folder)) gameFiles.push_back(std::move(*file));
        // Depth first in name order, so the walk is the same on every disk.
        std::sort(below.begin(), below.end(),
                  [](const Pending& a, const Pending& b) { return a.folder > b.folder; });
        for (auto& p : below) stack.push_back(std::move(p));
        if (control.progress && (report.folders % 64 == 0 || hasGame))
            control.progress(report.folders, static_cast<int>(gameFiles.size()));
    }

    std::unordered_map<std::string, const ShelfGame*> known;
    if (control.known)
        for (const auto& g : *control.known) known.emplace(g.gameFile, &g);
    for (const std::string& file : gameFiles) {
        if (cancelled()) {
            report.cancelled = true;
            return report;
        }
        if (auto k = known.find(file); k != known.end() && stillValid(*k->second)) {
            report.games.push_back(*k->second);
        } else if (Result<ShelfGame> game = readShelfGame(file)) {
            report.games.push_back(std::move(*game));
        } else {
            report.skipped.push_back({file, game.error().description});
        }
        if (control.progress)
            control.progress(report.folders, static_cast<int>(report.games.size()));
    }
    std::sort(report.games.begin(), report.games.end(), [](const ShelfGame& a, const ShelfGame& b) {
        const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.gameFile < b.gameFile;
    });
    if (control.progress) control.progress(report.folders, static_cast<int>(report.games.size()));
    return report;
}

}  // namespace parvel::shelf
