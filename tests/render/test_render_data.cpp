/* Rendering-test data without a display: shader scripts, the define
 * insertion, images, the screenshot bitmap, the texture formulas, and the
 * runs that must not open a window. */
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "keel/keel.h"
#include "sounder/probe.h"
#include "sounder/rendertest.h"
#include "rendertest/test_internal.h"

namespace {

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

uint32_t le32(const std::string &s, size_t at)
{
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 |
           uint32_t(uint8_t(s[at + 2])) << 16 | uint32_t(uint8_t(s[at + 3])) << 24;
}

uint16_t le16(const std::string &s, size_t at)
{
    return uint16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8);
}

struct TempDir {
    std::string path;
    TempDir()
    {
        char tmpl[] = "/tmp/tessera-render-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir()
    {
        std::string cmd = "rm -rf '" + path + "'";
        if (std::system(cmd.c_str()) != 0) {}
    }
};

std::string text(const char *s)
{
    return s ? std::string(s) : std::string("(null)");
}

} // namespace

TEST(ShaderScript, MarkedSectionsGiveBothTexts)
{
    tsShader shader{};
    const char *doc =
        "<?xml version=\"1.0\"?>\n<!-- a comment -->\n<Shader name=\"x\">\n"
        "<VS type=\"GLSL\"/>\n<![CDATA[void main() { gl_Position = ftransform(); }]]>\n"
        "<PS type=\"GLSL\"/>\n<![CDATA[void main() { gl_FragColor = vec4(1.0); }]]>\n</Shader>\n";
    EXPECT_EQ(tsLoadShaderFromCString(&shader, doc), 0);
    EXPECT_EQ(text(shader.vertex), "void main() { gl_Position = ftransform(); }");
    EXPECT_EQ(text(shader.fragment), "void main() { gl_FragColor = vec4(1.0); }");
    tsReleaseShader(&shader);
    EXPECT_EQ(shader.vertex, nullptr);
    EXPECT_EQ(shader.fragment, nullptr);
}

TEST(ShaderScript, UnmarkedAndBareMarkersGoToFragmentLaterSectionReplaces)
{
    tsShader shader{};
    /* No marker at all: fragment text. */
    tsLoadShaderFromCString(&shader, "<a><![CDATA[only]]></a>");
    EXPECT_EQ(shader.vertex, nullptr);
    EXPECT_EQ(text(shader.fragment), "only");
    tsReleaseShader(&shader);

    /* A bare <VS> start tag (no attributes, holding children) is not seen by
     * the element callback, so the CDATA still counts as fragment text; a
     * second section for the same part replaces the first. */
    tsLoadShaderFromCString(&shader, "<VS><![CDATA[first]]></VS><![CDATA[second]]>");
    EXPECT_EQ(shader.vertex, nullptr);
    EXPECT_EQ(text(shader.fragment), "second");
    tsReleaseShader(&shader);

    /* Marker names are case-sensitive; "vs" is not a marker. */
    tsLoadShaderFromCString(&shader, "<vs a=\"1\"/><![CDATA[x]]><VS a=\"1\"/><![CDATA[y]]>");
    EXPECT_EQ(text(shader.fragment), "x");
    EXPECT_EQ(text(shader.vertex), "y");
    tsReleaseShader(&shader);

    /* A CDATA section may hold bytes the parser must keep exactly. */
    tsLoadShaderFromCString(&shader, "<PS k=\"v\"/><![CDATA[a<b>\"c\"&d]]>");
    EXPECT_EQ(text(shader.fragment), "a<b>\"c\"&d");
    tsReleaseShader(&shader);
}

TEST(ShaderScript, MissingOrEmptyFileLeavesShaderUntouched)
{
    TempDir dir;
    tsShader shader{};
    char marker[] = "keep";
    shader.vertex = marker;
    EXPECT_EQ(tsLoadShader(&shader, (dir.path + "/absent.kls").c_str()), -1);
    EXPECT_EQ(shader.vertex, marker);
    writeFile(dir.path + "/empty.kls", "");
    EXPECT_EQ(tsLoadShader(&shader, (dir.path + "/empty.kls").c_str()), -1);
    EXPECT_EQ(shader.vertex, marker);
    shader.vertex = nullptr;

    writeFile(dir.path + "/x.kls", "<VS a=\"b\"/><![CDATA[v]]><PS a=\"b\"/><![CDATA[f]]>");
    EXPECT_EQ(tsLoadShader(&shader, (dir.path + "/x.kls").c_str()), 0);
    EXPECT_EQ(text(shader.vertex), "v");
    EXPECT_EQ(text(shader.fragment), "f");
    tsReleaseShader(&shader);
}

TEST(ShaderScript, ShippedScriptsHoldWhatTheUnitsNeed)
{
    tsTestOptions options;
    ASSERT_EQ(tsTestLoadDefaults(&options), 0);
    EXPECT_EQ(options.hardware, 1);
    EXPECT_EQ(options.flags, 0u);
    for (int i = tsShaderARB; i <= tsShaderARBFog; ++i) {
        const std::string vp = text(options.shaders[i].vertex);
        EXPECT_EQ(vp.rfind("!!ARBvp1.0", 0), 0u) << tsTestShaderFiles[i];
        EXPECT_NE(vp.find("program.env[0]"), std::string::npos);
        EXPECT_NE(vp.find("vertex.attrib[6]"), std::string::npos);
        EXPECT_NE(vp.find("result.color"), std::string::npos);
    }
    EXPECT_NE(text(options.shaders[tsShaderARBFog].vertex).find("result.fogcoord"),
              std::string::npos);
    for (int i = tsShaderGLSL; i <= tsShaderGLSL21; ++i) {
        const std::string vs = text(options.shaders[i].vertex),
                          fs = text(options.shaders[i].fragment);
        EXPECT_EQ(vs.rfind("#version 1", 0), 0u);
        EXPECT_NE(vs.find("attribute vec3 Tangent"), std::string::npos);
        for (const char *name : {"Light", "Eye"})
            EXPECT_NE(vs.find(name), std::string::npos) << name;
        for (const char *name : {"BaseTex", "Cl"})
            EXPECT_NE(fs.find(name), std::string::npos) << name;
        EXPECT_NE((vs + fs).find("USE_FOG"), std::string::npos);
        EXPECT_NE(vs.find("USE_CLIP_PLANE"), std::string::npos);
    }
    EXPECT_NE(text(options.shaders[tsShaderGLSL].fragment).find("NormalTex"), std::string::npos);
    for (int i = tsShaderMRT1; i <= tsShaderMRT2; ++i)
        EXPECT_NE(text(options.shaders[i].fragment).find("gl_FragData[1]"), std::string::npos);
    ASSERT_NE(options.image0, nullptr);
    ASSERT_NE(options.image1, nullptr);
    for (const tsImage *img : {options.image0, options.image1}) {
        EXPECT_EQ(img->width, 128);
        EXPECT_EQ(img->height, 128);
        EXPECT_EQ(img->bitsPerPixel, 24);
        EXPECT_EQ(img->stride, 384);
    }
    tsTestReleaseDefaults(&options);
    EXPECT_EQ(options.image0, nullptr);
    EXPECT_EQ(options.shaders[0].vertex, nullptr);
}

TEST(ShaderText, DefinesFollowVersionLineInFixedOrder)
{
    using sounder::testPrepareShaderText;
    char *t = testPrepareShaderText("#version 110\nvoid main() {}\n", true, true);
    EXPECT_STREQ(t, "#version 110\n#define USE_FOG\n#define USE_CLIP_PLANE\nvoid main() {}\n");
    sysMemFree(t);
    t = testPrepareShaderText("\n  #version 120\r\nx", false, true);
    EXPECT_STREQ(t, "\n  #version 120\r\n#define USE_CLIP_PLANE\nx");
    sysMemFree(t);
    t = testPrepareShaderText("#version 110", true, false);
    EXPECT_STREQ(t, "#version 110\n#define USE_FOG\n");
    sysMemFree(t);
    t = testPrepareShaderText("void main() {}", true, false);
    EXPECT_STREQ(t, "#define USE_FOG\nvoid main() {}");
    sysMemFree(t);
    /* Comments may come before #version; the defines still follow it. */
    t = testPrepareShaderText("// c\n#version 110\n", true, false);
    EXPECT_STREQ(t, "// c\n#version 110\n#define USE_FOG\n");
    sysMemFree(t);
    t = testPrepareShaderText("/* a\n b */ # version 120\nx", false, true);
    EXPECT_STREQ(t, "/* a\n b */ # version 120\n#define USE_CLIP_PLANE\nx");
    sysMemFree(t);
    /* Only a leading #version counts; an open comment hides everything. */
    t = testPrepareShaderText("int a;\n#version 110\n", true, false);
    EXPECT_STREQ(t, "#define USE_FOG\nint a;\n#version 110\n");
    sysMemFree(t);
    t = testPrepareShaderText("/* open\n#version 110\n", true, false);
    EXPECT_STREQ(t, "#define USE_FOG\n/* open\n#version 110\n");
    sysMemFree(t);
    t = testPrepareShaderText("abc", false, false);
    EXPECT_STREQ(t, "abc");
    sysMemFree(t);
    EXPECT_EQ(testPrepareShaderText(nullptr, true, true), nullptr);
}

TEST(Images, LoadsBitmapsAndRefusesBrokenOnes)
{
    TempDir dir;
    EXPECT_EQ(tsLoadImage((dir.path + "/none.bmp").c_str()), nullptr);
    EXPECT_EQ(tsLoadImage(nullptr), nullptr);

    /* A 3 x 2 top-down 24-bit image: rows padded to 12 bytes, turned
     * bottom-up on load. */
    const uint8_t rows[2][12] = {{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0},
                                 {11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0}};
    std::string bmp = sounder::testBitmapBytes(3, 2, &rows[0][0]);
    ASSERT_EQ(bmp.size(), 54u + 24u);
    std::string topDown = bmp;
    const int32_t minus2 = -2;
    std::memcpy(&topDown[22], &minus2, 4);
    writeFile(dir.path + "/td.bmp", topDown);
    tsImage *img = tsLoadImage((dir.path + "/td.bmp").c_str());
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->width, 3);
    EXPECT_EQ(img->height, 2);
    EXPECT_EQ(img->stride, 12);
    EXPECT_EQ(img->pixels[0], 11); /* the file's first row is the top one */
    EXPECT_EQ(img->pixels[12], 1);
    tsReleaseImage(img);

    /* Truncated pixel data, a compressed image, 8 bits, a huge width, a
     * pixel offset past the end: refused, no crash. */
    writeFile(dir.path + "/short.bmp", bmp.substr(0, bmp.size() - 1));
    EXPECT_EQ(tsLoadImage((dir.path + "/short.bmp").c_str()), nullptr);
    std::string bad = bmp;
    bad[30] = 1;
    writeFile(dir.path + "/rle.bmp", bad);
    EXPECT_EQ(tsLoadImage((dir.path + "/rle.bmp").c_str()), nullptr);
    bad = bmp;
    bad[28] = 8;
    writeFile(dir.path + "/8.bmp", bad);
    EXPECT_EQ(tsLoadImage((dir.path + "/8.bmp").c_str()), nullptr);
    bad = bmp;
    const int32_t huge = 0x7fffffff;
    std::memcpy(&bad[18], &huge, 4);
    writeFile(dir.path + "/huge.bmp", bad);
    EXPECT_EQ(tsLoadImage((dir.path + "/huge.bmp").c_str()), nullptr);
    bad = bmp;
    const uint32_t far = 0xfffffff0u;
    std::memcpy(&bad[10], &far, 4);
    writeFile(dir.path + "/off.bmp", bad);
    EXPECT_EQ(tsLoadImage((dir.path + "/off.bmp").c_str()), nullptr);
    writeFile(dir.path + "/hdr.bmp", bmp.substr(0, 20));
    EXPECT_EQ(tsLoadImage((dir.path + "/hdr.bmp").c_str()), nullptr);
}

TEST(Screenshot, OddWidthGivesPaddedValidBitmapAndNumbersCount)
{
    TempDir dir;
    const int w = 641, h = 480;
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
    ASSERT_EQ(stride, 1924u);
    std::string rows(stride * h, '\0');
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            rows[size_t(y) * stride + size_t(x) * 3 + 0] = char(x & 0xff);
            rows[size_t(y) * stride + size_t(x) * 3 + 1] = char(y & 0xff);
            rows[size_t(y) * stride + size_t(x) * 3 + 2] = char(0x5a);
        }
    const std::string first = sounder::testWriteScreenshot(
        dir.path, w, h, reinterpret_cast<const uint8_t *>(rows.data()));
    EXPECT_EQ(first, dir.path + "/driftshot0000.BMP");
    const std::string bytes = readFile(first);
    ASSERT_EQ(bytes.size(), 54 + stride * h);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(le32(bytes, 2), bytes.size());
    EXPECT_EQ(le32(bytes, 10), 54u);
    EXPECT_EQ(le32(bytes, 14), 40u);
    EXPECT_EQ(int32_t(le32(bytes, 18)), w);
    EXPECT_EQ(int32_t(le32(bytes, 22)), h);
    EXPECT_EQ(le16(bytes, 26), 1);
    EXPECT_EQ(le16(bytes, 28), 24);
    EXPECT_EQ(le32(bytes, 30), 0u);
    /* Last pixel of row 7 and the padding after it. */
    EXPECT_EQ(uint8_t(bytes[54 + 7 * stride + 640 * 3]), 640 & 0xff);
    EXPECT_EQ(uint8_t(bytes[54 + 7 * stride + 640 * 3 + 1]), 7);

    /* The file loads back as the same image. */
    tsImage *img = tsLoadImage(first.c_str());
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->width, w);
    EXPECT_EQ(std::memcmp(img->pixels, rows.data(), rows.size()), 0);
    tsReleaseImage(img);

    /* A width that is a multiple of four: exactly w * h * 3 + 54 bytes, and
     * with 0000 taken the next file is 0001; a gap is filled first. */
    std::string rows4(size_t(640) * 3 * 2, '\x11');
    const std::string second = sounder::testWriteScreenshot(
        dir.path, 640, 2, reinterpret_cast<const uint8_t *>(rows4.data()));
    EXPECT_EQ(second, dir.path + "/driftshot0001.BMP");
    EXPECT_EQ(readFile(second).size(), 640u * 2 * 3 + 54);
    writeFile(dir.path + "/driftshot0003.BMP", "x");
    EXPECT_EQ(sounder::testWriteScreenshot(dir.path, 640, 2,
                                           reinterpret_cast<const uint8_t *>(rows4.data())),
              dir.path + "/driftshot0002.BMP");
    EXPECT_EQ(sounder::testWriteScreenshot(dir.path, 640, 2,
                                           reinterpret_cast<const uint8_t *>(rows4.data())),
              dir.path + "/driftshot0004.BMP");
    EXPECT_EQ(readFile(dir.path + "/driftshot0003.BMP"), "x");

    /* A folder that cannot be written: nothing, and no temporary left. */
    EXPECT_EQ(sounder::testWriteScreenshot(dir.path + "/missing", 640, 2,
                                           reinterpret_cast<const uint8_t *>(rows4.data())),
              "");
}

TEST(TextureFormulas, SpotAndFractal)
{
    using sounder::testSpotTexel;
    EXPECT_EQ(testSpotTexel(128, 128), (255 * 255) >> 8);
    /* d = sqrt(128^2 + 128^2) = 181.02: v = 74. */
    EXPECT_EQ(testSpotTexel(0, 0), (74 * 74) >> 8);
    /* d = 3: v = 252. */
    EXPECT_EQ(testSpotTexel(131, 128), (252 * 252) >> 8);
    EXPECT_EQ(testSpotTexel(128, 131), testSpotTexel(131, 128));

    using sounder::testPatternTexel;
    /* c = (-0.7, 0) with scale 1 at row 64, column 64: inside the set. */
    EXPECT_EQ(testPatternTexel(64, 64, 1.0), 255);
    /* c = (-3.7, -3): |z|^2 = 22.69 after one step, z = (0.99, 19.2) after
     * two: escapes at step 2, grey int(2 * 2.55) = 5. */
    EXPECT_EQ(testPatternTexel(0, 0, 1.0), 5);
    /* Scale 4 at the corner: c = (-12.7, -12), |c|^2 > 100 after one step. */
    EXPECT_EQ(testPatternTexel(0, 0, 4.0), 2);

    std::vector<uint8_t> buffer(65536, 0xcc);
    sounder::testPatternFill(buffer.data(), 1.0);
    EXPECT_EQ(buffer[(64 * 128 + 64) * 4 + 0], 255);
    EXPECT_EQ(buffer[(64 * 128 + 64) * 4 + 3], 255);
    EXPECT_EQ(buffer[0], 5);
    EXPECT_EQ(buffer[65535], testPatternTexel(127, 127, 1.0));
}

TEST(TestUnitTable, SevenNamedUnits)
{
    const char *names[7] = {"1.1 (texturing)",          "1.2 (locked arrays)",
                            "1.3 (multitexture)",       "1.4 (vertex program)",
                            "1.5 (vertex objects)",     "2.0 (shading language)",
                            "2.1 (pixel buffer object)"};
    for (int i = 0; i < TS_TEST_UNIT_COUNT; ++i) {
        EXPECT_STREQ(tsTestUnitDefault[i].name, names[i]);
        EXPECT_EQ(tsTestUnitDefault[i].enabled, 1);
        EXPECT_EQ(tsTestUnitDefault[i].result, -1);
    }
}

TEST(TestRun, NothingSelectedOpensNoWindow)
{
    /* Opening a window empties the failure log; an entry made before the
     * call must survive it. */
    tsReportSetLogFile();
    tsReportContext("before");
    tsReportFailure("marker\n");
    int32_t results[7] = {-1, 1, 2, -1, 5, 6, 7};
    tsTestOptions options{};
    EXPECT_EQ(tsTestRun(results, nullptr, &options), 0);
    const int32_t expected[7] = {-1, 1, 2, -1, 5, 6, 7};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(results[i], expected[i]);
    EXPECT_EQ(tsReportHasErrors(), 1);
    EXPECT_NE(std::string(tsReportGetLogFile()).find("marker"), std::string::npos);
    EXPECT_EQ(tsTestRun(nullptr, nullptr, &options), 0);
}
