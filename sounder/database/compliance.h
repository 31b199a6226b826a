// Internal database lookups and the compliance operations that the trees
// and reports use.  All of them read the bit of db->currentReading.
#ifndef SOUNDER_DATABASE_COMPLIANCE_H
#define SOUNDER_DATABASE_COMPLIANCE_H

#include <cstddef>
#include <string>
#include <vector>

#include "common/xml_entities.h"
#include "sounder/database.h"

struct tsRendererCaps;

namespace sounder {
namespace db {

// The core versions examined, in the order every view lists them.
constexpr int kCoreVersionCount = 18;
extern const char *const kCoreVersions[kCoreVersionCount]; // "1.1" ... "2.1", "3.0" ... "4.6"

// ---- lookups -----------------------------------------------------------

// The extension of that exact name, found through its name hash
// (sysStrHash("%s", name)); names that only share the hash are different
// extensions.  Null when none (or when name is null).
tsExtension *findExtension(const tsDatabase *db, const char *name);

// First core version whose version equals the text case-insensitively.
tsCoreVersion *findCoreVersion(const tsDatabase *db, const char *version);

// Vendor of that name (case-insensitive), or null.
tsVendor *findVendor(const tsDatabase *db, const char *name);

// Renderer whose name equals tsNormaliseRendererName(name)
// case-insensitively, or null.
tsRenderer *findRenderer(const tsDatabase *db, const char *name);

// ---- matching ------------------------------------------------------------

// The name under which the current reading supports the extension: its own
// name when its support mask has the current bit; else the alias name (one
// of the "|"-separated aliases, followed one step only) whose extension has
// the bit; else null.  The returned text points into the database (the
// extension's name or alias field) or into a module-level buffer that the
// next call overwrites; copy it to keep it.
const char *isSupported(const tsDatabase *db, const tsExtension *ext);

// True when the extension counts for that version text ("1.1" ... "4.6" or
// "ARB_imaging").
bool belongsToVersion(const tsExtension *ext, const char *version);

// "GL_VERSION x.y" when the reading's GL_VERSION claims the version, else
// null.  Module-level 32-byte result.
const char *driverClaimsVersion(const tsRendererCaps *caps, const char *version);

// 1 when the reading's shading language meets the version's requirement,
// 0 when it does not, -1 when the version has none.  With a requirement and
// out given, out receives the required version: "1.10" for 2.0, "1.20" for
// 2.1, "1.30" to "1.50" for 3.0 to 3.2, the version's own number from 3.3
// on ("3.30", "4.00" ... "4.60").
int shadingLanguageCheck(const tsRendererCaps *caps, const char *version, char *out,
                         size_t outSize);

// ---- compliance figure and per-version listing ------------------------------

struct Compliance {
    int supported = 0;
    int total = 0;
    int percent = 0; // supported * 100 / total, truncated; 0 when total is 0
};

// Counts of tsDatabaseTestCompliance for one version.
Compliance compliance(const tsDatabase *db, const tsRendererCaps *caps, const char *version);

// The figure as the main tree shows it, "%s (%d %% - %d/%d)", or with
// reportForm the text report's "v%s (%d %% - %d/%d)", into out (32 bytes
// is enough).  Returns false (out emptied) when the version's total is 0,
// i.e. the version is left out.
bool complianceText(const tsDatabase *db, const tsRendererCaps *caps, const char *version,
                    bool reportForm, char *out, size_t outSize);

struct ListItem {
    enum Kind {
        ShadingLanguage, // text: the required version, "1.10" ... "4.60" (shown with text 382)
        Extension,       // text: the line to show
    };
    Kind kind;
    const tsExtension *ext; // null for ShadingLanguage
    std::string text;
};

struct VersionListing {
    Compliance counts;
    // Filled only when counts.supported > 0: shading language requirement
    // when met, then each belonging extension supported or claimed, in
    // database order, as "name", "name (alias)" or "name (GL_VERSION x.y)".
    std::vector<ListItem> supported;
    // Filled only when counts.supported < counts.total: shading language
    // requirement when not met, then each belonging extension neither
    // supported nor claimed, by name.
    std::vector<ListItem> unsupported;
    // The core version record of that version text when it has entry points
    // (each listed with its resolved bit for the current reading), else null.
    const tsCoreVersion *core = nullptr;
};

VersionListing listVersion(const tsDatabase *db, const tsRendererCaps *caps, const char *version);

// The version after the newest one the reading's GL_VERSION claims: the
// first of kCoreVersions it does not claim.  Null when it claims none of
// them (no desktop version text, such as "OpenGL ES 3.2") or all of them.
const char *nextVersion(const tsRendererCaps *caps);

// True when the entry point resolved in the current reading.
inline bool entryPointResolved(const tsDatabase *db, const tsEntryPoint *ep)
{
    return db && ep && db->currentReading >= 0 && db->currentReading < 32 &&
           ((ep->resolved >> db->currentReading) & 1u) != 0;
}

// True when the extension's support mask has the current reading's bit.
inline bool supportBit(const tsDatabase *db, const tsExtension *ext)
{
    return db && ext && db->currentReading >= 0 && db->currentReading < 32 &&
           ((ext->support >> db->currentReading) & 1u) != 0;
}

// ---- file values ---------------------------------------------------------------

// Entities of the file's values (common/xml_entities.h).
using sounder::decodeEntities;

} // namespace db
} // namespace sounder

#endif
