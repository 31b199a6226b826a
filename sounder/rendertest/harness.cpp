/* The rendering-test harness: the run, the per-frame steps shared by every
 * unit, the textures, the timing, the status text and the screenshot. */
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "keel/keel.h"
#include "probe/info_internal.h"
#include "probe/platform.h"
#include "common/atomic_file.h"
#include "common/paths.h"
#include "sounder/probe.h"
#include "sounder/system.h"
#include "rendertest/test_internal.h"

namespace sounder {

namespace {

timespec g_clockOrigin{};

/* The measuring window of each unit. */
constexpr double kUnitMilliseconds = 5000.0;
/* Size of the spot texture buffer (256 x 256 luminance). */
constexpr size_t kSpotBytes = 65536;

void appendBounded(char *line, size_t size, const char *piece)
{
    sysStrlCat(line, piece, size);
}

void le16(std::string &s, uint16_t v)
{
    s += char(v & 0xff);
    s += char(v >> 8);
}
void le32(std::string &s, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s += char((v >> (8 * i)) & 0xff);
}

bool fileExists(const std::string &path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

TestState &testState()
{
    static TestState state;
    return state;
}

void testClockReset()
{
    clock_gettime(CLOCK_MONOTONIC, &g_clockOrigin);
}

double testNow()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec - g_clockOrigin.tv_sec) * 1000.0 +
           double(now.tv_nsec - g_clockOrigin.tv_nsec) / 1.0e6;
}

uint8_t testSpotTexel(int i, int j)
{
    const double d = std::sqrt(double((i - 128) * (i - 128) + (j - 128) * (j - 128)));
    const unsigned v = unsigned(255 - int(std::floor(d))) & 0xffu;
    return uint8_t((v * v) >> 8);
}

void testSetViewport(int width, int height, bool useWindowAspect, bool setProjection)
{
    TestState &g = testState();
    g.viewWidth = width;
    g.viewHeight = height;
    glViewport(0, 0, width, height);
    if (!setProjection)
        return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double fov = g.objectCount == 1 ? 60.0 : 70.0;
    double aspect;
    if (useWindowAspect)
        aspect = g.windowHeight > 0 ? double(g.windowWidth) / double(g.windowHeight) : 1.0;
    else
        aspect = height > 0 ? double(width) / double(height) : 1.0;
    const double zNear = 0.1, zFar = 100.0;
    const double top = std::tan(fov * M_PI / 360.0) * zNear;
    const double right = top * aspect;
    glFrustum(-right, right, -top, top, zNear, zFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void testApplyState()
{
    TestState &g = testState();
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_FLAT);
    if (g.fog) {
        glClearColor(g.fogColor[0], g.fogColor[1], g.fogColor[2], g.fogColor[3]);
        glEnable(GL_FOG);
        glFogfv(GL_FOG_COLOR, g.fogColor);
        glFogi(GL_FOG_MODE, GL_LINEAR);
        float d = g.baseDistance;
        if (g.objectCount >= 2)
            d = std::floor(std::sqrt(float(g.objectCount))) / 2.5f * g.baseDistance;
        glFogf(GL_FOG_START, d - 2.0f);
        glFogf(GL_FOG_END, d + 1.0f);
        glHint(GL_FOG_HINT, GL_NICEST);
    } else {
        glClearColor(0.f, 0.f, 0.f, 1.f);
    }
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    const GLfloat ambient[4] = {0.5f, 0.5f, 0.5f, 1.f};
    const GLfloat diffuse[4] = {1.f, 1.f, 1.f, 1.f};
    const GLfloat position[4] = {1.f, 1.f, 2.f, 1.f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    /* A pixel buffer's own context needs the clip plane as well (the
     * modelview matrix is the identity here, as when it was first set). */
    if (g.clipPlane) {
        const GLdouble plane[4] = {0.0, 1.0, 0.0, 0.0};
        glClipPlane(GL_CLIP_PLANE0, plane);
        glEnable(GL_CLIP_PLANE0);
    }
}

void testBeginFrame()
{
    TestState &g = testState();
    if (g.targetsActive && g.targets[0]) {
        glDisable(GL_BLEND);
        testMakeTargetCurrent(g.targets[0]);
        testSetViewport(g.targets[0]->width, g.targets[0]->height, true, true);
        testApplyState();
    } else {
        testSetViewport(g.windowWidth, g.windowHeight, false, true);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void testDrawText(int x, int y, const char *format, ...)
{
    TestState &g = testState();
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (!g.fontBase)
        return;
    glRasterPos2i(x, y + 16);
    glPushAttrib(GL_LIST_BIT);
    glListBase(g.fontBase - 32);
    glCallLists(GLsizei(std::strlen(text)), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
}

void testEndFrame()
{
    TestState &g = testState();
    if (g.targetsActive && g.targets[0]) {
        glFinish();
        testDrawTargetToWindow(g.targets[0], true);
        testSetViewport(g.windowWidth, g.windowHeight, false, false);
        glDisable(GL_BLEND);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glShadeModel(GL_FLAT);
    glOrtho(0, g.windowWidth, g.windowHeight, 0, 1, -1);
    glColor4f(1.f, 1.f, 1.f, 1.f);
    testDrawText(4, 4, "%s, Frame %d", g.statusLine, g.frameCount);
    glEnable(GL_LIGHTING);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
}

void testSetObjectTransform(int i)
{
    TestState &g = testState();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    float x = 0.f, y = 0.f, z = -5.f;
    if (g.objectCount > 1) {
        const int n = int(std::floor(std::sqrt(float(g.objectCount))));
        const float span = float(n) * 2.5f;
        const float denom = n > 1 ? float(n - 1) : 1.f;
        x = (float(i % n) / denom - 0.5f) * span;
        y = (float(i / n) / denom - 0.5f) * span;
        z = -(float(n) / 2.5f) * 5.f;
    }
    g.objectDistance = z;
    glTranslatef(x, y, z);
    const float base = 4.f * float(i);
    glRotatef(base + g.angleX, 1.f, 0.f, 0.f);
    glRotatef(base + g.angleY, 0.f, 1.f, 0.f);
    glRotatef(base + g.angleZ, 0.f, 0.f, 1.f);
}

bool testAdvanceAnimation()
{
    TestState &g = testState();
    const double elapsed = g.timeLast - g.timeStart;
    const double now = testNow();
    const double delta = g.timeLast == 0.0 ? 0.0 : (now - g.timeLast) / 1000.0;
    g.timeLast = now;
    const float step = float(delta * 1000.0 / 50.0);
    g.angleX += step;
    g.angleY += 2.f * step;
    g.angleZ += 3.f * step;
    if (g.angleX > 360.f)
        g.angleX -= 360.f;
    if (g.angleY > 360.f)
        g.angleY -= 360.f;
    if (g.angleZ > 360.f)
        g.angleZ -= 360.f;
    ++g.frameCount;
    g.objectDistance = -g.baseDistance;
    return elapsed >= g.timeEnd - g.timeStart;
}

void testBindTexture(int k)
{
    TestState &g = testState();
    if (k < 0 || k > 2)
        return;
    glBindTexture(GL_TEXTURE_2D, g.textures[k]);
    if (GLEW_EXT_texture_lod_bias)
        glTexEnvf(GL_TEXTURE_FILTER_CONTROL_EXT, GL_TEXTURE_LOD_BIAS_EXT, g.lodBias);
}

namespace {

void setMipmapFilters()
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (GLEW_SGIS_generate_mipmap) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
    } else {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    }
}

void uploadImage(const tsTestOptions *options, const tsImage *image, GLuint texture)
{
    if (!image || !image->pixels || image->width <= 0 || image->height <= 0)
        return;
    glBindTexture(GL_TEXTURE_2D, texture);
    setMipmapFilters();
    GLenum format = GL_BGRA, type = GL_UNSIGNED_BYTE;
    /* Packed upload of a 32-bit image: one 32-bit word per pixel.  The
     * image holds the bytes B, G, R, A in memory order, which on a
     * little-endian machine is the reversed packing; the plain 8_8_8_8
     * order would turn the channels round (alpha into blue). */
    if ((options->flags & optPackedTextures) && image->bitsPerPixel == 32)
        type = GL_UNSIGNED_INT_8_8_8_8_REV;
    else if (image->bitsPerPixel == 24)
        format = GL_BGR_EXT;
    if ((options->flags & optAnisotropy) && GLEW_EXT_texture_filter_anisotropic)
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, options->anisotropy);
    /* tsImage rows are padded to 4 bytes, as the default unpack alignment. */
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, image->stride / (image->bitsPerPixel / 8));
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, image->width, image->height, 0, format, type,
                 image->pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

/* Test hook: a non-zero value makes the spot buffer allocation fail. */
bool g_failTextureBuffer = false;

} // namespace

void testSetTextureBufferFailure(bool fail)
{
    g_failTextureBuffer = fail;
}

bool testLoadTextures(tsTestOptions *options)
{
    TestState &g = testState();
    glGenTextures(3, g.textures);
    uploadImage(options, options->image0, g.textures[0]);
    uploadImage(options, options->image1, g.textures[1]);

    std::vector<uint8_t> spot;
    if (g_failTextureBuffer)
        return false;
    try {
        spot.resize(kSpotBytes);
    } catch (...) {
        return false;
    }
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; ++j)
            spot[size_t(i) * 256 + size_t(j)] = testSpotTexel(i, j);
    glBindTexture(GL_TEXTURE_2D, g.textures[2]);
    setMipmapFilters();
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE8, 256, 256, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE,
                 spot.data());
    if (GLEW_SGIS_generate_mipmap)
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, GL_FALSE);
    return true;
}

bool testInitGL(tsTestOptions *options)
{
    TestState &g = testState();
    testPlatformDisableVSync();
    g.objectCount = (options->flags & optObjectGrid) ? 100 : 1;
    if (options->flags & (optPbuffer | optFramebufferObject))
        testCreateRenderTargets(options);
    else
        g.targetsActive = false;
    if (options->flags & optClipPlane) {
        g.clipPlane = true;
        const GLdouble plane[4] = {0.0, 1.0, 0.0, 0.0};
        glEnable(GL_CLIP_PLANE0);
        glClipPlane(GL_CLIP_PLANE0, plane);
    } else {
        g.clipPlane = false;
    }
    if (options->flags & optFog) {
        g.fog = true;
    } else {
        g.fog = false;
        glClearColor(0.f, 0.f, 0.f, 1.f);
    }
    if (options->flags & optMultisample) {
        if (GLEW_NV_multisample_filter_hint)
            glHint(GL_MULTISAMPLE_FILTER_HINT_NV,
                   (options->flags & optMultisampleFastest) ? GL_FASTEST : GL_NICEST);
        glEnable(GL_MULTISAMPLE_ARB);
    }
    g.lodBias = (options->flags & optLodBias) ? options->lodBias : 0.f;

    g.glReady = true;
    testSetViewport(g.windowWidth, g.windowHeight, false, true);
    testApplyState();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    testPlatformSwapBuffers();

    g.fontBase = testPlatformCreateFont();

    GLint r = 0, gr = 0, b = 0, d = 0;
    glGetIntegerv(GL_RED_BITS, &r);
    glGetIntegerv(GL_GREEN_BITS, &gr);
    glGetIntegerv(GL_BLUE_BITS, &b);
    glGetIntegerv(GL_DEPTH_BITS, &d);
    g.colorBits = r + gr + b;
    g.depthBits = d;

    return testLoadTextures(options);
}

void testStartUnit(tsTestOptions *options, int unit)
{
    TestState &g = testState();
    const char *renderer = reinterpret_cast<const char *>(glGetString(GL_RENDERER));
    std::snprintf(g.statusLine, sizeof g.statusLine, "%s, OpenGL %s (%d/%d), %d x %d, (D%dZ%d)",
                  renderer ? renderer : "", tsTestUnitDefault[unit].name, g.startedCount,
                  g.selectedCount, g.windowWidth, g.windowHeight, g.colorBits, g.depthBits);
    if (options->flags & optFramebufferObject)
        appendBounded(g.statusLine, sizeof g.statusLine, ", FBO");
    else if (options->flags & optPbuffer)
        appendBounded(g.statusLine, sizeof g.statusLine, "PBUFFER");
    char piece[32];
    if (options->flags & optAnisotropy) {
        std::snprintf(piece, sizeof piece, ", AF: %2.0f", double(options->anisotropy));
        appendBounded(g.statusLine, sizeof g.statusLine, piece);
    }
    if ((options->flags & optMultisample) && GLEW_ARB_multisample) {
        GLint samples = 0, buffers = 0;
        glGetIntegerv(GL_SAMPLES_ARB, &samples);
        glGetIntegerv(GL_SAMPLE_BUFFERS_ARB, &buffers);
        std::snprintf(piece, sizeof piece, ", FSAA x %d (%d)", samples, buffers);
        appendBounded(g.statusLine, sizeof g.statusLine, piece);
    }
    if (options->flags & optLodBias) {
        std::snprintf(piece, sizeof piece, ", LOD: %2.0f", double(options->lodBias));
        appendBounded(g.statusLine, sizeof g.statusLine, piece);
    }
    g.frameOp = testUnitTable[unit].frame;
    g.geometryReady = false;
    if ((options->flags & optPbuffer) && g.targets[0])
        testMakeTargetCurrent(g.targets[0]);
    const double now = testNow();
    g.timeStart = now;
    g.timeLast = now;
    g.timeEnd = now + kUnitMilliseconds;
    g.frameCount = 0;
}

bool testPumpFrames()
{
    TestState &g = testState();
    g.skip = false;
    for (;;) {
        bool quit = false;
        if (testPlatformDispatchEvents(quit)) {
            if (quit) {
                g.quit = true;
                break;
            }
            continue;
        }
        if (g.skip)
            break;
        if (g.active) {
            if (g.frameOp && g.frameOp() != 0)
                break;
        } else {
            /* Minimised: nothing is drawn; do not spin on the processor. */
            usleep(10000);
        }
        testPlatformSwapBuffers();
    }
    return true;
}

int testFramesPerSecond()
{
    TestState &g = testState();
    const long long elapsed = (long long)(g.timeLast - g.timeStart);
    if (elapsed <= 0)
        return -1;
    return int(double(g.frameCount) * 1000.0 / double(elapsed));
}

void testShutdown()
{
    TestState &g = testState();
    if (!g.glReady)
        return;
    testPlatformHideWindow();
    testPlatformMakeWindowCurrent();
    glDeleteTextures(3, g.textures);
    for (auto &t : g.textures)
        t = 0;
    testReleaseRenderTargets();
    g.geometryReady = false;
    if (g.fontBase)
        glDeleteLists(g.fontBase, 96);
    g.fontBase = 0;
    testScenesResetContext();
    testPlatformReleaseFont();
    testPlatformDestroyWindow();
    g.glReady = false;
}

/* ---- the test window --------------------------------------------------------- */

namespace {

/* The counterparts of the window messages, for every window system. */
int testWindowEvent(const InfoEvent *event, void *)
{
    switch (event->type) {
    case infoEventResize: testOnResize(event->width, event->height); return 1;
    case infoEventActivate: testOnActivate(event->active); return 1;
    case infoEventDestroyed:
        /* Someone else destroyed the window: the run ends. */
        infoPostQuit(0);
        return 1;
    case infoEventKeyDown:
        /* Keys with Alt held are system keys (Alt+P takes a screenshot);
         * Control held keeps the unit running.  The modifier keys
         * themselves do not count as a key press. */
        if (event->key == infoKeyControl || event->key == infoKeyAlt ||
            (event->modifiers & infoModifierAlt))
            return 1;
        testOnKeyDown((event->modifiers & infoModifierControl) != 0);
        return 1;
    case infoEventKeyUp:
        if (event->key == 'p' && (event->modifiers & infoModifierAlt))
            testOnScreenshotKey();
        return 1;
    default: return 0;
    }
}

} // namespace

TestWindowPlatform &testWindowPlatform()
{
    /* The probe's backend makes the window; its partner here serves it. */
    static TestWindowPlatform *const platform = [] {
        const std::string backend = probePlatform().name();
        TestWindowPlatform *chosen = nullptr;
#ifdef TESSERA_BACKEND_GLX
        if (backend == "glx")
            chosen = x11TestWindow();
#endif
#ifdef TESSERA_BACKEND_EGL
        if (backend == "egl")
            chosen = eglTestWindow();
#endif
        return chosen;
    }();
    return *platform;
}

void testLoadEntryPoints()
{
    /* GLEW probes with queries a compatibility context may reject. */
    glewExperimental = GL_TRUE;
    glewInit();
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {}
}

bool testCreateWindow(const tsDisplayMode *mode, const tsTestOptions *options)
{
    TestState &g = testState();
    int width = 0, height = 0, bits = 0;
    tsInfoGetDesktop(&width, &height, &bits);
    g.refreshRate = 60;
    bool keepDesktopMode = false;
    const bool fullscreen = (options->flags & optFullscreen) != 0;
    if (mode) {
        width = mode->width;
        height = mode->height;
        bits = mode->bitsPerPixel;
        g.refreshRate = mode->refreshRate;
    } else if (fullscreen) {
        keepDesktopMode = true;
    } else {
        width = 640;
        height = 480;
    }
    if (width <= 0 || height <= 0) {
        width = 640;
        height = 480;
    }
    if (bits <= 0)
        bits = -1;
    g.windowWidth = width;
    g.windowHeight = height;
    g.viewWidth = width;
    g.viewHeight = height;
    g.colorBits = bits;
    const int samples = (options->flags & optMultisample) ? options->samples : 0;
    if (!infoCreateWindow("tessera", width, height, bits, g.refreshRate, samples, fullscreen,
                          keepDesktopMode, true, options->hardware != 0, testWindowEvent, nullptr))
        return false;
    testLoadEntryPoints();
    infoClearQuit();
    testPlatformWindowOpened();
    /* The routine may have fitted the window to the screen. */
    int realWidth = 0, realHeight = 0;
    infoWindowSize(&realWidth, &realHeight);
    if (realWidth > 0 && realHeight > 0) {
        g.windowWidth = g.viewWidth = realWidth;
        g.windowHeight = g.viewHeight = realHeight;
    }
    return true;
}

/* ---- window events -------------------------------------------------------- */

void testOnResize(int width, int height)
{
    if (testState().glReady)
        testSetViewport(width, height, false, false);
}

void testOnActivate(bool active)
{
    testState().active = active;
}

void testOnKeyDown(bool controlHeld)
{
    if (!controlHeld)
        testState().skip = true;
}

void testOnScreenshotKey()
{
    testSaveScreenshot();
}

/* ---- screenshot ------------------------------------------------------------ */

std::string testBitmapBytes(int width, int height, const uint8_t *rows)
{
    const uint32_t stride = (uint32_t(width) * 3u + 3u) & ~3u;
    const uint32_t imageBytes = stride * uint32_t(height);
    std::string out;
    out.reserve(54 + imageBytes);
    le16(out, 0x4D42);
    le32(out, 54 + imageBytes);
    le16(out, 0);
    le16(out, 0);
    le32(out, 54);
    le32(out, 40);
    le32(out, uint32_t(width));
    le32(out, uint32_t(height));
    le16(out, 1);
    le16(out, 24);
    le32(out, 0); /* compression */
    le32(out, 0); /* image size: may be 0 for uncompressed rows */
    le32(out, 0);
    le32(out, 0);
    le32(out, 0);
    le32(out, 0);
    out.append(reinterpret_cast<const char *>(rows), imageBytes);
    return out;
}

std::string testWriteScreenshot(const std::string &folder, int width, int height,
                                const uint8_t *rows)
{
    if (width <= 0 || height <= 0 || !rows)
        return std::string();
    const std::string bytes = testBitmapBytes(width, height, rows);

    /* Written to a temporary file first, then linked under the first free
     * number: a file that appears meanwhile is never overwritten. */
    std::string tmp = joinPath(folder, ".driftshot-XXXXXX");
    std::vector<char> tmpName(tmp.begin(), tmp.end());
    tmpName.push_back('\0');
    const int fd = ::mkstemp(tmpName.data());
    if (fd < 0)
        return std::string();
    bool ok = writeWhole(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
        ::unlink(tmpName.data());
        return std::string();
    }
    ::chmod(tmpName.data(), 0644);
    for (int n = 0; n < 100000; ++n) {
        char name[260];
        std::snprintf(name, sizeof name, "driftshot%04d.BMP", n);
        const std::string path = joinPath(folder, name);
        if (fileExists(path))
            continue;
        if (::link(tmpName.data(), path.c_str()) == 0) {
            ::unlink(tmpName.data());
            return path;
        }
        if (errno == EEXIST)
            continue;
        /* A file system without hard links: rename (the name was free). */
        if (::rename(tmpName.data(), path.c_str()) == 0)
            return path;
        break;
    }
    ::unlink(tmpName.data());
    return std::string();
}

std::string testSaveScreenshot()
{
    TestState &g = testState();
    if (!g.glReady || g.viewWidth <= 0 || g.viewHeight <= 0)
        return std::string();
    const size_t stride = (size_t(g.viewWidth) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> rows;
    try {
        rows.resize(stride * size_t(g.viewHeight));
    } catch (...) {
        return std::string();
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, g.viewWidth, g.viewHeight, GL_BGR_EXT, GL_UNSIGNED_BYTE, rows.data());
    return testWriteScreenshot(desktopDirectory(), g.viewWidth, g.viewHeight, rows.data());
}

} // namespace sounder

using namespace sounder;

extern "C" {

const tsTestUnit tsTestUnitDefault[TS_TEST_UNIT_COUNT] = {
    {1, "1.1 (texturing)", -1},          {1, "1.2 (locked arrays)", -1},
    {1, "1.3 (multitexture)", -1},       {1, "1.4 (vertex program)", -1},
    {1, "1.5 (vertex objects)", -1},     {1, "2.0 (shading language)", -1},
    {1, "2.1 (pixel buffer object)", -1}};

SOUNDER_API int32_t tsTestRun(int32_t results[TS_TEST_UNIT_COUNT], const tsDisplayMode *mode,
                              tsTestOptions *options)
{
    if (!results || !options)
        return 0;
    TestState &g = testState();
    g.objectCount = 64;
    g.glReady = false;
    g.baseDistance = 5.0f;
    g.fogColor[0] = 0.f;
    g.fogColor[1] = 0.f;
    g.fogColor[2] = 1.f;
    g.fogColor[3] = 1.f;
    g.selectedCount = 0;
    g.startedCount = 0;
    g.options = options;
    g.quit = false;
    g.active = true;
    g.targetsActive = false;
    g.framebufferBound = false;
    testClockReset();

    for (int i = 0; i < TS_TEST_UNIT_COUNT; ++i)
        if (results[i] == 0)
            ++g.selectedCount;
    if (g.selectedCount == 0)
        return 0;

    if (!testCreateWindow(mode, options))
        return -1;

    if (!testInitGL(options)) {
        for (int i = 0; i < TS_TEST_UNIT_COUNT; ++i)
            if (results[i] == 0)
                results[i] = -1;
        testShutdown();
        return -9;
    }

    bool displayLost = false;
    for (int i = 0; i < TS_TEST_UNIT_COUNT && g.startedCount < g.selectedCount; ++i) {
        if (results[i] != 0)
            continue;
        if (g.quit) {
            /* The window was closed (or its display is gone): the remaining
             * units are not measured. */
            results[i] = -1;
            continue;
        }
        ++g.startedCount;
        tsReportContext(tsTestUnitDefault[i].name);
        testStartUnit(options, i);
        testPumpFrames();
        results[i] = testFramesPerSecond();
        /* A display that went away cut the unit short (or made its frames
         * go nowhere): its rate measures nothing.  The loss is logged under
         * the unit's name; the units measured before keep their rates. */
        if (!infoCheckConnection()) {
            results[i] = -1;
            g.quit = true;
            displayLost = true;
        }
        testPlatformMakeWindowCurrent();
        if (testUnitTable[i].release)
            testUnitTable[i].release();
    }

    testShutdown();
    g.options = nullptr;
    return displayLost ? TS_TEST_DISPLAY_LOST : 0;
}

} // extern "C"
