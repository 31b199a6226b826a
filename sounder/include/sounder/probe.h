/* The information probe of sounder: the renderer record that one reading of
 * an OpenGL driver fills, the probe that opens a hidden window with a
 * current context, the capability readers, the whole-word extension search
 * and the failure log that every step of sounder writes into.
 *
 * The record is a flat block owned by the caller: clear it to zero, set
 * `size` to sizeof(tsRendererCaps), open the probe, read, close the probe,
 * and release it with tsInfoRelease when it is discarded. */
#ifndef SOUNDER_PROBE_H
#define SOUNDER_PROBE_H

#include <stdint.h>

#include "sounder/export.h"

#if defined(__GNUC__)
#define SOUNDER_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define SOUNDER_PRINTF(f, a)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One pixel format (frame-buffer configuration) of the reading; every member
 * is one unsigned byte.  Entry n of the table describes format index n + 1. */
typedef struct tsPixelFormat {
    uint8_t color_bits;
    uint8_t depth_bits;
    uint8_t stencil_bits;
    uint8_t transparent;  /* never set by a reading */
    uint8_t acceleration; /* 1 when hardware accelerated */
    uint8_t support_gdi;
    uint8_t aux_buffers; /* never set by a reading */
    uint8_t double_buffer;
    uint8_t support_opengl;
    uint8_t draw_to_window;
    uint8_t draw_to_bitmap;
    uint8_t swap_layers_buffers; /* never set by a reading */
    uint8_t stereo;
    uint8_t auxbuffers; /* never set by a reading */
    uint8_t samples;
    uint8_t pixel_type; /* 1 for colour-index formats, 0 for RGBA */
    uint8_t accum_bits;
    uint8_t number_overlays;
    uint8_t number_underlays;
    uint8_t spare;
} tsPixelFormat;

/* One display mode of the primary display. */
typedef struct tsDisplayMode {
    uint16_t width;
    uint16_t height;
    uint8_t bitsPerPixel;
    uint8_t refreshRate; /* Hz; values above 255 keep their low 8 bits */
} tsDisplayMode;

#define TS_MAX_PIXEL_FORMATS 256
#define TS_MAX_DISPLAY_MODES 1024
#define TS_MAX_COMPRESSED_FORMATS 32
#define TS_RENDERER_CAPS_SIZE 12048

/* One reading of a driver.  Capability members hold 0 when the driver does
 * not offer them (MaxTextureUnits is 1 without GL_ARB_multitexture). */
typedef struct tsRendererCaps {
    uint32_t size;     /* set by the caller to sizeof(tsRendererCaps) */
    int32_t tag;       /* second argument of tsInfoRead */
    uint32_t filled;   /* 1 once the identification strings were read */
    char *vendor;      /* GL_VENDOR, or null */
    char *version;     /* GL_VERSION, or null */
    char *glslVersion; /* GL_SHADING_LANGUAGE_VERSION, or null without a shading language */
    char *renderer;    /* GL_RENDERER, or null */
    char *extensions;  /* GL_EXTENSIONS, one space, the window-system list; or null */
    uint64_t reserved; /* 0; not used */
    char newestVersion[128];
    uint32_t videoMemory; /* megabytes, rounded to a multiple of 32 */

    /* capability members, first group */
    int32_t NumLights;
    int32_t NumClipPlanes;
    int32_t MaxModelViewStackDepth;
    int32_t MaxProjectionStackDepth;
    int32_t MaxTextureStackDepth;
    int32_t SubPixelBits;
    int32_t TextureSize;
    int32_t PixelMapTable;
    int32_t NameStackDepth;
    int32_t MaxDisplayListNesting;
    int32_t EvalOrder;
    int32_t ViewportMaxWidth;
    int32_t ViewportMaxHeight;
    int32_t AttribStackDepth;
    int32_t MaxTextureUnits;
    int32_t MaxVertexBlend;
    int32_t MaxTextureCubeSize;
    int32_t MaxTextureAnisotropy;
    int32_t MaxTextureLodBias;
    int32_t MaxElementsVertices;
    int32_t MaxElementsIndices;
    int32_t ATIMaxTrianglesTesselationLevel;
    int32_t ATIMaxVertexStreams;
    int32_t NVMaxSpotExponent;
    int32_t NVMaxShininessExponent;
    int32_t NVMaxVertexArrayRangeElements;
    int32_t NVMaxGeneralCombiners;
    int32_t NumCompressedTextureFormats;
    int32_t MaxDrawBuffers;
    int32_t NVMaxTextureRectangleSize;
    int32_t MaxProgramInstructions;
    int32_t MaxNativeInstructions;
    int32_t MaxProgramTemporaries;
    int32_t MaxProgramNativeTemporaries;
    int32_t MaxProgramParameters;
    int32_t MaxProgramNativeParameters;
    int32_t MaxProgramAttribs;
    int32_t MaxProgramNativeAttribs;
    int32_t MaxProgramAdressRegisters;
    int32_t MaxProgramNativeAddressRegisters;
    int32_t MaxProgramLocalParameters;
    int32_t MaxProgramEnvParameters;
    int32_t MaxFragmentInstructions;
    int32_t MaxFragmentNativeInstructions;
    int32_t MaxFragmentTemporaries;
    int32_t MaxFragmentNativeTemporaries;
    int32_t MaxFragmentParameters;
    int32_t MaxFragmentNativeParameters;
    int32_t MaxFragmentAttribs;
    int32_t MaxFragmentNativeAttribs;
    int32_t MaxFragmentAdressRegisters;
    int32_t MaxFragmentNativeAddressRegisters;
    int32_t MaxFragmentLocalParameters;
    int32_t MaxFragmentEnvParameters;
    int32_t MaxProgramALUInstructions;
    int32_t MaxProgramTexInstructions;
    int32_t MaxProgramTexIndirections;
    int32_t MaxProgramNativeALUInstructions;
    int32_t MaxProgramNativeTexInstructions;
    int32_t MaxProgramNativeTexIndirections;
    int32_t MaxVertexAttributes;
    int32_t MaxProgramMatrices;
    int32_t MaxClientAttribStackDepth;
    int32_t MaxProgramMatrixStackDepth;
    int32_t MaxTextureCoords;
    int32_t MaxTextureImageUnits;
    int32_t MaxTexture3DSize;
    int32_t MaxVertexUniformComponents;
    int32_t MaxVaryingFloats;
    int32_t MaxVertexTextureImageUnits;
    int32_t MaxCombinedImageUnits;
    int32_t MaxFragmentUniformComponents;
    int32_t MaxProgramExeInstructionsNV;
    int32_t MaxProgramCallDepthNV;
    int32_t MaxProgramIfDepthNV;
    int32_t MaxProgramLoopDepthNV;
    int32_t MaxProgramLoopCountNV;
    int32_t MaxConvolutionHeight;
    int32_t MaxConvolutionWidth;
    int32_t APPLEMaxVertexArrayRangeElements;
    int32_t APPLEMinPbufferViewportWidth;
    int32_t APPLEMinPbufferViewportHeight;
    int32_t MaxOcclusionQueryBits;
    int32_t ATINumFragmentRegisters;
    int32_t ATINumFragmentConstants;
    int32_t ATINumPasses;
    int32_t ATINumInstructionsPerPass;
    int32_t ATINumInstructionsTotal;
    int32_t ATINumLoopbackComponents;
    int32_t ATINumInputInterpolatorComponents;
    int32_t MaxGeomTexUnits;
    int32_t MaxGeomVaryingComp;
    int32_t MaxVertexVaryingComp;
    int32_t MaxVaryingComp;
    int32_t MaxGeomUniformComp;
    int32_t MaxGeomOutputVerts;
    int32_t MaxGeomTotalOutputComp;
    int32_t MaxColorMatrixStackDepth;
    int32_t MaxSamples;
    int32_t AuxBuffers;
    int32_t FBOMaxColorAttachments;
    int32_t FBOMaxRenderBufferSize;
    float PointSizeMin;
    float PointSizeMax;
    float PointSizeGran;
    float LineSizeMin;
    float LineSizeMax;
    float LineSizeGran;
    float AliasedLineWidthMin;
    float AliasedLineWidthMax;
    float AliasedPointSizeMin;
    float AliasedPointSizeMax;

    int16_t pixelFormatCount; /* entries used in pixelFormats (0 to 256) */
    int16_t displayModeCount; /* entries used in displayModes (0 to 1024) */

    /* capability members, second group */
    uint8_t RGBAMode;
    uint8_t IndexMode;
    uint8_t DoubleBuffer;
    uint8_t Stereo;

    tsPixelFormat pixelFormats[TS_MAX_PIXEL_FORMATS];
    tsDisplayMode displayModes[TS_MAX_DISPLAY_MODES];
    uint32_t compressedFormats[TS_MAX_COMPRESSED_FORMATS]; /* first min(count, 32) codes */
} tsRendererCaps;

/* ---- probe -------------------------------------------------------------- */

/* Opens the probe: a hidden 1 x 1 window with a current context; hardware 0
 * is the software rasteriser, non-zero the display's default driver.
 * Returns 1, or 0 after logging "OpenGL initialization failed.\n". */
SOUNDER_API int tsInfoBegin(int hardware);
/* Fills the record from the probe's current context.  Returns 1, or 0 with
 * the record untouched (null record, wrong size field), or 0 after logging
 * when the display connection was lost during the reading (the record then
 * holds what could be read and is released as usual). */
SOUNDER_API int tsInfoRead(tsRendererCaps *caps, int tag);
/* Tears the probe down; harmless when it is closed.  Returns 1. */
SOUNDER_API int tsInfoEnd(void);
/* Releases the record's texts and what the library keeps beside it (window
 * system, extended limits) and zeroes the whole record (size included);
 * does nothing while filled is 0. */
SOUNDER_API void tsInfoRelease(tsRendererCaps *caps);
/* The window system the record was read through, with its version and, for
 * EGL, the platform: "GLX 1.4", "EGL 1.5 (surfaceless)", "EGL 1.5 (device)";
 * "" when it is not known (a record that no reading or report file filled,
 * a report file that names none, a record without extensions text).  The
 * text stays valid until the record is released or filled again. */
SOUNDER_API const char *tsInfoGetWindowSystem(const tsRendererCaps *caps);
/* 1 when name is a whole word of the space-separated list, else 0. */
SOUNDER_API int tsInfoSearchExtension(const char *name, const char *list);

/* Identification strings and core limits of the current context. */
SOUNDER_API void tsInfoReadCaps(tsRendererCaps *caps);
/* Extension-dependent limits; needs the record's extensions text and pixel
 * formats. */
SOUNDER_API void tsInfoReadCapsEx(tsRendererCaps *caps);

/* ---- failure log --------------------------------------------------------- */

/* Names the current step (at most 255 bytes kept). */
SOUNDER_API void tsReportContext(const char *step);
/* Appends one failure, under a heading "...<step>:" when the step changed. */
SOUNDER_API void tsReportFailure(const char *format, ...) SOUNDER_PRINTF(1, 2);
/* The log text; empty when nothing failed. */
SOUNDER_API const char *tsReportGetLogFile(void);
/* Empties the log.  Returns 0. */
SOUNDER_API int tsReportSetLogFile(void);
/* Number of failures logged since the log was last emptied. */
SOUNDER_API int tsReportHasErrors(void);

#ifdef __cplusplus
}
#endif

#endif /* SOUNDER_PROBE_H */
