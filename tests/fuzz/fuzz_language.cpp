// Language files and the settings file: the first input byte picks how the
// rest is read (8-bit, UTF-16, Czech code page, settings), then every text
// found is looked up and used as a format.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/languages.h"
#include "app/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string body(reinterpret_cast<const char *>(data) + 1, size - 1);
    switch (data[0] % 4) {
    case 0: {
        const tessera::Settings s = tessera::parseSettings(body);
        if (s.linkIndex < 0 || s.linkIndex >= tessera::kLinkSiteCount || s.language.size() > 256)
            __builtin_trap();
        break;
    }
    case 1:
    case 2:
    case 3: {
        static const char *const names[] = {"en.strings", "jp.strings", "cz.strings"};
        tessera::TextTable table;
        table.loadData(names[data[0] % 4 - 1], body);
        for (int id = 99; id <= 614; ++id) {
            const std::string text = table.text(id);
            tessera::formatText(text, {"a", "%n%s", "1"});
        }
        break;
    }
    }
    return 0;
}
