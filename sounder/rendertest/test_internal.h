/* Internal interface of the rendering tests: the harness state, the shared
 * per-frame steps, the test units, the off-screen targets and the platform
 * layer of the test window (X11/GLX in *_x11.cpp / *_glx.cpp). */
#ifndef SOUNDER_TESTS_TEST_INTERNAL_H
#define SOUNDER_TESTS_TEST_INTERNAL_H

#include <GL/glew.h>

#include <cstdint>
#include <string>

#include "probe/info_internal.h"
#include "sounder/rendertest.h"

namespace sounder {

/* ---- off-screen render target ------------------------------------------ */
struct PbufferHandles; /* platform part of a pixel-buffer target */

struct testRenderTarget {
    GLenum type = GL_TEXTURE_2D; /* GL_TEXTURE_2D or GL_TEXTURE_RECTANGLE_ARB */
    int32_t width = 0;
    int32_t height = 0;
    GLuint texture = 0;
    PbufferHandles *pbuffer = nullptr; /* pixel buffer, its drawable and context */
    GLuint framebuffer = 0;
    GLuint depthBuffer = 0;
    bool isFramebufferObject = false;
};

/* Creation failure codes of testCreateRenderTarget. */
enum {
    targetNoPixelFormat = -1,
    targetNoDrawable = -3,
    targetNoContext = -4,
    targetShareFailed = -6,
    targetIncomplete = -20,
    targetBadPixelFormat = -21,
    targetNoResources = -22,
    targetBadAttributes = -23
};

typedef int (*testFrameOp)();
typedef int (*testSetupOp)();
typedef void (*testReleaseOp)();

struct testUnitOps {
    testSetupOp setup; /* run by the frame operation on the first frame */
    testFrameOp frame;
    testReleaseOp release;
};

/* The units in table order (tests/scenes.cpp). */
extern const testUnitOps testUnitTable[TS_TEST_UNIT_COUNT];

/* ---- harness state (one per process) ------------------------------------ */
struct TestState {
    int windowWidth = 640, windowHeight = 480;
    int viewWidth = 640, viewHeight = 480;
    int refreshRate = 60;
    int colorBits = 0, depthBits = 0;

    int objectCount = 64;
    float baseDistance = 5.0f;
    float fogColor[4] = {0.f, 0.f, 1.f, 1.f};
    bool fog = false, clipPlane = false;
    float lodBias = 0.f;

    float angleX = 0.f, angleY = 0.f, angleZ = 0.f; /* degrees, kept across runs */
    float objectDistance = -5.0f;

    int frameCount = 0;
    /* Milliseconds since the start of the run (monotonic clock, double). */
    double timeStart = 0.0, timeLast = 0.0, timeEnd = 0.0;

    int selectedCount = 0, startedCount = 0;
    char statusLine[512] = {0};

    testRenderTarget *targets[2] = {nullptr, nullptr};
    bool targetsActive = false;
    bool framebufferBound = false;

    testFrameOp frameOp = nullptr;
    bool geometryReady = false;
    bool skip = false;
    bool active = true;
    bool quit = false; /* the window was closed: no further unit runs */

    GLuint fontBase = 0;
    GLuint textures[3] = {0, 0, 0};
    bool glReady = false;

    tsTestOptions *options = nullptr;
};

TestState &testState();

/* ---- clock -------------------------------------------------------------- */
/* Milliseconds of the monotonic clock since testClockReset, in double
 * precision (never rounded through a 32-bit float). */
double testNow();
void testClockReset();

/* ---- harness steps (tests/harness.cpp) ----------------------------------- */
bool testInitGL(tsTestOptions *options); /* false: texture buffer not allocated */
void testStartUnit(tsTestOptions *options, int unit);
bool testPumpFrames();
int testFramesPerSecond();
void testShutdown();
void testSetViewport(int width, int height, bool useWindowAspect, bool setProjection);
void testApplyState();
void testBeginFrame();
void testEndFrame();
void testSetObjectTransform(int i);
bool testAdvanceAnimation();
void testBindTexture(int k);
bool testLoadTextures(tsTestOptions *options);
/* Test hook: makes the allocation of the spot texture buffer fail, so that
 * the -9 path of tsTestRun can be exercised. */
void testSetTextureBufferFailure(bool fail);
void testDrawText(int x, int y, const char *format, ...) __attribute__((format(printf, 3, 4)));
/* Writes the back buffer as "driftshot%04d.BMP" into the desktop folder;
 * returns the path written, empty when nothing was written. */
std::string testSaveScreenshot();
/* Writes width x height BGR rows (bottom-up, each row padded to 4 bytes in
 * rows) as a 24-bit bitmap at the first free "driftshot%04d.BMP" in folder.
 * Returns the path, empty on failure. */
std::string testWriteScreenshot(const std::string &folder, int width, int height,
                                const uint8_t *rows);
/* Byte image of a 24-bit bitmap holding width x height BGR pixels taken
 * from rows (bottom-up, padded to 4 bytes): header and padded rows. */
std::string testBitmapBytes(int width, int height, const uint8_t *rows);

/* Spot texture texel for row i, column j. */
uint8_t testSpotTexel(int i, int j);

/* ---- shader text (tests/shader.cpp) -------------------------------------- */
/* The text with "#define USE_FOG\n" / "#define USE_CLIP_PLANE\n" inserted
 * after a leading "#version" line (or in front of the text without one).
 * Allocated with sysMemAlloc; null text gives null. */
char *testPrepareShaderText(const char *text, bool fog, bool clipPlane);

/* ---- scenes (tests/scenes.cpp) -------------------------------------------- */
void testScenesResetContext(); /* forget GL names when the context ends */
/* Grey level of the fractal pattern at row i, column j for a zoom scale. */
uint8_t testPatternTexel(int i, int j, double scale);
void testPatternFill(uint8_t *pixels, double scale);

/* ---- off-screen targets (tests/targets.cpp) -------------------------------- */
void testCreateRenderTargets(tsTestOptions *options);
int testCreateRenderTarget(testRenderTarget **out, GLenum type, int width, int height,
                           bool framebufferObject, bool floatTarget);
void testMakeTargetCurrent(testRenderTarget *target);
void testDrawTargetToWindow(testRenderTarget *target, bool blended);
int testCheckFramebuffer(const char *source, int line);
void testReleaseRenderTarget(testRenderTarget *target);
void testReleaseRenderTargets();
const char *testTargetErrorText(int code);

/* ---- the test window (harness.cpp) --------------------------------------- */
/* Opens the test window and its context (shown, with the harness's event
 * handler) at the size the mode, the options or the desktop give; false
 * after infoCreateWindow logged why. */
bool testCreateWindow(const struct tsDisplayMode *mode, const tsTestOptions *options);
/* Loads GLEW's entry points for the current context, which the scenes draw
 * through, and leaves no error of GLEW's probing behind. */
void testLoadEntryPoints();

/* ---- platform layer of the test window -------------------------------------- */
/* What the test window needs of its window system beyond the probe's
 * window routine.  One implementation per backend file (window_x11.cpp for
 * GLX), chosen with the probe's backend (testWindowPlatform, harness.cpp). */
class TestWindowPlatform {
public:
    virtual ~TestWindowPlatform() = default;
    /* Called once the window and its context are current. */
    virtual void windowOpened() = 0;
    /* Handles every waiting event of the test window.  Returns false when
     * no event was waiting; sets quit when the window was closed (or its
     * display is gone). */
    virtual bool dispatchEvents(bool &quit) = 0;
    /* Tears the window down (infoDestroyWindow) and forgets its handles. */
    virtual void destroyWindow() = 0;
    /* Builds the 96 display lists of characters 32-127 from a bold
     * 16-pixel font (a plain one when none is found); the list base or 0. */
    virtual GLuint createFont() = 0;
    virtual void releaseFont() = 0;
    /* Makes the test window's context current again. */
    virtual void makeWindowCurrent() = 0;
    /* True when the window system offers pixel buffers. */
    virtual bool hasPbuffers() = 0;
    /* Pixel buffer of the test window's configuration: 0 or a target*
     * failure code. */
    virtual int createPbuffer(testRenderTarget *target) = 0;
    virtual void makePbufferCurrent(testRenderTarget *target) = 0;
    virtual void releasePbuffer(testRenderTarget *target) = 0;
    /* Copies the pixel buffer's image into the target's texture (the
     * window system cannot bind a pixel buffer as a texture). */
    virtual void copyPbufferToTexture(testRenderTarget *target) = 0;
};

/* The implementation that goes with the probe's backend. */
TestWindowPlatform &testWindowPlatform();
/* Backend entry points (compiled with their backend). */
TestWindowPlatform *x11TestWindow(); /* window_x11.cpp */
TestWindowPlatform *eglTestWindow(); /* window_egl.cpp */

/* Shorthands for the harness, the targets and the tests. */
inline void testPlatformWindowOpened()
{
    testWindowPlatform().windowOpened();
}
inline bool testPlatformDispatchEvents(bool &quit)
{
    return testWindowPlatform().dispatchEvents(quit);
}
inline void testPlatformSwapBuffers()
{
    infoSwapBuffers();
}
inline void testPlatformHideWindow()
{
    infoHideWindow();
}
inline void testPlatformDestroyWindow()
{
    testWindowPlatform().destroyWindow();
}
/* Sets the swap interval to 0 where the window system allows it. */
inline void testPlatformDisableVSync()
{
    infoSetSwapInterval(0);
}
inline GLuint testPlatformCreateFont()
{
    return testWindowPlatform().createFont();
}
inline void testPlatformReleaseFont()
{
    testWindowPlatform().releaseFont();
}
inline void testPlatformMakeWindowCurrent()
{
    testWindowPlatform().makeWindowCurrent();
}
inline bool testPlatformHasPbuffers()
{
    return testWindowPlatform().hasPbuffers();
}
inline int testPlatformCreatePbuffer(testRenderTarget *target)
{
    return testWindowPlatform().createPbuffer(target);
}
inline void testPlatformMakePbufferCurrent(testRenderTarget *target)
{
    testWindowPlatform().makePbufferCurrent(target);
}
inline void testPlatformReleasePbuffer(testRenderTarget *target)
{
    testWindowPlatform().releasePbuffer(target);
}
inline void testPlatformCopyPbufferToTexture(testRenderTarget *target)
{
    testWindowPlatform().copyPbufferToTexture(target);
}

/* Event handling shared by the platform layer: the counterparts of the
 * window messages. */
void testOnResize(int width, int height);
void testOnActivate(bool active);
void testOnKeyDown(bool controlHeld);
void testOnScreenshotKey();

} // namespace sounder

#endif
