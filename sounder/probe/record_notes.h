/* Notes kept beside a record: what a reading knows that the fixed layout of
 * tsRendererCaps has no room for.
 *
 *   - the window system it was read through ("GLX 1.4",
 *     "EGL 1.5 (surfaceless)");
 *   - the extended limits of its core-profile context
 *     (probe/extended_limits.h).
 *
 * The record carries nothing of them: its reserved word stays 0.  They live
 * in one table keyed by the record's extensions text.  That block belongs
 * to the filled record, goes along when the record is copied or moved with
 * memcpy, and is freed by tsInfoRelease, which frees the notes with it (and
 * by tsInfoReadCaps on a filled record, which forgets them first).  The
 * text's hash is kept with the notes, so a block freed some other way and
 * reused for another record's list never shows old notes.
 *
 * A record without an extensions text has nowhere to keep notes: it names
 * no window system and has no extended limits, and what is noted for it is
 * dropped.  A reading's list also holds the window system's own extensions,
 * so only a reading that failed before any context answered lacks it, and
 * such a reading has no limits to keep.  The report reader gives a record
 * loaded from a file with notes but without a list an empty list, and the
 * reader program's answer is refused when it holds limits without a list.
 *
 * The table is guarded: records may be read, noted and released on several
 * threads.  One record is used by one thread at a time, as its texts are;
 * the list extendedLimitsOf hands out and the name tsInfoGetWindowSystem
 * hands out stay valid until that record's notes change or it is
 * released. */
#ifndef SOUNDER_PROBE_RECORD_NOTES_H
#define SOUNDER_PROBE_RECORD_NOTES_H

#include <stddef.h>

#include <memory>
#include <string>

#include "sounder/probe.h"

namespace sounder {

struct ExtendedLimits;

/* ---- the window system -------------------------------------------------- */

/* Longest name kept (longer ones are cut); names are plain text on one line. */
constexpr size_t kWindowSystemNameMax = 63;

/* Keeps name for caps (an empty name forgets it). */
void noteWindowSystem(const tsRendererCaps &caps, const std::string &name);
/* The name kept for caps, "" when none. */
std::string windowSystemOf(const tsRendererCaps *caps);
/* Forgets the name only; the extended limits stay. */
void forgetWindowSystem(const tsRendererCaps &caps);
/* name cut to kWindowSystemNameMax bytes at a character boundary, with
 * control characters replaced by blanks: it comes from files and pipes. */
std::string cleanWindowSystemName(const std::string &name);

/* ---- the extended limits ------------------------------------------------ */

/* The list kept for caps, or null. */
const ExtendedLimits *extendedLimitsOf(const tsRendererCaps *caps);
ExtendedLimits *extendedLimitsOf(tsRendererCaps *caps);
/* Keeps the list for caps, freeing the one kept before; false (and the
 * list is freed) when caps has no extensions text to key it. */
bool attachExtendedLimits(tsRendererCaps *caps, std::unique_ptr<ExtendedLimits> limits);
/* Frees the list kept for caps; the window system stays. */
void releaseExtendedLimits(tsRendererCaps *caps);

/* ---- the whole ---------------------------------------------------------- */

/* Frees every note of caps: before its extensions text is freed. */
void forgetNotes(const tsRendererCaps &caps);
/* Records with notes in the table, stale ones included (for tests of the
 * release). */
size_t recordNoteCount();

} // namespace sounder

#endif
