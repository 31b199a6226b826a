// Fuzzes the update index reader.  It reads a file, so each input is written
// to one private temporary file first.
#include "keel/keel.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "fuzz/fuzz_temp.h"

namespace {

const std::string &tempPath()
{
    static const std::string path = fuzzTempFolder() + "/index.xml";
    return path;
}

bool terminatedWithin(const char *field, size_t size)
{
    return memchr(field, '\0', size) != nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string &path = tempPath();
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        abort();
    if (size && fwrite(data, 1, size, f) != size)
        abort();
    fclose(f);

    for (const char *product : {"tessera", "other"}) {
        sysXSAInfo info;
        memset(&info, 0x5A, sizeof info);
        int r = sysXSAGetFromFile(path.c_str(), product, &info);
        if (r != 0 && r != -1 && r != -2)
            abort();
        if (!terminatedWithin(info.changes, sizeof info.changes) ||
            !terminatedWithin(info.infoUrl, sizeof info.infoUrl) ||
            !terminatedWithin(info.version, sizeof info.version) ||
            !terminatedWithin(info.lastRelease, sizeof info.lastRelease))
            abort();
        if (r != 0) {
            // Not found or unreadable: the record stays cleared.
            const unsigned char *bytes = reinterpret_cast<const unsigned char *>(&info);
            for (size_t i = 0; i < sizeof info; ++i)
                if (bytes[i])
                    abort();
        }
        if (size == 0 && r != -2)
            abort();
    }
    return 0;
}
