/* sounder: what a reading holds, for front ends that describe or compare
 * readings (JSON output, differences of two readings).
 *
 * The capability rows are the library's one table of capability members:
 * the report file's element name, the OpenGL token, the value type and
 * whether a higher or a lower value is better.  The compliance versions are
 * the core versions every view lists, in their order. */
#ifndef SOUNDER_INSPECT_H
#define SOUNDER_INSPECT_H

#include <stddef.h>
#include <stdint.h>

#include "sounder/export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct tsRendererCaps tsRendererCaps;
struct tsDatabase;

/* Value types of a capability row. */
#define TS_CAPABILITY_INT 0
#define TS_CAPABILITY_FLOAT 1
#define TS_CAPABILITY_BYTE 2

/* Which value of a capability is the better one. */
#define TS_BETTER_NEITHER 0
#define TS_BETTER_HIGHER 1
#define TS_BETTER_LOWER 2

typedef struct tsCapabilityRow {
    const char *name;            /* element name in the report file, never null */
    const char *tokenName;       /* GL token read for it ("GL_MAX_LIGHTS"), or null */
    const char *since;           /* GL version or extension that introduced it, or null */
    const char *requiredVersion; /* version whose tables give a minimum, or null */
    double required;             /* that minimum (a maximum when lower is better) */
    int32_t type;                /* TS_CAPABILITY_* */
    int32_t better;              /* TS_BETTER_* */
} tsCapabilityRow;

/* Number of capability rows. */
SOUNDER_API int32_t tsCapabilityRowCount(void);

/* Describes row index into out.  Returns 1, or 0 (out cleared when given)
 * for an index out of range or a null out.  The texts are constant. */
SOUNDER_API int tsCapabilityRowAt(int32_t index, tsCapabilityRow *out);

/* The value of row index in caps.  Returns 1, or 0 (value 0) for a null
 * record, a null value or an index out of range. */
SOUNDER_API int tsCapabilityRowValue(const tsRendererCaps *caps, int32_t index, double *value);

/* Number of core versions compliance is worked out for, and the version
 * text of one ("1.1", ...; null out of range). */
SOUNDER_API int32_t tsComplianceVersionCount(void);
SOUNDER_API const char *tsComplianceVersionName(int32_t index);

/* What the reading lacks of a version, with the bit of db->currentReading:
 * one line per missing item ("GLSL x.yz" for an unmet shading-language
 * requirement, else the extension name), each ending in a line feed.
 * Written as tsFormatText writes (at most size - 1 bytes and a
 * terminator); returns the length of the whole text.  "" when nothing is
 * missing or an argument is null. */
SOUNDER_API size_t tsComplianceMissing(const struct tsDatabase *db, const tsRendererCaps *caps,
                                       const char *version, char *out, size_t size);

#ifdef __cplusplus
}
#endif

#endif /* SOUNDER_INSPECT_H */
