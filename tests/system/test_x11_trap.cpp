/* The X error trap: a grab records the errors of its own display only, the
 * innermost grab of a display records, and the handler installed before the
 * first grab gets every other error and is back once the last grab ends.
 * Display facts asked over a caller's connection leave its errors alone. */
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <string>
#include <vector>

#include "probe/display_x11.h"
#include "probe/x11_api.h"
#include "probe/x11_trap.h"
#include "support/xvfb.h"

namespace {

std::vector<Display *> g_userErrors; /* displays whose errors reached the user's handler */

int userHandler(Display *dpy, XErrorEvent *)
{
    g_userErrors.push_back(dpy);
    return 0;
}

/* A request that the server refuses with BadWindow. */
void badRequest(Display *dpy)
{
    XMapWindow(dpy, static_cast<Window>(0x3fffff01));
}

class X11Trap : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server_.running()) << "Xvfb could not be started";
        a_ = XOpenDisplay(nullptr);
        b_ = XOpenDisplay(nullptr);
        ASSERT_TRUE(a_ && b_);
        g_userErrors.clear();
        before_ = XSetErrorHandler(userHandler);
    }
    void TearDown() override
    {
        XSetErrorHandler(before_);
        if (a_)
            XCloseDisplay(a_);
        if (b_)
            XCloseDisplay(b_);
    }

    XvfbServer server_{"800x600x24"};
    Display *a_ = nullptr;
    Display *b_ = nullptr;
    XErrorHandler before_ = nullptr;
};

TEST_F(X11Trap, GrabsRecordTheirOwnDisplayOnly)
{
    sounder::x11GrabErrors(a_);
    badRequest(b_); /* another display's error is not the grab's */
    XSync(b_, False);
    EXPECT_EQ(g_userErrors, std::vector<Display *>{b_});

    sounder::x11GrabErrors(a_); /* nested: the inner grab records */
    badRequest(a_);
    sounder::X11Error inner;
    EXPECT_EQ(sounder::x11ReleaseErrors(a_, &inner), BadWindow);
    EXPECT_NE(std::string(inner.text).find("BadWindow"), std::string::npos) << inner.text;
    EXPECT_EQ(sounder::x11TrappedErrors(a_), 0) << "the outer grab saw the inner one's error";

    badRequest(a_);
    XSync(a_, False);
    EXPECT_EQ(sounder::x11TrappedErrors(a_), 1);
    EXPECT_EQ(sounder::x11ReleaseErrors(a_), BadWindow);

    /* Every grab ended: the user's handler is back and gets a's errors. */
    EXPECT_EQ(XSetErrorHandler(userHandler), &userHandler);
    badRequest(a_);
    XSync(a_, False);
    EXPECT_EQ(g_userErrors, (std::vector<Display *>{b_, a_}));
}

TEST_F(X11Trap, ScopedTrapAndDisplayFactsOnACallersConnection)
{
    badRequest(a_); /* made before the grab: not the grab's */
    {
        sounder::X11ErrorTrap trap(a_);
        EXPECT_EQ(trap.release(), 0) << "an error of earlier requests was charged to the grab";
    }
    EXPECT_EQ(g_userErrors, std::vector<Display *>{a_});
    {
        sounder::X11ErrorTrap trap(a_);
        badRequest(a_);
    } /* the scope's end releases it: the error stays with the trap */
    XSync(a_, False);
    EXPECT_EQ(g_userErrors.size(), 1u);

    /* The display facts over a's connection: the server's one output and
     * its mode, and b's errors still reach the user's handler meanwhile. */
    std::vector<sounder::MonitorInfo> monitors = sounder::listMonitors(a_);
    ASSERT_EQ(monitors.size(), 1u);
    std::vector<sounder::DisplayModeInfo> modes = sounder::listDisplayModes(a_);
    ASSERT_FALSE(modes.empty());
    EXPECT_EQ(modes[0].width, 800);
    EXPECT_EQ(sounder::listOutputModes(a_, monitors[0].deviceName.c_str()).size(), modes.size());
    sounder::DisplayModeInfo desktop;
    EXPECT_TRUE(sounder::desktopMode(a_, desktop));
    EXPECT_EQ(desktop.height, 600);
    badRequest(b_);
    XSync(b_, False);
    EXPECT_EQ(g_userErrors, (std::vector<Display *>{a_, b_}));
    EXPECT_FALSE(sounder::desktopMode(nullptr, desktop));
}

// The X functions are loaded when first used: from the global scope (the
// very functions this test links), and when a library is missing, as
// functions that answer nothing instead of null pointers.
TEST(X11Api, LoadsTheLinkedFunctionsOrAnswersNothing)
{
    const sounder::X11Api api = sounder::loadX11Api("libX11.so.6", "libXrandr.so.2", "libGL.so.1");
    ASSERT_TRUE(api.loaded()) << api.missing;
    EXPECT_EQ(api.XOpenDisplay, &XOpenDisplay);
    EXPECT_EQ(api.XSync, &XSync);

    const sounder::X11Api absent =
        sounder::loadX11Api("libX11.so.6", "libXrandr-absent.so.2", "libGL.so.1");
    EXPECT_FALSE(absent.loaded());
    EXPECT_NE(absent.missing.find("libXrandr-absent.so.2"), std::string::npos) << absent.missing;
    int event = 0, error = 0;
    EXPECT_EQ(absent.XOpenDisplay(nullptr), nullptr);
    EXPECT_EQ(absent.XRRQueryExtension(nullptr, &event, &error), False);
    EXPECT_EQ(absent.glXGetCurrentContext(), nullptr);
    EXPECT_EQ(absent.glXGetProcAddressARB(reinterpret_cast<const GLubyte *>("glFinish")), nullptr);
    absent.XSync(nullptr, False);
}

} // namespace
