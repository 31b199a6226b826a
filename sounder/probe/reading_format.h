/* The answer of the reader program: one reading of a driver taken in a
 * process of its own, written to a pipe and read back by the library.
 *
 * Layout (native byte order; reader and library come from the same build):
 *
 *   header   u32 magic 'TSRD', u32 format version, u32 byte-order mark
 *            0x01020304, u32 sizeof(tsRendererCaps), u32 sizeof(tsSystemInfo),
 *            u32 sizeof(tsIcdList), u32 number of sections
 *   section  u32 id, u32 payload length, payload
 *
 * Sections, each at most once:
 *   Status       u32 probe opened, u32 tsInfoRead result, u32 failure count,
 *                u32 whether the context's entry points could be checked
 *   Record       the whole tsRendererCaps with its text pointers zeroed
 *   Texts        vendor, version, glslVersion, renderer, extensions: each a
 *                u32 length (0xFFFFFFFF for a null text) and its bytes
 *   EntryPoints  u32 count, then one byte (0 or 1) per name asked for, in
 *                the order of the question
 *   Log          the failure log text of the reading
 *   System       tsSystemInfo with its pointers zeroed, then the monitor
 *                text as in Texts (optional)
 *   Drivers      tsIcdList (optional)
 *   Extended     the extended limits of a core-profile context (optional):
 *                its GL_VERSION as in Texts, u32 count, then per limit its
 *                token name as in Texts, u32 value count and that many
 *                8-byte values (int64_t, or double for float limits)
 *   WindowSystem the window system the reading went through, its bytes
 *                ("GLX 1.4", "EGL 1.5 (surfaceless)"; optional, at most 63
 *                bytes, no NUL)
 *
 * Status, Record, Texts, EntryPoints and Log are required.  The decoder
 * refuses any other magic, version, byte order or record size, a section
 * that runs past the end, bytes after the last section, an unknown or
 * repeated section, texts with NUL bytes and fixed records whose counts or
 * texts are out of bounds, a record whose reserved word is not 0,
 * extended limits of an unknown token, with another value count than the
 * table's, named twice, belonging to an empty record or to a record
 * without an extensions text (they are kept by that text,
 * probe/record_notes.h): an answer is either taken whole or not at all.
 *
 * The version goes up with every change of a section's layout or of the
 * member order of tsRendererCaps, tsSystemInfo or tsIcdList (a change of
 * size alone is also caught by the size fields). */
#ifndef SOUNDER_PROBE_READING_FORMAT_H
#define SOUNDER_PROBE_READING_FORMAT_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "probe/extended_limits.h"
#include "sounder/probe.h"
#include "sounder/system.h"

namespace sounder {

constexpr uint32_t kReadingMagic = 0x44525354u; /* "TSRD" in memory order */
/* 2: the Extended section and the reserved word that must be 0.
 * 3: the WindowSystem section. */
constexpr uint32_t kReadingFormatVersion = 3;
constexpr uint32_t kReadingByteOrder = 0x01020304u;
/* Upper bound of an answer; the library stops reading beyond it. */
constexpr size_t kReadingMaxBytes = 16u << 20;

/* One reading as the reader takes it.  Texts are held here, not in the
 * record, whose text pointers stay null until the answer is applied. */
struct ReadingAnswer {
    bool opened = false;
    bool readOk = false;
    uint32_t failures = 0;
    bool entryPointsCheckable = false;
    tsRendererCaps record; /* text pointers null */
    bool hasText[5] = {};
    std::string texts[5]; /* vendor, version, glslVersion, renderer, extensions */
    std::vector<uint8_t> entryPoints;
    std::string log;
    bool hasSystem = false;
    tsSystemInfo system; /* pointers null */
    bool hasMonitor = false;
    std::string monitor;
    bool hasDrivers = false;
    tsIcdList drivers;
    bool hasExtended = false;
    ExtendedLimits extended;
    std::string windowSystem; /* "" when not known */

    ReadingAnswer();
};

/* Takes the texts, the extended limits and the window system out of a
 * filled record into answer (the record keeps them). */
void answerFromRecord(ReadingAnswer &answer, const tsRendererCaps &record);
void answerFromSystem(ReadingAnswer &answer, const tsSystemInfo &system);

std::string encodeReading(const ReadingAnswer &answer);

/* False with a short reason when data is not one whole answer. */
bool decodeReading(const char *data, size_t size, ReadingAnswer &answer, std::string &reason);

/* Fills record (zeroed first, size set) with the answer's record and copies
 * of its texts (sysStrDup blocks that tsInfoRelease frees) and extended
 * limits, and notes its window system.  False when a
 * copy could not be allocated: the record is then released again. */
bool applyReadingRecord(const ReadingAnswer &answer, tsRendererCaps &record);
/* Fills the text fields and the monitor of system (pointers released
 * first); the Direct3D pointers stay null. */
void applyReadingSystem(const ReadingAnswer &answer, tsSystemInfo &system);

} // namespace sounder

#endif
