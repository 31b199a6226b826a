// Helpers shared by the report tests: a reading with a distinct value in
// every member and its round-trip comparison (the private folder and
// whole-file reads and writes come from support/temp_dir.h).
#ifndef TESSERA_TESTS_REPORT_UTIL_H
#define TESSERA_TESTS_REPORT_UTIL_H

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "keel/keel.h"
#include "report_members.h"
#include "sounder/probe.h"
#include "sounder/reportfile.h"
#include "sounder/system.h"
#include "support/extended_limits.h"
#include "support/temp_dir.h"

namespace reporttest {

// A zeroed record owned by the test; texts are sysStrDup copies.
struct Caps {
    tsRendererCaps c;
    Caps()
    {
        std::memset(&c, 0, sizeof c);
        c.size = sizeof c;
    }
    ~Caps()
    {
        c.filled = 1; // tsInfoRelease frees the texts of filled records only
        tsInfoRelease(&c);
    }
    Caps(const Caps &) = delete;
    Caps &operator=(const Caps &) = delete;
    tsRendererCaps *operator->() { return &c; }
    tsRendererCaps *get() { return &c; }
};

inline void setText(char *&member, const char *text)
{
    sysMemFree(member);
    member = text ? sysStrDup(text) : nullptr;
}

inline std::string floatText(float v)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, "%f", static_cast<double>(v));
    return buf;
}

inline std::string textOf(const char *s)
{
    return s ? s : "(null)";
}

// Compares a saved reading with the one read back, member by member.  Every
// member a report carries must be equal (floats as their "%f" text, the
// precision of the file); every member it does not carry must be 0 after the
// load, so that the list of members lost on the way is exactly the known
// one: tag, newestVersion, the members REPORT_*_MEMBERS marks 0 (MaxSamples
// is derived again from the pixel formats), AuxBuffers and the four mode
// bytes.
inline void expectRoundTrip(const tsRendererCaps &saved, const tsRendererCaps &loaded)
{
    EXPECT_EQ(loaded.size, 0u); // the reader clears the whole record
    EXPECT_EQ(loaded.filled, 1u);
    EXPECT_EQ(loaded.tag, 0);
    EXPECT_STREQ(loaded.newestVersion, "");
    EXPECT_EQ(extendedVersion(&loaded), extendedVersion(&saved));
    EXPECT_EQ(extendedLimitTexts(&loaded), extendedLimitTexts(&saved));
    EXPECT_EQ(textOf(loaded.vendor), textOf(saved.vendor ? saved.vendor : ""));
    EXPECT_EQ(textOf(loaded.version), textOf(saved.version ? saved.version : ""));
    EXPECT_EQ(textOf(loaded.renderer), textOf(saved.renderer ? saved.renderer : ""));
    EXPECT_EQ(textOf(loaded.extensions), textOf(saved.extensions ? saved.extensions : ""));
    EXPECT_EQ(textOf(loaded.glslVersion), textOf(saved.glslVersion));
    EXPECT_EQ(loaded.videoMemory, saved.videoMemory);

#define REPORT_CHECK_INT(m, carried)                                                               \
    if (carried) {                                                                                 \
        EXPECT_EQ(loaded.m, saved.m) << #m;                                                        \
    } else if (std::strcmp(#m, "MaxSamples") != 0) {                                               \
        EXPECT_EQ(loaded.m, 0) << #m << " is not carried";                                         \
    }
    REPORT_INT_MEMBERS(REPORT_CHECK_INT)
#undef REPORT_CHECK_INT
#define REPORT_CHECK_FLOAT(m, carried)                                                             \
    if (carried) {                                                                                 \
        EXPECT_EQ(floatText(loaded.m), floatText(saved.m)) << #m;                                  \
    } else {                                                                                       \
        EXPECT_EQ(loaded.m, 0.0f) << #m << " is not carried";                                      \
    }
    REPORT_FLOAT_MEMBERS(REPORT_CHECK_FLOAT)
#undef REPORT_CHECK_FLOAT
    EXPECT_EQ(loaded.AuxBuffers, 0);
    EXPECT_EQ(loaded.RGBAMode, 0);
    EXPECT_EQ(loaded.IndexMode, 0);
    EXPECT_EQ(loaded.DoubleBuffer, 0);
    EXPECT_EQ(loaded.Stereo, 0);

    int maxSamples = 0;
    ASSERT_EQ(loaded.pixelFormatCount, saved.pixelFormatCount);
    for (int i = 0; i < saved.pixelFormatCount && i < TS_MAX_PIXEL_FORMATS; ++i) {
        const tsPixelFormat &a = saved.pixelFormats[i];
        const tsPixelFormat &b = loaded.pixelFormats[i];
        EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a)) << "pixel format " << i + 1;
        if (a.samples > maxSamples)
            maxSamples = a.samples;
    }
    EXPECT_EQ(loaded.MaxSamples, maxSamples);
    ASSERT_EQ(loaded.displayModeCount, saved.displayModeCount);
    for (int i = 0; i < saved.displayModeCount && i < TS_MAX_DISPLAY_MODES; ++i) {
        const tsDisplayMode &a = saved.displayModes[i];
        const tsDisplayMode &b = loaded.displayModes[i];
        EXPECT_EQ(a.width, b.width) << "mode " << i;
        EXPECT_EQ(a.height, b.height) << "mode " << i;
        EXPECT_EQ(a.bitsPerPixel, b.bitsPerPixel) << "mode " << i;
        EXPECT_EQ(a.refreshRate, b.refreshRate) << "mode " << i;
    }
    const int formats = saved.NumCompressedTextureFormats < TS_MAX_COMPRESSED_FORMATS
                            ? saved.NumCompressedTextureFormats
                            : TS_MAX_COMPRESSED_FORMATS;
    for (int i = 0; i < TS_MAX_COMPRESSED_FORMATS; ++i)
        EXPECT_EQ(loaded.compressedFormats[i], i < formats ? saved.compressedFormats[i] : 0u)
            << "format " << i;
}

} // namespace reporttest

#endif
