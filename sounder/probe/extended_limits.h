// The extended limits of a reading: the implementation limits of OpenGL 3.0
// to 4.6 that tsRendererCaps does not hold, read from a core-profile context
// opened beside the probe's own.  Which limits exist, how each is read and
// what OpenGL requires of it are the extended rows of the capability table.
//
// The list of a record is kept beside it among the record's notes
// (probe/record_notes.h: extendedLimitsOf, attachExtendedLimits,
// releaseExtendedLimits), freed by tsInfoRelease.  A limit the context does
// not offer (its version and extensions do not gate it in, or the query
// raised a GL error) is absent from the list, never 0.
#ifndef SOUNDER_PROBE_EXTENDED_LIMITS_H
#define SOUNDER_PROBE_EXTENDED_LIMITS_H

#include <stdint.h>

#include <set>
#include <string>
#include <vector>

#include "common/capability_table.h"
#include "probe/record_notes.h"
#include "sounder/probe.h"

namespace sounder {

struct ExtendedValue {
    const caps::Capability *row = nullptr; // an extended row of the table
    uint8_t count = 0;                     // values held, as the row reads them
    int64_t ints[4] = {};                  // integer rows
    double floats[4] = {};                 // float rows

    bool isFloat() const { return row && row->read[0].query == caps::Query::Float; }
    double value(int i) const { return isFloat() ? floats[i] : static_cast<double>(ints[i]); }
    // "16384" or "65535, 65535, 65535"; decimals with a full stop.
    std::string text() const;
    // "GL_MAX_SAMPLES = 4".
    std::string line() const;
    // What OpenGL requires of it: "at least 4 from OpenGL 3.0" ("" when
    // nothing is known).
    std::string requirement() const;
};

struct ExtendedLimits {
    std::string version;               // GL_VERSION of the core-profile context
    std::vector<ExtendedValue> values; // in table order, each row at most once

    const ExtendedValue *find(const char *tokenName) const;
    // Adds or replaces the value of its row, keeping table order.
    void put(const ExtendedValue &value);
};

// A GL_VERSION text: "4.6 (Core Profile) Mesa 22.3.6" is 4.6; "OpenGL ES
// 3.2 Mesa" an ES version; text without a leading number is 0.0.
struct GlVersion {
    int major = 0;
    int minor = 0;
    bool es = false;
    bool atLeast(const char *version) const; // false for ES and for 0.0
};
GlVersion parseGlVersion(const char *text);

// What a context answers: the GL queries of the reading, with their errors.
// Each function pointer may be null (the query is then unsupported).
struct ContextQueries {
    void (*integers)(uint32_t token, int32_t *values) = nullptr;
    void (*integers64)(uint32_t token, int64_t *values) = nullptr;
    void (*indexed)(uint32_t token, uint32_t index, int32_t *value) = nullptr;
    void (*floats)(uint32_t token, float *values) = nullptr;
    uint32_t (*error)() = nullptr;
};

// Reads every extended row that the context's version or extensions gate
// in; a row whose query raises a GL error (or has no function) is left out.
ExtendedLimits readExtendedLimits(const ContextQueries &queries, const char *version,
                                  const std::set<std::string> &extensions);

// The queries of the current context (GLEW's entry points).
ContextQueries currentContextQueries();

// Reads the current context whole: version, extension list and limits.
ExtendedLimits readCurrentContext();

// Whether the value breaks what OpenGL requires of the row at the given
// context version: below the minimum of a higher-is-better limit (any of
// its values), above the maximum of a lower-is-better one.  Rows without a
// required value, and versions before the one that requires it, never do.
bool breaksRequirement(const ExtendedValue &value, const GlVersion &context);

} // namespace sounder

#endif
