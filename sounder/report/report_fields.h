// The capability members of a reading as the report file names them: one
// table per group of the file, in the order the writer writes them and the
// reader accepts them.
#ifndef SOUNDER_REPORT_REPORT_FIELDS_H
#define SOUNDER_REPORT_REPORT_FIELDS_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "common/xml_entities.h"
#include "sounder/probe.h"

struct tsSystemInfo;
struct tsIcdList;

namespace sounder {
namespace report {

enum class FieldType { Int32, Float };

struct Field {
    const char *name;   // element name in the file
    std::size_t offset; // member offset in tsRendererCaps
    FieldType type;
};

template <typename T>
constexpr FieldType fieldTypeOf()
{
    static_assert(std::is_same<T, int32_t>::value || std::is_same<T, float>::value,
                  "report fields are 32-bit integers or floats");
    return std::is_same<T, float>::value ? FieldType::Float : FieldType::Int32;
}

#define TS_REPORT_FIELD(member)                                                                    \
    Field                                                                                          \
    {                                                                                              \
#member, offsetof(tsRendererCaps, member),                                                 \
            fieldTypeOf < decltype(tsRendererCaps::member)>()                                      \
    }
// A member stored under another element name (the names of old files).
#define TS_REPORT_FIELD_AS(name, member)                                                           \
    Field                                                                                          \
    {                                                                                              \
        name, offsetof(tsRendererCaps, member), fieldTypeOf<decltype(tsRendererCaps::member)>()    \
    }

inline int32_t fieldInt(const tsRendererCaps *caps, const Field &f)
{
    int32_t v;
    std::memcpy(&v, reinterpret_cast<const char *>(caps) + f.offset, sizeof v);
    return v;
}

inline float fieldFloat(const tsRendererCaps *caps, const Field &f)
{
    float v;
    std::memcpy(&v, reinterpret_cast<const char *>(caps) + f.offset, sizeof v);
    return v;
}

inline void setFieldInt(tsRendererCaps *caps, const Field &f, int32_t v)
{
    std::memcpy(reinterpret_cast<char *>(caps) + f.offset, &v, sizeof v);
}

inline void setFieldFloat(tsRendererCaps *caps, const Field &f, float v)
{
    std::memcpy(reinterpret_cast<char *>(caps) + f.offset, &v, sizeof v);
}

// ---- groups as written ---------------------------------------------------------

inline const Field kFrameBufferFields[] = {
    TS_REPORT_FIELD(ViewportMaxWidth),
    TS_REPORT_FIELD(ViewportMaxHeight),
    TS_REPORT_FIELD(SubPixelBits),
};

inline const Field kStackFields[] = {
    TS_REPORT_FIELD(AttribStackDepth),          TS_REPORT_FIELD(NameStackDepth),
    TS_REPORT_FIELD(MaxModelViewStackDepth),    TS_REPORT_FIELD(MaxProjectionStackDepth),
    TS_REPORT_FIELD(MaxClientAttribStackDepth), TS_REPORT_FIELD(MaxTextureStackDepth),
};

inline const Field kVariousFields[] = {
    TS_REPORT_FIELD(LineSizeMin),         TS_REPORT_FIELD(LineSizeMax),
    TS_REPORT_FIELD(LineSizeGran),        TS_REPORT_FIELD(PointSizeMin),
    TS_REPORT_FIELD(PointSizeMax),        TS_REPORT_FIELD(PointSizeGran),
    TS_REPORT_FIELD(AliasedLineWidthMin), TS_REPORT_FIELD(AliasedLineWidthMax),
    TS_REPORT_FIELD(AliasedPointSizeMin), TS_REPORT_FIELD(AliasedPointSizeMax),
    TS_REPORT_FIELD(NumClipPlanes),       TS_REPORT_FIELD(NumLights),
    TS_REPORT_FIELD(PixelMapTable),       TS_REPORT_FIELD(TextureSize),
    TS_REPORT_FIELD(EvalOrder),
};

// Before the compressed format list.
inline const Field kExtensionSpecsFields[] = {
    TS_REPORT_FIELD(MaxTextureAnisotropy),
    TS_REPORT_FIELD(MaxTextureUnits),
    TS_REPORT_FIELD(MaxTextureCubeSize),
    TS_REPORT_FIELD(NumCompressedTextureFormats),
};

// After the compressed format list; read under both sets of names.
inline const Field kExtensionSpecsTailFields[] = {
    TS_REPORT_FIELD(MaxVertexBlend),
    TS_REPORT_FIELD(MaxTexture3DSize),
    TS_REPORT_FIELD(MaxOcclusionQueryBits),
};

inline const Field kVertexProgramFields[] = {
    TS_REPORT_FIELD(MaxProgramInstructions),     TS_REPORT_FIELD(MaxNativeInstructions),
    TS_REPORT_FIELD(MaxProgramTemporaries),      TS_REPORT_FIELD(MaxProgramNativeTemporaries),
    TS_REPORT_FIELD(MaxProgramParameters),       TS_REPORT_FIELD(MaxProgramNativeParameters),
    TS_REPORT_FIELD(MaxProgramAttribs),          TS_REPORT_FIELD(MaxProgramNativeAttribs),
    TS_REPORT_FIELD(MaxProgramAdressRegisters),  TS_REPORT_FIELD(MaxProgramNativeAddressRegisters),
    TS_REPORT_FIELD(MaxProgramLocalParameters),  TS_REPORT_FIELD(MaxProgramEnvParameters),
    TS_REPORT_FIELD(MaxVertexAttributes),        TS_REPORT_FIELD(MaxProgramMatrices),
    TS_REPORT_FIELD(MaxProgramMatrixStackDepth),
};

inline const Field kImagingFields[] = {
    TS_REPORT_FIELD(MaxColorMatrixStackDepth),
    TS_REPORT_FIELD(MaxConvolutionWidth),
    TS_REPORT_FIELD(MaxConvolutionHeight),
};

inline const Field kFboFields[] = {
    TS_REPORT_FIELD(FBOMaxColorAttachments),
    TS_REPORT_FIELD(FBOMaxRenderBufferSize),
};

inline const Field kFragmentProgramFields[] = {
    TS_REPORT_FIELD(MaxFragmentAttribs),
    TS_REPORT_FIELD(MaxFragmentEnvParameters),
    TS_REPORT_FIELD(MaxFragmentInstructions),
    TS_REPORT_FIELD(MaxFragmentLocalParameters),
    TS_REPORT_FIELD(MaxProgramMatrixStackDepth),
    TS_REPORT_FIELD(MaxProgramNativeALUInstructions),
    TS_REPORT_FIELD(MaxFragmentNativeAttribs),
    TS_REPORT_FIELD(MaxFragmentNativeParameters),
    TS_REPORT_FIELD(MaxFragmentNativeTemporaries),
    TS_REPORT_FIELD(MaxProgramNativeTexIndirections),
    TS_REPORT_FIELD(MaxProgramNativeTexInstructions),
    TS_REPORT_FIELD(MaxFragmentNativeInstructions),
    TS_REPORT_FIELD(MaxFragmentParameters),
    TS_REPORT_FIELD(MaxFragmentTemporaries),
    TS_REPORT_FIELD(MaxFragmentAdressRegisters),
    TS_REPORT_FIELD(MaxFragmentNativeAddressRegisters),
    TS_REPORT_FIELD(MaxProgramTexIndirections),
    TS_REPORT_FIELD(MaxProgramTexInstructions),
    TS_REPORT_FIELD(MaxTextureCoords),
    TS_REPORT_FIELD(MaxTextureImageUnits),
};

inline const Field kVertexShaderFields[] = {
    TS_REPORT_FIELD(MaxVertexUniformComponents),
    TS_REPORT_FIELD(MaxVaryingFloats),
    TS_REPORT_FIELD(MaxCombinedImageUnits),
    TS_REPORT_FIELD(MaxVertexTextureImageUnits),
};

inline const Field kFragmentShaderFields[] = {
    TS_REPORT_FIELD(MaxFragmentUniformComponents),
};

inline const Field kAtiFragmentShaderFields[] = {
    TS_REPORT_FIELD(ATINumFragmentRegisters),
    TS_REPORT_FIELD(ATINumFragmentConstants),
    TS_REPORT_FIELD(ATINumPasses),
    TS_REPORT_FIELD(ATINumInstructionsPerPass),
    TS_REPORT_FIELD(ATINumInstructionsTotal),
    TS_REPORT_FIELD(ATINumLoopbackComponents),
    TS_REPORT_FIELD(ATINumInputInterpolatorComponents),
};

inline const Field kNvFragmentProgramFields[] = {
    TS_REPORT_FIELD(MaxProgramExeInstructionsNV), TS_REPORT_FIELD(MaxProgramCallDepthNV),
    TS_REPORT_FIELD(MaxProgramIfDepthNV),         TS_REPORT_FIELD(MaxProgramLoopDepthNV),
    TS_REPORT_FIELD(MaxProgramLoopCountNV),
};

// Written but not read back.
inline const Field kGeometryShaderFields[] = {
    TS_REPORT_FIELD(MaxGeomTexUnits),        TS_REPORT_FIELD(MaxGeomVaryingComp),
    TS_REPORT_FIELD(MaxVertexVaryingComp),   TS_REPORT_FIELD(MaxVaryingComp),
    TS_REPORT_FIELD(MaxGeomUniformComp),     TS_REPORT_FIELD(MaxGeomOutputVerts),
    TS_REPORT_FIELD(MaxGeomTotalOutputComp),
};

// ---- names the reader accepts outside any group -----------------------------------

inline const Field kCurrentGeneralFields[] = {
    TS_REPORT_FIELD(ViewportMaxWidth),
    TS_REPORT_FIELD(ViewportMaxHeight),
    TS_REPORT_FIELD(SubPixelBits),
    TS_REPORT_FIELD(AttribStackDepth),
    TS_REPORT_FIELD(NameStackDepth),
    TS_REPORT_FIELD(MaxModelViewStackDepth),
    TS_REPORT_FIELD(MaxProjectionStackDepth),
    TS_REPORT_FIELD(MaxTextureStackDepth),
    TS_REPORT_FIELD(MaxClientAttribStackDepth),
    TS_REPORT_FIELD(LineSizeMin),
    TS_REPORT_FIELD(LineSizeMax),
    TS_REPORT_FIELD(LineSizeGran),
    TS_REPORT_FIELD(PointSizeMin),
    TS_REPORT_FIELD(PointSizeMax),
    TS_REPORT_FIELD(PointSizeGran),
    TS_REPORT_FIELD(AliasedPointSizeMin),
    TS_REPORT_FIELD(AliasedPointSizeMax),
    TS_REPORT_FIELD(NumClipPlanes),
    TS_REPORT_FIELD(NumLights),
    TS_REPORT_FIELD(PixelMapTable),
    TS_REPORT_FIELD(TextureSize),
    TS_REPORT_FIELD(EvalOrder),
    TS_REPORT_FIELD(MaxTextureAnisotropy),
    TS_REPORT_FIELD(MaxTextureUnits),
    TS_REPORT_FIELD(MaxTextureCubeSize),
    TS_REPORT_FIELD(NumCompressedTextureFormats),
};

// Names of documents older than format version 2.16.
inline const Field kLegacyGeneralFields[] = {
    TS_REPORT_FIELD_AS("Viewport_min", ViewportMaxWidth),
    TS_REPORT_FIELD_AS("Viewport_max", ViewportMaxHeight),
    TS_REPORT_FIELD_AS("SubPixel", SubPixelBits),
    TS_REPORT_FIELD_AS("Max_Attrib_Stack_Depth", AttribStackDepth),
    TS_REPORT_FIELD_AS("Max_Name_Stack_Depth", NameStackDepth),
    TS_REPORT_FIELD_AS("Max_Model_View_Stack_Depth", MaxModelViewStackDepth),
    TS_REPORT_FIELD_AS("Max_Projection_Stack_Depth", MaxProjectionStackDepth),
    TS_REPORT_FIELD_AS("Max_Texture_Stack_Depth", MaxTextureStackDepth),
    TS_REPORT_FIELD_AS("Line_Size_Min", LineSizeMin),
    TS_REPORT_FIELD_AS("Line_Size_Max", LineSizeMax),
    TS_REPORT_FIELD_AS("Line_Size_Grn", LineSizeGran),
    TS_REPORT_FIELD_AS("Max_Display_List_Nesting", MaxDisplayListNesting),
    TS_REPORT_FIELD_AS("Max_Clip_Planes", NumClipPlanes),
    TS_REPORT_FIELD_AS("Max_Light_Source", NumLights),
    TS_REPORT_FIELD_AS("Max_Pixel_Map_Table", PixelMapTable),
    TS_REPORT_FIELD_AS("Max_Texture_Size", TextureSize),
    TS_REPORT_FIELD_AS("Max_Eval_Order", EvalOrder),
    TS_REPORT_FIELD_AS("Point_Size_Min", PointSizeMin),
    TS_REPORT_FIELD_AS("Point_Size_Max", PointSizeMax),
    TS_REPORT_FIELD_AS("Point_Size_Grn", PointSizeGran),
    TS_REPORT_FIELD_AS("Max_anisotropy", MaxTextureAnisotropy),
    TS_REPORT_FIELD_AS("Max_texture_units", MaxTextureUnits),
    TS_REPORT_FIELD_AS("Max_cube_map_texture", MaxTextureCubeSize),
    TS_REPORT_FIELD_AS("Num_compressed_texture_formats", NumCompressedTextureFormats),
};

// The ATI group as read: the three single limits and the fragment shader.
inline const Field kAtiReadFields[] = {
    TS_REPORT_FIELD(ATIMaxTrianglesTesselationLevel),
    TS_REPORT_FIELD(ATIMaxVertexStreams),
    TS_REPORT_FIELD(MaxDrawBuffers),
    TS_REPORT_FIELD(ATINumFragmentRegisters),
    TS_REPORT_FIELD(ATINumFragmentConstants),
    TS_REPORT_FIELD(ATINumPasses),
    TS_REPORT_FIELD(ATINumInstructionsPerPass),
    TS_REPORT_FIELD(ATINumInstructionsTotal),
    TS_REPORT_FIELD(ATINumLoopbackComponents),
    TS_REPORT_FIELD(ATINumInputInterpolatorComponents),
};

inline const Field kNvidiaReadFields[] = {
    TS_REPORT_FIELD(NVMaxTextureRectangleSize), TS_REPORT_FIELD(NVMaxVertexArrayRangeElements),
    TS_REPORT_FIELD(NVMaxShininessExponent),    TS_REPORT_FIELD(NVMaxSpotExponent),
    TS_REPORT_FIELD(NVMaxGeneralCombiners),
};

#undef TS_REPORT_FIELD
#undef TS_REPORT_FIELD_AS

// ---- shared with the tests ---------------------------------------------------------

// Entities of the file's values (common/xml_entities.h).
using sounder::appendEscaped;
using sounder::decodeEntities;
// The whole report document as tsSaveReportXML writes it.
std::string reportDocument(const tsSystemInfo *system, const tsRendererCaps *caps,
                           const tsIcdList *icd);

} // namespace report
} // namespace sounder

#endif
