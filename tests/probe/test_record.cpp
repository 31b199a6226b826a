// The renderer record, the failure log and the extension search: everything
// of the probe that needs no driver.
#include <gtest/gtest.h>

#include <stddef.h>
#include <string.h>

#include <string>

#include "common/capability_table.h"
#include "keel/keel.h"
#include "probe/info_internal.h"
#include "report/report_members.h"
#include "sounder/probe.h"

namespace {

int countOf(const std::string &text, const std::string &what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(ProbeRecord, LayoutMatchesTheStoredRecord)
{
    EXPECT_EQ(sizeof(tsRendererCaps), 12048u);
    EXPECT_EQ(sizeof(tsPixelFormat), 20u);
    EXPECT_EQ(sizeof(tsDisplayMode), 6u);
    EXPECT_EQ(offsetof(tsRendererCaps, tag), 4u);
    EXPECT_EQ(offsetof(tsRendererCaps, filled), 8u);
    EXPECT_EQ(offsetof(tsRendererCaps, extensions), 48u);
    EXPECT_EQ(offsetof(tsRendererCaps, reserved), 56u);
    EXPECT_EQ(offsetof(tsRendererCaps, newestVersion), 64u);
    EXPECT_EQ(offsetof(tsRendererCaps, videoMemory), 192u);
    // 102 integer members, then ten floats, in the order of the report file.
    EXPECT_EQ(offsetof(tsRendererCaps, MaxTextureUnits), 196u + 14 * 4);
    EXPECT_EQ(offsetof(tsRendererCaps, MaxClientAttribStackDepth), 196u + 62 * 4);
    EXPECT_EQ(offsetof(tsRendererCaps, MaxSamples), 196u + 98 * 4);
    EXPECT_EQ(offsetof(tsRendererCaps, FBOMaxRenderBufferSize), 196u + 101 * 4);
    EXPECT_EQ(offsetof(tsRendererCaps, AliasedPointSizeMax), 196u + 111 * 4);
    EXPECT_EQ(offsetof(tsRendererCaps, displayModeCount), 646u);
    EXPECT_EQ(offsetof(tsRendererCaps, Stereo), 651u);
    EXPECT_EQ(offsetof(tsRendererCaps, pixelFormats), 652u);
    EXPECT_EQ(offsetof(tsRendererCaps, displayModes), 5772u);
    EXPECT_EQ(offsetof(tsRendererCaps, compressedFormats), 11916u);
    EXPECT_EQ(offsetof(tsPixelFormat, samples), 14u);
    EXPECT_EQ(offsetof(tsPixelFormat, number_underlays), 18u);
    EXPECT_EQ(offsetof(tsDisplayMode, bitsPerPixel), 4u);
    EXPECT_EQ(offsetof(tsDisplayMode, refreshRate), 5u);
}

// Every capability member has one row, named after it and reaching it: the
// member list is the report tests' own, kept apart from the library's.
TEST(ProbeRecord, CapabilityTableHasOneRowPerMemberReachingThatMember)
{
    size_t rows = 0;
    sounder::caps::table(&rows);
    size_t members = 0;
    auto check = [&](const char *name, auto tsRendererCaps::*member, auto value) {
        ++members;
        const sounder::caps::Capability *row = sounder::caps::find(name);
        ASSERT_NE(row, nullptr) << name;
        EXPECT_STREQ(row->name, name);
        // Through the row exactly the named member changes, nothing beside it.
        static tsRendererCaps c, expected;
        memset(&c, 0, sizeof c);
        memset(&expected, 0, sizeof expected);
        expected.*member = value;
        if (row->member.isFloat())
            row->member.setFloat(c, static_cast<float>(value));
        else
            row->member.setInt(c, static_cast<int32_t>(value));
        EXPECT_EQ(memcmp(&c, &expected, sizeof c), 0) << name;
        EXPECT_EQ(row->member.asFloat(c), static_cast<float>(value)) << name;
    };
#define CHECK_INT(m, carried) check(#m, &tsRendererCaps::m, int32_t{40000});
#define CHECK_FLOAT(m, carried) check(#m, &tsRendererCaps::m, 2.5f);
    REPORT_INT_MEMBERS(CHECK_INT)
    REPORT_FLOAT_MEMBERS(CHECK_FLOAT)
#undef CHECK_INT
#undef CHECK_FLOAT
    const struct {
        const char *name;
        uint8_t tsRendererCaps::*member;
    } bytes[] = {{"RGBAMode", &tsRendererCaps::RGBAMode},
                 {"IndexMode", &tsRendererCaps::IndexMode},
                 {"DoubleBuffer", &tsRendererCaps::DoubleBuffer},
                 {"Stereo", &tsRendererCaps::Stereo}};
    for (const auto &b : bytes)
        check(b.name, b.member, uint8_t{1});
    EXPECT_EQ(rows, members);
}

TEST(ProbeRecord, ReadRefusesNullAndWrongSizeAndLeavesTheRecordAlone)
{
    tsReportSetLogFile();
    EXPECT_EQ(tsInfoRead(nullptr, 0), 0);
    EXPECT_NE(std::string(tsReportGetLogFile()).find("Invalid parameter.\n"), std::string::npos);

    static tsRendererCaps caps;
    memset(&caps, 0, sizeof caps);
    caps.tag = 77;
    caps.NumLights = 5;
    tsReportSetLogFile();
    EXPECT_EQ(tsInfoRead(&caps, 3), 0);
    EXPECT_NE(
        std::string(tsReportGetLogFile()).find("size doesn't match (invalid tsRendererCaps)\n"),
        std::string::npos);
    EXPECT_EQ(tsReportHasErrors(), 1);
    EXPECT_EQ(caps.tag, 77);
    EXPECT_EQ(caps.NumLights, 5);
    EXPECT_EQ(caps.filled, 0u);

    caps.size = sizeof caps - 8;
    EXPECT_EQ(tsInfoRead(&caps, 3), 0);
    EXPECT_EQ(caps.tag, 77);
}

TEST(ProbeRecord, ReleaseEmptiesOnlyAFilledRecord)
{
    static tsRendererCaps caps;
    memset(&caps, 0, sizeof caps);
    caps.size = sizeof caps;
    caps.NumLights = 8;
    tsInfoRelease(&caps); // never filled: nothing happens
    EXPECT_EQ(caps.size, sizeof caps);
    EXPECT_EQ(caps.NumLights, 8);

    caps.filled = 1;
    caps.vendor = sysStrDup("Vendor");
    caps.renderer = sysStrDup("Renderer");
    caps.version = sysStrDup("2.1");
    caps.glslVersion = nullptr; // a driver without a shading language
    caps.extensions = sysStrDup("GL_ARB_multitexture GLX_ARB_multisample");
    caps.pixelFormatCount = 3;
    tsInfoRelease(&caps);
    static const tsRendererCaps zero = {};
    EXPECT_EQ(memcmp(&caps, &zero, sizeof caps), 0); // size field included
    tsInfoRelease(&caps);                            // released twice: harmless
    tsInfoRelease(nullptr);
}

TEST(ProbeRecord, SearchMatchesWholeWordsOnly)
{
    const char *list = "GL_ARB_texture_cube_map GL_EXT_bgra  GL_ARB_multitexture";
    EXPECT_EQ(tsInfoSearchExtension("GL_ARB_texture", "GL_ARB_texture_cube_map"), 0);
    EXPECT_EQ(tsInfoSearchExtension("GL_ARB_texture_cube_map", list), 1);
    EXPECT_EQ(tsInfoSearchExtension("GL_ARB_multitexture", list), 1); // last, no trailing space
    EXPECT_EQ(tsInfoSearchExtension("GL_EXT_bgr", list), 0);
    EXPECT_EQ(tsInfoSearchExtension("GL_EXT_bgra ", list), 0);
    EXPECT_EQ(tsInfoSearchExtension("gl_ext_bgra", list), 0); // case-sensitive
    EXPECT_EQ(tsInfoSearchExtension("EXT_bgra", list), 0);    // no suffix match
    EXPECT_EQ(tsInfoSearchExtension("GL_EXT_bgra", nullptr), 0);
    EXPECT_EQ(tsInfoSearchExtension(nullptr, list), 0);
    EXPECT_EQ(tsInfoSearchExtension("GL_EXT_bgra", ""), 0);
    // consecutive spaces make an empty token
    EXPECT_EQ(tsInfoSearchExtension("", list), 1);
    EXPECT_EQ(tsInfoSearchExtension("", "GL_A GL_B"), 0);
}

TEST(ProbeFailureLog, HeadingOncePerStep)
{
    tsReportSetLogFile();
    EXPECT_STREQ(tsReportGetLogFile(), "");
    EXPECT_EQ(tsReportHasErrors(), 0);

    tsReportContext("Legacy PFD creation.");
    tsReportFailure("first %d\n", 1);
    tsReportFailure("second\n");
    EXPECT_STREQ(tsReportGetLogFile(), "...Legacy PFD creation.:\r\nfirst 1\n\r\nsecond\n\r\n");
    EXPECT_EQ(tsReportHasErrors(), 2);

    // The same step named again is a new step: a second heading.
    tsReportContext("Legacy PFD creation.");
    tsReportFailure("third\n");
    EXPECT_EQ(countOf(tsReportGetLogFile(), "...Legacy PFD creation.:\r\n"), 2);
    EXPECT_EQ(tsReportHasErrors(), 3);

    // After emptying, the next failure writes its heading again.
    EXPECT_EQ(tsReportSetLogFile(), 0);
    EXPECT_EQ(tsReportHasErrors(), 0);
    tsReportFailure("fourth\n");
    EXPECT_STREQ(tsReportGetLogFile(), "...Legacy PFD creation.:\r\nfourth\n\r\n");
}

TEST(ProbeFailureLog, LimitsCutWithoutOverrun)
{
    tsReportSetLogFile();
    std::string longStep(600, 's');
    tsReportContext(longStep.c_str());
    std::string big(20000, 'x');
    tsReportFailure("%s", big.c_str());
    std::string log = tsReportGetLogFile();
    // The step name keeps 255 bytes; the message 8191 characters with its
    // line end; the log 16383 characters.
    EXPECT_EQ(log.find("..." + std::string(255, 's') + ":\r\n"), 0u);
    EXPECT_EQ(log.find(std::string(256, 's')), std::string::npos);
    size_t heading = 3 + 255 + 3;
    EXPECT_EQ(log.size(), heading + 8191);
    EXPECT_EQ(log.back(), 'x'); // the line end did not fit into the message buffer

    for (int i = 0; i < 5; ++i)
        tsReportFailure("%s", big.c_str());
    EXPECT_EQ(strlen(tsReportGetLogFile()), 16383u);
    EXPECT_EQ(tsReportHasErrors(), 6);

    // A driver's text is data, not a format.
    tsReportSetLogFile();
    tsReportContext("step");
    tsReportFailure("%s\n", "%s%n%d");
    EXPECT_STREQ(tsReportGetLogFile(), "...step:\r\n%s%n%d\n\r\n");
    tsReportContext(nullptr);
    tsReportFailure(nullptr);
    EXPECT_EQ(tsReportHasErrors(), 2);
}

TEST(ProbeInternal, FramebufferStatusTexts)
{
    EXPECT_STREQ(framebufferStatusText(0x8CD5), "");
    EXPECT_STREQ(framebufferStatusText(0x8CD6), "Incomplete attachement");
    EXPECT_STREQ(framebufferStatusText(0x8CD7), "Framebuffer incomplete, missing attachment");
    EXPECT_STREQ(framebufferStatusText(0x8CD8), "Framebuffer: Unknown result");
    EXPECT_STREQ(framebufferStatusText(0x8CD9),
                 "Framebuffer incomplete, attached images must have same dimensions");
    EXPECT_STREQ(framebufferStatusText(0x8CDA),
                 "Framebuffer incomplete, attached images must have same format");
    EXPECT_STREQ(framebufferStatusText(0x8CDB), "Framebuffer incomplete, missing draw buffer");
    EXPECT_STREQ(framebufferStatusText(0x8CDC), "Framebuffer incomplete, missing read buffer");
    EXPECT_STREQ(framebufferStatusText(0x8CDD), "Unsupported framebuffer format");
    EXPECT_STREQ(framebufferStatusText(0), "Framebuffer: Unknown result");
}

TEST(ProbeInternal, VideoMemoryRounding)
{
    const uint64_t mb = 1048576ull;
    EXPECT_EQ(infoVideoMemoryMegabytes(0), 0u);
    EXPECT_EQ(infoVideoMemoryMegabytes(100 * mb), 96u);
    EXPECT_EQ(infoVideoMemoryMegabytes(256 * mb), 256u);
    EXPECT_EQ(infoVideoMemoryMegabytes(240 * mb), 256u);
    EXPECT_EQ(infoVideoMemoryMegabytes(15 * mb), 0u);
    EXPECT_EQ(infoVideoMemoryMegabytes(16 * mb), 32u);
    // 24 GB: 24576 MB overflows 32 bits once in bytes; no wrap to 0.
    EXPECT_EQ(infoVideoMemoryMegabytes(24576ull * mb), 24576u);
    EXPECT_EQ(infoVideoMemoryMegabytes(24105ull * mb), 24096u);
    EXPECT_EQ(infoVideoMemoryMegabytes(4096ull * mb), 4096u);
    // Only the stored value is clamped.
    EXPECT_EQ(infoVideoMemoryMegabytes(~0ull), 0xffffffffu);
}

TEST(ProbeInternal, WindowSystemNames)
{
    EXPECT_STREQ(infoWindowSystemName("WGL_ARB_multisample"), "GLX_ARB_multisample");
    EXPECT_STREQ(infoWindowSystemName("wglSwapIntervalEXT"), "glXSwapIntervalEXT");
    EXPECT_STREQ(infoWindowSystemName("wglChoosePixelFormatARB"), "glXChooseFBConfig");
    EXPECT_EQ(infoWindowSystemName("WGL_FOO_bar"), nullptr);
    EXPECT_EQ(infoWindowSystemName("wglFooBarBaz"), nullptr);
    EXPECT_STREQ(infoWindowSystemName("GL_ARB_multitexture"), "GL_ARB_multitexture");
    EXPECT_EQ(infoWindowSystemName(nullptr), nullptr);
}

TEST(ProbeInternal, EntryPointsNeedAName)
{
    EXPECT_EQ(infoHasEntryPoint(nullptr), 0);
    EXPECT_EQ(infoHasEntryPoint(""), 0);
    EXPECT_EQ(infoHasEntryPoint("DrawArrays"), 0);
    EXPECT_EQ(infoHasEntryPoint("wglFooBarBaz"), 0);
}

TEST(ProbeInternal, ProbeCallsOnAClosedProbeAreHarmless)
{
    EXPECT_FALSE(infoWindowOpen());
    EXPECT_EQ(tsInfoEnd(), 1);
    EXPECT_EQ(tsInfoEnd(), 1);
    infoSwapBuffers();
    infoHideWindow();
    EXPECT_TRUE(infoProcessEvents());
    int w = -1, h = -1;
    infoWindowSize(&w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(infoNativeDisplay(), nullptr);
    EXPECT_EQ(infoSetSwapInterval(1), 0);
}

} // namespace
