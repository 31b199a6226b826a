/* The window system a record was read through ("GLX 1.4",
 * "EGL 1.5 (surfaceless)").
 *
 * The record's layout is fixed, so the name is kept beside it, keyed by the
 * record's extensions text: that block belongs to the filled record, goes
 * along when the record is copied or moved, and is freed by tsInfoRelease,
 * which forgets the name.  The text's hash is kept with the name, so a block
 * freed some other way and reused for another list never shows an old
 * name.  A record without an extensions text has no name. */
#ifndef SOUNDER_PROBE_WINDOW_SYSTEM_NOTE_H
#define SOUNDER_PROBE_WINDOW_SYSTEM_NOTE_H

#include <string>

#include "sounder/probe.h"

namespace sounder {

/* Longest name kept (longer ones are cut); names are plain text on one line. */
constexpr size_t kWindowSystemNameMax = 63;

/* Keeps name for caps (an empty name forgets it). */
void noteWindowSystem(const tsRendererCaps &caps, const std::string &name);
/* The name kept for caps, "" when none. */
std::string windowSystemOf(const tsRendererCaps *caps);
void forgetWindowSystem(const tsRendererCaps &caps);
/* name cut to kWindowSystemNameMax bytes at a character boundary, with
 * control characters replaced by blanks: it comes from files and pipes. */
std::string cleanWindowSystemName(const std::string &name);

} // namespace sounder

#endif
