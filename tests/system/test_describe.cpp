/* The system description record as the viewer and the client interface
 * fill it. */
#include <gtest/gtest.h>

#include "sounder/system.h"
#include "support/xvfb.h"

#include <sys/utsname.h>

#include <cstring>
#include <fstream>
#include <string>

namespace {

/* NAME of /etc/os-release without quotes, empty when missing. */
std::string distributionName()
{
    std::ifstream f("/etc/os-release");
    std::string line;
    while (std::getline(f, line)) {
        if (line.compare(0, 5, "NAME=") != 0)
            continue;
        std::string v = line.substr(5);
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\''))
            v = v.substr(1, v.size() - 2);
        return v;
    }
    return std::string();
}

} // namespace

TEST(DescribeSystem, UnderTestXvfb)
{
    XvfbServer server("1280x1024x24");
    ASSERT_TRUE(server.running()) << "Xvfb could not be started";

    tsSystemInfo info;
    std::memset(&info, 0, sizeof info);
    tsIcdList icd;
    std::memset(&icd, 0, sizeof icd);
    ASSERT_EQ(tsDescribeSystem(&info, &icd, 0), 1);

    std::string system = info.system;
    EXPECT_NE(system.find("Linux"), std::string::npos) << system;
    struct utsname u;
    ASSERT_EQ(uname(&u), 0);
    EXPECT_NE(system.find(u.release), std::string::npos) << system;
    std::string distro = distributionName();
    if (!distro.empty()) {
        EXPECT_NE(system.find(distro), std::string::npos) << system;
    }

    EXPECT_EQ(std::string(info.processorMode), std::to_string(sizeof(void *) * 8) + "-bit");
    EXPECT_STREQ(info.desktopMode, " 1280 x 1024 x 32 bpp (0 Hz)");
    ASSERT_NE(info.monitor, nullptr);
    EXPECT_STREQ(info.monitor, "screen");
    EXPECT_EQ(info.dxVersion, nullptr); /* the viewer's record has no Direct3D texts */
    EXPECT_EQ(info.dxShaderModel, nullptr);
    EXPECT_GE(icd.count, 1); /* the driver list was filled too */

    /* A second fill releases what the first one held. */
    ASSERT_EQ(tsDescribeSystem(&info, nullptr, 1), 1);
    EXPECT_STREQ(info.dxVersion, "N/A");
    EXPECT_STREQ(info.dxShaderModel, "N/A");
    EXPECT_EQ(info.dxVersion, tsInfoNotAvailableText());
    tsSystemInfoRelease(&info);
    EXPECT_EQ(info.monitor, nullptr);
    EXPECT_EQ(info.dxVersion, nullptr);
    EXPECT_STREQ(tsInfoNotAvailableText(), "N/A"); /* the constant survives release */
    tsSystemInfoRelease(&info);
    tsSystemInfoRelease(nullptr);
}

TEST(DescribeSystem, WithoutDisplay)
{
    ScopedEnv env("DISPLAY", nullptr);
    tsSystemInfo info;
    std::memset(&info, 0, sizeof info);
    ASSERT_EQ(tsDescribeSystem(&info, nullptr, 1), 1);
    EXPECT_STREQ(info.desktopMode, " 0 x 0 x 0 bpp (0 Hz)");
    ASSERT_NE(info.monitor, nullptr);
    EXPECT_STREQ(info.monitor, "Default Monitor");
    EXPECT_NE(std::string(info.system).find("Linux"), std::string::npos);
    tsSystemInfoRelease(&info);
    EXPECT_EQ(tsDescribeSystem(nullptr, nullptr, 0), 0);
}

TEST(DescribeSystem, DirectXTexts)
{
    char *version = nullptr;
    char *shader = nullptr;
    EXPECT_EQ(tsInfoGetDXInfo(&version, &shader), 0);
    ASSERT_NE(version, nullptr);
    ASSERT_NE(shader, nullptr);
    EXPECT_STREQ(version, "N/A");
    EXPECT_STREQ(shader, "N/A");
    EXPECT_EQ(tsInfoGetDXInfo(nullptr, nullptr), 0);
}
