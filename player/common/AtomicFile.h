#pragma once
// Whole-file writes that either replace the file completely or leave it as
// it was: settings and saves must survive a full disk or a crash mid-write.

#include <string>
#include <string_view>

namespace parvel {

// Writes `bytes` to a temporary file beside `file`, flushes it to the disk
// and renames it over `file`; a symlink there is replaced by the file, its
// target left alone. The one writer of the user's files. On failure
// the old file is untouched, the temporary one removed, and `why` (when
// given) says what failed.
bool writeFileAtomically(const std::string& file, std::string_view bytes, std::string* why = nullptr);

// Writes all of `bytes` to the open file `fd`, going on after interrupted or
// short writes: 0 when done, else the error (ENOSPC when nothing more fits).
int writeAll(int fd, std::string_view bytes);

}  // namespace parvel
