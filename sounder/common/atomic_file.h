// Replacing a file atomically: the new content goes to a temporary file in
// the same folder, is flushed to disk and renamed over the target, so that a
// reader sees either the old file or the whole new one, and a failed write
// leaves the old file as it was.
#ifndef SOUNDER_COMMON_ATOMIC_FILE_H
#define SOUNDER_COMMON_ATOMIC_FILE_H

#include <cstddef>
#include <string>

namespace sounder {

// Writes size bytes of data to path.  Returns true when every step (create,
// write, flush, sync, close, rename) succeeded; on any failure the temporary
// file is removed, errno tells the cause, and an existing file at path is
// untouched.  A new file gets the permissions 0666 less the umask; an
// existing file keeps its own.
bool writeFileAtomically(const char *path, const char *data, std::size_t size);

// Writes all size bytes to fd, through short writes and interruptions.
// False (errno set) on a failure, or when the file takes no more bytes.
bool writeWhole(int fd, const char *data, std::size_t size);

inline bool writeFileAtomically(const char *path, const std::string &text)
{
    return writeFileAtomically(path, text.data(), text.size());
}

} // namespace sounder

#endif
