/* Capability reading: the identification strings and core limits of the
 * current context (tsInfoReadCaps) and the limits that exist only with an
 * extension (tsInfoReadCapsEx).  Which member is read how comes from the
 * capability table.  Presence of an extension is decided on the record's
 * own extensions text; the three query entry points that are not core
 * OpenGL 1.1 are looked up through the window system for each reading. */
#include <GL/glew.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "common/capability_table.h"
#include "probe/extended_limits.h"
#include "probe/platform.h"
#include "probe/record_notes.h"

#include "keel/keel.h"
#include "sounder/probe.h"

namespace {

using sounder::caps::Capability;
using sounder::caps::Query;
using sounder::caps::Source;

char *copyGlString(GLenum name)
{
    const GLubyte *s = glGetString(name);
    return s ? sysStrDup(reinterpret_cast<const char *>(s)) : nullptr;
}

/* A text member filled by an earlier reading is released before it is
 * replaced; a record that was never filled owns nothing. */
void replaceText(const tsRendererCaps *c, char *&member, GLenum name)
{
    if (c->filled)
        sysMemFree(member);
    member = copyGlString(name);
}

bool has(const tsRendererCaps *caps, const char *name)
{
    return tsInfoSearchExtension(name, caps->extensions) != 0;
}

bool isCore(const Source &s)
{
    return !s.gate && !s.orVersion &&
           (s.query == Query::Integer || s.query == Query::Float || s.query == Query::Boolean);
}

bool gateHolds(const tsRendererCaps *c, const Source &s)
{
    return sounder::caps::gateListed(
               s, [c](const std::string &name) { return has(c, name.c_str()); }) ||
           sounder::parseGlVersion(c->version).atLeast(s.orVersion);
}

/* The compressed format list that goes with its count: fetched whole and
 * cut to the record's 32 codes.  An absurd count is not trusted with an
 * allocation. */
void readCompressedFormats(tsRendererCaps *c, int32_t count)
{
    if (count <= 0 || count > 65536)
        return;
    std::vector<GLint> formats(static_cast<size_t>(count), 0);
    glGetIntegerv(GL_COMPRESSED_TEXTURE_FORMATS_ARB, formats.data());
    for (int32_t i = 0; i < count && i < TS_MAX_COMPRESSED_FORMATS; ++i)
        c->compressedFormats[i] = static_cast<uint32_t>(formats[static_cast<size_t>(i)]);
}

int32_t largestSampleCount(const tsRendererCaps *c)
{
    int32_t maxSamples = 0;
    int count = c->pixelFormatCount;
    if (count > TS_MAX_PIXEL_FORMATS)
        count = TS_MAX_PIXEL_FORMATS;
    for (int i = 0; i < count; ++i)
        if (c->pixelFormats[i].samples > maxSamples)
            maxSamples = c->pixelFormats[i].samples;
    return maxSamples;
}

/* The query entry points beyond OpenGL 1.1, looked up once per walk. */
struct QueryProcs {
    PFNGLGETPROGRAMIVARBPROC program = nullptr;
    PFNGLGETCONVOLUTIONPARAMETERIVPROC convolution = nullptr;
    PFNGLGETQUERYIVARBPROC query = nullptr;

    static QueryProcs lookUp()
    {
        QueryProcs p;
        p.program = sounder::glProc<PFNGLGETPROGRAMIVARBPROC>("glGetProgramivARB");
        p.convolution =
            sounder::glProc<PFNGLGETCONVOLUTIONPARAMETERIVPROC>("glGetConvolutionParameteriv");
        p.query = sounder::glProc<PFNGLGETQUERYIVARBPROC>("glGetQueryivARB");
        return p;
    }
};

/* One source into its member.  A query the driver rejects leaves the member
 * as it was; an entry point that is not there reads nothing. */
void readSource(tsRendererCaps *c, const Capability &row, const Source &s, const QueryProcs &procs)
{
    const sounder::caps::Member &m = row.member;
    const GLenum token = static_cast<GLenum>(s.token);
    const size_t at = s.index < 16 ? s.index : 0;
    switch (s.query) {
    case Query::Integer: {
        GLint v[16] = {};
        v[at] = m.asInt(*c);
        glGetIntegerv(token, v);
        m.setInt(*c, v[at]);
        break;
    }
    case Query::CompressedFormats: {
        GLint v = m.asInt(*c);
        glGetIntegerv(token, &v);
        m.setInt(*c, v);
        readCompressedFormats(c, v);
        break;
    }
    case Query::Float: {
        GLfloat v[16] = {};
        v[at] = m.asFloat(*c);
        glGetFloatv(token, v);
        m.setFloat(*c, v[at]);
        break;
    }
    case Query::Boolean: {
        GLboolean v[16] = {};
        v[at] = static_cast<GLboolean>(m.asInt(*c) ? GL_TRUE : GL_FALSE);
        glGetBooleanv(token, v);
        m.setInt(*c, v[at] ? 1 : 0);
        break;
    }
    case Query::Integer64:
    case Query::IndexedInteger: break; /* extended rows only */
    case Query::Program:
        if (procs.program) {
            GLint v = m.asInt(*c);
            procs.program(static_cast<GLenum>(s.target), token, &v);
            m.setInt(*c, v);
        }
        break;
    case Query::Convolution:
        if (procs.convolution) {
            GLint v = m.asInt(*c);
            procs.convolution(static_cast<GLenum>(s.target), token, &v);
            m.setInt(*c, v);
        }
        break;
    case Query::QueryObject:
        if (procs.query) {
            GLint v = m.asInt(*c);
            procs.query(static_cast<GLenum>(s.target), token, &v);
            m.setInt(*c, v);
        }
        break;
    case Query::MaxSamples: m.setInt(*c, largestSampleCount(c)); break;
    case Query::Unset: break;
    }
}

/* Walks the table: the core queries (core true) or the gated ones and the
 * derived MaxSamples (core false).  Where two sources write one member, the
 * later one stands. */
void readRows(tsRendererCaps *c, bool core)
{
    size_t count = 0;
    const Capability *rows = sounder::caps::table(&count);
    const QueryProcs procs = core ? QueryProcs() : QueryProcs::lookUp();
    for (size_t i = 0; i < count; ++i) {
        for (const Source &s : rows[i].read) {
            if (!s.present() || isCore(s) != core)
                continue;
            if (core || s.query == Query::MaxSamples || gateHolds(c, s))
                readSource(c, rows[i], s, procs);
            else if (s.oneWhenAbsent)
                rows[i].member.setInt(*c, 1);
        }
    }
}

/* Leaves no error of a rejected query behind for the next reader. */
void drainGlErrors()
{
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {}
}

} // namespace

extern "C" {

SOUNDER_API void tsInfoReadCaps(tsRendererCaps *c)
{
    if (!c)
        return;
    /* The notes of a filled record are keyed by the text replaced here. */
    if (c->filled)
        sounder::forgetNotes(*c);
    replaceText(c, c->extensions, GL_EXTENSIONS);
    replaceText(c, c->renderer, GL_RENDERER);
    replaceText(c, c->version, GL_VERSION);
    /* The shading-language version exists from OpenGL 2.0 on, or with the
     * extension that brought the language. */
    if (sounder::parseGlVersion(c->version).atLeast("2.0") ||
        has(c, "GL_ARB_shading_language_100")) {
        replaceText(c, c->glslVersion, GL_SHADING_LANGUAGE_VERSION);
    } else {
        if (c->filled)
            sysMemFree(c->glslVersion);
        c->glslVersion = nullptr;
    }
    replaceText(c, c->vendor, GL_VENDOR);
    c->filled = 1;
    readRows(c, true);
    drainGlErrors();
}

SOUNDER_API void tsInfoReadCapsEx(tsRendererCaps *c)
{
    if (!c)
        return;
    readRows(c, false);
    drainGlErrors();
}

} // extern "C"
