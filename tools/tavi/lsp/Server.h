#pragma once
// `tavi lsp`: a language server for game scripts (LSP 3.17, JSON-RPC).
//
// The server holds the editor's open buffers as Windows-1252 bytes and hands
// them to the core's loaders in place of the files on disk, so diagnostics
// are exactly what `tavi lint` would say of the buffers saved. A game is its
// game file and every file its scenes chain to with @nextGfile; a buffer
// belongs to the game of the "Gamefile.txt" beside it when that game chains
// to it, otherwise it is a game of its own.

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Findings.h"
#include "ScriptIndex.h"

namespace parvel::lsp {

struct GameFileRef {
    std::string path;  // resolved native path
    std::shared_ptr<const ScriptIndex> index;
};

// A game as the editor sees it now: files[0] is the game file.
struct Game {
    std::vector<GameFileRef> files;
    int fileOf(const std::string& path) const;
};

// Where a scene is: file and scene index in the game.
struct SceneLoc {
    int file = -1;
    int scene = -1;
    bool operator==(const SceneLoc&) const = default;
};

class Server {
public:
    using Clock = std::chrono::steady_clock;
    // Receives each outgoing message's JSON body.
    using Sink = std::function<void(const QByteArray&)>;

    explicit Server(Sink sink);
    ~Server();

    // One incoming message body (already unframed).
    void handleMessage(const QByteArray& body);
    // Answers a message that could not be read off the stream.
    void replyParseError(const QString& why);

    // Starts debounced work (diagnostics) that is due by `now`; it runs on a
    // thread of its own and signals wakeFd() when done.
    void runDue(Clock::time_point now = Clock::now());
    // When runDue has work next; none while a lint runs (wait for wakeFd).
    std::optional<Clock::time_point> nextDeadline() const;
    int wakeFd() const { return m_wake[0]; }
    // Waits for a running lint and publishes its diagnostics.
    void finishLint();
    bool linting() const { return m_linting; }

    bool exitRequested() const { return m_exit; }
    // 0 after shutdown then exit, 1 otherwise (as LSP asks).
    int exitCode() const { return m_shutdown ? 0 : 1; }

    // Diagnostics wait this long after the last change.
    static constexpr std::chrono::milliseconds kDebounce{250};

private:
    struct Document {
        std::string path;  // resolved
        int version = 0;
        std::string text;  // Windows-1252 bytes
        std::uint64_t stamp = 0;
    };
    struct Cached {
        std::string stamp;
        std::shared_ptr<const ScriptIndex> index;
    };

    QJsonValue dispatch(const QString& method, const QJsonValue& params, bool& failed, int& code,
                        QString& message);
    void notify(const QString& method, const QJsonValue& params);
    void respond(const QJsonValue& id, const QJsonValue& result);
    void respondError(const QJsonValue& id, int code, const QString& message);

    void didOpen(const QJsonObject& params);
    void didChange(const QJsonObject& params);
    void didClose(const QJsonObject& params);
    void schedule(const std::string& path, std::chrono::milliseconds delay);
    void publishDiagnostics(const std::string& rootPath, const Game& game,
                            const std::vector<Finding>& findings);
    void refreshSnapshot();

    QJsonValue definition(const QJsonObject& params);
    QJsonValue references(const QJsonObject& params);
    QJsonValue rename(const QJsonObject& params, int& code, QString& message);
    QJsonValue completion(const QJsonObject& params);
    QJsonValue hover(const QJsonObject& params);
    QJsonValue documentSymbol(const QJsonObject& params);
    QJsonValue foldingRange(const QJsonObject& params);
    QJsonValue semanticTokens(const QJsonObject& params);

    // Indexes, games and positions.
    std::shared_ptr<const ScriptIndex> indexOf(const std::string& path);
    std::string rootOf(const std::string& path);
    Game gameOf(const std::string& path);
    Game gameFrom(const std::string& root);
    bool isOpen(const std::string& path) const;
    std::vector<SceneLoc> targetsOf(const Game& game, int file, int scene,
                                    const SceneRef& ref) const;
    std::optional<SceneLoc> sceneUnder(const Game& game, int file, size_t offset) const;
    std::string nextFileOf(const Game& game, int file, const SceneInfo& scene) const;

    struct Where {
        std::string path;
        Game game;
        int file = -1;
        size_t offset = 0;
    };
    std::optional<Where> where(const QJsonObject& params);

    Sink m_sink;
    bool m_initialized = false;
    bool m_shutdown = false;
    bool m_exit = false;
    std::uint64_t m_stamps = 0;
    std::map<std::string, Document> m_docs;                    // by URI
    std::map<std::string, Cached> m_cache;                     // by resolved path
    std::map<std::string, Clock::time_point> m_pending;        // diagnostics due, by path
    std::map<std::string, std::set<std::string>> m_published;  // root → URIs with diagnostics

    // The open buffers as the core's loaders see them, on any thread.
    std::mutex m_snapshotMutex;
    std::shared_ptr<const std::map<std::string, std::string>> m_snapshot;
    // The lint running beside the requests.
    std::thread m_worker;
    bool m_linting = false;
    std::string m_lintRoot;
    Game m_lintGame;
    std::vector<Finding> m_lintResult;
    int m_wake[2] = {-1, -1};
};

// Reads framed messages from `inFd` and writes to `outFd` until exit or end
// of input; returns the exit status.
int runServer(int inFd, int outFd);

}  // namespace parvel::lsp
