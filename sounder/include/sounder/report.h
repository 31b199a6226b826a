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
#include "sounder/texts.h"

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

/* The summary of caps (as tsBuildReport) into the caller's list of
 * capacity pieces, which need not be a tsReport.  Returns the number of
 * pieces the whole summary takes, and writes them when that is at most
 * capacity; a caller that gets more than its capacity grows the list to
 * the result and builds again (pieces may be null with capacity 0 to ask
 * for the size).  When the list is too small, the first pieces are written
 * as tsBuildReport writes them: the last ones say that the report was cut
 * and close the document.  0 when caps is not filled. */
SOUNDER_API int32_t tsBuildReportPieces(tsReportPiece *pieces, int32_t capacity,
                                        const tsSystemInfo *system, const tsRendererCaps *caps,
                                        const tsIcdList *icd, tsDatabase *db, int rtf);

/* The same for the changes summary (as tsBuildChangesReport). */
SOUNDER_API int32_t tsBuildChangesReportPieces(tsReportPiece *pieces, int32_t capacity,
                                               const tsRendererCaps *caps, tsDatabase *db, int rtf);

/* Rendering modes of tsRenderReport. */
#define TS_RENDER_AS_BUILT 0 /* the RTF document, or the plain list as it stands */
#define TS_RENDER_PLAIN 1    /* plain text */

/* Renders count pieces into one text with the caller's text table (lookup
 * null, or a lookup that gives null or "", means the built-in English
 * text).  Kind 8 is the text of its id; kind 7 that text used as a format
 * with text and text2 as its two string arguments (checked formatting:
 * the arguments and the texts are never printf formats, %n and surplus
 * conversions produce nothing); kinds 6 and 14 are their texts (a null
 * reference is empty); other kinds nothing.
 * TS_RENDER_AS_BUILT: in a list built as an RTF document the byte-8 bold
 * marks of texts 308 and 309 become \b / \b0, and a piece ending in a
 * control word gets its delimiting space, so the result is one RTF
 * document (tsRichTextToHtml turns it into XHTML); a plain list is joined
 * as it is.
 * TS_RENDER_PLAIN: plain text.  An RTF document is read as a whole (raw
 * line ends are not text); in a plain list only the texts of text ids are
 * read as rich text, the literals and references (driver and database
 * texts) are kept as they are less control characters other than tab and
 * line feed.
 * Writes at most size - 1 bytes and a terminator into out (nothing when out
 * is null or size is 0) and returns the length of the whole text. */
SOUNDER_API size_t tsRenderReport(const tsReportPiece *pieces, int32_t count, tsTextLookup lookup,
                                  void *user, int mode, char *out, size_t size);

#ifdef __cplusplus
}

static_assert(sizeof(tsReportPiece) == 4 + 4 + sizeof(void *) + 256 + 256,
              "tsReportPiece: kind, textId, reference, text, text2");
#endif

#endif /* SOUNDER_REPORT_H */
