// Real readings of Mesa under Xvfb: reading 0 (softpipe) and reading 1 (the
// display's default driver) checked against glxinfo run with the same driver
// selection.
#include <gtest/gtest.h>

#include <GL/glew.h>
#include <X11/Xlib.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/capability_table.h"
#include "glxinfo_oracle.h"
#include "keel/keel.h"
#include "probe/display.h"
#include "probe/extended_limits.h"
#include "probe/info_internal.h"
#include "probe/platform.h"
#include "sounder/extended.h"
#include "sounder/probe.h"

namespace {

struct Reading {
    std::unique_ptr<tsRendererCaps> caps{new tsRendererCaps()};
    std::string rawGl;  // GL_EXTENSIONS as the driver gave it
    std::string rawGlx; // the window-system list
    Reading() = default;
    Reading(const Reading &) = delete;
    ~Reading() { tsInfoRelease(caps.get()); }
};

bool readReading(int hardware, Reading &r)
{
    memset(r.caps.get(), 0, sizeof(tsRendererCaps));
    r.caps->size = sizeof(tsRendererCaps);
    if (!tsInfoBegin(hardware))
        return false;
    bool ok = tsInfoRead(r.caps.get(), 0) == 1;
    std::unique_ptr<tsRendererCaps> raw(new tsRendererCaps());
    raw->size = sizeof(tsRendererCaps);
    tsInfoReadCaps(raw.get());
    r.rawGl = raw->extensions ? raw->extensions : "";
    tsInfoRelease(raw.get());
    r.rawGlx = infoWindowSystemExtensions();
    tsInfoEnd();
    return ok;
}

std::string str(const char *s)
{
    return s ? s : "(null)";
}

const GlxinfoReport &oracle(bool softpipe)
{
    static GlxinfoReport reports[2];
    static bool done[2] = {false, false};
    int i = softpipe ? 0 : 1;
    if (!done[i]) {
        reports[i] = runGlxinfo(softpipe);
        done[i] = true;
    }
    return reports[i];
}

struct IntLimit {
    const char *key;
    int32_t tsRendererCaps::*member;
};

const IntLimit kIntLimits[] = {
    {"GL_MAX_LIGHTS", &tsRendererCaps::NumLights},
    {"GL_MAX_CLIP_PLANES", &tsRendererCaps::NumClipPlanes},
    {"GL_MAX_MODELVIEW_STACK_DEPTH", &tsRendererCaps::MaxModelViewStackDepth},
    {"GL_MAX_PROJECTION_STACK_DEPTH", &tsRendererCaps::MaxProjectionStackDepth},
    {"GL_MAX_TEXTURE_STACK_DEPTH", &tsRendererCaps::MaxTextureStackDepth},
    {"GL_MAX_TEXTURE_SIZE", &tsRendererCaps::TextureSize},
    {"GL_MAX_PIXEL_MAP_TABLE", &tsRendererCaps::PixelMapTable},
    {"GL_MAX_NAME_STACK_DEPTH", &tsRendererCaps::NameStackDepth},
    {"GL_MAX_LIST_NESTING", &tsRendererCaps::MaxDisplayListNesting},
    {"GL_MAX_EVAL_ORDER", &tsRendererCaps::EvalOrder},
    {"GL_MAX_ATTRIB_STACK_DEPTH", &tsRendererCaps::AttribStackDepth},
    {"GL_MAX_CLIENT_ATTRIB_STACK_DEPTH", &tsRendererCaps::MaxClientAttribStackDepth},
    {"GL_MAX_3D_TEXTURE_SIZE", &tsRendererCaps::MaxTexture3DSize},
    {"GL_MAX_ELEMENTS_VERTICES", &tsRendererCaps::MaxElementsVertices},
    {"GL_MAX_ELEMENTS_INDICES", &tsRendererCaps::MaxElementsIndices},
    {"GL_ARB_texture_cube_map/GL_MAX_CUBE_MAP_TEXTURE_SIZE_ARB",
     &tsRendererCaps::MaxTextureCubeSize},
    {"GL_ARB_multitexture/GL_MAX_TEXTURE_UNITS_ARB", &tsRendererCaps::MaxTextureUnits},
    {"GL_EXT_texture_lod_bias/GL_MAX_TEXTURE_LOD_BIAS_EXT", &tsRendererCaps::MaxTextureLodBias},
    {"GL_EXT_texture_filter_anisotropic/GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT",
     &tsRendererCaps::MaxTextureAnisotropy},
    {"GL_NV_texture_rectangle/GL_MAX_RECTANGLE_TEXTURE_SIZE_NV",
     &tsRendererCaps::NVMaxTextureRectangleSize},
    {"GL_ARB_draw_buffers/GL_MAX_DRAW_BUFFERS_ARB", &tsRendererCaps::MaxDrawBuffers},
    {"GL_ARB_framebuffer_object/GL_MAX_RENDERBUFFER_SIZE", &tsRendererCaps::FBOMaxRenderBufferSize},
    {"GL_ARB_framebuffer_object/GL_MAX_COLOR_ATTACHMENTS", &tsRendererCaps::FBOMaxColorAttachments},
    {"2.0/GL_MAX_VERTEX_ATTRIBS", &tsRendererCaps::MaxVertexAttributes},
    {"2.0/GL_MAX_TEXTURE_COORDS", &tsRendererCaps::MaxTextureCoords},
    {"2.0/GL_MAX_TEXTURE_IMAGE_UNITS", &tsRendererCaps::MaxTextureImageUnits},
    {"2.0/GL_MAX_VARYING_FLOATS", &tsRendererCaps::MaxVaryingFloats},
    {"2.0/GL_MAX_VERTEX_UNIFORM_COMPONENTS", &tsRendererCaps::MaxVertexUniformComponents},
    {"2.0/GL_MAX_FRAGMENT_UNIFORM_COMPONENTS", &tsRendererCaps::MaxFragmentUniformComponents},
    {"2.0/GL_MAX_VERTEX_TEXTURE_IMAGE_UNITS", &tsRendererCaps::MaxVertexTextureImageUnits},
    {"2.0/GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS", &tsRendererCaps::MaxCombinedImageUnits},
    {"GL_ARB_vertex_program/GL_MAX_PROGRAM_INSTRUCTIONS_ARB",
     &tsRendererCaps::MaxProgramInstructions},
    {"GL_ARB_vertex_program/GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB",
     &tsRendererCaps::MaxNativeInstructions},
    {"GL_ARB_vertex_program/GL_MAX_PROGRAM_TEMPORARIES_ARB",
     &tsRendererCaps::MaxProgramTemporaries},
    {"GL_ARB_vertex_program/GL_MAX_PROGRAM_NATIVE_TEMPORARIES_ARB",
     &tsRendererCaps::MaxProgramNativeTemporaries},
    {"GL_ARB_vertex_program/GL_MAX_PROGRAM_PARAMETERS_ARB", &tsRendererCaps::MaxProgramParameters},
    {"GL_ARB_vertex_program/GL_MAX_PROGRAM_NATIVE_PARAMETERS_ARB",
     &tsRendererCaps::MaxProgramNativeParameters},
    {"GL_ARB_vertex_program/GL_MAX_PROGRAM_ATTRIBS_ARB", &tsRendererCaps::MaxProgramAttribs},
    {"GL_ARB_vertex_program/GL_MAX_PROGRAM_NATIVE_ATTRIBS_ARB",
     &tsRendererCaps::MaxProgramNativeAttribs},
    {"GL_ARB_vertex_program/GL_MAX_PROGRAM_ADDRESS_REGISTERS_ARB",
     &tsRendererCaps::MaxProgramAdressRegisters},
    {"GL_ARB_vertex_program/GL_MAX_PROGRAM_NATIVE_ADDRESS_REGISTERS_ARB",
     &tsRendererCaps::MaxProgramNativeAddressRegisters},
    {"GL_ARB_vertex_program/GL_MAX_PROGRAM_LOCAL_PARAMETERS_ARB",
     &tsRendererCaps::MaxProgramLocalParameters},
    {"GL_ARB_vertex_program/GL_MAX_PROGRAM_ENV_PARAMETERS_ARB",
     &tsRendererCaps::MaxProgramEnvParameters},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_INSTRUCTIONS_ARB",
     &tsRendererCaps::MaxFragmentInstructions},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB",
     &tsRendererCaps::MaxFragmentNativeInstructions},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_TEMPORARIES_ARB",
     &tsRendererCaps::MaxFragmentTemporaries},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_NATIVE_TEMPORARIES_ARB",
     &tsRendererCaps::MaxFragmentNativeTemporaries},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_PARAMETERS_ARB",
     &tsRendererCaps::MaxFragmentParameters},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_NATIVE_PARAMETERS_ARB",
     &tsRendererCaps::MaxFragmentNativeParameters},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_ATTRIBS_ARB", &tsRendererCaps::MaxFragmentAttribs},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_NATIVE_ATTRIBS_ARB",
     &tsRendererCaps::MaxFragmentNativeAttribs},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_ADDRESS_REGISTERS_ARB",
     &tsRendererCaps::MaxFragmentAdressRegisters},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_NATIVE_ADDRESS_REGISTERS_ARB",
     &tsRendererCaps::MaxFragmentNativeAddressRegisters},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_LOCAL_PARAMETERS_ARB",
     &tsRendererCaps::MaxFragmentLocalParameters},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_ENV_PARAMETERS_ARB",
     &tsRendererCaps::MaxFragmentEnvParameters},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_ALU_INSTRUCTIONS_ARB",
     &tsRendererCaps::MaxProgramALUInstructions},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_TEX_INSTRUCTIONS_ARB",
     &tsRendererCaps::MaxProgramTexInstructions},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_TEX_INDIRECTIONS_ARB",
     &tsRendererCaps::MaxProgramTexIndirections},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_NATIVE_ALU_INSTRUCTIONS_ARB",
     &tsRendererCaps::MaxProgramNativeALUInstructions},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_NATIVE_TEX_INSTRUCTIONS_ARB",
     &tsRendererCaps::MaxProgramNativeTexInstructions},
    {"GL_ARB_fragment_program/GL_MAX_PROGRAM_NATIVE_TEX_INDIRECTIONS_ARB",
     &tsRendererCaps::MaxProgramNativeTexIndirections},
};

struct PairLimit {
    const char *key;
    int32_t tsRendererCaps::*first;
    int32_t tsRendererCaps::*second;
};
const PairLimit kPairLimits[] = {
    {"GL_MAX_VIEWPORT_DIMS", &tsRendererCaps::ViewportMaxWidth, &tsRendererCaps::ViewportMaxHeight},
};

struct FloatLimit {
    const char *key;
    float tsRendererCaps::*first;
    float tsRendererCaps::*second;
};
const FloatLimit kFloatLimits[] = {
    {"GL_ALIASED_LINE_WIDTH_RANGE", &tsRendererCaps::AliasedLineWidthMin,
     &tsRendererCaps::AliasedLineWidthMax},
    {"GL_ALIASED_POINT_SIZE_RANGE", &tsRendererCaps::AliasedPointSizeMin,
     &tsRendererCaps::AliasedPointSizeMax},
    {"GL_SMOOTH_LINE_WIDTH_RANGE", &tsRendererCaps::LineSizeMin, &tsRendererCaps::LineSizeMax},
    {"GL_SMOOTH_POINT_SIZE_RANGE", &tsRendererCaps::PointSizeMin, &tsRendererCaps::PointSizeMax},
};

void expectMatchesOracle(const Reading &r, const GlxinfoReport &o)
{
    const tsRendererCaps &c = *r.caps;
    ASSERT_TRUE(o.ok) << "glxinfo gave no usable output";
    EXPECT_EQ(c.filled, 1u);
    // The extended limits are kept beside the record, not in it.
    EXPECT_EQ(c.reserved, 0u);
    EXPECT_EQ(str(c.vendor), o.vendor);
    EXPECT_EQ(str(c.renderer), o.renderer);
    EXPECT_EQ(str(c.version), o.version);
    EXPECT_EQ(str(c.glslVersion), o.glslVersion);

    // The window-system list follows the GL list after exactly one space.
    ASSERT_NE(c.extensions, nullptr);
    ASSERT_FALSE(r.rawGl.empty());
    ASSERT_FALSE(r.rawGlx.empty());
    std::string gl = r.rawGl;
    while (!gl.empty() && gl.back() == ' ')
        gl.pop_back();
    EXPECT_EQ(std::string(c.extensions), gl + " " + r.rawGlx);
    EXPECT_NE(std::string(c.extensions).find(gl + " GLX_"), std::string::npos);
    EXPECT_EQ(std::string(c.extensions).find("  "), std::string::npos) << "an empty word";
    EXPECT_EQ(splitWords(r.rawGl), o.glExtensions);
    EXPECT_EQ(splitWords(r.rawGlx), o.glxExtensions);
    for (const std::string &name : o.glExtensions)
        EXPECT_EQ(tsInfoSearchExtension(name.c_str(), c.extensions), 1) << name;
    for (const std::string &name : o.glxExtensions)
        EXPECT_EQ(tsInfoSearchExtension(name.c_str(), c.extensions), 1) << name;

    int compared = 0;
    for (const IntLimit &l : kIntLimits) {
        auto it = o.limits.find(l.key);
        if (it == o.limits.end() || it->second.empty())
            continue;
        EXPECT_EQ(c.*(l.member), static_cast<int64_t>(it->second[0])) << l.key;
        ++compared;
    }
    for (const PairLimit &l : kPairLimits) {
        auto it = o.limits.find(l.key);
        if (it == o.limits.end() || it->second.size() < 2)
            continue;
        EXPECT_EQ(c.*(l.first), static_cast<int64_t>(it->second[0])) << l.key;
        EXPECT_EQ(c.*(l.second), static_cast<int64_t>(it->second[1])) << l.key;
        ++compared;
    }
    for (const FloatLimit &l : kFloatLimits) {
        auto it = o.limits.find(l.key);
        if (it == o.limits.end() || it->second.size() < 2)
            continue;
        EXPECT_FLOAT_EQ(c.*(l.first), static_cast<float>(it->second[0])) << l.key;
        EXPECT_FLOAT_EQ(c.*(l.second), static_cast<float>(it->second[1])) << l.key;
        ++compared;
    }
    EXPECT_GE(compared, 40) << "too few limits printed by glxinfo to compare";

    // Pixel formats: glxinfo's FBConfig table in the same server order.
    ASSERT_GT(o.fbconfigCount, 0);
    EXPECT_EQ(c.pixelFormatCount, std::min(256, o.fbconfigCount));
    ASSERT_GE(o.fbconfigs.size(), static_cast<size_t>(c.pixelFormatCount));
    int maxSamples = 0;
    for (int i = 0; i < c.pixelFormatCount; ++i) {
        const tsPixelFormat &pf = c.pixelFormats[i];
        const GlxinfoConfig &g = o.fbconfigs[static_cast<size_t>(i)];
        EXPECT_EQ(pf.color_bits, g.bufferSize) << "format " << i + 1;
        EXPECT_EQ(pf.depth_bits, g.depth) << "format " << i + 1;
        EXPECT_EQ(pf.stencil_bits, g.stencil) << "format " << i + 1;
        EXPECT_EQ(pf.accum_bits, g.accum) << "format " << i + 1;
        EXPECT_EQ(pf.samples, g.samples) << "format " << i + 1;
        EXPECT_EQ(pf.double_buffer, g.doubleBuffer) << "format " << i + 1;
        EXPECT_EQ(pf.stereo, g.stereo) << "format " << i + 1;
        EXPECT_EQ(pf.support_opengl, 1);
        if (g.slow) {
            EXPECT_EQ(pf.acceleration, 0) << "format " << i + 1;
        }
        EXPECT_EQ(pf.transparent, 0);
        EXPECT_EQ(pf.spare, 0);
        maxSamples = std::max<int>(maxSamples, pf.samples);
    }
    EXPECT_EQ(c.MaxSamples, maxSamples);

    // Display modes of the private Xvfb: its one 1280 x 1024 mode.
    std::vector<sounder::DisplayModeInfo> modes = sounder::listDisplayModes();
    EXPECT_GE(c.displayModeCount, 1);
    EXPECT_EQ(c.displayModeCount, static_cast<int>(std::min<size_t>(modes.size(), 1024)));
    if (c.displayModeCount >= 1 && !modes.empty()) {
        EXPECT_EQ(c.displayModes[0].width, modes[0].width);
        EXPECT_EQ(c.displayModes[0].height, modes[0].height);
        EXPECT_EQ(c.displayModes[0].bitsPerPixel, modes[0].bitsPerPixel);
    }

    // Video memory: Mesa's figure in MB, rounded as stored.
    if (o.videoMemoryMB >= 0) {
        EXPECT_EQ(c.videoMemory,
                  infoVideoMemoryMegabytes(static_cast<uint64_t>(o.videoMemoryMB) * 1048576ull));
    }

    // Both Mesa drivers offer compression and a 3D texture limit (GL >= 1.2).
    EXPECT_GT(c.NumCompressedTextureFormats, 0);
    for (int i = 0; i < std::min(c.NumCompressedTextureFormats, 32); ++i)
        EXPECT_NE(c.compressedFormats[i], 0u) << i;
    EXPECT_GT(c.MaxTexture3DSize, 0);
    EXPECT_EQ(c.RGBAMode, 1);
    EXPECT_EQ(c.IndexMode, 0);
    EXPECT_EQ(c.DoubleBuffer, 1);
}

TEST(ProbeReading, Reading0MatchesGlxinfoWithSoftpipe)
{
    Reading r;
    ASSERT_TRUE(readReading(0, r)) << tsReportGetLogFile();
    EXPECT_EQ(str(r.caps->renderer), "softpipe");
    expectMatchesOracle(r, oracle(true));
}

TEST(ProbeReading, Reading1MatchesGlxinfoWithTheDefaultDriver)
{
    Reading r;
    ASSERT_TRUE(readReading(1, r)) << tsReportGetLogFile();
    EXPECT_NE(str(r.caps->renderer), "softpipe");
    expectMatchesOracle(r, oracle(false));
}

// What the capability table says OpenGL requires holds on both Mesa drivers
// for every version their context reaches (members the reader skipped for a
// missing extension are left out).
TEST(ProbeReading, LimitsMeetWhatTheTableSaysOpenGLRequires)
{
    for (int hardware = 0; hardware < 2; ++hardware) {
        Reading r;
        ASSERT_TRUE(readReading(hardware, r)) << tsReportGetLogFile();
        int major = 0, minor = 0;
        ASSERT_EQ(sscanf(str(r.caps->version).c_str(), "%d.%d", &major, &minor), 2);
        size_t count = 0;
        const sounder::caps::Capability *rows = sounder::caps::table(&count);
        int checked = 0;
        for (size_t i = 0; i < count; ++i) {
            const sounder::caps::Capability &row = rows[i];
            int wantMajor = 0, wantMinor = 0;
            if (!row.required.known() ||
                sscanf(row.required.version, "%d.%d", &wantMajor, &wantMinor) != 2 ||
                major * 100 + minor < wantMajor * 100 + wantMinor)
                continue;
            if (row.read[0].gate && !row.member.nonZero(*r.caps))
                continue;
            const double value = row.member.asFloat(*r.caps);
            if (row.better == sounder::caps::Better::Lower)
                EXPECT_LE(value, row.required.value) << row.name << " on " << str(r.caps->renderer);
            else
                EXPECT_GE(value, row.required.value) << row.name << " on " << str(r.caps->renderer);
            ++checked;
        }
        EXPECT_GE(checked, 25) << str(r.caps->renderer);
    }
}

// Every extended limit glxinfo prints for the core-profile context equals
// the reading's.  glxinfo asks every limit with glGetIntegerv, which clamps
// a 64-bit value to the largest 32-bit one: such limits are compared
// clamped.  Limits glxinfo does not print (work-group counts and sizes,
// viewport bounds, ...) are only required to be there.
TEST(ProbeReading, ExtendedLimitsEqualGlxinfosCoreProfileLimits)
{
    const struct {
        int hardware;
        const char *renderer;
        std::size_t atLeast; // limits compared with glxinfo
        std::vector<const char *> beyondGlxinfo;
    } cases[] = {
        {0, "softpipe", 30, {"GL_MAX_COMPUTE_WORK_GROUP_COUNT", "GL_MAX_PROGRAM_TEXEL_OFFSET"}},
        {1,
         "llvmpipe",
         60,
         {"GL_MAX_COMPUTE_WORK_GROUP_COUNT", "GL_MAX_COMPUTE_WORK_GROUP_SIZE",
          "GL_VIEWPORT_BOUNDS_RANGE", "GL_MAX_VIEWPORTS", "GL_MAX_PATCH_VERTICES"}},
    };
    for (const auto &c : cases) {
        Reading r;
        ASSERT_TRUE(readReading(c.hardware, r));
        const GlxinfoReport &o = oracle(c.hardware == 0);
        ASSERT_TRUE(o.ok);
        ASSERT_NE(std::string(str(r.caps->renderer)).find(c.renderer), std::string::npos);
        const sounder::ExtendedLimits *limits = sounder::extendedLimitsOf(r.caps.get());
        ASSERT_NE(limits, nullptr) << c.renderer << ": no core-profile context";
        EXPECT_EQ(limits->version, o.coreVersion) << c.renderer;

        std::size_t compared = 0;
        for (const sounder::ExtendedValue &v : limits->values) {
            auto it = o.coreLimits.find(v.row->name);
            if (it == o.coreLimits.end())
                continue;
            ASSERT_EQ(it->second.size(), v.count) << c.renderer << ": " << v.row->name;
            for (int i = 0; i < v.count; ++i) {
                double mine = v.value(i);
                if (v.row->read[0].query == sounder::caps::Query::Integer64)
                    mine = std::min(mine, 2147483647.0);
                EXPECT_EQ(mine, it->second[i]) << c.renderer << ": " << v.row->name;
            }
            ++compared;
        }
        EXPECT_GE(compared, c.atLeast) << c.renderer;
        // Nothing glxinfo has is absent here.
        for (const auto &l : o.coreLimits) {
            if (l.first.find('/') == std::string::npos &&
                sounder::caps::findExtended(l.first.c_str())) {
                EXPECT_NE(limits->find(l.first.c_str()), nullptr) << c.renderer << ": " << l.first;
            }
        }
        for (const char *token : c.beyondGlxinfo)
            EXPECT_NE(limits->find(token), nullptr) << c.renderer << ": " << token;
        std::printf("%s: %zu extended limits, %zu compared with glxinfo\n", c.renderer,
                    limits->values.size(), compared);
    }
}

// Mesa held to OpenGL 2.1 refuses every core-profile context: the reading
// is whole and carries no extended limits (none presented as 0), and the
// refusals are not failures of the reading.
TEST(ProbeReading, DriverRefusingEveryCoreContextGivesNoExtendedLimits)
{
    setenv("MESA_GL_VERSION_OVERRIDE", "2.1", 1);
    Reading r;
    const bool ok = readReading(1, r);
    const int failures = tsReportHasErrors();
    unsetenv("MESA_GL_VERSION_OVERRIDE");
    ASSERT_TRUE(ok);
    EXPECT_EQ(str(r.caps->version).compare(0, 4, "2.1 "), 0) << str(r.caps->version);
    EXPECT_EQ(tsExtendedLimitsVersion(r.caps.get()), nullptr);
    EXPECT_EQ(tsExtendedLimitCount(r.caps.get()), 0);
    EXPECT_EQ(r.caps->reserved, 0u);
    EXPECT_EQ(failures, 0) << tsReportGetLogFile();
}

TEST(ProbeReading, SoftpipeOnlyForReading0InBothOrders)
{
    const char *before = getenv("GALLIUM_DRIVER");
    std::string saved = before ? before : "";
    bool had = before != nullptr;
    int order[] = {0, 1, 0, 1};
    for (int hardware : order) {
        Reading r;
        ASSERT_TRUE(readReading(hardware, r)) << tsReportGetLogFile();
        if (hardware == 0) {
            EXPECT_EQ(str(r.caps->renderer), "softpipe");
        } else {
            EXPECT_NE(str(r.caps->renderer), "softpipe");
        }
        // The selection does not leak into the environment.
        const char *now = getenv("GALLIUM_DRIVER");
        EXPECT_EQ(now != nullptr, had);
        if (now && had) {
            EXPECT_EQ(std::string(now), saved);
        }
    }
}

TEST(ProbeReading, SameIndexTwiceGivesTheSameRecord)
{
    for (int hardware = 0; hardware < 2; ++hardware) {
        Reading a, other, b;
        ASSERT_TRUE(readReading(hardware, a));
        ASSERT_TRUE(readReading(1 - hardware, other));
        ASSERT_TRUE(readReading(hardware, b));
        EXPECT_EQ(str(a.caps->vendor), str(b.caps->vendor));
        EXPECT_EQ(str(a.caps->renderer), str(b.caps->renderer));
        EXPECT_EQ(str(a.caps->version), str(b.caps->version));
        EXPECT_EQ(str(a.caps->glslVersion), str(b.caps->glslVersion));
        EXPECT_EQ(str(a.caps->extensions), str(b.caps->extensions));
        size_t from = offsetof(tsRendererCaps, newestVersion);
        EXPECT_EQ(memcmp(reinterpret_cast<const char *>(a.caps.get()) + from,
                         reinterpret_cast<const char *>(b.caps.get()) + from,
                         sizeof(tsRendererCaps) - from),
                  0)
            << "reading " << hardware;
        EXPECT_NE(str(a.caps->renderer), str(other.caps->renderer));
    }
}

TEST(ProbeReading, ReadCapsAloneOnAFreshRecord)
{
    ASSERT_TRUE(tsInfoBegin(1)) << tsReportGetLogFile();
    std::unique_ptr<tsRendererCaps> c(new tsRendererCaps());
    c->size = sizeof(tsRendererCaps);
    tsInfoReadCaps(c.get());
    EXPECT_EQ(c->filled, 1u);
    EXPECT_GT(c->NumLights, 0);
    // Extension-dependent members wait for tsInfoReadCapsEx.
    EXPECT_EQ(c->MaxTextureUnits, 0);
    tsInfoReadCapsEx(c.get());
    EXPECT_GT(c->MaxTextureUnits, 1);
    EXPECT_EQ(c->MaxSamples, 0); // no pixel formats read

    // The compressed formats: the driver's count kept whole, its list cut to
    // the first 32 codes and nothing written past them.
    GLint count = 0;
    glGetIntegerv(GL_NUM_COMPRESSED_TEXTURE_FORMATS, &count);
    ASSERT_GT(count, 0);
    EXPECT_EQ(c->NumCompressedTextureFormats, count);
    std::vector<GLint> all(static_cast<size_t>(count));
    glGetIntegerv(GL_COMPRESSED_TEXTURE_FORMATS, all.data());
    for (int i = 0; i < TS_MAX_COMPRESSED_FORMATS; ++i) {
        uint32_t expected = i < count ? static_cast<uint32_t>(all[static_cast<size_t>(i)]) : 0u;
        EXPECT_EQ(c->compressedFormats[i], expected) << i;
    }
    tsInfoRelease(c.get());
    tsInfoEnd();

    // Without a multitexture extension in the text the unit count is 1.
    std::unique_ptr<tsRendererCaps> bare(new tsRendererCaps());
    bare->size = sizeof(tsRendererCaps);
    bare->extensions = nullptr;
    tsInfoReadCapsEx(bare.get());
    EXPECT_EQ(bare->MaxTextureUnits, 1);
    EXPECT_EQ(bare->MaxProgramMatrices, 0);
}

// The extension-dependent reader decides on the record's own texts: with a
// real context, a made-up version and extension list select what is read.
TEST(ProbeReading, ReadCapsExFollowsTheRecordTexts)
{
    ASSERT_EQ(tsInfoBegin(1), 1) << tsReportGetLogFile();
    struct Case {
        const char *version;
        const char *extensions;
        bool texture3D;
    };
    const Case cases[] = {
        {"1.1.0", "GL_ARB_multitexture", false},
        {"1.1.0", "GL_ARB_multitexture GL_EXT_texture3D", true},
        {"1.2.0", "", true},
        {"2.0.0", "", true},
        {"2.1 NVIDIA 190.0", "", true},
        {"1.10", "", true},
        {"OpenGL ES 3.1", "", false},
        {"1", "", false},
    };
    for (const Case &k : cases) {
        std::unique_ptr<tsRendererCaps> c(new tsRendererCaps());
        c->size = sizeof(tsRendererCaps);
        c->version = const_cast<char *>(k.version);
        c->extensions = const_cast<char *>(k.extensions);
        tsInfoReadCapsEx(c.get());
        EXPECT_EQ(c->MaxTexture3DSize > 0, k.texture3D) << k.version << " / " << k.extensions;
    }

    // Fragment program without vertex program: no fragment or imaging limits.
    std::unique_ptr<tsRendererCaps> f(new tsRendererCaps());
    f->size = sizeof(tsRendererCaps);
    f->extensions = const_cast<char *>("GL_ARB_fragment_program GL_ARB_imaging");
    tsInfoReadCapsEx(f.get());
    EXPECT_EQ(f->MaxFragmentInstructions, 0);
    EXPECT_EQ(f->MaxProgramMatrixStackDepth, 0);
    EXPECT_EQ(f->MaxTextureImageUnits, 0);
    EXPECT_EQ(f->MaxColorMatrixStackDepth, 0);
    EXPECT_EQ(f->MaxTextureUnits, 1);

    // With both the group members are read.
    f->extensions = const_cast<char *>("GL_ARB_vertex_program GL_ARB_fragment_program");
    tsInfoReadCapsEx(f.get());
    EXPECT_GT(f->MaxFragmentInstructions, 0);
    EXPECT_GT(f->MaxProgramMatrixStackDepth, 0);
    EXPECT_GT(f->MaxProgramMatrices, 0);
    EXPECT_EQ(f->MaxVertexUniformComponents, 0); // GL_ARB_vertex_shader not in the text
    EXPECT_EQ(tsInfoEnd(), 1);
}

TEST(ProbeReading, ReadingWithoutContextGivesNullStringsAndNoCrash)
{
    ASSERT_FALSE(infoWindowOpen());
    std::unique_ptr<tsRendererCaps> c(new tsRendererCaps());
    c->size = sizeof(tsRendererCaps);
    EXPECT_EQ(tsInfoRead(c.get(), 5), 1);
    EXPECT_EQ(c->tag, 5);
    EXPECT_EQ(c->filled, 1u);
    EXPECT_EQ(c->vendor, nullptr);
    EXPECT_EQ(c->renderer, nullptr);
    EXPECT_EQ(c->version, nullptr);
    EXPECT_EQ(c->extensions, nullptr);
    EXPECT_EQ(c->pixelFormatCount, 0);
    EXPECT_EQ(c->MaxTextureUnits, 1);
    EXPECT_EQ(c->MaxTexture3DSize, 0); // no version text
    EXPECT_EQ(tsInfoSearchExtension("GL_ARB_multitexture", c->extensions), 0);
    tsInfoRelease(c.get());
    EXPECT_EQ(c->size, 0u);
}

TEST(ProbeReading, NoDisplayIsALoggedFailure)
{
    const char *before = getenv("DISPLAY");
    std::string saved = before ? before : "";
    // Through GLX: left to choose, the library would read through EGL.
    setenv("TESSERA_PLATFORM", "glx", 1);
    sounder::platformResetChoice();
    setenv("DISPLAY", ":9999", 1);
    EXPECT_EQ(tsInfoBegin(1), 0);
    std::string log = tsReportGetLogFile();
    EXPECT_NE(log.find("OpenGL initialization failed.\n"), std::string::npos) << log;
    EXPECT_NE(log.find("CreateWindowEx failed (1): "), std::string::npos) << log;
    EXPECT_NE(log.find("...Legacy PFD creation.:\r\n"), std::string::npos) << log;
    EXPECT_GE(tsReportHasErrors(), 2);
    EXPECT_EQ(tsInfoBegin(0), 0);
    EXPECT_FALSE(infoWindowOpen());
    EXPECT_EQ(tsInfoEnd(), 1);
    if (before)
        setenv("DISPLAY", saved.c_str(), 1);
    else
        unsetenv("DISPLAY");
    unsetenv("TESSERA_PLATFORM");
    sounder::platformResetChoice();

    // The probe works again afterwards.
    EXPECT_EQ(tsInfoBegin(0), 1) << tsReportGetLogFile();
    EXPECT_EQ(tsInfoEnd(), 1);
}

int g_foreignErrors = 0;
int foreignHandler(Display *, XErrorEvent *)
{
    ++g_foreignErrors;
    return 0;
}

int foreignIOHandler(Display *)
{
    return 0;
}

TEST(ProbeReading, ErrorHandlerOfTheCallerIsRestored)
{
    XErrorHandler old = XSetErrorHandler(foreignHandler);
    XIOErrorHandler oldIO = XSetIOErrorHandler(foreignIOHandler);
    ASSERT_EQ(tsInfoBegin(1), 1);
    // While the probe is open, another connection's errors still reach the
    // caller's handler.
    Display *other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    XDestroyWindow(other, 0x1234567); // BadWindow
    XSync(other, False);
    EXPECT_EQ(g_foreignErrors, 1);
    EXPECT_EQ(tsInfoEnd(), 1);
    EXPECT_EQ(XSetErrorHandler(old), foreignHandler);
    EXPECT_EQ(XSetIOErrorHandler(oldIO), foreignIOHandler);
    XCloseDisplay(other);
}

TEST(ProbeReading, EntryPointsOfTheCurrentDriver)
{
    for (int hardware = 0; hardware < 2; ++hardware) {
        ASSERT_EQ(tsInfoBegin(hardware), 1);
        std::string glx = infoWindowSystemExtensions();
        EXPECT_EQ(infoHasEntryPoint("glDrawArrays"), 1);
        EXPECT_EQ(infoHasEntryPoint("glBindTexture"), 1);
        EXPECT_EQ(infoHasEntryPoint("glGenBuffersARB"), 1);
        EXPECT_EQ(infoHasEntryPoint("glUseProgram"), 1);
        EXPECT_EQ(infoHasEntryPoint("glFooBarBaz"), 0);
        EXPECT_EQ(infoHasEntryPoint("glDrawArraysFOO"), 0);
        EXPECT_EQ(infoHasEntryPoint("glVertexAttribL1ui64NV"), 0);
        // GLX core functions of the version client and server share (1.4).
        EXPECT_EQ(infoHasEntryPoint("glXChooseFBConfig"), 1);
        EXPECT_EQ(infoHasEntryPoint("glXGetProcAddress"), 1);
        EXPECT_EQ(infoHasEntryPoint("glXQueryExtensionsString"), 1);
        // GLX extension functions follow the listed extensions.
        EXPECT_EQ(infoHasEntryPoint("glXQueryCurrentRendererIntegerMESA"),
                  tsInfoSearchExtension("GLX_MESA_query_renderer", glx.c_str()));
        EXPECT_EQ(infoHasEntryPoint("glXSwapIntervalEXT"),
                  tsInfoSearchExtension("GLX_EXT_swap_control", glx.c_str()));
        EXPECT_EQ(infoHasEntryPoint("glXCreateContextAttribsARB"),
                  tsInfoSearchExtension("GLX_ARB_create_context", glx.c_str()));
        EXPECT_EQ(infoHasEntryPoint("glXCopyImageSubDataNV"),
                  tsInfoSearchExtension("GLX_NV_copy_image", glx.c_str()));
        EXPECT_EQ(infoHasEntryPoint("glXFooBarBaz"), 0);
        // WGL names through their GLX counterparts.
        EXPECT_EQ(infoHasEntryPoint("wglChoosePixelFormatARB"), 1);
        EXPECT_EQ(infoHasEntryPoint("wglCreateContextAttribsARB"),
                  tsInfoSearchExtension("GLX_ARB_create_context", glx.c_str()));
        EXPECT_EQ(infoHasEntryPoint("wglFooBarBaz"), 0);
        EXPECT_EQ(tsInfoEnd(), 1);
    }
}

} // namespace
