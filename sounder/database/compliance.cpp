// Matching a reading against the database and the core-version compliance
// that the trees and reports show; the vendor word of extension names.
#include "database/compliance.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "common/extension_list.h"
#include "database/database_index.h"
#include "keel/keel.h"
#include "probe/info_internal.h"
#include "sounder/probe.h"

namespace sounder {
namespace db {

const char *isSupported(const tsDatabase *db, const tsExtension *ext)
{
    if (!db || !ext)
        return nullptr;
    if (supportBit(db, ext))
        return ext->name;
    if (!ext->alias[0])
        return nullptr;
    // Each "|"-separated twin is looked up on its own, one step only: the
    // alias of an alias does not count.
    static char answer[sizeof(tsExtension::alias)];
    const char *p = ext->alias;
    while (*p) {
        const char *bar = strchr(p, '|');
        size_t length = bar ? static_cast<size_t>(bar - p) : strlen(p);
        if (length > 0) {
            char name[sizeof(tsExtension::alias)];
            memcpy(name, p, length);
            name[length] = '\0';
            const tsExtension *twin = findExtension(db, name);
            if (twin && supportBit(db, twin)) {
                sysStrlCpy(answer, name, sizeof answer);
                return answer;
            }
        }
        if (!bar)
            break;
        p = bar + 1;
    }
    return nullptr;
}

bool belongsToVersion(const tsExtension *ext, const char *version)
{
    if (!ext || !version || !ext->core[0])
        return false;
    bool optional = strcmp(ext->status, "Optional") == 0;
    if (strcmp(version, "ARB_imaging") == 0)
        return strcmp(ext->core, "1.2") == 0 && optional;
    if (strcmp(version, "1.1") == 0)
        return strcmp(ext->core, "1.1") == 0 && optional;
    return strcmp(ext->core, version) == 0 && !optional;
}

const char *driverClaimsVersion(const tsRendererCaps *caps, const char *version)
{
    static char answer[32];
    if (!caps || !caps->version || !version || !version[0])
        return nullptr;
    const char *v = caps->version;
    // Three characters are needed, and a version text that does not begin
    // with a digit ("OpenGL ES ...") claims nothing.
    if (strnlen(v, 3) < 3 || v[0] < '0' || v[0] > '9')
        return nullptr;
    const unsigned char d0 = static_cast<unsigned char>(v[0]);
    const unsigned char d2 = static_cast<unsigned char>(v[2]);
    const unsigned char a0 = static_cast<unsigned char>(version[0]);
    bool claims = d0 > a0;
    if (!claims && d0 == a0 && strnlen(version, 3) >= 3)
        claims = d2 >= static_cast<unsigned char>(version[2]);
    if (!claims)
        return nullptr;
    snprintf(answer, sizeof answer, "GL_VERSION %.3s", v);
    return answer;
}

namespace {

// The shading language a core version requires, as major * 100 + minor
// (1.10 is 110), or -1 for none: 2.0 brought 1.10 and 2.1 1.20; 3.0 to 3.2
// require 1.30 to 1.50, and from 3.3 on the language carries the version's
// own number (3.30, 4.00 ... 4.60).
int requiredShadingLanguage(int major, int minor)
{
    if (major < 2 || (major == 2 && minor < 0))
        return -1;
    if (major == 2)
        return minor == 0 ? 110 : 120;
    if (minor < 0)
        minor = 0;
    if (major == 3 && minor < 3)
        return 130 + 10 * minor;
    return major * 100 + 10 * minor;
}

} // namespace

int shadingLanguageCheck(const tsRendererCaps *caps, const char *version, char *out, size_t outSize)
{
    if (!version)
        return -1;
    int major = sysStrAtoI(version);
    int minor = strnlen(version, 3) >= 3 ? sysStrAtoI(version + 2) : 0;
    const int required = requiredShadingLanguage(major, minor);
    if (required < 0)
        return -1;
    const int requiredMajor = required / 100, requiredMinor = required % 100;
    if (out && outSize > 0)
        snprintf(out, outSize, "%d.%02d", requiredMajor, requiredMinor);
    if (!caps || !caps->glslVersion)
        return 0;
    // The language's major number is its integer prefix and its minor the
    // number from the third character on ("4.50": 4 and 50).
    const char *glsl = caps->glslVersion;
    int glslMajor = sysStrAtoI(glsl);
    if (glslMajor > requiredMajor)
        return 1;
    if (glslMajor == requiredMajor && strnlen(glsl, 3) >= 3 &&
        sysStrAtoI(glsl + 2) >= requiredMinor)
        return 1;
    return 0;
}

Compliance compliance(const tsDatabase *db, const tsRendererCaps *caps, const char *version)
{
    Compliance c;
    if (!version)
        return c;
    if (db) {
        const char *claim = driverClaimsVersion(caps, version);
        for (const tsExtension *e = db->extensions; e; e = e->next) {
            if (!belongsToVersion(e, version))
                continue;
            ++c.total;
            if (claim || isSupported(db, e))
                ++c.supported;
        }
    }
    switch (shadingLanguageCheck(caps, version, nullptr, 0)) {
    case 0: ++c.total; break;
    case 1:
        ++c.total;
        ++c.supported;
        break;
    default: break;
    }
    c.percent = c.total ? c.supported * 100 / c.total : 0;
    return c;
}

bool complianceText(const tsDatabase *db, const tsRendererCaps *caps, const char *version,
                    bool reportForm, char *out, size_t outSize)
{
    if (!out || outSize == 0)
        return false;
    out[0] = '\0';
    Compliance c = compliance(db, caps, version);
    if (c.total == 0)
        return false;
    snprintf(out, outSize, reportForm ? "v%s (%d %% - %d/%d)" : "%s (%d %% - %d/%d)", version,
             c.percent, c.supported, c.total);
    return true;
}

VersionListing listVersion(const tsDatabase *db, const tsRendererCaps *caps, const char *version)
{
    VersionListing listing;
    listing.counts = compliance(db, caps, version);
    char required[16] = "";
    int glsl = shadingLanguageCheck(caps, version, required, sizeof required);
    char claim[32] = "";
    if (const char *c = driverClaimsVersion(caps, version))
        sysStrlCpy(claim, c, sizeof claim);

    if (listing.counts.supported > 0) {
        if (glsl == 1)
            listing.supported.push_back({ListItem::ShadingLanguage, nullptr, required});
        for (const tsExtension *e = db ? db->extensions : nullptr; e; e = e->next) {
            if (!belongsToVersion(e, version))
                continue;
            const char *under = isSupported(db, e);
            std::string line;
            if (under && under == e->name)
                line = e->name;
            else if (under)
                line = std::string(e->name) + " (" + under + ")";
            else if (claim[0])
                line = std::string(e->name) + " (" + claim + ")";
            else
                continue;
            listing.supported.push_back({ListItem::Extension, e, line});
        }
    }
    if (listing.counts.supported < listing.counts.total) {
        if (glsl == 0)
            listing.unsupported.push_back({ListItem::ShadingLanguage, nullptr, required});
        for (const tsExtension *e = db ? db->extensions : nullptr; e; e = e->next) {
            if (!belongsToVersion(e, version) || claim[0] || isSupported(db, e))
                continue;
            listing.unsupported.push_back({ListItem::Extension, e, e->name});
        }
    }
    const tsCoreVersion *core = findCoreVersion(db, version);
    if (core && core->entryPoints)
        listing.core = core;
    return listing;
}

const char *nextVersion(const tsRendererCaps *caps)
{
    for (int v = 0; v < kCoreVersionCount; ++v) {
        if (!driverClaimsVersion(caps, kCoreVersions[v]))
            return v > 0 ? kCoreVersions[v] : nullptr;
    }
    return nullptr;
}

} // namespace db
} // namespace sounder

using namespace sounder::db;

namespace {
/* Readings whose gl* entry points could not be checked (bit i: reading i). */
uint32_t g_uncheckedReadings = 0;
} // namespace

// Marks what one reading supports.  An entry point counts as present when
// resolves() says so, except for the window-system names: glX* names have
// no dispatch offset; their extension being listed is the proof.  There is
// no WGL on this system: a wgl* name never resolves (the database's GLX
// extensions carry their own glX* entry points), so a WGL extension is not
// reported as "not in list but has the entry point" through a GLX function
// that merely does the same job.
void sounder::db::solveDatabase(tsDatabase *db, const tsRendererCaps *caps, int reading,
                                bool checkable, const std::function<bool(const char *)> &resolves)
{
    if (!db || !caps || reading < 0 || reading >= 32)
        return;
    const uint32_t bit = 1u << reading;
    if (checkable)
        g_uncheckedReadings &= ~bit;
    else
        g_uncheckedReadings |= bit;
    // The answers are kept for the solve: about one name in six occurs both
    // in an extension and in a core version, and each dispatch query
    // searches the driver's whole function table.
    std::unordered_map<std::string_view, bool> known; // names stay in the database
    known.reserve(4096);
    auto present = [&resolves, &known](const char *name, bool extensionListed) {
        if (strncmp(name, "wgl", 3) == 0)
            return false;
        if (extensionListed && strncmp(name, "glX", 3) == 0)
            return true;
        auto found = known.find(name);
        if (found != known.end())
            return found->second;
        const bool answer = resolves(name);
        known.emplace(name, answer);
        return answer;
    };
    // The record's list split once, as tsInfoSearchExtension reads it: each
    // name of the database is then one look-up instead of a walk along the
    // whole text.
    std::unordered_set<std::string_view> listedNames;
    listedNames.reserve(1024);
    anyListedName(caps->extensions, [&listedNames](std::string_view name) {
        listedNames.insert(name);
        return false;
    });
    for (tsExtension *e = db->extensions; e; e = e->next) {
        const bool listed = listedNames.count(e->name) != 0;
        if (listed)
            e->support |= bit;
        for (tsEntryPoint *ep = e->entryPoints; ep; ep = ep->next)
            if (present(ep->name, listed))
                ep->resolved |= bit;
    }
    for (tsCoreVersion *c = db->coreVersions; c; c = c->next)
        for (tsEntryPoint *ep = c->entryPoints; ep; ep = ep->next)
            if (present(ep->name, false))
                ep->resolved |= bit;
}

std::vector<std::string> sounder::db::entryPointQuestions(const tsDatabase *db)
{
    std::vector<std::string> names;
    if (!db)
        return names;
    std::unordered_set<std::string> seen;
    auto add = [&](const tsEntryPoint *ep) {
        for (; ep; ep = ep->next)
            if (strncmp(ep->name, "wgl", 3) != 0 && seen.insert(ep->name).second)
                names.push_back(ep->name);
    };
    for (const tsExtension *e = db->extensions; e; e = e->next)
        add(e->entryPoints);
    for (const tsCoreVersion *c = db->coreVersions; c; c = c->next)
        add(c->entryPoints);
    return names;
}

extern "C" {

SOUNDER_API int tsInfoSolveDb(tsDatabase *db, const tsRendererCaps *caps, int reading)
{
    sounder::db::solveDatabase(db, caps, reading, infoEntryPointsCheckable() != 0,
                               [](const char *name) { return infoHasEntryPoint(name) != 0; });
    return 0;
}

SOUNDER_API int tsInfoEntryPointCheckFailed(int reading)
{
    if (reading < 0 || reading >= 32)
        return 0;
    return (g_uncheckedReadings >> reading) & 1u;
}

SOUNDER_API int tsDatabaseTestCompliance(tsDatabase *db, const tsRendererCaps *caps,
                                         const char *version, int *supported, int *total)
{
    if (supported)
        *supported = 0;
    if (total)
        *total = 0;
    Compliance c = compliance(db, caps, version);
    if (supported)
        *supported = c.supported;
    if (total)
        *total = c.total;
    return c.supported == c.total ? 1 : 0;
}

SOUNDER_API void tsExtractVendorFromExtension(char *out, const char *name, int size)
{
    if (!out || size <= 0)
        return;
    if (!name)
        name = "";
    char prefix[256];
    const char *bar = strchr(name, '_');
    size_t length = bar ? static_cast<size_t>(bar - name) : strlen(name);
    if (length >= sizeof prefix)
        length = sizeof prefix - 1;
    memcpy(prefix, name, length);
    prefix[length] = '\0';

    const size_t outSize = static_cast<size_t>(size);
    if (strcmp(prefix, "GL") != 0 && strcmp(prefix, "WGL") != 0) {
        sysStrlCpy(out, prefix, outSize);
        return;
    }
    if (!bar) {
        sysStrlCpy(out, "<unknown>", outSize);
        return;
    }
    const char *word = bar + 1;
    const char *end = strchr(word, '_');
    size_t wordLength = end ? static_cast<size_t>(end - word) : strlen(word);
    if (wordLength >= outSize)
        wordLength = outSize - 1;
    memcpy(out, word, wordLength);
    out[wordLength] = '\0';
}

SOUNDER_API const char *tsGetVendorFromExtension(const char *name)
{
    static char buffer[128];
    tsExtractVendorFromExtension(buffer, name, sizeof buffer);
    return buffer;
}

} // extern "C"
