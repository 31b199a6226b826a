/* Test hooks of the EGL backend (probe/platform_egl.cpp). */
#ifndef SOUNDER_PROBE_PLATFORM_EGL_H
#define SOUNDER_PROBE_PLATFORM_EGL_H

namespace sounder {

/* Names the EGL library the backend loads (null: "libEGL.so.1"); lets a
 * test read through a library that lacks a platform, fails to initialise
 * or offers no desktop OpenGL, or that does not exist. */
void eglSetLibrary(const char *soname);

/* Makes the open window's context current again on its surface (the
 * rendering tests return to it); false when no window is open. */
bool eglMakeWindowCurrent();

} // namespace sounder

#endif
