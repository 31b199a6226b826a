// The client interface through its public C declarations, on the real
// drivers of the private X server (software reading 0, llvmpipe reading 1).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "client_helpers.h"
#include "sounder/client.h"
#include "sounder/database.h"
#include "sounder/probe.h"
#include "sounder/reportfile.h"
#include "sounder/system.h"

using clienttest::splitCrLf;

namespace {

// A small database of our own: two extensions and the 1.1 and 1.2 entry
// points that matter; the readings add everything else they see.
const char *kDatabase =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
    "<tessera version=\"3\">\n"
    "<ext name=\"GL_ARB_multitexture\" alias=\"\" core=\"1.3\" spec=\"1.2\" req=\"1.1\" "
    "status=\"\" "
    "cat=\"\" depends=\"\" affects=\"\">\n"
    "<function>glActiveTextureARB</function>\n"
    "</ext>\n"
    "<ext name=\"GL_EXT_texture3D\" alias=\"\" core=\"1.2\" spec=\"1.0\" req=\"1.0\" status=\"\" "
    "cat=\"\" depends=\"\" affects=\"\"/>\n"
    "<core version=\"1.1\">\n<f>glBindTexture</f>\n<f>glDrawArrays</f>\n</core>\n"
    "<core version=\"1.2\">\n<f>glDrawRangeElements</f>\n<f>glTexImage3D</f>\n</core>\n"
    "</tessera>\n";

tsDatabase *g_db = nullptr;
int g_firstUpdate = -1;

class Lum : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (g_db)
            return;
        g_db = lumClientLoadDatabase(kDatabase);
        ASSERT_NE(g_db, nullptr);
        EXPECT_EQ(g_db->modified, 1u);
        g_firstUpdate = lumClientInitialize();
    }
};

std::string doc(const char *text)
{
    return text ? std::string(text) : std::string();
}

void expectDocument(const std::string &text, const char *first, const char *last)
{
    std::vector<std::string> lines;
    ASSERT_TRUE(splitCrLf(text, lines)) << "every line must end in \\r\\n";
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), first);
    EXPECT_EQ(lines.back(), last);
    EXPECT_EQ(xmlProblem(text), "") << text.substr(0, 2000);
}

int countLines(const std::string &text, const std::string &prefix)
{
    std::vector<std::string> lines;
    splitCrLf(text, lines);
    int n = 0;
    for (const std::string &l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0)
            ++n;
    return n;
}

} // namespace

TEST(LumTests, RenderingTestsListTheSevenUnits)
{
    const std::string text = doc(lumGetRenderingTests());
    EXPECT_EQ(text, "<test>\r\n"
                    "<t name=\"1.1 (texturing)\" />\r\n"
                    "<t name=\"1.2 (locked arrays)\" />\r\n"
                    "<t name=\"1.3 (multitexture)\" />\r\n"
                    "<t name=\"1.4 (vertex program)\" />\r\n"
                    "<t name=\"1.5 (vertex objects)\" />\r\n"
                    "<t name=\"2.0 (shading language)\" />\r\n"
                    "<t name=\"2.1 (pixel buffer object)\" />\r\n"
                    "</test>\r\n");
    EXPECT_EQ(xmlProblem(text), "");
}

TEST_F(Lum, BothReadingsFilledTheDatabase)
{
    // The readings merged their extensions; llvmpipe lists far more than the
    // two the database started with.
    int count = 0;
    for (const tsExtension *e = g_db->extensions; e; e = e->next)
        ++count;
    EXPECT_GT(count, 100);
    // The readings added to the database; reading again adds nothing more.
    EXPECT_EQ(g_firstUpdate, 1);
    EXPECT_EQ(lumClientInitialize(), 0);
    int again = 0;
    for (const tsExtension *e = g_db->extensions; e; e = e->next)
        ++again;
    EXPECT_EQ(again, count);
    EXPECT_EQ(lumIsType("GL_ARB_multitexture", 1, 2), -1);
    EXPECT_EQ(lumIsType("GL_ARB_multitexture", 0, 2), -1);
    EXPECT_EQ(lumIsType("GL_NO_such_extension", 1, 2), 0);
    EXPECT_EQ(lumIsType("GL_ARB_multitexture", 2, 2), 0);
    EXPECT_EQ(lumIsType(nullptr, 1, 2), 0);
}

TEST_F(Lum, DocumentsAreWellFormedWithCrLfLines)
{
    for (int r = 0; r < 2; ++r) {
        SCOPED_TRACE(r);
        expectDocument(doc(lumClientGetMainTree(r)), "<tree>", "</tree>");
        expectDocument(doc(lumClientGetCapsAndExtTree(r)), "<tree>", "</tree>");
        expectDocument(doc(lumClientGetReport(r)), "<report>", "</report>");
        expectDocument(doc(lumClientGetPixelFormats(r)), "<pf>", "</pf>");
    }
    expectDocument(doc(lumClientGetUpdateReport()), "<report>", "</report>");
    expectDocument(doc(lumClientGetMonitorList()), "<monitor>", "</monitor>");
    expectDocument(doc(lumClientGetDisplayModeList(nullptr)), "<modes>", "</modes>");
}

TEST_F(Lum, TreesCarryTheReading)
{
    const std::string mainTree = doc(lumClientGetMainTree(1));
    // Compliance groups of the core versions the database knows.
    EXPECT_NE(mainTree.find("<item name=\"PUSH\" text_id=\"192\" image0=\"17\" image1=\"17\">\r\n"),
              std::string::npos);
    EXPECT_NE(mainTree.find("<item name=\"PUSHS\" text=\"1.3 ("), std::string::npos)
        << mainTree.substr(0, 3000);
    // The capability tree holds the reading's limits and the extension tree
    // the extension names.
    const std::string caps = doc(lumClientGetCapsAndExtTree(1));
    EXPECT_NE(caps.find("text=\"GL_ARB_multitexture\""), std::string::npos);
    EXPECT_GT(countLines(caps, "<item name=\"1I\""), 10);
    // The software reading is a different renderer with fewer extensions.
    EXPECT_LT(doc(lumClientGetCapsAndExtTree(0)).size(), caps.size());
}

TEST_F(Lum, CallsWithAnIndexMakeItTheCurrentReading)
{
    for (int r = 0; r < 2; ++r) {
        g_db->currentReading = 1 - r;
        lumClientGetMainTree(r);
        EXPECT_EQ(g_db->currentReading, r);
        g_db->currentReading = 1 - r;
        lumClientGetCapsAndExtTree(r);
        EXPECT_EQ(g_db->currentReading, r);
        g_db->currentReading = 1 - r;
        lumClientGetReport(r);
        EXPECT_EQ(g_db->currentReading, r);
        g_db->currentReading = 1 - r;
        lumClientGetPixelFormats(r);
        EXPECT_EQ(g_db->currentReading, r);
        g_db->currentReading = 1 - r;
        lumIsType("x", r, 0);
        EXPECT_EQ(g_db->currentReading, r);
    }
}

TEST_F(Lum, ReportDocumentPieces)
{
    const std::string text = doc(lumClientGetReport(1));
    std::vector<std::string> lines;
    ASSERT_TRUE(splitCrLf(text, lines));
    EXPECT_NE(text.find("<item type=\"LOCAL\" value=\"334\"/>"), std::string::npos);
    EXPECT_NE(text.find("llvmpipe"), std::string::npos);
    // Only the three element forms appear between the root lines.
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string &l = lines[i];
        const bool known = l.rfind("<item type=\"STR\" value=\"", 0) == 0 ||
                           l.rfind("<item type=\"LOCAL\" value=\"", 0) == 0 ||
                           l.rfind("<item type=\"STR2\" value=\"", 0) == 0;
        EXPECT_TRUE(known) << l;
        EXPECT_EQ(l.substr(l.size() - 3), "\"/>") << l;
    }
    // More pieces than the exported 1024-piece list holds.
    EXPECT_GT(lines.size(), 1024u + 2u);
}

TEST_F(Lum, PixelFormatLines)
{
    const std::string text = doc(lumClientGetPixelFormats(1));
    std::vector<std::string> lines;
    ASSERT_TRUE(splitCrLf(text, lines));
    ASSERT_GT(lines.size(), 2u);
    EXPECT_LE(lines.size(), 256u + 2u);
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string &l = lines[i];
        EXPECT_EQ(l.rfind("<p id=\"" + std::to_string(i) + "\" color_bits=\"", 0), 0u) << l;
        EXPECT_EQ(l.substr(l.size() - 5), "\"  />") << l;
        EXPECT_NE(l.find(" support_opengl=\"True\""), std::string::npos) << l;
        EXPECT_EQ(l.find("=\"true\""), std::string::npos) << l;
    }
}

TEST_F(Lum, DisplayModesAndMonitorsOfTheServer)
{
    const std::string modes = doc(lumClientGetDisplayModeList(nullptr));
    EXPECT_NE(modes.find("<mode dmBitsPerPel=\"32\" dmPelsWidth=\"1280\" dmPelsHeight=\"1024\" "
                         "dmDisplayFrequency=\""),
              std::string::npos)
        << modes;
    // A device name without modes falls back to the primary display.
    EXPECT_EQ(doc(lumClientGetDisplayModeList("no-such-output")), modes);
    const std::string monitors = doc(lumClientGetMonitorList());
    EXPECT_GE(countLines(monitors, "<device id=\""), 1) << monitors;
    // The device id of the monitor document names an output whose modes
    // the display-mode document lists.
    const size_t id = monitors.find("<device id=\"");
    ASSERT_NE(id, std::string::npos);
    const size_t idEnd = monitors.find('"', id + 12);
    const std::string output = monitors.substr(id + 12, idEnd - id - 12);
    EXPECT_EQ(doc(lumClientGetDisplayModeList(output.c_str())), modes) << output;
    EXPECT_EQ(lumGetDesktopDepth(), 32);
}

TEST_F(Lum, NoDisplayGivesEmptyListsAndDepth32)
{
    const std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    setenv("DISPLAY", ":9999", 1);
    EXPECT_EQ(lumGetDesktopDepth(), 32);
    EXPECT_EQ(doc(lumClientGetDisplayModeList(nullptr)), "<modes>\r\n</modes>\r\n");
    EXPECT_EQ(doc(lumClientGetMonitorList()), "<monitor>\r\n</monitor>\r\n");
    setenv("DISPLAY", saved.c_str(), 1);
}

TEST_F(Lum, GenerateReportWritesAFileThatLoadsBack)
{
    const TempDir tmp;
    const std::string dir = tmp.path();
    const char *path = lumGenerateReport(dir.c_str(), 1);
    ASSERT_NE(path, nullptr);
    const std::string p(path);
    EXPECT_EQ(p.rfind(dir + "/", 0), 0u) << p;
    EXPECT_EQ(p.substr(p.size() - 4), ".XML");
    EXPECT_EQ(p.find('\\'), std::string::npos);

    tsRendererCaps caps;
    std::memset(&caps, 0, sizeof caps);
    tsIcdList icd;
    tsSystemInfo system;
    std::memset(&system, 0, sizeof system);
    ASSERT_EQ(tsReadReportXML(p.c_str(), &caps, &icd, &system), 0);
    ASSERT_NE(caps.renderer, nullptr);
    EXPECT_NE(std::string(caps.renderer).find("llvmpipe"), std::string::npos);
    tsInfoRelease(&caps);

    // A folder that cannot hold files is a failure, not a path.
    EXPECT_EQ(lumGenerateReport("/proc/self/no-such-folder", 1), nullptr);
    EXPECT_EQ(lumGenerateReport("/dev/null", 1), nullptr);
    EXPECT_EQ(lumGenerateReport(nullptr, 1), nullptr);
    // A folder name that leaves no room for the file name in 260 bytes.
    EXPECT_EQ(lumGenerateReport(("/tmp/" + std::string(300, 'a')).c_str(), 1), nullptr);
}

TEST_F(Lum, BadOptionDocumentsAreRefusedWithALogEntry)
{
    EXPECT_EQ(lumRunRenderingTests("<o><test>9</test></o>"), -2);
    EXPECT_EQ(tsReportHasErrors(), 1);
    EXPECT_NE(std::string(tsReportGetLogFile()).find("Test index 9"), std::string::npos)
        << tsReportGetLogFile();

    // Full screen asks for a mode the server (one mode) does not have.
    EXPECT_EQ(lumRunRenderingTests(
                  "<o><option>2048</option><displaymode>5</displaymode><test>0</test></o>"),
              -2);
    EXPECT_EQ(tsReportHasErrors(), 1);
    EXPECT_NE(std::string(tsReportGetLogFile()).find("Display mode 5"), std::string::npos);
    EXPECT_EQ(lumRunRenderingTests("<o><option>2048</option><displaymode>-1</displaymode></o>"),
              -2);

    EXPECT_EQ(lumRunRenderingTests(nullptr), -2);
    // Nothing ran.
    const std::string results = doc(lumGetRenderingTestResults());
    EXPECT_EQ(countLines(results, "<t name="), 7);
    EXPECT_EQ(results.find("run=\"1\""), std::string::npos);
}

TEST_F(Lum, FullscreenMultitextureRunsOnlyThatUnit)
{
    // The one real run of the suite (5 s): option 2048 and test 2.
    EXPECT_EQ(lumRunRenderingTests("<options><option>2048</option><test>2</test></options>"), 0)
        << tsReportGetLogFile();
    const std::string results = doc(lumGetRenderingTestResults());
    EXPECT_EQ(xmlProblem(results), "");
    std::vector<std::string> lines;
    ASSERT_TRUE(splitCrLf(results, lines));
    ASSERT_EQ(lines.size(), 9u);
    for (int i = 0; i < 7; ++i) {
        const std::string &l = lines[static_cast<size_t>(i) + 1];
        if (i == 2) {
            EXPECT_EQ(l.rfind("<t name=\"1.3 (multitexture)\" run=\"1\" fps=\"", 0), 0u) << l;
            EXPECT_EQ(l.find("fps=\"-1\""), std::string::npos) << l << "\n" << tsReportGetLogFile();
        } else {
            EXPECT_NE(l.find(" run=\"0\" fps=\"-1\""), std::string::npos) << l;
        }
    }
    EXPECT_EQ(tsReportHasErrors(), 0) << tsReportGetLogFile();
}
