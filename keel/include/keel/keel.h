/* keel: the base runtime library shared by sounder and the viewer.
 *
 * Byte strings, zero-filled memory, bounded formatting, the extension-name
 * hash, whole-file loading, the debug log, the system name, the event-driven
 * XML parser and the update-index reader.  Every export is a plain C function;
 * every block handed out here is released with sysMemFree (or one of its two
 * other names). */
#ifndef KEEL_KEEL_H
#define KEEL_KEEL_H

#include <stdarg.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(KEEL_BUILD)
#define KEEL_API __declspec(dllexport)
#else
#define KEEL_API __declspec(dllimport)
#endif
#else
#define KEEL_API __attribute__((visibility("default")))
#endif

#if defined(__GNUC__)
#define KEEL_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define KEEL_PRINTF(f, a)
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint64_t sysSize;

/* ---- memory ---------------------------------------------------------- */
KEEL_API void *sysMemAlloc(sysSize size);
KEEL_API void sysMemFree(void *p);
KEEL_API void sysStrDupFree(void *p);
KEEL_API void sysFileFreeBuffer(void *p);
KEEL_API int sysMemCmp(const void *a, const void *b, sysSize count);

/* ---- strings, unbounded ---------------------------------------------- */
KEEL_API sysSize sysStrLen(const char *s);
KEEL_API char *sysStrCpy(char *dst, const char *src);
KEEL_API char *sysStrCat(char *dst, const char *src);
KEEL_API char *sysStrDup(const char *s);
KEEL_API char *sysStrResize(char *s, sysSize size);

/* ---- strings, bounded (size = whole capacity, terminator included) ---- */
KEEL_API sysSize sysStrlCpy(char *dst, const char *src, sysSize size);
KEEL_API sysSize sysStrlCat(char *dst, const char *src, sysSize size);

/* ---- comparison -------------------------------------------------------- */
KEEL_API int sysStrCmp(const char *a, const char *b);
KEEL_API int sysStrnCmp(const char *a, const char *b, sysSize n);
KEEL_API int sysStriCmp(const char *a, const char *b);
KEEL_API int sysStrStartsWith(const char *s, const char *prefix);

/* ---- searching --------------------------------------------------------- */
KEEL_API char *sysStrStr(const char *hay, const char *needle);
KEEL_API char *sysStrCaseStr(const char *hay, const char *needle);
KEEL_API char *sysStrTok(char *s, const char *delimiters);
KEEL_API char *sysStrRchr(const char *s, int c);

/* ---- case and character classes ---------------------------------------- */
KEEL_API char *sysStrUpr(char *s);
KEEL_API char *sysStrLwr(char *s);
KEEL_API int sysToUpper(int c);
KEEL_API int sysToLower(int c);
KEEL_API int sysIsAlpha(int c);
KEEL_API int sysIsSpace(int c);
KEEL_API int sysIsPrint(int c);

/* ---- number parsing ---------------------------------------------------- */
KEEL_API int32_t sysStrAtoI(const char *s);
KEEL_API int32_t sysStrAtoX(const char *s);
KEEL_API float sysStrAtoF(const char *s);
KEEL_API int sysStrAtoB(const char *s);

/* ---- formatted output -------------------------------------------------- */
KEEL_API int sysSprintf(char *dst, const char *fmt, ...) KEEL_PRINTF(2, 3);
KEEL_API int sysSnPrintf(char *dst, sysSize size, const char *fmt, ...) KEEL_PRINTF(3, 4);
KEEL_API int sysVSnPrintf(char *dst, sysSize size, const char *fmt, va_list args) KEEL_PRINTF(3, 0);
/* Hash of a formatted text.  Names from files, drivers or downloads must be
 * passed as sysStrHash("%s", name), never as the format itself. */
KEEL_API uint32_t sysStrHash(const char *fmt, ...) KEEL_PRINTF(1, 2);

/* ---- text clean-ups ---------------------------------------------------- */
KEEL_API char *sysStrChop(char *s);
KEEL_API void sysStrFileFormatISO(char *dst, const char *src); /* dst holds 66 bytes */
KEEL_API char *sysStrUTF8toAnsi(char *s, sysSize length);

/* ---- XML document parser ------------------------------------------------ */
typedef struct sysXmlCallbacks {
    uint64_t user;
    int (*onElement)(uint64_t user, char *name, char *text);
    int (*onTag)(uint64_t user, char *tag);
    void (*onCData)(uint64_t user, const char *data, sysSize length);
} sysXmlCallbacks;

KEEL_API int sysXmlParseDocument(const sysXmlCallbacks *callbacks, const char *text);
KEEL_API const char *sysXmlGetAttribute(const char *tagText, const char *name);

/* ---- files, debug log, system name ------------------------------------- */
/* Largest file sysFileReadToBuffer loads: every file the system reads
 * (database, reports, options, languages, shader scripts, the update index)
 * is far smaller, and an endless input (/dev/zero, a pipe that never ends)
 * must not exhaust memory. */
#define SYS_FILE_READ_LIMIT ((sysSize)64 * 1024 * 1024)
/* Loads the whole file at path into a fresh NUL-terminated block (released
 * with sysFileFreeBuffer) and its length into size; returns 0.  On failure
 * (missing, unreadable, a folder, or longer than SYS_FILE_READ_LIMIT bytes,
 * errno then EFBIG) buffer is null, size 0 and the result -1. */
KEEL_API int sysFileReadToBuffer(const char *path, char **buffer, sysSize *size);
KEEL_API const char *sysDebugGetWinError(void);
KEEL_API void sysDebugPrint(const char *fmt, ...) KEEL_PRINTF(1, 2);
KEEL_API int sysDebugMessage(void *owner, const char *fmt, ...) KEEL_PRINTF(2, 3);
KEEL_API int sysWin32GetSystemName(char *name, sysSize size, uint32_t *level, int32_t *platform);

/* ---- update index ------------------------------------------------------- */
typedef struct sysXSAInfo {
    char changes[512];
    char infoUrl[256];
    char version[32];
    char lastRelease[64];
} sysXSAInfo;

KEEL_API int sysXSAGetFromFile(const char *path, const char *productId, sysXSAInfo *info);

#ifdef __cplusplus
}
#endif

#endif /* KEEL_KEEL_H */
