// The extended limits of a record as the exported interface gives them, for
// comparing two records: token name -> values as text (integers exact).
#ifndef TESTS_SUPPORT_EXTENDED_LIMITS_H
#define TESTS_SUPPORT_EXTENDED_LIMITS_H

#include <map>
#include <string>

#include "sounder/extended.h"

inline std::map<std::string, std::string> extendedLimitTexts(const tsRendererCaps *caps)
{
    std::map<std::string, std::string> out;
    for (int32_t i = 0; i < tsExtendedLimitCount(caps); ++i) {
        tsExtendedLimit l;
        if (!tsExtendedLimitAt(caps, i, &l))
            continue;
        std::string text;
        for (int32_t k = 0; k < l.count; ++k) {
            text += k ? " " : "";
            text += l.type == TS_EXTENDED_FLOAT ? std::to_string(l.values[k])
                                                : std::to_string(l.intValues[k]);
        }
        out[l.name] = text;
    }
    return out;
}

inline std::string extendedVersion(const tsRendererCaps *caps)
{
    const char *v = tsExtendedLimitsVersion(caps);
    return v ? v : "(none)";
}

#endif
