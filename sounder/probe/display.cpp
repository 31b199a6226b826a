/* Display facts that do not depend on the window system: the monitor name
 * of an EDID block and the refresh rate of a mode's timings. */
#include "probe/display.h"

#include <cmath>

namespace sounder {

std::string edidMonitorName(const unsigned char *edid, size_t size)
{
    if (!edid || size < 128)
        return std::string();
    /* Four 18-byte descriptors follow the fixed header at offset 54; a display
     * descriptor starts with three zero bytes, then its tag. */
    for (size_t offset = 54; offset + 18 <= 126; offset += 18) {
        const unsigned char *d = edid + offset;
        if (d[0] != 0 || d[1] != 0 || d[2] != 0 || d[3] != 0xFC)
            continue;
        std::string name;
        for (size_t i = 5; i < 18; ++i) {
            unsigned char c = d[i];
            if (c == 0x0A || c == 0)
                break;
            if (c >= 0x20 && c < 0x7F)
                name.push_back(static_cast<char>(c));
        }
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        return name;
    }
    return std::string();
}

int refreshFromTimings(unsigned long dotClock, unsigned int htotal, unsigned int vtotal)
{
    if (dotClock == 0 || htotal == 0 || vtotal == 0)
        return 0;
    double hz =
        static_cast<double>(dotClock) / (static_cast<double>(htotal) * static_cast<double>(vtotal));
    if (!(hz < 1e6))
        return 0;
    return static_cast<int>(std::lround(hz));
}

} // namespace sounder
