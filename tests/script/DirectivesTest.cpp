// The directive table against the player's own lookups: every name the
// reader and the interpreter ask the scene table for is in the table, and
// the table holds nothing they never ask for.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

#include "Directives.h"

namespace fs = std::filesystem;
using namespace parvel;

namespace {

std::string upper(std::string s) {
    for (auto& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// The line without a trailing "//" comment (outside string literals).
std::string code(const std::string& line) {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && quoted) ++i;
        else if (line[i] == '"') quoted = !quoted;
        else if (!quoted && line.compare(i, 2, "//") == 0) return line.substr(0, i);
    }
    return line;
}

struct Lookups {
    std::map<std::string, std::string> names;     // upper-cased name -> where
    std::map<std::string, std::string> families;  // "@LINK" of "@Link" + number -> where
};

// Every directive literal in the reader's and the interpreter's sources: a
// literal "@name" is a lookup of that name, a literal followed by "+" the
// stem of a numbered family ("@option" + n).
Lookups scanSources() {
    Lookups found;
    const std::regex literal(R"re("(@[A-Za-z][A-Za-z0-9]*)"(\s*\+)?)re");
    for (const char* folder : {"player/script", "player/interp"}) {
        for (const auto& entry : fs::directory_iterator(fs::path(PARVEL_SOURCE_DIR) / folder)) {
            const auto name = entry.path().filename().string();
            if (name.starts_with("Directives.")) continue;
            if (entry.path().extension() != ".cpp" && entry.path().extension() != ".h") continue;
            std::ifstream in(entry.path());
            std::string line;
            for (int n = 1; std::getline(in, line); ++n) {
                if (line.find("\"@") == std::string::npos) continue;
                const std::string c = code(line);
                for (std::sregex_iterator m(c.begin(), c.end(), literal), end; m != end; ++m) {
                    const std::string where = std::string(folder) + "/" + name + ":" + std::to_string(n);
                    auto& into = (*m)[2].matched ? found.families : found.names;
                    into.emplace(upper((*m)[1].str()), where);
                }
            }
        }
    }
    return found;
}

// The family stem of a numbered name ("@LINK" of "@LINK3"), or "".
std::string stemOf(const std::string& upperName, const Lookups& code) {
    size_t k = upperName.size();
    while (k > 0 && std::isdigit(static_cast<unsigned char>(upperName[k - 1]))) --k;
    if (k == upperName.size()) return "";
    const std::string stem = upperName.substr(0, k);
    const int number = std::stoi(upperName.substr(k));
    return code.families.count(stem) && number >= 1 && number <= 6 ? stem : "";
}

// The directive names in roff text, with the font escapes taken out.
std::vector<std::string> namesIn(std::string text) {
    text = std::regex_replace(text, std::regex(R"(\\f[BIRP])"), "");
    const std::regex name(R"((?:^|[^A-Za-z0-9])(@[A-Za-z][A-Za-z0-9]*))");
    std::vector<std::string> names;
    for (std::sregex_iterator m(text.begin(), text.end(), name), end; m != end; ++m)
        names.push_back((*m)[1].str());
    return names;
}

struct ManPage {
    std::set<std::string> described;          // names in the heading of an item
    std::map<std::string, int> mentioned;     // every name on the page -> line
};

// tavishow(5): a directive is described when it heads a .TP/.TQ item; a
// heading "@option1 to @option6" describes the numbers between as well.
ManPage readManPage() {
    ManPage page;
    std::ifstream in(fs::path(PARVEL_SOURCE_DIR) / "data/man/tavishow.5");
    EXPECT_TRUE(in.good()) << "data/man/tavishow.5 missing";
    std::string line;
    bool heading = false;
    for (int n = 1; std::getline(in, line); ++n) {
        const std::vector<std::string> names =
            line.find('@') == std::string::npos ? std::vector<std::string>() : namesIn(line);
        for (const auto& name : names) page.mentioned.emplace(name, n);
        if (heading) {
            for (const auto& name : names) page.described.insert(name);
            if (names.size() == 2 && names[0].back() == '1' && names[1].back() == '6' &&
                names[0].substr(0, names[0].size() - 1) == names[1].substr(0, names[1].size() - 1))
                for (int k = 2; k <= 5; ++k)
                    page.described.insert(names[0].substr(0, names[0].size() - 1) + std::to_string(k));
        }
        heading = line == ".TP" || line == ".TQ";
    }
    return page;
}

}  // namespace

TEST(Directives, ManPageDescribesEveryDirectiveAndNoOther) {
    const ManPage page = readManPage();
    for (const auto& d : directiveTable())
        EXPECT_TRUE(page.described.count(std::string(d.name)))
            << d.name << " has no item of its own in tavishow(5)";
    for (const auto& [name, line] : page.mentioned)
        EXPECT_NE(findDirective(name), nullptr)
            << "tavishow.5:" << line << " names " << name << ", which the player never reads";
}

TEST(Directives, TableMatchesTheLookupsInTheCode) {
    const Lookups code = scanSources();
    // The scan itself must see the lookups, or the checks below prove nothing.
    ASSERT_TRUE(code.names.count("@ANIMSPEED"));
    ASSERT_TRUE(code.names.count("@FIRSTSCENE"));
    ASSERT_TRUE(code.families.count("@OPTION"));

    for (const auto& [name, where] : code.names)
        EXPECT_NE(findDirective(name), nullptr) << name << " is read at " << where
                                                << " but missing from the directive table";
    for (const auto& [stem, where] : code.families)
        for (int n = 1; n <= 6; ++n)
            EXPECT_NE(findDirective(stem + std::to_string(n)), nullptr)
                << stem << n << " (read at " << where << ") is missing from the directive table";

    for (const auto& d : directiveTable()) {
        const std::string name = upper(std::string(d.name));
        EXPECT_TRUE(code.names.count(name) || !stemOf(name, code).empty())
            << d.name << " is in the directive table but the player never reads it";
        EXPECT_FALSE(d.group.empty() || d.syntax.empty() || d.summary.empty()) << d.name;
    }
}

TEST(Directives, FindIgnoresCaseLikeTheReader) {
    ASSERT_NE(findDirective("@AnimSpeed"), nullptr);
    EXPECT_EQ(findDirective("@AnimSpeed")->name, "@animspeed");
    EXPECT_EQ(findDirective("@LINK6")->name, "@Link6");
    EXPECT_EQ(findDirective("@firstscene")->group, "Setup");
    EXPECT_EQ(findDirective("@link7"), nullptr);
    EXPECT_EQ(findDirective("animspeed"), nullptr);
    EXPECT_EQ(findDirective("@animspeed "), nullptr);
}
