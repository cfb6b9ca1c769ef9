// tavi: the author's command-line tool. Output is raw script bytes plus
// "\n"; errors go to stderr with exit code 1, option errors with 2.

#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"
#include "Help.h"
#include "ParvelVersion.h"
#include "TextCodec.h"

using namespace parvel::tavi;

namespace {

// Names typed in a terminal are UTF-8; scripts are Windows-1252.
std::string scriptArg(const char* arg) {
    std::string_view a(arg);
    if (parvel::isValidUtf8(a))
        if (auto b = parvel::utf8ToCp1252(a)) return *b;
    return std::string(a);
}

void print(const std::string& s) { std::fwrite(s.data(), 1, s.size(), stdout); }

// What is wrong, then where to read more. An option that is unknown or
// lacks its value exits 2 as GNU tools do; a missing or unknown command,
// like operands that do not fit, keeps the 1 that scripts written against
// tavi already expect.
int usageError(const std::string& what, const std::string& helpCommand = {}, int code = 2) {
    std::fprintf(stderr, "tavi: %s\nTry 'tavi %s' for more information.\n", what.c_str(),
                 helpCommand.empty() ? "--help" : ("help " + helpCommand).c_str());
    return code;
}

int help(const std::vector<std::string>& operands) {
    if (operands.empty()) {
        print(generalHelp());
        return 0;
    }
    if (operands.size() > 1) return usageError("help takes one command name", "help", 1);
    if (const CommandSpec* c = findCommand(operands[0])) {
        print(commandHelp(*c));
        return 0;
    }
    return usageError("unknown command '" + operands[0] + "'", {}, 1);
}

// Parses the command's options with getopt_long: options anywhere among
// the operands, "--name=value" or "--name value", "--" ends them.
int runCommand(const CommandSpec& c, int argc, char** argv) {
    std::vector<option> longOptions;
    for (const auto& o : c.options)
        longOptions.push_back({o.name + 2, o.value ? required_argument : no_argument, nullptr,
                               static_cast<int>(&o - c.options.data()) + 256});
    longOptions.push_back({"help", no_argument, nullptr, 'h'});
    longOptions.push_back({nullptr, 0, nullptr, 0});

    Invocation inv;
    opterr = 0;
    optind = 1;
    // "-" returns operands in place (code 1), whatever POSIXLY_CORRECT says;
    // ":" tells a missing value from an unknown option.
    for (;;) {
        const int previous = optind;
        const int ch = getopt_long(argc, argv, "-:h", longOptions.data(), nullptr);
        if (ch == -1) break;
        if (ch == 1) {
            inv.items.push_back({"", optarg});
        } else if (ch == 'h') {
            print(commandHelp(c));
            return 0;
        } else if (ch == ':') {
            return usageError("option '" + std::string(argv[optind - 1]) + "' requires a value",
                              c.name);
        } else if (ch == '?') {
            const std::string bad = optopt ? "-" + std::string(1, static_cast<char>(optopt))
                                           : std::string(argv[previous]);
            return usageError("unrecognized option '" + bad + "'", c.name);
        } else {
            const OptionSpec& o = c.options[static_cast<size_t>(ch - 256)];
            inv.items.push_back({o.name, o.value ? optarg : ""});
        }
    }
    for (int i = optind; i < argc; ++i) inv.items.push_back({"", argv[i]});
    for (auto& [name, value] : inv.items) {
        if (!name.empty()) continue;
        // SCENE DIRECTIVE pairs are script text.
        inv.operands.push_back(c.pairs && !inv.operands.empty() ? scriptArg(value.c_str()) : value);
        value = inv.operands.back();
    }
    for (const auto& o : c.options)
        if (o.required && !inv.value(o.name)) {
            std::fprintf(stderr, "usage: %s\n", usageLine(c).c_str());
            return 1;
        }
    if (c.run == nullptr || std::string_view(c.name) == "help") return help(inv.operands);
    const int n = static_cast<int>(inv.operands.size());
    if (n < c.minOperands || (c.maxOperands >= 0 && n > c.maxOperands) ||
        (c.pairs && (n - 1) % 2 != 0)) {
        std::fprintf(stderr, "usage: %s\n", usageLine(c).c_str());
        return 1;
    }
    return c.run(inv);
}

}  // namespace

namespace parvel::tavi {

bool Invocation::flag(std::string_view name) const {
    for (const auto& [n, v] : items)
        if (n == name) return true;
    return false;
}

std::optional<std::string> Invocation::value(std::string_view name) const {
    std::optional<std::string> last;
    for (const auto& [n, v] : items)
        if (n == name) last = v;
    return last;
}

std::optional<std::uint32_t> seedOption(const Invocation& inv) {
    const auto text = inv.value("--seed");
    if (!text) return 1;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text->c_str(), &end, 10);
    if (text->empty() || *end || (*text)[0] == '-' || v > 0xFFFFFFFFull) {
        std::fprintf(stderr, "tavi: --seed needs a whole number from 0 to 4294967295\n");
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(v);
}

}  // namespace parvel::tavi

int main(int argc, char** argv) {
    if (argc < 2) return usageError("missing command", {}, 1);
    const std::string_view first = argv[1];
    if (first == "--help" || first == "-h") {
        print(generalHelp());
        return 0;
    }
    if (first == "--version") {
        std::printf("tavi %s\n", parvel::versionText());
        return 0;
    }
    if (first.size() > 1 && first[0] == '-')
        return usageError("unrecognized option '" + std::string(first) + "'");
    const CommandSpec* c = findCommand(first);
    if (!c) return usageError("unknown command '" + std::string(first) + "'", {}, 1);
    // The command name stands where getopt expects the program's name.
    return runCommand(*c, argc - 1, argv + 1);
}
