/* System facts that sounder finds without an OpenGL context: the installed
 * OpenGL client drivers (vendor libraries), the Direct3D texts, the desktop
 * size and depth, and the system description record that the viewer and the
 * client interface both fill with tsDescribeSystem. */
#ifndef SOUNDER_SYSTEM_H
#define SOUNDER_SYSTEM_H

#include <stdint.h>

#include "sounder/export.h"

#ifdef __cplusplus
extern "C" {
#endif

#define TS_ICD_TEXT_SIZE 260
#define TS_ICD_MAX_ENTRIES 16
/* A driver file name longer than this is skipped (the name buffer of the
 * lookup holds 32 bytes, terminator included). */
#define TS_ICD_MAX_NAME_LENGTH 31

/* One installed client driver and its version facts. */
typedef struct tsIcdEntry {
    char name[TS_ICD_TEXT_SIZE];        /* driver file name, e.g. "libEGL_mesa.so.0" */
    char path[TS_ICD_TEXT_SIZE];        /* resolved full path of the file */
    char company[TS_ICD_TEXT_SIZE];     /* publisher of the driver */
    char description[TS_ICD_TEXT_SIZE]; /* description with the company prefix cut away */
    char version[TS_ICD_TEXT_SIZE];     /* file or package version */
} tsIcdEntry;

/* The installed client drivers, filled by tsInfoGetICD. */
typedef struct tsIcdList {
    int32_t count; /* entries filled, 0 to 16 */
    tsIcdEntry entries[TS_ICD_MAX_ENTRIES];
} tsIcdList;

#define TS_SYSTEM_TEXT_SIZE 1024
#define TS_SYSTEM_MODE_SIZE 256
/* The monitor name is at most 127 bytes (128 with the terminator). */
#define TS_SYSTEM_MONITOR_SIZE 128

/* Description of the machine a reading was taken on.  The pointer members
 * are owned by the record: release them with tsSystemInfoRelease. */
typedef struct tsSystemInfo {
    char system[TS_SYSTEM_TEXT_SIZE];        /* operating-system description */
    char processorMode[TS_SYSTEM_MODE_SIZE]; /* "64-bit" (the build's real width) */
    char desktopMode[TS_SYSTEM_MODE_SIZE];   /* " %d x %d x %d bpp (%d Hz)", leading blank kept */
    char *monitor;                           /* monitor name, sysStrDup copy, or null */
    char *dxVersion;                         /* Direct3D version text, or null */
    char *dxShaderModel;                     /* shader-model text, or null */
} tsSystemInfo;

/* Fills list with the installed OpenGL vendor libraries (at most 16): the
 * EGL vendor libraries named by glvnd's vendor files, then the GLX vendor
 * libraries (libGLX_*.so.0).  Returns 1 when at least one driver folder
 * could be read (count may still be 0), 0 when none could or list is null
 * (count 0). */
SOUNDER_API int tsInfoGetICD(tsIcdList *list);

/* Direct3D version and shader-model texts.  On this platform both are the
 * constant text "N/A", which is never released; a text that is not that
 * constant came from sysStrDup and is released with sysStrDupFree.  Null
 * outputs are allowed.  Returns 0. */
SOUNDER_API int tsInfoGetDXInfo(char **versionText, char **shaderText);

/* The constant "N/A" that tsInfoGetDXInfo hands out (compare pointers to
 * know whether a text must be released). */
SOUNDER_API const char *tsInfoNotAvailableText(void);

/* Width and height of the primary screen and the bits per pixel of the
 * desktop; all 0 when there is no display.  Null outputs are allowed. */
SOUNDER_API void tsInfoGetDesktop(int *width, int *height, int *bits);

/* Fills the system description (system text, processor mode, desktop mode,
 * monitor) and, when icd is given, the driver list; with withDirect3D set
 * also the two Direct3D texts (the client interface asks for them, the
 * viewer does not).  Pointer members held before are released first.
 * Returns 1, or 0 when info is null. */
SOUNDER_API int tsDescribeSystem(tsSystemInfo *info, tsIcdList *icd, int withDirect3D);

/* Releases the pointer members of info (monitor and the Direct3D texts) and
 * sets them to null; the text fields stay.  Safe on a zero-filled record. */
SOUNDER_API void tsSystemInfoRelease(tsSystemInfo *info);

#ifdef __cplusplus
}

static_assert(sizeof(tsIcdEntry) == 5 * 260, "tsIcdEntry holds five 260-byte texts");
static_assert(sizeof(tsIcdList) == 4 + 16 * 5 * 260, "tsIcdList holds a count and 16 entries");
#endif

#endif /* SOUNDER_SYSTEM_H */
