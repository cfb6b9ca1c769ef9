// `tavi lsp` as an editor meets it: a child process spoken to over pipes
// with Content-Length framed JSON-RPC.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "TestFiles.h"

namespace fs = std::filesystem;
using parvel::testing::crlf;

namespace {

class LspClient {
public:
    LspClient() {
        ::signal(SIGPIPE, SIG_IGN);
        int in[2], out[2];
        EXPECT_EQ(::pipe(in), 0);
        EXPECT_EQ(::pipe(out), 0);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::close(in[1]);
            ::close(out[0]);
            ::execl(TAVI_EXE, "tavi", "lsp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        m_in = in[1];
        m_out = out[0];
    }
    ~LspClient() {
        if (m_in >= 0) ::close(m_in);
        if (m_pid > 0 && exitStatus() < 0) ::kill(m_pid, SIGKILL), ::waitpid(m_pid, nullptr, 0);
        ::close(m_out);
    }

    void sendRaw(const std::string& bytes) {
        for (size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(m_in, bytes.data() + done, bytes.size() - done);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }
    void send(const QJsonObject& message) {
        const QByteArray body = QJsonDocument(message).toJson(QJsonDocument::Compact);
        sendRaw("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body.toStdString());
    }
    void notify(const QString& method, const QJsonObject& params) {
        send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
    }
    QJsonObject request(const QString& method, const QJsonValue& params) {
        const int id = ++m_id;
        send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
        return replyTo(id);
    }
    QJsonObject replyTo(const QJsonValue& id) {
        while (auto m = read())
            if (m->contains("id") && !m->contains("method") && m->value("id") == id) return *m;
        ADD_FAILURE() << "no reply";
        return {};
    }
    // Every publishDiagnostics up to and including the one for `uri`.
    QJsonArray diagnosticsOf(const QString& uri) {
        while (auto m = read())
            if (m->value("method") == "textDocument/publishDiagnostics") {
                const QJsonObject p = m->value("params").toObject();
                if (p.value("uri").toString() == uri) return p.value("diagnostics").toArray();
            }
        ADD_FAILURE() << "no diagnostics for " << uri.toStdString();
        return {};
    }

    std::optional<QJsonObject> read(int timeoutMs = 20000) {
        for (;;) {
            const size_t end = m_buffer.find("\r\n\r\n");
            if (end != std::string::npos) {
                const size_t colon = m_buffer.find(':');
                const size_t length = std::stoul(m_buffer.substr(colon + 1, end - colon - 1));
                if (m_buffer.size() >= end + 4 + length) {
                    const auto doc = QJsonDocument::fromJson(
                        QByteArray::fromStdString(m_buffer.substr(end + 4, length)));
                    m_buffer.erase(0, end + 4 + length);
                    return doc.object();
                }
            }
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0) return std::nullopt;
            char chunk[65536];
            const ssize_t n = ::read(m_out, chunk, sizeof chunk);
            if (n <= 0) return std::nullopt;
            m_buffer.append(chunk, static_cast<size_t>(n));
        }
    }
    // Closes the server's input and waits (up to 10 s) for it to end.
    int closeAndWait() {
        ::close(m_in);
        m_in = -1;
        for (int i = 0; i < 1000; ++i) {
            if (const int s = exitStatus(); s >= 0) return s;
            ::usleep(10000);
        }
        return -1;
    }
    int exitStatus() {
        if (m_status >= 0) return m_status;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) != m_pid) return -1;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return m_status;
    }

    void initialize() {
        const QJsonObject r = request("initialize", QJsonObject{{"processId", QJsonValue::Null},
                                                                {"capabilities", QJsonObject{}}});
        ASSERT_TRUE(r.value("result").toObject().contains("capabilities"));
        notify("initialized", {});
    }
    void open(const fs::path& file) {
        std::ifstream f(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(f)), {});
        notify("textDocument/didOpen",
               {{"textDocument",
                 QJsonObject{{"uri", uri(file)},
                             {"languageId", "tavishow"},
                             {"version", 1},
                             {"text", QString::fromLatin1(
                                          bytes.data(), static_cast<qsizetype>(bytes.size()))}}}});
    }
    static QString uri(const fs::path& file) {
        return QUrl::fromLocalFile(QString::fromStdString(file.string())).toString();
    }

private:
    pid_t m_pid = -1;
    int m_in = -1, m_out = -1;
    int m_id = 0;
    int m_status = -1;
    std::string m_buffer;
};

QJsonObject pos(int line, int character) { return {{"line", line}, {"character", character}}; }

QJsonObject at(const fs::path& file, int line, int character) {
    return {{"textDocument", QJsonObject{{"uri", LspClient::uri(file)}}},
            {"position", pos(line, character)}};
}

// "file:line:char-line:char" for a location or a range.
std::string where(const QJsonObject& range, const QString& uri = {}) {
    const QJsonObject s = range.value("start").toObject(), e = range.value("end").toObject();
    std::string out =
        uri.isEmpty() ? ""
                      : fs::path(QUrl(uri).toLocalFile().toStdString()).filename().string() + ":";
    return out + std::to_string(s.value("line").toInt()) + ":" +
           std::to_string(s.value("character").toInt()) + "-" +
           std::to_string(e.value("line").toInt()) + ":" +
           std::to_string(e.value("character").toInt());
}

std::vector<std::string> locations(const QJsonObject& reply) {
    std::vector<std::string> out;
    for (const QJsonValue& v : reply.value("result").toArray())
        out.push_back(
            where(v.toObject().value("range").toObject(), v.toObject().value("uri").toString()));
    std::sort(out.begin(), out.end());
    return out;
}

void write(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string readFile(const fs::path& file) {
    std::ifstream f(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), {});
}

std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

// A game of two files with two mistakes planted in the first.
class TwoFileGame : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("parvel-lsp-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        game = dir / "Gamefile.txt";
        part2 = dir / "Part2.txt";
        write(game,
              crlf("[Setup]\n@firstscene = Start\n@imagedir = pics\n\n"
                   "[Title]\n@name = Two Files\n\n"
                   "[Start]\n@description = The start.\\nA second line.\n@image = room.bmp\n"
                   "@option1 = Walk on\n@Link1 = Hall\n@option2 = Fall down\n@Link2 = Nowhere\n"
                   "@option3 = Roll the dice\n@Link3 = RANDOM\n@randomLink = (Room)2\n\n"
                   "[Hall]\n@image = missing.bmp\n@winscene = Room1\n@losescene = Room2\n"
                   "@nextGfile = Part2.txt\n@option1 = Through the door\n@Link1 = Yard\n"
                   "@linkGo1 = TRUE\n@option2 = Back\n@Link2 = Start\n\n"
                   "[Room1]\n@option1 = Back\n@Link1 = Start\n\n"
                   "[Room2]\n@option1 = Back\n@Link1 = Start\n"));
        write(part2, crlf("[Yard]\n@description = A yard behind the hall.\n@X = 10\n"
                          "@hotspots = 1(\"Gate\",M,Y,Lane)\n@option1 = Stay\n@Link1 = Yard\n\n"
                          "[Lane]\n@option1 = Back to the yard\n@Link1 = Yard\n\n"
                          "[Orphan]\n@option1 = Lane\n@Link1 = Lane\n"));
        write(dir / "pics" / "room.bmp",
              parvel::testing::bmp24(4, 3, [](int, int) { return 0x336699u; }));
        client.initialize();
        client.open(game);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir, game, part2;
    LspClient client;
};

TEST_F(TwoFileGame, DiagnosticsPlaceLintFindingsInBothFiles) {
    auto list = [](const QJsonArray& a) {
        std::vector<std::string> out;
        for (const QJsonValue& v : a) {
            const QJsonObject d = v.toObject();
            out.push_back(where(d.value("range").toObject()) + " " +
                          std::to_string(d.value("severity").toInt()) + " " +
                          d.value("code").toString().toStdString() + " " +
                          d.value("message").toString().toStdString());
        }
        std::sort(out.begin(), out.end());
        return out;
    };
    EXPECT_EQ(list(client.diagnosticsOf(LspClient::uri(game))),
              (std::vector<std::string>{"13:9-13:16 1 undefined-scene @Link2 names undefined scene 'Nowhere'",
                                        "19:9-19:20 1 missing-file @image file not found: missing.bmp"}));
    EXPECT_EQ(list(client.diagnosticsOf(LspClient::uri(part2))),
              (std::vector<std::string>{
                  "0:1-0:5 2 story-trap once here the story never leaves Yard (Part2.txt), Lane (Part2.txt)",
                  "11:1-11:7 2 unreachable-scene no path from the first scene leads here"}));

    // Mending the link in the buffer (not on disk) clears its finding after the pause.
    client.notify(
        "textDocument/didChange",
        {{"textDocument", QJsonObject{{"uri", LspClient::uri(game)}, {"version", 2}}},
         {"contentChanges", QJsonArray{QJsonObject{
                                {"range", QJsonObject{{"start", pos(13, 9)}, {"end", pos(13, 16)}}},
                                {"text", "Room1"}}}}});
    EXPECT_EQ(list(client.diagnosticsOf(LspClient::uri(game))),
              (std::vector<std::string>{"19:9-19:20 1 missing-file @image file not found: missing.bmp"}));
}

TEST_F(TwoFileGame, DefinitionAndReferencesFollowEveryKindOfLink) {
    const QString g = LspClient::uri(game);
    auto def = [&](const fs::path& f, int line, int ch) {
        return locations(client.request("textDocument/definition", at(f, line, ch)));
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(def(game, 11, 10), V{"Gamefile.txt:18:1-18:5"});  // @Link1 = Hall
    EXPECT_EQ(def(game, 24, 9), V{"Part2.txt:0:1-0:5"});        // @linkGo1 into Part2
    EXPECT_EQ(def(game, 1, 16), V{"Gamefile.txt:7:1-7:6"});     // @firstscene
    EXPECT_EQ(def(game, 16, 15),
              (V{"Gamefile.txt:29:1-29:6", "Gamefile.txt:33:1-33:6"}));  // (Room)2
    EXPECT_EQ(def(game, 20, 12), V{"Gamefile.txt:29:1-29:6"});           // @winscene
    EXPECT_EQ(def(game, 21, 13), V{"Gamefile.txt:33:1-33:6"});           // @losescene
    EXPECT_EQ(def(part2, 3, 26), V{"Part2.txt:7:1-7:5"});                // hot-spot target
    EXPECT_EQ(def(game, 13, 10), V{});                                   // undefined

    auto refs = [&](const fs::path& f, int line, int ch) {
        QJsonObject p = at(f, line, ch);
        p.insert("context", QJsonObject{{"includeDeclaration", true}});
        return locations(client.request("textDocument/references", p));
    };
    EXPECT_EQ(refs(game, 7, 2),
              (V{"Gamefile.txt:1:14-1:19", "Gamefile.txt:27:9-27:14", "Gamefile.txt:31:9-31:14",
                 "Gamefile.txt:35:9-35:14", "Gamefile.txt:7:1-7:6"}));
    EXPECT_EQ(refs(game, 29, 1), (V{"Gamefile.txt:16:15-16:19", "Gamefile.txt:20:12-20:17",
                                    "Gamefile.txt:29:1-29:6"}));
    EXPECT_EQ(refs(part2, 5, 9), (V{"Gamefile.txt:24:9-24:13", "Part2.txt:0:1-0:5",
                                    "Part2.txt:5:9-5:13", "Part2.txt:9:9-9:13"}));
    (void)g;
}

TEST_F(TwoFileGame, CompletionHoverAndOutline) {
    // Scene names after a link, picture names after @image.
    auto labelsAt = [&](int line, int ch) {
        std::vector<std::string> out;
        for (const QJsonValue& v : client.request("textDocument/completion", at(game, line, ch))
                                       .value("result")
                                       .toObject()
                                       .value("items")
                                       .toArray())
            out.push_back(v.toObject().value("label").toString().toStdString());
        return out;
    };
    EXPECT_EQ(labelsAt(11, 9), (std::vector<std::string>{"Start", "Hall", "Room1", "Room2"}));
    EXPECT_EQ(labelsAt(24, 9), (std::vector<std::string>{"Yard", "Lane", "Orphan"}));
    EXPECT_EQ(labelsAt(9, 9), (std::vector<std::string>{"room.bmp"}));

    auto hover = [&](int line, int ch) {
        return client.request("textDocument/hover", at(game, line, ch))
            .value("result")
            .toObject()
            .value("contents")
            .toObject()
            .value("value")
            .toString()
            .toStdString();
    };
    EXPECT_EQ(hover(27, 10),
              "**[Start]**\n\nThe start.  \nA second line.\n\n"
              "1. Walk on → Hall\n2. Fall down → Nowhere\n3. Roll the dice → RANDOM");
    EXPECT_EQ(
        hover(9, 2),
        "**@image** = `picture file`\n\nstill background picture.\n\n*Pictures, layers and fades*");
    EXPECT_EQ(hover(9, 11), "**room.bmp**: 4 × 3 pixels, 24-bit; the player shows it");
    EXPECT_EQ(hover(19, 11), "**missing.bmp**: file not found");

    std::vector<std::string> symbols;
    for (const QJsonValue& v :
         client
             .request("textDocument/documentSymbol",
                      QJsonObject{{"textDocument", QJsonObject{{"uri", LspClient::uri(game)}}}})
             .value("result")
             .toArray())
        symbols.push_back(v.toObject().value("name").toString().toStdString() + "@" +
                          where(v.toObject().value("selectionRange").toObject()));
    EXPECT_EQ(symbols,
              (std::vector<std::string>{"Setup@0:1-0:6", "Title@4:1-4:6", "Start@7:1-7:6",
                                        "Hall@18:1-18:5", "Room1@29:1-29:6", "Room2@33:1-33:6"}));

    // A new line "@ani" at the end of Start.
    client.notify(
        "textDocument/didChange",
        {{"textDocument", QJsonObject{{"uri", LspClient::uri(game)}, {"version", 2}}},
         {"contentChanges",
          QJsonArray{QJsonObject{{"range", QJsonObject{{"start", pos(17, 0)}, {"end", pos(17, 0)}}},
                                 {"text", "@ani\r\n"}}}}});
    const QJsonObject c = client.request("textDocument/completion", at(game, 17, 4));
    std::vector<std::string> labels;
    for (const QJsonValue& v : c.value("result").toObject().value("items").toArray()) {
        labels.push_back(v.toObject().value("label").toString().toStdString());
        const QJsonObject edit = v.toObject().value("textEdit").toObject();
        EXPECT_EQ(where(edit.value("range").toObject()), "17:0-17:4");
        EXPECT_FALSE(v.toObject().value("documentation").toString().isEmpty());
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"@anim", "@animspeed", "@animLoop"}));
}

TEST_F(TwoFileGame, RenameRefusesWhatWouldChangeTheGame) {
    auto rename = [&](int line, int ch, const QString& name) {
        QJsonObject p = at(game, line, ch);
        p.insert("newName", name);
        return client.request("textDocument/rename", p);
    };
    EXPECT_EQ(rename(29, 2, "Den").value("error").toObject().value("code").toInt(),
              -32803);  // a random-link prefix names it
    EXPECT_EQ(rename(18, 2, "Room2").value("error").toObject().value("code").toInt(),
              -32803);  // taken
    EXPECT_EQ(rename(18, 2, "a]b").value("error").toObject().value("code").toInt(), -32803);
    EXPECT_EQ(rename(0, 2, "Start2").value("error").toObject().value("code").toInt(),
              -32803);  // Setup
    const QJsonObject ok =
        rename(11, 10, "Great Hall").value("result").toObject().value("changes").toObject();
    std::vector<std::string> edits;
    for (const QJsonValue& v : ok.value(LspClient::uri(game)).toArray())
        edits.push_back(where(v.toObject().value("range").toObject()) + " " +
                        v.toObject().value("newText").toString().toStdString());
    std::sort(edits.begin(), edits.end());
    EXPECT_EQ(edits, (std::vector<std::string>{"11:9-11:13 Great Hall", "18:1-18:5 Great Hall"}));
}

// Applies a WorkspaceEdit's text edits to the files on disk.
void applyEdit(const QJsonObject& changes) {
    for (const QString& uri : changes.keys()) {
        const fs::path file = QUrl(uri).toLocalFile().toStdString();
        std::string text = readFile(file);
        std::vector<size_t> starts{0};
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n') starts.push_back(i + 1);
        std::vector<std::pair<size_t, std::pair<size_t, std::string>>> edits;
        for (const QJsonValue& v : changes.value(uri).toArray()) {
            const QJsonObject r = v.toObject().value("range").toObject();
            auto offset = [&](const QJsonObject& p) {
                return starts[static_cast<size_t>(p.value("line").toInt())] +
                       static_cast<size_t>(p.value("character").toInt());
            };
            const size_t a = offset(r.value("start").toObject()),
                         b = offset(r.value("end").toObject());
            edits.push_back({a, {b - a, v.toObject().value("newText").toString().toStdString()}});
        }
        std::sort(edits.rbegin(), edits.rend());
        for (const auto& [a, e] : edits) text.replace(a, e.first, e.second);
        write(file, text);
    }
}

TEST(LspDemo, RenameAcrossFilesKeepsTheGamePlayingTheSame) {
    const fs::path dir =
        fs::temp_directory_path() / ("parvel-lsp-demo-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::copy(PARVEL_SOURCE_DIR "/games/demo", dir, fs::copy_options::recursive);
    const std::string tavi = std::string("'") + TAVI_EXE + "' ";
    const std::string play = tavi + "play '" + (dir / "Gamefile.txt").string() + "' --input '" +
                             (dir / "walkthrough.txt").string() + "' --seed 1";
    const std::string before = run(play);
    ASSERT_NE(before.find("scene: Courtyard\n"), std::string::npos);
    {
        LspClient client;
        client.initialize();
        client.open(dir / "Gamefile.txt");
        // @Link1 = Courtyard in the Gate scene leads into Gatehouse.txt.
        const std::string text = readFile(dir / "Gamefile.txt");
        const size_t gate = text.find("[Gate]");
        const size_t link = text.find("@Link1 = Courtyard", gate);
        const int line = static_cast<int>(
            std::count(text.begin(), text.begin() + static_cast<long>(link), '\n'));
        QJsonObject p = at(dir / "Gamefile.txt", line, 10);
        p.insert("newName", "Inner Yard");
        const QJsonObject changes = client.request("textDocument/rename", p)
                                        .value("result")
                                        .toObject()
                                        .value("changes")
                                        .toObject();
        EXPECT_EQ(changes.keys().size(), 2);  // both files name it
        applyEdit(changes);
    }
    EXPECT_EQ(run(tavi + "lint '" + (dir / "Gamefile.txt").string() + "'; echo status $?"),
              "status 0\n");
    std::string expected = before;
    for (size_t at; (at = expected.find("scene: Courtyard\n")) != std::string::npos;)
        expected.replace(at, 16, "scene: Inner Yard");
    EXPECT_EQ(run(play), expected);
    fs::remove_all(dir);
}

TEST(LspProtocol, BadInputGetsErrorsAndTheServerStaysUp) {
    LspClient client;
    auto errorCode = [](const QJsonObject& m) {
        return m.value("error").toObject().value("code").toInt();
    };
    // Before initialize.
    EXPECT_EQ(errorCode(client.request("textDocument/hover", QJsonObject{})), -32002);
    client.initialize();
    EXPECT_EQ(errorCode(client.request("initialize", QJsonObject{})), -32600);
    // Not JSON, not an object, no method, a bad id, no header.
    client.sendRaw("Content-Length: 9\r\n\r\n{garbage}");
    EXPECT_EQ(errorCode(*client.read()), -32700);
    client.sendRaw("Content-Length: 2\r\n\r\n[]");
    EXPECT_EQ(errorCode(*client.read()), -32600);
    client.send({{"jsonrpc", "2.0"}, {"id", 7}});
    EXPECT_EQ(errorCode(client.replyTo(7)), -32600);
    client.send({{"jsonrpc", "2.0"}, {"id", QJsonObject{}}, {"method", "shutdown"}});
    EXPECT_EQ(errorCode(*client.read()), -32600);
    client.sendRaw("Content-Type: nothing\r\n\r\n");
    EXPECT_EQ(errorCode(*client.read()), -32700);
    // Unknown methods, missing or wrong parameters, unknown files.
    EXPECT_EQ(errorCode(client.request("textDocument/frobnicate", QJsonObject{})), -32601);
    EXPECT_EQ(errorCode(client.request("textDocument/definition", QJsonValue(3))), -32602);
    EXPECT_EQ(errorCode(client.request("textDocument/rename", QJsonObject{})), -32602);
    EXPECT_EQ(
        errorCode(client.request("textDocument/definition", QJsonObject{{"textDocument", 5}})),
        -32602);
    EXPECT_EQ(errorCode(client.request("textDocument/hover", at("/x.txt", -1, 0))), -32602);
    EXPECT_EQ(
        client.request("textDocument/hover", at("/nonexistent/x.txt", 99, 99)).value("result"),
        QJsonValue::Null);
    // A change to a document never opened, a position past the end.
    client.notify("textDocument/didChange",
                  {{"textDocument", QJsonObject{{"uri", "file:///nope"}}}});
    // Still answering; then shutdown and exit end it with status 0.
    EXPECT_TRUE(client.request("shutdown", QJsonValue::Null).contains("result"));
    EXPECT_EQ(errorCode(client.request("textDocument/hover", QJsonObject{})), -32600);
    client.notify("exit", {});
    EXPECT_EQ(client.closeAndWait(), 0);
}

TEST(LspProtocol, EndOfInputEndsTheServer) {
    LspClient client;
    client.initialize();
    EXPECT_EQ(client.closeAndWait(), 1);  // no shutdown first
}

}  // namespace
