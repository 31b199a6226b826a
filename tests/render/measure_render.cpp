/* Measurement, not a test: the frame rates of the seven units with the
 * default options, and the harness's own cost per frame (begin and end of
 * frame with the status text, the buffer swap and the event pass: what a
 * frame costs outside a unit's drawing).  Run under the private X server:
 *   . scripts/xvfb-env && tessera_start_xvfb && build/<dir>/bin/measure_render */
#include <chrono>
#include <cstdio>

#include "sounder/probe.h"
#include "sounder/rendertest.h"
#include "tests/test_internal.h"

using namespace sounder;
using clock_type = std::chrono::steady_clock;

static double msSince(clock_type::time_point t)
{
    return std::chrono::duration<double, std::milli>(clock_type::now() - t).count();
}

int main()
{
    tsTestOptions options;
    if (tsTestLoadDefaults(&options) != 0)
        std::fprintf(stderr, "some default data files are missing\n");

    /* Harness-only frames on the test window. */
    TestState &g = testState();
    testClockReset();
    g.options = &options;
    if (!testPlatformCreateWindow(nullptr, &options) || !testInitGL(&options)) {
        std::fprintf(stderr, "no test window: %s\n", tsReportGetLogFile());
        return 1;
    }
    std::snprintf(g.statusLine, sizeof g.statusLine, "measurement");
    g.timeStart = g.timeLast = testNow();
    g.timeEnd = g.timeStart + 1e12;
    double begin = 0, end = 0, swap = 0, events = 0;
    int frames = 0;
    const auto total = clock_type::now();
    while (msSince(total) < 3000.0) {
        auto t = clock_type::now();
        testBeginFrame();
        begin += msSince(t);
        t = clock_type::now();
        testEndFrame();
        testAdvanceAnimation();
        end += msSince(t);
        t = clock_type::now();
        testPlatformSwapBuffers();
        swap += msSince(t);
        t = clock_type::now();
        bool quit = false;
        while (testPlatformDispatchEvents(quit) && !quit) {
        }
        events += msSince(t);
        ++frames;
    }
    testShutdown();
    std::printf("harness overhead per frame (%d frames, 640 x 480): %.3f ms = begin %.3f + end/text %.3f + swap %.3f "
                "+ events %.3f\n",
                frames, (begin + end + swap + events) / frames, begin / frames, end / frames, swap / frames,
                events / frames);

    int32_t results[7] = {0, 0, 0, 0, 0, 0, 0};
    const int rc = tsTestRun(results, nullptr, &options);
    std::printf("tsTestRun: %d\n", rc);
    for (int i = 0; i < 7; ++i)
        std::printf("  %-28s %5d fps  (%.2f ms per frame)\n", tsTestUnitDefault[i].name, results[i],
                    results[i] > 0 ? 1000.0 / results[i] : 0.0);
    if (tsReportHasErrors())
        std::printf("log:\n%s\n", tsReportGetLogFile());
    tsTestReleaseDefaults(&options);
    return 0;
}
