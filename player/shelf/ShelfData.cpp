#include "ShelfData.h"

#include <sys/stat.h>

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "PngData.h"

namespace parvel::shelf {

std::optional<FileStamp> stampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return FileStamp{
        static_cast<std::int64_t>(st.st_size),
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

std::string gameFolderOf(const std::string& gameFile) {
    const auto slash = gameFile.find_last_of('/');
    return slash == std::string::npos ? std::string(".")
                                      : gameFile.substr(0, std::max<size_t>(slash, 1));
}

namespace {

QString fromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
std::string toUtf8(const QJsonValue& v) { return v.toString().toStdString(); }

// 64-bit numbers as text: JSON numbers are doubles.
QJsonValue bigNumber(std::int64_t n) { return QString::number(n); }
std::int64_t bigNumber(const QJsonValue& v) { return v.toString().toLongLong(); }

QJsonObject stampJson(const FileStamp& s) {
    return {{"size", bigNumber(s.size)}, {"mtime", bigNumber(s.mtimeNs)}};
}
FileStamp stampFrom(const QJsonValue& v) {
    const QJsonObject o = v.toObject();
    if (!o.contains("size")) return {};
    return {bigNumber(o["size"]), bigNumber(o["mtime"])};
}

QString pngBase64(const QImage& image) {
    if (image.isNull()) return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QString::fromLatin1(bytes.toBase64());
}
QImage imageFrom(const QJsonValue& v) {
    const QByteArray bytes = QByteArray::fromBase64(v.toString().toLatin1());
    return readPngWithinLimit(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

}  // namespace

QByteArray shelfToJson(const ShelfState& state) {
    QJsonArray folders;
    for (const auto& f : state.folders) folders.append(fromUtf8(f));
    QJsonArray games;
    for (const auto& g : state.games)
        games.append(QJsonObject{{"file", fromUtf8(g.gameFile)},
                                 {"name", g.name},
                                 {"stamp", stampJson(g.gameStamp)},
                                 {"picture", fromUtf8(g.picture)},
                                 {"pictureStamp", stampJson(g.pictureStamp)},
                                 {"thumbnail", pngBase64(g.thumbnail)}});
    return QJsonDocument(
               QJsonObject{{"folders", folders}, {"games", games}, {"skipped", state.skipped}})
        .toJson(QJsonDocument::Compact);
}

ShelfState shelfFromJson(const QByteArray& json) {
    ShelfState state;
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    for (const auto& f : root["folders"].toArray())
        if (f.isString() && !f.toString().isEmpty()) state.folders.push_back(toUtf8(f));
    for (const auto& v : root["games"].toArray()) {
        const QJsonObject o = v.toObject();
        if (!o["file"].isString() || o["file"].toString().isEmpty()) continue;
        state.games.push_back({toUtf8(o["file"]), o["name"].toString(), imageFrom(o["thumbnail"]),
                               stampFrom(o["stamp"]), toUtf8(o["picture"]),
                               stampFrom(o["pictureStamp"])});
    }
    state.skipped = root["skipped"].toInt();
    return state;
}

void RecentGames::played(const std::string& gameFile, const QString& name, std::int64_t whenMs) {
    remove(gameFile);
    m_games.insert(m_games.begin(), RecentGame{gameFile, name, whenMs});
    if (m_games.size() > static_cast<size_t>(kRemembered)) m_games.resize(kRemembered);
}

void RecentGames::remove(const std::string& gameFile) {
    std::erase_if(m_games, [&](const RecentGame& g) { return g.gameFile == gameFile; });
}

std::vector<RecentGame> RecentGames::menu() const {
    return {m_games.begin(),
            m_games.begin() + std::min<std::ptrdiff_t>(kMenuLength, std::ssize(m_games))};
}

std::optional<std::int64_t> RecentGames::lastPlayed(const std::string& gameFile) const {
    for (const auto& g : m_games)
        if (g.gameFile == gameFile) return g.playedMs;
    return std::nullopt;
}

QByteArray RecentGames::toJson() const {
    QJsonArray games;
    for (const auto& g : m_games)
        games.append(QJsonObject{
            {"file", fromUtf8(g.gameFile)}, {"name", g.name}, {"played", bigNumber(g.playedMs)}});
    return QJsonDocument(QJsonObject{{"recent", games}}).toJson(QJsonDocument::Indented);
}

RecentGames RecentGames::fromJson(const QByteArray& json) {
    RecentGames r;
    for (const auto& v : QJsonDocument::fromJson(json).object()["recent"].toArray()) {
        const QJsonObject o = v.toObject();
        const std::string file = toUtf8(o["file"]);
        // A hand-edited file may repeat a game or run long: keep the rule.
        if (file.empty() || r.lastPlayed(file)) continue;
        if (r.m_games.size() >= static_cast<size_t>(kRemembered)) break;
        r.m_games.push_back({file, o["name"].toString(), bigNumber(o["played"])});
    }
    return r;
}

}  // namespace parvel::shelf
