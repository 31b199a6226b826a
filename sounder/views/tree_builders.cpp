// The three information trees: the summary (system, installed drivers, core
// feature sets), the capabilities of a reading, and the supported extensions
// grouped by vendor word.  The value groups of the capability tree come from
// the capability table.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/capability_table.h"
#include "database/compliance.h"
#include "probe/extended_limits.h"
#include "keel/keel.h"
#include "sounder/database.h"
#include "sounder/links.h"
#include "sounder/probe.h"
#include "sounder/system.h"
#include "sounder/texts.h"
#include "sounder/tree.h"
#include "views/tree_build.h"
#include "views/tree_tables.h"

namespace sounder {
namespace {

// Icons of the tree image strip.
enum Icon {
    kIconEntryPoints = 10,
    kIconGroupClosed = 15,
    kIconGroupOpen = 16,
    kIconCore = 17,
    kIconSupported = 18,
    kIconUnsupported = 19,
    kIconSection = 20,
    kIconSystem = 21,
    kIconSystemText = 22,
    kIconRenderer = 25,
    kIconAvailable = 26,
    kIconMissing = 27,
    kIconVersionFact = 28,
    kIconAlias = 29,
    kIconDependencies = 30,
    kIconDriver = 33,
    kIconVendor = 34,
    kIconVersion = 35,
};

bool present(const char *text)
{
    return text && *text;
}

bool listed(const tsRendererCaps *caps, const char *name)
{
    return caps && caps->extensions && tsInfoSearchExtension(name, caps->extensions) == 1;
}

// ---------------------------------------------------------------- main tree

void systemSection(TreeWriter &w, const tsSystemInfo *system)
{
    w.push(334, kIconSection, kIconSection);
    // Every line of this section comes from the system description; without
    // one the section stays empty.
    if (system) {
        w.str2(175, system->system, kIconSystemText, kIconSystemText);
        w.str2(293, system->processorMode, kIconRenderer, kIconRenderer);
        if (present(system->monitor))
            w.str2(365, system->monitor, kIconSystem, kIconSystem);
        if (present(system->dxVersion))
            w.str2(409, system->dxVersion, kIconSystem, kIconSystem);
        if (present(system->dxShaderModel))
            w.str2(410, system->dxShaderModel, kIconSystem, kIconSystem);
        w.str2(284, system->desktopMode, kIconSystem, kIconSystem);
    }
    w.pop();
}

void driverSection(TreeWriter &w, const tsIcdList *icds, const tsRendererCaps *caps)
{
    if (!icds || icds->count < 1)
        return;
    const int count = icds->count > TS_ICD_MAX_ENTRIES ? TS_ICD_MAX_ENTRIES : icds->count;
    w.push(191, kIconDriver, kIconDriver);
    for (int i = 0; i < count && !w.cut(); ++i) {
        const tsIcdEntry &e = icds->entries[i];
        // The fields are fixed buffers filled from outside: read them bounded.
        char name[TS_ICD_TEXT_SIZE], company[TS_ICD_TEXT_SIZE], description[TS_ICD_TEXT_SIZE],
            version[TS_ICD_TEXT_SIZE], path[TS_ICD_TEXT_SIZE];
        std::snprintf(name, sizeof name, "%.*s", TS_ICD_TEXT_SIZE - 1, e.name);
        std::snprintf(company, sizeof company, "%.*s", TS_ICD_TEXT_SIZE - 1, e.company);
        std::snprintf(description, sizeof description, "%.*s", TS_ICD_TEXT_SIZE - 1, e.description);
        std::snprintf(version, sizeof version, "%.*s", TS_ICD_TEXT_SIZE - 1, e.version);
        std::snprintf(path, sizeof path, "%.*s", TS_ICD_TEXT_SIZE - 1, e.path);
        if (count > 1) {
            bool ours = caps && caps->vendor && std::strstr(company, caps->vendor) != nullptr;
            int icon = ours ? kIconAvailable : kIconMissing;
            w.pushS(name, icon, icon);
        }
        w.str(company, kIconDriver, kIconDriver);
        w.str(description, kIconDriver, kIconDriver);
        w.str(version, kIconDriver, kIconDriver);
        w.str(path, kIconDriver, kIconDriver);
        if (count > 1)
            w.pop();
    }
    w.pop();
}

void listingGroup(TreeWriter &w, int textId, int icon, const std::vector<db::ListItem> &items)
{
    w.push(textId, icon, icon);
    for (const db::ListItem &item : items) {
        if (w.cut())
            break;
        if (item.kind == db::ListItem::ShadingLanguage)
            w.str2(382, item.text.c_str(), icon, icon);
        else
            w.str(item.text.c_str(), icon, icon);
    }
    w.pop();
}

void entryPointGroup(TreeWriter &w, const tsDatabase *database, const tsEntryPoint *first)
{
    w.push(306, kIconEntryPoints, kIconEntryPoints);
    for (const tsEntryPoint *ep = first; ep && !w.cut(); ep = ep->next) {
        int icon = db::entryPointResolved(database, ep) ? kIconAvailable : kIconMissing;
        w.str(ep->name, icon, icon);
    }
    w.pop();
}

void coreSection(TreeWriter &w, tsDatabase *database, const tsRendererCaps *caps)
{
    if (!database || !caps || !caps->filled)
        return;
    bool opened = false;
    for (int v = 0; v < db::kCoreVersionCount && !w.cut(); ++v) {
        const char *version = db::kCoreVersions[v];
        db::VersionListing listing = db::listVersion(database, caps, version);
        if (listing.counts.total == 0)
            continue;
        if (!opened) {
            w.push(192, kIconCore, kIconCore);
            opened = true;
        }
        char figure[32];
        std::snprintf(figure, sizeof figure, "%s (%d %% - %d/%d)", version, listing.counts.percent,
                      listing.counts.supported, listing.counts.total);
        w.pushS(figure, kIconCore, kIconCore);
        if (listing.counts.supported > 0)
            listingGroup(w, 177, kIconSupported, listing.supported);
        if (listing.counts.supported < listing.counts.total)
            listingGroup(w, 178, kIconUnsupported, listing.unsupported);
        if (listing.core && listing.core->entryPoints)
            entryPointGroup(w, database, listing.core->entryPoints);
        w.pop();
    }
    if (opened)
        w.pop();
}

// ---------------------------------------------------------- capability tree

void group(TreeWriter &w, int textId)
{
    w.push(textId, kIconGroupClosed, kIconGroupOpen);
}

void strLine(TreeWriter &w, const char *text)
{
    w.str(text, kIconAvailable, kIconAvailable);
}

void adapterSection(TreeWriter &w, const tsRendererCaps *c)
{
    w.push(356, kIconSection, kIconSection);
    w.str2(358, c->vendor, kIconVendor, kIconVendor);
    w.str2(357, c->renderer, kIconRenderer, kIconRenderer);
    w.str2(211, c->version, kIconVersion, kIconVersion);
    if (c->glslVersion && std::strlen(c->glslVersion) > 1)
        w.str2(382, c->glslVersion, kIconVersion, kIconVersion);
    if (c->videoMemory != 0)
        w.int1(366, static_cast<int>(c->videoMemory), kIconRenderer, kIconRenderer);
    w.pop();
}

// One value line of the capability table.
void valueLine(TreeWriter &w, const caps::Capability &row, const caps::TreePlace &place,
               const tsRendererCaps *c)
{
    const caps::Member &m = row.member;
    const caps::Member &second = place.other.valid() ? place.other : m;
    switch (place.kind) {
    case caps::LineKind::Int1: {
        const bool useOther = (place.flags & caps::kTreeOtherWhenZero) && !m.nonZero(*c);
        w.int1(place.label, (useOther ? place.other : m).asInt(*c), kIconAvailable, kIconAvailable);
        break;
    }
    case caps::LineKind::Int2:
        w.int2(place.label, m.asInt(*c), second.asInt(*c), kIconAvailable, kIconAvailable);
        break;
    case caps::LineKind::Int3:
        w.int3(place.label, m.asInt(*c), second.asInt(*c), m.asInt(*c), kIconAvailable,
               kIconAvailable);
        break;
    case caps::LineKind::Float1:
        w.float1(place.label, m.asFloat(*c), kIconAvailable, kIconAvailable);
        break;
    case caps::LineKind::Float2:
        w.float2(place.label, m.asFloat(*c), second.asFloat(*c), kIconAvailable, kIconAvailable);
        break;
    case caps::LineKind::Unset: break;
    }
}

// A group is shown when its extension is listed (where it names one), or
// when one of its key members holds (where it has keys); the others always.
bool groupShown(caps::TreeGroup group, const tsRendererCaps *c)
{
    const caps::TreeGroupInfo &info = caps::treeGroup(group);
    if (info.whenListed)
        return listed(c, info.whenListed);
    bool hasKey = false;
    for (const caps::TreeEntry &e : caps::treeGroupLines(group)) {
        const uint8_t flags = e.place->flags;
        if (flags & caps::kTreeKeyAboveOne) {
            hasKey = true;
            if (e.row->member.asInt(*c) > 1)
                return true;
        } else if (flags & caps::kTreeGroupKey) {
            hasKey = true;
            if (e.row->member.nonZero(*c))
                return true;
        }
    }
    return !hasKey;
}

void tableGroup(TreeWriter &w, caps::TreeGroup group, const tsRendererCaps *c)
{
    if (!groupShown(group, c))
        return;
    w.push(caps::treeGroup(group).heading, kIconGroupClosed, kIconGroupOpen);
    for (const caps::TreeEntry &e : caps::treeGroupLines(group)) {
        if (w.cut())
            break;
        if (e.place->label != 0)
            valueLine(w, *e.row, *e.place, c);
    }
    w.pop();
}

void compressedFormats(TreeWriter &w, const tsRendererCaps *c)
{
    group(w, 204);
    int count = c->NumCompressedTextureFormats;
    if (count > TS_MAX_COMPRESSED_FORMATS)
        count = TS_MAX_COMPRESSED_FORMATS;
    for (int i = 0; i < count && !w.cut(); ++i) {
        const uint32_t code = c->compressedFormats[i];
        const char *name = compressedFormatName(code);
        char hex[16];
        if (!name) {
            std::snprintf(hex, sizeof hex, "%x", code);
            name = hex;
        }
        strLine(w, name);
    }
    w.pop();
}

void textureFormats(TreeWriter &w, const tsRendererCaps *c)
{
    group(w, 367);
    size_t rows = 0;
    const TextureFormatRow *table = textureFormatTable(&rows);
    for (size_t i = 0; i < rows && !w.cut(); ++i) {
        if (std::strcmp(table[i].extension, "GL_VERSION_1_1") == 0 || listed(c, table[i].extension))
            strLine(w, table[i].label);
    }
    w.pop();
}

void textureEnvironment(TreeWriter &w, const tsRendererCaps *c)
{
    group(w, 258);
    strLine(w, "GL_EYE_LINEAR");
    strLine(w, "GL_SPHERE_MAP");
    if (listed(c, "GL_ARB_texture_cube_map")) {
        strLine(w, "GL_NORMAL_MAP_ARB");
        strLine(w, "GL_REFLECTION_MAP_ARB");
    }
    if (listed(c, "GL_NV_texgen_reflection")) {
        strLine(w, "GL_NORMAL_MAP_NV");
        strLine(w, "GL_REFLECTION_MAP_NV");
    }
    w.pop();

    group(w, 259);
    for (const char *mode : {"GL_MODULATE", "GL_DECAL", "GL_BLEND", "GL_REPLACE"})
        strLine(w, mode);
    if (listed(c, "GL_ARB_texture_cube_map")) {
        strLine(w, "GL_NORMAL_MAP_ARB");
        strLine(w, "GL_REFLECTION_MAP_ARB");
    }
    if (listed(c, "GL_ARB_texture_env_add"))
        strLine(w, "GL_ADD");
    if (listed(c, "GL_ARB_texture_env_combine")) {
        for (const char *name :
             {"GL_COMBINE_ARB",       "GL_COMBINE_RGB_ARB",    "GL_COMBINE_ALPHA_ARB",
              "GL_RGB_SCALE_ARB",     "GL_ADD_SIGNED_ARB",     "GL_INTERPOLATE_ARB",
              "GL_CONSTANT_ARB",      "GL_SUBTRACT_ARB",       "GL_PRIMARY_COLOR_ARB",
              "GL_PREVIOUS_ARB",      "GL_SOURCE0_RGB_ARB",    "GL_SOURCE1_RGB_ARB",
              "GL_SOURCE2_RGB_ARB",   "GL_SOURCE0_ALPHA_ARB",  "GL_SOURCE1_ALPHA_ARB",
              "GL_SOURCE2_ALPHA_ARB", "GL_OPERAND0_RGB_ARB",   "GL_OPERAND1_RGB_ARB",
              "GL_OPERAND2_RGB_ARB",  "GL_OPERAND0_ALPHA_ARB", "GL_OPERAND1_ALPHA_ARB",
              "GL_OPERAND2_ALPHA_ARB"})
            strLine(w, name);
    }
    if (listed(c, "GL_NV_texture_env_combine4")) {
        for (const char *name : {"GL_COMBINE4_NV", "GL_SOURCE3_RGB_NV", "GL_SOURCE3_ALPHA_NV",
                                 "GL_OPERAND3_RGB_NV", "GL_OPERAND3_ALPHA_NV"})
            strLine(w, name);
    }
    if (listed(c, "GL_ARB_texture_env_crossbar")) {
        for (int i = 0; i < c->MaxTextureCoords && !w.cut(); ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "GL_TEXTURE%d_ARB", i);
            strLine(w, name);
        }
    }
    if (listed(c, "GL_ARB_texture_env_dot3")) {
        strLine(w, "GL_DOT3_RGB_ARB");
        strLine(w, "GL_DOT3_RGBA_ARB");
    }
    w.pop();
}

void textureLists(TreeWriter &w, const tsRendererCaps *c)
{
    if (c->NumCompressedTextureFormats != 0)
        compressedFormats(w, c);
    textureFormats(w, c);
    textureEnvironment(w, c);
}

// The groups of one section, in table order.
void tableSection(TreeWriter &w, caps::TreeSection section, const tsRendererCaps *c)
{
    for (int g = 1; g < static_cast<int>(caps::TreeGroup::Count) && !w.cut(); ++g) {
        const caps::TreeGroup group = static_cast<caps::TreeGroup>(g);
        if (caps::treeGroup(group).section != section)
            continue;
        if (group == caps::TreeGroup::TextureLists)
            textureLists(w, c);
        else
            tableGroup(w, group, c);
    }
}

// The limits of the core-profile context, when the reading has them: its
// version, then one line per limit; a limit below what OpenGL requires at
// that version is marked and says what is required.
void coreProfileGroup(TreeWriter &w, const tsRendererCaps *c)
{
    const ExtendedLimits *limits = extendedLimitsOf(c);
    if (!limits)
        return;
    group(w, TS_TEXT_CORE_PROFILE);
    w.str2(211, limits->version.c_str(), kIconVersion, kIconVersion);
    const GlVersion version = parseGlVersion(limits->version.c_str());
    for (const ExtendedValue &v : limits->values) {
        if (w.cut())
            break;
        if (breaksRequirement(v, version))
            w.str2(TS_TEXT_LIMIT_BELOW_REQUIRED, (v.line() + " (" + v.requirement() + ")").c_str(),
                   kIconMissing, kIconMissing);
        else
            strLine(w, v.line().c_str());
    }
    w.pop();
}

// ----------------------------------------------------------- extension tree

// One line per "|"-separated piece of a list field.  Empty pieces (a doubled,
// leading or trailing "|") show no line.
void splitLines(TreeWriter &w, const char *text, size_t size)
{
    std::string piece;
    for (size_t i = 0; i < size && text[i] && !w.cut(); ++i) {
        if (text[i] == '|') {
            if (!piece.empty())
                w.str(piece.c_str(), kIconAvailable, kIconAvailable);
            piece.clear();
        } else {
            piece.push_back(text[i]);
        }
    }
    if (!piece.empty())
        w.str(piece.c_str(), kIconAvailable, kIconAvailable);
}

std::string field(const char *text, size_t size)
{
    return std::string(text, strnlen(text, size));
}

void extensionSubtree(TreeWriter &w, const tsDatabase *database, const tsExtension *e)
{
    const std::string name = field(e->name, sizeof e->name);
    w.pushS(name.c_str(), kIconAvailable, kIconAvailable);
    if (e->alias[0]) {
        w.push(333, kIconAlias, kIconAlias);
        splitLines(w, e->alias, sizeof e->alias);
        w.pop();
    }
    if (e->req[0])
        w.str2(299, field(e->req, sizeof e->req).c_str(), kIconVersionFact, kIconVersionFact);
    if (e->spec[0])
        w.str2(300, field(e->spec, sizeof e->spec).c_str(), kIconVersionFact, kIconVersionFact);
    if (e->core[0])
        w.str2(301, field(e->core, sizeof e->core).c_str(), kIconVersionFact, kIconVersionFact);
    if (e->entryPoints)
        entryPointGroup(w, database, e->entryPoints);
    if (e->depends[0]) {
        w.push(305, kIconDependencies, kIconDependencies);
        splitLines(w, e->depends, sizeof e->depends);
        w.pop();
    }
    if (e->affects[0]) {
        w.push(304, kIconAlias, kIconAlias);
        splitLines(w, e->affects, sizeof e->affects);
        w.pop();
    }
    w.pop();
}

struct VendorGroup {
    char word[32];
    std::vector<const tsExtension *> extensions;
};

} // namespace
} // namespace sounder

using namespace sounder;

extern "C" {

SOUNDER_API int tsCreateMainTree(tsTree *tree, tsDatabase *database, const tsIcdList *icds,
                                 const tsSystemInfo *system, const tsRendererCaps *caps)
{
    if (!tree)
        return 0;
    TreeWriter w(tree);
    systemSection(w, system);
    driverSection(w, icds, caps);
    coreSection(w, database, caps);
    return w.finish();
}

SOUNDER_API int tsCreateCapsTree(tsTree *tree, const tsRendererCaps *caps)
{
    if (!tree || !caps)
        return 0;
    TreeWriter w(tree);
    adapterSection(w, caps);
    group(w, 162);
    group(w, 163);
    tableSection(w, caps::TreeSection::Implementation, caps);
    w.pop(); // 163
    group(w, 199);
    tableSection(w, caps::TreeSection::Extension, caps);
    w.pop(); // 199
    coreProfileGroup(w, caps);
    w.pop(); // 162
    return w.finish();
}

SOUNDER_API int tsCreateExtTree(tsTree *tree, tsDatabase *database)
{
    if (!tree || !database)
        return 0;
    std::vector<VendorGroup> groups;
    int count = 0;
    for (const tsExtension *e = database->extensions; e; e = e->next) {
        if (!db::supportBit(database, e))
            continue;
        ++count;
        char word[128];
        tsExtractVendorFromExtension(word, e->name, sizeof word);
        char cutWord[32];
        sysStrlCpy(cutWord, word, sizeof cutWord);
        VendorGroup *found = nullptr;
        for (VendorGroup &g : groups) {
            if (sysStriCmp(g.word, cutWord) == 0) {
                found = &g;
                break;
            }
        }
        if (!found) {
            groups.emplace_back();
            found = &groups.back();
            sysStrlCpy(found->word, cutWord, sizeof found->word);
        }
        found->extensions.push_back(e);
    }

    TreeWriter w(tree);
    w.pushI(141, count, kIconGroupClosed, kIconGroupOpen);
    for (const VendorGroup &g : groups) {
        if (w.cut())
            break;
        int icon = tsGetExtImageIcon(g.word);
        w.pushSI(g.word, static_cast<int>(g.extensions.size()), icon, icon);
        for (const tsExtension *e : g.extensions) {
            if (w.cut())
                break;
            extensionSubtree(w, database, e);
        }
        w.pop();
    }
    w.pop();
    return w.finish();
}

} // extern "C"
