#pragma once

#include <string_view>
#include <vector>

namespace parvel::tavi {

struct CommandHelp {
    const char* name;
    const char* summary;  // one line for the command list
    const char* text;     // the paragraphs of `tavi help NAME`
    std::vector<std::string_view> valueOptions;  // options that take a value
    std::vector<std::string_view> flagOptions = {};  // options that stand alone
};

const CommandHelp* findHelp(std::string_view name);

}  // namespace parvel::tavi
