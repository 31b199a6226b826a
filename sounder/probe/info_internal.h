/* Internal routines of the information probe that the rendering tests and
 * the database code use: the window and context routine, buffer swaps, the
 * event pump, framebuffer status texts, the window-system name mapping and
 * the entry-point check.
 *
 * One window and context exist per process (the probe's); these routines
 * run on the thread that created it.  Native handles are handed out as
 * opaque values and events as InfoEvent, so that this header names no type
 * of a window system. */
#ifndef SOUNDER_PROBE_INFO_INTERNAL_H
#define SOUNDER_PROBE_INFO_INTERNAL_H

#include <stdint.h>

#include <string>

#include "probe/window_event.h"
#include "sounder/probe.h"

/* Creates the probe window and its context and makes the context current.
 * title: window title; width, height: client area; bits: colour depth, -1
 * for the desktop's; refreshRate: wanted refresh for full screen (0 for any);
 * samples: 0 for no multisampling; fullscreen: switch the primary output to
 * width x height (the current mode when keepDesktopMode) and cover it;
 * show: map the window and give it the focus; hardware: 0 for the software
 * rasteriser, else the default driver; handler: null for the default one.
 * Empties the failure log first; logs every failure and returns false after
 * tearing down what it built. */
bool infoCreateWindow(const char *title, int width, int height, int bits, int refreshRate,
                      int samples, bool fullscreen, bool keepDesktopMode, bool show, bool hardware,
                      InfoEventHandler handler, void *user = nullptr);
/* Tears the window and context down (each part only if present), restores
 * a changed display mode and the previous X error handler. */
void infoDestroyWindow();
/* True while a window and current context exist. */
bool infoWindowOpen();
/* Swaps the buffers of the probe window. */
void infoSwapBuffers();
/* Unmaps the probe window and shows the cursor again. */
void infoHideWindow();
/* Dispatches every pending event of the probe window to the handler.
 * Returns false once a quit was requested (infoPostQuit). */
bool infoProcessEvents();
/* Requests the event loop to end (the counterpart of PostQuitMessage). */
void infoPostQuit(int code);
bool infoQuitRequested();
/* Clears a quit request (a new test run starts with none). */
void infoClearQuit();
/* The default handling: a close request posts quit 0.  Returns 1 when it
 * handled the event. */
int infoDefaultEventHandler(const InfoEvent *event, void *user);

/* True while the open window's connection to the window system stands (or
 * no window is open); logs "Display connection lost: ..." and returns false
 * once it is gone. */
bool infoCheckConnection();

/* Current client size of the probe window (0 x 0 without window). */
void infoWindowSize(int *width, int *height);
/* Native handles of the open probe (0 / null when closed): Display *,
 * Window, GLXFBConfig, GLXContext, and the screen number. */
void *infoNativeDisplay();
unsigned long infoNativeWindow();
void *infoNativeConfig();
void *infoNativeContext();
int infoNativeScreen();
/* Sets the swap interval through whichever swap-control extension the
 * window system lists.  Returns 1 when one took it. */
int infoSetSwapInterval(int interval);
/* Colour depth of the desktop in bits per pixel (24-bit depth is 32 bpp);
 * 0 without display. */
int infoDesktopBits();

/* Text for a framebuffer-object completeness status ("" when complete). */
const char *framebufferStatusText(unsigned int status);

/* The window-system extension list of the open probe ("" when none). */
std::string infoWindowSystemExtensions();

/* Name of the same feature on this window system for a WGL name: extension
 * names (WGL_ARB_multisample -> GLX_ARB_multisample) and entry points
 * (wglSwapIntervalEXT -> glXSwapIntervalEXT).  Null when there is none;
 * names that are not WGL names are returned unchanged. */
const char *infoWindowSystemName(const char *wglName);

/* Counterpart of wglGetProcAddress for the entry-point check; valid while a
 * probe context is current.  gl* names resolve when the driver's dispatch
 * table knows them; glX* names when their extension is listed by the
 * window system or they belong to the GLX version that client and server
 * both report; wgl* names through their GLX counterpart.  Returns 1 or 0. */
int infoHasEntryPoint(const char *name);
/* 1 when infoHasEntryPoint can tell for gl* names on the current context
 * (the vendor library behind it offers a dispatch table to ask), 0 when
 * every gl* name would read as missing for want of a check. */
int infoEntryPointsCheckable();

/* Video memory in megabytes as the record stores it: bytes / 1 MiB + 16,
 * rounded down to a multiple of 32, in 64 bits, clamped to 32 bits only at
 * the end. */
uint32_t infoVideoMemoryMegabytes(uint64_t bytes);

namespace sounder {
using ::framebufferStatusText;
using ::infoCheckConnection;
using ::infoClearQuit;
using ::infoCreateWindow;
using ::infoDefaultEventHandler;
using ::infoDesktopBits;
using ::infoDestroyWindow;
using ::infoEntryPointsCheckable;
using ::infoHasEntryPoint;
using ::infoHideWindow;
using ::infoNativeConfig;
using ::infoNativeContext;
using ::infoNativeDisplay;
using ::infoNativeScreen;
using ::infoNativeWindow;
using ::infoPostQuit;
using ::infoProcessEvents;
using ::infoQuitRequested;
using ::infoSetSwapInterval;
using ::infoSwapBuffers;
using ::infoVideoMemoryMegabytes;
using ::infoWindowOpen;
using ::infoWindowSize;
using ::infoWindowSystemExtensions;
using ::infoWindowSystemName;
} // namespace sounder

#endif
