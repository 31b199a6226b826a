/* Whole-file loading, the debug log on the desktop, the text of the last
 * system error and the system name, on POSIX systems. */
#include "keel_internal.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

/* Files that do not say their size (pipes, /proc, devices) are read in
 * pieces starting at this size and doubling up to the read limit. */
constexpr size_t kFirstPiece = 65536;
constexpr size_t kReadLimit = static_cast<size_t>(SYS_FILE_READ_LIMIT);

bool isDirectory(const std::string &path)
{
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string homeDirectory()
{
    const char *home = getenv("HOME");
    if (home && *home)
        return home;
    struct passwd pw;
    struct passwd *result = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &pw, buffer, sizeof buffer, &result) == 0 && result && result->pw_dir)
        return result->pw_dir;
    return std::string();
}

/* XDG_DESKTOP_DIR of user-dirs.dirs: a line XDG_DESKTOP_DIR="$HOME/Desktop"
 * or with an absolute path; "$HOME" is the only variable it may use. */
std::string desktopFromUserDirs(const std::string &home)
{
    std::string configHome;
    const char *xdg = getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg)
        configHome = xdg;
    else if (!home.empty())
        configHome = home + "/.config";
    else
        return std::string();

    FILE *f = fopen((configHome + "/user-dirs.dirs").c_str(), "r");
    if (!f)
        return std::string();
    std::string result;
    char line[4096];
    while (fgets(line, sizeof line, f)) {
        const char *p = line;
        while (*p == ' ' || *p == '\t')
            ++p;
        static const char key[] = "XDG_DESKTOP_DIR=";
        if (strncmp(p, key, sizeof key - 1) != 0)
            continue;
        p += sizeof key - 1;
        if (*p != '"')
            continue;
        ++p;
        const char *end = strchr(p, '"');
        if (!end)
            continue;
        std::string value(p, static_cast<size_t>(end - p));
        if (value.compare(0, 5, "$HOME") == 0) {
            if (home.empty())
                continue;
            value = home + value.substr(5);
        } else if (value.empty() || value[0] != '/') {
            continue;
        }
        result = value;
    }
    fclose(f);
    return result;
}

/* PRETTY_NAME of os-release, its quotes removed; empty when unknown. */
std::string prettyOsName()
{
    const char *files[] = {"/etc/os-release", "/usr/lib/os-release"};
    for (const char *file : files) {
        FILE *f = fopen(file, "r");
        if (!f)
            continue;
        std::string result;
        char line[1024];
        while (fgets(line, sizeof line, f)) {
            static const char key[] = "PRETTY_NAME=";
            if (strncmp(line, key, sizeof key - 1) != 0)
                continue;
            std::string value = line + sizeof key - 1;
            while (!value.empty() && (value.back() == '\n' || value.back() == '\r'))
                value.pop_back();
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            /* Shell escapes inside the quotes: \" \\ \$ \` stand for the
             * character itself. */
            std::string plain;
            for (size_t i = 0; i < value.size(); ++i) {
                if (value[i] == '\\' && i + 1 < value.size())
                    ++i;
                plain += value[i];
            }
            result = plain;
        }
        fclose(f);
        if (!result.empty())
            return result;
    }
    return std::string();
}

std::string debugLogPath()
{
    std::string folder = keel::desktopDirectory();
    if (folder.empty())
        return std::string();
    return folder + "/debug.log";
}

/* Appends text (which ends in CR LF already) to the debug log; a log that
 * cannot be opened is silently skipped. */
void appendToLog(const char *text, size_t length)
{
    std::string path = debugLogPath();
    if (path.empty())
        return;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    while (length > 0) {
        ssize_t n = write(fd, text, length);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        text += n;
        length -= static_cast<size_t>(n);
    }
    close(fd);
}

/* Formats one log line into buffer (capacity size), cut so that CR LF always
 * fits, and returns its length with the line end. */
size_t formatLine(char *buffer, size_t size, const char *fmt, va_list args)
{
    buffer[0] = '\0';
    if (fmt)
        vsnprintf(buffer, size - 2, fmt, args);
    size_t len = strlen(buffer);
    buffer[len] = '\r';
    buffer[len + 1] = '\n';
    buffer[len + 2] = '\0';
    return len + 2;
}

} // namespace

namespace keel {

std::string desktopDirectory()
{
    std::string home = homeDirectory();
    std::string desktop = desktopFromUserDirs(home);
    if (!desktop.empty() && isDirectory(desktop))
        return desktop;
    if (!home.empty() && isDirectory(home + "/Desktop"))
        return home + "/Desktop";
    return home;
}

} // namespace keel

extern "C" {

KEEL_API int sysFileReadToBuffer(const char *path, char **buffer, sysSize *size)
{
    if (buffer)
        *buffer = nullptr;
    if (size)
        *size = 0;
    if (!path || !buffer)
        return -1;

    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        return -1;
    }

    /* A regular file is read at the size it has now, with one byte of room
     * more to notice a file that grew meanwhile; anything else (pipes,
     * /proc, devices) is read in growing pieces until its end.  Either way
     * no more than the limit plus one byte is ever held: that byte tells a
     * file of exactly the limit from a longer one. */
    if (S_ISREG(st.st_mode) && static_cast<unsigned long long>(st.st_size) > kReadLimit) {
        close(fd);
        errno = EFBIG;
        return -1;
    }
    size_t capacity = S_ISREG(st.st_mode) ? static_cast<size_t>(st.st_size) + 1 : kFirstPiece;
    char *data = static_cast<char *>(calloc(1, capacity + 1));
    if (!data) {
        close(fd);
        return -1;
    }
    size_t used = 0;
    for (;;) {
        if (used == capacity) {
            if (capacity > kReadLimit) {
                free(data);
                close(fd);
                errno = EFBIG;
                return -1;
            }
            const size_t grown = capacity < kReadLimit / 2 ? capacity * 2 : kReadLimit + 1;
            char *bigger = static_cast<char *>(realloc(data, grown + 1));
            if (!bigger) {
                free(data);
                close(fd);
                return -1;
            }
            data = bigger;
            memset(data + capacity, 0, grown + 1 - capacity);
            capacity = grown;
        }
        ssize_t n = read(fd, data + used, capacity - used);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int saved = errno;
            free(data);
            close(fd);
            errno = saved;
            return -1;
        }
        used += static_cast<size_t>(n);
    }
    if (used > kReadLimit) {
        free(data);
        close(fd);
        errno = EFBIG;
        return -1;
    }
    close(fd);
    data[used] = '\0';
    *buffer = data;
    if (size)
        *size = used;
    return 0;
}

KEEL_API const char *sysDebugGetWinError(void)
{
    /* One text per thread, kept until that thread asks again. */
    thread_local char text[512];
    int code = errno;
    char scratch[448];
    const char *message = strerror_r(code, scratch, sizeof scratch);
    if (!message || strncmp(message, "Unknown error", 13) == 0)
        text[0] = '\0';
    else
        snprintf(text, sizeof text, "%s\n", message);
    errno = code;
    return text;
}

KEEL_API void sysDebugPrint(const char *fmt, ...)
{
    int saved = errno;
    char line[4096];
    va_list args;
    va_start(args, fmt);
    size_t length = formatLine(line, sizeof line, fmt, args);
    va_end(args);
    appendToLog(line, length);
    errno = saved;
}

KEEL_API int sysDebugMessage(void *owner, const char *fmt, ...)
{
    (void)owner;
    int saved = errno;
    static thread_local char line[8192];
    va_list args;
    va_start(args, fmt);
    size_t length = formatLine(line, sizeof line, fmt, args);
    va_end(args);
    appendToLog(line, length);
    /* Standard error stands in for the message box: one line per message. */
    fprintf(stderr, "ERROR: %.*s\n", static_cast<int>(length - 2), line);
    errno = saved;
    return 1; /* the box's OK button */
}

KEEL_API int sysWin32GetSystemName(char *name, sysSize size, uint32_t *level, int32_t *platform)
{
    struct utsname u;
    if (uname(&u) != 0)
        return 0;
    std::string os = prettyOsName();
    if (name && size > 0)
        sysSnPrintf(name, size, "Linux %s (%s) %s", u.release, os.empty() ? "unknown" : os.c_str(),
                    u.machine);
    if (level)
        *level = 0;
    if (platform)
        *platform = -1;
    return 1;
}

} // extern "C"
