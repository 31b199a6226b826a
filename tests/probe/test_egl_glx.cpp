// The EGL backend against the GLX backend on the private X server: the GL
// side of a reading does not depend on the window system, so both give the
// same strings, GL extensions, limits and compliance for the same driver.
// An EGL that cannot read leaves the reading to GLX.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "support/command.h"
#include "support/egl_reading.h"
#include "support/extended_limits.h"

namespace {

std::string text(const char *s)
{
    return s ? s : "(null)";
}

// The limits of the record that the driver alone decides: the first
// integer group (without MaxSamples, which follows the window system's
// configurations), the float ranges and the compressed formats.
int expectSameLimits(const tsRendererCaps &glx, const tsRendererCaps &egl)
{
    int compared = 0;
    const int32_t *a = &glx.NumLights, *b = &egl.NumLights;
    const size_t ints =
        static_cast<size_t>(&glx.PointSizeMin - reinterpret_cast<const float *>(&glx.NumLights));
    for (size_t i = 0; i < ints; ++i, ++compared) {
        if (&a[i] == &glx.MaxSamples)
            continue;
        EXPECT_EQ(a[i], b[i]) << "integer limit " << i;
    }
    const float *fa = &glx.PointSizeMin, *fb = &egl.PointSizeMin;
    for (size_t i = 0; i < 10; ++i, ++compared)
        EXPECT_FLOAT_EQ(fa[i], fb[i]) << "float limit " << i;
    EXPECT_EQ(glx.RGBAMode, egl.RGBAMode);
    EXPECT_EQ(glx.IndexMode, egl.IndexMode);
    EXPECT_EQ(std::string(glx.newestVersion), std::string(egl.newestVersion));
    for (int i = 0; i < TS_MAX_COMPRESSED_FORMATS; ++i)
        EXPECT_EQ(glx.compressedFormats[i], egl.compressedFormats[i]) << i;
    return compared;
}

TEST(EglAgainstGlx, SameDriverSameGlSide)
{
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "needs the private X server";
    for (int hardware : {0, 1}) {
        BackendReading glx("glx", hardware);
        BackendReading egl("egl", hardware);
        ASSERT_TRUE(glx.ok) << glx.log;
        ASSERT_TRUE(egl.ok) << egl.log;
        EXPECT_EQ(glx.backend, "glx");
        EXPECT_EQ(egl.backend, "egl");
        EXPECT_EQ(glx.windowSystem.compare(0, 4, "GLX "), 0) << glx.windowSystem;
        EXPECT_EQ(egl.windowSystem.compare(0, 4, "EGL "), 0) << egl.windowSystem;
        EXPECT_EQ(text(glx.caps->vendor), text(egl.caps->vendor));
        EXPECT_EQ(text(glx.caps->renderer), text(egl.caps->renderer));
        EXPECT_EQ(text(glx.caps->version), text(egl.caps->version));
        EXPECT_EQ(text(glx.caps->glslVersion), text(egl.caps->glslVersion));
        // The probe's own (compatibility) context is current again after
        // the core-profile one was read.
        EXPECT_EQ(glx.currentVersion, text(glx.caps->version));
        EXPECT_EQ(egl.currentVersion, text(egl.caps->version));
        EXPECT_EQ(glx.glExtensions(), egl.glExtensions());
        EXPECT_GE(expectSameLimits(*glx.caps, *egl.caps), 40);
        // The core-profile context of either window system gives the same.
        EXPECT_EQ(extendedVersion(glx.caps.get()), extendedVersion(egl.caps.get()));
        EXPECT_EQ(extendedLimitTexts(glx.caps.get()), extendedLimitTexts(egl.caps.get()));
        EXPECT_GT(tsExtendedLimitCount(egl.caps.get()), 40);
    }
}

// The report's database and compliance parts: the lines about GL names.
std::vector<std::string> glSideOfReport(const std::string &report)
{
    std::vector<std::string> lines;
    std::istringstream in(report);
    bool compliance = false;
    for (std::string line; std::getline(in, line);) {
        if (line == "Compliance:")
            compliance = true;
        if (compliance || (line.find(" was added to the database") != std::string::npos &&
                           line.compare(0, 13, "Extension GL_") == 0))
            lines.push_back(line);
    }
    return lines;
}

TEST(EglAgainstGlx, ComplianceAndMergedDatabaseAgree)
{
    // Both runs are held against the shipped database: one run's additions
    // saved in a user copy would be missing from the other's report.
    const std::string cli = std::string(TESSERA_BIN_DIR) + "/tessera-cli --verify --database " +
                            TESSERA_BIN_DIR + "/extensions.xml";
    for (const char *renderer : {"0", "1"}) {
        int glxStatus = -1, eglStatus = -1;
        const std::string glx =
            commandOutput(cli + " --platform glx --renderer " + renderer, &glxStatus);
        const std::string egl =
            commandOutput(cli + " --platform egl --renderer " + renderer, &eglStatus);
        ASSERT_EQ(glxStatus, 0);
        ASSERT_EQ(eglStatus, 0);
        const std::vector<std::string> a = glSideOfReport(glx), b = glSideOfReport(egl);
        EXPECT_GT(a.size(), 20u);
        EXPECT_EQ(a, b) << "renderer " << renderer;
    }
}

TEST(EglAgainstGlx, AnEglThatCannotReadLeavesTheReadingToGlx)
{
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "needs the private X server";
    for (const BadEgl &bad : kBadEgls) {
        BadEglScope scope(bad);
        BackendReading r("egl", 1);
        EXPECT_TRUE(r.ok) << bad.mode << "\n" << r.log;
        EXPECT_EQ(r.backend, "glx") << bad.mode;
        EXPECT_EQ(r.windowSystem.compare(0, 4, "GLX "), 0) << r.windowSystem;
        // The record names the window system it was read through.
        EXPECT_EQ(std::string(tsInfoGetWindowSystem(r.caps.get())), r.windowSystem) << bad.mode;
        EXPECT_NE(r.log.find(bad.logged), std::string::npos) << bad.mode << "\n" << r.log;
        EXPECT_NE(r.log.find("read through GLX on display"), std::string::npos) << r.log;
    }
}

} // namespace
