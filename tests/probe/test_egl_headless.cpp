// Readings through EGL with no X server at all: DISPLAY is unset, and where
// the run promises that it started no X server (TESSERA_NO_XVFB=1, as
// scripts/test's headless pass does) no Xvfb of this session exists.  The window-system list is held against
// eglinfo's lists for the surfaceless platform; the failure paths read
// through a stand-in EGL library (support/fake_egl.cpp).
#include <gtest/gtest.h>

#include <string>

#include "probe/display.h"
#include "probe/platform_egl.h"
#include "support/command.h"
#include "sounder/extended.h"
#include "support/egl_reading.h"

namespace {

class HeadlessEgl : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *promise = getenv("TESSERA_NO_XVFB");
        if (promise && std::string(promise) == "1") {
            ASSERT_EQ(xvfbInOurSession(), 0) << "an Xvfb of this run exists";
        }
    }
    void TearDown() override { sounder::eglSetLibrary(nullptr); }
    ScopedEnv noDisplay_{"DISPLAY", nullptr};
};

TEST_F(HeadlessEgl, BothReadingsAreWholeAndTheListIsEglinfos)
{
    struct Case {
        int hardware;
        const char *renderer;
        const char *version;
    };
    for (const Case &c : {Case{0, "softpipe", "3.3 (Compatibility Profile) Mesa"},
                          Case{1, "llvmpipe", "4.5 (Compatibility Profile) Mesa"}}) {
        const EglinfoLists oracle = runEglinfo("Surfaceless platform", c.hardware == 0);
        ASSERT_FALSE(oracle.client.empty()) << "eglinfo printed no client extensions";
        ASSERT_FALSE(oracle.display.empty()) << "eglinfo printed no surfaceless platform";
        std::set<std::string> expected = oracle.client;
        expected.insert(oracle.display.begin(), oracle.display.end());
        // No choice given: without a display the library reads through EGL.
        BackendReading r(nullptr, c.hardware);
        ASSERT_TRUE(r.ok) << r.log;
        EXPECT_EQ(r.backend, "egl");
        EXPECT_EQ(r.windowSystem, "EGL " + oracle.version + " (surfaceless)");
        EXPECT_EQ(std::string(tsInfoGetWindowSystem(r.caps.get())), r.windowSystem);
        EXPECT_NE(std::string(r.caps->renderer).find(c.renderer), std::string::npos)
            << r.caps->renderer;
        EXPECT_EQ(std::string(r.caps->version).find(c.version), 0u) << r.caps->version;
        EXPECT_EQ(std::string(r.caps->vendor), "Mesa/X.org");
        EXPECT_NE(r.caps->glslVersion, nullptr);
        // The EGL list is appended after exactly one space and is eglinfo's.
        EXPECT_EQ(wordsOf(r.windowSystemList), expected) << c.renderer;
        const std::string all = r.caps->extensions;
        EXPECT_NE(all.find(" EGL_"), std::string::npos);
        EXPECT_EQ(all.find("  "), std::string::npos) << "an empty word";
        EXPECT_EQ(all.find("GLX_"), std::string::npos);
        EXPECT_GT(r.glExtensions().size(), 200u);
        // Configurations that render desktop OpenGL, at most 256.
        EXPECT_GT(r.caps->pixelFormatCount, 0);
        EXPECT_LE(r.caps->pixelFormatCount, 256);
        for (int i = 0; i < r.caps->pixelFormatCount; ++i) {
            EXPECT_EQ(r.caps->pixelFormats[i].support_opengl, 1);
            EXPECT_EQ(r.caps->pixelFormats[i].acceleration, 0) << "a software renderer";
        }
        // No display controller here: no modes, no desktop.
        EXPECT_EQ(r.caps->displayModeCount, static_cast<int>(sounder::listDisplayModes().size()));
        // The GL entry points are checked as under GLX; made-up names never resolve.
        EXPECT_EQ(r.log.find("cannot be checked"), std::string::npos) << r.log;
    }
}

TEST_F(HeadlessEgl, TheCommandPrintsBothReportsWithoutAnXServer)
{
    const std::string cli = std::string(TESSERA_BIN_DIR) + "/tessera-cli";
    for (const char *renderer : {"0", "1"}) {
        int status = -1;
        const std::string report = commandOutput("env -u DISPLAY -u TESSERA_PLATFORM " + cli +
                                                     " --renderer " + renderer + " 2>&1",
                                                 &status);
        EXPECT_EQ(status, 0) << report;
        EXPECT_NE(report.find(renderer[0] == '0' ? "\nsoftpipe" : "\nllvmpipe"), std::string::npos)
            << report.substr(0, 400);
        EXPECT_NE(report.find("\nEGL_KHR_surfaceless_context"), std::string::npos);
        // Read in a reader process, the record still names its window system.
        EXPECT_NE(report.find("\nWindow system: EGL 1."), std::string::npos)
            << report.substr(0, 400);
        EXPECT_NE(report.find(" (surfaceless)\n"), std::string::npos);
        EXPECT_NE(report.find("OpenGL 2.1"), std::string::npos) << "no compliance lines";
    }
}

// Without the surfaceless platform the reading takes the first device (here
// Mesa's software device) and gives the same GL side.
TEST_F(HeadlessEgl, TheDevicePlatformReadsWhereSurfacelessIsMissing)
{
    const std::string library = std::string(TESSERA_BIN_DIR) + "/libdevice_only_egl.so";
    for (int hardware : {0, 1}) {
        BackendReading surfaceless("egl", hardware);
        sounder::eglSetLibrary(library.c_str()); // named until reset below
        BackendReading device("egl", hardware);
        sounder::eglSetLibrary(nullptr);
        ASSERT_TRUE(surfaceless.ok) << surfaceless.log;
        ASSERT_TRUE(device.ok) << device.log;
        const std::string &name = surfaceless.windowSystem;
        EXPECT_EQ(device.windowSystem, name.substr(0, name.find('(')) + "(device)");
        EXPECT_EQ(device.windowSystemList.find("EGL_MESA_platform_surfaceless"), std::string::npos);
        EXPECT_EQ(std::string(device.caps->renderer), std::string(surfaceless.caps->renderer));
        EXPECT_EQ(std::string(device.caps->version), std::string(surfaceless.caps->version));
        EXPECT_EQ(device.glExtensions(), surfaceless.glExtensions());
        EXPECT_EQ(device.currentVersion, std::string(device.caps->version));
        EXPECT_EQ(tsExtendedLimitCount(device.caps.get()),
                  tsExtendedLimitCount(surfaceless.caps.get()));
        EXPECT_GT(device.caps->pixelFormatCount, 0);
    }
}

TEST_F(HeadlessEgl, WhatIsMissingIsNamedInTheLog)
{
    for (const BadEgl &bad : kBadEgls) {
        BadEglScope scope(bad);
        for (int hardware : {0, 1}) {
            BackendReading r("egl", hardware);
            EXPECT_FALSE(r.ok) << bad.mode;
            EXPECT_EQ(r.backend, "egl") << "no display: nothing else to try";
            EXPECT_NE(r.log.find(bad.logged), std::string::npos) << bad.mode << "\n" << r.log;
            EXPECT_FALSE(infoWindowOpen());
        }
    }
    // The real library reads again afterwards.
    BackendReading again("egl", 1);
    EXPECT_TRUE(again.ok) << again.log;
}

} // namespace
