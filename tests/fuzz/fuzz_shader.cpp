// Fuzzes the shader script reader: any text gives two owned, terminated
// texts (or null) and never reads outside its input.
#include "sounder/rendertest.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // An exactly sized, NUL-terminated copy, so that a read past the text
    // is caught.
    std::vector<char> text(reinterpret_cast<const char *>(data),
                           reinterpret_cast<const char *>(data) + size);
    text.push_back('\0');
    text.shrink_to_fit();

    tsShader shader;
    // Stale pointers: the reader must set both to null before it parses.
    shader.vertex = reinterpret_cast<char *>(0x1);
    shader.fragment = reinterpret_cast<char *>(0x1);
    if (tsLoadShaderFromCString(&shader, text.data()) != 0)
        abort();
    // Each text lies within the input, so it cannot be longer.
    if (shader.vertex && strlen(shader.vertex) > size)
        abort();
    if (shader.fragment && strlen(shader.fragment) > size)
        abort();
    tsReleaseShader(&shader);
    if (shader.vertex || shader.fragment)
        abort();
    return 0;
}
