// tavi lsp on the 700-scene game, driven in process (no pipes): the first
// diagnostics after opening, and how long a definition and a completion
// take once the game is open. Medians of repeated runs.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "BigGame.h"
#include "Server.h"

namespace {

namespace fs = std::filesystem;

struct BigGameServer {
    fs::path file;
    QString uri;
    int messages = 0;
    parvel::lsp::Server server{[this](const QByteArray&) { ++messages; }};

    BigGameServer() {
        const fs::path dir = fs::temp_directory_path() / "parvel-bench-lsp";
        fs::create_directories(dir);
        file = dir / "Gamefile.txt";
        const std::string text = makeBigGame();
        std::ofstream(file, std::ios::binary)
            .write(text.data(), static_cast<std::streamsize>(text.size()));
        uri = QUrl::fromLocalFile(QString::fromStdString(file.string())).toString();
        send("initialize", QJsonObject{{"capabilities", QJsonObject{}}}, 1);
        send("textDocument/didOpen",
             QJsonObject{
                 {"textDocument",
                  QJsonObject{{"uri", uri},
                              {"version", 1},
                              {"text", QString::fromLatin1(
                                           text.data(), static_cast<qsizetype>(text.size()))}}}});
        server.runDue(parvel::lsp::Server::Clock::now() + std::chrono::hours(1));
        server.finishLint();
    }
    void send(const QString& method, const QJsonObject& params, int id = 0) {
        QJsonObject m{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}};
        if (id) m.insert("id", id);
        server.handleMessage(QJsonDocument(m).toJson(QJsonDocument::Compact));
    }
    QJsonObject at(int line, int character) const {
        return {{"textDocument", QJsonObject{{"uri", uri}}},
                {"position", QJsonObject{{"line", line}, {"character", character}}}};
    }
};

// Line of "@link1 = ..." in the scene half way through the game.
int middleLinkLine() {
    const std::string text = makeBigGame();
    const size_t scene = text.find("[Scene350]");
    const size_t link = text.find("@link1 = ", scene);
    return static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(link), '\n'));
}

void BM_LspOpenAndDiagnose700Scenes(benchmark::State& state) {
    for (auto _ : state) {
        BigGameServer s;
        benchmark::DoNotOptimize(s.messages);
    }
}
BENCHMARK(BM_LspOpenAndDiagnose700Scenes)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

void BM_LspDefinition700Scenes(benchmark::State& state) {
    BigGameServer s;
    const QJsonObject params = s.at(middleLinkLine(), 11);
    for (auto _ : state) s.send("textDocument/definition", params, 2);
}
BENCHMARK(BM_LspDefinition700Scenes)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// A keystroke, then a definition: the edited buffer is indexed again.
void BM_LspEditThenDefinition700Scenes(benchmark::State& state) {
    BigGameServer s;
    const int line = middleLinkLine();
    const QJsonObject params = s.at(line, 11);
    int version = 1;
    for (auto _ : state) {
        const QJsonObject range{{"start", QJsonObject{{"line", line + 1}, {"character", 0}}},
                                {"end", QJsonObject{{"line", line + 1}, {"character", 0}}}};
        s.send("textDocument/didChange",
               QJsonObject{
                   {"textDocument", QJsonObject{{"uri", s.uri}, {"version", ++version}}},
                   {"contentChanges",
                    QJsonArray{QJsonObject{{"range", range}, {"text", version % 2 ? "x" : ""}}}}});
        s.send("textDocument/definition", params, 2);
    }
}
BENCHMARK(BM_LspEditThenDefinition700Scenes)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_LspCompleteSceneName700Scenes(benchmark::State& state) {
    BigGameServer s;
    const QJsonObject params = s.at(middleLinkLine(), 9);
    for (auto _ : state) s.send("textDocument/completion", params, 3);
}
BENCHMARK(BM_LspCompleteSceneName700Scenes)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_LspCompleteDirective700Scenes(benchmark::State& state) {
    BigGameServer s;
    const QJsonObject params = s.at(middleLinkLine(), 3);
    for (auto _ : state) s.send("textDocument/completion", params, 4);
}
BENCHMARK(BM_LspCompleteDirective700Scenes)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
