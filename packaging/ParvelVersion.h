#pragma once
// The version the three programs print for --version: the project version
// from CMake, followed in a git checkout by `git describe` in parentheses.

namespace parvel {
const char* versionText();
}
