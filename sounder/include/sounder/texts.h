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

/* Texts of the text report's compliance section and highlights for core
 * versions: the head of the list of what a version lacks, one such item
 * (the shading language version it requires, %s), the head of the list of
 * its entry points that did not resolve, and the highlight that names what
 * the version after the driver's own lacks (%s: that version; the items
 * follow it). */
#define TS_TEXT_COMPLIANCE_MISSING 425
#define TS_TEXT_SHADING_LANGUAGE_ITEM 426
#define TS_TEXT_COMPLIANCE_UNRESOLVED 427
#define TS_TEXT_NEXT_VERSION_MISSING 428

/* Texts of the extended limits (the core-profile context's): the heading of
 * their tree group, the leaf of a limit below what OpenGL requires (%s: the
 * limit, its value and the requirement), the heading of their list in the
 * text report (%s: the context's GL_VERSION) and the highlight that lists
 * the limits below what OpenGL requires (%s: the version claimed). */
#define TS_TEXT_CORE_PROFILE 440
#define TS_TEXT_LIMIT_BELOW_REQUIRED 441
#define TS_TEXT_CORE_PROFILE_LIMITS 442
#define TS_TEXT_LIMITS_BELOW_REQUIRED 443

/* A caller's text table: the text of id in the language shown, or null
 * (or "") when the table has none, in which case the built-in English text
 * is used.  user is the pointer the caller passed along with the lookup.
 * Texts are used as formats only through the checked formatter: they are
 * never handed to printf. */
typedef const char *(*tsTextLookup)(int id, void *user);

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

/* An XHTML document (UTF-8) from rich text, read by the same tokenizer as
 * tsRichTextToPlain: \b \b0 \i \i0 \plain and the byte-8 bold marks give
 * <b> and <i> runs, kept per group as RTF does; \line, \par and a
 * backslash before a line end give <br/>; \tab a tab; \uN its character
 * (surrogate pairs joined, \ucN fallback characters passed over); \'hh a
 * Windows-1252 byte; every other control word and the destination groups
 * (header tables, {\* ...}) are dropped, and so are raw line ends, which
 * RTF does not show.  Text is escaped (& < > " as entities) and always valid
 * UTF-8: a byte that is not part of a UTF-8 sequence is read as
 * Windows-1252.  Blanks are kept (white-space:pre-wrap), so the shown text
 * equals the plain rendering of an RTF report.
 * Writes at most size - 1 bytes and a terminator into out (nothing when out
 * is null or size is 0) and returns the length of the whole document. */
SOUNDER_API size_t tsRichTextToHtml(const char *rich, char *out, size_t size);

#ifdef __cplusplus
}
#endif

#endif /* SOUNDER_TEXTS_H */
