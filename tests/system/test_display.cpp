/* Desktop, display modes and monitors on private Xvfb servers of known
 * geometry, the EDID name reader, and the behaviour without a display. */
#include <gtest/gtest.h>

#include "probe/display.h"
#include "sounder/system.h"
#include "support/xvfb.h"

#include <X11/Xlib.h>

#include <cstring>
#include <vector>

namespace {

/* A 128-byte EDID block with the given descriptors placed at 54, 72, 90, 108. */
std::vector<unsigned char> edidBlock(const std::vector<std::vector<unsigned char>> &descriptors)
{
    std::vector<unsigned char> edid(128, 0);
    const unsigned char header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::memcpy(edid.data(), header, sizeof header);
    size_t offset = 54;
    for (const auto &d : descriptors) {
        std::memcpy(edid.data() + offset, d.data(), std::min<size_t>(18, d.size()));
        offset += 18;
    }
    return edid;
}

std::vector<unsigned char> textDescriptor(unsigned char tag, const char *text)
{
    std::vector<unsigned char> d(18, 0x20);
    d[0] = d[1] = d[2] = 0;
    d[3] = tag;
    d[4] = 0;
    size_t n = std::strlen(text);
    for (size_t i = 0; i < n && i < 13; ++i)
        d[5 + i] = static_cast<unsigned char>(text[i]);
    if (n < 13)
        d[5 + n] = 0x0A;
    return d;
}

std::vector<unsigned char> timingDescriptor()
{
    std::vector<unsigned char> d(18, 0);
    d[0] = 0x02; /* pixel clock: not a display descriptor */
    d[1] = 0x3A;
    d[3] = 0xFC; /* must not be taken for a name */
    return d;
}

int userHandlerCalls = 0;
int userHandler(Display *, XErrorEvent *)
{
    ++userHandlerCalls;
    return 0;
}

} // namespace

TEST(Edid, MonitorNameDescriptor)
{
    auto edid = edidBlock({timingDescriptor(), textDescriptor(0xFF, "SERIAL123"),
                           textDescriptor(0xFC, "DELL U2412M")});
    EXPECT_EQ(sounder::edidMonitorName(edid.data(), edid.size()), "DELL U2412M");

    /* 13 characters without a line feed; trailing blanks trimmed */
    edid = edidBlock({textDescriptor(0xFC, "ABCDEFGHIJKLM")});
    EXPECT_EQ(sounder::edidMonitorName(edid.data(), edid.size()), "ABCDEFGHIJKLM");
    auto padded = textDescriptor(0xFC, "LG");
    padded[7] = ' ';
    padded[8] = ' ';
    padded[9] = 0x0A;
    edid = edidBlock({padded});
    EXPECT_EQ(sounder::edidMonitorName(edid.data(), edid.size()), "LG");

    /* no name descriptor, a short block, a null pointer */
    edid = edidBlock({timingDescriptor(), textDescriptor(0xFE, "Panel")});
    EXPECT_EQ(sounder::edidMonitorName(edid.data(), edid.size()), "");
    edid = edidBlock({textDescriptor(0xFC, "Short")});
    EXPECT_EQ(sounder::edidMonitorName(edid.data(), 127), "");
    EXPECT_EQ(sounder::edidMonitorName(nullptr, 128), "");

    /* control bytes are dropped rather than copied into a text field */
    auto odd = textDescriptor(0xFC, "A\x01"
                                    "B");
    edid = edidBlock({odd});
    EXPECT_EQ(sounder::edidMonitorName(edid.data(), edid.size()), "AB");
}

TEST(Edid, RefreshFromTimings)
{
    EXPECT_EQ(sounder::refreshFromTimings(148500000, 2200, 1125), 60);
    EXPECT_EQ(sounder::refreshFromTimings(25175000, 800, 525), 60);    /* 59.94 rounds to 60 */
    EXPECT_EQ(sounder::refreshFromTimings(108000000, 1688, 1066), 60); /* 60.02 */
    EXPECT_EQ(sounder::refreshFromTimings(135000000, 1688, 1066), 75);
    EXPECT_EQ(sounder::refreshFromTimings(0, 1688, 1066), 0); /* Xvfb */
    EXPECT_EQ(sounder::refreshFromTimings(108000000, 0, 1066), 0);
    EXPECT_EQ(sounder::refreshFromTimings(108000000, 1688, 0), 0);
    EXPECT_EQ(sounder::refreshFromTimings(4000000000UL, 65535, 65535), 1);
}

TEST(Display, XvfbOfKnownGeometry)
{
    XvfbServer server("1280x1024x24");
    ASSERT_TRUE(server.running()) << "Xvfb could not be started";

    sounder::DisplayModeInfo mode;
    ASSERT_TRUE(sounder::desktopMode(mode));
    EXPECT_EQ(mode.width, 1280);
    EXPECT_EQ(mode.height, 1024);
    EXPECT_EQ(mode.bitsPerPixel, 32); /* depth 24 is stored in 32 bits */
    EXPECT_EQ(mode.refresh, 0);       /* Xvfb's modes carry no dot clock */

    int w = -1, h = -1, bits = -1;
    tsInfoGetDesktop(&w, &h, &bits);
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 1024);
    EXPECT_EQ(bits, 32);
    tsInfoGetDesktop(nullptr, nullptr, nullptr);

    std::vector<sounder::DisplayModeInfo> modes = sounder::listDisplayModes();
    ASSERT_FALSE(modes.empty());
    EXPECT_EQ(modes[0].width, 1280);
    EXPECT_EQ(modes[0].height, 1024);
    for (const auto &m : modes) {
        EXPECT_EQ(m.bitsPerPixel, 32);
        EXPECT_GT(m.width, 0);
        EXPECT_GT(m.height, 0);
    }

    std::vector<sounder::MonitorInfo> monitors = sounder::listMonitors();
    ASSERT_EQ(monitors.size(), 1u);
    EXPECT_EQ(monitors[0].deviceName, "screen");
    EXPECT_EQ(monitors[0].deviceString, "screen"); /* no EDID: the output name */
}

TEST(Display, OtherGeometryAndDepth)
{
    XvfbServer server("1024x768x16");
    ASSERT_TRUE(server.running()) << "Xvfb could not be started";
    sounder::DisplayModeInfo mode;
    ASSERT_TRUE(sounder::desktopMode(mode));
    EXPECT_EQ(mode.width, 1024);
    EXPECT_EQ(mode.height, 768);
    EXPECT_EQ(mode.bitsPerPixel, 16);

    tsSystemInfo info;
    std::memset(&info, 0, sizeof info);
    ASSERT_EQ(tsDescribeSystem(&info, nullptr, 0), 1);
    EXPECT_STREQ(info.desktopMode, " 1024 x 768 x 16 bpp (0 Hz)");
    tsSystemInfoRelease(&info);
}

TEST(Display, NoDisplayGivesZerosAndEmptyLists)
{
    for (const char *value : {static_cast<const char *>(nullptr), ":9876", "not-a-display"}) {
        ScopedEnv env("DISPLAY", value);
        sounder::DisplayModeInfo mode;
        mode.width = 5;
        EXPECT_FALSE(sounder::desktopMode(mode));
        EXPECT_EQ(mode.width, 0);
        EXPECT_EQ(mode.bitsPerPixel, 0);
        EXPECT_TRUE(sounder::listDisplayModes().empty());
        EXPECT_TRUE(sounder::listMonitors().empty());
        int w = -1, h = -1, bits = -1;
        tsInfoGetDesktop(&w, &h, &bits);
        EXPECT_EQ(w, 0);
        EXPECT_EQ(h, 0);
        EXPECT_EQ(bits, 0);
    }
}

TEST(Display, PreviousErrorHandlerIsRestored)
{
    XvfbServer server("800x600x24");
    ASSERT_TRUE(server.running());
    XErrorHandler before = XSetErrorHandler(userHandler);
    sounder::DisplayModeInfo mode;
    sounder::desktopMode(mode);
    sounder::listDisplayModes();
    sounder::listMonitors();
    XErrorHandler now = XSetErrorHandler(before);
    EXPECT_EQ(now, &userHandler);
    EXPECT_EQ(userHandlerCalls, 0);
}
