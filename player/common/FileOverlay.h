#pragma once
// Text that stands in for a file's contents in readWholeFile, keyed by the
// resolved path: an editor's unsaved buffers, so the author tools see what
// the author is typing. An empty optional means the file on disk.

#include <functional>
#include <optional>
#include <string>

namespace parvel {

using FileOverlay = std::function<std::optional<std::string>(const std::string& resolvedPath)>;
void setFileOverlay(FileOverlay overlay);

}  // namespace parvel
