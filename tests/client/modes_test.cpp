// Display modes of a named output, against the private X server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "probe/display.h"
#include "probe/display.h"

using sounder::DisplayModeInfo;

namespace {

bool sameModes(const std::vector<DisplayModeInfo> &a, const std::vector<DisplayModeInfo> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].width != b[i].width || a[i].height != b[i].height ||
            a[i].bitsPerPixel != b[i].bitsPerPixel || a[i].refresh != b[i].refresh)
            return false;
    return true;
}

} // namespace

TEST(ClientModes, NamedOutputGivesItsOwnModes)
{
    const std::vector<sounder::MonitorInfo> monitors = sounder::listMonitors();
    ASSERT_FALSE(monitors.empty());
    // Each connected output by its device id; the primary one matches the
    // primary list.
    for (const sounder::MonitorInfo &m : monitors) {
        const std::vector<DisplayModeInfo> modes = sounder::listOutputModes(m.deviceName.c_str());
        EXPECT_FALSE(modes.empty()) << m.deviceName;
        if (m.primary || monitors.size() == 1) {
            EXPECT_TRUE(sameModes(modes, sounder::listDisplayModes())) << m.deviceName;
        }
    }
}

TEST(ClientModes, UnknownNameNullAndNoDisplayGiveNothing)
{
    EXPECT_TRUE(sounder::listOutputModes("no-such-output").empty());
    EXPECT_TRUE(sounder::listOutputModes(nullptr).empty());
    EXPECT_TRUE(sounder::listOutputModes("").empty());
    const std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    const std::vector<sounder::MonitorInfo> monitors = sounder::listMonitors();
    ASSERT_FALSE(monitors.empty());
    setenv("DISPLAY", ":9999", 1);
    EXPECT_TRUE(sounder::listOutputModes(monitors[0].deviceName.c_str()).empty());
    setenv("DISPLAY", saved.c_str(), 1);
}
