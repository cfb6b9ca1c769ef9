#pragma once
// Every directive the player reads, as authors write them: for the author
// tools (lint, completion, hover) and the reference page of the format.
//
// The reader looks a directive up by name without regard to case ("@MUSIC",
// "@Music" and "@music" are one directive), so findDirective does the same.
// Numbered families (@option1..@option6, @Link1..@Link6, @linkGo1..@linkGo6)
// are listed once per number: the reader knows no "@option7".

#include <span>
#include <string_view>

namespace parvel {

struct DirectiveInfo {
    std::string_view name;     // as written, with "@", e.g. "@animspeed"
    std::string_view group;    // e.g. "Setup", "Title", "Fights" (see directiveTable)
    std::string_view syntax;   // the value's form, e.g. "SLOW | MEDIUM | FAST | seconds | frames per second"
    std::string_view summary;  // one line
};

// All directives, grouped, in the order the reference lists them. The groups
// "Setup" and "Colours and fonts" are read only in the scene named Setup,
// "Title" only in the scene named Title; every other group in every scene
// the player plays.
std::span<const DirectiveInfo> directiveTable();

// The entry for `name` (with its "@"), compared without regard to case;
// null when the player never reads such a directive.
const DirectiveInfo* findDirective(std::string_view name);

}  // namespace parvel
