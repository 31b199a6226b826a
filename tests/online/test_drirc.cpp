// Driver switches in Mesa's configuration file: reading, toggling in place
// without touching other bytes, refusing to rewrite a broken file, and the
// shipped switch taking effect on the private X server's driver.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "drirc.h"
#include "support/drirc_home.h"
#include "support/temp_dir.h"

using namespace tessera::tweak;

namespace {

const char kUserFile[] = "<?xml version=\"1.0\" standalone=\"yes\"?>\n"
                         "<!-- mine -->\n"
                         "<driconf>\n"
                         "  <device driver='swrast'>\n"
                         "    <application name=\"Default\">\n"
                         "      <option name=\"glsl_zero_init\" value=\"true\"/>\n"
                         "      <option name=\"mesa_glthread\" value=\"TRUE\" />\n"
                         "    </application>\n"
                         "    <application name=\"game\" executable=\"game\">\n"
                         "      <option name=\"disable_arb_gpu_shader5\" value=\"true\"/>\n"
                         "    </application>\n"
                         "  </device>\n"
                         "  <device>\n"
                         "    <application name=\"All\">\n"
                         "      <option name=\"glsl_zero_init\" value=\"false\"/>\n"
                         "      <option name=\"glsl_zero_init\" value=\"true\"/>\n"
                         "    </application>\n"
                         "  </device>\n"
                         "</driconf>\n";

TEST(Drirc, ReadsTheLastUnconditionalOptionOfTheDevice)
{
    TempDir dir;
    const std::string file = dir.write("drirc", kUserFile);
    const struct {
        const char *driver, *option;
        int expected;
    } rows[] = {
        {"swrast", "glsl_zero_init", 1},
        {"swrast", "mesa_glthread", 0},           // only lower-case true counts
        {"swrast", "disable_arb_gpu_shader5", 0}, // limited to one executable
        {"", "glsl_zero_init", 1},                // the later of two
        {"i965", "glsl_zero_init", 0},
        {"swrast", "absent", 0},
    };
    for (const auto &row : rows)
        EXPECT_EQ(readOption(file, row.driver, row.option), row.expected)
            << row.driver << " " << row.option;
    EXPECT_EQ(readOption(dir.file("missing"), "swrast", "glsl_zero_init"), 0);
}

// Each toggle changes only what it must; toggling back gives the file back
// byte for byte where the option existed.
TEST(Drirc, TogglesSpliceTheFile)
{
    TempDir dir;
    const std::string file = dir.write("drirc", kUserFile);
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);

    ASSERT_TRUE(writeOption(file, "swrast", "glsl_zero_init", false));
    std::string expected = kUserFile;
    expected.replace(expected.find("\"true\"/>"), 8, "\"false\"/>");
    EXPECT_EQ(readWhole(file), expected);
    EXPECT_EQ(readOption(file, "swrast", "glsl_zero_init"), 0);
    ASSERT_TRUE(writeOption(file, "swrast", "glsl_zero_init", true));
    EXPECT_EQ(readWhole(file), kUserFile);

    // A new option goes into the unconditional application of the device,
    // a new driver gets its own device before </driconf>.
    ASSERT_TRUE(writeOption(file, "swrast", "disable_blend_func_extended", true));
    ASSERT_TRUE(writeOption(file, "r600", "mesa_glthread", true));
    const std::string now = readWhole(file);
    EXPECT_EQ(readOption(file, "swrast", "disable_blend_func_extended"), 1);
    EXPECT_EQ(readOption(file, "r600", "mesa_glthread"), 1);
    EXPECT_EQ(readOption(file, "swrast", "glsl_zero_init"), 1);
    EXPECT_EQ(readOption(file, "", "glsl_zero_init"), 1);
    EXPECT_LT(now.find("disable_blend_func_extended"), now.find("name=\"game\""));
    EXPECT_LT(now.find("<device driver=\"r600\">"), now.find("</driconf>"));
    EXPECT_EQ(now.compare(0, 80, kUserFile, 80), 0);
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // Through a symbolic link: the link stays, its target changes.
    const std::string link = dir.file("link");
    ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
    ASSERT_TRUE(writeOption(link, "swrast", "glsl_zero_init", false));
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readOption(file, "swrast", "glsl_zero_init"), 0);

    // A missing file is created.
    const std::string fresh = dir.file("fresh");
    ASSERT_TRUE(writeOption(fresh, "", "mesa_glthread", true));
    EXPECT_EQ(readOption(fresh, "", "mesa_glthread"), 1);
    EXPECT_EQ(readOption(fresh, "swrast", "mesa_glthread"), 0);
}

TEST(Drirc, BrokenFilesAreNeverRewritten)
{
    const char *broken[] = {
        "<driconf><device><application></device></driconf>",
        "<driconf><device driver=\"swrast\"><application name=\"Default\">"
        "<option name=\"glsl_zero_init\" value=\"true\"/></application></device>",
        "<driconf><option name=\"a\" value=\"true\" value=\"false\"/></driconf>",
        "<driconf></driconf><driconf></driconf>",
        "<other/>",
        "",
        "\x01\x02garbage<",
    };
    TempDir dir;
    for (const char *text : broken) {
        const std::string file = dir.write("drirc", text);
        EXPECT_FALSE(writeOption(file, "swrast", "glsl_zero_init", true)) << text;
        EXPECT_EQ(readWhole(file), text);
        EXPECT_EQ(readOption(file, "swrast", "glsl_zero_init"), 0) << text;
    }
    EXPECT_EQ(dir.count(), 1); // no temporary file left behind
}

TEST(Drirc, ShippedTweakFile)
{
    const auto entries = readTweakFile(std::string(TESSERA_SOURCE_DIR) + "/data/tweak.xml");
    int mesa = 0;
    for (const Entry &e : entries) {
        EXPECT_EQ(e.root, Root::User) << e.name;
        EXPECT_FALSE(e.description[0].empty()) << e.name;
        EXPECT_EQ(e.path, e.vendor == "Mesa/X.org" ? "swrast" : "") << e.name;
        mesa += e.vendor == "Mesa/X.org";
    }
    EXPECT_EQ(mesa, 8);

    TempDir dir;
    const std::string file = dir.write(
        "t.xml", "<tweaks><hkey>HKCU</hkey><extension vendor=\"A\" name=\"n\"><hkey>hklm</hkey>"
                 "<path>p</path><key>k&amp;</key><en>e</en></extension>"
                 "<extension vendor=\"B\" name=\"m\"><hkey>HKCR</hkey></extension></tweaks>");
    const auto parsed = readTweakFile(file);
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[0].root, Root::Machine);
    EXPECT_EQ(parsed[0].key, "k&");
    EXPECT_EQ(parsed[1].root, Root::None);
    Entry none = parsed[1];
    EXPECT_FALSE(toggleEntry(none));
    EXPECT_TRUE(readTweakFile(dir.write("bad.xml", "<tweaks><extension")).empty());
}

// The shipped switch, toggled in a temporary HOME, takes effect on a fresh
// glxinfo on the private X server, and toggling back restores it.
TEST(Drirc, BlendFuncSwitchTakesEffect)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under the private Xvfb";
    DrircHome home;
    auto entries = readTweakFile(std::string(TESSERA_SOURCE_DIR) + "/data/tweak.xml");
    Entry *entry = nullptr;
    for (Entry &e : entries)
        if (e.vendor == "Mesa/X.org" && e.key == "disable_blend_func_extended")
            entry = &e;
    ASSERT_NE(entry, nullptr);
    const char *extension = "GL_ARB_blend_func_extended";
    EXPECT_TRUE(home.glxinfoLists(extension));
    EXPECT_EQ(readEntry(*entry), 0);
    ASSERT_TRUE(toggleEntry(*entry));
    EXPECT_EQ(entry->value, 1);
    EXPECT_FALSE(home.glxinfoLists(extension));
    ASSERT_TRUE(toggleEntry(*entry));
    EXPECT_EQ(entry->value, 0);
    EXPECT_TRUE(home.glxinfoLists(extension));
}

} // namespace
