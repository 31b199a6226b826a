#include "common/xml_entities.h"

#include <cstddef>
#include <cstring>

namespace sounder {

void decodeEntities(char *text)
{
    if (!text)
        return;
    static const struct {
        const char *entity;
        std::size_t length;
        char value;
    } kEntities[] = {
        {"&quot;", 6, '"'}, {"&amp;", 5, '&'},   {"&lt;", 4, '<'},
        {"&gt;", 4, '>'},   {"&apos;", 6, '\''},
    };
    char *out = text;
    for (const char *in = text; *in;) {
        if (*in == '&') {
            bool decoded = false;
            for (const auto &e : kEntities) {
                if (std::strncmp(in, e.entity, e.length) == 0) {
                    *out++ = e.value;
                    in += e.length;
                    decoded = true;
                    break;
                }
            }
            if (decoded)
                continue;
        }
        *out++ = *in++;
    }
    *out = '\0';
}

} // namespace sounder
