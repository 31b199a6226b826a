// Fuzzes the parser of the rendering-test option document: any text gives
// either options whose slots select units only by 0 and -1, or a refusal,
// and never reads or writes outside its input.
#include "client/options.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // An exactly sized, NUL-terminated copy, so that a read past the text
    // is caught.
    std::vector<char> text(reinterpret_cast<const char *>(data),
                           reinterpret_cast<const char *>(data) + size);
    text.push_back('\0');
    text.shrink_to_fit();

    sounder::client::TestOptionDocument doc;
    const bool accepted = sounder::client::parseTestOptionDocument(text.data(), doc);
    if (accepted != doc.errors.empty())
        std::abort();
    int selected = 0;
    for (int i = 0; i < sounder::client::kTestUnitCount; ++i) {
        if (doc.slots[i] != 0 && doc.slots[i] != -1)
            std::abort();
        if (doc.slots[i] == 0)
            ++selected;
    }
    // Either every unit or exactly one.
    if (selected != sounder::client::kTestUnitCount && selected != 1)
        std::abort();
    return 0;
}
