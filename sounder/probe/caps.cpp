/* Capability reading: the identification strings and core limits of the
 * current context (tsInfoReadCaps) and the limits that exist only with an
 * extension (tsInfoReadCapsEx).  Presence of an extension is decided on the
 * record's own extensions text; GLEW supplies the three query entry points
 * that are not core OpenGL 1.1. */
#include <GL/glew.h>

#include <stdlib.h>

#include <vector>

#include "keel/keel.h"
#include "sounder/probe.h"

namespace {

char *copyGlString(GLenum name)
{
    const GLubyte *s = glGetString(name);
    return s ? sysStrDup(reinterpret_cast<const char *>(s)) : nullptr;
}

/* A query the driver rejects leaves the member as it was. */
void readInt(GLenum pname, int32_t *member)
{
    GLint v[4] = {*member, 0, 0, 0};
    glGetIntegerv(pname, v);
    *member = v[0];
}

void readInt2(GLenum pname, int32_t *first, int32_t *second)
{
    GLint v[4] = {*first, *second, 0, 0};
    glGetIntegerv(pname, v);
    *first = v[0];
    *second = v[1];
}

void readFloat2(GLenum pname, float *first, float *second)
{
    GLfloat v[4] = {*first, *second, 0, 0};
    glGetFloatv(pname, v);
    *first = v[0];
    *second = v[1];
}

void readFloat(GLenum pname, float *member)
{
    GLfloat v[4] = {*member, 0, 0, 0};
    glGetFloatv(pname, v);
    *member = v[0];
}

void readBool(GLenum pname, uint8_t *member)
{
    GLboolean v[4] = {static_cast<GLboolean>(*member), 0, 0, 0};
    glGetBooleanv(pname, v);
    *member = v[0] ? 1 : 0;
}

void readProgram(GLenum target, GLenum pname, int32_t *member)
{
    if (!glGetProgramivARB)
        return;
    GLint v = *member;
    glGetProgramivARB(target, pname, &v);
    *member = v;
}

bool has(const tsRendererCaps *caps, const char *name)
{
    return tsInfoSearchExtension(name, caps->extensions) != 0;
}

/* True when the version text starts with major.minor of 1.2 or later. */
bool versionAtLeast12(const char *version)
{
    if (!version || version[0] < '0' || version[0] > '9')
        return false;
    char *end = nullptr;
    long major = strtol(version, &end, 10);
    if (!end || *end != '.' || end[1] < '0' || end[1] > '9')
        return false;
    long minor = strtol(end + 1, nullptr, 10);
    return major > 1 || (major == 1 && minor >= 2);
}

/* The twelve limits shared by the vertex and fragment program targets. */
void readProgramLimits(GLenum target, int32_t *first12)
{
    static const GLenum names[12] = {
        GL_MAX_PROGRAM_INSTRUCTIONS_ARB,      GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB,
        GL_MAX_PROGRAM_TEMPORARIES_ARB,       GL_MAX_PROGRAM_NATIVE_TEMPORARIES_ARB,
        GL_MAX_PROGRAM_PARAMETERS_ARB,        GL_MAX_PROGRAM_NATIVE_PARAMETERS_ARB,
        GL_MAX_PROGRAM_ATTRIBS_ARB,           GL_MAX_PROGRAM_NATIVE_ATTRIBS_ARB,
        GL_MAX_PROGRAM_ADDRESS_REGISTERS_ARB, GL_MAX_PROGRAM_NATIVE_ADDRESS_REGISTERS_ARB,
        GL_MAX_PROGRAM_LOCAL_PARAMETERS_ARB,  GL_MAX_PROGRAM_ENV_PARAMETERS_ARB,
    };
    for (int i = 0; i < 12; ++i)
        readProgram(target, names[i], first12 + i);
}

void readArbGroup(tsRendererCaps *c)
{
    if (has(c, "GL_ARB_multitexture"))
        readInt(GL_MAX_TEXTURE_UNITS_ARB, &c->MaxTextureUnits);
    else
        c->MaxTextureUnits = 1;

    if (has(c, "GL_ARB_texture_compression")) {
        readInt(GL_NUM_COMPRESSED_TEXTURE_FORMATS_ARB, &c->NumCompressedTextureFormats);
        int32_t count = c->NumCompressedTextureFormats;
        /* The list is fetched whole and cut; an absurd count is not trusted
         * with an allocation. */
        if (count > 0 && count <= 65536) {
            std::vector<GLint> formats(static_cast<size_t>(count), 0);
            glGetIntegerv(GL_COMPRESSED_TEXTURE_FORMATS_ARB, formats.data());
            for (int32_t i = 0; i < count && i < TS_MAX_COMPRESSED_FORMATS; ++i)
                c->compressedFormats[i] = static_cast<uint32_t>(formats[static_cast<size_t>(i)]);
        }
    }

    if (has(c, "GL_ARB_vertex_blend"))
        readInt(GL_MAX_VERTEX_UNITS_ARB, &c->MaxVertexBlend);
    if (has(c, "GL_ARB_texture_cube_map"))
        readInt(GL_MAX_CUBE_MAP_TEXTURE_SIZE_ARB, &c->MaxTextureCubeSize);

    if (has(c, "GL_ARB_vertex_program")) {
        readInt(GL_MAX_PROGRAM_MATRICES_ARB, &c->MaxProgramMatrices);
        readInt(GL_MAX_VERTEX_ATTRIBS_ARB, &c->MaxVertexAttributes);
        readInt(GL_MAX_PROGRAM_MATRIX_STACK_DEPTH_ARB, &c->MaxProgramMatrixStackDepth);
        readProgramLimits(GL_VERTEX_PROGRAM_ARB, &c->MaxProgramInstructions);

        if (has(c, "GL_ARB_imaging")) {
            readInt(GL_MAX_COLOR_MATRIX_STACK_DEPTH, &c->MaxColorMatrixStackDepth);
            if (glGetConvolutionParameteriv) {
                GLint v = c->MaxConvolutionWidth;
                glGetConvolutionParameteriv(GL_CONVOLUTION_2D, GL_MAX_CONVOLUTION_WIDTH, &v);
                c->MaxConvolutionWidth = v;
                v = c->MaxConvolutionHeight;
                glGetConvolutionParameteriv(GL_CONVOLUTION_2D, GL_MAX_CONVOLUTION_HEIGHT, &v);
                c->MaxConvolutionHeight = v;
            }
        }

        if (has(c, "GL_ARB_fragment_program")) {
            readInt(GL_MAX_PROGRAM_MATRIX_STACK_DEPTH_ARB, &c->MaxProgramMatrixStackDepth);
            readInt(GL_MAX_TEXTURE_COORDS_ARB, &c->MaxTextureCoords);
            readInt(GL_MAX_TEXTURE_IMAGE_UNITS_ARB, &c->MaxTextureImageUnits);
            readProgramLimits(GL_FRAGMENT_PROGRAM_ARB, &c->MaxFragmentInstructions);
            readProgram(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_ALU_INSTRUCTIONS_ARB,
                        &c->MaxProgramALUInstructions);
            readProgram(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_TEX_INSTRUCTIONS_ARB,
                        &c->MaxProgramTexInstructions);
            readProgram(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_TEX_INDIRECTIONS_ARB,
                        &c->MaxProgramTexIndirections);
            readProgram(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_ALU_INSTRUCTIONS_ARB,
                        &c->MaxProgramNativeALUInstructions);
            readProgram(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_TEX_INSTRUCTIONS_ARB,
                        &c->MaxProgramNativeTexInstructions);
            readProgram(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_TEX_INDIRECTIONS_ARB,
                        &c->MaxProgramNativeTexIndirections);
        }
    }

    if (has(c, "GL_ARB_vertex_shader")) {
        readInt(GL_MAX_VERTEX_UNIFORM_COMPONENTS_ARB, &c->MaxVertexUniformComponents);
        readInt(GL_MAX_VARYING_FLOATS_ARB, &c->MaxVaryingFloats);
        readInt(GL_MAX_VERTEX_TEXTURE_IMAGE_UNITS_ARB, &c->MaxVertexTextureImageUnits);
        readInt(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS_ARB, &c->MaxCombinedImageUnits);
    }
    if (has(c, "GL_ARB_fragment_shader"))
        readInt(GL_MAX_FRAGMENT_UNIFORM_COMPONENTS_ARB, &c->MaxFragmentUniformComponents);

    if (has(c, "GL_ARB_occlusion_query") && glGetQueryivARB) {
        GLint v = c->MaxOcclusionQueryBits;
        glGetQueryivARB(GL_SAMPLES_PASSED_ARB, GL_QUERY_COUNTER_BITS_ARB, &v);
        c->MaxOcclusionQueryBits = v;
    }
    if (has(c, "GL_ARB_draw_buffers"))
        readInt(GL_MAX_DRAW_BUFFERS_ARB, &c->MaxDrawBuffers);

    if (has(c, "GL_EXT_geometry_shader4")) {
        readInt(GL_MAX_GEOMETRY_TEXTURE_IMAGE_UNITS_EXT, &c->MaxGeomTexUnits);
        readInt(GL_MAX_GEOMETRY_VARYING_COMPONENTS_EXT, &c->MaxGeomVaryingComp);
        readInt(GL_MAX_VERTEX_VARYING_COMPONENTS_EXT, &c->MaxVertexVaryingComp);
        readInt(GL_MAX_VARYING_COMPONENTS_EXT, &c->MaxVaryingComp);
        readInt(GL_MAX_GEOMETRY_UNIFORM_COMPONENTS_EXT, &c->MaxGeomUniformComp);
        readInt(GL_MAX_GEOMETRY_OUTPUT_VERTICES_EXT, &c->MaxGeomOutputVerts);
        readInt(GL_MAX_GEOMETRY_TOTAL_OUTPUT_COMPONENTS_EXT, &c->MaxGeomTotalOutputComp);
    }
}

void readAtiGroup(tsRendererCaps *c)
{
    if (has(c, "GL_ATI_pn_triangles"))
        readInt(GL_MAX_PN_TRIANGLES_TESSELATION_LEVEL_ATI, &c->ATIMaxTrianglesTesselationLevel);
    if (has(c, "GL_ATI_draw_buffers"))
        readInt(GL_MAX_DRAW_BUFFERS_ATI, &c->MaxDrawBuffers);
    if (has(c, "GL_ATI_vertex_streams"))
        readInt(GL_MAX_VERTEX_STREAMS_ATI, &c->ATIMaxVertexStreams);
    if (has(c, "GL_ATI_fragment_shader")) {
        /* GL_NUM_FRAGMENT_REGISTERS_ATI to GL_NUM_INSTRUCTIONS_TOTAL_ATI are
         * five consecutive values. */
        int32_t *members[5] = {&c->ATINumFragmentRegisters, &c->ATINumFragmentConstants,
                               &c->ATINumPasses, &c->ATINumInstructionsPerPass,
                               &c->ATINumInstructionsTotal};
        for (int i = 0; i < 5; ++i)
            readInt(GL_NUM_FRAGMENT_REGISTERS_ATI + static_cast<GLenum>(i), members[i]);
        readInt(GL_NUM_LOOPBACK_COMPONENTS_ATI, &c->ATINumLoopbackComponents);
        readInt(GL_NUM_INPUT_INTERPOLATOR_COMPONENTS_ATI, &c->ATINumInputInterpolatorComponents);
    }
}

void readAppleGroup(tsRendererCaps *c)
{
    if (has(c, "GL_APPLE_vertex_array_range"))
        readInt(GL_MAX_VERTEX_ARRAY_RANGE_ELEMENT_APPLE, &c->APPLEMaxVertexArrayRangeElements);
    if (has(c, "GL_APPLE_pixel_buffer"))
        readInt2(GL_MIN_PBUFFER_VIEWPORT_DIMS_APPLE, &c->APPLEMinPbufferViewportWidth,
                 &c->APPLEMinPbufferViewportHeight);
}

void readExtGroup(tsRendererCaps *c)
{
    if (has(c, "GL_EXT_texture_filter_anisotropic"))
        readInt(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &c->MaxTextureAnisotropy);
    if (has(c, "GL_EXT_draw_range_elements")) {
        readInt(GL_MAX_ELEMENTS_VERTICES_EXT, &c->MaxElementsVertices);
        readInt(GL_MAX_ELEMENTS_INDICES_EXT, &c->MaxElementsIndices);
    }
    if (has(c, "GL_EXT_texture_lod_bias"))
        readInt(GL_MAX_TEXTURE_LOD_BIAS_EXT, &c->MaxTextureLodBias);
    if (has(c, "GL_EXT_texture_rectangle"))
        readInt(GL_MAX_RECTANGLE_TEXTURE_SIZE_EXT, &c->NVMaxTextureRectangleSize);
    if (has(c, "GL_EXT_texture3D") || versionAtLeast12(c->version))
        readInt(GL_MAX_3D_TEXTURE_SIZE, &c->MaxTexture3DSize);
    if (has(c, "GL_EXT_framebuffer_object")) {
        readInt(GL_MAX_COLOR_ATTACHMENTS_EXT, &c->FBOMaxColorAttachments);
        readInt(GL_MAX_RENDERBUFFER_SIZE_EXT, &c->FBOMaxRenderBufferSize);
    }
}

void readNvGroup(tsRendererCaps *c)
{
    if (has(c, "GL_NV_texture_rectangle"))
        readInt(GL_MAX_RECTANGLE_TEXTURE_SIZE_NV, &c->NVMaxTextureRectangleSize);
    if (has(c, "GL_NV_light_max_exponent")) {
        readInt(GL_MAX_SHININESS_NV, &c->NVMaxShininessExponent);
        readInt(GL_MAX_SPOT_EXPONENT_NV, &c->NVMaxSpotExponent);
    }
    if (has(c, "GL_NV_vertex_array_range"))
        readInt(GL_MAX_VERTEX_ARRAY_RANGE_ELEMENT_NV, &c->NVMaxVertexArrayRangeElements);
    if (has(c, "GL_NV_register_combiners"))
        readInt(GL_MAX_GENERAL_COMBINERS_NV, &c->NVMaxGeneralCombiners);
    if (has(c, "GL_NV_fragment_program2")) {
        readProgram(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_EXEC_INSTRUCTIONS_NV,
                    &c->MaxProgramExeInstructionsNV);
        readProgram(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_CALL_DEPTH_NV,
                    &c->MaxProgramCallDepthNV);
        readProgram(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_IF_DEPTH_NV, &c->MaxProgramIfDepthNV);
        readProgram(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_LOOP_DEPTH_NV,
                    &c->MaxProgramLoopDepthNV);
        readProgram(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_LOOP_COUNT_NV,
                    &c->MaxProgramLoopCountNV);
    }
    if (has(c, "GL_NV_occlusion_query"))
        readInt(GL_PIXEL_COUNTER_BITS_NV, &c->MaxOcclusionQueryBits);
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
    c->filled = 1;
    c->extensions = copyGlString(GL_EXTENSIONS);
    c->renderer = copyGlString(GL_RENDERER);
    c->version = copyGlString(GL_VERSION);
    c->glslVersion = (GLEW_VERSION_2_0 || GLEW_ARB_shading_language_100)
                         ? copyGlString(GL_SHADING_LANGUAGE_VERSION)
                         : nullptr;
    c->vendor = copyGlString(GL_VENDOR);

    readInt(GL_MAX_LIGHTS, &c->NumLights);
    readInt(GL_MAX_CLIP_PLANES, &c->NumClipPlanes);
    readInt(GL_MAX_MODELVIEW_STACK_DEPTH, &c->MaxModelViewStackDepth);
    readInt(GL_MAX_PROJECTION_STACK_DEPTH, &c->MaxProjectionStackDepth);
    readInt(GL_MAX_TEXTURE_STACK_DEPTH, &c->MaxTextureStackDepth);
    readInt(GL_SUBPIXEL_BITS, &c->SubPixelBits);
    readInt(GL_MAX_TEXTURE_SIZE, &c->TextureSize);
    readInt(GL_MAX_PIXEL_MAP_TABLE, &c->PixelMapTable);
    readInt(GL_MAX_NAME_STACK_DEPTH, &c->NameStackDepth);
    readInt(GL_MAX_LIST_NESTING, &c->MaxDisplayListNesting);
    readInt(GL_MAX_EVAL_ORDER, &c->EvalOrder);
    readInt2(GL_MAX_VIEWPORT_DIMS, &c->ViewportMaxWidth, &c->ViewportMaxHeight);
    readInt(GL_MAX_ATTRIB_STACK_DEPTH, &c->AttribStackDepth);
    readInt(GL_MAX_CLIENT_ATTRIB_STACK_DEPTH, &c->MaxClientAttribStackDepth);
    readInt(GL_AUX_BUFFERS, &c->AuxBuffers);

    readFloat2(GL_POINT_SIZE_RANGE, &c->PointSizeMin, &c->PointSizeMax);
    readFloat(GL_POINT_SIZE_GRANULARITY, &c->PointSizeGran);
    readFloat2(GL_LINE_WIDTH_RANGE, &c->LineSizeMin, &c->LineSizeMax);
    readFloat(GL_LINE_WIDTH_GRANULARITY, &c->LineSizeGran);
    readFloat2(GL_ALIASED_LINE_WIDTH_RANGE, &c->AliasedLineWidthMin, &c->AliasedLineWidthMax);
    readFloat2(GL_ALIASED_POINT_SIZE_RANGE, &c->AliasedPointSizeMin, &c->AliasedPointSizeMax);

    readBool(GL_RGBA_MODE, &c->RGBAMode);
    readBool(GL_INDEX_MODE, &c->IndexMode);
    readBool(GL_DOUBLEBUFFER, &c->DoubleBuffer);
    readBool(GL_STEREO, &c->Stereo);
    drainGlErrors();
}

SOUNDER_API void tsInfoReadCapsEx(tsRendererCaps *c)
{
    if (!c)
        return;
    readArbGroup(c);
    readAtiGroup(c);
    readAppleGroup(c);
    readExtGroup(c);
    readNvGroup(c);

    int32_t maxSamples = 0;
    int count = c->pixelFormatCount;
    if (count > TS_MAX_PIXEL_FORMATS)
        count = TS_MAX_PIXEL_FORMATS;
    for (int i = 0; i < count; ++i)
        if (c->pixelFormats[i].samples > maxSamples)
            maxSamples = c->pixelFormats[i].samples;
    c->MaxSamples = maxSamples;
    drainGlErrors();
}

} // extern "C"
