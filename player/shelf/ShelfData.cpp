#include "ShelfData.h"

#include <sys/stat.h>

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "PngData.h"
#include "TextCodec.h"

namespace parvel::shelf {

std::optional<FileStamp> stampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return FileStamp{
        static_cast<std::int64_t>(st.st_size),
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

QString pathText(const std::string& bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    for (size_t i = 0; i < n;) {
        const unsigned c = b[i];
        if (c < 0x80) {
            out += QChar(c);
            ++i;
            continue;
        }
        // The length and smallest value of a sequence by its lead byte;
        // anything else (a stray continuation, an overlong form, a
        // surrogate, past U+10FFFF) is kept as escaped bytes.
        const int len = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        char32_t cp = len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
        bool ok = len > 0 && i + static_cast<size_t>(len) <= n;
        for (int k = 1; ok && k < len; ++k) {
            ok = (b[i + static_cast<size_t>(k)] & 0xC0) == 0x80;
            cp = (cp << 6) | (b[i + static_cast<size_t>(k)] & 0x3F);
        }
        ok = ok && !(len == 3 && cp < 0x800) && !(len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) &&
             !(cp >= 0xD800 && cp <= 0xDFFF);
        if (!ok) {
            out += QChar(static_cast<char16_t>(0xDC00 + c));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
        } else {
            out += QChar(static_cast<char16_t>(cp));
        }
        i += static_cast<size_t>(len);
    }
    return out;
}

std::string pathBytes(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    auto put = [&](char32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            put(QChar::surrogateToUcs4(u, text[i + 1].unicode()));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out += static_cast<char>(u - 0xDC00);  // an escaped byte
        } else if (QChar::isSurrogate(u)) {
            put(0xFFFD);
        } else {
            put(u);
        }
    }
    return out;
}

QString pathShown(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString boundedName(const QString& name) {
    QString out;
    out.reserve(std::min<qsizetype>(name.size(), kMaxNameLength));
    bool cut = false;
    for (const QChar c : name) {
        if (c.unicode() == 0) break;  // what follows a NUL is no part of the name
        if (out.size() == kMaxNameLength) {
            cut = true;
            break;
        }
        out += c.unicode() < 0x20 || c.unicode() == 0x7F ? QLatin1Char(' ') : c;
    }
    out = out.trimmed();
    if (cut) {
        if (!out.isEmpty() && out.back().isHighSurrogate()) out.chop(1);
        out += QChar(0x2026);
    }
    return out;
}

QString boundedName(std::string_view cp1252) {
    // One byte is one character: a byte past the bound is enough to know
    // the name was cut.
    cp1252 = cp1252.substr(0, std::min(cp1252.find('\0'), size_t{kMaxNameLength} + 1));
    return boundedName(QString::fromStdString(cp1252ToUtf8(cp1252)));
}

std::string gameFolderOf(const std::string& gameFile) {
    const auto slash = gameFile.find_last_of('/');
    return slash == std::string::npos ? std::string(".")
                                      : gameFile.substr(0, std::max<size_t>(slash, 1));
}

namespace {

// A path in the JSON files: its text when it is UTF-8, else its bytes.
QJsonValue pathJson(const std::string& path) {
    const QString text = pathShown(path);
    if (text.toStdString() == path) return text;
    return QJsonObject{
        {"bytes", QString::fromLatin1(QByteArray(path.data(), static_cast<qsizetype>(path.size())).toBase64())},
        {"shown", text}};
}
std::string pathFrom(const QJsonValue& v) {
    if (v.isString()) return v.toString().toStdString();
    return QByteArray::fromBase64(v.toObject()["bytes"].toString().toLatin1()).toStdString();
}

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
    for (const auto& f : state.folders) folders.append(pathJson(f));
    QJsonArray games;
    for (const auto& g : state.games)
        games.append(QJsonObject{{"file", pathJson(g.gameFile)},
                                 {"name", g.name},
                                 {"stamp", stampJson(g.gameStamp)},
                                 {"picture", pathJson(g.picture)},
                                 {"pictureStamp", stampJson(g.pictureStamp)},
                                 {"thumbnail", pngBase64(g.thumbnail)},
                                 {"problem", g.problem}});
    return QJsonDocument(
               QJsonObject{{"folders", folders}, {"games", games}, {"skipped", state.skipped}})
        .toJson(QJsonDocument::Compact);
}

ShelfState shelfFromJson(const QByteArray& json) {
    ShelfState state;
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    for (const auto& f : root["folders"].toArray())
        if (std::string folder = pathFrom(f); !folder.empty()) state.folders.push_back(std::move(folder));
    for (const auto& v : root["games"].toArray()) {
        const QJsonObject o = v.toObject();
        std::string file = pathFrom(o["file"]);
        if (file.empty()) continue;
        // A file written before names were bounded, or by hand, keeps to
        // the bounds too.
        state.games.push_back({std::move(file), boundedName(o["name"].toString()),
                               imageFrom(o["thumbnail"]), stampFrom(o["stamp"]),
                               pathFrom(o["picture"]), stampFrom(o["pictureStamp"]),
                               o["problem"].toString().left(kMaxNameLength * 2)});
    }
    state.skipped = root["skipped"].toInt();
    return state;
}

void RecentGames::played(const std::string& gameFile, const QString& name, std::int64_t whenMs) {
    remove(gameFile);
    m_games.insert(m_games.begin(), RecentGame{gameFile, boundedName(name), whenMs});
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
            {"file", pathJson(g.gameFile)}, {"name", g.name}, {"played", bigNumber(g.playedMs)}});
    return QJsonDocument(QJsonObject{{"recent", games}}).toJson(QJsonDocument::Indented);
}

RecentGames RecentGames::fromJson(const QByteArray& json) {
    RecentGames r;
    for (const auto& v : QJsonDocument::fromJson(json).object()["recent"].toArray()) {
        const QJsonObject o = v.toObject();
        const std::string file = pathFrom(o["file"]);
        // A hand-edited file may repeat a game or run long: keep the rule.
        if (file.empty() || r.lastPlayed(file)) continue;
        if (r.m_games.size() >= static_cast<size_t>(kRemembered)) break;
        r.m_games.push_back({file, boundedName(o["name"].toString()), bigNumber(o["played"])});
    }
    return r;
}

}  // namespace parvel::shelf
