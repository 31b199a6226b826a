/* sounder: text reports.
 *
 * A readable summary of a reading (system, identification, extension list,
 * core-version compliance, highlights, driver version assessment and the
 * entry-point verification) built as a list of pieces that the caller
 * renders with its text table: literal texts, text ids, text ids used as a
 * format with two string arguments, and references to texts that live in
 * the reading, the system description or the database.  With the rtf flag
 * set the rendered pieces form an RTF document, else plain text (whose
 * text-id texts may still hold RTF control words that the renderer
 * strips). */
#ifndef SOUNDER_REPORT_H
#define SOUNDER_REPORT_H

#include <stdint.h>

#include "sounder/export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct tsRendererCaps tsRendererCaps;
typedef struct tsSystemInfo tsSystemInfo;
typedef struct tsIcdList tsIcdList;
typedef struct tsDatabase tsDatabase;

/* Piece kinds. */
#define TS_PIECE_TEXT 6         /* text: a literal */
#define TS_PIECE_TEXT_ID_ARGS 7 /* textId used as a format with text and text2 */
#define TS_PIECE_TEXT_ID 8      /* textId */
#define TS_PIECE_REFERENCE 14   /* reference: a text that is not copied */

#define TS_REPORT_PIECE_TEXT_SIZE 256
/* Pieces in a tsReport. */
#define TS_REPORT_MAX_PIECES 1024

typedef struct tsReportPiece {
    int32_t kind;
    int32_t textId;                        /* kinds 7 and 8 */
    const char *reference;                 /* kind 14: must outlive the list */
    char text[TS_REPORT_PIECE_TEXT_SIZE];  /* kind 6 literal, kind 7 first argument */
    char text2[TS_REPORT_PIECE_TEXT_SIZE]; /* kind 7 second argument */
} tsReportPiece;

typedef struct tsReport {
    int32_t count; /* pieces used */
    tsReportPiece pieces[TS_REPORT_MAX_PIECES];
} tsReport;

/* Empties the list (count := 0). */
SOUNDER_API void tsBeginReport(tsReport *report);

/* Appends the summary of caps.  system, icd may be null.  rtf non-zero
 * gives an RTF document, 0 plain text.  Nothing is appended when caps is
 * not filled.  Building stops when the list is full: the last pieces then
 * say that the report was cut and close the document. */
SOUNDER_API void tsBuildReport(tsReport *report, const tsSystemInfo *system,
                               const tsRendererCaps *caps, const tsIcdList *icd, tsDatabase *db,
                               int rtf);

/* Appends what the last database update added for caps: the extensions it
 * added and the renderers it linked.  system and icd are not used. */
SOUNDER_API void tsBuildChangesReport(tsReport *report, const tsSystemInfo *system,
                                      const tsRendererCaps *caps, const tsIcdList *icd,
                                      tsDatabase *db, int rtf);

/* Ends building; does nothing. */
SOUNDER_API void tsEndReport(tsReport *report);

#ifdef __cplusplus
}

static_assert(sizeof(tsReportPiece) == 4 + 4 + sizeof(void *) + 256 + 256,
              "tsReportPiece: kind, textId, reference, text, text2");
#endif

#endif /* SOUNDER_REPORT_H */
