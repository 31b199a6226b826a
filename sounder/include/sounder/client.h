/* The client interface of sounder: a compact, document-returning interface
 * for programs other than the viewer.
 *
 * sounder keeps the database, the two renderer records (0: the generic
 * software implementation, 1: the accelerated driver), the system
 * description and the driver list itself; the client sees only texts.
 * Every document is written into one output buffer of LUM_OUTPUT_SIZE bytes
 * that sounder owns, each line ending in "\r\n"; a document longer than the
 * buffer is cut at its end, never written past it.  A returned text stays
 * valid until the next call that writes the buffer: copy what you keep and
 * free nothing.  Texts inside documents are XML-escaped (& < > " as
 * entities), so that a driver's or a database's text can never end an
 * attribute early; a client's XML parser decodes them.
 *
 * Calling order: lumClientLoadDatabase, lumClientInitialize, then any number
 * of document calls, lumIsType, lumGenerateReport and rendering-test calls,
 * then lumClientRelease.  Not thread-safe: one thread at a time. */
#ifndef SOUNDER_CLIENT_H
#define SOUNDER_CLIENT_H

#include <stdint.h>

#include "sounder/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Capacity of the output buffer, terminator included. */
#define LUM_OUTPUT_SIZE 262144
/* Capacity of the work buffer each document line is formatted into. */
#define LUM_LINE_SIZE 8192
/* Capacity of the path buffer of lumGenerateReport. */
#define LUM_PATH_SIZE 260
/* Number of rendering-test units. */
#define LUM_TEST_UNITS 7

struct tsDatabase;

/* Loads the database from its XML text (tsDatabaseCreateFromCString); it
 * becomes the client's database (a database loaded before is released) and
 * its modified flag is set.  Returns it; a null text or one that holds no
 * database gives an empty database. */
SOUNDER_API struct tsDatabase *lumClientLoadDatabase(const char *text);

/* Describes the system and reads both renderers into the client's records,
 * merging each reading into the database.  Returns the OR of the two
 * database update results (1 when a reading added something).  Without a
 * loaded database the readings go into an empty one.  A renderer that
 * cannot be opened leaves its record empty.  Both readings are taken at
 * once in reader processes (tsInfoReadAll, sounder/readers.h): a driver
 * that crashes or hangs fails its reading only, within the time limit
 * ($TESSERA_READ_TIMEOUT seconds, default 20). */
SOUNDER_API int lumClientInitialize(void);

/* Starts the readings that the next lumClientInitialize takes (with the
 * readings chosen by then), so that they run while the client loads its
 * database; lumClientInitialize then waits for them.  Returns 1, or 0 when
 * they could not be started (lumClientInitialize then starts them itself).
 * A second call before lumClientInitialize does nothing. */
SOUNDER_API int lumClientStartReadings(void);

/* Which readings the next lumClientInitialize takes: bit 0 the software
 * renderer, bit 1 the accelerated one; 0 (the default) both.  A client
 * that needs one renderer saves the other reader's time. */
SOUNDER_API void lumClientSetReadings(int mask);

/* The failure log of reading renderer (0 or 1) of the last
 * lumClientInitialize ("" when it went without failure or was not taken;
 * null for another index).  Lines end in "\r\n". */
SOUNDER_API const char *lumClientGetReadingLog(int renderer);

/* Progress of lumClientInitialize: called once before the readings start
 * with the step ("renderers 0 and 1") and user.
 * Null switches it off. */
typedef void (*lumProgressCallback)(const char *step, void *user);
SOUNDER_API void lumClientSetProgress(lumProgressCallback callback, void *user);

/* Documents.  renderer is 0 or 1; any other index gives null.  The calls
 * that take an index first make it the database's current reading. */

/* "<tree>", the main tree's item lines, "</tree>". */
SOUNDER_API const char *lumClientGetMainTree(int renderer);
/* "<tree>", the capability tree and the extension tree, "</tree>"; an empty
 * tree ("<tree>" and "</tree>") when the record holds no reading. */
SOUNDER_API const char *lumClientGetCapsAndExtTree(int renderer);
/* "<report>", one <item .../> line per report piece (rich-text form),
 * "</report>". */
SOUNDER_API const char *lumClientGetReport(int renderer);
/* The changes report of record 0 and then record 1, as a report document. */
SOUNDER_API const char *lumClientGetUpdateReport(void);
/* "<monitor>", one <device id=".." name=".."/> line per display adapter,
 * "</monitor>". */
SOUNDER_API const char *lumClientGetMonitorList(void);
/* "<modes>", one <mode .../> line per mode of the named output (null: the
 * primary one; a name without modes falls back to the primary), "</modes>". */
SOUNDER_API const char *lumClientGetDisplayModeList(const char *deviceName);
/* "<pf>", one <p .../> line per pixel format of the record, "</pf>". */
SOUNDER_API const char *lumClientGetPixelFormats(int renderer);

/* Bits per pixel of the desktop; 32 when there is no display. */
SOUNDER_API int lumGetDesktopDepth(void);

/* tsIsType with the client's database and the record of that index
 * (type 0 vendor, 1 renderer family, 2 supported extension); 0 for an index
 * other than 0 or 1 or when there is no database. */
SOUNDER_API int lumIsType(const char *text, int renderer, int type);

/* "<test>", one <t name="%s" /> line per rendering-test unit in order,
 * "</test>". */
SOUNDER_API const char *lumGetRenderingTests(void);

/* Runs the rendering tests chosen by an XML option document (elements
 * option, anisotropy, multisample, texturelod, renderer, displaymode, test;
 * pixelformat, fbenable and fbformat are accepted without effect).
 * Failures are read with tsReportHasErrors and tsReportGetLogFile.
 * Returns the result of tsTestRun (0 done, -1 no test window, -9 no texture
 * memory, TS_TEST_DISPLAY_LOST when the display went away during the run:
 * the units measured before keep their rates), or -2 when the document is refused (null, a test index outside
 * 0-6 or a display mode the primary display does not have; the reason is in
 * the failure log). */
SOUNDER_API int lumRunRenderingTests(const char *document);

/* Results of the last lumRunRenderingTests as a document: "<results>", one
 * <t name="%s" run="%d" fps="%d" /> line per unit in order (run 1 when the
 * unit was selected; fps is its frames per second, -1 when it failed or was
 * not run), "</results>". */
SOUNDER_API const char *lumGetRenderingTestResults(void);

/* Writes the report file of the record into folder, named by
 * tsFormatReportFilename and joined with "/".  Returns the path (in a
 * LUM_PATH_SIZE buffer that the next call overwrites), or null when the
 * record holds no reading, the path does not fit or the file could not be
 * written. */
SOUNDER_API const char *lumGenerateReport(const char *folder, int renderer);

struct tsRendererCaps;
struct tsSystemInfo;
struct tsIcdList;
struct tsDatabase;

/* The records behind the documents, for front ends that describe a reading
 * whole: the reading of renderer (null for another index), the system
 * description, the driver list and the loaded database (each output may
 * be null).  The database's current reading becomes renderer, as for the
 * documents.  The records stay owned by the client and change with the
 * next lumClientInitialize or lumClientLoadDatabase. */
SOUNDER_API const struct tsRendererCaps *lumClientGetReading(int renderer,
                                                             const struct tsSystemInfo **system,
                                                             const struct tsIcdList **icd,
                                                             struct tsDatabase **db);

/* Ends the session.  The client state stays for the life of the process. */
SOUNDER_API void lumClientRelease(void);

#ifdef __cplusplus
}
#endif

#endif /* SOUNDER_CLIENT_H */
