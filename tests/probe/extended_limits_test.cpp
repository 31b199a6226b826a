// The extended limits without a driver: version texts, what a context's
// version and extensions gate in, queries that fail, and the requirement
// check.  A stand-in context answers each token with a value derived from
// it, so that a value read under the wrong token shows.
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <set>
#include <string>
#include <vector>

#include "probe/extended_limits.h"

namespace {

using sounder::ContextQueries;
using sounder::ExtendedLimits;
using sounder::ExtendedValue;
using sounder::GlVersion;

// The stand-in context.
std::set<uint32_t> g_failing; // tokens that raise GL_INVALID_ENUM
bool g_alwaysError = false;   // every call leaves an error behind
uint32_t g_error = 0;

void answer(uint32_t token)
{
    if (g_alwaysError || g_failing.count(token))
        g_error = GL_INVALID_ENUM;
}
void fakeIntegers(uint32_t token, int32_t *v)
{
    v[0] = static_cast<int32_t>(token & 0xffff);
    v[1] = v[0] + 1;
    answer(token);
}
void fakeIntegers64(uint32_t token, int64_t *v)
{
    v[0] = (static_cast<int64_t>(token) << 32) | 7;
    answer(token);
}
void fakeIndexed(uint32_t token, uint32_t index, int32_t *v)
{
    *v = static_cast<int32_t>((token & 0xffff) + index);
    answer(token);
}
void fakeFloats(uint32_t token, float *v)
{
    v[0] = -0.5f;
    v[1] = static_cast<float>(token & 0xff);
    answer(token);
}
uint32_t fakeError()
{
    const uint32_t e = g_error;
    g_error = g_alwaysError ? GL_INVALID_OPERATION : 0;
    return e;
}

ContextQueries fakeContext(bool with64)
{
    ContextQueries q;
    q.integers = fakeIntegers;
    q.integers64 = with64 ? fakeIntegers64 : nullptr;
    q.indexed = fakeIndexed;
    q.floats = fakeFloats;
    q.error = fakeError;
    return q;
}

// What the stand-in gives for the row's first value.
double expectedFirst(const ExtendedValue &v)
{
    const uint32_t token = v.row->read[0].token;
    switch (v.row->read[0].query) {
    case sounder::caps::Query::Integer64:
        return static_cast<double>((static_cast<int64_t>(token) << 32) | 7);
    case sounder::caps::Query::Float: return -0.5;
    default: return static_cast<double>(token & 0xffff);
    }
}

std::size_t tableRows()
{
    std::size_t n = 0;
    sounder::caps::extendedTable(&n);
    return n;
}

} // namespace

TEST(ExtendedLimits, VersionTexts)
{
    const struct {
        const char *text;
        int major, minor;
        bool es;
        bool atLeast33;
    } cases[] = {
        {"4.6 (Core Profile) Mesa 22.3.6", 4, 6, false, true},
        {"3.3", 3, 3, false, true},
        {"3.2.1 vendor", 3, 2, false, false},
        {"10.12", 10, 12, false, true},
        {"OpenGL ES 3.2 Mesa 22.3.6", 3, 2, true, false},
        {"OpenGL ES", 0, 0, true, false},
        {"4.", 0, 0, false, false},
        {"Core Profile 4.6", 0, 0, false, false},
        {"", 0, 0, false, false},
        {nullptr, 0, 0, false, false},
    };
    for (const auto &c : cases) {
        const GlVersion v = sounder::parseGlVersion(c.text);
        const std::string label = c.text ? c.text : "(null)";
        EXPECT_EQ(v.major, c.major) << label;
        EXPECT_EQ(v.minor, c.minor) << label;
        EXPECT_EQ(v.es, c.es) << label;
        EXPECT_EQ(v.atLeast("3.3"), c.atLeast33) << label;
    }
}

TEST(ExtendedLimits, ReadsWhatTheContextOffersAndLeavesTheRestAbsent)
{
    const struct {
        const char *name;
        const char *version;
        std::set<std::string> extensions;
        std::set<uint32_t> failing;
        bool with64;
        bool alwaysError;
        std::vector<const char *> present;
        std::vector<const char *> absent;
        std::size_t missing; // rows of the table not read (SIZE_MAX: not checked)
    } cases[] = {
        {"4.6 with two failing queries",
         "4.6 (Core Profile) Mesa",
         {},
         {GL_MAX_COMPUTE_SHARED_MEMORY_SIZE, GL_VIEWPORT_BOUNDS_RANGE},
         true,
         false,
         {"GL_MAX_COMPUTE_WORK_GROUP_COUNT", "GL_MAX_SERVER_WAIT_TIMEOUT",
          "GL_MIN_FRAGMENT_INTERPOLATION_OFFSET", "GL_MAX_CULL_DISTANCES"},
         {"GL_MAX_COMPUTE_SHARED_MEMORY_SIZE", "GL_VIEWPORT_BOUNDS_RANGE"},
         2},
        {"an ES context gates nothing in by version", "OpenGL ES 3.2 Mesa", {}, {}, true, false,
         {}, {"GL_MAX_SAMPLES", "GL_MAX_COMPUTE_WORK_GROUP_COUNT"}, tableRows()},
        {"3.3 with the compute extension",
         "3.3 (Core Profile) Mesa",
         {"GL_ARB_compute_shader"},
         {},
         true,
         false,
         {"GL_MAX_SAMPLES", "GL_MAX_COMPUTE_WORK_GROUP_SIZE", "GL_MAX_DUAL_SOURCE_DRAW_BUFFERS"},
         {"GL_MAX_TESS_GEN_LEVEL", "GL_MAX_VERTEX_ATTRIB_STRIDE", "GL_MAX_IMAGE_UNITS"},
         SIZE_MAX},
        {"a version text without a number", "unknown", {"GL_ARB_tessellation_shader"}, {}, true,
         false, {"GL_MAX_TESS_GEN_LEVEL"}, {"GL_MAX_SAMPLES"}, SIZE_MAX},
        {"no 64-bit query", "4.3", {}, {}, false, false, {"GL_MAX_COMPUTE_UNIFORM_BLOCKS"},
         {"GL_MAX_ELEMENT_INDEX", "GL_MAX_SERVER_WAIT_TIMEOUT", "GL_MAX_SHADER_STORAGE_BLOCK_SIZE",
          "GL_MAX_CULL_DISTANCES"},
         SIZE_MAX},
        {"every query raises an error", "4.6", {}, {}, true, true, {}, {"GL_MAX_SAMPLES"},
         tableRows()},
    };
    for (const auto &c : cases) {
        g_failing = c.failing;
        g_alwaysError = c.alwaysError;
        g_error = 0;
        const ExtendedLimits l =
            sounder::readExtendedLimits(fakeContext(c.with64), c.version, c.extensions);
        EXPECT_EQ(l.version, c.version) << c.name;
        for (const char *token : c.present)
            EXPECT_NE(l.find(token), nullptr) << c.name << ": " << token;
        for (const char *token : c.absent)
            EXPECT_EQ(l.find(token), nullptr) << c.name << ": " << token;
        if (c.missing != SIZE_MAX) {
            EXPECT_EQ(tableRows() - l.values.size(), c.missing) << c.name;
        }
        for (const ExtendedValue &v : l.values) {
            EXPECT_EQ(v.value(0), expectedFirst(v)) << c.name << ": " << v.row->name;
            EXPECT_EQ(v.count, v.row->read[0].count) << v.row->name;
        }
    }
    g_failing.clear();
    g_alwaysError = false;

    // Several values: one query per index, or all from one call.
    const ExtendedLimits l = sounder::readExtendedLimits(fakeContext(true), "4.6", {});
    const ExtendedValue *count = l.find("GL_MAX_COMPUTE_WORK_GROUP_COUNT");
    ASSERT_NE(count, nullptr);
    const int base = GL_MAX_COMPUTE_WORK_GROUP_COUNT & 0xffff;
    EXPECT_EQ(count->text(), std::to_string(base) + ", " + std::to_string(base + 1) + ", " +
                                 std::to_string(base + 2));
    const ExtendedValue *bounds = l.find("GL_VIEWPORT_BOUNDS_RANGE");
    ASSERT_NE(bounds, nullptr);
    EXPECT_EQ(bounds->line(), "GL_VIEWPORT_BOUNDS_RANGE = -0.5, " +
                                  std::to_string(GL_VIEWPORT_BOUNDS_RANGE & 0xff));
}

TEST(ExtendedLimits, RequirementsHoldFromTheVersionThatSetsThem)
{
    const struct {
        const char *token;
        const char *context;
        std::vector<double> values;
        bool breaks;
    } cases[] = {
        {"GL_MAX_SAMPLES", "3.3 (Core Profile)", {1}, true},
        {"GL_MAX_SAMPLES", "3.3 (Core Profile)", {4}, false},
        {"GL_MAX_SAMPLES", "2.1", {1}, false},
        {"GL_MAX_SAMPLES", "OpenGL ES 3.2", {1}, false},
        {"GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT", "4.5", {512}, true}, // a maximum
        {"GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT", "4.5", {16}, false},
        {"GL_MAX_COMPUTE_WORK_GROUP_COUNT", "4.3", {65535, 100, 65535}, true},
        {"GL_MAX_COMPUTE_WORK_GROUP_COUNT", "4.2", {65535, 100, 65535}, false},
        {"GL_MIN_FRAGMENT_INTERPOLATION_OFFSET", "4.0", {-0.25}, true},
        {"GL_MIN_FRAGMENT_INTERPOLATION_OFFSET", "4.0", {-0.5}, false},
        {"GL_NUM_SHADING_LANGUAGE_VERSIONS", "4.6", {0}, false},  // nothing required
        {"GL_MAX_COMBINED_TESS_CONTROL_UNIFORM_COMPONENTS", "4.6", {0}, false},
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
