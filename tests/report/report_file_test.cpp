// Report files: the written layout, the round trip, the older element names,
// the bounded tables of the reader, hostile files and the atomic replacement.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "report_test_util.h"
#include "support/decimal_comma.h"
#include "probe/extended_limits.h"
#include "sounder/reportfile.h"

using reporttest::Caps;
using reporttest::setText;

namespace {

// A reading with a distinct non-zero value in every member, two ICD entries
// and a system description, so that a member written or read under the
// wrong name shows up.
void fillEverything(tsRendererCaps &c)
{
    setText(c.vendor, "Vendor \"quoted\" & <tagged>");
    setText(c.version, "4.5 (Compatibility Profile) Mesa 22.3.6");
    setText(c.glslVersion, "4.50");
    setText(c.renderer, "llvmpipe (LLVM 15.0.6, 256 bits)");
    setText(c.extensions, "GL_ARB_multitexture GL_EXT_texture3D GLX_ARB_multisample");
    c.videoMemory = 2048;
    int n = 10;
#define FILL_INT(m, carried) c.m = n++;
    REPORT_INT_MEMBERS(FILL_INT)
#undef FILL_INT
    float f = 0.5f;
#define FILL_FLOAT(m, carried)                                                                     \
    c.m = f;                                                                                       \
    f += 1.25f;
    REPORT_FLOAT_MEMBERS(FILL_FLOAT)
#undef FILL_FLOAT
    c.NumCompressedTextureFormats = 5;
    for (int i = 0; i < 5; ++i)
        c.compressedFormats[i] = 0x83F0u + static_cast<unsigned>(i);
    c.pixelFormatCount = 3;
    for (int i = 0; i < 3; ++i) {
        tsPixelFormat &p = c.pixelFormats[i];
        p.color_bits = static_cast<uint8_t>(24 + 8 * (i % 2));
        p.depth_bits = static_cast<uint8_t>(16 + i);
        p.stencil_bits = static_cast<uint8_t>(8 * i);
        p.transparent = 0;
        p.acceleration = static_cast<uint8_t>(i % 2);
        p.support_gdi = 1;
        p.aux_buffers = static_cast<uint8_t>(i);
        p.double_buffer = static_cast<uint8_t>((i + 1) % 2);
        p.support_opengl = 1;
        p.draw_to_window = 1;
        p.draw_to_bitmap = static_cast<uint8_t>(i == 2);
        p.swap_layers_buffers = static_cast<uint8_t>(i + 3);
        p.stereo = static_cast<uint8_t>(i == 1);
        p.auxbuffers = static_cast<uint8_t>(i + 5);
        p.samples = static_cast<uint8_t>(4 * i);
        p.pixel_type = static_cast<uint8_t>(i == 2);
        p.accum_bits = static_cast<uint8_t>(64 * (i % 2));
        p.number_overlays = static_cast<uint8_t>(i);
        p.number_underlays = static_cast<uint8_t>(2 - i);
    }
    c.MaxSamples = 8;
    c.displayModeCount = 2;
    c.displayModes[0] = {1280, 1024, 32, 60};
    c.displayModes[1] = {640, 480, 16, 75};
    c.tag = 3;
    std::strcpy(c.newestVersion, "99.0");
}

tsIcdList twoDrivers()
{
    tsIcdList icd;
    std::memset(&icd, 0, sizeof icd);
    icd.count = 2;
    std::strcpy(icd.entries[0].name, "libGLX_mesa.so.0");
    std::strcpy(icd.entries[0].path, "/usr/lib/x86_64-linux-gnu/libGLX_mesa.so.0");
    std::strcpy(icd.entries[0].company, "Debian X Strike Force");
    std::strcpy(icd.entries[0].description,
                "free implementation of the OpenGL API -- GLX vendor library");
    std::strcpy(icd.entries[0].version, "22.3.6-1+deb12u1");
    std::strcpy(icd.entries[1].name, "libEGL_mesa.so.0");
    std::strcpy(icd.entries[1].path, "/usr/lib/x86_64-linux-gnu/libEGL_mesa.so.0");
    std::strcpy(icd.entries[1].company, "A & B <c@d>");
    std::strcpy(icd.entries[1].description, "EGL \"vendor\" library");
    std::strcpy(icd.entries[1].version, "22.3.6");
    return icd;
}

tsSystemInfo someSystem()
{
    tsSystemInfo s;
    std::memset(&s, 0, sizeof s);
    std::strcpy(s.system, "Linux 6.1.0 (Debian GNU/Linux 12 (bookworm)) x86_64");
    std::strcpy(s.processorMode, "64-bit");
    return s;
}

// A report document around the given body, as version v writes it.
std::string document(const std::string &version, const std::string &body)
{
    std::string root = version.empty() ? "<Tessera>" : "<Tessera version=\"" + version + "\">";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n" + root + body + "</Tessera>\n";
}

class ReportFile : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("report.xml");

    // Reads content as a report file into loaded (and icd, system).
    int load(const std::string &content, tsIcdList *icd = nullptr, tsSystemInfo *system = nullptr)
    {
        writeWhole(path, content);
        loaded->filled = 1;
        tsInfoRelease(loaded.get());
        return tsReadReportXML(path.c_str(), loaded.get(), icd, system);
    }

    Caps loaded;
};

// ---- written layout ---------------------------------------------------------------

TEST_F(ReportFile, WritesTheLayoutByteForByte)
{
    Caps c;
    setText(c->vendor, "V");
    setText(c->version, "1.1");
    setText(c->renderer, "R");
    setText(c->extensions, "GL_A GL_B");
    c->videoMemory = 256;
    c->ViewportMaxWidth = 4096;
    c->LineSizeMax = 10.0f;
    c->LineSizeGran = 0.125f;
    c->MaxTextureUnits = 1;
    c->pixelFormatCount = 1;
    c->pixelFormats[0] =
        tsPixelFormat{32, 24, 8, 0, 1, 0, 0, 1, 1, 1, 0, 0, 0, 0, 4, 0, 64, 0, 0, 0};
    c->displayModeCount = 1;
    c->displayModes[0] = {1280, 1024, 32, 0};
    tsSystemInfo sys = someSystem();
    std::strcpy(sys.system, "Linux");

    ASSERT_EQ(tsSaveReportXML(path.c_str(), &sys, c.get(), 1, nullptr), 0);
    const std::string text = readWhole(path);

    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";
    ASSERT_EQ(text.compare(0, head.size(), head), 0);
    // One comment line with the publisher's address.
    const std::size_t commentEnd = text.find("-->\n");
    ASSERT_NE(commentEnd, std::string::npos);
    ASSERT_EQ(text.compare(head.size(), 4, "<!--"), 0);
    ASSERT_EQ(text.find('\n', head.size()), commentEnd + 3);

    const std::string expected =
        "<Tessera version=\"2.33\"><System>Linux</System>\n<CPU>64-bit</CPU>\n<Vendor>V</Vendor>\n"
        "<Version>1.1</Version>\n<Renderer>R</Renderer>\n<Extensions>GL_A GL_B</Extensions>\n"
        "<VRAM>256</VRAM><Capabilities>\n"
        "<FrameBuffer>\n<ViewportMaxWidth>4096</ViewportMaxWidth>\n<ViewportMaxHeight>0</"
        "ViewportMaxHeight>\n"
        "<SubPixelBits>0</SubPixelBits>\n</FrameBuffer>\n"
        "<Stack>\n<AttribStackDepth>0</AttribStackDepth>\n<NameStackDepth>0</NameStackDepth>\n"
        "<MaxModelViewStackDepth>0</MaxModelViewStackDepth>\n<MaxProjectionStackDepth>0</"
        "MaxProjectionStackDepth>\n"
        "<MaxClientAttribStackDepth>0</MaxClientAttribStackDepth>\n<MaxTextureStackDepth>0</"
        "MaxTextureStackDepth>\n"
        "</Stack>\n"
        "<Various>\n<LineSizeMin>0.000000</LineSizeMin>\n<LineSizeMax>10.000000</LineSizeMax>\n"
        "<LineSizeGran>0.125000</LineSizeGran>\n<PointSizeMin>0.000000</PointSizeMin>\n"
        "<PointSizeMax>0.000000</PointSizeMax>\n<PointSizeGran>0.000000</PointSizeGran>\n"
        "<AliasedLineWidthMin>0.000000</AliasedLineWidthMin>\n<AliasedLineWidthMax>0.000000</"
        "AliasedLineWidthMax>\n"
        "<AliasedPointSizeMin>0.000000</AliasedPointSizeMin>\n<AliasedPointSizeMax>0.000000</"
        "AliasedPointSizeMax>\n"
        "<NumClipPlanes>0</NumClipPlanes>\n<NumLights>0</NumLights>\n<PixelMapTable>0</"
        "PixelMapTable>\n"
        "<TextureSize>0</TextureSize>\n<EvalOrder>0</EvalOrder>\n</Various>\n"
        "<Extensions_Specs>\n<MaxTextureAnisotropy>0</MaxTextureAnisotropy>\n<MaxTextureUnits>1</"
        "MaxTextureUnits>\n"
        "<MaxTextureCubeSize>0</MaxTextureCubeSize>\n<NumCompressedTextureFormats>0</"
        "NumCompressedTextureFormats>\n"
        "<MaxVertexBlend>0</MaxVertexBlend>\n<MaxTexture3DSize>0</MaxTexture3DSize>\n"
        "<MaxOcclusionQueryBits>0</MaxOcclusionQueryBits>\n"
        "<ATI></ATI><nVidia></nVidia></Extensions_Specs></Capabilities>"
        "<PixelFormats><p id=\"1\" color_bits=\"32\" depth_bits=\"24\" stencil_bits=\"8\" "
        "accum_bits=\"64\" "
        "pixel_type=\"0\" transparent=\"False\" acceleration=\"True\" support_gdi=\"False\" "
        "aux_buffers=\"0\" "
        "double_buffer=\"True\" support_opengl=\"True\" draw_to_window=\"True\" "
        "draw_to_bitmap=\"False\" "
        "swap_layers_buffers=\"0\" stereo=\"False\" auxbuffers=\"0\" samples=\"4\" "
        "number_overlays=\"0\" "
        "number_underlays=\"0\"  /></PixelFormats>\n"
        "<Resolutions>\n<Mode index=\"0\" width=\"1280\" height=\"1024\" depth=\"32\" "
        "rate=\"0\"/>\n"
        "</Resolutions>\n</Tessera>\n";
    EXPECT_EQ(text.substr(commentEnd + 4), expected);
}

TEST_F(ReportFile, WritesOptionalGroupsOnlyWhenTheirLimitIsSet)
{
    Caps c;
    setText(c->renderer, "R");
    ASSERT_EQ(tsSaveReportXML(path.c_str(), nullptr, c.get(), 1, nullptr), 0);
    std::string text = readWhole(path);
    for (const char *group :
         {"<VertexProgram>", "<ARBImaging>", "<FBO>", "<FragmentProgram>", "<VertexShader>",
          "<FragmentShader>", "<NVFragmentProgram>", "<EXTGeometryShader>", "<formats>",
          "<GLSLVersion>", "<ICD>", "<NVMaxTextureRectangleSize>", "<MaxDrawBuffers>"})
        EXPECT_EQ(text.find(group), std::string::npos) << group;

    fillEverything(*c.get());
    tsIcdList icd = twoDrivers();
    ASSERT_EQ(tsSaveReportXML(path.c_str(), nullptr, c.get(), 1, &icd), 0);
    text = readWhole(path);
    EXPECT_NE(text.find("<VertexProgram><MaxProgramInstructions>"), std::string::npos);
    EXPECT_NE(text.find("</MaxProgramMatrixStackDepth>\n</VertexProgram><ARBImaging>"),
              std::string::npos);
    EXPECT_NE(text.find("<FragmentShader><MaxFragmentUniformComponents>"), std::string::npos);
    EXPECT_NE(text.find("<formats>\n<value>83f0</value>\n<value>83f1</value>\n"),
              std::string::npos);
    EXPECT_NE(text.find("<EXTGeometryShader><MaxGeomTexUnits>"), std::string::npos);
    EXPECT_NE(text.find("<GLSLVersion>4.50</GLSLVersion>\n"), std::string::npos);
    // The rectangle size has no line break of its own.
    const std::string rect = "<NVMaxTextureRectangleSize>" +
                             std::to_string(c->NVMaxTextureRectangleSize) +
                             "</NVMaxTextureRectangleSize><NVMaxGeneralCombiners>";
    EXPECT_NE(text.find(rect), std::string::npos);
    // Two ICD groups, values escaped.
    std::size_t first = text.find("<ICD>\n<name>libGLX_mesa.so.0</name>\n<company>");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find("<ICD>\n", first + 1), std::string::npos);
    EXPECT_NE(text.find("<company>A &amp; B &lt;c@d&gt;</company>"), std::string::npos);
    EXPECT_NE(text.find("<Vendor>Vendor &quot;quoted&quot; &amp; &lt;tagged&gt;</Vendor>"),
              std::string::npos);
    EXPECT_EQ(text.find("<path>"), std::string::npos);
}

// ---- round trip -----------------------------------------------------------------

TEST_F(ReportFile, RoundTripKeepsEverythingButTheMembersNotCarried)
{
    Caps saved;
    fillEverything(*saved.get());
    tsIcdList icd = twoDrivers();
    tsSystemInfo sys = someSystem();
    ASSERT_EQ(tsSaveReportXML(path.c_str(), &sys, saved.get(), 1, &icd), 0);

    tsIcdList icdBack;
    std::memset(&icdBack, 0xAB, sizeof icdBack);
    tsSystemInfo sysBack;
    std::memset(&sysBack, 0, sizeof sysBack);
    ASSERT_EQ(tsReadReportXML(path.c_str(), loaded.get(), &icdBack, &sysBack), 0);

    reporttest::expectRoundTrip(*saved.get(), *loaded.get());
    EXPECT_STREQ(sysBack.system, sys.system);
    EXPECT_STREQ(sysBack.processorMode, "64-bit");
    ASSERT_EQ(icdBack.count, 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_STREQ(icdBack.entries[i].name, icd.entries[i].name);
        EXPECT_STREQ(icdBack.entries[i].path, icd.entries[i].name); // the path is not carried
        EXPECT_STREQ(icdBack.entries[i].company, icd.entries[i].company);
        EXPECT_STREQ(icdBack.entries[i].description, icd.entries[i].description);
        EXPECT_STREQ(icdBack.entries[i].version, icd.entries[i].version);
    }
    EXPECT_EQ(icdBack.entries[2].name[0], '\0'); // cleared, not left as it was
}

TEST_F(ReportFile, CoreProfileGroupRoundTripsAndKeepsOnlyWhatItCanUse)
{
    // Written and read back: integers beyond 32 bits, several values,
    // floats, a version text with markup characters.
    Caps saved;
    fillEverything(*saved.get());
    auto limits = std::make_unique<sounder::ExtendedLimits>();
    limits->version = "4.5 (Core Profile) <Mesa> & \"22\"";
    const struct {
        const char *token;
        std::vector<double> values;
    } values[] = {{"GL_MAX_SAMPLES", {1}},
                  {"GL_MAX_SERVER_WAIT_TIMEOUT", {0}},
                  {"GL_MAX_COMPUTE_WORK_GROUP_COUNT", {65535, 1, 2147483647}},
                  {"GL_VIEWPORT_BOUNDS_RANGE", {-16384.5, 16383.25}}};
    for (const auto &v : values) {
        sounder::ExtendedValue e;
        e.row = sounder::caps::findExtended(v.token);
        e.count = static_cast<uint8_t>(v.values.size());
        for (std::size_t i = 0; i < v.values.size(); ++i) {
            e.ints[i] = static_cast<int64_t>(v.values[i]);
            e.floats[i] = v.values[i];
        }
        if (e.row->read[0].query == sounder::caps::Query::Integer64)
            e.ints[0] = 0x7fffffff7fffffffLL; // exact, beyond a double's precision
        limits->put(e);
    }
    sounder::attachExtendedLimits(saved.get(), std::move(limits));
    ASSERT_EQ(tsSaveReportXML(path.c_str(), nullptr, saved.get(), 1, nullptr), 0);
    const std::string written = readWhole(path);
    EXPECT_NE(written.find("<GL_MAX_SERVER_WAIT_TIMEOUT>9223372034707292159<"), std::string::npos);
    EXPECT_NE(written.find("<GL_MAX_COMPUTE_WORK_GROUP_COUNT>65535 1 2147483647<"),
              std::string::npos);
    ASSERT_EQ(tsReadReportXML(path.c_str(), loaded.get(), nullptr, nullptr), 0);
    reporttest::expectRoundTrip(*saved.get(), *loaded.get());
    EXPECT_EQ(tsExtendedLimitCount(loaded.get()), 4);

    // A hostile group: unknown tokens, wrong value counts, words that are
    // no numbers, numbers out of range and record members are dropped; a
    // limit named twice keeps its last value; the reading goes on after it.
    const std::string body =
        "<CoreProfile>\n<CoreVersion>4.6 &amp; more</CoreVersion>\n"
        "<GL_MAX_SAMPLES>4</GL_MAX_SAMPLES>\n"
        "<GL_MAX_FOO>3</GL_MAX_FOO>\n"
        "<GL_MAX_COMPUTE_WORK_GROUP_COUNT>1 2</GL_MAX_COMPUTE_WORK_GROUP_COUNT>\n"
        "<GL_MAX_VIEWPORTS>lots</GL_MAX_VIEWPORTS>\n"
        "<GL_MAX_PATCH_VERTICES>99999999999999999999</GL_MAX_PATCH_VERTICES>\n"
        "<GL_MAX_SUBROUTINES> 7 </GL_MAX_SUBROUTINES>\n"
        "<GL_MAX_SAMPLES>8</GL_MAX_SAMPLES>\n"
        "<NumLights>9</NumLights>\n"
        "</CoreProfile>\n<Renderer>after</Renderer>\n";
    ASSERT_EQ(load(document("2.16", body)), 0);
    // The file names no extension list: the limits are kept by an empty one.
    EXPECT_STREQ(loaded->extensions, "");
    EXPECT_EQ(extendedVersion(loaded.get()), "4.6 & more");
    const std::map<std::string, std::string> kept = {{"GL_MAX_SAMPLES", "8"},
                                                     {"GL_MAX_SUBROUTINES", "7"}};
    EXPECT_EQ(extendedLimitTexts(loaded.get()), kept);
    EXPECT_EQ(loaded->NumLights, 0);
    EXPECT_STREQ(loaded->renderer, "after");

    // A file from before the group has no extended limits.
    ASSERT_EQ(load(document("2.16", "<Renderer>old</Renderer>\n")), 0);
    EXPECT_EQ(tsExtendedLimitsVersion(loaded.get()), nullptr);
    EXPECT_EQ(tsExtendedLimitCount(loaded.get()), 0);
}

TEST_F(ReportFile, ReadingWithoutShadingLanguageWritesNoGlslElementAndReadsBackNull)
{
    Caps saved;
    fillEverything(*saved.get());
    setText(saved->glslVersion, nullptr);
    ASSERT_EQ(tsSaveReportXML(path.c_str(), nullptr, saved.get(), 1, nullptr), 0);
    EXPECT_EQ(readWhole(path).find("GLSLVersion"), std::string::npos);
    ASSERT_EQ(tsReadReportXML(path.c_str(), loaded.get(), nullptr, nullptr), 0);
    EXPECT_EQ(loaded->glslVersion, nullptr);
    reporttest::expectRoundTrip(*saved.get(), *loaded.get());
}

// The report file keeps tab, line feed and other control bytes of a driver's
// texts as they are, so its own reader gives them back unchanged; markup
// characters travel as entities.
TEST_F(ReportFile, ControlAndMarkupCharactersOfTextsRoundTrip)
{
    const char *texts[] = {"tab\there", "two\nlines\r\n", "bell\x07 & <b>\"q\"</b>"};
    for (const char *text : texts) {
        Caps saved;
        setText(saved->renderer, text);
        setText(saved->extensions, text);
        ASSERT_EQ(tsSaveReportXML(path.c_str(), nullptr, saved.get(), 1, nullptr), 0);
        ASSERT_EQ(tsReadReportXML(path.c_str(), loaded.get(), nullptr, nullptr), 0);
        EXPECT_STREQ(loaded->renderer, text);
        EXPECT_STREQ(loaded->extensions, text);
        loaded->filled = 1;
        tsInfoRelease(loaded.get());
    }
}

TEST_F(ReportFile, FullTablesRoundTrip)
{
    Caps saved;
    setText(saved->renderer, "R");
    saved->pixelFormatCount = TS_MAX_PIXEL_FORMATS;
    for (int i = 0; i < TS_MAX_PIXEL_FORMATS; ++i) {
        saved->pixelFormats[i].color_bits = static_cast<uint8_t>(i);
        saved->pixelFormats[i].samples = static_cast<uint8_t>(255 - i);
        saved->pixelFormats[i].acceleration = static_cast<uint8_t>(i & 1);
    }
    saved->displayModeCount = TS_MAX_DISPLAY_MODES;
    for (int i = 0; i < TS_MAX_DISPLAY_MODES; ++i)
        saved->displayModes[i] = {static_cast<uint16_t>(65535 - i), static_cast<uint16_t>(i), 32,
                                  static_cast<uint8_t>(i & 0xFF)};
    saved->NumCompressedTextureFormats = 40; // the driver's count stays; 32 codes are kept
    for (int i = 0; i < TS_MAX_COMPRESSED_FORMATS; ++i)
        saved->compressedFormats[i] = 0xFFFF0000u + static_cast<unsigned>(i);
    ASSERT_EQ(tsSaveReportXML(path.c_str(), nullptr, saved.get(), 1, nullptr), 0);
    ASSERT_EQ(tsReadReportXML(path.c_str(), loaded.get(), nullptr, nullptr), 0);
    EXPECT_EQ(loaded->NumCompressedTextureFormats, 40);
    reporttest::expectRoundTrip(*saved.get(), *loaded.get());
}

TEST_F(ReportFile, ValuesWithMarkupCharactersCostNoOtherValue)
{
    Caps saved;
    setText(saved->vendor, "A\"B");
    setText(saved->renderer, "x</Renderer><Vendor>evil</Vendor>&amp;");
    setText(saved->extensions, "GL_\"quoted\" GL_ARB_multitexture");
    setText(saved->version, "<![CDATA[ 1 ]]>");
    saved->TextureSize = 8192;
    ASSERT_EQ(tsSaveReportXML(path.c_str(), nullptr, saved.get(), 1, nullptr), 0);
    ASSERT_EQ(tsReadReportXML(path.c_str(), loaded.get(), nullptr, nullptr), 0);
    reporttest::expectRoundTrip(*saved.get(), *loaded.get());
}

// ---- reader: names and versions ---------------------------------------------------------

TEST_F(ReportFile, LegacyNamesApplyBelowVersion216Only)
{
    const std::string body =
        "<Capabilities>\n<Viewport_min>4096</Viewport_min>\n<Viewport_max>2048</Viewport_max>\n"
        "<Line_Size_Grn>0.5</Line_Size_Grn>\n<Max_Display_List_Nesting>64</"
        "Max_Display_List_Nesting>\n"
        "<Num_compressed_texture_formats>3</Num_compressed_texture_formats>\n"
        "<ViewportMaxWidth>111</ViewportMaxWidth>\n<MaxTexture3DSize>256</MaxTexture3DSize>\n</"
        "Capabilities>";

    ASSERT_EQ(load(document("2.10", body)), 0);
    EXPECT_EQ(loaded->ViewportMaxWidth, 4096);
    EXPECT_EQ(loaded->ViewportMaxHeight, 2048);
    EXPECT_EQ(loaded->LineSizeGran, 0.5f);
    EXPECT_EQ(loaded->MaxDisplayListNesting, 64);
    EXPECT_EQ(loaded->NumCompressedTextureFormats, 3);
    EXPECT_EQ(loaded->MaxTexture3DSize, 256); // read under both sets of names

    ASSERT_EQ(load(document("2.33", body)), 0);
    EXPECT_EQ(loaded->ViewportMaxWidth, 111);
    EXPECT_EQ(loaded->ViewportMaxHeight, 0);
    EXPECT_EQ(loaded->MaxDisplayListNesting, 0);
    EXPECT_EQ(loaded->MaxTexture3DSize, 256);

    ASSERT_EQ(load(document("2.16", body)), 0); // 2.16 itself is current
    EXPECT_EQ(loaded->ViewportMaxWidth, 111);

    // Without a version attribute the current names apply.
    ASSERT_EQ(load(document("", body)), 0);
    EXPECT_EQ(loaded->ViewportMaxWidth, 111);
    EXPECT_EQ(loaded->ViewportMaxHeight, 0);
}

TEST_F(ReportFile, FortyCompressedFormatsKeepThirtyTwo)
{
    std::string body = "<Capabilities>\n<Extensions_Specs>\n<NumCompressedTextureFormats>40</"
                       "NumCompressedTextureFormats>\n<formats>\n";
    for (int i = 0; i < 40; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "<value>%x</value>\n", 0x1000 + i);
        body += line;
    }
    body += "</formats>\n<MaxVertexBlend>4</MaxVertexBlend>\n</Extensions_Specs></Capabilities>";
    ASSERT_EQ(load(document("2.33", body)), 0);
    EXPECT_EQ(loaded->NumCompressedTextureFormats, 40);
    for (int i = 0; i < TS_MAX_COMPRESSED_FORMATS; ++i)
        EXPECT_EQ(loaded->compressedFormats[i], 0x1000u + static_cast<unsigned>(i));
    EXPECT_EQ(loaded->MaxVertexBlend, 4); // "</formats>" returns to the general names
}

TEST_F(ReportFile, ModeIndicesOutsideTheTableAreIgnored)
{
    const std::string body =
        "<Resolutions>\n"
        "<Mode index=\"0\" width=\"640\" height=\"480\" depth=\"32\" rate=\"60\"/>\n"
        "<Mode index=\"5\" width=\"800\" height=\"600\" depth=\"16\" rate=\"300\"/>\n"
        "<Mode index=\"1024\" width=\"1\" height=\"1\" depth=\"1\" rate=\"1\"/>\n"
        "<Mode index=\"-1\" width=\"2\" height=\"2\" depth=\"2\" rate=\"2\"/>\n"
        "<Mode index=\"99999999999\" width=\"3\" height=\"3\" depth=\"3\" rate=\"3\"/>\n"
        "</Resolutions>\n";
    ASSERT_EQ(load(document("2.33", body)), 0);
    ASSERT_EQ(loaded->displayModeCount, 6);
    EXPECT_EQ(loaded->displayModes[0].width, 640);
    EXPECT_EQ(loaded->displayModes[0].refreshRate, 60);
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(loaded->displayModes[i].width, 0);
        EXPECT_EQ(loaded->displayModes[i].height, 0);
    }
    EXPECT_EQ(loaded->displayModes[5].height, 600);
    EXPECT_EQ(loaded->displayModes[5].refreshRate, 300 & 0xFF);
}

TEST_F(ReportFile, IcdGroupsBeyondSixteenAndWithoutAListAreIgnored)
{
    std::string body = "<Version>2.1 Mesa</Version>\n";
    for (int i = 0; i < 20; ++i)
        body += "<ICD>\n<name>lib" + std::to_string(i) + ".so</name>\n<version>9." +
                std::to_string(i) + "</version>\n</ICD>\n";
    const std::string doc = document("2.33", body);

    tsIcdList icd;
    std::memset(&icd, 0, sizeof icd);
    ASSERT_EQ(load(doc, &icd), 0);
    EXPECT_EQ(icd.count, 16);
    EXPECT_STREQ(icd.entries[15].name, "lib15.so");
    EXPECT_STREQ(icd.entries[15].version, "9.15");
    EXPECT_STREQ(loaded->version, "2.1 Mesa");

    // Without a list an ICD group's "version" is not the reading's.
    ASSERT_EQ(load(doc, nullptr), 0);
    EXPECT_STREQ(loaded->version, "2.1 Mesa");
}

TEST(ReportFilename, ReplacesUnsafeCharactersAndAppendsTheExtension)
{
    Caps c;
    setText(c->renderer, "GeForce 7800/PCI:SSE2");
    char out[TS_REPORT_FILENAME_SIZE];
    tsFormatReportFilename(out, c.get(), "XML");
    EXPECT_STREQ(out, "tessera-GeForce 7800_PCI_SSE2.XML");
    tsFormatReportFilename(out, c.get(), nullptr);
    EXPECT_STREQ(out, "tessera-GeForce 7800_PCI_SSE2");

    setText(c->renderer, std::string(300, 'x').c_str());
    tsFormatReportFilename(out, c.get(), "XML");
    EXPECT_EQ(std::strlen(out), 65u + 4u);
    EXPECT_STREQ(out + 65, ".XML");
}

// ---- hostile files -------------------------------------------------------------------

TEST_F(ReportFile, MissingOrEmptyFileGivesMinusOneAndAClearedReading)
{
    tsSystemInfo sys = someSystem();
    tsIcdList icd = twoDrivers();
    EXPECT_EQ(tsReadReportXML(dir.file("absent.xml").c_str(), loaded.get(), &icd, &sys), -1);
    EXPECT_EQ(loaded->filled, 1u);
    EXPECT_EQ(loaded->renderer, nullptr);
    EXPECT_EQ(icd.count, 0);
    EXPECT_STREQ(sys.system, "");
    EXPECT_EQ(load(""), -1);
    EXPECT_EQ(loaded->filled, 1u);
    // A folder is no report either.
    EXPECT_EQ(tsReadReportXML(dir.path().c_str(), loaded.get(), nullptr, nullptr), -1);
    EXPECT_EQ(tsReadReportXML(nullptr, loaded.get(), nullptr, nullptr), -1);
}

TEST_F(ReportFile, TruncatedDocumentsLoadWhatPrecedesTheCut)
{
    Caps saved;
    fillEverything(*saved.get());
    tsIcdList icd = twoDrivers();
    ASSERT_EQ(tsSaveReportXML(path.c_str(), nullptr, saved.get(), 1, &icd), 0);
    const std::string full = readWhole(path);
    for (std::size_t cut = 1; cut < full.size(); cut += 37) {
        tsIcdList back;
        ASSERT_EQ(load(full.substr(0, cut), &back), 0) << cut;
        EXPECT_LE(back.count, 2);
        EXPECT_LE(loaded->displayModeCount, 2);
        EXPECT_LE(loaded->pixelFormatCount, 3);
    }
    // Cut right after the renderer: the identification is there, limits are not.
    const std::size_t afterRenderer = full.find("</Renderer>\n") + 12;
    ASSERT_EQ(load(full.substr(0, afterRenderer)), 0);
    EXPECT_STREQ(loaded->renderer, saved->renderer);
    EXPECT_EQ(loaded->TextureSize, 0);
}

TEST_F(ReportFile, BinaryNoiseIsHarmless)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 20; ++round) {
        std::string noise(64 * 1024, '\0');
        for (char &ch : noise)
            ch = static_cast<char>(random() & 0xFF);
        if (round % 2) // markup-heavy noise reaches the callbacks more often
            for (std::size_t i = 0; i < noise.size(); i += 7)
                noise[i] = "<>/\"= MdeICDp"[random() % 13];
        tsIcdList icd;
        EXPECT_EQ(load(noise, &icd), 0);
        EXPECT_LE(icd.count, TS_ICD_MAX_ENTRIES);
        EXPECT_LE(loaded->displayModeCount, TS_MAX_DISPLAY_MODES);
        EXPECT_LE(loaded->pixelFormatCount, TS_MAX_PIXEL_FORMATS);
    }
}

TEST_F(ReportFile, ThousandsOfTableElementsStayInTheirTables)
{
    std::string body = "<Renderer>R</Renderer>\n<PixelFormats>";
    for (int i = 0; i <= 300; ++i)
        body += "<p id=\"" + std::to_string(i) + "\" color_bits=\"32\" samples=\"" +
                std::to_string(i % 17) + "\" acceleration=\"True\"  />";
    body += "</PixelFormats>\n<Resolutions>\n";
    for (int i = 0; i < 5000; ++i)
        body += "<Mode index=\"" + std::to_string(i) + "\" width=\"" + std::to_string(i) +
                "\" height=\"1\" depth=\"32\" rate=\"60\"/>\n";
    body += "</Resolutions>\n";
    for (int i = 0; i < 1000; ++i)
        body += "<ICD>\n<name>n" + std::to_string(i) + "</name>\n<company>c</company>\n</ICD>\n";

    tsIcdList icd;
    ASSERT_EQ(load(document("2.33", body), &icd), 0);
    EXPECT_EQ(loaded->displayModeCount, TS_MAX_DISPLAY_MODES);
    EXPECT_EQ(loaded->displayModes[1023].width, 1023);
    EXPECT_EQ(loaded->pixelFormatCount, TS_MAX_PIXEL_FORMATS);
    EXPECT_EQ(loaded->pixelFormats[255].color_bits, 32);
    EXPECT_EQ(loaded->pixelFormats[255].acceleration, 1);
    EXPECT_EQ(loaded->MaxSamples, 16);
    EXPECT_EQ(icd.count, TS_ICD_MAX_ENTRIES);
    EXPECT_STREQ(icd.entries[15].name, "n15");
    EXPECT_STREQ(loaded->renderer, "R");
}

TEST_F(ReportFile, FilesUpToTheReadLimitLoadAndLargerOnesAreRefused)
{
    // An extension list of 40 MiB, then limits after it: loads whole.
    const std::size_t target = 40u * 1024u * 1024u;
    std::string ext;
    ext.reserve(target + 64);
    while (ext.size() < target)
        ext += "GL_EXT_enormous_list ";
    std::string doc =
        document("2.33", "<Extensions>" + ext +
                             "</Extensions>\n<Capabilities>\n<Various>\n"
                             "<TextureSize>16384</TextureSize>\n</Various>\n</Capabilities>");
    ext.clear();
    ext.shrink_to_fit();
    ASSERT_LE(doc.size(), SYS_FILE_READ_LIMIT);
    ASSERT_EQ(load(doc), 0);
    doc.clear();
    doc.shrink_to_fit();
    ASSERT_NE(loaded->extensions, nullptr);
    EXPECT_GE(std::strlen(loaded->extensions), target);
    EXPECT_EQ(loaded->TextureSize, 16384);

    // One byte more than the limit is not read at all: -1, a cleared
    // reading, as for a missing file.  The reader clears the record without
    // releasing it, so the loaded texts are released first.
    tsInfoRelease(loaded.get());
    std::filesystem::resize_file(path, SYS_FILE_READ_LIMIT + 1);
    EXPECT_EQ(tsReadReportXML(path.c_str(), loaded.get(), nullptr, nullptr), -1);
    EXPECT_EQ(loaded->extensions, nullptr);
    EXPECT_EQ(loaded->TextureSize, 0);
    EXPECT_EQ(tsCheckReportXML(path.c_str()), TS_REPORT_FILE_UNREADABLE);
    EXPECT_EQ(tsReadReportXML("/dev/zero", loaded.get(), nullptr, nullptr), -1);
}

TEST_F(ReportFile, CheckTellsWholeReportsFromCutAndForeignFiles)
{
    Caps saved;
    fillEverything(*saved.get());
    ASSERT_EQ(tsSaveReportXML(path.c_str(), nullptr, saved.get(), 1, nullptr), 0);
    const std::string whole = readWhole(path);
    std::string utf16 = "\xFF\xFE";
    for (char c : whole)
        utf16 += std::string(1, c) + '\0';
    std::string withNul = whole;
    withNul[whole.find("<Capabilities>")] = '\0';
    const std::string database =
        readWhole(std::string(TESSERA_SOURCE_DIR) + "/data/extensions.xml");
    const struct {
        const char *what;
        std::string content;
        int expected;
    } cases[] = {
        {"written by the writer", whole, TS_REPORT_FILE_COMPLETE},
        {"legacy, without version", "<Tessera><Renderer>R</Renderer>\n</Tessera>",
         TS_REPORT_FILE_COMPLETE},
        {"cut in half", whole.substr(0, whole.size() / 2), TS_REPORT_FILE_INCOMPLETE},
        {"cut before the root's end", whole.substr(0, whole.rfind("</Tessera>")),
         TS_REPORT_FILE_INCOMPLETE},
        {"without renderer", document("2.33", "<Vendor>V</Vendor>\n<Renderer></Renderer>\n"),
         TS_REPORT_FILE_INCOMPLETE},
        {"a NUL byte inside", withNul, TS_REPORT_FILE_INCOMPLETE},
        {"empty", "", TS_REPORT_FILE_NOT_A_REPORT},
        {"one byte", "<", TS_REPORT_FILE_NOT_A_REPORT},
        {"UTF-16", utf16, TS_REPORT_FILE_NOT_A_REPORT},
        {"the extension database", database, TS_REPORT_FILE_NOT_A_REPORT},
        {"another document around a report", "<html>" + whole + "</html>",
         TS_REPORT_FILE_NOT_A_REPORT},
    };
    for (const auto &c : cases) {
        writeWhole(path, c.content);
        EXPECT_EQ(tsCheckReportXML(path.c_str()), c.expected) << c.what;
    }
    // The reader itself cannot tell: every one of them gives 0 (or -1 for
    // the empty file), so a caller has to ask.
    writeWhole(path, "<");
    EXPECT_EQ(tsReadReportXML(path.c_str(), loaded.get(), nullptr, nullptr), 0);
    EXPECT_EQ(tsCheckReportXML(dir.file("absent.xml").c_str()), TS_REPORT_FILE_UNREADABLE);
    EXPECT_EQ(tsCheckReportXML(dir.path().c_str()), TS_REPORT_FILE_UNREADABLE);
    EXPECT_EQ(tsCheckReportXML(nullptr), TS_REPORT_FILE_UNREADABLE);
}

TEST_F(ReportFile, FloatsRoundTripUnderADecimalCommaLocale)
{
    // A program whose locale writes 0,5 (Qt sets it from the environment)
    // must still write and read 0.5.
    DecimalCommaLocale comma;
    ASSERT_TRUE(comma.active()) << kNoDecimalComma;
    Caps saved;
    fillEverything(*saved.get());
    ASSERT_EQ(tsSaveReportXML(path.c_str(), nullptr, saved.get(), 1, nullptr), 0);
    EXPECT_NE(readWhole(path).find("<PointSizeMin>0.500000</PointSizeMin>"), std::string::npos);
    ASSERT_EQ(tsReadReportXML(path.c_str(), loaded.get(), nullptr, nullptr), 0);
    EXPECT_EQ(loaded->PointSizeMin, 0.5f);
    reporttest::expectRoundTrip(*saved.get(), *loaded.get());
}

TEST_F(ReportFile, HugeNumbersAreClampedNotOverflowed)
{
    ASSERT_EQ(load(document(
                  "2.33",
                  "<VRAM>99999999999999999999</VRAM><Capabilities>\n<Various>\n"
                  "<TextureSize>-99999999999999</TextureSize>\n<PointSizeMax>1e999</PointSizeMax>\n"
                  "</Various>\n</Capabilities>")),
              0);
    EXPECT_EQ(loaded->TextureSize, INT32_MIN);
    EXPECT_EQ(loaded->videoMemory, static_cast<uint32_t>(INT32_MAX));
}

// ---- atomic replacement ---------------------------------------------------------------

TEST_F(ReportFile, FailedWriteLeavesTheOldFileIntact)
{
    writeWhole(path, "old content\n");
    Caps c;
    fillEverything(*c.get());
    // Far more than the file size limit set below.
    setText(c->extensions, std::string(256 * 1024, 'e').c_str());

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Tests run as root, so permissions cannot make a write fail: a file
        // size limit does, with the signal it raises ignored.
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(tsSaveReportXML(path.c_str(), nullptr, c.get(), 1, nullptr));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(readWhole(path), "old content\n");
    EXPECT_EQ(dir.entries().size(), 1u) << "the temporary file was left behind";

    // Without the limit the same save replaces the file.
    ASSERT_EQ(tsSaveReportXML(path.c_str(), nullptr, c.get(), 1, nullptr), 0);
    EXPECT_NE(readWhole(path).find("<Tessera version=\"2.33\">"), std::string::npos);
    EXPECT_EQ(dir.entries().size(), 1u);
}

TEST_F(ReportFile, FailedRenameAndUncreatableFilesReportFailure)
{
    Caps c;
    setText(c->renderer, "R");
    // A folder in the way: the temporary file is written, the rename fails.
    const std::string folder = dir.file("folder.xml");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    EXPECT_EQ(tsSaveReportXML(folder.c_str(), nullptr, c.get(), 1, nullptr), 1);
    struct stat st;
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(dir.entries().size(), 1u);
    rmdir(folder.c_str());

    EXPECT_EQ(tsSaveReportXML(dir.file("no/such/folder.xml").c_str(), nullptr, c.get(), 1, nullptr),
              1);
    EXPECT_EQ(tsSaveReportXML(nullptr, nullptr, c.get(), 1, nullptr), 1);
    EXPECT_EQ(tsSaveReportXML(path.c_str(), nullptr, nullptr, 1, nullptr), 1);
}

TEST_F(ReportFile, NewFileGetsUmaskPermissionsAndAnOldFileKeepsItsOwn)
{
    Caps c;
    setText(c->renderer, "R");
    mode_t old = umask(027);
    ASSERT_EQ(tsSaveReportXML(path.c_str(), nullptr, c.get(), 1, nullptr), 0);
    umask(old);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    ASSERT_EQ(chmod(path.c_str(), 0604), 0);
    ASSERT_EQ(tsSaveReportXML(path.c_str(), nullptr, c.get(), 1, nullptr), 0);
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
}

} // namespace
