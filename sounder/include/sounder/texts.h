/* The built-in English text table: the texts of the ids that trees, reports
 * and the viewer use (101 to 612), for whenever no language file supplies
 * them. */
#ifndef SOUNDER_TEXTS_H
#define SOUNDER_TEXTS_H

#include <stddef.h>

#include "sounder/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Text id of the sentence that the text report puts under its entry-point
 * verification heading, saying what the check means: an entry point counts
 * as present when the driver stack knows the function, which proves that it
 * is known, not that the context implements it. */
#define TS_TEXT_ENTRY_POINT_CHECK 411

/* Text id of the sentence that stands in for the missing gl* entry points
 * when the check could not be made on the reading's context
 * (tsInfoEntryPointCheckFailed). */
#define TS_TEXT_ENTRY_POINTS_UNCHECKED 412

/* The English text of id, or null when the table has none.  The returned
 * text is constant and lives as long as the library. */
SOUNDER_API const char *tsGetBuiltinText(int id);

/* Plain text from rich text (a fragment such as texts 113-140, or a whole
 * RTF document): \line and \par become line feeds, \tab a tab, \\ \{ \}
 * their character, \'hh its byte; other control words, braces, destination
 * groups and control characters other than tab and line feed are dropped;
 * the byte 8 that texts 308 and 309 use as a bold switch goes with the "0"
 * after a closing one, as \b0 would.
 * Writes at most size - 1 bytes and a terminator into out (nothing when out
 * is null or size is 0) and returns the length of the whole plain text, as
 * sysStrlCpy does.  This is the one converter of the system: the viewer and
 * the clients use it rather than one of their own. */
SOUNDER_API size_t tsRichTextToPlain(const char *rich, char *out, size_t size);

#ifdef __cplusplus
}
#endif

#endif /* SOUNDER_TEXTS_H */
