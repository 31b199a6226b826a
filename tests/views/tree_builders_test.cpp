// The three builders on hand-filled readings and databases.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "sounder/links.h"
#include "sounder/system.h"
#include "sounder/tree.h"
#include "tree_helpers.h"
#include "views/render.h"
#include "views/texts.h"

using namespace treetest;

namespace {

std::vector<std::string> leafTexts(const tsTreeNode *group)
{
    std::vector<std::string> out;
    for (const tsTreeNode *c : children(group))
        out.push_back(c->item->text);
    return out;
}

tsIcdEntry icd(const char *name, const char *company)
{
    tsIcdEntry e{};
    std::snprintf(e.name, sizeof e.name, "%s", name);
    std::snprintf(e.path, sizeof e.path, "/usr/lib/%s", name);
    std::snprintf(e.company, sizeof e.company, "%s", company);
    std::snprintf(e.description, sizeof e.description, "driver %s", name);
    std::snprintf(e.version, sizeof e.version, "22.3.6");
    return e;
}

} // namespace

// ------------------------------------------------------------------ caps tree

TEST(CapsTree, FortyCompressedFormatsGiveThirtyTwoLinesWithNamesOrHex)
{
    auto r = newReading("");
    r->caps.NumCompressedTextureFormats = 40;
    for (int i = 0; i < TS_MAX_COMPRESSED_FORMATS; ++i)
        r->caps.compressedFormats[i] = 0x9000 + i;
    r->caps.compressedFormats[0] = 0x83F0;
    r->caps.compressedFormats[1] = 0x8DBE;
    r->caps.compressedFormats[2] = 0x8837;
    auto tree = newTree();
    tsTreeBegin(tree.get());
    EXPECT_EQ(tsCreateCapsTree(tree.get(), &r->caps), 1);
    tsTreeNode *root = tsTreeEnd(tree.get());
    const tsTreeNode *group = findById(root, TS_TREE_PUSH, 204);
    ASSERT_NE(group, nullptr);
    std::vector<std::string> lines = leafTexts(group);
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[0], "RGB DXT1");
    EXPECT_EQ(lines[1], "SRG RGTC2");
    EXPECT_EQ(lines[2], "3Dc");
    EXPECT_EQ(lines[3], "9003");
    EXPECT_EQ(lines[31], "901f");

    // A count below the table's size lists only that many; a negative count none.
    r->caps.NumCompressedTextureFormats = 2;
    tsTreeBegin(tree.get());
    tsCreateCapsTree(tree.get(), &r->caps);
    EXPECT_EQ(findById(tsTreeEnd(tree.get()), TS_TREE_PUSH, 204)->childCount, 2);
    r->caps.NumCompressedTextureFormats = -3;
    tsTreeBegin(tree.get());
    tsCreateCapsTree(tree.get(), &r->caps);
    EXPECT_EQ(findById(tsTreeEnd(tree.get()), TS_TREE_PUSH, 204)->childCount, 0);
}

TEST(CapsTree, TextureFormatsFollowTheExtensionList)
{
    auto tree = newTree();
    auto count = [&](const std::string &extensions) {
        auto r = newReading(extensions);
        tsTreeBegin(tree.get());
        tsCreateCapsTree(tree.get(), &r->caps);
        const tsTreeNode *g = findById(tsTreeEnd(tree.get()), TS_TREE_PUSH, 367);
        return g ? leafTexts(g) : std::vector<std::string>{};
    };
    std::vector<std::string> base = count("");
    ASSERT_EQ(base.size(), 32u); // the GL_VERSION_1_1 rows
    EXPECT_EQ(base.front(), "ALPHA4");
    EXPECT_EQ(base[4], "LUMINANCE4");
    EXPECT_EQ(base.back(), "RGBA16");
    std::vector<std::string> depth = count("GL_ARB_depth_texture GL_APPLE_ycbcr_422");
    ASSERT_EQ(depth.size(), 36u);
    EXPECT_EQ(depth[4], "DEPTH_COMPONENT16"); // in table order, between the 1.1 rows
    EXPECT_EQ(depth.back(), "YCBCR_422_APPLE");
    // A name that merely contains a listed extension does not count.
    EXPECT_EQ(count("GL_ARB_depth_texture_extra").size(), 32u);
    EXPECT_EQ(count("GL_ARB_depth_texture GL_EXT_paletted_texture GL_NV_texture_shader "
                    "GL_NV_texture_shader3 GL_NV_float_buffer GL_ATI_texture_float "
                    "GL_APPLE_ycbcr_422 GL_APPLE_float_pixels")
                  .size(),
              88u);
}

TEST(CapsTree, TextureEnvironmentListsAndCrossbarUnits)
{
    auto r =
        newReading("GL_ARB_texture_cube_map GL_ARB_texture_env_add GL_ARB_texture_env_crossbar "
                   "GL_ARB_texture_env_dot3");
    r->caps.MaxTextureCoords = 3;
    auto tree = newTree();
    tsTreeBegin(tree.get());
    tsCreateCapsTree(tree.get(), &r->caps);
    tsTreeNode *root = tsTreeEnd(tree.get());
    std::vector<std::string> gen = leafTexts(findById(root, TS_TREE_PUSH, 258));
    EXPECT_EQ(gen, (std::vector<std::string>{"GL_EYE_LINEAR", "GL_SPHERE_MAP", "GL_NORMAL_MAP_ARB",
                                             "GL_REFLECTION_MAP_ARB"}));
    std::vector<std::string> env = leafTexts(findById(root, TS_TREE_PUSH, 259));
    EXPECT_EQ(env, (std::vector<std::string>{
                       "GL_MODULATE", "GL_DECAL", "GL_BLEND", "GL_REPLACE", "GL_NORMAL_MAP_ARB",
                       "GL_REFLECTION_MAP_ARB", "GL_ADD", "GL_TEXTURE0_ARB", "GL_TEXTURE1_ARB",
                       "GL_TEXTURE2_ARB", "GL_DOT3_RGB_ARB", "GL_DOT3_RGBA_ARB"}));

    auto combine = newReading("GL_ARB_texture_env_combine GL_NV_texture_env_combine4");
    tsTreeBegin(tree.get());
    tsCreateCapsTree(tree.get(), &combine->caps);
    env = leafTexts(findById(tsTreeEnd(tree.get()), TS_TREE_PUSH, 259));
    ASSERT_EQ(env.size(), 4u + 22u + 5u);
    EXPECT_EQ(env[4], "GL_COMBINE_ARB");
    EXPECT_EQ(env[25], "GL_OPERAND2_ALPHA_ARB");
    EXPECT_EQ(env.back(), "GL_OPERAND3_ALPHA_NV");

    // A huge unit count from a damaged report stops at the tree's capacity.
    r->caps.MaxTextureCoords = 2000000000;
    tsTreeBegin(tree.get());
    EXPECT_EQ(tsCreateCapsTree(tree.get(), &r->caps), 0);
    EXPECT_TRUE(balanced(*tree));
    tsTreeNode *cutRoot = tsTreeEnd(tree.get());
    EXPECT_STREQ(cutRoot->children[cutRoot->childCount - 1]->item->text, TS_TREE_CUT_TEXT);
}

TEST(CapsTree, GroupsFollowTheirConditionsAndCarryTheValues)
{
    auto r = newReading("GL_ARB_multisample");
    r->caps.MaxTextureUnits = 1;
    r->caps.MaxTextureCubeSize = 16384;
    r->caps.NVMaxVertexArrayRangeElements = 0;
    r->caps.APPLEMaxVertexArrayRangeElements = 777;
    r->caps.MaxSamples = 8;
    r->caps.MaxGeomTexUnits = 16;
    r->caps.MaxGeomOutputVerts = 1024;
    r->caps.ViewportMaxWidth = 16384;
    r->caps.ViewportMaxHeight = 8192;
    r->caps.LineSizeMin = 1.0f;
    r->caps.LineSizeMax = 255.0f;
    r->caps.videoMemory = 0;
    auto tree = newTree();
    tsTreeBegin(tree.get());
    tsCreateCapsTree(tree.get(), &r->caps);
    tsTreeNode *root = tsTreeEnd(tree.get());

    EXPECT_EQ(findById(root, TS_TREE_PUSH, 214),
              nullptr);                                  // one texture unit: no multitexture group
    EXPECT_EQ(findById(root, TS_TREE_1I, 366), nullptr); // no memory line without video memory
    const tsTreeNode *cube = findById(root, TS_TREE_3I, 203);
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->item->value2, 16384);
    const tsTreeNode *var = findById(root, TS_TREE_1I, 261);
    ASSERT_NE(var, nullptr);
    EXPECT_EQ(var->item->value0.i, 777);
    EXPECT_EQ(findById(root, TS_TREE_1I, 315)->item->value0.i, 8);
    const tsTreeNode *geom = findById(root, TS_TREE_PUSH, 395);
    ASSERT_NE(geom, nullptr);
    ASSERT_EQ(geom->childCount, 7);
    EXPECT_EQ(geom->children[5]->item->textId, 401);
    EXPECT_EQ(geom->children[5]->item->value0.i, 1024);
    EXPECT_EQ(findById(root, TS_TREE_2F, 188)->item->value1.f, 255.0f);

    // The adapter section: vendor, renderer, version, shading language.
    const tsTreeNode *adapter = root->children[0];
    EXPECT_EQ(adapter->item->textId, 356);
    ASSERT_EQ(adapter->childCount, 4);
    EXPECT_EQ(adapter->children[0]->item->textId, 358);
    EXPECT_STREQ(adapter->children[0]->item->text, "Test Vendor");
    EXPECT_EQ(adapter->children[3]->item->textId, 382);
    // Capabilities, with the implementation specifics and extension specifics.
    ASSERT_EQ(root->childCount, 2);
    EXPECT_EQ(root->children[1]->item->textId, 162);
    ASSERT_EQ(root->children[1]->childCount, 2);
    EXPECT_EQ(root->children[1]->children[0]->item->textId, 163);
    EXPECT_EQ(root->children[1]->children[1]->item->textId, 199);

    // The rendered form shows the values through the built-in texts.
    std::string text = sounder::renderTree(root, nullptr);
    EXPECT_NE(text.find("\n  Vendor: Test Vendor\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Max.viewport size 16384 x 8192"), std::string::npos);
    EXPECT_NE(text.find("Max. cube map texture size 16384 x 16384\n"), std::string::npos);
    EXPECT_NE(text.find("Line width range 1.000000 to 255.000000"), std::string::npos);
    EXPECT_EQ(xmlProblem(sounder::treeXml(root)), "");
}

TEST(CapsTree, NullTextsOfAReadingAreShownEmpty)
{
    tsRendererCaps caps{};
    caps.size = sizeof caps;
    auto tree = newTree();
    tsTreeBegin(tree.get());
    EXPECT_EQ(tsCreateCapsTree(tree.get(), &caps), 1);
    tsTreeNode *root = tsTreeEnd(tree.get());
    EXPECT_EQ(root->children[0]->childCount, 3); // vendor, renderer, version; no shading language
    EXPECT_EQ(tsCreateCapsTree(tree.get(), nullptr), 0);
}

// ------------------------------------------------------------------ main tree

TEST(MainTree, SingleDriverSitsDirectlyUnderTheDriverGroup)
{
    tsIcdList icds{};
    icds.count = 1;
    icds.entries[0] = icd("libGLX_mesa.so.0", "Mesa Team");
    auto r = newReading("");
    auto tree = newTree();
    tsTreeBegin(tree.get());
    tsCreateMainTree(tree.get(), nullptr, &icds, nullptr, &r->caps);
    tsTreeNode *root = tsTreeEnd(tree.get());
    const tsTreeNode *drivers = findById(root, TS_TREE_PUSH, 191);
    ASSERT_NE(drivers, nullptr);
    std::vector<std::string> lines = leafTexts(drivers);
    EXPECT_EQ(lines, (std::vector<std::string>{"Mesa Team", "driver libGLX_mesa.so.0", "22.3.6",
                                               "/usr/lib/libGLX_mesa.so.0"}));
    for (const tsTreeNode *c : children(drivers))
        EXPECT_EQ(c->item->kind, TS_TREE_STR);
}

TEST(MainTree, SeveralDriversGetGroupsMarkedByTheReadingsVendor)
{
    tsIcdList icds{};
    icds.count = 2;
    icds.entries[0] = icd("libGLX_nvidia.so.0", "NVIDIA Corporation");
    icds.entries[1] = icd("libGLX_mesa.so.0", "Mesa/X.org packagers");
    auto r = newReading("");
    r->vendor = "Mesa/X.org";
    r->set();
    auto tree = newTree();
    tsTreeBegin(tree.get());
    tsCreateMainTree(tree.get(), nullptr, &icds, nullptr, &r->caps);
    const tsTreeNode *drivers = findById(tsTreeEnd(tree.get()), TS_TREE_PUSH, 191);
    ASSERT_EQ(drivers->childCount, 2);
    EXPECT_EQ(drivers->children[0]->item->kind, TS_TREE_PUSHS);
    EXPECT_STREQ(drivers->children[0]->item->text, "libGLX_nvidia.so.0");
    EXPECT_EQ(drivers->children[0]->item->image0, 27);
    EXPECT_EQ(drivers->children[1]->item->image0, 26);
    EXPECT_EQ(drivers->children[1]->childCount, 4);

    // A count beyond the list's 16 entries reads no further than the list.
    icds.count = 1000;
    tsTreeBegin(tree.get());
    tsCreateMainTree(tree.get(), nullptr, &icds, nullptr, &r->caps);
    EXPECT_EQ(findById(tsTreeEnd(tree.get()), TS_TREE_PUSH, 191)->childCount, TS_ICD_MAX_ENTRIES);
}

TEST(MainTree, SystemSectionAndUnfilledReading)
{
    tsSystemInfo sys{};
    std::snprintf(sys.system, sizeof sys.system, "Linux 6.1 (Debian) x86_64");
    std::snprintf(sys.processorMode, sizeof sys.processorMode, "64-bit");
    std::snprintf(sys.desktopMode, sizeof sys.desktopMode, " 1280 x 1024 x 32 bpp (0 Hz)");
    char monitor[] = "screen";
    char dx[] = "N/A";
    sys.monitor = monitor;
    sys.dxVersion = dx;
    tsRendererCaps empty{};
    HandDatabase hd;
    tsExtension *e = hd.add("GL_ARB_multitexture", 1);
    std::strcpy(e->core, "1.3");
    auto tree = newTree();
    tsTreeBegin(tree.get());
    tsCreateMainTree(tree.get(), &hd.db, nullptr, &sys, &empty);
    tsTreeNode *root = tsTreeEnd(tree.get());
    ASSERT_EQ(root->childCount, 1); // no drivers, no core features for an unfilled reading
    std::vector<int> ids;
    for (const tsTreeNode *c : children(root->children[0]))
        ids.push_back(c->item->textId);
    EXPECT_EQ(ids, (std::vector<int>{175, 293, 365, 409, 284}));
    std::string text = sounder::renderTree(root, nullptr);
    EXPECT_EQ(
        text,
        "System information\n  System: Linux 6.1 (Debian) x86_64\n  Processor Mode: 64-bit\n"
        "  Bus: screen\n  Direct3D: N/A\n  Desktop resolution:  1280 x 1024 x 32 bpp (0 Hz)\n");

    // Without a system description the section is empty but present.
    tsTreeBegin(tree.get());
    tsCreateMainTree(tree.get(), nullptr, nullptr, nullptr, nullptr);
    root = tsTreeEnd(tree.get());
    ASSERT_EQ(root->childCount, 1);
    EXPECT_EQ(root->children[0]->childCount, 0);
}

TEST(MainTree, CoreFeatureSetsFromTheDatabase)
{
    HandDatabase hd;
    hd.db.currentReading = 1;
    tsExtension *mt = hd.add("GL_ARB_multitexture", 2);
    std::strcpy(mt->core, "1.3");
    tsExtension *cube = hd.add("GL_ARB_texture_cube_map", 1); // only reading 0 has it
    std::strcpy(cube->core, "1.3");
    auto r = newReading("GL_ARB_multitexture");
    r->version = "1.2 Test";
    r->set();
    auto tree = newTree();
    tsTreeBegin(tree.get());
    tsCreateMainTree(tree.get(), &hd.db, nullptr, nullptr, &r->caps);
    tsTreeNode *root = tsTreeEnd(tree.get());
    const tsTreeNode *core = findById(root, TS_TREE_PUSH, 192);
    ASSERT_NE(core, nullptr);
    // 1.3 has two extensions; 2.0 to 4.6 count their shading language only.
    ASSERT_EQ(core->childCount, 14);
    EXPECT_STREQ(core->children[0]->item->text, "1.3 (50 % - 1/2)");
    EXPECT_STREQ(core->children[1]->item->text, "2.0 (100 % - 1/1)");
    EXPECT_STREQ(core->children[3]->item->text, "3.0 (0 % - 0/1)");
    EXPECT_STREQ(core->children[13]->item->text, "4.6 (0 % - 0/1)");
    const tsTreeNode *glsl = findById(core->children[1], TS_TREE_STR2, 382);
    ASSERT_NE(glsl, nullptr);
    EXPECT_STREQ(glsl->item->text, "1.10");
    const tsTreeNode *sup = findById(core, TS_TREE_PUSH, 177);
    const tsTreeNode *uns = findById(core, TS_TREE_PUSH, 178);
    ASSERT_NE(sup, nullptr);
    ASSERT_NE(uns, nullptr);
    EXPECT_EQ(leafTexts(sup), std::vector<std::string>{"GL_ARB_multitexture"});
    EXPECT_EQ(leafTexts(uns), std::vector<std::string>{"GL_ARB_texture_cube_map"});
    EXPECT_EQ(sup->children[0]->item->image0, 18);
    EXPECT_EQ(uns->children[0]->item->image0, 19);
}

// ------------------------------------------------------------- extension tree

TEST(ExtTree, VendorGroupsArbTogetherSgisApart)
{
    HandDatabase hd;
    hd.add("GL_ARB_x", 1);
    hd.add("GL_SGIS_a", 1);
    hd.add("WGL_ARB_y", 1);
    hd.add("GL_SGIX_b", 1);
    hd.add("GL_arb_lower", 1);  // vendor words compare case-insensitively
    hd.add("GL_EXT_hidden", 2); // another reading's extension
    auto tree = newTree();
    tsTreeBegin(tree.get());
    EXPECT_EQ(tsCreateExtTree(tree.get(), &hd.db), 1);
    tsTreeNode *root = tsTreeEnd(tree.get());
    ASSERT_EQ(root->childCount, 1);
    const tsTreeItem &top = *root->children[0]->item;
    EXPECT_EQ(top.kind, TS_TREE_PUSHI);
    EXPECT_EQ(top.textId, 141);
    EXPECT_EQ(top.value0.i, 5);
    std::vector<const tsTreeNode *> groups = children(root->children[0]);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_STREQ(groups[0]->item->text, "ARB");
    EXPECT_EQ(groups[0]->item->value0.i, 3);
    EXPECT_EQ(groups[0]->item->image0, tsGetExtImageIcon("ARB"));
    EXPECT_STREQ(groups[1]->item->text, "SGIS");
    EXPECT_EQ(groups[1]->item->value0.i, 1);
    EXPECT_EQ(groups[1]->item->image0, tsGetExtImageIcon("SGIS"));
    EXPECT_STREQ(groups[2]->item->text, "SGIX");
    EXPECT_EQ(leafTexts(groups[0]),
              (std::vector<std::string>{"GL_ARB_x", "WGL_ARB_y", "GL_arb_lower"}));
    std::string text = sounder::renderTree(root, nullptr);
    EXPECT_EQ(text.find("Extensions (5)\n  ARB (3)\n    GL_ARB_x\n"), 0u) << text;
}

TEST(ExtTree, ExtensionSubtreeWithSplitLists)
{
    HandDatabase hd;
    tsExtension *e = hd.add("GL_ARB_vertex_buffer_object", 1);
    std::strcpy(e->alias, "GL_EXT_vbo|GL_NV_vbo");
    std::strcpy(e->req, "1.4");
    std::strcpy(e->core, "1.5");
    std::strcpy(e->depends, "GL_ARB_a||GL_ARB_b|");
    // A leading empty piece: it must not repeat the last piece of the field
    // before (depends), which an uncleared work buffer would show.
    std::strcpy(e->affects, "|GL_ARB_c|GL_ARB_d");
    hd.addEntryPoint(e, "glBindBufferARB", 1);
    hd.addEntryPoint(e, "glMissingARB", 2);
    auto tree = newTree();
    tsTreeBegin(tree.get());
    tsCreateExtTree(tree.get(), &hd.db);
    tsTreeNode *root = tsTreeEnd(tree.get());
    const tsTreeNode *ext = findByText(root, TS_TREE_PUSHS, "GL_ARB_vertex_buffer_object");
    ASSERT_NE(ext, nullptr);
    std::vector<int> ids;
    for (const tsTreeNode *c : children(ext))
        ids.push_back(c->item->textId);
    EXPECT_EQ(ids, (std::vector<int>{333, 299, 301, 306, 305, 304}));
    EXPECT_EQ(leafTexts(findById(ext, TS_TREE_PUSH, 333)),
              (std::vector<std::string>{"GL_EXT_vbo", "GL_NV_vbo"}));
    // Empty pieces show no line (they must not repeat another name).
    EXPECT_EQ(leafTexts(findById(ext, TS_TREE_PUSH, 305)),
              (std::vector<std::string>{"GL_ARB_a", "GL_ARB_b"}));
    EXPECT_EQ(leafTexts(findById(ext, TS_TREE_PUSH, 304)),
              (std::vector<std::string>{"GL_ARB_c", "GL_ARB_d"}));
    const tsTreeNode *eps = findById(ext, TS_TREE_PUSH, 306);
    ASSERT_EQ(eps->childCount, 2);
    EXPECT_EQ(eps->children[0]->item->image0, 26);
    EXPECT_EQ(eps->children[1]->item->image0, 27);
    EXPECT_EQ(xmlProblem(sounder::treeXml(root)), "");
}

// More supported extensions than the tree can hold: the list is cut, stays
// balanced and well-formed, and the capability tree before it is intact.
TEST(ExtTree, HugeDatabaseIsCutAfterTheCapabilityTree)
{
    HandDatabase hd;
    for (int i = 0; i < 3000; ++i) {
        tsExtension *e = hd.add("GL_V" + std::to_string(i % 5) + "_ext" + std::to_string(i), 1);
        hd.addEntryPoint(e, "glF" + std::to_string(i), 1);
    }
    auto r = newReading("GL_ARB_multisample");
    auto tree = newTree();
    tsTreeBegin(tree.get());
    EXPECT_EQ(tsCreateCapsTree(tree.get(), &r->caps), 1);
    EXPECT_EQ(tsCreateExtTree(tree.get(), &hd.db), 0);
    EXPECT_TRUE(balanced(*tree));
    EXPECT_LE(tree->itemCount, TS_TREE_MAX_ITEMS - 1);
    tsTreeNode *root = tsTreeEnd(tree.get());
    EXPECT_LE(tree->nodeCount, TS_TREE_MAX_NODES);
    ASSERT_EQ(root->childCount, 4); // adapter, capabilities, extensions, cut line
    EXPECT_EQ(root->children[2]->item->value0.i, 3000);
    EXPECT_STREQ(root->children[3]->item->text, TS_TREE_CUT_TEXT);
    std::vector<std::string> lines = xmlLines(root);
    size_t open = 0, close = 0;
    for (const std::string &l : lines) {
        if (l.rfind("<item", 0) == 0 && l.compare(l.size() - 2, 2, "/>") != 0)
            ++open;
        if (l == "</item>")
            ++close;
    }
    EXPECT_EQ(open, close);
    EXPECT_EQ(xmlProblem(sounder::treeXml(root)), "");
}
