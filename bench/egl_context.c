/* The least any EGL reading of a driver does: load the driver on the
 * surfaceless platform, make a compatibility-profile OpenGL context current
 * without a surface and read its strings.  bench/egl.sh times it beside the
 * EGL reading and eglinfo, which loads the driver but makes no context. */
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <stdio.h>

int main(void)
{
    PFNEGLGETPLATFORMDISPLAYEXTPROC getDisplay =
        (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
    if (!getDisplay)
        return 1;
    EGLDisplay dpy = getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, NULL);
    EGLint major, minor, count = 0;
    if (!eglInitialize(dpy, &major, &minor) || !eglBindAPI(EGL_OPENGL_API))
        return 1;
    /* The surfaceless platform has no window configurations; EGL's default
     * surface type is the window bit, so ask for none. */
    const EGLint wanted[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, 0, EGL_NONE};
    EGLConfig config;
    if (!eglChooseConfig(dpy, wanted, &config, 1, &count) || count < 1)
        return 1;
    EGLContext context = eglCreateContext(dpy, config, EGL_NO_CONTEXT, NULL);
    if (context == EGL_NO_CONTEXT ||
        !eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, context))
        return 1;
    printf("%s\n%s\n%s\n", (const char *)glGetString(GL_VENDOR),
           (const char *)glGetString(GL_RENDERER), (const char *)glGetString(GL_VERSION));
    eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(dpy, context);
    eglTerminate(dpy);
    return 0;
}
