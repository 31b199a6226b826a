#include "app/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "app/paths.h"

namespace tessera {
namespace {

constexpr std::size_t kLineLimit = 256;
constexpr std::size_t kReadLimit = 4096; // two lines fit in 514 bytes; the rest is never read

// One line of the settings file starting at *pos; *pos moves past its terminator.
std::string readLine(const std::string &bytes, std::size_t *pos)
{
    std::string line;
    while (*pos < bytes.size() && line.size() < kLineLimit) {
        const char c = bytes[(*pos)++];
        if (c == '\r' || c == '\n' || c == '\0')
            break;
        line += c;
    }
    return line;
}

int leadingNumber(const std::string &text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            return -1;
    }
    return static_cast<int>(negative ? -value : value);
}

} // namespace

Settings parseSettings(const std::string &bytes)
{
    Settings settings;
    settings.present = true;
    std::size_t pos = 0;
    const int index = leadingNumber(readLine(bytes, &pos));
    settings.linkIndex = index >= 0 && index < kLinkSiteCount ? index : 0;
    settings.language = readLine(bytes, &pos);
    return settings;
}

std::string serializeSettings(int linkIndex, const std::string &language)
{
    std::string bytes = std::to_string(linkIndex) + "\n" + language;
    bytes += '\0';
    return bytes;
}

std::string settingsPath()
{
    const std::string config = configFolder();
    return config.empty() ? std::string() : config + "/Corvane/Lumenscope/tessera.ini";
}

Settings readSettingsFile(const std::string &path)
{
    Settings none;
    if (path.empty())
        return none;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return none;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return none;
    }
    std::string bytes(kReadLimit, '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, &bytes[got], bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    return parseSettings(bytes);
}

bool writeFileAtomically(const std::string &path, const std::string &content)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    std::string temp = folder + "/.tessera-XXXXXX";
    const int fd = ::mkstemp(&temp[0]);
    if (fd < 0)
        return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fchmod(fd, 0600) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

bool writeSettingsFile(const std::string &path, int linkIndex, const std::string &language)
{
    if (path.empty())
        return false;
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && !makeFolders(path.substr(0, slash)))
        return false;
    return writeFileAtomically(path, serializeSettings(linkIndex, language));
}

} // namespace tessera
