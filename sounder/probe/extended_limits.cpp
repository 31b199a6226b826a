#include "probe/extended_limits.h"

#include <GL/glew.h>

#include <charconv>
#include <cstring>

#include "probe/platform.h"

namespace sounder {

using caps::Better;
using caps::Capability;
using caps::Query;

namespace {

std::string number(double v)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf - 1, v);
    *res.ptr = '\0';
    return buf;
}

// Buffers hold 16 values: a driver may write more than the row keeps.
// Leaves no earlier error behind, so that the next one belongs to the next
// query (a driver that keeps raising one gets a bounded number of calls).
void drainErrors(const ContextQueries &q)
{
    if (!q.error)
        return;
    for (int i = 0; i < 64 && q.error() != 0; ++i) {}
}

bool readRow(const ContextQueries &q, const Capability &row, ExtendedValue &out)
{
    const caps::Source &s = row.read[0];
    out.row = &row;
    out.count = s.count;
    drainErrors(q);
    switch (s.query) {
    case Query::Integer: {
        if (!q.integers)
            return false;
        int32_t v[16] = {};
        q.integers(s.token, v);
        for (int i = 0; i < s.count; ++i)
            out.ints[i] = v[i];
        break;
    }
    case Query::Integer64: {
        if (!q.integers64)
            return false;
        int64_t v[16] = {};
        q.integers64(s.token, v);
        for (int i = 0; i < s.count; ++i)
            out.ints[i] = v[i];
        break;
    }
    case Query::IndexedInteger:
        if (!q.indexed)
            return false;
        for (int i = 0; i < s.count; ++i) {
            int32_t v = 0;
            q.indexed(s.token, static_cast<uint32_t>(i), &v);
            out.ints[i] = v;
        }
        break;
    case Query::Float: {
        if (!q.floats)
            return false;
        float v[16] = {};
        q.floats(s.token, v);
        for (int i = 0; i < s.count; ++i)
            out.floats[i] = static_cast<double>(v[i]);
        break;
    }
    default: return false;
    }
    return !q.error || q.error() == 0;
}

// The GL 3.0+ entry points behind the queries, looked up for each reading
// through the window system; any of them may be missing.
PFNGLGETINTEGER64VPROC g_getInteger64 = nullptr;
PFNGLGETINTEGERI_VPROC g_getIntegerIndexed = nullptr;

void glIntegers(uint32_t token, int32_t *v)
{
    glGetIntegerv(token, v);
}
void glIntegers64(uint32_t token, int64_t *v)
{
    if (g_getInteger64)
        g_getInteger64(token, reinterpret_cast<GLint64 *>(v));
}
void glIndexed(uint32_t token, uint32_t index, int32_t *v)
{
    if (g_getIntegerIndexed)
        g_getIntegerIndexed(token, index, v);
}
void glFloats(uint32_t token, float *v)
{
    glGetFloatv(token, v);
}
uint32_t glError()
{
    return glGetError();
}

} // namespace

std::string ExtendedValue::text() const
{
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (i)
            out += ", ";
        out += isFloat() ? number(floats[i]) : std::to_string(ints[i]);
    }
    return out;
}

std::string ExtendedValue::line() const
{
    return std::string(row ? row->name : "") + " = " + text();
}

std::string ExtendedValue::requirement() const
{
    if (!row || !row->required.known() || row->better == Better::Neither)
        return std::string();
    return std::string(row->better == Better::Lower ? "at most " : "at least ") +
           number(row->required.value) + " from OpenGL " + row->required.version;
}

const ExtendedValue *ExtendedLimits::find(const char *tokenName) const
{
    if (!tokenName)
        return nullptr;
    for (const ExtendedValue &v : values)
        if (v.row && std::strcmp(v.row->name, tokenName) == 0)
            return &v;
    return nullptr;
}

void ExtendedLimits::put(const ExtendedValue &value)
{
    if (!value.row)
        return;
    auto at = values.begin();
    for (; at != values.end(); ++at) {
        if (at->row == value.row) {
            *at = value;
            return;
        }
        if (at->row > value.row)
            break;
    }
    values.insert(at, value);
}

bool GlVersion::atLeast(const char *version) const
{
    if (!version || es || (major == 0 && minor == 0))
        return false;
    const GlVersion want = parseGlVersion(version);
    return major != want.major ? major > want.major : minor >= want.minor;
}

GlVersion parseGlVersion(const char *text)
{
    GlVersion v;
    if (!text)
        return v;
    static const char kEs[] = "OpenGL ES";
    if (std::strncmp(text, kEs, sizeof kEs - 1) == 0) {
        v.es = true;
        text += sizeof kEs - 1;
        while (*text && (*text < '0' || *text > '9'))
            ++text;
    }
    int major = 0, minor = 0;
    const char *p = text;
    if (*p < '0' || *p > '9')
        return GlVersion{0, 0, v.es};
    while (*p >= '0' && *p <= '9' && major < 1000)
        major = major * 10 + (*p++ - '0');
    if (*p != '.')
        return GlVersion{0, 0, v.es};
    ++p;
    if (*p < '0' || *p > '9')
        return GlVersion{0, 0, v.es};
    while (*p >= '0' && *p <= '9' && minor < 1000)
        minor = minor * 10 + (*p++ - '0');
    v.major = major;
    v.minor = minor;
    return v;
}

ExtendedLimits readExtendedLimits(const ContextQueries &queries, const char *version,
                                  const std::set<std::string> &extensions)
{
    ExtendedLimits out;
    out.version = version ? version : "";
    const GlVersion v = parseGlVersion(version);
    std::size_t count = 0;
    const Capability *rows = caps::extendedTable(&count);
    for (std::size_t i = 0; i < count; ++i) {
        const caps::Source &s = rows[i].read[0];
        const bool gated =
            v.atLeast(s.orVersion) || caps::gateListed(s, [&extensions](const std::string &name) {
                return extensions.count(name) != 0;
            });
        if (!gated)
            continue;
        ExtendedValue value;
        if (readRow(queries, rows[i], value))
            out.values.push_back(value);
    }
    drainErrors(queries);
    return out;
}

ContextQueries currentContextQueries()
{
    g_getInteger64 = glProc<PFNGLGETINTEGER64VPROC>("glGetInteger64v");
    g_getIntegerIndexed = glProc<PFNGLGETINTEGERI_VPROC>("glGetIntegeri_v");
    ContextQueries q;
    q.integers = glIntegers;
    q.integers64 = g_getInteger64 ? glIntegers64 : nullptr;
    q.indexed = g_getIntegerIndexed ? glIndexed : nullptr;
    q.floats = glFloats;
    q.error = glError;
    return q;
}

ExtendedLimits readCurrentContext()
{
    const GLubyte *version = glGetString(GL_VERSION);
    std::set<std::string> extensions;
    const auto getStringIndexed = glProc<PFNGLGETSTRINGIPROC>("glGetStringi");
    if (getStringIndexed) {
        GLint n = 0;
        glGetIntegerv(GL_NUM_EXTENSIONS, &n);
        for (GLint i = 0; i < n && i < 65536; ++i) {
            const GLubyte *name = getStringIndexed(GL_EXTENSIONS, static_cast<GLuint>(i));
            if (name)
                extensions.insert(reinterpret_cast<const char *>(name));
        }
    }
    return readExtendedLimits(currentContextQueries(),
                              version ? reinterpret_cast<const char *>(version) : nullptr,
                              extensions);
}

bool breaksRequirement(const ExtendedValue &value, const GlVersion &context)
{
    if (!value.row || !value.row->required.known() || !context.atLeast(value.row->required.version))
        return false;
    const double required = value.row->required.value;
    for (int i = 0; i < value.count; ++i) {
        const double v = value.value(i);
        if (value.row->better == Better::Higher && v < required)
            return true;
        if (value.row->better == Better::Lower && v > required)
            return true;
    }
    return false;
}

} // namespace sounder

// ---- exports ----------------------------------------------------------------------

#include "sounder/extended.h"
#include "sounder/inspect.h"

extern "C" {

SOUNDER_API const char *tsExtendedLimitsVersion(const tsRendererCaps *caps)
{
    const sounder::ExtendedLimits *limits = sounder::extendedLimitsOf(caps);
    return limits ? limits->version.c_str() : nullptr;
}

SOUNDER_API int32_t tsExtendedLimitCount(const tsRendererCaps *caps)
{
    const sounder::ExtendedLimits *limits = sounder::extendedLimitsOf(caps);
    return limits ? static_cast<int32_t>(limits->values.size()) : 0;
}

SOUNDER_API int tsExtendedLimitAt(const tsRendererCaps *caps, int32_t index, tsExtendedLimit *out)
{
    if (!out)
        return 0;
    std::memset(out, 0, sizeof *out);
    const sounder::ExtendedLimits *limits = sounder::extendedLimitsOf(caps);
    if (!limits || index < 0 || static_cast<std::size_t>(index) >= limits->values.size())
        return 0;
    const sounder::ExtendedValue &v = limits->values[static_cast<std::size_t>(index)];
    const sounder::caps::Capability &row = *v.row;
    out->name = row.name;
    out->type = v.isFloat() ? TS_EXTENDED_FLOAT : TS_EXTENDED_INT;
    out->count = v.count;
    for (int i = 0; i < v.count; ++i) {
        out->intValues[i] = v.isFloat() ? 0 : v.ints[i];
        out->values[i] = v.value(i);
    }
    out->since = row.since;
    out->requiredVersion = row.required.version;
    out->required = row.required.known() ? row.required.value : 0;
    out->better = row.better == sounder::caps::Better::Higher  ? TS_BETTER_HIGHER
                  : row.better == sounder::caps::Better::Lower ? TS_BETTER_LOWER
                                                               : TS_BETTER_NEITHER;
    out->belowRequired =
        sounder::breaksRequirement(v, sounder::parseGlVersion(limits->version.c_str())) ? 1 : 0;
    return 1;
}

} // extern "C"
