#pragma once
// Games written by the tests, played headless through the replay.

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Replay.h"
#include "TestFiles.h"

namespace fs = std::filesystem;

class GameFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("parvel-interp-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string writeGame(std::string_view script, const std::string& name = "Gamefile.txt") {
        return writeFile(name, parvel::testing::crlf(script));
    }
    std::string writeFile(const std::string& name, std::string_view data) {
        const fs::path p = dir / name;
        fs::create_directories(p.parent_path());
        std::ofstream f(p, std::ios::binary);
        f.write(data.data(), static_cast<std::streamsize>(data.size()));
        return p.string();
    }
    // A 24-bit BMP filled by `colour(x, y)` (0xRRGGBB).
    template <class F>
    std::string writeBmp(const std::string& name, int w, int h, F colour) {
        return writeFile(name, parvel::testing::bmp24(w, h, colour));
    }
    std::string solidBmp(const std::string& name, std::uint32_t rgb, int w = 200, int h = 112) {
        return writeBmp(name, w, h, [rgb](int, int) { return rgb; });
    }

    std::vector<std::string> play(const std::string& game, std::string_view input,
                                  std::uint32_t seed = 1) {
        auto steps = parvel::parseReplay(input);
        EXPECT_TRUE(steps.ok()) << (steps.ok() ? "" : steps.error().description);
        std::vector<std::string> lines;
        if (!steps.ok()) return lines;
        parvel::runReplay(game, *steps, seed, [&](std::string_view l) { lines.emplace_back(l); });
        return lines;
    }

public:
    static std::vector<std::string> only(const std::vector<std::string>& lines,
                                         std::string_view prefix) {
        std::vector<std::string> out;
        for (const auto& l : lines)
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        return out;
    }
    // The lines of the n-th snapshot block (from 0), without its blank line.
    static std::vector<std::string> snapshot(const std::vector<std::string>& lines, int n) {
        int seen = -1;
        for (size_t i = 0; i + 14 < lines.size() + 1; ++i) {
            if (lines[i].rfind("scene: ", 0) == 0 && i + 1 < lines.size() &&
                lines[i + 1].rfind("title: ", 0) == 0 && i + 2 < lines.size() &&
                lines[i + 2].rfind("text: ", 0) == 0) {
                if (++seen == n) return {lines.begin() + static_cast<long>(i),
                                         lines.begin() + static_cast<long>(i) + 15};
            }
        }
        return {};
    }
    static std::string field(const std::vector<std::string>& snap, std::string_view name) {
        for (const auto& l : snap)
            if (l.rfind(std::string(name) + ": ", 0) == 0) return l.substr(name.size() + 2);
        return "<none>";
    }
    static bool has(const std::vector<std::string>& lines, std::string_view line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

protected:
    fs::path dir;
};
