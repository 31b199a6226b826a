/* Routines shared between the keel source files; none of them is exported. */
#ifndef KEEL_INTERNAL_H
#define KEEL_INTERNAL_H

#include "keel/keel.h"

#include <stddef.h>
#include <string>

namespace keel {

/* Size of the private buffer that sysStrHash formats into: at most
 * kHashTextSize - 1 bytes of a text take part in its hash. */
constexpr size_t kHashTextSize = 256;

/* The hash of sysStrHash over a plain text, without formatting (the first
 * kHashTextSize - 1 bytes only, so the value equals sysStrHash("%s", text)). */
uint32_t hashText(const char *text);

/* The user's desktop folder: XDG_DESKTOP_DIR from user-dirs.dirs, else
 * $HOME/Desktop when it exists, else $HOME.  Empty when nothing is known. */
std::string desktopDirectory();

} // namespace keel

#endif
