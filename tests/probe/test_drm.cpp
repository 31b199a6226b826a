// DRM connectors, their modes and monitors, and video memory, read from a
// made-up sysfs tree.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "probe/display_drm.h"
#include "support/temp_dir.h"

namespace {

// An EDID block whose descriptor 0xFC names the monitor.
std::string edidNamed(const std::string &name)
{
    std::string edid(128, '\0');
    const size_t d = 54 + 18; // the second descriptor
    edid[d + 3] = static_cast<char>(0xFC);
    std::string text = name + "\n";
    edid.replace(d + 5, text.size(), text);
    return edid;
}

class DrmTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(dir_.path().empty());
        sounder::drmSetSysfsRoot(dir_.path().c_str());
    }
    void TearDown() override { sounder::drmSetSysfsRoot(nullptr); }
    void connector(const std::string &name, const std::string &status, const std::string &modes,
                   const std::string &edid = "")
    {
        const std::string path = dir_.path() + "/" + name;
        mkdir(path.c_str(), 0755);
        writeWhole(path + "/status", status + "\n");
        writeWhole(path + "/modes", modes);
        writeWhole(path + "/edid", edid);
    }
    void card(const std::string &name, const std::string &vram)
    {
        const std::string path = dir_.path() + "/" + name;
        mkdir(path.c_str(), 0755);
        mkdir((path + "/device").c_str(), 0755);
        if (!vram.empty())
            writeWhole(path + "/device/mem_info_vram_total", vram);
    }
    TempDir dir_;
};

TEST_F(DrmTree, NoControllerGivesNothing)
{
    sounder::DisplayModeInfo mode;
    EXPECT_FALSE(sounder::drmDesktopMode(mode));
    EXPECT_EQ(mode.width, 0);
    EXPECT_TRUE(sounder::drmListDisplayModes().empty());
    EXPECT_TRUE(sounder::drmListMonitors().empty());
    EXPECT_EQ(sounder::drmVideoMemoryBytes(), 0u);
    sounder::drmSetSysfsRoot("/nonexistent/drm");
    EXPECT_TRUE(sounder::drmConnectedConnectors().empty());
}

TEST_F(DrmTree, ConnectedOutputsInOrderWithModesAndMonitorNames)
{
    connector("card0-DP-1", "disconnected", "3840x2160\n");
    connector("card0-HDMI-A-1", "connected", "2560x1440\n1920x1080\n1920x1080i\nbogus\n0x0\n",
              edidNamed("DELL U2720Q  "));
    connector("card1-eDP-1", "connected", "1366x768\n", std::string(100, '\0'));
    card("card0", "");
    card("card1", "25769803776\n"); // 24 GiB: beyond 32 bits

    const std::vector<sounder::DrmConnector> connected = sounder::drmConnectedConnectors();
    ASSERT_EQ(connected.size(), 2u);
    EXPECT_EQ(connected[0].name, "HDMI-A-1");
    EXPECT_EQ(connected[1].name, "eDP-1");

    struct Expected {
        int width, height;
    };
    const std::vector<Expected> expected = {{2560, 1440}, {1920, 1080}, {1920, 1080}};
    const std::vector<sounder::DisplayModeInfo> modes = sounder::drmListDisplayModes();
    ASSERT_EQ(modes.size(), expected.size());
    for (size_t i = 0; i < modes.size(); ++i) {
        EXPECT_EQ(modes[i].width, expected[i].width) << i;
        EXPECT_EQ(modes[i].height, expected[i].height) << i;
        EXPECT_EQ(modes[i].bitsPerPixel, 32);
        EXPECT_EQ(modes[i].refresh, 0);
    }
    sounder::DisplayModeInfo desktop;
    ASSERT_TRUE(sounder::drmDesktopMode(desktop));
    EXPECT_EQ(desktop.width, 2560);
    EXPECT_EQ(sounder::drmListOutputModes("eDP-1").size(), 1u);
    EXPECT_TRUE(sounder::drmListOutputModes("DP-1").empty()) << "not connected";
    EXPECT_TRUE(sounder::drmListOutputModes(nullptr).empty());

    const std::vector<sounder::MonitorInfo> monitors = sounder::drmListMonitors();
    ASSERT_EQ(monitors.size(), 2u);
    EXPECT_EQ(monitors[0].deviceString, "DELL U2720Q");
    EXPECT_TRUE(monitors[0].primary);
    // A short EDID block names no monitor: the connector's name stands in.
    EXPECT_EQ(monitors[1].deviceString, "eDP-1");
    EXPECT_FALSE(monitors[1].primary);

    EXPECT_EQ(sounder::drmVideoMemoryBytes(), 25769803776ull);
}

} // namespace
