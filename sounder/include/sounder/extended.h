/* sounder: the extended limits of a reading, the implementation limits of
 * OpenGL 3.0 to 4.6 that tsRendererCaps does not hold.  A reading takes them
 * from a core-profile context at the highest version the driver accepts
 * (4.6 down to 3.2), where the window system offers one; a report file
 * keeps them.  They are listed by GL token name in the order of the
 * library's capability table; a limit the context does not offer is not in
 * the list.  The library keeps them beside the record, found by its
 * extensions text: a record moved with memcpy keeps them, tsInfoRelease
 * frees them, and a record without an extensions text holds none. */
#ifndef SOUNDER_EXTENDED_H
#define SOUNDER_EXTENDED_H

#include <stdint.h>

#include "sounder/export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct tsRendererCaps tsRendererCaps;

/* Value types of an extended limit. */
#define TS_EXTENDED_INT 0   /* 64-bit integers */
#define TS_EXTENDED_FLOAT 1 /* floating point */

typedef struct tsExtendedLimit {
    const char *name;            /* GL token name ("GL_MAX_COMPUTE_WORK_GROUP_COUNT") */
    int32_t type;                /* TS_EXTENDED_* */
    int32_t count;               /* values held, 1 to 4 */
    int64_t intValues[4];        /* the values of an integer limit */
    double values[4];            /* every value as a double */
    const char *since;           /* GL version that made it core */
    const char *requiredVersion; /* version from which OpenGL requires `required`, or null */
    double required;             /* a minimum, or a maximum when lower is better */
    int32_t better;              /* TS_BETTER_* of sounder/inspect.h */
    int32_t belowRequired;       /* 1 when the value breaks `required` at the context's version */
} tsExtendedLimit;

/* GL_VERSION of the core-profile context the limits were read from; null
 * when the reading holds no extended limits (no core-profile context, or a
 * report file without them). */
SOUNDER_API const char *tsExtendedLimitsVersion(const tsRendererCaps *caps);

/* Number of extended limits the reading holds (0 for a null record). */
SOUNDER_API int32_t tsExtendedLimitCount(const tsRendererCaps *caps);

/* Describes limit index into out.  Returns 1, or 0 (out cleared when given)
 * for a null record or out, or an index out of range.  The texts are
 * constant; the record must outlive nothing of out. */
SOUNDER_API int tsExtendedLimitAt(const tsRendererCaps *caps, int32_t index, tsExtendedLimit *out);

#ifdef __cplusplus
}
#endif

#endif
