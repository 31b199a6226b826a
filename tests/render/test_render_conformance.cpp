/* White-box checks of the rendering-test harness on a real Mesa context:
 * projection, fog, object placement, animation and timing, textures, the
 * status line, the cube data in the vertex buffer, the vertex program's
 * parameter, the pixel-buffer-object texture and its zoom, the off-screen
 * target sizes and the blended trails.  Each test drives the frame
 * operations directly for a few frames; no test waits out a unit. */
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <cmath>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "probe/info_internal.h"
#include "sounder/probe.h"
#include "sounder/rendertest.h"
#include "rendertest/test_internal.h"

using namespace sounder;

namespace {

/* An open test window with GL ready (testInitGL) and the shipped data. */
class HarnessFixture : public ::testing::Test {
protected:
    void open(uint32_t flags)
    {
        ASSERT_EQ(tsTestLoadDefaults(&options_), 0);
        options_.flags = flags;
        options_.anisotropy = 16.f;
        options_.lodBias = 2.f;
        TestState &g = testState();
        testClockReset();
        g.options = &options_;
        g.selectedCount = 3;
        g.startedCount = 2;
        g.frameCount = 0;
        g.targetsActive = false;
        g.framebufferBound = false;
        ASSERT_TRUE(testCreateWindow(nullptr, &options_)) << tsReportGetLogFile();
        ASSERT_TRUE(testInitGL(&options_));
        opened_ = true;
    }
    void TearDown() override
    {
        if (opened_)
            testShutdown();
        testState().options = nullptr;
        tsTestReleaseDefaults(&options_);
        EXPECT_FALSE(infoWindowOpen());
    }
    /* Runs the unit's first frames as the harness would. */
    int frames(int unit, int count)
    {
        testStartUnit(&options_, unit);
        int r = 0;
        for (int k = 0; k < count && r == 0; ++k)
            r = testState().frameOp();
        return r;
    }
    tsTestOptions options_{};
    bool opened_ = false;
};

float projection(int k)
{
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    return m[k];
}

} // namespace

TEST_F(HarnessFixture, ProjectionFogPlacementAndStatusLine)
{
    open(optFog | optPbuffer | optAnisotropy | optLodBias);
    TestState &g = testState();
    ASSERT_EQ(g.objectCount, 1);
    /* One object: 60 degrees, fog from 3 to 6. */
    testSetViewport(100, 400, false, true);
    const double top60 = std::tan(60.0 * M_PI / 360.0);
    EXPECT_NEAR(projection(5), 1.0 / top60, 1e-4);
    EXPECT_NEAR(projection(0), 1.0 / (top60 * 0.25), 1e-4) << "aspect of the viewport";
    testSetViewport(100, 400, true, true);
    EXPECT_NEAR(projection(0), 1.0 / (top60 * 640.0 / 480.0), 1e-4) << "aspect of the window";
    EXPECT_EQ(g.viewWidth, 100);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 100);
    EXPECT_EQ(viewport[3], 400);
    GLfloat fogStart = 0, fogEnd = 0, clear[4];
    glGetFloatv(GL_FOG_START, &fogStart);
    glGetFloatv(GL_FOG_END, &fogEnd);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(fogStart, 3.f);
    EXPECT_FLOAT_EQ(fogEnd, 6.f);
    EXPECT_FLOAT_EQ(clear[2], 1.f) << "the clear colour is the fog colour";

    /* The grid: 70 degrees, corners of a 10 x 10 square at distance 20. */
    g.objectCount = 100;
    testSetViewport(640, 480, false, true);
    EXPECT_NEAR(projection(5), 1.0 / std::tan(70.0 * M_PI / 360.0), 1e-4);
    const float angles[3] = {g.angleX, g.angleY, g.angleZ};
    g.angleX = g.angleY = g.angleZ = 0.f;
    GLfloat m[16];
    testSetObjectTransform(0);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], -12.5f);
    EXPECT_FLOAT_EQ(m[13], -12.5f);
    EXPECT_FLOAT_EQ(m[14], -20.f);
    testSetObjectTransform(19); /* column 9, row 1 */
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], 12.5f);
    EXPECT_NEAR(m[13], (1.f / 9.f - 0.5f) * 25.f, 1e-5);
    EXPECT_FLOAT_EQ(g.objectDistance, -20.f);
    /* Object i is turned by 4i degrees about x first. */
    testSetObjectTransform(90);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_NEAR(m[12], -12.5f, 1e-5);
    EXPECT_NEAR(m[13], 12.5f, 1e-5);
    const double r = 360.0 * M_PI / 180.0; /* 4 x 90 = 360: x, y and z turns cancel */
    EXPECT_NEAR(m[0], std::cos(r), 1e-4);
    g.angleX = angles[0];
    g.angleY = angles[1];
    g.angleZ = angles[2];
    g.objectCount = 1;
    testSetObjectTransform(0);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[14], -5.f);

    /* Status line: the renderer, the unit, counts, size, bits, then
     * "PBUFFER" without a comma (no target was asked for here). */
    testStartUnit(&options_, 2);
    const std::string renderer = reinterpret_cast<const char *>(glGetString(GL_RENDERER));
    const std::string expected = renderer + ", OpenGL 1.3 (multitexture) (2/3), 640 x 480, (D" +
                                 std::to_string(g.colorBits) + "Z" + std::to_string(g.depthBits) +
                                 ")PBUFFER, AF: 16, LOD:  2";
    EXPECT_EQ(std::string(g.statusLine), expected);
    EXPECT_EQ(g.frameCount, 0);
    EXPECT_NEAR(g.timeEnd - g.timeStart, 5000.0, 1e-9);
    options_.flags = optFramebufferObject | optPbuffer | optMultisample;
    testStartUnit(&options_, 0);
    EXPECT_TRUE(
        std::regex_match(std::string(g.statusLine),
                         std::regex(".*\\(D[0-9]+Z[0-9]+\\), FBO, FSAA x [0-9]+ \\([0-9]+\\)")))
        << g.statusLine;

    /* LOD bias reaches the texture environment at each bind. */
    if (GLEW_EXT_texture_lod_bias) {
        testBindTexture(1);
        GLfloat bias = 0.f;
        glGetTexEnvfv(GL_TEXTURE_FILTER_CONTROL_EXT, GL_TEXTURE_LOD_BIAS_EXT, &bias);
        EXPECT_FLOAT_EQ(bias, 2.f);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(GLuint(bound), g.textures[1]);
    }
}

TEST_F(HarnessFixture, AnimationTimingAndSpotTexture)
{
    open(0);
    TestState &g = testState();
    /* The window ends once the previous frame lies 5,000 ms after the start. */
    const double now = testNow();
    g.timeStart = now - 4999.0;
    g.timeEnd = g.timeStart + 5000.0;
    g.timeLast = now - 100.0; /* elapsed before this frame: 4899 ms */
    g.frameCount = 7;
    g.angleX = 359.9f;
    g.angleY = 10.f;
    g.angleZ = 0.f;
    EXPECT_FALSE(testAdvanceAnimation());
    EXPECT_EQ(g.frameCount, 8);
    EXPECT_EQ(g.objectDistance, -5.f);
    /* At least 100 ms passed: a degree per 50 ms on x, twice on y, three
     * times on z. */
    EXPECT_GT(g.angleY, 14.f);
    EXPECT_LT(g.angleX, 10.f) << "above 360 comes back by 360";
    EXPECT_NEAR(g.angleZ, 3.f * (g.angleX + 360.f - 359.9f), 1e-3);
    g.timeStart = testNow() - 5000.0;
    g.timeEnd = g.timeStart + 5000.0;
    g.timeLast = g.timeStart + 5000.0;
    EXPECT_TRUE(testAdvanceAnimation());

    /* Frames per second over whole milliseconds, truncated. */
    g.timeStart = 1000.25;
    g.timeLast = 1003.99; /* 3 whole ms */
    g.frameCount = 10;
    EXPECT_EQ(testFramesPerSecond(), 3333);
    g.timeLast = 1000.9; /* under 1 ms: no frame finished */
    EXPECT_EQ(testFramesPerSecond(), -1);
    /* Fifty days of uptime lose nothing to rounding. */
    g.timeStart = 50.0 * 86400000.0;
    g.timeLast = g.timeStart + 5000.0;
    g.frameCount = 333;
    EXPECT_EQ(testFramesPerSecond(), 66);

    /* The spot texture: 256 x 256 luminance, (v * v) >> 8 with
     * v = (255 - floor(distance from the centre)) mod 256. */
    std::vector<uint8_t> texels(256 * 256, 0xcd);
    glBindTexture(GL_TEXTURE_2D, g.textures[2]);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, texels.data());
    int wrong = 0;
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; ++j) {
            const int d = int(std::floor(std::hypot(double(i - 128), double(j - 128))));
            const int v = (255 - d) & 255;
            wrong += texels[size_t(i) * 256 + size_t(j)] != uint8_t((v * v) >> 8);
        }
    EXPECT_EQ(wrong, 0);
    GLint internal = 0, width = 0, generate = 1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(internal, GL_LUMINANCE8);
    EXPECT_EQ(width, 256);
    if (GLEW_SGIS_generate_mipmap) {
        glGetTexParameteriv(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, &generate);
        EXPECT_EQ(generate, GL_FALSE);
    }
    /* The two images: 128 x 128, RGB8. */
    for (int k = 0; k < 2; ++k) {
        glBindTexture(GL_TEXTURE_2D, g.textures[k]);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
        EXPECT_EQ(width, 128) << k;
        EXPECT_EQ(internal, GL_RGB8) << k;
    }
}

/* The cube as listed: per face the normal and four vertices (position,
 * texture coordinate), then the tangents vertex by vertex. */
TEST_F(HarnessFixture, VertexBufferHoldsTheCubeInItsLayout)
{
    open(0);
    ASSERT_TRUE(GLEW_ARB_vertex_buffer_object);
    ASSERT_EQ(frames(4, 2), 0) << tsReportGetLogFile();
    GLint bound = 0, size = 0, indexBound = 0;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING_ARB, &bound);
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING_ARB, &indexBound);
    ASSERT_NE(bound, 0);
    ASSERT_NE(indexBound, 0);
    glGetBufferParameterivARB(GL_ARRAY_BUFFER_ARB, GL_BUFFER_SIZE_ARB, &size);
    ASSERT_EQ(size, 1068);
    std::vector<float> data(1068 / 4, -99.f);
    glGetBufferSubDataARB(GL_ARRAY_BUFFER_ARB, 0, 1068, data.data());

    struct Face {
        float normal[3];
        float pos[4][3];
        float tex[4][2];
    };
    const Face faces[6] = {
        {{0, 0, 1},
         {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}},
         {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
        {{0, 0, -1},
         {{-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {1, -1, -1}},
         {{1, 0}, {1, 1}, {0, 1}, {0, 0}}},
        {{0, 1, 0},
         {{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}},
         {{0, 1}, {0, 0}, {1, 0}, {1, 1}}},
        {{0, -1, 0},
         {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}},
         {{1, 1}, {0, 1}, {0, 0}, {1, 0}}},
        {{1, 0, 0},
         {{1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, -1, 1}},
         {{1, 0}, {1, 1}, {0, 1}, {0, 0}}},
        {{-1, 0, 0},
         {{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}},
         {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
    };
    const float s = 0.707107f;
    const float tangents[24][3] = {{-s, s, 0}, {0, 1, 0},  {-s, s, 0}, {-1, 0, 0}, {s, -s, 0},
                                   {1, 0, 0},  {s, -s, 0}, {0, -1, 0}, {s, 0, -s}, {1, 0, 0},
                                   {s, 0, -s}, {0, 0, -1}, {-s, 0, s}, {0, 0, 1},  {-s, 0, s},
                                   {-1, 0, 0}, {0, -s, s}, {0, 0, 1},  {0, -s, s}, {0, -1, 0},
                                   {0, s, -s}, {0, 1, 0},  {0, s, -s}, {0, 0, -1}};
    /* Byte offsets 0, 192, 480, 768, then 12 zero bytes. */
    for (int f = 0; f < 6; ++f)
        for (int v = 0; v < 4; ++v) {
            const int n = f * 4 + v;
            for (int c = 0; c < 2; ++c)
                EXPECT_EQ(data[size_t(n * 2 + c)], faces[f].tex[v][c]) << "texcoord " << n;
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(data[size_t(48 + n * 3 + c)], faces[f].pos[v][c]) << "position " << n;
                EXPECT_EQ(data[size_t(120 + n * 3 + c)], faces[f].normal[c]) << "normal " << n;
                EXPECT_EQ(data[size_t(192 + n * 3 + c)], tangents[n][c]) << "tangent " << n;
            }
        }
    for (int k = 264; k < 267; ++k)
        EXPECT_EQ(data[size_t(k)], 0.f);

    uint16_t indices[24];
    glGetBufferSubDataARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0, sizeof indices, indices);
    for (int k = 0; k < 24; ++k)
        EXPECT_EQ(indices[k], k);

    /* The arrays point at the offsets of the bound buffer. */
    GLvoid *pointer = nullptr;
    glGetPointerv(GL_VERTEX_ARRAY_POINTER, &pointer);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pointer), 192u);
    glGetPointerv(GL_NORMAL_ARRAY_POINTER, &pointer);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pointer), 480u);
    glGetVertexAttribPointervARB(6, GL_VERTEX_ATTRIB_ARRAY_POINTER_ARB, &pointer);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pointer), 768u);
    testUnitTable[4].release();
    EXPECT_EQ(tsReportHasErrors(), 0) << tsReportGetLogFile();
}

TEST_F(HarnessFixture, VertexProgramGetsTheThirdRowAndTheCombiners)
{
    open(0);
    ASSERT_TRUE(GLEW_ARB_vertex_program);
    TestState &g = testState();
    testStartUnit(&options_, 3);
    const float angles[3] = {g.angleX, g.angleY, g.angleZ};
    ASSERT_EQ(g.frameOp(), 0) << tsReportGetLogFile();
    GLfloat env[4] = {-9, -9, -9, -9};
    glGetProgramEnvParameterfvARB(GL_VERTEX_PROGRAM_ARB, 0, env);
    g.angleX = angles[0];
    g.angleY = angles[1];
    g.angleZ = angles[2];
    testSetObjectTransform(0);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_NEAR(env[0], m[2], 1e-5);
    EXPECT_NEAR(env[1], m[6], 1e-5);
    EXPECT_NEAR(env[2], m[10], 1e-5);
    EXPECT_EQ(env[3], 0.f);
    /* Restored after the frame: program off, both units modulate again,
     * texturing off on unit 1 and unit 0 selected. */
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_PROGRAM_ARB));
    GLint active = 0, combine = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
    EXPECT_EQ(active, GL_TEXTURE0_ARB);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glGetTexEnviv(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, &combine);
    EXPECT_EQ(combine, GL_MODULATE);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    testUnitTable[3].release();
    EXPECT_EQ(tsReportHasErrors(), 0) << tsReportGetLogFile();
}

/* The 2.1 unit streams the fractal into its texture; the zoom factor moves
 * by 0.05 per frame. */
TEST_F(HarnessFixture, PixelBufferObjectStreamsTheZoomedPattern)
{
    open(0);
    ASSERT_TRUE(GLEW_ARB_pixel_buffer_object);
    /* The zoom is kept by the process: find it from the first frame's
     * texture, then follow three more frames. */
    testStartUnit(&options_, 6);
    std::vector<uint8_t> got(65536), want(65536);
    auto frameTexture = [&] {
        EXPECT_EQ(testState().frameOp(), 0) << tsReportGetLogFile();
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_NE(bound, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, got.data());
    };
    frameTexture();
    double zoom = 0.0;
    for (int k = 0; k <= 180 && zoom == 0.0; ++k) {
        testPatternFill(want.data(), 1.0 / (1.0 + 0.05 * k));
        if (got == want)
            zoom = 1.0 + 0.05 * k;
    }
    ASSERT_GT(zoom, 0.0) << "the texture is not the pattern at any zoom step";
    double step = 0.05;
    for (int n = 0; n < 3; ++n) {
        zoom += step;
        if (zoom > 10.0) {
            step = -step;
            zoom = 10.0;
        } else if (zoom < 1.0) {
            step = -step;
            zoom = 1.0;
        }
        frameTexture();
        testPatternFill(want.data(), 1.0 / zoom);
        int differ = 0;
        for (size_t i = 0; i < got.size(); ++i)
            differ += got[i] != want[i];
        /* Rounding of the repeated 1 / scale may move a border texel. */
        EXPECT_LT(differ, 64) << "frame " << n + 2 << " zoom " << zoom;
    }
    /* Every pixel of the pattern is grey with equal bytes. */
    for (size_t i = 0; i < got.size(); i += 4)
        ASSERT_TRUE(got[i] == got[i + 1] && got[i] == got[i + 2] && got[i] == got[i + 3]) << i;
    testUnitTable[6].release();
    EXPECT_EQ(tsReportHasErrors(), 0) << tsReportGetLogFile();
}

/* Targets are half the window with non-power-of-two textures, and each
 * frame's copy is blended at 20/255 over what the window holds from the
 * third frame on. */
TEST_F(HarnessFixture, TargetSizeAndBlendedTrails)
{
    open(optFramebufferObject);
    TestState &g = testState();
    ASSERT_TRUE(GLEW_ARB_texture_non_power_of_two);
    ASSERT_TRUE(g.targetsActive);
    for (testRenderTarget *t : g.targets) {
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->type, GLenum(GL_TEXTURE_2D));
        EXPECT_EQ(t->width, 320);
        EXPECT_EQ(t->height, 240);
        EXPECT_TRUE(t->isFramebufferObject);
    }
    testRenderTarget *t = g.targets[0];
    auto fillTarget = [&] {
        testMakeTargetCurrent(t);
        glViewport(0, 0, t->width, t->height);
        glClearColor(0.f, 1.f, 0.f, 1.f);
        glClear(GL_COLOR_BUFFER_BIT);
        testMakeTargetCurrent(nullptr);
    };
    auto windowPixel = [] {
        uint8_t px[4] = {0, 0, 0, 0};
        glReadBuffer(GL_BACK);
        glReadPixels(320, 240, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
        return std::vector<int>{px[0], px[1], px[2]};
    };
    const int a = 20; /* alpha 20/255 */
    for (int frame : {0, 1, 2, 5}) {
        SCOPED_TRACE(frame);
        fillTarget();
        glViewport(0, 0, 640, 480);
        glClearColor(1.f, 0.f, 0.f, 1.f);
        glClear(GL_COLOR_BUFFER_BIT);     /* what the window showed before */
        glClearColor(0.f, 0.f, 0.f, 1.f); /* the harness's clear colour */
        g.frameCount = frame;
        testDrawTargetToWindow(t, true);
        const std::vector<int> px = windowPixel();
        const int red = frame < 2 ? 0 : 255 - a;
        EXPECT_NEAR(px[0], red, 2);
        EXPECT_NEAR(px[1], a, 2);
        EXPECT_NEAR(px[2], 0, 2);
    }
    /* Not blended: the target as it is. */
    fillTarget();
    testDrawTargetToWindow(t, false);
    const std::vector<int> px = windowPixel();
    EXPECT_EQ(px, (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(tsReportHasErrors(), 0) << tsReportGetLogFile();
}

/* A 32-bit image uploaded packed gives the same texels as the byte-wise
 * upload: the channels stay where they are. */
TEST_F(HarnessFixture, PackedThirtyTwoBitImageKeepsItsChannels)
{
    std::vector<uint8_t> pixels(128 * 128 * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = 0x20;     /* blue */
        pixels[i + 1] = 0x60; /* green */
        pixels[i + 2] = 0xa0; /* red */
        pixels[i + 3] = 0xff; /* alpha */
    }
    tsImage image{128, 128, 32, 128 * 4, pixels.data()};
    for (uint32_t flags : {uint32_t(optPackedTextures), uint32_t(0)}) {
        SCOPED_TRACE(flags ? "packed" : "bytes");
        open(flags);
        tsImage *saved = options_.image0;
        options_.image0 = &image;
        /* Upload again with the test image in slot 0. */
        glDeleteTextures(3, testState().textures);
        ASSERT_TRUE(testLoadTextures(&options_));
        options_.image0 = saved;
        uint8_t texel[3 * 128 * 128];
        glBindTexture(GL_TEXTURE_2D, testState().textures[0]);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texel);
        EXPECT_EQ(texel[0], 0xa0);
        EXPECT_EQ(texel[1], 0x60);
        EXPECT_EQ(texel[2], 0x20);
        testShutdown();
        opened_ = false;
        tsTestReleaseDefaults(&options_);
    }
}

/* The shading-language scripts are GLSL 1.10 (they run on any OpenGL 2.0
 * driver), and both units build them with fog and the clip plane on. */
TEST_F(HarnessFixture, ShadingLanguageUnitsBuildWithFogAndClipPlane)
{
    open(optFog | optClipPlane);
    for (int slot : {tsShaderGLSL, tsShaderGLSL21, tsShaderMRT1, tsShaderMRT2})
        for (const char *text : {options_.shaders[slot].vertex, options_.shaders[slot].fragment}) {
            ASSERT_NE(text, nullptr) << tsTestShaderFiles[slot];
            EXPECT_EQ(std::string(text).rfind("#version 110\n", 0), 0u) << tsTestShaderFiles[slot];
        }
    for (int unit : {5, 6}) {
        SCOPED_TRACE(tsTestUnitDefault[unit].name);
        EXPECT_EQ(frames(unit, 2), 0) << tsReportGetLogFile();
        testUnitTable[unit].release();
    }
    EXPECT_EQ(tsReportHasErrors(), 0) << tsReportGetLogFile();
}
