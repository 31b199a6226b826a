/* Vendor icons, vendor home pages and documentation links of extensions,
 * and the vendor/renderer/extension test of the client interface. */
#include "sounder/links.h"

#include "keel/keel.h"
#include "sounder/database.h"
#include "sounder/probe.h"

#include <cstring>
#include <initializer_list>

namespace {

struct IconKey {
    const char *key;
    int icon;
};

/* Vendor texts: the first key contained (case-sensitive) wins. */
const IconKey kVendorIcons[] = {
    {"ATI", 2},  {"NVIDIA", 9},     {"Intel", 6},   {"Apple", 1},      {"S3", 11},
    {"3Dfx", 0}, {"WICKED", 0},     {"SiS", 37},    {"SGI", 12},       {"Tungsten", 24},
    {"XGI", 38}, {"Microsoft", 14}, {"3Dlabs", 39}, {"Intergraph", 7}, {"Imagination", 40},
};

/* Vendor words of extension names (case-insensitive equality). */
const IconKey kWordIcons[] = {
    {"NV", 9},  {"NVX", 9},   {"S3", 11},  {"SGI", 12},  {"SGIS", 12}, {"SGIX", 12},
    {"KTX", 8}, {"SUN", 13},  {"IBM", 5},  {"WIN", 14},  {"ATI", 2},   {"ATIX", 2},
    {"HP", 4},  {"APPLE", 1}, {"3DFX", 0}, {"INTEL", 6}, {"EXT", 3},
};
constexpr int kOtherWordIcon = 10;

struct LinkKey {
    const char *key;
    const char *address;
};

/* Home pages, searched in this order.  Vendors that no longer exist point
 * at an encyclopaedia article about them; "ARB" and "EXT" share the
 * OpenGL standards body's page. */
const char kOpenGLBody[] = "https://www.khronos.org/opengl/";
const LinkKey kVendorLinks[] = {
    {"Microsoft", "https://www.microsoft.com/"},
    {"NVIDIA", "https://www.nvidia.com/"},
    {"3Dfx", "https://en.wikipedia.org/wiki/3dfx_Interactive"},
    {"SGI", "https://en.wikipedia.org/wiki/Silicon_Graphics"},
    {"Matrox", "https://www.matrox.com/"},
    {"Intel", "https://www.intel.com/"},
    {"ATI", "https://www.amd.com/"},
    {"S3", "https://en.wikipedia.org/wiki/S3_Graphics"},
    {"SIS", "https://www.sis.com/"},
    {"Elsa", "https://en.wikipedia.org/wiki/ELSA_Technology"},
    {"Rendition", "https://en.wikipedia.org/wiki/Rendition_(company)"},
    {"Oak", "https://en.wikipedia.org/wiki/Oak_Technology"},
    {"Nine", "https://en.wikipedia.org/wiki/Number_Nine_Visual_Technology"},
    {"Diamond Multimedia", "https://www.diamondmm.com/"},
    {"Trident", "https://en.wikipedia.org/wiki/Trident_Microsystems"},
    {"XGI", "https://en.wikipedia.org/wiki/XGI_Technology"},
    {"Scitech", "https://en.wikipedia.org/wiki/SciTech_Software"},
    {"ARB", kOpenGLBody},
    {"EXT", kOpenGLBody},
    {"HP", "https://www.hp.com/"},
};

constexpr size_t kBufferSize = 256;

/* Module-level results: each lives until the next call that fills it. */
char g_vendorWord[kBufferSize];
char g_namePart[kBufferSize];
char g_wglNamePart[kBufferSize];
char g_linkPath[TS_LINK_PATH_SIZE];

/* What follows the first "GL_", else "GLX_", else "GLU_" (the whole name
 * when it has none of them). */
const char *skipApiPrefix(const char *name)
{
    for (const char *prefix : {"GL_", "GLX_", "GLU_"}) {
        if (const char *at = std::strstr(name, prefix))
            return at + std::strlen(prefix);
    }
    return name;
}

/* Vendor word of a name for links: GL_ARB_multitexture gives "ARB",
 * WGL_ARB_pbuffer gives "ARB". */
const char *linkVendorWord(const char *name)
{
    sysStrlCpy(g_vendorWord, skipApiPrefix(name), sizeof g_vendorWord);
    if (char *underscore = std::strchr(g_vendorWord, '_'))
        *underscore = '\0';
    return g_vendorWord;
}

/* Name part of a name for registry links: GL_ARB_multitexture gives
 * "multitexture", WGL_ARB_pbuffer "wgl_pbuffer", WGL_NV_render_depth_texture
 * "render_depth_texture". */
const char *linkNamePart(const char *name)
{
    const bool wgl = std::strstr(name, "WGL_") != nullptr;
    const char *rest = skipApiPrefix(name);
    const char *underscore = std::strchr(rest, '_');
    sysStrlCpy(g_namePart, underscore ? underscore + 1 : "", sizeof g_namePart);
    if (!wgl)
        return g_namePart;
    const char *vendor = linkVendorWord(name);
    if (std::strcmp(vendor, "NV") == 0 || std::strcmp(vendor, "ATI") == 0)
        return g_namePart;
    sysSnPrintf(g_wglNamePart, sizeof g_wglNamePart, "wgl_%s", g_namePart);
    return g_wglNamePart;
}

void lowerCase(char *s)
{
    for (; *s; ++s)
        *s = static_cast<char>(sysToLower(static_cast<unsigned char>(*s)));
}

/* Writes the path of a link type into out (size bytes); false for a type
 * that has none. */
bool linkPath(char *out, size_t size, int *textId, const char *name, int type)
{
    if (!name)
        name = "";
    int id = 0;
    switch (type) {
    case TS_LINK_REGISTRY: {
        id = 109;
        /* Both parts live in their own buffers; copy the vendor word first
         * because the name part may refill it. */
        char vendor[kBufferSize];
        sysStrlCpy(vendor, linkVendorWord(name), sizeof vendor);
        const char *part = linkNamePart(name);
        sysSnPrintf(out, size, "%s/%s.txt", vendor, part);
        break;
    }
    case TS_LINK_VENDOR_ARCHIVE:
        id = 110;
        sysSnPrintf(out, size, "%s.txt", name);
        break;
    case TS_LINK_STATISTICS:
    case TS_LINK_SEARCH:
    case TS_LINK_PLATFORM:
        id = type == TS_LINK_STATISTICS ? 111 : type == TS_LINK_SEARCH ? 112 : 137;
        sysStrlCpy(out, name, size);
        break;
    case TS_LINK_WGL_MANUAL:
        id = 381;
        if (std::strstr(name, "WGL_I3D")) {
            /* The name from its eighth character on ("_genlock"). */
            sysSnPrintf(out, size, "wgl%s.htm", name + 7);
            lowerCase(out);
        } else {
            out[0] = '\0';
        }
        break;
    case TS_LINK_MIRROR:
        id = 383;
        sysSnPrintf(out, size, "%s/%s.txt", linkVendorWord(name), name);
        lowerCase(out);
        break;
    default: return false;
    }
    if (textId)
        *textId = id;
    return true;
}

} // namespace

extern "C" SOUNDER_API int tsGetVendorImageIcon(const char *vendor)
{
    if (!vendor)
        return -1;
    for (const IconKey &k : kVendorIcons)
        if (std::strstr(vendor, k.key))
            return k.icon;
    return -1;
}

extern "C" SOUNDER_API int tsGetExtImageIcon(const char *vendorWord)
{
    if (!vendorWord)
        return kOtherWordIcon;
    for (const IconKey &k : kWordIcons)
        if (sysStriCmp(vendorWord, k.key) == 0)
            return k.icon;
    return kOtherWordIcon;
}

extern "C" SOUNDER_API int tsGetExtensionImageIcon(const tsExtension *extension)
{
    if (!extension)
        return kOtherWordIcon;
    char word[32];
    word[0] = '\0';
    tsExtractVendorFromExtension(word, extension->name, static_cast<int>(sizeof word));
    word[sizeof word - 1] = '\0';
    return tsGetExtImageIcon(word);
}

extern "C" SOUNDER_API const char *tsGetVendorLink(const char *vendor)
{
    if (!vendor)
        return nullptr;
    for (const LinkKey &k : kVendorLinks)
        if (std::strstr(vendor, k.key))
            return k.address;
    return nullptr;
}

extern "C" SOUNDER_API void tsCreateExtensionLink(char *out, int *textId, const char *name,
                                                  int type)
{
    char path[TS_LINK_PATH_SIZE];
    int id = 0;
    if (!linkPath(path, sizeof path, &id, name, type))
        return;
    if (textId)
        *textId = id;
    if (out)
        sysStrlCpy(out, path, TS_LINK_PATH_SIZE);
}

extern "C" SOUNDER_API const char *tsCreateExtensionLinkExt(const char *name, int type)
{
    g_linkPath[0] = '\0';
    if (!linkPath(g_linkPath, sizeof g_linkPath, nullptr, name, type))
        g_linkPath[0] = '\0';
    return g_linkPath;
}

extern "C" SOUNDER_API int tsIsType(const char *text, tsDatabase *database,
                                    const tsRendererCaps *caps, int type)
{
    if (!text)
        return 0;
    switch (type) {
    case 0: return caps && caps->vendor && sysStriCmp(text, caps->vendor) == 0 ? 1 : 0;
    case 1: {
        if (!caps || !caps->renderer)
            return 0;
        const char *family = tsNormaliseRendererName(caps->renderer);
        return family && sysStriCmp(text, family) == 0 ? 1 : 0;
    }
    case 2:
        if (!database)
            return 0;
        for (const tsExtension *e = database->extensions; e; e = e->next)
            if (e->support != 0 && std::strcmp(e->name, text) == 0)
                return -1;
        return 0;
    default: return 0;
    }
}
