// The extended limits without a driver: version texts, what a context's
// version and extensions gate in, failing queries, and the requirement
// check.  The stand-in context answers each token with a value derived from
// it, so that a value read under the wrong token shows.
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <set>
#include <string>
#include <vector>

#include "probe/extended_limits.h"

namespace {

using sounder::ExtendedLimits;
using sounder::ExtendedValue;

std::set<uint32_t> g_failing; // tokens that raise GL_INVALID_ENUM
bool g_alwaysError = false;   // every call leaves an error behind
uint32_t g_error = 0;

// The error the stand-in's last call left behind.
uint32_t raised(uint32_t token)
{
    return g_alwaysError || g_failing.count(token) ? GL_INVALID_ENUM : 0;
}

sounder::ContextQueries fakeContext(bool with64)
{
    sounder::ContextQueries q;
    q.integers = [](uint32_t t, int32_t *v) {
        v[0] = static_cast<int32_t>(t & 0xffff);
        g_error = raised(t);
    };
    q.integers64 = [](uint32_t t, int64_t *v) {
        v[0] = (int64_t{t} << 32) | 7;
        g_error = raised(t);
    };
    if (!with64)
        q.integers64 = nullptr;
    q.indexed = [](uint32_t t, uint32_t i, int32_t *v) {
        *v = static_cast<int32_t>((t & 0xffff) + i);
        g_error = raised(t);
    };
    q.floats = [](uint32_t t, float *v) {
        v[0] = v[1] = -0.5f;
        g_error = raised(t);
    };
    q.error = [] {
        const uint32_t e = g_error;
        g_error = g_alwaysError ? GL_INVALID_OPERATION : 0;
        return e;
    };
    return q;
}

// What the stand-in gives for value i of the row.
double expected(const ExtendedValue &v, int i)
{
    const uint32_t token = v.row->read[0].token;
    switch (v.row->read[0].query) {
    case sounder::caps::Query::Integer64:
        return static_cast<double>((static_cast<int64_t>(token) << 32) | 7);
    case sounder::caps::Query::Float: return -0.5;
    default: return static_cast<double>((token & 0xffff) + static_cast<uint32_t>(i));
    }
}

} // namespace

TEST(ExtendedLimits, VersionTexts)
{
    const struct {
        const char *text;
        int major, minor;
        bool es, atLeast33;
    } cases[] = {
        {"4.6 (Core Profile) Mesa 22.3.6", 4, 6, false, true},
        {"3.2.1 vendor", 3, 2, false, false},
        {"10.12", 10, 12, false, true},
        {"OpenGL ES 3.2 Mesa 22.3.6", 3, 2, true, false},
        {"4.", 0, 0, false, false},
        {"Core Profile 4.6", 0, 0, false, false},
        {nullptr, 0, 0, false, false},
    };
    for (const auto &c : cases) {
        const sounder::GlVersion v = sounder::parseGlVersion(c.text);
        const std::string label = c.text ? c.text : "(null)";
        EXPECT_EQ(v.major * 100 + v.minor, c.major * 100 + c.minor) << label;
        EXPECT_EQ(v.es, c.es) << label;
        EXPECT_EQ(v.atLeast("3.3"), c.atLeast33) << label;
    }
}

TEST(ExtendedLimits, ReadsWhatTheContextOffersAndLeavesTheRestAbsent)
{
    std::size_t rows = 0;
    sounder::caps::extendedTable(&rows);
    const struct {
        const char *version;
        std::set<std::string> extensions;
        std::set<uint32_t> failing;
        bool with64, alwaysError;
        std::vector<const char *> present, absent;
        std::size_t read; // 0: not checked
    } cases[] = {
        {"4.6 (Core Profile) Mesa",
         {},
         {GL_MAX_COMPUTE_SHARED_MEMORY_SIZE, GL_VIEWPORT_BOUNDS_RANGE},
         true,
         false,
         {"GL_MAX_COMPUTE_WORK_GROUP_COUNT", "GL_MAX_SERVER_WAIT_TIMEOUT"},
         {"GL_MAX_COMPUTE_SHARED_MEMORY_SIZE", "GL_VIEWPORT_BOUNDS_RANGE"},
         rows - 2},
        {"OpenGL ES 3.2 Mesa", {}, {}, true, false, {}, {"GL_MAX_SAMPLES"}, 0},
        {"3.3 (Core Profile)",
         {"GL_ARB_compute_shader"},
         {},
         true,
         false,
         {"GL_MAX_SAMPLES", "GL_MAX_COMPUTE_WORK_GROUP_SIZE"},
         {"GL_MAX_TESS_GEN_LEVEL", "GL_MAX_IMAGE_UNITS"},
         0},
        {"unknown",
         {"GL_ARB_tessellation_shader"},
         {},
         true,
         false,
         {"GL_MAX_TESS_GEN_LEVEL"},
         {"GL_MAX_SAMPLES"},
         0},
        {"4.3",
         {},
         {},
         false,
         false,
         {"GL_MAX_COMPUTE_UNIFORM_BLOCKS"},
         {"GL_MAX_ELEMENT_INDEX", "GL_MAX_SERVER_WAIT_TIMEOUT", "GL_MAX_CULL_DISTANCES"},
         0},
        {"4.6", {}, {}, true, true, {}, {"GL_MAX_SAMPLES"}, 0},
    };
    for (const auto &c : cases) {
        g_failing = c.failing;
        g_alwaysError = c.alwaysError;
        g_error = 0;
        const ExtendedLimits l =
            sounder::readExtendedLimits(fakeContext(c.with64), c.version, c.extensions);
        EXPECT_EQ(l.version, c.version);
        for (const char *token : c.present)
            EXPECT_NE(l.find(token), nullptr) << c.version << ": " << token;
        for (const char *token : c.absent)
            EXPECT_EQ(l.find(token), nullptr) << c.version << ": " << token;
        if (c.read) {
            EXPECT_EQ(l.values.size(), c.read) << c.version;
        }
        for (const ExtendedValue &v : l.values) {
            ASSERT_EQ(v.count, v.row->read[0].count) << v.row->name;
            for (int i = 0; i < v.count; ++i)
                EXPECT_EQ(v.value(i), expected(v, i)) << c.version << ": " << v.row->name;
        }
    }
    g_failing.clear();
    g_alwaysError = false;
}

TEST(ExtendedLimits, RequirementsHoldFromTheVersionThatSetsThem)
{
    const struct {
        const char *token, *context;
        std::vector<double> values;
        bool breaks;
    } cases[] = {
        {"GL_MAX_SAMPLES", "3.3 (Core Profile)", {1}, true},
        {"GL_MAX_SAMPLES", "3.3 (Core Profile)", {4}, false},
        {"GL_MAX_SAMPLES", "2.1", {1}, false},
        {"GL_MAX_SAMPLES", "OpenGL ES 3.2", {1}, false},
        {"GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT", "4.5", {512}, true}, // a maximum
        {"GL_MAX_COMPUTE_WORK_GROUP_COUNT", "4.3", {65535, 100, 65535}, true},
        {"GL_MIN_FRAGMENT_INTERPOLATION_OFFSET", "4.0", {-0.25}, true},
        {"GL_NUM_SHADING_LANGUAGE_VERSIONS", "4.6", {0}, false}, // nothing required
    };
    for (const auto &c : cases) {
        ExtendedValue v;
        v.row = sounder::caps::findExtended(c.token);
        ASSERT_NE(v.row, nullptr) << c.token;
        v.count = static_cast<uint8_t>(c.values.size());
        for (std::size_t i = 0; i < c.values.size(); ++i) {
            v.ints[i] = static_cast<int64_t>(c.values[i]);
            v.floats[i] = c.values[i];
        }
        EXPECT_EQ(sounder::breaksRequirement(v, sounder::parseGlVersion(c.context)), c.breaks)
            << c.token << " at " << c.context;
    }
}
