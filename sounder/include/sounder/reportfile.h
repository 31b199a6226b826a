/* sounder: report files.
 *
 * A reading of the driver (tsRendererCaps), the description of the machine
 * it was taken on (tsSystemInfo) and its installed client drivers
 * (tsIcdList) saved as one XML document with the root element "Tessera",
 * and read back in place of a measurement.  Documents of format versions
 * below "2.16" use an older set of element names; both are read. */
#ifndef SOUNDER_REPORTFILE_H
#define SOUNDER_REPORTFILE_H

#include <stdint.h>

#include "sounder/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The records of sounder/probe.h and sounder/system.h; only pointers to
 * them pass through here. */
typedef struct tsRendererCaps tsRendererCaps;
typedef struct tsSystemInfo tsSystemInfo;
typedef struct tsIcdList tsIcdList;

/* Format version the writer puts on the root element. */
#define TS_REPORT_FORMAT_VERSION "2.33"
/* Documents whose version compares below this one use the older names. */
#define TS_REPORT_LEGACY_BELOW "2.16"
/* Size of the buffer tsFormatReportFilename writes into. */
#define TS_REPORT_FILENAME_SIZE 260

/* Writes the report of caps to path.  system and icd may be null (then no
 * system texts / no "ICD" groups are written).  flag has no effect on the
 * file (the viewer passes 1).  The file is replaced atomically: the
 * document is written to a temporary file in the same folder, flushed to
 * disk and renamed over path.  Returns 0 on success, 1 when the file could
 * not be created or any write, flush, close or rename failed; an existing
 * file at path is then left as it was. */
SOUNDER_API int tsSaveReportXML(const char *path, const tsSystemInfo *system,
                                const tsRendererCaps *caps, int flag, const tsIcdList *icd);

/* Clears caps (the whole record, size field included; release a filled
 * record with tsInfoRelease first), sets its filled field to 1, clears icd
 * when given, releases the pointer members of system with
 * tsSystemInfoRelease and clears it when given, then fills them from the
 * report file at path.  Text members of caps become fresh sysStrDup copies
 * owned by the record (released by tsInfoRelease).  Tables are never
 * written past their end: at most 32 compressed formats, 256 pixel
 * formats, 1024 display modes (other "Mode" indices are ignored) and 16
 * ICD entries (further "ICD" groups are ignored).  Returns -1 when the
 * file is missing, empty or larger than SYS_FILE_READ_LIMIT (keel.h), else
 * 0 (malformed content loads whatever could be read: a file cut short
 * loads the part before the cut, a file that is no report gives an empty
 * reading; tsCheckReportXML tells these apart). */
SOUNDER_API int tsReadReportXML(const char *path, tsRendererCaps *caps, tsIcdList *icd,
                                tsSystemInfo *system);

/* Results of tsCheckReportXML. */
#define TS_REPORT_FILE_COMPLETE 1
#define TS_REPORT_FILE_INCOMPLETE 0
#define TS_REPORT_FILE_NOT_A_REPORT (-1)
#define TS_REPORT_FILE_UNREADABLE (-2)

/* Says what the file at path holds, before or after tsReadReportXML loads
 * it:
 *   TS_REPORT_FILE_COMPLETE     a report: its first element is the
 *                               "Tessera" root (spelled so: the database's
 *                               "tessera" is none), which closes, and it
 *                               names a renderer;
 *   TS_REPORT_FILE_INCOMPLETE   a report cut short or damaged: the root is
 *                               there but does not close, the renderer is
 *                               missing, or a NUL byte hides the rest (it
 *                               loads what precedes the damage);
 *   TS_REPORT_FILE_NOT_A_REPORT no "Tessera" root first (an empty, one-byte,
 *                               UTF-16 or binary file, another document);
 *   TS_REPORT_FILE_UNREADABLE   missing, unreadable, a folder or larger than
 *                               SYS_FILE_READ_LIMIT (errno tells which).
 * The file is read once and nothing is kept. */
SOUNDER_API int tsCheckReportXML(const char *path);

/* Proposed file name of a report: "tessera-<renderer>" made file-name safe
 * (at most 65 characters), then "." and extension when one is given.  out
 * holds TS_REPORT_FILENAME_SIZE bytes. */
SOUNDER_API void tsFormatReportFilename(char *out, const tsRendererCaps *caps,
                                        const char *extension);

#ifdef __cplusplus
}
#endif

#endif /* SOUNDER_REPORTFILE_H */
