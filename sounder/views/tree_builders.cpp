// The three information trees: the summary (system, installed drivers, core
// feature sets), the capabilities of a reading, and the supported extensions
// grouped by vendor word.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "database/compliance.h"
#include "keel/keel.h"
#include "sounder/database.h"
#include "sounder/links.h"
#include "sounder/probe.h"
#include "sounder/system.h"
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

void value(TreeWriter &w, int textId, int v)
{
    w.int1(textId, v, kIconAvailable, kIconAvailable);
}

void value2(TreeWriter &w, int textId, int a, int b)
{
    w.int2(textId, a, b, kIconAvailable, kIconAvailable);
}

void value3(TreeWriter &w, int textId, int a, int b, int c)
{
    w.int3(textId, a, b, c, kIconAvailable, kIconAvailable);
}

void valueF(TreeWriter &w, int textId, float v)
{
    w.float1(textId, v, kIconAvailable, kIconAvailable);
}

void valueF2(TreeWriter &w, int textId, float a, float b)
{
    w.float2(textId, a, b, kIconAvailable, kIconAvailable);
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

void implementationSection(TreeWriter &w, const tsRendererCaps *c)
{
    group(w, 163);
    group(w, 164);
    value2(w, 165, c->ViewportMaxWidth, c->ViewportMaxHeight);
    value(w, 167, c->SubPixelBits);
    w.pop();
    group(w, 168);
    value(w, 169, c->AttribStackDepth);
    value(w, 170, c->MaxModelViewStackDepth);
    value(w, 171, c->NameStackDepth);
    value(w, 172, c->MaxProjectionStackDepth);
    value(w, 173, c->MaxTextureStackDepth);
    value(w, 374, c->MaxClientAttribStackDepth);
    w.pop();
    group(w, 174);
    valueF(w, 187, c->LineSizeGran);
    valueF2(w, 188, c->LineSizeMin, c->LineSizeMax);
    valueF2(w, 372, c->AliasedLineWidthMin, c->AliasedLineWidthMax);
    value(w, 189, c->MaxDisplayListNesting);
    value(w, 190, c->NumClipPlanes);
    value(w, 193, c->NumLights);
    value(w, 194, c->PixelMapTable);
    value(w, 195, c->EvalOrder);
    value2(w, 196, c->TextureSize, c->TextureSize);
    valueF(w, 197, c->PointSizeGran);
    valueF2(w, 198, c->PointSizeMin, c->PointSizeMax);
    valueF2(w, 373, c->AliasedPointSizeMin, c->AliasedPointSizeMax);
    w.pop();
    w.pop(); // 163
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

void extensionSection(TreeWriter &w, const tsRendererCaps *c)
{
    group(w, 199);
    if (c->MaxElementsIndices != 0) {
        group(w, 311);
        value(w, 205, c->MaxElementsIndices);
        value(w, 206, c->MaxElementsVertices);
        w.pop();
    }
    if (c->MaxVertexBlend != 0) {
        group(w, 207);
        value(w, 210, c->MaxVertexBlend);
        w.pop();
    }
    if (c->ATIMaxVertexStreams != 0) {
        group(w, 264);
        value(w, 265, c->ATIMaxVertexStreams);
        w.pop();
    }
    if (c->NVMaxVertexArrayRangeElements != 0 || c->APPLEMaxVertexArrayRangeElements != 0) {
        group(w, 260);
        value(w, 261,
              c->NVMaxVertexArrayRangeElements != 0 ? c->NVMaxVertexArrayRangeElements
                                                    : c->APPLEMaxVertexArrayRangeElements);
        w.pop();
    }
    if (c->ATIMaxTrianglesTesselationLevel != 0) {
        group(w, 262);
        value(w, 263, c->ATIMaxTrianglesTesselationLevel);
        w.pop();
    }
    if (c->NVMaxSpotExponent != 0) {
        group(w, 266);
        value(w, 267, c->NVMaxSpotExponent);
        value(w, 268, c->NVMaxShininessExponent);
        w.pop();
    }
    if (c->MaxColorMatrixStackDepth != 0) {
        group(w, 377);
        value(w, 375, c->MaxColorMatrixStackDepth);
        value2(w, 376, c->MaxConvolutionWidth, c->MaxConvolutionHeight);
        w.pop();
    }
    if (c->MaxTextureUnits > 1) {
        group(w, 214);
        value(w, 215, c->MaxTextureUnits);
        w.pop();
    }
    if (c->NVMaxTextureRectangleSize != 0) {
        group(w, 216);
        value2(w, 217, c->NVMaxTextureRectangleSize, c->NVMaxTextureRectangleSize);
        w.pop();
    }
    if (c->MaxTexture3DSize != 0) {
        group(w, 218);
        value3(w, 219, c->MaxTexture3DSize, c->MaxTexture3DSize, c->MaxTexture3DSize);
        w.pop();
    }
    if (c->MaxTextureCubeSize != 0) {
        group(w, 202);
        value3(w, 203, c->MaxTextureCubeSize, c->MaxTextureCubeSize, c->MaxTextureCubeSize);
        w.pop();
    }
    if (c->MaxTextureAnisotropy != 0) {
        group(w, 200);
        value(w, 201, c->MaxTextureAnisotropy);
        w.pop();
    }
    if (c->MaxTextureLodBias != 0) {
        group(w, 312);
        value(w, 313, c->MaxTextureLodBias);
        w.pop();
    }
    if (c->NumCompressedTextureFormats != 0)
        compressedFormats(w, c);
    textureFormats(w, c);
    textureEnvironment(w, c);
    if (c->MaxOcclusionQueryBits != 0) {
        group(w, 335);
        value(w, 336, c->MaxOcclusionQueryBits);
        w.pop();
    }
    if (c->MaxDrawBuffers != 0) {
        group(w, 318);
        value(w, 319, c->MaxDrawBuffers);
        w.pop();
    }
    if (c->APPLEMinPbufferViewportWidth != 0 || c->APPLEMinPbufferViewportHeight != 0) {
        group(w, 346);
        value2(w, 347, c->APPLEMinPbufferViewportWidth, c->APPLEMinPbufferViewportHeight);
        w.pop();
    }
    if (c->FBOMaxColorAttachments != 0) {
        group(w, 380);
        value(w, 378, c->FBOMaxColorAttachments);
        value2(w, 379, c->FBOMaxRenderBufferSize, c->FBOMaxRenderBufferSize);
        w.pop();
    }
    if (listed(c, "GL_ARB_multisample")) {
        group(w, 287);
        value(w, 315, c->MaxSamples);
        w.pop();
    }
    if (c->MaxProgramInstructions != 0) {
        group(w, 220);
        const int values[] = {c->MaxProgramInstructions,    c->MaxNativeInstructions,
                              c->MaxProgramTemporaries,     c->MaxProgramNativeTemporaries,
                              c->MaxProgramParameters,      c->MaxProgramNativeParameters,
                              c->MaxProgramAttribs,         c->MaxProgramNativeAttribs,
                              c->MaxProgramAdressRegisters, c->MaxProgramNativeAddressRegisters,
                              c->MaxProgramLocalParameters, c->MaxProgramEnvParameters};
        for (int i = 0; i < 12; ++i)
            value(w, 222 + i, values[i]);
        value(w, 234, c->MaxVertexAttributes);
        value(w, 235, c->MaxProgramMatrices);
        value(w, 236, c->MaxProgramMatrixStackDepth);
        w.pop();
    }
    if (c->MaxProgramALUInstructions != 0) {
        group(w, 221);
        value(w, 237, c->MaxProgramALUInstructions);
        value(w, 238, c->MaxFragmentAttribs);
        value(w, 239, c->MaxFragmentEnvParameters);
        value(w, 240, c->MaxFragmentInstructions);
        value(w, 241, c->MaxFragmentLocalParameters);
        value(w, 242, c->MaxProgramMatrixStackDepth);
        value(w, 243, c->MaxProgramNativeALUInstructions);
        value(w, 244, c->MaxFragmentNativeAttribs);
        value(w, 245, c->MaxFragmentNativeParameters);
        value(w, 246, c->MaxFragmentNativeTemporaries);
        value(w, 247, c->MaxProgramNativeTexIndirections);
        value(w, 248, c->MaxProgramNativeTexInstructions);
        value(w, 249, c->MaxFragmentNativeInstructions);
        value(w, 250, c->MaxFragmentParameters);
        value(w, 251, c->MaxFragmentTemporaries);
        value(w, 254, c->MaxProgramTexIndirections);
        value(w, 255, c->MaxProgramTexInstructions);
        value(w, 256, c->MaxTextureCoords);
        value(w, 257, c->MaxTextureImageUnits);
        w.pop();
    }
    if (c->MaxVertexUniformComponents != 0) {
        group(w, 320);
        value(w, 321, c->MaxVertexUniformComponents);
        value(w, 322, c->MaxVaryingFloats);
        value(w, 323, c->MaxCombinedImageUnits);
        value(w, 324, c->MaxVertexTextureImageUnits);
        w.pop();
    }
    if (c->MaxProgramExeInstructionsNV != 0) {
        group(w, 221);
        value(w, 328, c->MaxProgramExeInstructionsNV);
        value(w, 329, c->MaxProgramCallDepthNV);
        value(w, 330, c->MaxProgramIfDepthNV);
        value(w, 331, c->MaxProgramLoopDepthNV);
        value(w, 332, c->MaxProgramLoopCountNV);
        w.pop();
    }
    if (c->NVMaxGeneralCombiners != 0) {
        group(w, 316);
        value(w, 317, c->NVMaxGeneralCombiners);
        w.pop();
    }
    if (c->MaxFragmentUniformComponents != 0) {
        group(w, 325);
        value(w, 326, c->MaxFragmentUniformComponents);
        w.pop();
    }
    if (c->ATINumFragmentRegisters != 0) {
        group(w, 221);
        value(w, 339, c->ATINumFragmentRegisters);
        value(w, 340, c->ATINumFragmentConstants);
        value(w, 341, c->ATINumPasses);
        value(w, 342, c->ATINumInstructionsPerPass);
        value(w, 343, c->ATINumInstructionsTotal);
        value(w, 344, c->ATINumLoopbackComponents);
        value(w, 345, c->ATINumInputInterpolatorComponents);
        w.pop();
    }
    if (c->MaxGeomTexUnits != 0) {
        group(w, 395);
        value(w, 396, c->MaxGeomTexUnits);
        value(w, 397, c->MaxGeomVaryingComp);
        value(w, 398, c->MaxVertexVaryingComp);
        value(w, 399, c->MaxVaryingComp);
        value(w, 400, c->MaxGeomUniformComp);
        value(w, 401, c->MaxGeomOutputVerts);
        value(w, 402, c->MaxGeomTotalOutputComp);
        w.pop();
    }
    w.pop(); // 199
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
    implementationSection(w, caps);
    extensionSection(w, caps);
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
