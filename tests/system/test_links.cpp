/* Vendor icons and home pages, extension documentation links and the
 * vendor/renderer/extension test. */
#include <gtest/gtest.h>

#include "sounder/database.h"
#include "sounder/links.h"
#include "sounder/probe.h"

#include <cctype>
#include <cstring>
#include <string>

namespace {

std::string link(const char *name, int type, int *id = nullptr)
{
    char out[TS_LINK_PATH_SIZE];
    std::memset(out, 'Z', sizeof out);
    out[sizeof out - 1] = '\0';
    int textId = -1;
    tsCreateExtensionLink(out, &textId, name, type);
    if (id)
        *id = textId;
    return out;
}

} // namespace

TEST(VendorIcons, KeysInOrder)
{
    EXPECT_EQ(tsGetVendorImageIcon("ATI Technologies Inc."), 2);
    EXPECT_EQ(tsGetVendorImageIcon("NVIDIA Corporation"), 9);
    EXPECT_EQ(tsGetVendorImageIcon("Intel Open Source Technology Center"), 6);
    EXPECT_EQ(tsGetVendorImageIcon("3Dfx Interactive Inc."), 0);
    EXPECT_EQ(tsGetVendorImageIcon("WICKED3D"), 0);
    EXPECT_EQ(tsGetVendorImageIcon("SiS"), 37);
    EXPECT_EQ(tsGetVendorImageIcon("Imagination Technologies"), 40);
    /* The first key of the table wins over a later one in the text. */
    EXPECT_EQ(tsGetVendorImageIcon("Intel and NVIDIA"), 9);
    /* Keys are case-sensitive. */
    EXPECT_EQ(tsGetVendorImageIcon("nvidia"), -1);
    EXPECT_EQ(tsGetVendorImageIcon("Mesa"), -1);
    EXPECT_EQ(tsGetVendorImageIcon(""), -1);
    EXPECT_EQ(tsGetVendorImageIcon(nullptr), -1);
}

TEST(VendorIcons, ExtensionWords)
{
    EXPECT_EQ(tsGetExtImageIcon("arb"), 10);
    EXPECT_EQ(tsGetExtImageIcon("ARB"), 10);
    EXPECT_EQ(tsGetExtImageIcon("nv"), 9);
    EXPECT_EQ(tsGetExtImageIcon("NVX"), 9);
    EXPECT_EQ(tsGetExtImageIcon("sgix"), 12);
    EXPECT_EQ(tsGetExtImageIcon("Ext"), 3);
    EXPECT_EQ(tsGetExtImageIcon("3dfx"), 0);
    EXPECT_EQ(tsGetExtImageIcon("NVXX"), 10); /* equality, not prefix */
    EXPECT_EQ(tsGetExtImageIcon(""), 10);
    EXPECT_EQ(tsGetExtImageIcon(nullptr), 10);

    tsExtension ext;
    std::memset(&ext, 0, sizeof ext);
    std::strcpy(ext.name, "GL_NV_fence");
    EXPECT_EQ(tsGetExtensionImageIcon(&ext), 9);
    std::strcpy(ext.name, "GL_ATI_fragment_shader");
    EXPECT_EQ(tsGetExtensionImageIcon(&ext), 2);
    std::strcpy(ext.name, "GL_ARB_multitexture");
    EXPECT_EQ(tsGetExtensionImageIcon(&ext), 10);
    std::memset(ext.name, 'A', sizeof ext.name - 1); /* one long word */
    EXPECT_EQ(tsGetExtensionImageIcon(&ext), 10);
    EXPECT_EQ(tsGetExtensionImageIcon(nullptr), 10);
}

TEST(VendorLinks, FirstKeyAndCase)
{
    const char *sgi = tsGetVendorLink("SGI");
    ASSERT_NE(sgi, nullptr);
    /* SGI comes before Intel among the keys. */
    EXPECT_STREQ(tsGetVendorLink("Intel SGI"), sgi);
    EXPECT_STRNE(tsGetVendorLink("Intel"), sgi);
    /* The key is "SIS": "SiS" matches none. */
    EXPECT_EQ(tsGetVendorLink("SiS"), nullptr);
    EXPECT_NE(tsGetVendorLink("SIS"), nullptr);
    EXPECT_EQ(tsGetVendorLink("Mesa"), nullptr);
    EXPECT_EQ(tsGetVendorLink(nullptr), nullptr);
    /* ARB and EXT share the standards body's page. */
    ASSERT_NE(tsGetVendorLink("ARB"), nullptr);
    EXPECT_STREQ(tsGetVendorLink("ARB"), tsGetVendorLink("EXT"));
    EXPECT_NE(std::string(tsGetVendorLink("ARB")).find("khronos.org"), std::string::npos);
    for (const char *v :
         {"Microsoft", "NVIDIA", "3Dfx",    "SGI",       "Matrox", "Intel", "ATI",
          "S3",        "SIS",    "Elsa",    "Rendition", "Oak",    "Nine",  "Diamond Multimedia",
          "Trident",   "XGI",    "Scitech", "ARB",       "EXT",    "HP"}) {
        const char *address = tsGetVendorLink(v);
        ASSERT_NE(address, nullptr) << v;
        EXPECT_EQ(std::string(address).compare(0, 8, "https://"), 0) << v;
    }
}

TEST(ExtensionLinks, RegistryPaths)
{
    int id = 0;
    EXPECT_EQ(link("GL_ARB_multitexture", TS_LINK_REGISTRY, &id), "ARB/multitexture.txt");
    EXPECT_EQ(id, 109);
    EXPECT_EQ(link("WGL_ARB_pbuffer", TS_LINK_REGISTRY), "ARB/wgl_pbuffer.txt");
    EXPECT_EQ(link("WGL_NV_render_depth_texture", TS_LINK_REGISTRY), "NV/render_depth_texture.txt");
    EXPECT_EQ(link("WGL_ATI_pixel_format_float", TS_LINK_REGISTRY), "ATI/pixel_format_float.txt");
    EXPECT_EQ(link("GLX_SGIX_fbconfig", TS_LINK_REGISTRY), "SGIX/fbconfig.txt");
    EXPECT_EQ(link("GLU_EXT_nurbs_tessellator", TS_LINK_REGISTRY), "EXT/nurbs_tessellator.txt");
    EXPECT_EQ(link("WGL_I3D_genlock", TS_LINK_REGISTRY), "I3D/wgl_genlock.txt");
}

TEST(ExtensionLinks, OtherTypes)
{
    int id = 0;
    EXPECT_EQ(link("GL_ARB_multitexture", TS_LINK_VENDOR_ARCHIVE, &id), "GL_ARB_multitexture.txt");
    EXPECT_EQ(id, 110);
    EXPECT_EQ(link("GL_ARB_multitexture", TS_LINK_STATISTICS, &id), "GL_ARB_multitexture");
    EXPECT_EQ(id, 111);
    EXPECT_EQ(link("GL_ARB_multitexture", TS_LINK_SEARCH, &id), "GL_ARB_multitexture");
    EXPECT_EQ(id, 112);
    EXPECT_EQ(link("GL_ARB_multitexture", TS_LINK_PLATFORM, &id), "GL_ARB_multitexture");
    EXPECT_EQ(id, 137);
    EXPECT_EQ(link("WGL_I3D_genlock", TS_LINK_WGL_MANUAL, &id), "wgl_genlock.htm");
    EXPECT_EQ(id, 381);
    EXPECT_EQ(link("WGL_I3D_Digital_Video_Control", TS_LINK_WGL_MANUAL),
              "wgl_digital_video_control.htm");
    id = 0;
    EXPECT_EQ(link("WGL_ARB_pbuffer", TS_LINK_WGL_MANUAL, &id), "");
    EXPECT_EQ(id, 381);
    EXPECT_EQ(link("GL_ARB_multitexture", TS_LINK_MIRROR, &id), "arb/gl_arb_multitexture.txt");
    EXPECT_EQ(id, 383);
    EXPECT_EQ(link("WGL_ARB_pbuffer", TS_LINK_MIRROR), "arb/wgl_arb_pbuffer.txt");
}

TEST(ExtensionLinks, TypesWithoutPathTouchNothing)
{
    for (int type : {5, 8, 100, -1}) {
        char out[TS_LINK_PATH_SIZE] = "untouched";
        int id = 4242;
        tsCreateExtensionLink(out, &id, "GL_ARB_multitexture", type);
        EXPECT_STREQ(out, "untouched") << type;
        EXPECT_EQ(id, 4242) << type;
        EXPECT_STREQ(tsCreateExtensionLinkExt("GL_ARB_multitexture", type), "") << type;
    }
    tsCreateExtensionLink(nullptr, nullptr, "GL_ARB_multitexture", 0);
}

TEST(ExtensionLinks, ExtFormAndLongNames)
{
    EXPECT_STREQ(tsCreateExtensionLinkExt("WGL_ARB_pbuffer", TS_LINK_REGISTRY),
                 "ARB/wgl_pbuffer.txt");
    EXPECT_STREQ(tsCreateExtensionLinkExt("WGL_I3D_genlock", TS_LINK_WGL_MANUAL),
                 "wgl_genlock.htm");
    /* A driver-supplied name far longer than the buffers, with format
     * characters in it: cut to 255 characters, never formatted. */
    std::string name = "GL_%s%n_" + std::string(1000, 'x');
    for (int type : {0, 1, 2, 3, 4, 6, 7}) {
        std::string path = link(name.c_str(), type);
        EXPECT_LE(path.size(), 255u) << type;
        const char *ext = tsCreateExtensionLinkExt(name.c_str(), type);
        EXPECT_LE(std::strlen(ext), 255u) << type;
    }
    EXPECT_EQ(link(name.c_str(), TS_LINK_REGISTRY).substr(0, 5), "%s%n/");
    std::string i3d = "WGL_I3D_" + std::string(600, 'Q');
    EXPECT_EQ(link(i3d.c_str(), TS_LINK_WGL_MANUAL).substr(0, 6), "wgl_qq");
    EXPECT_EQ(link("", TS_LINK_REGISTRY), "/.txt");
    EXPECT_EQ(link(nullptr, TS_LINK_SEARCH), "");
}

TEST(IsType, VendorRendererAndExtension)
{
    tsRendererCaps caps;
    std::memset(&caps, 0, sizeof caps);
    char vendor[] = "NVIDIA Corporation";
    char renderer[] = "GeForce 7800 GTX/PCI/SSE2";
    caps.vendor = vendor;
    caps.renderer = renderer;

    EXPECT_EQ(tsIsType("nvidia corporation", nullptr, &caps, 0), 1);
    EXPECT_EQ(tsIsType("NVIDIA", nullptr, &caps, 0), 0);

    std::string family = tsNormaliseRendererName(renderer);
    ASSERT_FALSE(family.empty());
    for (char &c : family)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(tsIsType(family.c_str(), nullptr, &caps, 1), 1);
    if (family != "GEFORCE 7800 GTX/PCI/SSE2") {
        EXPECT_EQ(tsIsType(renderer, nullptr, &caps, 1), 0);
    }

    tsExtension a, b, c;
    std::memset(&a, 0, sizeof a);
    std::memset(&b, 0, sizeof b);
    std::memset(&c, 0, sizeof c);
    std::strcpy(a.name, "GL_ARB_multitexture");
    a.support = 2; /* only reading 1 */
    std::strcpy(b.name, "GL_ARB_vertex_program");
    b.support = 0;
    std::strcpy(c.name, "GL_EXT_texture3D");
    c.support = 1;
    a.next = &b;
    b.next = &c;
    tsDatabase db;
    std::memset(&db, 0, sizeof db);
    db.extensions = &a;

    EXPECT_EQ(tsIsType("GL_ARB_multitexture", &db, &caps, 2), -1);
    EXPECT_EQ(tsIsType("GL_EXT_texture3D", &db, &caps, 2), -1);
    EXPECT_EQ(tsIsType("GL_ARB_vertex_program", &db, &caps, 2), 0); /* support mask 0 */
    EXPECT_EQ(tsIsType("gl_arb_multitexture", &db, &caps, 2), 0);   /* case-sensitive */
    EXPECT_EQ(tsIsType("GL_ARB_multitexture", &db, &caps, 3), 0);
    EXPECT_EQ(tsIsType("GL_ARB_multitexture", nullptr, &caps, 2), 0);
    EXPECT_EQ(tsIsType(nullptr, &db, &caps, 0), 0);

    caps.vendor = nullptr;
    caps.renderer = nullptr;
    EXPECT_EQ(tsIsType("", nullptr, &caps, 0), 0);
    EXPECT_EQ(tsIsType("", nullptr, &caps, 1), 0);
    EXPECT_EQ(tsIsType("x", nullptr, nullptr, 0), 0);
}
