#pragma once
// The commands of tavi, each with the parsed command line.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace parvel::tavi {

// A command line after option parsing: operands, and every option with
// its value ("" for a flag), both in the order given.
struct Invocation {
    std::vector<std::string> operands;
    // {"--seed", "3"} for an option, {"", operand} for an operand.
    std::vector<std::pair<std::string, std::string>> items;

    bool flag(std::string_view name) const;
    // The last value given for the option.
    std::optional<std::string> value(std::string_view name) const;
};

// --seed N as a whole number (default 1); prints why and returns nothing
// when N is not one.
std::optional<std::uint32_t> seedOption(const Invocation& inv);

int cmdScenes(const Invocation& inv);
int cmdGet(const Invocation& inv);
int cmdDigest(const Invocation& inv);
int cmdDecipher(const Invocation& inv);
int cmdEncipher(const Invocation& inv);
int cmdRelease(const Invocation& inv);
int cmdPlay(const Invocation& inv);
int cmdLint(const Invocation& inv);
int cmdUnused(const Invocation& inv);
int cmdMap(const Invocation& inv);
int cmdCoverage(const Invocation& inv);
int cmdLsp(const Invocation& inv);

}  // namespace parvel::tavi
