/* Reading the database out of the downloaded zip archive (minizip, 64-bit
 * calls) and checking that the text is a whole database document. */
#include <minizip/unzip.h>

#include <cstring>

#include "online.h"

namespace tessera {
namespace online {

int readDatabaseArchive(const std::string &zipPath, std::string &text)
{
    text.clear();
    unzFile zip = unzOpen64(zipPath.c_str());
    if (!zip)
        return -1;
    int result = -1;
    unz_file_info64 info;
    std::memset(&info, 0, sizeof info);
    /* 2: the entry name compares without regard to case. */
    if (unzLocateFile(zip, "extensions.xml", 2) == UNZ_OK &&
        unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK) {
        /* Everything that can be refused is refused before memory is
         * taken: encryption (flag bit 0), unknown methods, a size of 0 or
         * one beyond the cap (a patched or hostile header). */
        const bool encrypted = (info.flag & 1u) != 0;
        const bool method = info.compression_method == 0 || info.compression_method == Z_DEFLATED;
        const unsigned long long size = info.uncompressed_size;
        if (!encrypted && method && size > 0 && size <= kEntryCap &&
            unzOpenCurrentFile(zip) == UNZ_OK) {
            std::string buffer(static_cast<size_t>(size), '\0');
            unsigned long long got = 0;
            bool readFailed = false;
            while (got < size) {
                const unsigned chunk =
                    static_cast<unsigned>(size - got < (1u << 20) ? size - got : (1u << 20));
                const int n = unzReadCurrentFile(zip, &buffer[static_cast<size_t>(got)], chunk);
                if (n <= 0) {
                    readFailed = true;
                    break;
                }
                got += static_cast<unsigned>(n);
            }
            /* The entry must hold exactly the announced bytes. */
            char extra;
            if (!readFailed && unzReadCurrentFile(zip, &extra, 1) != 0)
                readFailed = true;
            /* Closing the entry after reading all of it checks the CRC. */
            const int closed = unzCloseCurrentFile(zip);
            if (!readFailed && got == size && closed == UNZ_OK) {
                text.swap(buffer);
                result = 0;
            }
        }
    }
    unzClose(zip);
    return result;
}

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

/* Skips an XML declaration, comments, processing instructions and a
 * document type before the root element; npos when the prolog is broken. */
size_t rootStart(const std::string &text)
{
    size_t i = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        i = 3;
    for (;;) {
        while (i < text.size() && isSpace(text[i]))
            ++i;
        if (i >= text.size() || text[i] != '<')
            return std::string::npos;
        if (text.compare(i, 4, "<!--") == 0) {
            const size_t end = text.find("-->", i + 4);
            if (end == std::string::npos)
                return std::string::npos;
            i = end + 3;
        } else if (text.compare(i, 2, "<?") == 0 || text.compare(i, 2, "<!") == 0) {
            const size_t end = text.find('>', i + 2);
            if (end == std::string::npos)
                return std::string::npos;
            i = end + 1;
        } else {
            return i;
        }
    }
}

} // namespace

bool isDatabaseText(const std::string &text)
{
    if (text.find('\0') != std::string::npos)
        return false;
    const size_t root = rootStart(text);
    if (root == std::string::npos || text.compare(root, 8, "<tessera") != 0)
        return false;
    const char after = root + 8 < text.size() ? text[root + 8] : '\0';
    if (!isSpace(after) && after != '>')
        return false;
    size_t end = text.size();
    while (end > 0 && isSpace(text[end - 1]))
        --end;
    static const char closing[] = "</tessera>";
    const size_t closingLength = sizeof closing - 1;
    if (end < root + closingLength ||
        text.compare(end - closingLength, closingLength, closing) != 0)
        return false;
    /* At least one extension element ("ext") inside the root. */
    for (size_t at = text.find("<ext", root); at != std::string::npos && at < end;
         at = text.find("<ext", at + 1)) {
        const char c = at + 4 < text.size() ? text[at + 4] : '\0';
        if (isSpace(c) || c == '>' || c == '/')
            return true;
    }
    return false;
}

} // namespace online
} // namespace tessera
