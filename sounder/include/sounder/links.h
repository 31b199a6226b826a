/* Vendor icons, vendor home pages, links to extension documentation, and
 * the test whether a text names the reading's vendor, renderer or one of
 * its extensions.  Text results live in module-level buffers that the next
 * call of the same function overwrites; callers copy what they keep. */
#ifndef SOUNDER_LINKS_H
#define SOUNDER_LINKS_H

#include "sounder/export.h"

#ifdef __cplusplus
extern "C" {
#endif

struct tsExtension;
struct tsDatabase;
struct tsRendererCaps;

/* Size of the path buffer of tsCreateExtensionLink, terminator included. */
#define TS_LINK_PATH_SIZE 256

/* Link types (documentation sites); each names the text id whose text holds
 * the site's base address. */
#define TS_LINK_REGISTRY 0       /* text id 109: "<vendor>/<name part>.txt" */
#define TS_LINK_VENDOR_ARCHIVE 1 /* text id 110: "<name>.txt" */
#define TS_LINK_STATISTICS 2     /* text id 111: the name */
#define TS_LINK_SEARCH 3         /* text id 112: the name */
#define TS_LINK_PLATFORM 4       /* text id 137: the name */
#define TS_LINK_WGL_MANUAL 6     /* text id 381: "wgl<rest>.htm" for WGL_I3D names, else "" */
#define TS_LINK_MIRROR 7         /* text id 383: "<vendor>/<name>.txt" in lower case */

/* Icon index of a vendor text (first key contained, case-sensitive), -1
 * when no key matches. */
SOUNDER_API int tsGetVendorImageIcon(const char *vendor);

/* Icon index of an extension's vendor word (case-insensitive equality);
 * 10 for any other word, ARB included. */
SOUNDER_API int tsGetExtImageIcon(const char *vendorWord);

/* tsGetExtImageIcon of the vendor word of the extension's name. */
SOUNDER_API int tsGetExtensionImageIcon(const struct tsExtension *extension);

/* Home-page address of the first vendor key the text contains, or null. */
SOUNDER_API const char *tsGetVendorLink(const char *vendor);

/* Sets *textId to the site's text id and writes the path for the extension
 * into out (TS_LINK_PATH_SIZE bytes).  Type 5 and types above 7 (or below
 * 0) set neither output.  Null outputs are allowed. */
SOUNDER_API void tsCreateExtensionLink(char *out, int *textId, const char *name, int type);

/* The same path in a module-level 256-byte buffer (the text id is
 * dropped); the empty text for a type that writes none. */
SOUNDER_API const char *tsCreateExtensionLinkExt(const char *name, int type);

/* type 0: 1 when text equals the reading's vendor (case-insensitive);
 * type 1: 1 when it equals the reading's normalised renderer name
 * (case-insensitive); type 2: -1 when a database extension with a non-zero
 * support mask has exactly this name, else 0; other types: 0. */
SOUNDER_API int tsIsType(const char *text, struct tsDatabase *database,
                         const struct tsRendererCaps *caps, int type);

#ifdef __cplusplus
}
#endif

#endif /* SOUNDER_LINKS_H */
