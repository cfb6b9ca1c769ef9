#pragma once
// The one table of tavi's commands and options: the parser, `tavi help`
// and the check of the manual page tavi(1) all read it.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"

namespace parvel::tavi {

struct OptionSpec {
    const char* name;       // "--seed"
    const char* value;      // "N"; nullptr for a flag
    const char* help;       // one line
    bool required = false;  // shown without brackets in the usage line
};

struct CommandSpec {
    const char* name;
    const char* operands;  // "GAMEFILE OUTDIR", as the usage line shows them
    int minOperands;
    int maxOperands;      // -1: any number
    bool pairs;           // operands after the first come in pairs (script text)
    const char* summary;  // one line for the command list
    const char* text;     // the paragraphs of `tavi help NAME`
    std::vector<OptionSpec> options;
    int (*run)(const Invocation&);
};

std::span<const CommandSpec> commandTable();
const CommandSpec* findCommand(std::string_view name);

// "tavi play GAMEFILE --input FILE [--seed N] [--saves DIR]"
std::string usageLine(const CommandSpec& c);
// What `tavi help NAME` prints.
std::string commandHelp(const CommandSpec& c);
// What `tavi --help` prints.
std::string generalHelp();

}  // namespace parvel::tavi
