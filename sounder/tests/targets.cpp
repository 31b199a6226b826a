/* Off-screen render targets of the rendering tests: a framebuffer object
 * with a colour texture and a depth renderbuffer, or a pixel buffer of the
 * window system whose image is copied into a texture.  Target 0 is drawn
 * into; each frame its texture is blended over the window. */
#include "probe/info_internal.h"
#include "sounder/probe.h"
#include "tests/test_internal.h"

namespace sounder {

namespace {

/* Source named in the framebuffer-object failure messages. */
constexpr const char *kSourceName = "sounder/tests/targets.cpp";

} // namespace

const char *testTargetErrorText(int code)
{
    switch (code) {
    case targetNoPixelFormat: return "wglChoosePixelFormatARB: Couldn't find a valid pixel format.";
    case targetNoDrawable: return "wglGetPbufferDCARB: Couldn't get HDC from PBuffer.";
    case targetNoContext: return "wglCreateContext: Couldn't create context for PBuffer.";
    case targetBadPixelFormat:
        return "wglCreatePbufferARB: Couldn't create PBuffer (Pixel format is not valid.)";
    case targetNoResources:
        return "wglCreatePbufferARB: Couldn't create PBuffer (Insufficient resources exist.)";
    case targetBadAttributes:
        return "wglCreatePbufferARB: Couldn't create PBuffer (Invalid attribute list.)";
    default: return "";
    }
}

int testCheckFramebuffer(const char *source, int line)
{
    const GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    if (status == GL_FRAMEBUFFER_COMPLETE_EXT)
        return 0;
    tsReportFailure("GL_EXT_framebuffer_object violation: %s(%d): %s (%x)\n", source, line,
                    framebufferStatusText(status), status);
    return -1;
}

int testCreateRenderTarget(testRenderTarget **out, GLenum type, int width, int height,
                           bool framebufferObject, bool floatTarget)
{
    *out = nullptr;
    auto *t = new testRenderTarget;
    t->type = type;
    t->width = width;
    t->height = height;
    if (GLEW_ARB_multitexture)
        glActiveTextureARB(GL_TEXTURE0_ARB);
    glGenTextures(1, &t->texture);
    glBindTexture(type, t->texture);
    const GLint filter = floatTarget ? GL_NEAREST : GL_LINEAR;
    glTexParameteri(type, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(type, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(type, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(type, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

    if (framebufferObject) {
        t->isFramebufferObject = true;
        if (!GLEW_EXT_framebuffer_object) {
            testReleaseRenderTarget(t);
            return targetIncomplete;
        }
        glGenFramebuffersEXT(1, &t->framebuffer);
        glGenRenderbuffersEXT(1, &t->depthBuffer);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, t->framebuffer);
        glBindTexture(type, t->texture);
        glTexImage2D(type, 0, floatTarget ? GL_RGB16F_ARB : GL_RGB8, width, height, 0, GL_RGB,
                     floatTarget ? GL_FLOAT : GL_UNSIGNED_BYTE, nullptr);
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, type, t->texture,
                                  0);
        glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, t->depthBuffer);
        /* Only the colour image is attached at this point: a complete
         * framebuffer is expected already. */
        if (testCheckFramebuffer(kSourceName, __LINE__) != 0) {
            glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
            testReleaseRenderTarget(t);
            return targetIncomplete;
        }
        glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, width, height);
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                                     GL_RENDERBUFFER_EXT, t->depthBuffer);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        /* Checked with framebuffer 0 bound, as the window's: the target's
         * own completeness was checked above and at every bind. */
        if (testCheckFramebuffer(kSourceName, __LINE__) != 0) {
            testReleaseRenderTarget(t);
            return targetIncomplete;
        }
    } else {
        /* The pixel buffer's image is copied into this texture each frame,
         * so the texture needs storage of the target's size. */
        glTexImage2D(type, 0, GL_RGB8, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        const int code = testPlatformCreatePbuffer(t);
        if (code != 0) {
            testReleaseRenderTarget(t);
            return code;
        }
        testMakeTargetCurrent(nullptr);
        if (t->width != width || t->height != height) {
            /* The window system gave another size: match the texture. */
            glBindTexture(type, t->texture);
            glTexImage2D(type, 0, GL_RGB8, t->width, t->height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                         nullptr);
        }
    }
    glBindTexture(type, 0);
    *out = t;
    return 0;
}

void testCreateRenderTargets(tsTestOptions *options)
{
    TestState &g = testState();
    GLenum type = GL_TEXTURE_2D;
    int width = g.windowWidth / 2, height = g.windowHeight / 2;
    if (GLEW_ARB_texture_non_power_of_two) {
        type = GL_TEXTURE_2D;
    } else if (GLEW_ARB_texture_rectangle || GLEW_EXT_texture_rectangle ||
               GLEW_NV_texture_rectangle) {
        type = GL_TEXTURE_RECTANGLE_ARB;
    } else if (!GLEW_VERSION_2_0) {
        width = 512;
        height = 512;
    }
    const bool fbo = (options->flags & optFramebufferObject) != 0;
    const bool floatTarget = (options->flags & optFloatTarget) != 0;
    for (int i = 0; i < 2; ++i) {
        testRenderTarget *t = nullptr;
        const int code = testCreateRenderTarget(&t, type, width, height, fbo, floatTarget);
        if (code != 0) {
            tsReportFailure("Pixelbuffer Creation Failed (Size: %d x %d):\n%s", width, height,
                            testTargetErrorText(code));
            options->flags &= ~uint32_t(optPbuffer);
            break;
        }
        g.targets[i] = t;
        g.targetsActive = true;
    }
}

void testMakeTargetCurrent(testRenderTarget *target)
{
    TestState &g = testState();
    if (target) {
        if (target->isFramebufferObject) {
            glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target->framebuffer);
            testCheckFramebuffer(kSourceName, __LINE__);
            g.framebufferBound = true;
        } else {
            testPlatformMakePbufferCurrent(target);
        }
        return;
    }
    if (g.framebufferBound) {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        testCheckFramebuffer(kSourceName, __LINE__);
        g.framebufferBound = false;
    } else {
        testPlatformMakeWindowCurrent();
        glDrawBuffer(GL_BACK);
    }
}

void testDrawTargetToWindow(testRenderTarget *target, bool blended)
{
    TestState &g = testState();
    /* A pixel buffer's image reaches the texture by a copy made in the
     * pixel buffer's own context. */
    if (!target->isFramebufferObject)
        testPlatformCopyPbufferToTexture(target);
    testMakeTargetCurrent(nullptr);
    if (GLEW_ARB_multitexture)
        glActiveTextureARB(GL_TEXTURE0_ARB);
    testSetViewport(g.windowWidth, g.windowHeight, false, false);
    if (!blended || g.frameCount < 2)
        glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 1, 0, 1, -1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glShadeModel(GL_FLAT);
    if (!blended) {
        glDisable(GL_BLEND);
        glColor4f(1.f, 1.f, 1.f, 1.f);
    } else {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_BLEND);
        glColor4f(1.f, 1.f, 1.f, 0.078431375f);
    }
    /* The window keeps GL_MODULATE from the end of the previous frame; the
     * quad must show the texture as it is, scaled by the colour. */
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(target->type);
    glBindTexture(target->type, target->texture);
    const float w = float(target->width), h = float(target->height);
    glBegin(GL_TRIANGLE_STRIP);
    if (target->type == GL_TEXTURE_2D) {
        /* The same orientation as the rectangle texture below: the target's
         * top row at the top of the window, not turned half round. */
        glTexCoord2f(0, 1);
        glVertex2f(0, 0);
        glTexCoord2f(0, 0);
        glVertex2f(0, 1);
        glTexCoord2f(1, 1);
        glVertex2f(1, 0);
        glTexCoord2f(1, 0);
        glVertex2f(1, 1);
    } else {
        glTexCoord2f(0, h);
        glVertex2f(0, 0);
        glTexCoord2f(0, 0);
        glVertex2f(0, 1);
        glTexCoord2f(w, h);
        glVertex2f(1, 0);
        glTexCoord2f(w, 0);
        glVertex2f(1, 1);
    }
    glEnd();
    glDisable(target->type);
    glFinish();
}

void testReleaseRenderTarget(testRenderTarget *target)
{
    if (!target)
        return;
    if (target->isFramebufferObject) {
        if (GLEW_EXT_framebuffer_object) {
            if (target->depthBuffer)
                glDeleteRenderbuffersEXT(1, &target->depthBuffer);
            if (target->framebuffer)
                glDeleteFramebuffersEXT(1, &target->framebuffer);
        }
    } else if (target->pbuffer) {
        testPlatformReleasePbuffer(target);
        testPlatformMakeWindowCurrent();
    }
    if (target->texture)
        glDeleteTextures(1, &target->texture);
    delete target;
}

void testReleaseRenderTargets()
{
    TestState &g = testState();
    if (g.framebufferBound) {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        g.framebufferBound = false;
    }
    for (auto &t : g.targets) {
        testReleaseRenderTarget(t);
        t = nullptr;
    }
    g.targetsActive = false;
}

} // namespace sounder
