// The window and context routine that the rendering tests share: shown and
// hidden windows, requested size and depth, multisampling, full screen and
// the caller's event handler, on the private Xvfb.
#include <gtest/gtest.h>

#include <GL/glew.h>
#include <X11/Xlib.h>

#include <string.h>
#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include "probe/info_internal.h"
#include "sounder/probe.h"

namespace {

struct Seen {
    std::vector<int> types;
    int closeRequests = 0;
    bool swallowClose = false;
};

int recordingHandler(const InfoEvent *event, void *user)
{
    Seen *seen = static_cast<Seen *>(user);
    seen->types.push_back(event->type);
    if (event->type == infoEventClose) {
        ++seen->closeRequests;
        return seen->swallowClose ? 1 : 0;
    }
    return 0;
}

void pause10ms()
{
    struct timespec t = {0, 10 * 1000 * 1000};
    nanosleep(&t, nullptr);
}

int mapState()
{
    Display *dpy = static_cast<Display *>(infoNativeDisplay());
    XWindowAttributes wa;
    XSync(dpy, False);
    if (!XGetWindowAttributes(dpy, infoNativeWindow(), &wa))
        return -1;
    return wa.map_state;
}

void sendCloseRequest()
{
    Display *dpy = static_cast<Display *>(infoNativeDisplay());
    XEvent ev;
    memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.window = infoNativeWindow();
    ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, infoNativeWindow(), False, NoEventMask, &ev);
    XSync(dpy, False);
}

TEST(ProbeWindow, ShownWindowWithHandlerAndQuit)
{
    Seen seen;
    infoClearQuit();
    ASSERT_TRUE(infoCreateWindow("tessera", 320, 200, -1, 60, 0, false, false, true, true,
                                 recordingHandler, &seen))
        << tsReportGetLogFile();
    EXPECT_TRUE(infoWindowOpen());
    EXPECT_EQ(mapState(), IsViewable);
    int w = 0, h = 0;
    infoWindowSize(&w, &h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 200);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 200);

    // Drawing and swapping work on the window.
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    infoSwapBuffers();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    for (int i = 0; i < 50 && seen.types.empty(); ++i) {
        EXPECT_TRUE(infoProcessEvents());
        pause10ms();
    }
    // Being mapped reaches the handler as an activation.
    EXPECT_NE(std::find(seen.types.begin(), seen.types.end(), int(infoEventActivate)),
              seen.types.end());

    // A close request the handler swallows does not quit.
    seen.swallowClose = true;
    sendCloseRequest();
    EXPECT_TRUE(infoProcessEvents());
    EXPECT_EQ(seen.closeRequests, 1);
    EXPECT_FALSE(infoQuitRequested());
    // One it passes on quits through the default handling.
    seen.swallowClose = false;
    sendCloseRequest();
    EXPECT_FALSE(infoProcessEvents());
    EXPECT_EQ(seen.closeRequests, 2);
    EXPECT_TRUE(infoQuitRequested());
    infoClearQuit();

    infoHideWindow();
    EXPECT_EQ(mapState(), IsUnmapped);
    infoDestroyWindow();
    EXPECT_FALSE(infoWindowOpen());
}

TEST(ProbeWindow, HiddenWindowStaysUnmapped)
{
    ASSERT_TRUE(infoCreateWindow("OpenGL", 64, 48, 32, 0, 0, false, false, false, false, nullptr))
        << tsReportGetLogFile();
    EXPECT_EQ(mapState(), IsUnmapped);
    EXPECT_NE(infoNativeContext(), nullptr);
    EXPECT_NE(infoNativeConfig(), nullptr);
    GLint red = 0;
    glGetIntegerv(GL_RED_BITS, &red);
    EXPECT_EQ(red, 8);
    EXPECT_EQ(tsReportHasErrors(), 0) << tsReportGetLogFile();
    infoDestroyWindow();
}

TEST(ProbeWindow, MultisampledContext)
{
    ASSERT_TRUE(infoCreateWindow("tessera", 64, 64, -1, 60, 4, false, false, false, true, nullptr))
        << tsReportGetLogFile();
    GLint buffers = 0, samples = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &buffers);
    glGetIntegerv(GL_SAMPLES, &samples);
    EXPECT_EQ(buffers, 1);
    EXPECT_GE(samples, 4);
    infoDestroyWindow();
}

TEST(ProbeWindow, ImpossibleMultisamplingIsALoggedFailure)
{
    EXPECT_FALSE(
        infoCreateWindow("tessera", 64, 64, -1, 60, 200, false, false, false, true, nullptr));
    std::string log = tsReportGetLogFile();
    // The teardown runs first, so the failure stands under its step.
    EXPECT_NE(log.find("...DestroyWindow:\r\nCan't Find A Suitable PixelFormat: "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("64 x 64, -1 (AAx200)\n"), std::string::npos) << log;
    EXPECT_FALSE(infoWindowOpen());
    EXPECT_EQ(infoNativeDisplay(), nullptr);
}

TEST(ProbeWindow, FullScreenCoversTheScreen)
{
    ASSERT_TRUE(infoCreateWindow("tessera", 640, 480, -1, 60, 0, true, true, true, true, nullptr))
        << tsReportGetLogFile();
    Display *dpy = static_cast<Display *>(infoNativeDisplay());
    int w = 0, h = 0;
    infoWindowSize(&w, &h);
    EXPECT_EQ(w, DisplayWidth(dpy, DefaultScreen(dpy)));
    EXPECT_EQ(h, DisplayHeight(dpy, DefaultScreen(dpy)));
    EXPECT_EQ(mapState(), IsViewable);
    infoDestroyWindow();

    // Without keeping the desktop mode, a mode the output lacks leaves the
    // mode alone and still covers the screen.
    ASSERT_TRUE(infoCreateWindow("tessera", 640, 480, -1, 60, 0, true, false, true, true, nullptr))
        << tsReportGetLogFile();
    dpy = static_cast<Display *>(infoNativeDisplay());
    infoWindowSize(&w, &h);
    EXPECT_EQ(w, DisplayWidth(dpy, DefaultScreen(dpy)));
    infoDestroyWindow();
}

TEST(ProbeWindow, DesktopBits)
{
    EXPECT_EQ(infoDesktopBits(), 32); // depth 24 is 32 bits per pixel
}

} // namespace
