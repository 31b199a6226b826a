/* Measurement, not a test: the frame rates of the seven units with the
 * default options, and the harness's own cost per frame (begin and end of
 * frame with the status text, the buffer swap and the event pass: what a
 * frame costs outside a unit's drawing).  Run under the private X server:
 *   . scripts/xvfb-env && tessera_start_xvfb && build/<dir>/bin/measure_render
 *
 * Second mode, the cost of single frames with options (to find frames that
 * stall, e.g. with anisotropic filtering):
 *   measure_render frames <anisotropy> <flags> <units> <step> [limit_s] [first]
 * flags: any of g (object grid), f (fog), c (clip plane), o (framebuffer
 * object), n (no mipmaps on textures 0 and 1), e (textures 0 and 1 clamp to
 * their edges instead of repeating), or - for none; units: digits
 * 0-6; anisotropy 0 leaves it off.  Each unit draws one frame per pose of
 * the animation, the angles stepping by <step> degrees (X; Y and Z turn two
 * and three times as fast, as in a run) over a full turn, and prints the
 * slowest frames.  A frame that takes longer than limit_s seconds (default
 * 20) ends the process with its pose.  first: the first pose (X angle,
 * default 0); a step of 360 or more draws that pose alone. */
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <utility>
#include <vector>

#include "sounder/probe.h"
#include "sounder/rendertest.h"
#include "rendertest/test_internal.h"

using namespace sounder;
using clock_type = std::chrono::steady_clock;

static double msSince(clock_type::time_point t)
{
    return std::chrono::duration<double, std::milli>(clock_type::now() - t).count();
}

static volatile sig_atomic_t g_unit = -1;
static volatile float g_pose = 0.f;
static volatile double g_limit = 20.0;

static void onStall(int)
{
    char line[160];
    const int n = std::snprintf(line, sizeof line,
                                "STALL: unit %d, pose X=%.2f: one frame took more than %.0f s\n",
                                int(g_unit), double(g_pose), double(g_limit));
    if (n > 0 && write(2, line, size_t(n)) < 0) {}
    _exit(3);
}

static int measureFrames(int argc, char **argv)
{
    if (argc < 6) {
        std::fprintf(
            stderr,
            "usage: measure_render frames <anisotropy> <flags> <units> <step> [limit_s] [first]\n");
        return 2;
    }
    const float anisotropy = float(std::atof(argv[2]));
    const char *flagText = argv[3];
    const char *units = argv[4];
    const double step = std::atof(argv[5]);
    g_limit = argc > 6 ? std::atof(argv[6]) : 20.0;
    const double first = argc > 7 ? std::atof(argv[7]) : 0.0;
    if (step <= 0.0)
        return 2;

    tsTestOptions options;
    if (tsTestLoadDefaults(&options) != 0)
        std::fprintf(stderr, "some default data files are missing\n");
    options.flags = 0;
    if (anisotropy > 0.f) {
        options.flags |= optAnisotropy;
        options.anisotropy = anisotropy;
    }
    if (std::strchr(flagText, 'g'))
        options.flags |= optObjectGrid;
    if (std::strchr(flagText, 'f'))
        options.flags |= optFog;
    if (std::strchr(flagText, 'c'))
        options.flags |= optClipPlane;
    if (std::strchr(flagText, 'o'))
        options.flags |= optFramebufferObject;

    TestState &g = testState();
    testClockReset();
    g.options = &options;
    g.quit = false;
    g.active = true;
    g.selectedCount = int(std::strlen(units));
    g.startedCount = 0;
    if (!testCreateWindow(nullptr, &options) || !testInitGL(&options)) {
        std::fprintf(stderr, "no test window: %s\n", tsReportGetLogFile());
        return 1;
    }
    if (std::strchr(flagText, 'n')) {
        for (int k = 0; k < 2; ++k) {
            glBindTexture(GL_TEXTURE_2D, g.textures[k]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        }
    }
    if (std::strchr(flagText, 'e')) {
        for (int k = 0; k < 2; ++k) {
            glBindTexture(GL_TEXTURE_2D, g.textures[k]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        }
    }
    GLfloat maxAniso = 0.f, set = 0.f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAniso);
    glBindTexture(GL_TEXTURE_2D, g.textures[0]);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &set);
    std::printf("renderer maximum anisotropy %.1f; texture 0 has %.1f; flags %s\n",
                double(maxAniso), double(set), flagText);
    std::signal(SIGALRM, onStall);

    for (const char *u = units; *u; ++u) {
        const int unit = *u - '0';
        if (unit < 0 || unit >= TS_TEST_UNIT_COUNT)
            continue;
        ++g.startedCount;
        g_unit = unit;
        tsReportContext(tsTestUnitDefault[unit].name);
        testStartUnit(&options, unit);
        std::vector<std::pair<double, float>> frames;
        double total = 0.0;
        for (double x = first; x < first + 360.0; x += step) {
            g.angleX = float(x);
            g.angleY = float(std::fmod(2.0 * x, 360.0));
            g.angleZ = float(std::fmod(3.0 * x, 360.0));
            g.timeLast = testNow();
            g_pose = float(x);
            const unsigned whole = unsigned(g_limit);
            alarm(whole > 0 ? whole : 1);
            const auto t = clock_type::now();
            if (g.frameOp)
                g.frameOp();
            testPlatformSwapBuffers();
            glFinish();
            const double ms = msSince(t);
            alarm(0);
            bool quit = false;
            while (testPlatformDispatchEvents(quit) && !quit) {}
            total += ms;
            frames.emplace_back(ms, float(x));
        }
        testPlatformMakeWindowCurrent();
        if (testUnitTable[unit].release)
            testUnitTable[unit].release();
        std::sort(frames.begin(), frames.end(), [](auto &a, auto &b) { return a.first > b.first; });
        const double median = frames[frames.size() / 2].first;
        int slow = 0;
        for (auto &f : frames)
            slow += f.first > 1000.0 ? 1 : 0;
        std::printf("  %-28s %zu frames, median %.1f ms, mean %.1f ms, >1 s: %d, slowest:",
                    tsTestUnitDefault[unit].name, frames.size(), median,
                    total / double(frames.size()), slow);
        for (size_t i = 0; i < frames.size() && i < 4; ++i)
            std::printf(" %.0f ms (X=%.1f)", frames[i].first, double(frames[i].second));
        std::printf("\n");
        std::fflush(stdout);
    }
    testShutdown();
    if (tsReportHasErrors())
        std::printf("log:\n%s\n", tsReportGetLogFile());
    tsTestReleaseDefaults(&options);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "frames") == 0)
        return measureFrames(argc, argv);

    tsTestOptions options;
    if (tsTestLoadDefaults(&options) != 0)
        std::fprintf(stderr, "some default data files are missing\n");

    /* Harness-only frames on the test window. */
    TestState &g = testState();
    testClockReset();
    g.options = &options;
    if (!testCreateWindow(nullptr, &options) || !testInitGL(&options)) {
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
        while (testPlatformDispatchEvents(quit) && !quit) {}
        events += msSince(t);
        ++frames;
    }
    testShutdown();
    std::printf("harness overhead per frame (%d frames, 640 x 480): %.3f ms = begin %.3f + "
                "end/text %.3f + swap %.3f "
                "+ events %.3f\n",
                frames, (begin + end + swap + events) / frames, begin / frames, end / frames,
                swap / frames, events / frames);

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
