// Fuzzes the attribute lookup.  The input is "name\ntag text": the attribute
// name up to the first line feed, the tag text after it.
#include "keel/keel.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    const char *split = static_cast<const char *>(memchr(bytes, '\n', size));
    size_t nameLength = split ? static_cast<size_t>(split - bytes) : 0;
    size_t tagStart = split ? nameLength + 1 : 0;

    // Exactly sized, NUL-terminated copies of both parts.
    std::vector<char> name(bytes, bytes + nameLength);
    name.push_back('\0');
    name.shrink_to_fit();
    std::vector<char> tag(bytes + tagStart, bytes + size);
    tag.push_back('\0');
    tag.shrink_to_fit();

    const char *value = sysXmlGetAttribute(tag.data(), name.data());
    if (value) {
        size_t n = strlen(value);
        if (n > 4095 || n > strlen(tag.data()))
            abort();
        // The value is a piece of the tag text that follows the name.
        if (n > 0 && !strstr(tag.data(), std::string(value).c_str()))
            abort();
    }
    return 0;
}
