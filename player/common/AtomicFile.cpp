#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace parvel {

int writeAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : ENOSPC;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

bool writeFileAtomically(const std::string& file, std::string_view bytes, std::string* why) {
    // Written by hand rather than with QSaveFile: at a file-size limit or on a
    // full disk QSaveFile takes the short write as done and renames the cut
    // file over the old one. Here every byte must reach the disk before the
    // rename, or the old file stays as it was.
    //
    // A link in the file's place is replaced, never written through: a save
    // slot or settings file someone links elsewhere must not overwrite what
    // the link points at.
    const std::string& target = file;
    if (target.empty()) {  // "" would put the temporary file in the current folder
        if (why) *why = std::strerror(ENOENT);
        return false;
    }
    struct stat old {};
    const bool existed = ::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        if (why) *why = std::strerror(errno);
        return false;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, existed ? (old.st_mode & 07777) : (0666 & ~mask));
    int error = writeAll(fd, bytes);
    bool ok = error == 0;
    if (ok && ::fdatasync(fd) != 0) ok = false, error = errno;  // the data and its size, before the rename
    if (::close(fd) != 0 && ok) ok = false, error = errno;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false, error = errno;
    if (!ok) {
        if (why) *why = std::strerror(error ? error : EIO);
        ::unlink(temp.c_str());
    }
    return ok;
}

}  // namespace parvel
