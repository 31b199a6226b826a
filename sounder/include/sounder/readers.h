/* Both readings at once, each in a reader process of its own.
 *
 * tsInfoReadAll starts the reader program (tessera-reader) twice, for the
 * software rasteriser (reading 0) and for the display's default driver
 * (reading 1).  Each reader opens the probe, reads the record, answers
 * which of the database's entry points its context resolves, describes the
 * system, closes the probe and writes the reading to a pipe.  Meanwhile the
 * calling process lists the installed drivers.  Then the records are filled
 * and merged into the database in order (reading 0, then 1), each followed
 * by the marks tsInfoSolveDb would set, as the one-by-one sequence
 * tsInfoBegin / tsInfoRead / tsDatabaseUpdate / tsInfoSolveDb / tsInfoEnd
 * gives.
 *
 * A reader that crashes, hangs past the time limit, writes something that
 * is not a whole reading, or cannot be started gives a failed reading with
 * a log line saying so; the other reading is unaffected.  No environment
 * variable of the calling process is changed, no X connection is opened in
 * it (unless both readers failed to describe the system), no signal
 * disposition is touched, and every reader is reaped before the call
 * returns.  Call it from one thread at a time; other threads may run. */
#ifndef SOUNDER_READERS_H
#define SOUNDER_READERS_H

#include <stdint.h>

#include "sounder/database.h"
#include "sounder/export.h"
#include "sounder/probe.h"
#include "sounder/system.h"

#ifdef __cplusplus
extern "C" {
#endif

#define TS_READING_LOG_SIZE 16384
#define TS_READING_DEFAULT_TIMEOUT 20

typedef struct tsReadingOptions {
    uint32_t size;          /* sizeof(tsReadingOptions) */
    int32_t timeoutSeconds; /* per reading; 0: $TESSERA_READ_TIMEOUT, else 20 */
    int32_t withDirect3D;   /* also fill the two Direct3D texts of the system description */
    int32_t readings;       /* bit i: take reading i; 0: both */
    const char *readerPath; /* the reader program; null: $TESSERA_READER, else beside the library */
} tsReadingOptions;

/* How one reading went. */
typedef struct tsReadingOutcome {
    int32_t made;                  /* 1 when the record was filled */
    int32_t updated;               /* what tsDatabaseUpdate returned for it (0 without database) */
    int32_t signal;                /* the signal that ended the reader, else 0 */
    int32_t timedOut;              /* 1 when the reader was stopped at the time limit */
    int32_t milliseconds;          /* from start to the reader's end */
    int32_t failures;              /* failures in log */
    char log[TS_READING_LOG_SIZE]; /* the reading's failure log ("" when none) */
} tsReadingOutcome;

/* Reads both renderers (see above).
 * options: null for the defaults.  db: merged into and marked when not null.
 * caps: two records whose size fields are set; each is released first and
 *       refilled (an unread record stays zero with its size set).
 * system: when not null, filled from the readers' description (released
 *       first).  icd: when not null, the installed drivers.
 * outcomes: null or two outcomes.
 * A reading left out by options->readings is not taken: its record stays
 * empty and its outcome says "not asked for" in its log.
 * Returns the mask of readings made (bit i for caps[i]), or -1 for a null
 * caps, a record with a wrong size or options with a wrong size (nothing is
 * changed then).  The failure log afterwards holds reading 1's log, as after
 * the one-by-one sequence. */
SOUNDER_API int tsInfoReadAll(const tsReadingOptions *options, tsDatabase *db, tsRendererCaps *caps,
                              tsSystemInfo *system, tsIcdList *icd, tsReadingOutcome *outcomes);

/* The same in two steps, so that the readers take their readings while the
 * caller loads its database: tsInfoReadStart starts the readers (options
 * as above) and returns at once; tsInfoReadFinish hands them the database's
 * entry-point names, waits for their answers and fills, merges and returns
 * as tsInfoReadAll does (its caps check fails with -1 too, the session
 * then ended).  The time limit runs from the start, or from the finish when
 * that came more than a second later.  Every session is ended by exactly
 * one tsInfoReadFinish or tsInfoReadCancel (which stops its readers).
 * tsInfoReadStart returns null only for options with a wrong size or when
 * out of memory; a reader that could not be started is reported by the
 * finish in its outcome. */
typedef struct tsReadingSession tsReadingSession;
SOUNDER_API tsReadingSession *tsInfoReadStart(const tsReadingOptions *options);
SOUNDER_API int tsInfoReadFinish(tsReadingSession *session, tsDatabase *db, tsRendererCaps *caps,
                                 tsSystemInfo *system, tsIcdList *icd, tsReadingOutcome *outcomes);
SOUNDER_API void tsInfoReadCancel(tsReadingSession *session);

#ifdef __cplusplus
}
#endif

#endif /* SOUNDER_READERS_H */
