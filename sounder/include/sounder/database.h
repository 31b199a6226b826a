/* sounder: the extension database.
 *
 * The database remembers every known OpenGL, GLX and WGL extension, the
 * renderers that were seen exposing it (with the lowest driver version that
 * did), its descriptive facts and entry points, and for each OpenGL core
 * version the entry points that version adds.  It is loaded from
 * "extensions.xml", merged with every reading, matched against a reading
 * (support and resolved masks) and written back when it changed.
 *
 * Records are plain C structures allocated zero-filled with sysMemAlloc and
 * linked into singly linked lists; the database owns them all and
 * tsDatabaseRelease frees them.  Text fields are fixed-size and always
 * terminated.  Lists are changed only through the functions of this header
 * (callers read the records and set fromReport, modified and currentReading
 * directly). */
#ifndef SOUNDER_DATABASE_H
#define SOUNDER_DATABASE_H

#include <stdint.h>

#include "sounder/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The reading record (sounder/probe.h) and the installed-driver list
 * (sounder/system.h); only pointers to them pass through here. */
struct tsRendererCaps;
struct tsIcdList;

typedef struct tsEntryPoint {
    struct tsEntryPoint *next;
    char name[128];
    uint32_t resolved; /* bit i: the entry point resolved in reading i */
} tsEntryPoint;

typedef struct tsVendor {
    struct tsVendor *next;
    char name[128]; /* GL_VENDOR text, compared case-insensitively */
} tsVendor;

typedef struct tsRenderer {
    struct tsRenderer *next;
    tsVendor *vendor;
    char name[128];    /* normalised renderer name (tsNormaliseRendererName) */
    char version[128]; /* driver version when first recorded */
    char os[32];       /* "Win", "Linux", "Mac" (any text when read from a file) */
    uint32_t updated;  /* 1 when an update linked a known extension to it */
} tsRenderer;

typedef struct tsRendererLink {
    struct tsRendererLink *next;
    tsRenderer *renderer;
    char version[128]; /* lowest driver version (as text) exposing the extension */
} tsRendererLink;

typedef struct tsExtension {
    struct tsExtension *next;
    tsEntryPoint *entryPoints; /* file order */
    tsRendererLink *links;
    uint32_t support;   /* bit i: reading i lists the extension */
    uint32_t addedMark; /* 0, or tag + 1 of the reading whose update added it or a link */
    uint32_t nameHash;  /* sysStrHash("%s", name): finds the name quickly */
    char name[128];
    char alias[128]; /* equivalent extensions, "|"-separated */
    char core[8];    /* core version it was promoted to, "" when none */
    char spec[8];    /* version its text is written against */
    char req[8];     /* version it requires */
    char status[16]; /* "Optional" marks an optional part of a core version */
    char cat[16];
    char depends[256]; /* "|"-separated */
    char affects[256]; /* "|"-separated */
} tsExtension;

typedef struct tsCoreVersion {
    struct tsCoreVersion *next;
    tsEntryPoint *entryPoints; /* file order */
    char version[32];          /* "1.2", "2.0", ... */
} tsCoreVersion;

typedef struct tsDatabase {
    tsExtension *extensions;     /* ascending case-insensitive order of name */
    tsRenderer *renderers;       /* ascending case-insensitive order of name */
    tsVendor *vendors;           /* ascending case-insensitive order of name */
    tsCoreVersion *coreVersions; /* file order */
    uint32_t fromReport;         /* the current reading was loaded from a report file */
    uint32_t modified;           /* content changed since loading: write it back at exit */
    int32_t currentReading;      /* 0 or 1: the bit every view tests */
    uint32_t version;            /* edition number, incremented by every write */
} tsDatabase;

/* Loads the database file; a missing, empty or unreadable file, or one
 * larger than SYS_FILE_READ_LIMIT (keel.h), gives an empty database.
 * Never returns null. */
SOUNDER_API tsDatabase *tsDatabaseCreate(const char *path);

/* Parses a database document held in memory (null or empty text gives an
 * empty database).  Never returns null. */
SOUNDER_API tsDatabase *tsDatabaseCreateFromCString(const char *text);

/* 1 when the database was read from a whole file or text: its first
 * element is the "tessera" root, the root closes again and at least one
 * extension was read.  0 for a text cut short (which loads what precedes
 * the cut, quietly), for one holding no extension, for a missing, empty
 * or unreadable file and for a database not made by tsDatabaseCreate or
 * tsDatabaseCreateFromCString.  Updates after loading do not change it. */
SOUNDER_API int tsDatabaseIsComplete(const tsDatabase *db);

/* Merges a reading into the database.  icd may be null; systemName is the
 * system description text (it decides the os family).  Returns 1 when
 * anything was added (and sets modified), else 0; lowering a link's version
 * sets modified without adding anything. */
SOUNDER_API int tsDatabaseUpdate(tsDatabase *db, struct tsRendererCaps *caps,
                                 const struct tsIcdList *icd, const char *systemName);

/* Writes the database file with the next edition number (version + 1),
 * replacing an existing file atomically, and then increments version.
 * 0 on success; -1 on any failure, in which case the old file and version
 * are left as they were. */
SOUNDER_API int tsDatabaseWrite(const char *path, tsDatabase *db);

/* Frees the database and every record in it (null is ignored). */
SOUNDER_API void tsDatabaseRelease(tsDatabase *db);

/* Recomputes the support masks from the reading's extension text, for a
 * reading loaded from a report: the bit of currentReading is set for the
 * extensions the reading lists, every other bit is cleared. */
SOUNDER_API void tsDatabaseUpdateExtStatus(tsDatabase *db, const struct tsRendererCaps *caps);

/* Family name of a GL_RENDERER text ("GeForce 7800 GTX/PCI/SSE2" gives
 * "GeForce 7800").  Module-level 256-byte result, overwritten by the next
 * call. */
SOUNDER_API const char *tsNormaliseRendererName(const char *renderer);

/* Marks which extensions the reading lists and which entry points resolve,
 * ORing bit (1 << reading) into the masks.  Call while the reading's
 * context is current.  Returns 0. */
SOUNDER_API int tsInfoSolveDb(tsDatabase *db, const struct tsRendererCaps *caps, int reading);

/* 1 when the last tsInfoSolveDb of reading could not check the gl* entry
 * points (the vendor library behind the context offers no way to tell its
 * functions apart, and none was marked resolved); 0 when it could, or when
 * the reading was not solved in this process. */
SOUNDER_API int tsInfoEntryPointCheckFailed(int reading);

/* Counts, for a core version ("1.1" ... "4.6", or "ARB_imaging"), the items
 * the current reading supports and the items the version has.  Returns 1
 * when both counts are equal (also when both are 0), else 0. */
SOUNDER_API int tsDatabaseTestCompliance(tsDatabase *db, const struct tsRendererCaps *caps,
                                         const char *version, int *supported, int *total);

/* Vendor word of an extension name: GL_ARB_multitexture gives "ARB",
 * GLX_SGIX_fbconfig gives "GLX", "GL" alone gives "<unknown>".  The result
 * is cut to size bytes. */
SOUNDER_API void tsExtractVendorFromExtension(char *out, const char *name, int size);

/* The same word in a module-level 128-byte buffer, overwritten by the next
 * call. */
SOUNDER_API const char *tsGetVendorFromExtension(const char *name);

#ifdef __cplusplus
}
#endif

#endif /* SOUNDER_DATABASE_H */
