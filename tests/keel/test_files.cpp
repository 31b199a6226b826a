// Whole-file loading, the debug log, the system error text, the system name.
#include "keel/keel.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/utsname.h>

namespace {

TEST(KeelFile, MissingFileAndFolderFail)
{
    TempDir dir;
    char *buffer = reinterpret_cast<char *>(1);
    sysSize size = 77;
    EXPECT_EQ(sysFileReadToBuffer(dir.file("absent").c_str(), &buffer, &size), -1);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(size, 0u);
    buffer = reinterpret_cast<char *>(1);
    EXPECT_EQ(sysFileReadToBuffer(dir.path().c_str(), &buffer, &size), -1);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(sysFileReadToBuffer(nullptr, &buffer, &size), -1);
}

TEST(KeelFile, EmptyFileGivesOneNulByte)
{
    TempDir dir;
    std::string p = dir.write("empty", "");
    char *buffer = nullptr;
    sysSize size = 77;
    ASSERT_EQ(sysFileReadToBuffer(p.c_str(), &buffer, &size), 0);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(buffer[0], '\0');
    sysFileFreeBuffer(buffer);
}

TEST(KeelFile, BinaryContentIsReadWholeAndTerminated)
{
    TempDir dir;
    std::string content;
    for (int i = 0; i < 3 * 1024 * 1024 + 17; ++i)
        content += static_cast<char>(i * 7 % 256);
    std::string p = dir.write("data.bin", content);
    char *buffer = nullptr;
    sysSize size = 0;
    ASSERT_EQ(sysFileReadToBuffer(p.c_str(), &buffer, &size), 0);
    ASSERT_EQ(size, content.size());
    EXPECT_EQ(memcmp(buffer, content.data(), content.size()), 0);
    EXPECT_EQ(buffer[size], '\0');
    sysMemFree(buffer);
}

TEST(KeelFile, FilesWithoutASizeAreReadToTheirEnd)
{
    // /proc files report size 0 but have content.
    char *buffer = nullptr;
    sysSize size = 0;
    ASSERT_EQ(sysFileReadToBuffer("/proc/self/status", &buffer, &size), 0);
    ASSERT_NE(buffer, nullptr);
    EXPECT_GT(size, 0u);
    EXPECT_EQ(strlen(buffer), size);
    EXPECT_NE(strstr(buffer, "Name:"), nullptr);
    sysFileFreeBuffer(buffer);
}

TEST(KeelFile, NothingLongerThanTheReadLimitIsLoaded)
{
    // Sparse files cost no disk; /dev/zero never ends and must be refused
    // once it passes the limit instead of growing without bound.
    TempDir dir;
    const std::string atLimit = dir.write("limit", ""), over = dir.write("over", "");
    std::filesystem::resize_file(atLimit, SYS_FILE_READ_LIMIT);
    std::filesystem::resize_file(over, SYS_FILE_READ_LIMIT + 1);
    char *buffer = nullptr;
    sysSize size = 0;
    ASSERT_EQ(sysFileReadToBuffer(atLimit.c_str(), &buffer, &size), 0);
    EXPECT_EQ(size, SYS_FILE_READ_LIMIT);
    sysFileFreeBuffer(buffer);
    for (const std::string &path : {over, std::string("/dev/zero")}) {
        errno = 0;
        EXPECT_EQ(sysFileReadToBuffer(path.c_str(), &buffer, &size), -1) << path;
        EXPECT_EQ(errno, EFBIG) << path;
        EXPECT_EQ(buffer, nullptr);
        EXPECT_EQ(size, 0u);
    }
}

TEST(KeelDebug, ErrorTextFollowsErrno)
{
    errno = ENOENT;
    std::string expected = std::string(strerror(ENOENT)) + "\n";
    errno = ENOENT;
    EXPECT_EQ(std::string(sysDebugGetWinError()), expected);
    EXPECT_EQ(errno, ENOENT);
    errno = 123456;
    EXPECT_STREQ(sysDebugGetWinError(), "");
}

// Points HOME and XDG_CONFIG_HOME at a private folder for one test.
class KeelDebugLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(dir_.path().empty());
        save("HOME", home_);
        save("XDG_CONFIG_HOME", config_);
        setenv("HOME", dir_.path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", dir_.file("config").c_str(), 1);
    }
    void TearDown() override
    {
        restore("HOME", home_);
        restore("XDG_CONFIG_HOME", config_);
    }
    static void save(const char *name, std::optional<std::string> &slot)
    {
        const char *v = getenv(name);
        if (v)
            slot = v;
    }
    static void restore(const char *name, const std::optional<std::string> &slot)
    {
        if (slot)
            setenv(name, slot->c_str(), 1);
        else
            unsetenv(name);
    }

    TempDir dir_;
    std::optional<std::string> home_, config_;
};

TEST_F(KeelDebugLog, DesktopFolderIsChosenLikeXdg)
{
    // No Desktop folder: the home folder.
    sysDebugPrint("first %d", 1);
    EXPECT_EQ(readWhole(dir_.file("debug.log")), "first 1\r\n");

    // $HOME/Desktop once it exists.
    std::filesystem::create_directory(dir_.file("Desktop"));
    sysDebugPrint("second");
    EXPECT_EQ(readWhole(dir_.file("Desktop/debug.log")), "second\r\n");

    // XDG_DESKTOP_DIR of user-dirs.dirs, with $HOME expanded.
    std::filesystem::create_directories(dir_.file("config"));
    std::filesystem::create_directory(dir_.file("Bureau"));
    dir_.write(
        "config/user-dirs.dirs",
        "# comment\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
    sysDebugPrint("third %s", "%n%s");
    sysDebugPrint("fourth");
    EXPECT_EQ(readWhole(dir_.file("Bureau/debug.log")), "third %n%s\r\nfourth\r\n");
    // Earlier logs are untouched.
    EXPECT_EQ(readWhole(dir_.file("Desktop/debug.log")), "second\r\n");
}

TEST_F(KeelDebugLog, LongLinesAreCutAndMessagesGoToStandardError)
{
    std::filesystem::create_directory(dir_.file("Desktop"));
    std::string huge(10000, 'x');
    sysDebugPrint("%s", huge.c_str());
    std::string log = readWhole(dir_.file("Desktop/debug.log"));
    EXPECT_EQ(log, std::string(4093, 'x') + "\r\n");

    testing::internal::CaptureStderr();
    int r = sysDebugMessage(nullptr, "%s", huge.c_str());
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(r, 1);
    log = readWhole(dir_.file("Desktop/debug.log"));
    EXPECT_EQ(log, std::string(4093, 'x') + "\r\n" + std::string(8189, 'x') + "\r\n");
    EXPECT_NE(err.find(std::string(8189, 'x') + "\n"), std::string::npos);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    EXPECT_EQ(err.find('\r'), std::string::npos);
}

TEST_F(KeelDebugLog, UnwritableLogIsSilent)
{
    // The log path is a folder: nothing is written, nothing fails.
    std::filesystem::create_directories(dir_.file("Desktop/debug.log"));
    sysDebugPrint("lost");
    testing::internal::CaptureStderr();
    EXPECT_EQ(sysDebugMessage(nullptr, "shown %d", 2), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("shown 2"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(dir_.file("Desktop/debug.log")));
}

TEST(KeelSystemName, DescribesThisLinux)
{
    struct utsname u;
    ASSERT_EQ(uname(&u), 0);
    char name[512];
    uint32_t level = 77;
    int32_t platform = 77;
    sysWin32GetSystemName(name, sizeof name, &level, &platform);
    std::string s = name;
    EXPECT_EQ(s.rfind(std::string("Linux ") + u.release + " (", 0), 0u) << s;
    EXPECT_EQ(s.substr(s.size() - strlen(u.machine) - 2), std::string(") ") + u.machine) << s;
    std::string os = readWhole("/etc/os-release");
    std::string::size_type at = os.find("PRETTY_NAME=\"");
    if (at != std::string::npos) {
        std::string pretty = os.substr(at + 13, os.find('"', at + 13) - at - 13);
        EXPECT_NE(s.find("(" + pretty + ")"), std::string::npos) << s;
    }
    EXPECT_EQ(level, 0u);
    EXPECT_EQ(platform, -1);
}

TEST(KeelSystemName, SmallBuffersAreCutAndTerminated)
{
    char name[8];
    memset(name, 'x', sizeof name);
    uint32_t level = 0;
    int32_t platform = 0;
    sysWin32GetSystemName(name, 7, &level, &platform);
    EXPECT_EQ(strlen(name), 6u);
    EXPECT_EQ(name[7], 'x');
    EXPECT_EQ(std::string(name), "Linux ");
    memset(name, 'x', sizeof name);
    sysWin32GetSystemName(name, 0, nullptr, nullptr);
    EXPECT_EQ(name[0], 'x');
}

} // namespace
