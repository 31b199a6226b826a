// A reader that misbehaves for reading 0 in the way TESSERA_FAKE_READER
// names and hands reading 1 to the real reader (TESSERA_REAL_READER), so
// that the caller's handling of one bad answer can be seen beside a good
// reading.
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "probe/reading_format.h"

namespace {

void writeAll(const std::string &data)
{
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(1, data.data() + done, data.size() - done);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

// A whole, valid answer of an opened probe with no entry points.
std::string validAnswer()
{
    sounder::ReadingAnswer a;
    a.opened = true;
    a.readOk = true;
    a.record.size = sizeof a.record;
    a.record.filled = 1;
    a.hasText[0] = true;
    a.texts[0] = "Fake vendor";
    return sounder::encodeReading(a);
}

} // namespace

int main(int argc, char **argv)
{
    bool second = false;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--reading" && std::string(argv[i + 1]) == "1")
            second = true;
    if (second) {
        const char *real = std::getenv("TESSERA_REAL_READER");
        argv[0] = const_cast<char *>(real);
        execv(real, argv);
        return 127;
    }
    const std::string mode =
        std::getenv("TESSERA_FAKE_READER") ? std::getenv("TESSERA_FAKE_READER") : "";
    if (mode == "garbage") {
        std::string junk;
        for (int i = 0; i < 5000; ++i)
            junk += static_cast<char>((i * 7919) & 0xff);
        writeAll(junk);
    } else if (mode == "ten-times") {
        // A header that claims a record ten times the size, and that much.
        std::string a = validAnswer();
        uint32_t big = static_cast<uint32_t>(sizeof(tsRendererCaps) * 10);
        memcpy(&a[12], &big, sizeof big);
        a += std::string(sizeof(tsRendererCaps) * 9, 'x');
        writeAll(a);
    } else if (mode == "truncated") {
        std::string a = validAnswer();
        writeAll(a.substr(0, a.size() / 2));
    } else if (mode == "flood") {
        std::string block(1 << 20, 'x');
        for (int i = 0; i < 40; ++i)
            writeAll(block);
    } else if (mode == "status") {
        writeAll(validAnswer());
        return 3;
    } else if (mode == "silent-hang") {
        close(1);
        for (;;)
            pause();
    }
    // "nothing": no output at all.
    return 0;
}
