/* sounder: the timed rendering tests.
 *
 * tsTestRun opens its own window and context, runs the selected test units
 * (seven ways of feeding the same textured, lit cube to the driver) for
 * 5,000 ms each and returns frames per second per unit.  Failures go to the
 * failure log (tsReportHasErrors / tsReportGetLogFile in sounder/probe.h).
 *
 * Shader scripts are small XML documents whose CDATA sections hold the
 * vertex text (after an element named "VS") and the fragment text (after
 * "PS"); tsLoadShader reads one from a file.
 *
 * Images: the harness textures come from two 128 x 128 images given in
 * tsImage records (24-bit or 32-bit, rows bottom-up, BGR(A) byte order, each
 * row padded to 4 bytes as in a device-independent bitmap).  tsLoadImage
 * reads an uncompressed 24- or 32-bit BMP file into such a record. */
#ifndef SOUNDER_RENDERTEST_H
#define SOUNDER_RENDERTEST_H

#include <stdint.h>

#include "sounder/export.h"

#ifdef __cplusplus
extern "C" {
#endif

struct tsDisplayMode; /* display-mode entry of the renderer record (sounder/probe.h) */

/* Option bits of tsTestOptions.flags */
enum {
    optAnisotropy = 0x1,
    optMultisample = 0x2,
    optPbuffer = 0x4,
    optMultisampleFastest = 0x8,
    optLodBias = 0x10,
    optFog = 0x20,
    optFramebufferObject = 0x40,
    optPackedTextures = 0x80,
    optFloatTarget = 0x100,
    optObjectGrid = 0x200,
    optClipPlane = 0x400,
    optFullscreen = 0x800
};

/* Number of test units and of shader slots. */
#define TS_TEST_UNIT_COUNT 7
#define TS_TEST_SHADER_COUNT 6

/* tsTestRun's result when the display went away during the run. */
#define TS_TEST_DISPLAY_LOST (-3)

/* Shader slots of tsTestOptions.shaders, in order. */
enum {
    tsShaderARB = 0,    /* "shaderARB.kls": ARB vertex program */
    tsShaderARBFog = 1, /* "shaderARBFog.kls": ARB vertex program with fog */
    tsShaderGLSL = 2,   /* "shaderGLSL.kls": shading-language shader */
    tsShaderGLSL21 = 3, /* "shaderGLSL21.kls": shader of the pixel-buffer-object unit */
    tsShaderMRT1 = 4,   /* "shaderMRT1.kls": carried, not used by a unit */
    tsShaderMRT2 = 5    /* "shaderMRT2.kls": carried, not used by a unit */
};

/* An image in memory: the counterpart of a bitmap handle. */
typedef struct tsImage {
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel; /* 24 or 32 */
    int32_t stride;       /* bytes per row, a multiple of 4 */
    uint8_t *pixels;      /* height rows, bottom row first, BGR or BGRA */
} tsImage;

/* Vertex and fragment text of one shader script; each owned (keel's
 * allocator), zero-terminated, or null. */
typedef struct tsShader {
    char *vertex;
    char *fragment;
} tsShader;

typedef struct tsTestOptions {
    tsImage *image0;     /* colour image for texture 0, may be null */
    tsImage *image1;     /* normal map for texture 1, may be null */
    uint32_t flags;      /* opt* bits */
    float anisotropy;    /* with optAnisotropy */
    int32_t samples;     /* with optMultisample */
    float lodBias;       /* with optLodBias */
    int32_t hardware;    /* non-zero: accelerated pixel format */
    int32_t displayMode; /* index of a mode of the primary display (client interface) */
    tsShader shaders[TS_TEST_SHADER_COUNT];
} tsTestOptions;

typedef struct tsTestUnit {
    int32_t enabled; /* 1 in every entry */
    const char *name;
    int64_t result; /* -1 in every entry */
} tsTestUnit;

/* "1.1 (texturing)" ... "2.1 (pixel buffer object)" */
SOUNDER_API extern const tsTestUnit tsTestUnitDefault[TS_TEST_UNIT_COUNT];

/* Runs every unit whose slot in results is 0; the other slots stay as they
 * are.  On return a run slot holds frames per second (>= 0) or -1.
 * mode: a display mode to switch to (full screen), or null.
 * Returns 0 (done, or nothing selected: no window is opened), -1 (the test
 * window cannot be opened; results untouched), -9 (the texture buffer
 * cannot be allocated; every selected result -1) or TS_TEST_DISPLAY_LOST
 * (the display connection was lost during the run: the units measured
 * before keep their rates, the running unit and every later one are -1,
 * and the failure log holds "Display connection lost").  The harness may
 * clear optPbuffer in options->flags when no off-screen target can be
 * made. */
SOUNDER_API int32_t tsTestRun(int32_t results[TS_TEST_UNIT_COUNT], const struct tsDisplayMode *mode,
                              tsTestOptions *options);

/* Reads a shader script file: -1 (shader untouched) when it yields no bytes,
 * else 0 with the shader's texts replaced. */
SOUNDER_API int32_t tsLoadShader(tsShader *shader, const char *path);
/* Parses a shader script text; both texts are set to null first.  0. */
SOUNDER_API int32_t tsLoadShaderFromCString(tsShader *shader, const char *text);
/* Frees both texts and sets them to null. */
SOUNDER_API void tsReleaseShader(tsShader *shader);

/* Reads an uncompressed 24- or 32-bit BMP file; null when it cannot be read
 * or is not such a file.  Release with tsReleaseImage. */
SOUNDER_API tsImage *tsLoadImage(const char *path);
SOUNDER_API void tsReleaseImage(tsImage *image);

/* Data files shipped beside the program: the six shader scripts and the two
 * images of the default test options. */
#define TS_TEST_IMAGE_BASE "testbase.bmp"
#define TS_TEST_IMAGE_NORMAL "testnormal.bmp"
SOUNDER_API extern const char *const tsTestShaderFiles[TS_TEST_SHADER_COUNT];

/* Fills options with the default test data found beside the program (or in
 * the installed data folder): the six shaders and both images; everything
 * else zero, hardware 1.  Returns the number of the eight files that could
 * not be loaded (their slots stay empty). */
SOUNDER_API int32_t tsTestLoadDefaults(tsTestOptions *options);
/* Releases the shaders and images that tsTestLoadDefaults loaded (or any
 * options whose images came from tsLoadImage). */
SOUNDER_API void tsTestReleaseDefaults(tsTestOptions *options);

#ifdef __cplusplus
}
#endif

#endif /* SOUNDER_RENDERTEST_H */
