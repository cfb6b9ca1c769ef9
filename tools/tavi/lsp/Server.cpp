#include "Server.h"

#include <fcntl.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QString>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "Cipher.h"
#include "Directives.h"
#include "FileOverlay.h"
#include "Findings.h"
#include "GameScript.h"
#include "Paths.h"
#include "PictureInfo.h"
#include "TextCodec.h"
#include "Vb.h"

namespace parvel::lsp {

using vb::Trim;
using vb::UCase;
namespace fs = std::filesystem;

namespace {

// JSON-RPC and LSP error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kInternalError = -32603;
constexpr int kServerNotInitialized = -32002;
constexpr int kRequestFailed = -32803;

const QStringList kTokenTypes = {"namespace", "keyword", "string", "variable", "comment"};
enum TokenType { TokHeader, TokDirective, TokValue, TokSceneRef, TokComment };

// Script bytes for the editor: each byte is one character, one UTF-16 unit.
QString toEditor(std::string_view bytes) { return QString::fromStdString(cp1252ToUtf8(bytes)); }

// The editor's text as script bytes, one byte per UTF-16 unit so positions
// stay where the editor has them; what Windows-1252 cannot store becomes "?".
std::string fromEditor(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        const auto b = utf8ToCp1252(QString(c).toStdString());
        out.push_back(b && b->size() == 1 ? (*b)[0] : '?');
    }
    return out;
}

// An LSP position in the text as it stands (lines end at CR LF, LF or CR),
// clamped to its line.
size_t offsetIn(const std::string& text, size_t line, size_t character) {
    size_t at = 0;
    for (size_t l = 0; l < line; ++l) {
        const size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) return text.size();
        at = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    const size_t end = std::min(text.find_first_of("\r\n", at), text.size());
    return std::min(at + character, end);
}

std::string pathOfUri(const QString& uri) {
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile()) return {};
    return resolvePath(url.toLocalFile().toStdString());
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && UCase(a) == UCase(b);
}

std::string slice(const std::string& text, Span s) { return text.substr(s.begin, s.end - s.begin); }

QJsonObject position(const ScriptIndex& idx, size_t offset) {
    const auto [line, col] = idx.positionOf(offset);
    return {{"line", static_cast<qint64>(line)}, {"character", static_cast<qint64>(col)}};
}

QJsonObject range(const ScriptIndex& idx, Span s) {
    return {{"start", position(idx, s.begin)}, {"end", position(idx, s.end)}};
}

// A scene's text the way its options read: the @description with its "\n"
// markers as line breaks and its continuation lines joined.
std::string commandValue(const ScriptIndex& idx, const Command& c) {
    const std::string& t = idx.text();
    const size_t eq = t.find('=', c.nameSpan.end);
    std::string raw = eq < c.wholeSpan.end ? t.substr(eq + 1, c.wholeSpan.end - eq - 1) : "";
    if (const size_t cut = raw.find("//"); cut != std::string::npos) raw.resize(cut);
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r')
            out.push_back(' ');
        else if (raw[i] != '\n')
            out.push_back(raw[i]);
    }
    return std::string(Trim(out));
}

Span trimmedEnd(const ScriptIndex& idx, Span s) {
    const std::string& t = idx.text();
    while (s.end > s.begin && (t[s.end - 1] == '\r' || t[s.end - 1] == '\n')) --s.end;
    return s;
}

// What folder a Setup media command names, as the player builds it.
std::string mediaFolder(const Game& game, std::string_view command) {
    const std::string folder = folderOf(game.files[0].path);
    const ScriptIndex& idx = *game.files[0].index;
    const int setup = idx.findScene("Setup");
    std::string dir;
    if (setup >= 0)
        if (const Command* c = idx.scenes()[static_cast<size_t>(setup)].command(command))
            dir = slice(idx.text(), c->valueSpan);
    if (dir.empty()) return folder;
    const std::string native = cp1252ToUtf8(dir) + "\\";
    return isAbsoluteScriptPath(dir) ? native : folder + native;
}

enum class ValueKind { None, Scene, Picture, Sound, Music, Media, GameFile };

ValueKind valueKind(std::string_view command) {
    const std::string u = UCase(command);
    if ((u.size() == 6 && u.starts_with("@LINK") && u[5] >= '1' && u[5] <= '6') ||
        u == "@WINSCENE" || u == "@LOSESCENE" || u == "@FIRSTSCENE")
        return ValueKind::Scene;
    if (u == "@IMAGE" || u == "@ANIM" || u == "@LAYERANIM" || u == "@LAYERANIM2" || u == "@BKPIC")
        return ValueKind::Picture;
    if (u == "@SOUND" || u == "@MULTISOUND") return ValueKind::Sound;
    if (u == "@MUSIC") return ValueKind::Music;
    if (u == "@MEDIA") return ValueKind::Media;
    if (u == "@NEXTGFILE") return ValueKind::GameFile;
    return ValueKind::None;
}

bool hasExtension(const std::string& name, const std::vector<const char*>& exts) {
    const std::string u = UCase(name);
    for (const char* e : exts)
        if (u.ends_with(UCase(e))) return true;
    return false;
}

}  // namespace

int Game::fileOf(const std::string& path) const {
    for (size_t i = 0; i < files.size(); ++i)
        if (files[i].path == path) return static_cast<int>(i);
    return -1;
}

Server::Server(Sink sink) : m_sink(std::move(sink)) {
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) m_wake[0] = m_wake[1] = -1;
    // The core's loaders read the open buffers, from whichever thread lints.
    setFileOverlay([this](const std::string& path) -> std::optional<std::string> {
        std::shared_ptr<const std::map<std::string, std::string>> texts;
        {
            std::lock_guard lock(m_snapshotMutex);
            texts = m_snapshot;
        }
        if (!texts) return std::nullopt;
        if (auto it = texts->find(path); it != texts->end()) return it->second;
        return std::nullopt;
    });
}

Server::~Server() {
    if (m_worker.joinable()) m_worker.join();
    setFileOverlay({});
    for (int fd : m_wake)
        if (fd >= 0) ::close(fd);
}

void Server::refreshSnapshot() {
    auto texts = std::make_shared<std::map<std::string, std::string>>();
    for (const auto& [uri, d] : m_docs) (*texts)[d.path] = d.text;
    std::lock_guard lock(m_snapshotMutex);
    m_snapshot = std::move(texts);
}

// ---- messages ------------------------------------------------------------

void Server::notify(const QString& method, const QJsonValue& params) {
    m_sink(QJsonDocument(QJsonObject{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}})
               .toJson(QJsonDocument::Compact));
}

void Server::respond(const QJsonValue& id, const QJsonValue& result) {
    m_sink(QJsonDocument(QJsonObject{{"jsonrpc", "2.0"}, {"id", id}, {"result", result}})
               .toJson(QJsonDocument::Compact));
}

void Server::respondError(const QJsonValue& id, int code, const QString& message) {
    m_sink(QJsonDocument(QJsonObject{{"jsonrpc", "2.0"},
                                     {"id", id},
                                     {"error", QJsonObject{{"code", code}, {"message", message}}}})
               .toJson(QJsonDocument::Compact));
}

void Server::replyParseError(const QString& why) {
    respondError(QJsonValue::Null, kParseError, why);
}

void Server::handleMessage(const QByteArray& body) {
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &err);
    if (err.error != QJsonParseError::NoError) {
        replyParseError("not JSON: " + err.errorString());
        return;
    }
    if (!doc.isObject()) {
        respondError(QJsonValue::Null, kInvalidRequest, "a message must be a JSON object");
        return;
    }
    const QJsonObject msg = doc.object();
    const bool isRequest = msg.contains("id");
    const QJsonValue id = msg.value("id");
    if (isRequest && !id.isDouble() && !id.isString()) {
        respondError(QJsonValue::Null, kInvalidRequest, "the id must be a number or a string");
        return;
    }
    if (msg.value("jsonrpc").toString() != "2.0") {
        respondError(isRequest ? id : QJsonValue::Null, kInvalidRequest, "jsonrpc must be \"2.0\"");
        return;
    }
    if (!msg.contains("method")) {
        // A response to a request of ours; the server sends none.
        if (isRequest && (msg.contains("result") || msg.contains("error"))) return;
        respondError(isRequest ? id : QJsonValue::Null, kInvalidRequest, "no method");
        return;
    }
    if (!msg.value("method").isString()) {
        respondError(isRequest ? id : QJsonValue::Null, kInvalidRequest,
                     "the method must be a string");
        return;
    }
    const QString method = msg.value("method").toString();
    const QJsonValue params = msg.value("params");

    if (method == "exit") {
        m_exit = true;
        if (isRequest) respond(id, QJsonValue::Null);
        return;
    }
    if (m_shutdown) {
        if (isRequest) respondError(id, kInvalidRequest, "the server is shutting down");
        return;
    }
    if (!m_initialized && method != "initialize") {
        if (isRequest) respondError(id, kServerNotInitialized, "initialize comes first");
        return;
    }
    if (!isRequest) {
        const QJsonObject p = params.toObject();
        if (method == "textDocument/didOpen")
            didOpen(p);
        else if (method == "textDocument/didChange")
            didChange(p);
        else if (method == "textDocument/didClose")
            didClose(p);
        else if (method == "textDocument/didSave") {
            const std::string path =
                pathOfUri(p.value("textDocument").toObject().value("uri").toString());
            if (!path.empty()) schedule(path, std::chrono::milliseconds(0));
        }
        // Other notifications ($/cancelRequest, initialized, ...) need nothing.
        return;
    }

    bool failed = false;
    int code = 0;
    QString message;
    QJsonValue result;
    try {
        result = dispatch(method, params, failed, code, message);
    } catch (const std::exception& e) {
        failed = true;
        code = kInternalError;
        message = QString("internal error: ") + e.what();
    }
    if (failed)
        respondError(id, code, message);
    else
        respond(id, result);
}

QJsonValue Server::dispatch(const QString& method, const QJsonValue& params, bool& failed,
                            int& code, QString& message) {
    auto fail = [&](int c, const QString& m) {
        failed = true;
        code = c;
        message = m;
        return QJsonValue();
    };
    if (method == "initialize") {
        if (m_initialized) return fail(kInvalidRequest, "initialize was already sent");
        if (!params.isObject()) return fail(kInvalidParams, "initialize needs its parameters");
        m_initialized = true;
        QJsonObject caps{
            {"positionEncoding", "utf-16"},
            {"textDocumentSync", QJsonObject{{"openClose", true},
                                             {"change", 2},
                                             {"save", QJsonObject{{"includeText", false}}}}},
            {"definitionProvider", true},
            {"referencesProvider", true},
            {"renameProvider", true},
            {"hoverProvider", true},
            {"documentSymbolProvider", true},
            {"foldingRangeProvider", true},
            {"completionProvider", QJsonObject{{"triggerCharacters", QJsonArray{"@", "=", ","}}}},
            {"semanticTokensProvider",
             QJsonObject{
                 {"legend", QJsonObject{{"tokenTypes", QJsonArray::fromStringList(kTokenTypes)},
                                        {"tokenModifiers", QJsonArray{}}}},
                 {"full", true}}},
        };
        return QJsonObject{{"capabilities", caps},
                           {"serverInfo", QJsonObject{{"name", "tavi lsp"}}}};
    }
    if (method == "shutdown") {
        m_shutdown = true;
        m_pending.clear();
        return QJsonValue::Null;
    }
    if (!params.isObject()) return fail(kInvalidParams, method + " needs its parameters");
    const QJsonObject p = params.toObject();
    // Requests on a document name it; those at a place give a position.
    static const QStringList atPosition = {"textDocument/definition", "textDocument/references",
                                           "textDocument/rename", "textDocument/completion",
                                           "textDocument/hover"};
    static const QStringList onDocument = {"textDocument/documentSymbol",
                                           "textDocument/foldingRange",
                                           "textDocument/semanticTokens/full"};
    if (atPosition.contains(method) || onDocument.contains(method)) {
        if (!p.value("textDocument").toObject().value("uri").isString())
            return fail(kInvalidParams, method + " needs textDocument.uri");
        const QJsonObject pos = p.value("position").toObject();
        if (atPosition.contains(method) &&
            (!pos.value("line").isDouble() || !pos.value("character").isDouble() ||
             pos.value("line").toDouble() < 0 || pos.value("character").toDouble() < 0))
            return fail(kInvalidParams, method + " needs a position");
    }
    if (method == "textDocument/definition") return definition(p);
    if (method == "textDocument/references") return references(p);
    if (method == "textDocument/rename") {
        QJsonValue r = rename(p, code, message);
        if (code != 0) failed = true;
        return r;
    }
    if (method == "textDocument/completion") return completion(p);
    if (method == "textDocument/hover") return hover(p);
    if (method == "textDocument/documentSymbol") return documentSymbol(p);
    if (method == "textDocument/foldingRange") return foldingRange(p);
    if (method == "textDocument/semanticTokens/full") return semanticTokens(p);
    return fail(kMethodNotFound, "unknown method " + method);
}

// ---- documents -----------------------------------------------------------

bool Server::isOpen(const std::string& path) const {
    for (const auto& [uri, d] : m_docs)
        if (d.path == path) return true;
    return false;
}

void Server::didOpen(const QJsonObject& params) {
    const QJsonObject td = params.value("textDocument").toObject();
    const QString uri = td.value("uri").toString();
    const std::string path = pathOfUri(uri);
    if (path.empty() || !td.value("text").isString()) return;
    Document& d = m_docs[uri.toStdString()];
    d.path = path;
    d.version = td.value("version").toInt();
    d.text = fromEditor(td.value("text").toString());
    d.stamp = ++m_stamps;
    refreshSnapshot();
    schedule(path, std::chrono::milliseconds(0));
}

void Server::didChange(const QJsonObject& params) {
    const QJsonObject td = params.value("textDocument").toObject();
    auto it = m_docs.find(td.value("uri").toString().toStdString());
    if (it == m_docs.end()) return;
    Document& d = it->second;
    for (const QJsonValue& v : params.value("contentChanges").toArray()) {
        const QJsonObject change = v.toObject();
        if (!change.value("text").isString()) continue;
        const std::string text = fromEditor(change.value("text").toString());
        if (!change.contains("range")) {
            d.text = text;
            continue;
        }
        const QJsonObject r = change.value("range").toObject();
        auto offset = [&](const QJsonObject& pos) {
            return offsetIn(d.text, static_cast<size_t>(std::max(0, pos.value("line").toInt())),
                            static_cast<size_t>(std::max(0, pos.value("character").toInt())));
        };
        const size_t a = offset(r.value("start").toObject());
        const size_t b = std::max(a, offset(r.value("end").toObject()));
        d.text.replace(a, b - a, text);
    }
    d.version = td.value("version").toInt(d.version);
    d.stamp = ++m_stamps;
    refreshSnapshot();
    schedule(d.path, kDebounce);
}

void Server::didClose(const QJsonObject& params) {
    auto it =
        m_docs.find(params.value("textDocument").toObject().value("uri").toString().toStdString());
    if (it == m_docs.end()) return;
    const std::string path = it->second.path;
    m_docs.erase(it);
    refreshSnapshot();
    schedule(path, std::chrono::milliseconds(0));
}

std::shared_ptr<const ScriptIndex> Server::indexOf(const std::string& path) {
    std::string stamp;
    for (const auto& [uri, d] : m_docs)
        if (d.path == path) stamp = "open " + std::to_string(d.stamp);
    if (stamp.empty()) {
        std::error_code ec;
        const auto size = fs::file_size(path, ec);
        const auto time = fs::last_write_time(path, ec);
        stamp =
            "disk " + std::to_string(size) + " " + std::to_string(time.time_since_epoch().count());
    }
    Cached& c = m_cache[path];
    if (c.index && c.stamp == stamp) return c.index;
    std::string text;
    bool open = false;
    for (const auto& [uri, d] : m_docs)
        if (d.path == path) text = d.text, open = true;
    if (!open) text = readWholeFile(path).value_or(std::string());
    if (isEncipheredName(path)) text = DecipherScript(text);
    c.stamp = stamp;
    c.index = std::make_shared<const ScriptIndex>(std::move(text));
    return c.index;
}

Game Server::gameFrom(const std::string& root) {
    Game g;
    g.files.push_back({root, indexOf(root)});
    for (size_t i = 0; i < g.files.size() && g.files.size() < 64; ++i) {
        const auto index = g.files[i].index;
        for (const auto& s : index->scenes()) {
            if (s.nextGfile.empty()) continue;
            const std::string p =
                resolvePath(folderOf(g.files[i].path) + cp1252ToUtf8(s.nextGfile));
            if (g.fileOf(p) >= 0 || (!isOpen(p) && !fileExists(p))) continue;
            g.files.push_back({p, indexOf(p)});
        }
    }
    return g;
}

std::string Server::rootOf(const std::string& path) {
    const std::string game = resolvePath(folderOf(path) + "Gamefile.txt");
    if (game == path || (!isOpen(game) && !fileExists(game))) return path;
    return gameFrom(game).fileOf(path) >= 0 ? game : path;
}

Game Server::gameOf(const std::string& path) { return gameFrom(rootOf(path)); }

std::string Server::nextFileOf(const Game& game, int file, const SceneInfo& scene) const {
    if (scene.nextGfile.empty()) return {};
    return resolvePath(folderOf(game.files[static_cast<size_t>(file)].path) +
                       cp1252ToUtf8(scene.nextGfile));
}

std::vector<SceneLoc> Server::targetsOf(const Game& game, int file, int scene,
                                        const SceneRef& ref) const {
    int target = file;
    if (ref.nextFile) {
        const auto& s =
            game.files[static_cast<size_t>(file)].index->scenes()[static_cast<size_t>(scene)];
        target = game.fileOf(nextFileOf(game, file, s));
        if (target < 0) return {};
    }
    const ScriptIndex& idx = *game.files[static_cast<size_t>(target)].index;
    const int from = target == file ? scene : -1;
    std::vector<SceneLoc> out;
    if (ref.kind == RefKind::RandomPrefix) {
        for (int k = 1; k <= ref.count; ++k)
            if (const int s = idx.findScene(ref.name + std::to_string(k), from); s >= 0)
                out.push_back({target, s});
    } else if (const int s = idx.findScene(ref.name, from); s >= 0) {
        out.push_back({target, s});
    }
    return out;
}

std::optional<SceneLoc> Server::sceneUnder(const Game& game, int file, size_t offset) const {
    const ScriptIndex& idx = *game.files[static_cast<size_t>(file)].index;
    const int s = idx.sceneAt(offset);
    if (s < 0) return std::nullopt;
    const SceneInfo& scene = idx.scenes()[static_cast<size_t>(s)];
    if (scene.named && scene.nameSpan.contains(offset)) return SceneLoc{file, s};
    for (const auto& r : scene.refs) {
        if (r.kind == RefKind::RandomPrefix || !r.span.contains(offset)) continue;
        auto t = targetsOf(game, file, s, r);
        if (!t.empty()) return t.front();
    }
    return std::nullopt;
}

std::optional<Server::Where> Server::where(const QJsonObject& params) {
    const QJsonObject td = params.value("textDocument").toObject();
    const QJsonObject pos = params.value("position").toObject();
    const std::string path = pathOfUri(td.value("uri").toString());
    if (path.empty() || !pos.value("line").isDouble() || !pos.value("character").isDouble())
        return std::nullopt;
    if (!isOpen(path) && !fileExists(path)) return std::nullopt;
    Where w;
    w.path = path;
    w.game = gameOf(path);
    w.file = w.game.fileOf(path);
    const ScriptIndex& idx = *w.game.files[static_cast<size_t>(w.file)].index;
    w.offset = idx.offsetAt(static_cast<size_t>(std::max(0, pos.value("line").toInt())),
                            static_cast<size_t>(std::max(0, pos.value("character").toInt())));
    return w;
}

namespace {

QString uriFor(const std::map<std::string, std::string>& uris, const std::string& path) {
    if (auto it = uris.find(path); it != uris.end()) return QString::fromStdString(it->second);
    return QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded);
}

}  // namespace

// ---- navigation ----------------------------------------------------------

#define PARVEL_URIS                          \
    std::map<std::string, std::string> uris; \
    for (const auto& [u, d] : m_docs) uris[d.path] = u

QJsonValue Server::definition(const QJsonObject& params) {
    auto w = where(params);
    if (!w) return QJsonArray{};
    PARVEL_URIS;
    const Game& g = w->game;
    const ScriptIndex& idx = *g.files[static_cast<size_t>(w->file)].index;
    const int s = idx.sceneAt(w->offset);
    QJsonArray out;
    auto add = [&](SceneLoc t) {
        const auto& f = g.files[static_cast<size_t>(t.file)];
        out.append(QJsonObject{
            {"uri", uriFor(uris, f.path)},
            {"range", range(*f.index, f.index->scenes()[static_cast<size_t>(t.scene)].nameSpan)}});
    };
    if (s < 0) return out;
    const SceneInfo& scene = idx.scenes()[static_cast<size_t>(s)];
    if (scene.named && scene.nameSpan.contains(w->offset)) add({w->file, s});
    for (const auto& r : scene.refs)
        if (r.span.contains(w->offset))
            for (const auto& t : targetsOf(g, w->file, s, r)) add(t);
    return out;
}

QJsonValue Server::references(const QJsonObject& params) {
    auto w = where(params);
    if (!w) return QJsonArray{};
    const auto target = sceneUnder(w->game, w->file, w->offset);
    if (!target) return QJsonArray{};
    PARVEL_URIS;
    const Game& g = w->game;
    QJsonArray out;
    auto add = [&](int file, Span span) {
        const auto& f = g.files[static_cast<size_t>(file)];
        out.append(QJsonObject{{"uri", uriFor(uris, f.path)}, {"range", range(*f.index, span)}});
    };
    if (params.value("context").toObject().value("includeDeclaration").toBool(true)) {
        const auto& f = g.files[static_cast<size_t>(target->file)];
        add(target->file, f.index->scenes()[static_cast<size_t>(target->scene)].nameSpan);
    }
    for (size_t f = 0; f < g.files.size(); ++f) {
        const auto& scenes = g.files[f].index->scenes();
        for (size_t s = 0; s < scenes.size(); ++s)
            for (const auto& r : scenes[s].refs) {
                const auto t = targetsOf(g, static_cast<int>(f), static_cast<int>(s), r);
                if (std::find(t.begin(), t.end(), *target) != t.end())
                    add(static_cast<int>(f), r.span);
            }
    }
    return out;
}

QJsonValue Server::rename(const QJsonObject& params, int& code, QString& message) {
    auto fail = [&](const QString& m) {
        code = kRequestFailed;
        message = m;
        return QJsonValue();
    };
    if (!params.value("newName").isString()) {
        code = kInvalidParams;
        message = "rename needs newName";
        return QJsonValue();
    }
    auto w = where(params);
    if (!w) return fail("no such document");
    const auto target = sceneUnder(w->game, w->file, w->offset);
    if (!target) return fail("no scene name here");
    const Game& g = w->game;
    const ScriptIndex& tidx = *g.files[static_cast<size_t>(target->file)].index;
    const std::string oldName = tidx.scenes()[static_cast<size_t>(target->scene)].name;
    if (equalsNoCase(oldName, "Setup") || equalsNoCase(oldName, "Title"))
        return fail("the player finds Setup and Title by their names");
    const QString wanted = params.value("newName").toString();
    const auto bytes = utf8ToCp1252(wanted.toStdString());
    if (!bytes) return fail("the new name holds a character Windows-1252 cannot store");
    const std::string name = *bytes;
    if (name.empty() || std::string(Trim(name)) != name ||
        name.find_first_of("[]\r\n\t") != std::string::npos ||
        name.find("//") != std::string::npos || name.find(',') != std::string::npos ||
        name.find(')') != std::string::npos)
        return fail(
            "a scene name cannot be empty, start or end with a space, or hold [ ] , ) // or a line "
            "break");
    if (equalsNoCase(name, "RANDOM") || equalsNoCase(name, "Setup") || equalsNoCase(name, "Title"))
        return fail("that name means something else to the player");
    if (const int other = tidx.findScene(name); other >= 0 && other != target->scene)
        return fail("a scene of that name already exists");

    PARVEL_URIS;
    std::map<std::string, QJsonArray> edits;
    const QString newText = toEditor(name);
    auto add = [&](int file, Span span) {
        const auto& f = g.files[static_cast<size_t>(file)];
        edits[uriFor(uris, f.path).toStdString()].append(
            QJsonObject{{"range", range(*f.index, span)}, {"newText", newText}});
    };
    add(target->file, tidx.scenes()[static_cast<size_t>(target->scene)].nameSpan);
    for (size_t f = 0; f < g.files.size(); ++f) {
        const auto& scenes = g.files[f].index->scenes();
        for (size_t s = 0; s < scenes.size(); ++s)
            for (const auto& r : scenes[s].refs) {
                const auto t = targetsOf(g, static_cast<int>(f), static_cast<int>(s), r);
                if (std::find(t.begin(), t.end(), *target) == t.end()) continue;
                if (r.kind == RefKind::RandomPrefix)
                    return fail(
                        "a @randomLink prefix names this scene: rename the whole group by hand");
                add(static_cast<int>(f), r.span);
            }
    }
    QJsonObject changes;
    for (auto& [uri, list] : edits) changes.insert(QString::fromStdString(uri), list);
    return QJsonObject{{"changes", changes}};
}

// ---- completion and hover ------------------------------------------------

QJsonValue Server::completion(const QJsonObject& params) {
    auto w = where(params);
    if (!w) return QJsonArray{};
    const Game& g = w->game;
    const ScriptIndex& idx = *g.files[static_cast<size_t>(w->file)].index;
    const std::string& t = idx.text();
    const size_t line = idx.positionOf(w->offset).first;
    const size_t ls = idx.lineStart(line), le = idx.lineEnd(line);
    const std::string prefix = t.substr(ls, w->offset - ls);
    const int s = idx.sceneAt(w->offset);
    QJsonArray items;
    if (prefix.empty() || prefix[0] != '@' || s < 0) return items;
    const SceneInfo& scene = idx.scenes()[static_cast<size_t>(s)];
    auto editRange = [&](size_t from, size_t to) { return range(idx, {from, to}); };

    const size_t eq = prefix.find('=');
    if (eq == std::string::npos && prefix.find_first_of(" \t") == std::string::npos) {
        // A directive's name.
        size_t nameEnd = w->offset;
        while (nameEnd < le && t[nameEnd] != '=' && t[nameEnd] != ' ' && t[nameEnd] != '\t')
            ++nameEnd;
        const bool valueFollows = t.find('=', nameEnd) < le;
        const std::string upperScene = UCase(scene.name);
        for (const DirectiveInfo& d : directiveTable()) {
            const bool setupGroup = d.group == "Setup" || d.group == "Colours and fonts";
            const bool titleGroup = d.group == "Title";
            // Setup and Title read their own commands; other scenes the rest.
            if (setupGroup != (upperScene == "SETUP") || titleGroup != (upperScene == "TITLE"))
                continue;
            if (!UCase(d.name).starts_with(UCase(prefix))) continue;
            const QString label =
                QString::fromUtf8(d.name.data(), static_cast<qsizetype>(d.name.size()));
            items.append(QJsonObject{
                {"label", label},
                {"kind", 14},  // Keyword
                {"detail",
                 QString::fromUtf8(d.syntax.data(), static_cast<qsizetype>(d.syntax.size()))},
                {"documentation",
                 QString::fromUtf8(d.summary.data(), static_cast<qsizetype>(d.summary.size()))},
                {"textEdit", QJsonObject{{"range", editRange(ls, nameEnd)},
                                         {"newText", valueFollows ? label : label + " = "}}},
            });
        }
        return QJsonObject{{"isIncomplete", false}, {"items", items}};
    }
    if (eq == std::string::npos) return items;
    std::string command(Trim(prefix.substr(0, eq)));
    size_t from = ls + eq + 1;
    while (from < w->offset && (t[from] == ' ' || t[from] == '\t')) ++from;
    const ValueKind kind = valueKind(command);
    if (kind == ValueKind::Scene) {
        int file = w->file;
        const std::string u = UCase(command);
        if (u.starts_with("@LINK") && !scene.nextGfile.empty()) {
            const Command* go = scene.command("@linkGo" + u.substr(5));
            if (go && equalsNoCase(slice(t, go->valueSpan), "TRUE")) {
                file = g.fileOf(nextFileOf(g, w->file, scene));
                if (file < 0) return items;
            }
        }
        const ScriptIndex& target = *g.files[static_cast<size_t>(file)].index;
        std::set<std::string> seen;
        for (const auto& sc : target.scenes()) {
            if (!sc.named || sc.name.empty() || equalsNoCase(sc.name, "Setup") ||
                equalsNoCase(sc.name, "Title") || !seen.insert(UCase(sc.name)).second)
                continue;
            QJsonObject item{{"label", toEditor(sc.name)},
                             {"kind", 18},  // Reference
                             {"textEdit", QJsonObject{{"range", editRange(from, w->offset)},
                                                      {"newText", toEditor(sc.name)}}}};
            if (const Command* d = sc.command("@description"))
                item.insert("detail", toEditor(slice(target.text(), d->valueSpan).substr(0, 80)));
            items.append(item);
        }
        return QJsonObject{{"isIncomplete", false}, {"items", items}};
    }
    if (kind == ValueKind::None) return items;
    // File names: lists take one after each ",".
    if (const size_t comma = t.rfind(',', w->offset ? w->offset - 1 : 0);
        comma != std::string::npos && comma >= from && comma < w->offset) {
        from = comma + 1;
        while (from < w->offset && t[from] == ' ') ++from;
    }
    std::string folder;
    std::vector<const char*> exts;
    switch (kind) {
        case ValueKind::Picture:
            folder = UCase(command) == "@BKPIC" ? folderOf(g.files[0].path)
                                                : mediaFolder(g, "@imagedir");
            exts = {".bmp", ".clp"};
            break;
        case ValueKind::Sound:
            folder = mediaFolder(g, "@sounddir");
            exts = {".wav"};
            break;
        case ValueKind::Media:
            folder = mediaFolder(g, "@sounddir");
            exts = {".avi", ".mpg", ".mpeg"};
            break;
        case ValueKind::Music:
            folder = mediaFolder(g, "@musicdir");
            exts = {".mid", ".midi", ".rmi"};
            break;
        default:
            folder = folderOf(g.files[0].path);
            exts = {".txt", ".cgm"};
            break;
    }
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(resolvePath(folder), ec), end;
         !ec && it != end && names.size() < 2000; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (it->is_regular_file(ec) && hasExtension(name, exts)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const auto& n : names)
        items.append(
            QJsonObject{{"label", QString::fromStdString(n)},
                        {"kind", 17},  // File
                        {"textEdit", QJsonObject{{"range", editRange(from, w->offset)},
                                                 {"newText", QString::fromStdString(n)}}}});
    return QJsonObject{{"isIncomplete", false}, {"items", items}};
}

QJsonValue Server::hover(const QJsonObject& params) {
    auto w = where(params);
    if (!w) return QJsonValue::Null;
    const Game& g = w->game;
    const ScriptIndex& idx = *g.files[static_cast<size_t>(w->file)].index;
    const int s = idx.sceneAt(w->offset);
    if (s < 0) return QJsonValue::Null;
    const SceneInfo& scene = idx.scenes()[static_cast<size_t>(s)];
    auto answer = [&](const QString& markdown, Span span) {
        return QJsonObject{{"contents", QJsonObject{{"kind", "markdown"}, {"value", markdown}}},
                           {"range", range(idx, span)}};
    };
    auto scenePreview = [&](SceneLoc loc) {
        const auto& f = g.files[static_cast<size_t>(loc.file)];
        const SceneInfo& sc = f.index->scenes()[static_cast<size_t>(loc.scene)];
        QString md = "**[" + toEditor(sc.name) + "]**";
        if (loc.file != w->file) md += " in " + QString::fromStdString(fileNameOf(f.path));
        if (const Command* d = sc.command("@description")) {
            std::string text = commandValue(*f.index, *d), shown;
            int lines = 0;
            for (size_t i = 0; i < text.size() && lines < 3; ++i) {
                if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
                    shown += "\n";
                    ++lines;
                    ++i;
                } else {
                    shown += text[i];
                }
            }
            md += "\n\n" + toEditor(shown).split('\n').join("  \n");
        }
        QString options;
        for (int n = 1; n <= 6; ++n) {
            const Command* o = sc.command("@option" + std::to_string(n));
            if (!o || o->valueSpan.begin == o->valueSpan.end) continue;
            const Command* l = sc.command("@Link" + std::to_string(n));
            options +=
                "\n" + QString::number(n) + ". " + toEditor(slice(f.index->text(), o->valueSpan));
            if (l) options += " → " + toEditor(slice(f.index->text(), l->valueSpan));
        }
        if (!options.isEmpty()) md += "\n" + options;
        return md;
    };

    if (scene.named && scene.nameSpan.contains(w->offset))
        return answer(scenePreview({w->file, s}), scene.nameSpan);
    for (const auto& r : scene.refs) {
        if (!r.span.contains(w->offset)) continue;
        const auto targets = targetsOf(g, w->file, s, r);
        if (targets.empty())
            return answer("No scene **" + toEditor(r.name) + "** is defined.", r.span);
        QStringList parts;
        for (const auto& t : targets) parts << scenePreview(t);
        return answer(parts.join("\n\n---\n\n"), r.span);
    }
    for (const auto& c : scene.commands) {
        if (c.nameSpan.contains(w->offset)) {
            const DirectiveInfo* d = findDirective(c.name);
            if (!d)
                return answer("The player never reads **" + toEditor(c.name) + "**.", c.nameSpan);
            auto q = [](std::string_view v) {
                return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
            };
            QString md =
                "**" + q(d->name) + "** = `" + q(d->syntax) + "`\n\n" + q(d->summary) + ".";
            if (!d->group.empty()) md += "\n\n*" + q(d->group) + "*";
            return answer(md, c.nameSpan);
        }
        if (c.valueSpan.contains(w->offset) && valueKind(c.name) == ValueKind::Picture) {
            // The list entry under the cursor, without its "(n)" repeat count.
            const std::string& t = idx.text();
            size_t a = w->offset, b = w->offset;
            while (a > c.valueSpan.begin && t[a - 1] != ',') --a;
            while (b < c.valueSpan.end && t[b] != ',') ++b;
            std::string item = t.substr(a, b - a);
            if (const size_t paren = item.find('('); paren != std::string::npos) item.resize(paren);
            item = std::string(Trim(item));
            if (item.empty()) return QJsonValue::Null;
            const std::string folder = equalsNoCase(c.name, "@bkPic") ? folderOf(g.files[0].path)
                                                                      : mediaFolder(g, "@imagedir");
            const PictureInfo info = describePicture(folder + cp1252ToUtf8(item));
            return answer("**" + toEditor(item) + "**: " + QString::fromStdString(info.text),
                          {a, b});
        }
    }
    return QJsonValue::Null;
}

// ---- outline -------------------------------------------------------------

QJsonValue Server::documentSymbol(const QJsonObject& params) {
    const std::string path =
        pathOfUri(params.value("textDocument").toObject().value("uri").toString());
    if (path.empty() || (!isOpen(path) && !fileExists(path))) return QJsonArray{};
    const auto idx = indexOf(path);
    QJsonArray out;
    for (const auto& s : idx->scenes()) {
        const QString name = s.name.empty() ? QStringLiteral("(no name)") : toEditor(s.name);
        QJsonObject sym{{"name", name},
                        {"kind", 3},  // Namespace
                        {"range", range(*idx, trimmedEnd(*idx, s.whole))},
                        {"selectionRange", range(*idx, s.nameSpan)}};
        if (const Command* o = s.command("@option1"))
            sym.insert("detail", toEditor(slice(idx->text(), o->valueSpan)));
        out.append(sym);
    }
    return out;
}

QJsonValue Server::foldingRange(const QJsonObject& params) {
    const std::string path =
        pathOfUri(params.value("textDocument").toObject().value("uri").toString());
    if (path.empty() || (!isOpen(path) && !fileExists(path))) return QJsonArray{};
    const auto idx = indexOf(path);
    QJsonArray out;
    for (const auto& s : idx->scenes()) {
        const size_t first = idx->positionOf(s.whole.begin).first;
        const size_t last = idx->positionOf(trimmedEnd(*idx, s.whole).end).first;
        if (last > first)
            out.append(QJsonObject{{"startLine", static_cast<qint64>(first)},
                                   {"endLine", static_cast<qint64>(last)},
                                   {"kind", "region"}});
    }
    return out;
}

QJsonValue Server::semanticTokens(const QJsonObject& params) {
    const std::string path =
        pathOfUri(params.value("textDocument").toObject().value("uri").toString());
    if (path.empty() || (!isOpen(path) && !fileExists(path)))
        return QJsonObject{{"data", QJsonArray{}}};
    const auto idx = indexOf(path);
    const std::string& t = idx->text();
    struct Token {
        size_t begin, end;
        int type;
    };
    std::vector<Token> tokens;
    for (const auto& s : idx->scenes()) {
        if (s.named) tokens.push_back({s.nameSpan.begin, s.nameSpan.end, TokHeader});
        for (const auto& c : s.commands) {
            tokens.push_back({c.nameSpan.begin, c.nameSpan.end, TokDirective});
            bool hasRef = false;
            for (const auto& r : s.refs)
                if (r.span.begin >= c.valueSpan.begin && r.span.end <= c.wholeSpan.end)
                    hasRef = true;
            if (!hasRef && c.valueSpan.end > c.valueSpan.begin)
                tokens.push_back({c.valueSpan.begin, c.valueSpan.end, TokValue});
            const size_t lineEnd = idx->lineEnd(idx->positionOf(c.nameSpan.begin).first);
            if (const size_t cut = t.find("//", c.valueSpan.end); cut < lineEnd)
                tokens.push_back({cut, lineEnd, TokComment});
        }
        for (const auto& r : s.refs) tokens.push_back({r.span.begin, r.span.end, TokSceneRef});
    }
    for (size_t line = 0; line < idx->lineCount(); ++line) {
        const size_t a = idx->lineStart(line);
        if (a + 1 < t.size() && t[a] == '/' && (t[a + 1] == '/' || t[a + 1] == '@'))
            tokens.push_back({a, idx->lineEnd(line), TokComment});
    }
    std::sort(tokens.begin(), tokens.end(),
              [](const Token& a, const Token& b) { return a.begin < b.begin; });
    QJsonArray data;
    size_t lastLine = 0, lastCol = 0, covered = 0;
    for (const auto& tok : tokens) {
        if (tok.begin < covered || tok.end <= tok.begin) continue;
        const auto [line, col] = idx->positionOf(tok.begin);
        const size_t end = std::min(tok.end, idx->lineEnd(line));  // one line per token
        if (end <= tok.begin) continue;
        data.append(static_cast<qint64>(line - lastLine));
        data.append(static_cast<qint64>(line == lastLine ? col - lastCol : col));
        data.append(static_cast<qint64>(end - tok.begin));
        data.append(tok.type);
        data.append(0);
        lastLine = line;
        lastCol = col;
        covered = tok.end;
    }
    return QJsonObject{{"data", data}};
}

// ---- diagnostics ---------------------------------------------------------

void Server::schedule(const std::string& path, std::chrono::milliseconds delay) {
    const std::string root = rootOf(path);
    const auto due = Clock::now() + delay;
    auto [it, fresh] = m_pending.try_emplace(root, due);
    if (!fresh) it->second = delay.count() == 0 ? std::min(it->second, due) : due;
}

std::optional<Server::Clock::time_point> Server::nextDeadline() const {
    if (m_linting) return std::nullopt;  // the worker's wake-up comes first
    std::optional<Clock::time_point> next;
    for (const auto& [root, due] : m_pending)
        if (!next || due < *next) next = due;
    return next;
}

// Linting a large game takes a while, so it runs beside the requests: one
// game at a time, on a snapshot (immutable indexes, copied buffers).
void Server::runDue(Clock::time_point now) {
    if (m_linting) return;
    for (const auto& [root, at] : m_pending) {
        if (at > now) continue;
        const std::string r = root;
        m_pending.erase(r);
        m_linting = true;
        m_lintGame = gameFrom(r);
        m_lintRoot = r;
        m_worker = std::thread([this] {
            m_lintResult = lintFindings(m_lintGame);
            const char done = 1;
            if (m_wake[1] >= 0) [[maybe_unused]]
                auto n = ::write(m_wake[1], &done, 1);
        });
        if (m_wake[1] < 0) finishLint();
        return;
    }
}

void Server::finishLint() {
    if (!m_linting) return;
    m_worker.join();
    char drain[16];
    if (m_wake[0] >= 0)
        while (::read(m_wake[0], drain, sizeof drain) > 0) {
        }
    m_linting = false;
    if (!m_shutdown) publishDiagnostics(m_lintRoot, m_lintGame, m_lintResult);
    m_lintResult.clear();
    m_lintGame = {};
}

void Server::publishDiagnostics(const std::string& rootPath, const Game& g,
                                const std::vector<Finding>& findings) {
    PARVEL_URIS;
    std::map<std::string, QJsonArray> byUri;
    for (const auto& f : g.files) byUri[uriFor(uris, f.path).toStdString()];
    for (const Finding& finding : findings) {
        const auto& f = g.files[static_cast<size_t>(finding.file)];
        QJsonObject d{{"range", range(*f.index, finding.span)},
                      {"severity", finding.warning ? 2 : 1},
                      {"source", "tavi lint"},
                      {"message", toEditor(finding.message)}};
        if (!finding.code.empty()) d.insert("code", QString::fromStdString(finding.code));
        byUri[uriFor(uris, f.path).toStdString()].append(d);
    }
    auto& published = m_published[rootPath];
    for (const auto& uri : published)
        if (!byUri.count(uri)) byUri[uri];  // a file that left the game: clear it
    published.clear();
    for (const auto& [uri, list] : byUri) {
        QJsonObject p{{"uri", QString::fromStdString(uri)}, {"diagnostics", list}};
        if (auto it = m_docs.find(uri); it != m_docs.end()) p.insert("version", it->second.version);
        notify("textDocument/publishDiagnostics", p);
        if (!list.isEmpty()) published.insert(uri);
    }
}

}  // namespace parvel::lsp
