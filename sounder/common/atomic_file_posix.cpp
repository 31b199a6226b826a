#include "common/atomic_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace sounder {
namespace {

// Permissions for a new file: 0666 less the process's umask.  umask can
// only be read by setting it, so it is set and restored at once.
mode_t newFileMode()
{
    mode_t mask = umask(022);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool writeWhole(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool writeFileAtomically(const char *path, const char *data, std::size_t size)
{
    if (!path || !*path || (!data && size > 0)) {
        errno = EINVAL;
        return false;
    }
    std::string target(path);
    // The temporary file lies beside the target so that rename stays on one
    // file system; mkstemp gives it a name nobody else can have planted.
    std::string temp = target + ".XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0)
        return false;

    struct stat st;
    mode_t mode = (::stat(path, &st) == 0) ? (st.st_mode & 07777) : newFileMode();

    bool ok = writeWhole(fd, data, size) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
    int savedErrno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && ::rename(temp.c_str(), path) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        errno = savedErrno;
    }
    return ok;
}

} // namespace sounder
