#include "common/capability_table.h"

#include <GL/glew.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <vector>

#include "keel/keel.h"

namespace sounder {
namespace caps {

// ---- Member -------------------------------------------------------------------

int32_t Member::asInt(const tsRendererCaps &c) const
{
    switch (type_) {
    case ValueType::Int: return c.*int_;
    case ValueType::Float: return static_cast<int32_t>(c.*float_);
    case ValueType::Byte: return c.*byte_;
    }
    return 0;
}

float Member::asFloat(const tsRendererCaps &c) const
{
    switch (type_) {
    case ValueType::Int: return static_cast<float>(c.*int_);
    case ValueType::Float: return c.*float_;
    case ValueType::Byte: return c.*byte_;
    }
    return 0;
}

bool Member::nonZero(const tsRendererCaps &c) const
{
    return type_ == ValueType::Float ? c.*float_ != 0.0f : asInt(c) != 0;
}

void Member::setInt(tsRendererCaps &c, int32_t v) const
{
    switch (type_) {
    case ValueType::Int: c.*int_ = v; break;
    case ValueType::Float: c.*float_ = static_cast<float>(v); break;
    case ValueType::Byte: c.*byte_ = v ? 1 : 0; break;
    }
}

void Member::setFloat(tsRendererCaps &c, float v) const
{
    if (type_ == ValueType::Float)
        c.*float_ = v;
    else
        setInt(c, static_cast<int32_t>(v));
}

namespace {

// ---- row builder ----------------------------------------------------------------

// Builds one row; each call fills one part.  Constant-evaluated, so the table
// is laid down at compile time.
class Row {
public:
    constexpr Row(Member m, const char *name) : c_()
    {
        c_.member = m;
        c_.name = name;
    }
    constexpr operator Capability() const { return c_; }

    // Reading.
    constexpr Row &read(Source s)
    {
        c_.read[c_.read[0].present() ? 1 : 0] = s;
        return *this;
    }
    // Meaning.
    constexpr Row &stage(Stage s)
    {
        c_.stage = s;
        return *this;
    }
    constexpr Row &since(const char *what)
    {
        c_.since = what;
        return *this;
    }
    constexpr Row &atLeast(const char *version, double value)
    {
        c_.required = Required{version, value};
        return *this;
    }
    constexpr Row &atMost(const char *version, double value)
    {
        c_.required = Required{version, value};
        c_.better = Better::Lower;
        return *this;
    }
    constexpr Row &lowerIsBetter()
    {
        c_.better = Better::Lower;
        return *this;
    }
    constexpr Row &neither()
    {
        c_.better = Better::Neither;
        return *this;
    }
    // Report file.
    constexpr Row &report(ReportGroup g, uint8_t order, uint8_t flags = 0)
    {
        c_.report[c_.report[0].group != ReportGroup::Unset ? 1 : 0] = ReportPlace{g, order, flags};
        return *this;
    }
    constexpr Row &legacy(const char *name)
    {
        c_.legacyName = name;
        return *this;
    }
    // Capability tree.
    constexpr Row &tree(TreeGroup g, uint8_t order, int16_t label, LineKind kind, uint8_t flags = 0,
                        Member other = Member())
    {
        c_.tree[c_.tree[0].group != TreeGroup::Unset ? 1 : 0] =
            TreePlace{g, order, label, kind, other, flags};
        return *this;
    }
    // Text report.
    constexpr Row &adviseAtMost(int32_t value, int16_t text)
    {
        c_.advice = Advice{text, value};
        return *this;
    }
    // A group key that shows no line of its own.
    constexpr Row &treeKey(TreeGroup g) { return tree(g, 0, 0, LineKind::Unset, kTreeGroupKey); }

private:
    Capability c_;
};

constexpr Source query(Query q, uint32_t token, const char *name, const char *gate,
                       uint32_t target = 0, uint8_t count = 1, uint8_t index = 0)
{
    Source s;
    s.query = q;
    s.token = token;
    s.tokenName = name;
    s.gate = gate;
    s.target = target;
    s.count = count;
    s.index = index;
    return s;
}

constexpr Source withVersion(Source s, const char *version)
{
    s.orVersion = version;
    return s;
}

constexpr Source oneWhenAbsent(Source s)
{
    s.oneWhenAbsent = true;
    return s;
}

// Core queries (read by tsInfoReadCaps) and gated ones (tsInfoReadCapsEx).
#define CORE(tok) query(Query::Integer, tok, #tok, nullptr)
#define CORE_OF2(tok, i) query(Query::Integer, tok, #tok, nullptr, 0, 2, i)
#define COREF(tok) query(Query::Float, tok, #tok, nullptr)
#define COREF_OF2(tok, i) query(Query::Float, tok, #tok, nullptr, 0, 2, i)
#define COREB(tok) query(Query::Boolean, tok, #tok, nullptr)
#define EXT(gate, tok) query(Query::Integer, tok, #tok, gate)
#define EXT_OF2(gate, tok, i) query(Query::Integer, tok, #tok, gate, 0, 2, i)
#define PROGRAM(gate, target, tok) query(Query::Program, tok, #tok, gate, target)
#define CONVOLUTION(gate, tok) query(Query::Convolution, tok, #tok, gate, GL_CONVOLUTION_2D)
#define M(name) Row(&tsRendererCaps::name, #name)
// The token is named where it is written: a macro argument handed on would
// arrive expanded to its number.
#define XQ(q, n, tok, name, ver, gate)                                                             \
    Row(Member(), name).read(withVersion(query(q, tok, name, gate, 0, n), ver)).since(ver)
#define X(tok, ver, gate) XQ(Query::Integer, 1, tok, #tok, ver, gate)
#define X64(tok, ver, gate) XQ(Query::Integer64, 1, tok, #tok, ver, gate)
#define X3(tok, ver, gate) XQ(Query::IndexedInteger, 3, tok, #tok, ver, gate)
#define XF(tok, ver, gate) XQ(Query::Float, 1, tok, #tok, ver, gate)
#define XF2(tok, ver, gate) XQ(Query::Float, 2, tok, #tok, ver, gate)
#define OTHER(name) Member(&tsRendererCaps::name)

constexpr const char *kVP = "GL_ARB_vertex_program";
constexpr const char *kVPFP = "GL_ARB_vertex_program GL_ARB_fragment_program";
constexpr const char *kImaging = "GL_ARB_vertex_program GL_ARB_imaging";
constexpr const char *kVS = "GL_ARB_vertex_shader";
constexpr const char *kNVFP2 = "GL_NV_fragment_program2";
constexpr const char *kATIFS = "GL_ATI_fragment_shader";
constexpr const char *kGeom = "GL_EXT_geometry_shader4";
constexpr const char *kFbo = "GL_EXT_framebuffer_object";

// Gates of the extended rows: the extensions each version took in.
constexpr const char *kXfb = "GL_EXT_transform_feedback";
constexpr const char *kXfb3 = "GL_ARB_transform_feedback3";
constexpr const char *kUbo = "GL_ARB_uniform_buffer_object";
constexpr const char *kUboGeom = "GL_ARB_uniform_buffer_object GL_ARB_geometry_shader4";
constexpr const char *kGeomArb = "GL_ARB_geometry_shader4";
constexpr const char *kMsTex = "GL_ARB_texture_multisample";
constexpr const char *kGs5 = "GL_ARB_gpu_shader5";
constexpr const char *kTess = "GL_ARB_tessellation_shader";
constexpr const char *kEs2 = "GL_ARB_ES2_compatibility";
constexpr const char *kViewports = "GL_ARB_viewport_array";
constexpr const char *kAtomic = "GL_ARB_shader_atomic_counters";
constexpr const char *kImage = "GL_ARB_shader_image_load_store";
constexpr const char *kCompute = "GL_ARB_compute_shader";
constexpr const char *kNoAttach = "GL_ARB_framebuffer_no_attachments";
constexpr const char *kSsbo = "GL_ARB_shader_storage_buffer_object";
constexpr const char *kAttribBinding = "GL_ARB_vertex_attrib_binding";

using RG = ReportGroup;
using TG = TreeGroup;
using LK = LineKind;
constexpr uint8_t kKey = kReportGroupKey;
constexpr uint8_t kTKey = kTreeGroupKey;

// Required values: the implementation-dependent state tables of the OpenGL
// specifications (the version that first lists the value).  Limits that only
// an extension defines, or whose minimum depends on other state, have none.
// clang-format off
constexpr Capability kRows[] = {
    M(NumLights).read(CORE(GL_MAX_LIGHTS)).since("1.0").atLeast("1.0", 8).report(RG::Various, 12)
        .legacy("Max_Light_Source").tree(TG::Various, 6, 193, LK::Int1),
    M(NumClipPlanes).read(CORE(GL_MAX_CLIP_PLANES)).since("1.0").atLeast("1.0", 6)
        .report(RG::Various, 11).legacy("Max_Clip_Planes").tree(TG::Various, 5, 190, LK::Int1),
    M(MaxModelViewStackDepth).read(CORE(GL_MAX_MODELVIEW_STACK_DEPTH)).since("1.0")
        .atLeast("1.0", 32).report(RG::Stack, 3).legacy("Max_Model_View_Stack_Depth")
        .tree(TG::Stacks, 2, 170, LK::Int1),
    M(MaxProjectionStackDepth).read(CORE(GL_MAX_PROJECTION_STACK_DEPTH)).since("1.0")
        .atLeast("1.0", 2).report(RG::Stack, 4).legacy("Max_Projection_Stack_Depth")
        .tree(TG::Stacks, 4, 172, LK::Int1),
    M(MaxTextureStackDepth).read(CORE(GL_MAX_TEXTURE_STACK_DEPTH)).since("1.0").atLeast("1.0", 2)
        .report(RG::Stack, 6).legacy("Max_Texture_Stack_Depth").tree(TG::Stacks, 5, 173, LK::Int1),
    M(SubPixelBits).read(CORE(GL_SUBPIXEL_BITS)).since("1.0").atLeast("1.0", 4)
        .report(RG::FrameBuffer, 3).legacy("SubPixel").tree(TG::FrameBuffer, 2, 167, LK::Int1),
    M(TextureSize).read(CORE(GL_MAX_TEXTURE_SIZE)).since("1.0").atLeast("1.0", 64)
        .report(RG::Various, 14).legacy("Max_Texture_Size").tree(TG::Various, 9, 196, LK::Int2)
        .adviseAtMost(256, 131),
    M(PixelMapTable).read(CORE(GL_MAX_PIXEL_MAP_TABLE)).since("1.0").atLeast("1.0", 32)
        .report(RG::Various, 13).legacy("Max_Pixel_Map_Table").tree(TG::Various, 7, 194, LK::Int1),
    M(NameStackDepth).read(CORE(GL_MAX_NAME_STACK_DEPTH)).since("1.0").atLeast("1.0", 64)
        .report(RG::Stack, 2).legacy("Max_Name_Stack_Depth").tree(TG::Stacks, 3, 171, LK::Int1),
    M(MaxDisplayListNesting).read(CORE(GL_MAX_LIST_NESTING)).since("1.0").atLeast("1.0", 64)
        .legacy("Max_Display_List_Nesting").tree(TG::Various, 4, 189, LK::Int1),
    M(EvalOrder).read(CORE(GL_MAX_EVAL_ORDER)).since("1.0").atLeast("1.0", 8)
        .report(RG::Various, 15).legacy("Max_Eval_Order").tree(TG::Various, 8, 195, LK::Int1),
    M(ViewportMaxWidth).read(CORE_OF2(GL_MAX_VIEWPORT_DIMS, 0)).since("1.0")
        .report(RG::FrameBuffer, 1).legacy("Viewport_min")
        .tree(TG::FrameBuffer, 1, 165, LK::Int2, 0, OTHER(ViewportMaxHeight)),
    M(ViewportMaxHeight).read(CORE_OF2(GL_MAX_VIEWPORT_DIMS, 1)).since("1.0")
        .report(RG::FrameBuffer, 2).legacy("Viewport_max"),
    M(AttribStackDepth).read(CORE(GL_MAX_ATTRIB_STACK_DEPTH)).since("1.0").atLeast("1.0", 16)
        .report(RG::Stack, 1).legacy("Max_Attrib_Stack_Depth").tree(TG::Stacks, 1, 169, LK::Int1),
    M(MaxTextureUnits).read(oneWhenAbsent(EXT("GL_ARB_multitexture", GL_MAX_TEXTURE_UNITS_ARB)))
        .since("GL_ARB_multitexture").atLeast("1.3", 2).report(RG::ExtensionSpecs, 2)
        .legacy("Max_texture_units").tree(TG::Multitexture, 1, 215, LK::Int1, kTreeKeyAboveOne)
        .adviseAtMost(2, 130),
    M(MaxVertexBlend).read(EXT("GL_ARB_vertex_blend", GL_MAX_VERTEX_UNITS_ARB)).stage(Stage::Vertex)
        .since("GL_ARB_vertex_blend").report(RG::ExtensionSpecsTail, 1)
        .tree(TG::VertexBlend, 1, 210, LK::Int1, kTKey),
    M(MaxTextureCubeSize).read(EXT("GL_ARB_texture_cube_map", GL_MAX_CUBE_MAP_TEXTURE_SIZE_ARB))
        .since("GL_ARB_texture_cube_map").atLeast("1.3", 16).report(RG::ExtensionSpecs, 3)
        .legacy("Max_cube_map_texture").tree(TG::CubeMap, 1, 203, LK::Int3, kTKey),
    // Read with the integer query: rounded to the nearest integer.
    M(MaxTextureAnisotropy)
        .read(EXT("GL_EXT_texture_filter_anisotropic", GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT))
        .since("GL_EXT_texture_filter_anisotropic").atLeast("4.6", 16).report(RG::ExtensionSpecs, 1)
        .legacy("Max_anisotropy").tree(TG::Anisotropy, 1, 201, LK::Int1, kTKey),
    M(MaxTextureLodBias).read(EXT("GL_EXT_texture_lod_bias", GL_MAX_TEXTURE_LOD_BIAS_EXT))
        .since("GL_EXT_texture_lod_bias").atLeast("1.4", 2)
        .tree(TG::LodBias, 1, 313, LK::Int1, kTKey),
    M(MaxElementsVertices).read(EXT("GL_EXT_draw_range_elements", GL_MAX_ELEMENTS_VERTICES_EXT))
        .since("GL_EXT_draw_range_elements").tree(TG::DrawRange, 2, 206, LK::Int1),
    M(MaxElementsIndices).read(EXT("GL_EXT_draw_range_elements", GL_MAX_ELEMENTS_INDICES_EXT))
        .since("GL_EXT_draw_range_elements").tree(TG::DrawRange, 1, 205, LK::Int1, kTKey),
    M(ATIMaxTrianglesTesselationLevel)
        .read(EXT("GL_ATI_pn_triangles", GL_MAX_PN_TRIANGLES_TESSELATION_LEVEL_ATI))
        .since("GL_ATI_pn_triangles").report(RG::Ati, 1, kReportNonZero)
        .tree(TG::PnTriangles, 1, 263, LK::Int1, kTKey),
    M(ATIMaxVertexStreams).read(EXT("GL_ATI_vertex_streams", GL_MAX_VERTEX_STREAMS_ATI))
        .stage(Stage::Vertex).since("GL_ATI_vertex_streams").report(RG::Ati, 2, kReportNonZero)
        .tree(TG::VertexStreams, 1, 265, LK::Int1, kTKey),
    M(NVMaxSpotExponent).read(EXT("GL_NV_light_max_exponent", GL_MAX_SPOT_EXPONENT_NV))
        .since("GL_NV_light_max_exponent").report(RG::Nvidia, 3, kReportNonZero)
        .tree(TG::LightExponents, 1, 267, LK::Int1, kTKey),
    M(NVMaxShininessExponent).read(EXT("GL_NV_light_max_exponent", GL_MAX_SHININESS_NV))
        .since("GL_NV_light_max_exponent").report(RG::Nvidia, 2, kReportNonZero)
        .tree(TG::LightExponents, 2, 268, LK::Int1),
    M(NVMaxVertexArrayRangeElements)
        .read(EXT("GL_NV_vertex_array_range", GL_MAX_VERTEX_ARRAY_RANGE_ELEMENT_NV))
        .since("GL_NV_vertex_array_range").report(RG::Nvidia, 1, kReportNonZero)
        .tree(TG::VertexArrayRange, 1, 261, LK::Int1, kTKey | kTreeOtherWhenZero,
              OTHER(APPLEMaxVertexArrayRangeElements)),
    M(NVMaxGeneralCombiners).read(EXT("GL_NV_register_combiners", GL_MAX_GENERAL_COMBINERS_NV))
        .stage(Stage::Fragment).since("GL_NV_register_combiners")
        .report(RG::Nvidia, 5, kReportNonZero).tree(TG::RegisterCombiners, 1, 317, LK::Int1, kTKey),
    // The count as the driver gives it; the codes go to compressedFormats.
    M(NumCompressedTextureFormats)
        .read(query(Query::CompressedFormats, GL_NUM_COMPRESSED_TEXTURE_FORMATS_ARB,
                    "GL_NUM_COMPRESSED_TEXTURE_FORMATS_ARB", "GL_ARB_texture_compression"))
        .since("GL_ARB_texture_compression").atLeast("1.3", 0).report(RG::ExtensionSpecs, 4)
        .legacy("Num_compressed_texture_formats"),
    M(MaxDrawBuffers).read(EXT("GL_ARB_draw_buffers", GL_MAX_DRAW_BUFFERS_ARB))
        .read(EXT("GL_ATI_draw_buffers", GL_MAX_DRAW_BUFFERS_ATI)).stage(Stage::Fragment)
        .since("GL_ATI_draw_buffers").atLeast("2.0", 1).report(RG::Ati, 3, kReportNonZero)
        .tree(TG::DrawBuffers, 1, 319, LK::Int1, kTKey),
    M(NVMaxTextureRectangleSize)
        .read(EXT("GL_EXT_texture_rectangle", GL_MAX_RECTANGLE_TEXTURE_SIZE_EXT))
        .read(EXT("GL_NV_texture_rectangle", GL_MAX_RECTANGLE_TEXTURE_SIZE_NV))
        .since("GL_NV_texture_rectangle").atLeast("3.1", 1024)
        .report(RG::Nvidia, 4, kReportNonZero | kReportNoLineEnd)
        .tree(TG::TextureRectangle, 1, 217, LK::Int2, kTKey),
    // ARB vertex program limits of GL_VERTEX_PROGRAM_ARB.
    M(MaxProgramInstructions)
        .read(PROGRAM(kVP, GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_INSTRUCTIONS_ARB))
        .stage(Stage::Vertex).since(kVP).report(RG::VertexProgram, 1)
        .tree(TG::VertexProgram, 1, 222, LK::Int1, kTKey),
    M(MaxNativeInstructions)
        .read(PROGRAM(kVP, GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB))
        .stage(Stage::Vertex).since(kVP).report(RG::VertexProgram, 2)
        .tree(TG::VertexProgram, 2, 223, LK::Int1),
    M(MaxProgramTemporaries)
        .read(PROGRAM(kVP, GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_TEMPORARIES_ARB))
        .stage(Stage::Vertex).since(kVP).report(RG::VertexProgram, 3)
        .tree(TG::VertexProgram, 3, 224, LK::Int1),
    M(MaxProgramNativeTemporaries)
        .read(PROGRAM(kVP, GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_TEMPORARIES_ARB))
        .stage(Stage::Vertex).since(kVP).report(RG::VertexProgram, 4)
        .tree(TG::VertexProgram, 4, 225, LK::Int1),
    M(MaxProgramParameters).read(PROGRAM(kVP, GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_PARAMETERS_ARB))
        .stage(Stage::Vertex).since(kVP).report(RG::VertexProgram, 5)
        .tree(TG::VertexProgram, 5, 226, LK::Int1),
    M(MaxProgramNativeParameters)
        .read(PROGRAM(kVP, GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_PARAMETERS_ARB))
        .stage(Stage::Vertex).since(kVP).report(RG::VertexProgram, 6)
        .tree(TG::VertexProgram, 6, 227, LK::Int1),
    M(MaxProgramAttribs).read(PROGRAM(kVP, GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_ATTRIBS_ARB))
        .stage(Stage::Vertex).since(kVP).report(RG::VertexProgram, 7)
        .tree(TG::VertexProgram, 7, 228, LK::Int1),
    M(MaxProgramNativeAttribs)
        .read(PROGRAM(kVP, GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_ATTRIBS_ARB))
        .stage(Stage::Vertex).since(kVP).report(RG::VertexProgram, 8)
        .tree(TG::VertexProgram, 8, 229, LK::Int1),
    M(MaxProgramAdressRegisters)
        .read(PROGRAM(kVP, GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_ADDRESS_REGISTERS_ARB))
        .stage(Stage::Vertex).since(kVP).report(RG::VertexProgram, 9)
        .tree(TG::VertexProgram, 9, 230, LK::Int1),
    M(MaxProgramNativeAddressRegisters)
        .read(PROGRAM(kVP, GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_ADDRESS_REGISTERS_ARB))
        .stage(Stage::Vertex).since(kVP).report(RG::VertexProgram, 10)
        .tree(TG::VertexProgram, 10, 231, LK::Int1),
    M(MaxProgramLocalParameters)
        .read(PROGRAM(kVP, GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_LOCAL_PARAMETERS_ARB))
        .stage(Stage::Vertex).since(kVP).report(RG::VertexProgram, 11)
        .tree(TG::VertexProgram, 11, 232, LK::Int1),
    M(MaxProgramEnvParameters)
        .read(PROGRAM(kVP, GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_ENV_PARAMETERS_ARB))
        .stage(Stage::Vertex).since(kVP).report(RG::VertexProgram, 12)
        .tree(TG::VertexProgram, 12, 233, LK::Int1),
    // The same twelve limits of GL_FRAGMENT_PROGRAM_ARB.
    M(MaxFragmentInstructions)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_INSTRUCTIONS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 3)
        .tree(TG::FragmentProgram, 4, 240, LK::Int1),
    M(MaxFragmentNativeInstructions)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 12)
        .tree(TG::FragmentProgram, 13, 249, LK::Int1),
    M(MaxFragmentTemporaries)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_TEMPORARIES_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 14)
        .tree(TG::FragmentProgram, 15, 251, LK::Int1),
    M(MaxFragmentNativeTemporaries)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_TEMPORARIES_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 9)
        .tree(TG::FragmentProgram, 10, 246, LK::Int1),
    M(MaxFragmentParameters)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_PARAMETERS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 13)
        .tree(TG::FragmentProgram, 14, 250, LK::Int1),
    M(MaxFragmentNativeParameters)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_PARAMETERS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 8)
        .tree(TG::FragmentProgram, 9, 245, LK::Int1),
    M(MaxFragmentAttribs).read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_ATTRIBS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 1)
        .tree(TG::FragmentProgram, 2, 238, LK::Int1),
    M(MaxFragmentNativeAttribs)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_ATTRIBS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 7)
        .tree(TG::FragmentProgram, 8, 244, LK::Int1),
    M(MaxFragmentAdressRegisters)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_ADDRESS_REGISTERS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 15),
    M(MaxFragmentNativeAddressRegisters)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_ADDRESS_REGISTERS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 16),
    M(MaxFragmentLocalParameters)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_LOCAL_PARAMETERS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 4)
        .tree(TG::FragmentProgram, 5, 241, LK::Int1),
    M(MaxFragmentEnvParameters)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_ENV_PARAMETERS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 2)
        .tree(TG::FragmentProgram, 3, 239, LK::Int1),
    M(MaxProgramALUInstructions)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_ALU_INSTRUCTIONS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program")
        .tree(TG::FragmentProgram, 1, 237, LK::Int1, kTKey),
    M(MaxProgramTexInstructions)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_TEX_INSTRUCTIONS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 18)
        .tree(TG::FragmentProgram, 17, 255, LK::Int1),
    M(MaxProgramTexIndirections)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_TEX_INDIRECTIONS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 17)
        .tree(TG::FragmentProgram, 16, 254, LK::Int1),
    M(MaxProgramNativeALUInstructions)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_ALU_INSTRUCTIONS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 6)
        .tree(TG::FragmentProgram, 7, 243, LK::Int1),
    M(MaxProgramNativeTexInstructions)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_TEX_INSTRUCTIONS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 11)
        .tree(TG::FragmentProgram, 12, 248, LK::Int1),
    M(MaxProgramNativeTexIndirections)
        .read(PROGRAM(kVPFP, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_TEX_INDIRECTIONS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_program").report(RG::FragmentProgram, 10)
        .tree(TG::FragmentProgram, 11, 247, LK::Int1),
    M(MaxVertexAttributes).read(EXT(kVP, GL_MAX_VERTEX_ATTRIBS_ARB)).stage(Stage::Vertex).since(kVP)
        .atLeast("2.0", 16).report(RG::VertexProgram, 13)
        .tree(TG::VertexProgram, 13, 234, LK::Int1),
    M(MaxProgramMatrices).read(EXT(kVP, GL_MAX_PROGRAM_MATRICES_ARB)).stage(Stage::Vertex)
        .since(kVP).report(RG::VertexProgram, 14, kKey).tree(TG::VertexProgram, 14, 235, LK::Int1),
    M(MaxClientAttribStackDepth).read(CORE(GL_MAX_CLIENT_ATTRIB_STACK_DEPTH)).since("1.1")
        .atLeast("1.1", 16).report(RG::Stack, 5).tree(TG::Stacks, 6, 374, LK::Int1),
    // Shared by both program targets: shown and written in both groups.
    M(MaxProgramMatrixStackDepth).read(EXT(kVP, GL_MAX_PROGRAM_MATRIX_STACK_DEPTH_ARB)).since(kVP)
        .report(RG::VertexProgram, 15).report(RG::FragmentProgram, 5, kKey)
        .tree(TG::VertexProgram, 15, 236, LK::Int1).tree(TG::FragmentProgram, 6, 242, LK::Int1),
    M(MaxTextureCoords).read(EXT(kVPFP, GL_MAX_TEXTURE_COORDS_ARB)).stage(Stage::Fragment)
        .since("GL_ARB_fragment_program").atLeast("2.0", 2).report(RG::FragmentProgram, 19)
        .tree(TG::FragmentProgram, 18, 256, LK::Int1),
    M(MaxTextureImageUnits).read(EXT(kVPFP, GL_MAX_TEXTURE_IMAGE_UNITS_ARB)).stage(Stage::Fragment)
        .since("GL_ARB_fragment_program").atLeast("2.0", 2).report(RG::FragmentProgram, 20)
        .tree(TG::FragmentProgram, 19, 257, LK::Int1),
    M(MaxTexture3DSize).read(withVersion(EXT("GL_EXT_texture3D", GL_MAX_3D_TEXTURE_SIZE), "1.2"))
        .since("1.2").atLeast("1.2", 16).report(RG::ExtensionSpecsTail, 2)
        .tree(TG::Texture3D, 1, 219, LK::Int3, kTKey),
    M(MaxVertexUniformComponents).read(EXT(kVS, GL_MAX_VERTEX_UNIFORM_COMPONENTS_ARB))
        .stage(Stage::Vertex).since(kVS).atLeast("2.0", 512).report(RG::VertexShader, 1, kKey)
        .tree(TG::VertexShader, 1, 321, LK::Int1, kTKey),
    M(MaxVaryingFloats).read(EXT(kVS, GL_MAX_VARYING_FLOATS_ARB)).stage(Stage::Vertex).since(kVS)
        .atLeast("2.0", 32).report(RG::VertexShader, 2).tree(TG::VertexShader, 2, 322, LK::Int1),
    M(MaxVertexTextureImageUnits).read(EXT(kVS, GL_MAX_VERTEX_TEXTURE_IMAGE_UNITS_ARB))
        .stage(Stage::Vertex).since(kVS).atLeast("2.0", 0).report(RG::VertexShader, 4)
        .tree(TG::VertexShader, 4, 324, LK::Int1),
    M(MaxCombinedImageUnits).read(EXT(kVS, GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS_ARB)).since(kVS)
        .atLeast("2.0", 2).report(RG::VertexShader, 3).tree(TG::VertexShader, 3, 323, LK::Int1),
    M(MaxFragmentUniformComponents)
        .read(EXT("GL_ARB_fragment_shader", GL_MAX_FRAGMENT_UNIFORM_COMPONENTS_ARB))
        .stage(Stage::Fragment).since("GL_ARB_fragment_shader").atLeast("2.0", 64)
        .report(RG::FragmentShader, 1, kKey).tree(TG::FragmentShader, 1, 326, LK::Int1, kTKey),
    // NV fragment program 2 limits of GL_FRAGMENT_PROGRAM_ARB.
    M(MaxProgramExeInstructionsNV)
        .read(PROGRAM(kNVFP2, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_EXEC_INSTRUCTIONS_NV))
        .stage(Stage::Fragment).since(kNVFP2).report(RG::NvFragmentProgram, 1, kKey)
        .tree(TG::NvFragmentProgram, 1, 328, LK::Int1, kTKey),
    M(MaxProgramCallDepthNV)
        .read(PROGRAM(kNVFP2, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_CALL_DEPTH_NV))
        .stage(Stage::Fragment).since(kNVFP2).report(RG::NvFragmentProgram, 2)
        .tree(TG::NvFragmentProgram, 2, 329, LK::Int1),
    M(MaxProgramIfDepthNV)
        .read(PROGRAM(kNVFP2, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_IF_DEPTH_NV))
        .stage(Stage::Fragment).since(kNVFP2).report(RG::NvFragmentProgram, 3)
        .tree(TG::NvFragmentProgram, 3, 330, LK::Int1),
    M(MaxProgramLoopDepthNV)
        .read(PROGRAM(kNVFP2, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_LOOP_DEPTH_NV))
        .stage(Stage::Fragment).since(kNVFP2).report(RG::NvFragmentProgram, 4)
        .tree(TG::NvFragmentProgram, 4, 331, LK::Int1),
    M(MaxProgramLoopCountNV)
        .read(PROGRAM(kNVFP2, GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_LOOP_COUNT_NV))
        .stage(Stage::Fragment).since(kNVFP2).report(RG::NvFragmentProgram, 5)
        .tree(TG::NvFragmentProgram, 5, 332, LK::Int1),
    M(MaxConvolutionHeight).read(CONVOLUTION(kImaging, GL_MAX_CONVOLUTION_HEIGHT))
        .since("GL_ARB_imaging").atLeast("1.2", 3).report(RG::Imaging, 3),
    M(MaxConvolutionWidth).read(CONVOLUTION(kImaging, GL_MAX_CONVOLUTION_WIDTH))
        .since("GL_ARB_imaging").atLeast("1.2", 3).report(RG::Imaging, 2)
        .tree(TG::Imaging, 2, 376, LK::Int2, 0, OTHER(MaxConvolutionHeight)),
    M(APPLEMaxVertexArrayRangeElements)
        .read(EXT("GL_APPLE_vertex_array_range", GL_MAX_VERTEX_ARRAY_RANGE_ELEMENT_APPLE))
        .since("GL_APPLE_vertex_array_range").treeKey(TG::VertexArrayRange),
    M(APPLEMinPbufferViewportWidth)
        .read(EXT_OF2("GL_APPLE_pixel_buffer", GL_MIN_PBUFFER_VIEWPORT_DIMS_APPLE, 0))
        .since("GL_APPLE_pixel_buffer").lowerIsBetter()
        .tree(TG::PixelBuffer, 1, 347, LK::Int2, kTKey, OTHER(APPLEMinPbufferViewportHeight)),
    M(APPLEMinPbufferViewportHeight)
        .read(EXT_OF2("GL_APPLE_pixel_buffer", GL_MIN_PBUFFER_VIEWPORT_DIMS_APPLE, 1))
        .since("GL_APPLE_pixel_buffer").lowerIsBetter().treeKey(TG::PixelBuffer),
    // Both extensions give the counter width of samples-passed queries; the
    // NV reading comes later and stands.
    M(MaxOcclusionQueryBits)
        .read(query(Query::QueryObject, GL_QUERY_COUNTER_BITS_ARB, "GL_QUERY_COUNTER_BITS_ARB",
                    "GL_ARB_occlusion_query", GL_SAMPLES_PASSED_ARB))
        .read(EXT("GL_NV_occlusion_query", GL_PIXEL_COUNTER_BITS_NV))
        .since("GL_ARB_occlusion_query").report(RG::ExtensionSpecsTail, 3)
        .tree(TG::Occlusion, 1, 336, LK::Int1, kTKey),
    M(ATINumFragmentRegisters).read(EXT(kATIFS, GL_NUM_FRAGMENT_REGISTERS_ATI))
        .stage(Stage::Fragment).since(kATIFS).report(RG::AtiFragmentShader, 1, kKey)
        .tree(TG::AtiFragmentShader, 1, 339, LK::Int1, kTKey),
    M(ATINumFragmentConstants).read(EXT(kATIFS, GL_NUM_FRAGMENT_CONSTANTS_ATI))
        .stage(Stage::Fragment).since(kATIFS).report(RG::AtiFragmentShader, 2)
        .tree(TG::AtiFragmentShader, 2, 340, LK::Int1),
    M(ATINumPasses).read(EXT(kATIFS, GL_NUM_PASSES_ATI)).stage(Stage::Fragment).since(kATIFS)
        .report(RG::AtiFragmentShader, 3).tree(TG::AtiFragmentShader, 3, 341, LK::Int1),
    M(ATINumInstructionsPerPass).read(EXT(kATIFS, GL_NUM_INSTRUCTIONS_PER_PASS_ATI))
        .stage(Stage::Fragment).since(kATIFS).report(RG::AtiFragmentShader, 4)
        .tree(TG::AtiFragmentShader, 4, 342, LK::Int1),
    M(ATINumInstructionsTotal).read(EXT(kATIFS, GL_NUM_INSTRUCTIONS_TOTAL_ATI))
        .stage(Stage::Fragment).since(kATIFS).report(RG::AtiFragmentShader, 5)
        .tree(TG::AtiFragmentShader, 5, 343, LK::Int1),
    M(ATINumLoopbackComponents).read(EXT(kATIFS, GL_NUM_LOOPBACK_COMPONENTS_ATI))
        .stage(Stage::Fragment).since(kATIFS).report(RG::AtiFragmentShader, 6)
        .tree(TG::AtiFragmentShader, 6, 344, LK::Int1),
    M(ATINumInputInterpolatorComponents).read(EXT(kATIFS, GL_NUM_INPUT_INTERPOLATOR_COMPONENTS_ATI))
        .stage(Stage::Fragment).since(kATIFS).report(RG::AtiFragmentShader, 7)
        .tree(TG::AtiFragmentShader, 7, 345, LK::Int1),
    M(MaxGeomTexUnits).read(EXT(kGeom, GL_MAX_GEOMETRY_TEXTURE_IMAGE_UNITS_EXT))
        .stage(Stage::Geometry).since(kGeom).atLeast("3.2", 16)
        .report(RG::GeometryShader, 1, kKey | kReportNotRead)
        .tree(TG::GeometryShader, 1, 396, LK::Int1, kTKey),
    M(MaxGeomVaryingComp).read(EXT(kGeom, GL_MAX_GEOMETRY_VARYING_COMPONENTS_EXT))
        .stage(Stage::Geometry).since(kGeom).report(RG::GeometryShader, 2, kReportNotRead)
        .tree(TG::GeometryShader, 2, 397, LK::Int1),
    M(MaxVertexVaryingComp).read(EXT(kGeom, GL_MAX_VERTEX_VARYING_COMPONENTS_EXT))
        .stage(Stage::Vertex).since(kGeom).report(RG::GeometryShader, 3, kReportNotRead)
        .tree(TG::GeometryShader, 3, 398, LK::Int1),
    M(MaxVaryingComp).read(EXT(kGeom, GL_MAX_VARYING_COMPONENTS_EXT)).since(kGeom)
        .atLeast("3.0", 64).report(RG::GeometryShader, 4, kReportNotRead)
        .tree(TG::GeometryShader, 4, 399, LK::Int1),
    M(MaxGeomUniformComp).read(EXT(kGeom, GL_MAX_GEOMETRY_UNIFORM_COMPONENTS_EXT))
        .stage(Stage::Geometry).since(kGeom).atLeast("3.2", 1024)
        .report(RG::GeometryShader, 5, kReportNotRead).tree(TG::GeometryShader, 5, 400, LK::Int1),
    M(MaxGeomOutputVerts).read(EXT(kGeom, GL_MAX_GEOMETRY_OUTPUT_VERTICES_EXT))
        .stage(Stage::Geometry).since(kGeom).atLeast("3.2", 256)
        .report(RG::GeometryShader, 6, kReportNotRead).tree(TG::GeometryShader, 6, 401, LK::Int1),
    M(MaxGeomTotalOutputComp).read(EXT(kGeom, GL_MAX_GEOMETRY_TOTAL_OUTPUT_COMPONENTS_EXT))
        .stage(Stage::Geometry).since(kGeom).atLeast("3.2", 1024)
        .report(RG::GeometryShader, 7, kReportNotRead).tree(TG::GeometryShader, 7, 402, LK::Int1),
    M(MaxColorMatrixStackDepth).read(EXT(kImaging, GL_MAX_COLOR_MATRIX_STACK_DEPTH))
        .since("GL_ARB_imaging").atLeast("1.2", 2).report(RG::Imaging, 1, kKey)
        .tree(TG::Imaging, 1, 375, LK::Int1, kTKey),
    // Not a query: the largest sample count among the pixel formats.
    M(MaxSamples).read(query(Query::MaxSamples, 0, nullptr, nullptr)).since("GL_ARB_multisample")
        .tree(TG::Multisample, 1, 315, LK::Int1),
    M(AuxBuffers).read(CORE(GL_AUX_BUFFERS)).since("1.0").atLeast("1.0", 0),
    M(FBOMaxColorAttachments).read(EXT(kFbo, GL_MAX_COLOR_ATTACHMENTS_EXT)).stage(Stage::Fragment)
        .since(kFbo).atLeast("3.0", 8).report(RG::Fbo, 1, kKey)
        .tree(TG::Fbo, 1, 378, LK::Int1, kTKey),
    M(FBOMaxRenderBufferSize).read(EXT(kFbo, GL_MAX_RENDERBUFFER_SIZE_EXT)).since(kFbo)
        .atLeast("3.0", 1024).report(RG::Fbo, 2).tree(TG::Fbo, 2, 379, LK::Int2),
    M(PointSizeMin).read(COREF_OF2(GL_POINT_SIZE_RANGE, 0)).since("1.0").atMost("1.0", 1)
        .report(RG::Various, 4).legacy("Point_Size_Min")
        .tree(TG::Various, 11, 198, LK::Float2, 0, OTHER(PointSizeMax)),
    M(PointSizeMax).read(COREF_OF2(GL_POINT_SIZE_RANGE, 1)).since("1.0").atLeast("1.0", 1)
        .report(RG::Various, 5).legacy("Point_Size_Max"),
    M(PointSizeGran).read(COREF(GL_POINT_SIZE_GRANULARITY)).since("1.0").lowerIsBetter()
        .report(RG::Various, 6).legacy("Point_Size_Grn").tree(TG::Various, 10, 197, LK::Float1),
    M(LineSizeMin).read(COREF_OF2(GL_LINE_WIDTH_RANGE, 0)).since("1.0").atMost("1.0", 1)
        .report(RG::Various, 1).legacy("Line_Size_Min")
        .tree(TG::Various, 2, 188, LK::Float2, 0, OTHER(LineSizeMax)),
    M(LineSizeMax).read(COREF_OF2(GL_LINE_WIDTH_RANGE, 1)).since("1.0").atLeast("1.0", 1)
        .report(RG::Various, 2).legacy("Line_Size_Max"),
    M(LineSizeGran).read(COREF(GL_LINE_WIDTH_GRANULARITY)).since("1.0").lowerIsBetter()
        .report(RG::Various, 3).legacy("Line_Size_Grn").tree(TG::Various, 1, 187, LK::Float1),
    M(AliasedLineWidthMin).read(COREF_OF2(GL_ALIASED_LINE_WIDTH_RANGE, 0)).since("1.2")
        .atMost("1.2", 1).report(RG::Various, 7, kReportNotRead)
        .tree(TG::Various, 3, 372, LK::Float2, 0, OTHER(AliasedLineWidthMax)),
    M(AliasedLineWidthMax).read(COREF_OF2(GL_ALIASED_LINE_WIDTH_RANGE, 1)).since("1.2")
        .atLeast("1.2", 1).report(RG::Various, 8, kReportNotRead),
    M(AliasedPointSizeMin).read(COREF_OF2(GL_ALIASED_POINT_SIZE_RANGE, 0)).since("1.2")
        .atMost("1.2", 1).report(RG::Various, 9)
        .tree(TG::Various, 12, 373, LK::Float2, 0, OTHER(AliasedPointSizeMax)),
    M(AliasedPointSizeMax).read(COREF_OF2(GL_ALIASED_POINT_SIZE_RANGE, 1)).since("1.2")
        .atLeast("1.2", 1).report(RG::Various, 10),
    M(RGBAMode).read(COREB(GL_RGBA_MODE)).since("1.0").neither(),
    M(IndexMode).read(COREB(GL_INDEX_MODE)).since("1.0").neither(),
    M(DoubleBuffer).read(COREB(GL_DOUBLEBUFFER)).since("1.0").neither(),
    M(Stereo).read(COREB(GL_STEREO)).since("1.0").neither(),

    // ---- extended rows ----------------------------------------------------------
    // Read from a core-profile context: from the version in the second column
    // on, or while that context lists every extension of the gate.  Required
    // values come from the implementation-dependent tables of the OpenGL 4.6
    // core profile (their "minimum value" column; the smaller figure where an
    // earlier version asked for less), so that a driver claiming that version
    // can be held to them.
    X(GL_MAX_ARRAY_TEXTURE_LAYERS, "3.0", "GL_EXT_texture_array").atLeast("3.0", 256),
    X(GL_MAX_SAMPLES, "3.0", "GL_ARB_framebuffer_object").atLeast("3.0", 4),
    X(GL_MIN_PROGRAM_TEXEL_OFFSET, "3.0", nullptr).atMost("3.0", -8),
    X(GL_MAX_PROGRAM_TEXEL_OFFSET, "3.0", nullptr).atLeast("3.0", 7),
    X(GL_MAX_TRANSFORM_FEEDBACK_INTERLEAVED_COMPONENTS, "3.0", kXfb).atLeast("3.0", 64),
    X(GL_MAX_TRANSFORM_FEEDBACK_SEPARATE_ATTRIBS, "3.0", kXfb).atLeast("3.0", 4),
    X(GL_MAX_TRANSFORM_FEEDBACK_SEPARATE_COMPONENTS, "3.0", kXfb).atLeast("3.0", 4),
    X(GL_MAX_TEXTURE_BUFFER_SIZE, "3.1", "GL_ARB_texture_buffer_object").atLeast("3.1", 65536),
    X(GL_TEXTURE_BUFFER_OFFSET_ALIGNMENT, "4.3", "GL_ARB_texture_buffer_range").atMost("4.3", 256),
    X(GL_MAX_VERTEX_UNIFORM_BLOCKS, "3.1", kUbo).stage(Stage::Vertex).atLeast("3.1", 12),
    X(GL_MAX_FRAGMENT_UNIFORM_BLOCKS, "3.1", kUbo).stage(Stage::Fragment).atLeast("3.1", 12),
    X(GL_MAX_GEOMETRY_UNIFORM_BLOCKS, "3.2", kUboGeom).stage(Stage::Geometry).atLeast("3.2", 12),
    X(GL_MAX_COMBINED_UNIFORM_BLOCKS, "3.1", kUbo).atLeast("3.1", 24),
    X(GL_MAX_UNIFORM_BUFFER_BINDINGS, "3.1", kUbo).atLeast("3.1", 24),
    X(GL_MAX_UNIFORM_BLOCK_SIZE, "3.1", kUbo).atLeast("3.1", 16384),
    // The combined counts depend on other limits: no fixed minimum.
    X(GL_MAX_COMBINED_VERTEX_UNIFORM_COMPONENTS, "3.1", kUbo).stage(Stage::Vertex),
    X(GL_MAX_COMBINED_FRAGMENT_UNIFORM_COMPONENTS, "3.1", kUbo).stage(Stage::Fragment),
    X(GL_MAX_COMBINED_GEOMETRY_UNIFORM_COMPONENTS, "3.2", kUboGeom).stage(Stage::Geometry),
    X(GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT, "3.1", kUbo).atMost("3.1", 256),
    // The record's geometry rows hold these only for GL_EXT_geometry_shader4.
    X(GL_MAX_GEOMETRY_TEXTURE_IMAGE_UNITS, "3.2", kGeomArb).stage(Stage::Geometry)
        .atLeast("3.2", 16),
    X(GL_MAX_GEOMETRY_UNIFORM_COMPONENTS, "3.2", kGeomArb).stage(Stage::Geometry)
        .atLeast("3.2", 1024),
    X(GL_MAX_GEOMETRY_OUTPUT_VERTICES, "3.2", kGeomArb).stage(Stage::Geometry).atLeast("3.2", 256),
    X(GL_MAX_GEOMETRY_TOTAL_OUTPUT_COMPONENTS, "3.2", kGeomArb).stage(Stage::Geometry)
        .atLeast("3.2", 1024),
    X(GL_MAX_GEOMETRY_INPUT_COMPONENTS, "3.2", nullptr).stage(Stage::Geometry).atLeast("3.2", 64),
    X(GL_MAX_GEOMETRY_OUTPUT_COMPONENTS, "3.2", nullptr).stage(Stage::Geometry)
        .atLeast("3.2", 128),
    X(GL_MAX_VERTEX_OUTPUT_COMPONENTS, "3.2", nullptr).stage(Stage::Vertex).atLeast("3.2", 64),
    X(GL_MAX_FRAGMENT_INPUT_COMPONENTS, "3.2", nullptr).stage(Stage::Fragment).atLeast("3.2", 128),
    X64(GL_MAX_SERVER_WAIT_TIMEOUT, "3.2", "GL_ARB_sync").atLeast("3.2", 0),
    X(GL_MAX_SAMPLE_MASK_WORDS, "3.2", kMsTex).atLeast("3.2", 1),
    X(GL_MAX_COLOR_TEXTURE_SAMPLES, "3.2", kMsTex).atLeast("3.2", 1),
    X(GL_MAX_DEPTH_TEXTURE_SAMPLES, "3.2", kMsTex).atLeast("3.2", 1),
    X(GL_MAX_INTEGER_SAMPLES, "3.2", kMsTex).atLeast("3.2", 1),
    X(GL_MAX_DUAL_SOURCE_DRAW_BUFFERS, "3.3", "GL_ARB_blend_func_extended").stage(Stage::Fragment)
        .atLeast("3.3", 1),
    X(GL_MAX_TRANSFORM_FEEDBACK_BUFFERS, "4.0", kXfb3).atLeast("4.0", 4),
    X(GL_MAX_VERTEX_STREAMS, "4.0", kXfb3).atLeast("4.0", 4),
    X(GL_MAX_GEOMETRY_SHADER_INVOCATIONS, "4.0", kGs5).stage(Stage::Geometry).atLeast("4.0", 32),
    XF(GL_MIN_FRAGMENT_INTERPOLATION_OFFSET, "4.0", kGs5).stage(Stage::Fragment)
        .atMost("4.0", -0.5),
    XF(GL_MAX_FRAGMENT_INTERPOLATION_OFFSET, "4.0", kGs5).stage(Stage::Fragment)
        .atLeast("4.0", 0.5),
    X(GL_MAX_SUBROUTINES, "4.0", "GL_ARB_shader_subroutine").atLeast("4.0", 256),
    X(GL_MAX_SUBROUTINE_UNIFORM_LOCATIONS, "4.0", "GL_ARB_shader_subroutine").atLeast("4.0", 1024),
    X(GL_MAX_PATCH_VERTICES, "4.0", kTess).atLeast("4.0", 32),
    X(GL_MAX_TESS_GEN_LEVEL, "4.0", kTess).atLeast("4.0", 64),
    X(GL_MAX_TESS_PATCH_COMPONENTS, "4.0", kTess).atLeast("4.0", 120),
    X(GL_MAX_TESS_CONTROL_UNIFORM_BLOCKS, "4.0", kTess).atLeast("4.0", 12),
    X(GL_MAX_TESS_CONTROL_UNIFORM_COMPONENTS, "4.0", kTess).atLeast("4.0", 1024),
    X(GL_MAX_TESS_CONTROL_TEXTURE_IMAGE_UNITS, "4.0", kTess).atLeast("4.0", 16),
    X(GL_MAX_TESS_CONTROL_INPUT_COMPONENTS, "4.0", kTess).atLeast("4.0", 128),
    X(GL_MAX_TESS_CONTROL_OUTPUT_COMPONENTS, "4.0", kTess).atLeast("4.0", 128),
    X(GL_MAX_TESS_CONTROL_TOTAL_OUTPUT_COMPONENTS, "4.0", kTess).atLeast("4.0", 4096),
    X(GL_MAX_COMBINED_TESS_CONTROL_UNIFORM_COMPONENTS, "4.0", kTess),
    X(GL_MAX_TESS_EVALUATION_UNIFORM_BLOCKS, "4.0", kTess).atLeast("4.0", 12),
    X(GL_MAX_TESS_EVALUATION_UNIFORM_COMPONENTS, "4.0", kTess).atLeast("4.0", 1024),
    X(GL_MAX_TESS_EVALUATION_TEXTURE_IMAGE_UNITS, "4.0", kTess).atLeast("4.0", 16),
    X(GL_MAX_TESS_EVALUATION_INPUT_COMPONENTS, "4.0", kTess).atLeast("4.0", 128),
    X(GL_MAX_TESS_EVALUATION_OUTPUT_COMPONENTS, "4.0", kTess).atLeast("4.0", 128),
    X(GL_MAX_COMBINED_TESS_EVALUATION_UNIFORM_COMPONENTS, "4.0", kTess),
    X(GL_MAX_VERTEX_UNIFORM_VECTORS, "4.1", kEs2).stage(Stage::Vertex).atLeast("4.1", 256),
    X(GL_MAX_VARYING_VECTORS, "4.1", kEs2).atLeast("4.1", 15),
    X(GL_MAX_FRAGMENT_UNIFORM_VECTORS, "4.1", kEs2).stage(Stage::Fragment).atLeast("4.1", 256),
    X(GL_MAX_VIEWPORTS, "4.1", kViewports).atLeast("4.1", 16),
    X(GL_VIEWPORT_SUBPIXEL_BITS, "4.1", kViewports).atLeast("4.1", 0),
    // A range that must reach at least [-32768, 32767]: no one-sided minimum.
    XF2(GL_VIEWPORT_BOUNDS_RANGE, "4.1", kViewports).neither(),
    X(GL_MIN_MAP_BUFFER_ALIGNMENT, "4.2", "GL_ARB_map_buffer_alignment").atLeast("4.2", 64),
    X(GL_MAX_VERTEX_ATOMIC_COUNTER_BUFFERS, "4.2", kAtomic).stage(Stage::Vertex)
        .atLeast("4.2", 0),
    X(GL_MAX_TESS_CONTROL_ATOMIC_COUNTER_BUFFERS, "4.2", kAtomic).atLeast("4.2", 0),
    X(GL_MAX_TESS_EVALUATION_ATOMIC_COUNTER_BUFFERS, "4.2", kAtomic).atLeast("4.2", 0),
    X(GL_MAX_GEOMETRY_ATOMIC_COUNTER_BUFFERS, "4.2", kAtomic).stage(Stage::Geometry)
        .atLeast("4.2", 0),
    X(GL_MAX_FRAGMENT_ATOMIC_COUNTER_BUFFERS, "4.2", kAtomic).stage(Stage::Fragment)
        .atLeast("4.2", 1),
    X(GL_MAX_COMBINED_ATOMIC_COUNTER_BUFFERS, "4.2", kAtomic).atLeast("4.2", 1),
    X(GL_MAX_VERTEX_ATOMIC_COUNTERS, "4.2", kAtomic).stage(Stage::Vertex).atLeast("4.2", 0),
    X(GL_MAX_TESS_CONTROL_ATOMIC_COUNTERS, "4.2", kAtomic).atLeast("4.2", 0),
    X(GL_MAX_TESS_EVALUATION_ATOMIC_COUNTERS, "4.2", kAtomic).atLeast("4.2", 0),
    X(GL_MAX_GEOMETRY_ATOMIC_COUNTERS, "4.2", kAtomic).stage(Stage::Geometry).atLeast("4.2", 0),
    X(GL_MAX_FRAGMENT_ATOMIC_COUNTERS, "4.2", kAtomic).stage(Stage::Fragment).atLeast("4.2", 8),
    X(GL_MAX_COMBINED_ATOMIC_COUNTERS, "4.2", kAtomic).atLeast("4.2", 8),
    X(GL_MAX_ATOMIC_COUNTER_BUFFER_SIZE, "4.2", kAtomic).atLeast("4.2", 32),
    X(GL_MAX_ATOMIC_COUNTER_BUFFER_BINDINGS, "4.2", kAtomic).atLeast("4.2", 1),
    X(GL_MAX_IMAGE_UNITS, "4.2", kImage).atLeast("4.2", 8),
    X(GL_MAX_COMBINED_IMAGE_UNITS_AND_FRAGMENT_OUTPUTS, "4.2", kImage).atLeast("4.2", 8),
    X(GL_MAX_IMAGE_SAMPLES, "4.2", kImage).atLeast("4.2", 0),
    X(GL_MAX_VERTEX_IMAGE_UNIFORMS, "4.2", kImage).stage(Stage::Vertex).atLeast("4.2", 0),
    X(GL_MAX_TESS_CONTROL_IMAGE_UNIFORMS, "4.2", kImage).atLeast("4.2", 0),
    X(GL_MAX_TESS_EVALUATION_IMAGE_UNIFORMS, "4.2", kImage).atLeast("4.2", 0),
    X(GL_MAX_GEOMETRY_IMAGE_UNIFORMS, "4.2", kImage).stage(Stage::Geometry).atLeast("4.2", 0),
    X(GL_MAX_FRAGMENT_IMAGE_UNIFORMS, "4.2", kImage).stage(Stage::Fragment).atLeast("4.2", 8),
    X(GL_MAX_COMBINED_IMAGE_UNIFORMS, "4.2", kImage).atLeast("4.2", 8),
    X64(GL_MAX_ELEMENT_INDEX, "4.3", "GL_ARB_ES3_compatibility").atLeast("4.3", 16777215),
    X3(GL_MAX_COMPUTE_WORK_GROUP_COUNT, "4.3", kCompute).atLeast("4.3", 65535),
    // The smallest of the three minimums (1024, 1024, 64).
    X3(GL_MAX_COMPUTE_WORK_GROUP_SIZE, "4.3", kCompute).atLeast("4.3", 64),
    X(GL_MAX_COMPUTE_WORK_GROUP_INVOCATIONS, "4.3", kCompute).atLeast("4.3", 1024),
    X(GL_MAX_COMPUTE_UNIFORM_BLOCKS, "4.3", kCompute).atLeast("4.3", 12),
    X(GL_MAX_COMPUTE_TEXTURE_IMAGE_UNITS, "4.3", kCompute).atLeast("4.3", 16),
    X(GL_MAX_COMPUTE_IMAGE_UNIFORMS, "4.3", kCompute).atLeast("4.3", 8),
    X(GL_MAX_COMPUTE_SHARED_MEMORY_SIZE, "4.3", kCompute).atLeast("4.3", 32768),
    X(GL_MAX_COMPUTE_UNIFORM_COMPONENTS, "4.3", kCompute).atLeast("4.3", 512),
    X(GL_MAX_COMPUTE_ATOMIC_COUNTER_BUFFERS, "4.3", kCompute).atLeast("4.3", 8),
    X(GL_MAX_COMPUTE_ATOMIC_COUNTERS, "4.3", kCompute).atLeast("4.3", 8),
    X(GL_MAX_COMBINED_COMPUTE_UNIFORM_COMPONENTS, "4.3", kCompute),
    X(GL_MAX_DEBUG_MESSAGE_LENGTH, "4.3", "GL_KHR_debug").atLeast("4.3", 1),
    X(GL_MAX_DEBUG_LOGGED_MESSAGES, "4.3", "GL_KHR_debug").atLeast("4.3", 1),
    X(GL_MAX_DEBUG_GROUP_STACK_DEPTH, "4.3", "GL_KHR_debug").atLeast("4.3", 64),
    X(GL_MAX_LABEL_LENGTH, "4.3", "GL_KHR_debug").atLeast("4.3", 256),
    X(GL_MAX_UNIFORM_LOCATIONS, "4.3", "GL_ARB_explicit_uniform_location").atLeast("4.3", 1024),
    X(GL_MAX_FRAMEBUFFER_WIDTH, "4.3", kNoAttach).atLeast("4.3", 16384),
    X(GL_MAX_FRAMEBUFFER_HEIGHT, "4.3", kNoAttach).atLeast("4.3", 16384),
    X(GL_MAX_FRAMEBUFFER_LAYERS, "4.3", kNoAttach).atLeast("4.3", 2048),
    X(GL_MAX_FRAMEBUFFER_SAMPLES, "4.3", kNoAttach).atLeast("4.3", 4),
    X(GL_MAX_VERTEX_SHADER_STORAGE_BLOCKS, "4.3", kSsbo).stage(Stage::Vertex).atLeast("4.3", 0),
    X(GL_MAX_GEOMETRY_SHADER_STORAGE_BLOCKS, "4.3", kSsbo).stage(Stage::Geometry)
        .atLeast("4.3", 0),
    X(GL_MAX_TESS_CONTROL_SHADER_STORAGE_BLOCKS, "4.3", kSsbo).atLeast("4.3", 0),
    X(GL_MAX_TESS_EVALUATION_SHADER_STORAGE_BLOCKS, "4.3", kSsbo).atLeast("4.3", 0),
    X(GL_MAX_FRAGMENT_SHADER_STORAGE_BLOCKS, "4.3", kSsbo).stage(Stage::Fragment)
        .atLeast("4.3", 8),
    X(GL_MAX_COMPUTE_SHADER_STORAGE_BLOCKS, "4.3", kSsbo).atLeast("4.3", 8),
    X(GL_MAX_COMBINED_SHADER_STORAGE_BLOCKS, "4.3", kSsbo).atLeast("4.3", 8),
    X(GL_MAX_SHADER_STORAGE_BUFFER_BINDINGS, "4.3", kSsbo).atLeast("4.3", 8),
    X64(GL_MAX_SHADER_STORAGE_BLOCK_SIZE, "4.3", kSsbo).atLeast("4.3", 134217728),
    X(GL_SHADER_STORAGE_BUFFER_OFFSET_ALIGNMENT, "4.3", kSsbo).atMost("4.3", 256),
    X(GL_MAX_COMBINED_SHADER_OUTPUT_RESOURCES, "4.3", kSsbo).atLeast("4.3", 8),
    X(GL_MAX_VERTEX_ATTRIB_RELATIVE_OFFSET, "4.3", kAttribBinding).atLeast("4.3", 2047),
    X(GL_MAX_VERTEX_ATTRIB_BINDINGS, "4.3", kAttribBinding).atLeast("4.3", 16),
    X(GL_NUM_SHADING_LANGUAGE_VERSIONS, "4.3", nullptr).neither(),
    X(GL_MAX_VERTEX_ATTRIB_STRIDE, "4.4", nullptr).atLeast("4.4", 2048),
    X(GL_MAX_CULL_DISTANCES, "4.5", "GL_ARB_cull_distance").atLeast("4.5", 8),
    X(GL_MAX_COMBINED_CLIP_AND_CULL_DISTANCES, "4.5", "GL_ARB_cull_distance").atLeast("4.5", 8),
};
// clang-format on

constexpr std::size_t recordRowCount()
{
    std::size_t n = 0;
    while (n < std::size(kRows) && kRows[n].member.valid())
        ++n;
    return n;
}
constexpr std::size_t kRecordRows = recordRowCount();

constexpr bool extendedRowsAfterRecord()
{
    for (std::size_t i = kRecordRows; i < std::size(kRows); ++i)
        if (kRows[i].member.valid() || !kRows[i].read[0].present() || kRows[i].read[0].count < 1 ||
            kRows[i].read[0].count > 4)
            return false;
    return true;
}
static_assert(extendedRowsAfterRecord(),
              "extended rows follow the record's rows and read one to four values");

#undef CORE
#undef CORE_OF2
#undef COREF
#undef COREF_OF2
#undef COREB
#undef EXT
#undef EXT_OF2
#undef PROGRAM
#undef CONVOLUTION
#undef M
#undef OTHER
#undef XQ
#undef X
#undef X64
#undef X3
#undef XF
#undef XF2

constexpr TreeGroupInfo kTreeGroups[] = {
    {TG::Unset, TreeSection::Implementation, 0, nullptr},
    {TG::FrameBuffer, TreeSection::Implementation, 164, nullptr},
    {TG::Stacks, TreeSection::Implementation, 168, nullptr},
    {TG::Various, TreeSection::Implementation, 174, nullptr},
    {TG::DrawRange, TreeSection::Extension, 311, nullptr},
    {TG::VertexBlend, TreeSection::Extension, 207, nullptr},
    {TG::VertexStreams, TreeSection::Extension, 264, nullptr},
    {TG::VertexArrayRange, TreeSection::Extension, 260, nullptr},
    {TG::PnTriangles, TreeSection::Extension, 262, nullptr},
    {TG::LightExponents, TreeSection::Extension, 266, nullptr},
    {TG::Imaging, TreeSection::Extension, 377, nullptr},
    {TG::Multitexture, TreeSection::Extension, 214, nullptr},
    {TG::TextureRectangle, TreeSection::Extension, 216, nullptr},
    {TG::Texture3D, TreeSection::Extension, 218, nullptr},
    {TG::CubeMap, TreeSection::Extension, 202, nullptr},
    {TG::Anisotropy, TreeSection::Extension, 200, nullptr},
    {TG::LodBias, TreeSection::Extension, 312, nullptr},
    {TG::TextureLists, TreeSection::Extension, 0, nullptr},
    {TG::Occlusion, TreeSection::Extension, 335, nullptr},
    {TG::DrawBuffers, TreeSection::Extension, 318, nullptr},
    {TG::PixelBuffer, TreeSection::Extension, 346, nullptr},
    {TG::Fbo, TreeSection::Extension, 380, nullptr},
    {TG::Multisample, TreeSection::Extension, 287, "GL_ARB_multisample"},
    {TG::VertexProgram, TreeSection::Extension, 220, nullptr},
    {TG::FragmentProgram, TreeSection::Extension, 221, nullptr},
    {TG::VertexShader, TreeSection::Extension, 320, nullptr},
    {TG::NvFragmentProgram, TreeSection::Extension, 221, nullptr},
    {TG::RegisterCombiners, TreeSection::Extension, 316, nullptr},
    {TG::FragmentShader, TreeSection::Extension, 325, nullptr},
    {TG::AtiFragmentShader, TreeSection::Extension, 221, nullptr},
    {TG::GeometryShader, TreeSection::Extension, 395, nullptr},
};
static_assert(std::size(kTreeGroups) == static_cast<std::size_t>(TG::Count),
              "one entry per tree group");

constexpr bool groupsInOrder()
{
    for (std::size_t i = 0; i < std::size(kTreeGroups); ++i)
        if (static_cast<std::size_t>(kTreeGroups[i].group) != i)
            return false;
    return true;
}
static_assert(groupsInOrder(), "tree groups are listed in TreeGroup order");

// Placements sorted by group and order, built once.
struct Index {
    std::vector<ReportEntry> report;
    std::array<std::size_t, static_cast<std::size_t>(RG::Count) + 1> reportStart{};
    std::vector<TreeEntry> tree;
    std::array<std::size_t, static_cast<std::size_t>(TG::Count) + 1> treeStart{};

    Index()
    {
        for (std::size_t i = 0; i < kRecordRows; ++i) {
            const Capability &row = kRows[i];
            for (const ReportPlace &p : row.report)
                if (p.group != RG::Unset)
                    report.push_back({&row, &p});
            for (const TreePlace &p : row.tree)
                if (p.group != TG::Unset)
                    tree.push_back({&row, &p});
        }
        std::stable_sort(
            report.begin(), report.end(), [](const ReportEntry &a, const ReportEntry &b) {
                return a.place->group != b.place->group ? a.place->group < b.place->group
                                                        : a.place->order < b.place->order;
            });
        std::stable_sort(tree.begin(), tree.end(), [](const TreeEntry &a, const TreeEntry &b) {
            return a.place->group != b.place->group ? a.place->group < b.place->group
                                                    : a.place->order < b.place->order;
        });
        fillStarts(report, reportStart, [](const ReportEntry &e) { return e.place->group; });
        fillStarts(tree, treeStart, [](const TreeEntry &e) { return e.place->group; });
    }

    template <class Entries, class Starts, class GroupOf>
    static void fillStarts(const Entries &entries, Starts &starts, GroupOf groupOf)
    {
        std::size_t at = 0;
        for (std::size_t g = 0; g + 1 < starts.size(); ++g) {
            starts[g] = at;
            while (at < entries.size() && static_cast<std::size_t>(groupOf(entries[at])) == g)
                ++at;
        }
        starts.back() = entries.size();
    }
};

const Index &index()
{
    static const Index built;
    return built;
}

} // namespace

const Capability *table(std::size_t *count)
{
    if (count)
        *count = kRecordRows;
    return kRows;
}

const Capability *extendedTable(std::size_t *count)
{
    if (count)
        *count = std::size(kRows) - kRecordRows;
    return kRows + kRecordRows;
}

const Capability *findExtended(const char *tokenName)
{
    if (!tokenName)
        return nullptr;
    for (std::size_t i = kRecordRows; i < std::size(kRows); ++i)
        if (std::strcmp(kRows[i].name, tokenName) == 0)
            return &kRows[i];
    return nullptr;
}

const TreeGroupInfo &treeGroup(TreeGroup group)
{
    const std::size_t i = static_cast<std::size_t>(group);
    return kTreeGroups[i < std::size(kTreeGroups) ? i : 0];
}

ReportEntries reportGroup(ReportGroup group)
{
    const Index &x = index();
    const std::size_t g = static_cast<std::size_t>(group);
    if (g + 1 >= x.reportStart.size())
        return {nullptr, nullptr};
    const ReportEntry *base = x.report.data();
    return {base + x.reportStart[g], base + x.reportStart[g + 1]};
}

TreeEntries treeGroupLines(TreeGroup group)
{
    const Index &x = index();
    const std::size_t g = static_cast<std::size_t>(group);
    if (g + 1 >= x.treeStart.size())
        return {nullptr, nullptr};
    const TreeEntry *base = x.tree.data();
    return {base + x.treeStart[g], base + x.treeStart[g + 1]};
}

const Capability *find(const char *name)
{
    if (!name)
        return nullptr;
    for (std::size_t i = 0; i < kRecordRows; ++i)
        if (sysStriCmp(kRows[i].name, name) == 0)
            return &kRows[i];
    return nullptr;
}

} // namespace caps
} // namespace sounder
