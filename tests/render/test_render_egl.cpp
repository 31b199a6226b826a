/* The seven rendering units with no X server: DISPLAY unset, so the
 * harness draws through EGL into a pixel buffer.  Where the run promises
 * that it started no X server (TESSERA_NO_XVFB=1, as the headless pass of
 * scripts/test does) no Xvfb of this session may exist.  Only fps > 0 is
 * asked: the machine is shared, so rates say nothing here. */
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "probe/platform.h"
#include "rendertest/test_internal.h"
#include "sounder/probe.h"
#include "sounder/rendertest.h"
#include "support/egl_reading.h"

namespace {

TEST(RenderHeadless, AllSevenUnitsRunOnEgl)
{
    const char *promise = getenv("TESSERA_NO_XVFB");
    if (promise && std::string(promise) == "1") {
        ASSERT_EQ(xvfbInOurSession(), 0) << "an Xvfb of this run exists";
    }
    ScopedEnv noDisplay("DISPLAY", nullptr);
    ScopedEnv noChoice("TESSERA_PLATFORM", nullptr);
    sounder::platformResetChoice();
    ASSERT_STREQ(sounder::probePlatform().name(), "egl");

    struct Case {
        int hardware;
        uint32_t flags;
        const char *driver;
        const char *what;
    };
    const Case cases[] = {
        {1, 0, "llvmpipe", "default options"},
        {1, optFramebufferObject | optFog | optClipPlane | optObjectGrid | optPackedTextures,
         "llvmpipe", "FBO, fog, clip plane, grid, packed textures"},
        {0, 0, "softpipe", "software rasteriser"},
    };
    for (const Case &c : cases) {
        tsTestOptions o;
        ASSERT_EQ(tsTestLoadDefaults(&o), 0);
        o.hardware = c.hardware;
        o.flags = c.flags;
        tsReportSetLogFile();
        int32_t results[TS_TEST_UNIT_COUNT] = {0, 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(tsTestRun(results, nullptr, &o), 0) << c.what;
        std::printf("[ fps      ] %s:", c.what);
        for (int i = 0; i < TS_TEST_UNIT_COUNT; ++i) {
            EXPECT_GT(results[i], 0) << c.what << ": " << tsTestUnitDefault[i].name;
            std::printf(" %d", results[i]);
        }
        std::printf("\n");
        EXPECT_EQ(tsReportHasErrors(), 0) << c.what << "\n" << tsReportGetLogFile();
        EXPECT_STREQ(tsReportGetLogFile(), "") << c.what;
        // The units ran on the driver asked for, through EGL.
        const std::string status = sounder::testState().statusLine;
        EXPECT_NE(status.find(c.driver), std::string::npos) << status;
        EXPECT_NE(status.find("(7/7)"), std::string::npos) << status;
        EXPECT_STREQ(sounder::probePlatform().name(), "egl");
        tsTestReleaseDefaults(&o);
    }
    sounder::platformResetChoice();
}

} // namespace
