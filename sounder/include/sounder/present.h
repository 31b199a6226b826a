/* sounder: the presentation layer shared by every front end.
 *
 * Trees and reports carry text ids plus values; the front end turns them
 * into lines with its own text table.  The routines here do it the one way
 * the library does: a language text is never a printf format, only the
 * values an item carries are filled in, and a conversion that would write
 * memory or read past the values (%n, %p, '*' widths, surplus conversions)
 * produces nothing.  The report build into a list of the caller's size and
 * the piece renderer are in sounder/report.h, the rich-text converters in
 * sounder/texts.h.
 *
 * Outputs follow sysStrlCpy: at most size - 1 bytes and a terminator are
 * written into out (nothing when out is null or size is 0), and the length
 * of the whole text is returned, so a caller can ask for the size first. */
#ifndef SOUNDER_PRESENT_H
#define SOUNDER_PRESENT_H

#include <stddef.h>
#include <stdint.h>

#include "sounder/export.h"
#include "sounder/texts.h"
#include "sounder/tree.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- checked formatting -------------------------------------------------- */

/* Kinds of a formatting argument. */
#define TS_ARG_INT 0   /* i */
#define TS_ARG_FLOAT 1 /* f */
#define TS_ARG_TEXT 2  /* s; null reads as "" */

typedef struct tsTextArg {
    int32_t kind;
    int32_t reserved;
    int64_t i;
    double f;
    const char *s;
} tsTextArg;

/* printf-style substitution of count arguments into format.  Understood:
 * flags, width and precision (each capped at 512), length modifiers
 * (ignored), conversions d i u x X o c e E f F g G s and %%.  Every kind of
 * argument is accepted by every conversion (%d given a float prints it
 * truncated, %f given an integer widened, %s given a number prints it in
 * decimal, %d given a text prints the text).  A conversion beyond the last
 * argument produces nothing, arguments beyond the last conversion are not
 * shown; %n, %p, '*' widths and unknown conversions produce nothing.  A null
 * format is "". */
SOUNDER_API size_t tsFormatText(const char *format, const tsTextArg *args, int count, char *out,
                                size_t size);

/* ---- tree lines ---------------------------------------------------------- */

/* The line a tree item shows: the text of its id from lookup (null, or a
 * lookup that gives null or "", means the built-in English text) used as a
 * format for exactly the values its kind carries (STR2: its text; 1I-3I:
 * one to three integers; 1F, 2F: one or two floats); PUSHI and PUSHSI add
 * " (%d)" with value0; PUSHS and STR show their text as it is.  Kinds 0
 * and 5, unknown kinds and a null item give "". */
SOUNDER_API size_t tsFormatTreeItemLabel(const tsTreeItem *item, tsTextLookup lookup, void *user,
                                         char *out, size_t size);

/* ---- reading the client documents --------------------------------------- */

/* Result of tsDocumentAttribute for an attribute that is not there. */
#define TS_NO_ATTRIBUTE ((size_t)-1)

/* The value of attribute name in the attribute text of an element, as
 * keel's parser (sysXmlParseDocument) hands it to onElement:
 * name="value" pairs, values in double or single quotes.  The name must
 * match whole (text does not match text_id or text2).  The five entities
 * and character references (&#N; &#xH;, written as UTF-8) are decoded; any
 * other '&' stays as it stands.  Returns the length of the decoded value,
 * copied into out as tsFormatText copies, or TS_NO_ATTRIBUTE. */
SOUNDER_API size_t tsDocumentAttribute(const char *attributes, const char *name, char *out,
                                       size_t size);

/* ---- window-system names ------------------------------------------------- */

/* Window systems a WGL name can be mapped to.  0 is the one this library's
 * probe uses. */
#define TS_WINDOW_SYSTEM_NATIVE 0
#define TS_WINDOW_SYSTEM_GLX 1

/* The name of the same feature on a window system for a WGL extension name
 * (WGL_ARB_multisample -> GLX_ARB_multisample) or wgl entry point
 * (wglSwapIntervalEXT -> glXSwapIntervalEXT).  A feature that is part of
 * every version of the window system the probe runs on gives that
 * version's name (WGL_ARB_extensions_string -> GLX_VERSION_1_1).  A name
 * that is not a WGL name (GL_..., glX...) is returned as it is; a WGL name
 * without counterpart, an unknown window system or a null name gives null.
 * The text is constant. */
SOUNDER_API const char *tsWindowSystemName(const char *wglName, int windowSystem);

/* Whether a reading whose extension list (GL and window-system names, blank
 * separated, as tsRendererCaps.extensions) is extensions has the feature
 * of a WGL extension name: 1 when the list holds the name itself (a report
 * from a WGL machine), one of its counterparts on the window system, or the
 * feature is part of that window system's core and the list is one of that
 * window system (it holds a name of its prefix, "GLX_").  Names that are
 * not WGL names are looked up as they are.  0 otherwise, or for null. */
SOUNDER_API int tsWindowSystemHasFeature(const char *wglName, const char *extensions,
                                         int windowSystem);

#ifdef __cplusplus
}

static_assert(sizeof(tsTextArg) == 8 + 8 + 8 + sizeof(void *), "tsTextArg: kind, i, f, s");
#endif

#endif /* SOUNDER_PRESENT_H */
