// A real reading of the display's driver (llvmpipe under the private X
// server): saved as a report file and read back, and summarised as a plain
// text report.
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "report_test_util.h"
#include "sounder/database.h"
#include "sounder/report.h"
#include "sounder/system.h"
#include "sounder/texts.h"
#include "views/render.h"
#include "views/textreport.h"

using reporttest::Caps;

namespace {

std::set<std::string> words(const char *list)
{
    std::set<std::string> out;
    std::istringstream in(list ? list : "");
    std::string w;
    while (in >> w)
        out.insert(w);
    return out;
}

// One accelerated reading, taken once for all tests of this program, merged
// into the shipped database the way the viewer does at start-up.
class RealReading : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        db = tsDatabaseCreate(TESSERA_BIN_DIR "/extensions.xml");
        std::memset(&icd, 0, sizeof icd);
        std::memset(&sys, 0, sizeof sys);
        tsDescribeSystem(&sys, &icd, 0);
        reading = new Caps;
        ok = tsInfoBegin(1) == 1 && tsInfoRead(reading->get(), 0) == 1;
        if (ok) {
            tsDatabaseUpdate(db, reading->get(), &icd, sys.system);
            tsInfoSolveDb(db, reading->get(), 1);
        }
        tsInfoEnd();
        db->currentReading = 1;
    }
    static void TearDownTestSuite()
    {
        delete reading;
        tsDatabaseRelease(db);
        tsSystemInfoRelease(&sys);
    }
    void SetUp() override { ASSERT_TRUE(ok) << "no reading: " << tsReportGetLogFile(); }

    static tsDatabase *db;
    static tsIcdList icd;
    static tsSystemInfo sys;
    static Caps *reading;
    static bool ok;
};

tsDatabase *RealReading::db = nullptr;
tsIcdList RealReading::icd;
tsSystemInfo RealReading::sys;
Caps *RealReading::reading = nullptr;
bool RealReading::ok = false;

TEST_F(RealReading, SavedAndLoadedReportKeepsEveryCarriedMember)
{
    const tsRendererCaps &c = *reading->get();
    ASSERT_NE(c.renderer, nullptr);
    ASSERT_GT(c.pixelFormatCount, 0);
    TempDir dir;
    const std::string path = dir.file("llvmpipe.xml");
    ASSERT_EQ(tsSaveReportXML(path.c_str(), &sys, &c, 1, &icd), 0);

    Caps loaded;
    tsIcdList icdBack;
    tsSystemInfo sysBack;
    std::memset(&sysBack, 0, sizeof sysBack);
    ASSERT_EQ(tsReadReportXML(path.c_str(), loaded.get(), &icdBack, &sysBack), 0);
    reporttest::expectRoundTrip(c, *loaded.get());
    EXPECT_STREQ(sysBack.system, sys.system);
    EXPECT_STREQ(sysBack.processorMode, sys.processorMode);
    ASSERT_EQ(icdBack.count, icd.count);
    for (int i = 0; i < icd.count; ++i) {
        EXPECT_STREQ(icdBack.entries[i].name, icd.entries[i].name);
        EXPECT_STREQ(icdBack.entries[i].company, icd.entries[i].company);
        EXPECT_STREQ(icdBack.entries[i].version, icd.entries[i].version);
        EXPECT_STREQ(icdBack.entries[i].description, icd.entries[i].description);
    }
    // A reading of the current version of the driver writes groups that the
    // reader has to find again; they must not all be empty.
    EXPECT_GT(loaded->MaxProgramMatrices, 0);
    EXPECT_GT(loaded->MaxVertexUniformComponents, 0);
    EXPECT_GT(loaded->FBOMaxColorAttachments, 0);
}

TEST_F(RealReading, PlainTextReportSummarisesTheReading)
{
    const tsRendererCaps &c = *reading->get();
    const auto pieces = sounder::buildReportList(&sys, &c, &icd, db, 0);
    const std::string plain =
        sounder::renderReportPlain(pieces.data(), static_cast<int>(pieces.size()));
    std::printf("report: %zu pieces, %zu characters\n", pieces.size(), plain.size());

    EXPECT_EQ(plain.rfind(sounder::lookupText(nullptr, 334), 0), 0u);
    for (const char *word : {"\\b", "\\i", "\\line", "\\par", "\\rtf", "{", "}", "\x08"})
        EXPECT_EQ(plain.find(word), std::string::npos) << word;

    // Every extension the reading lists is in the list (the database was
    // merged with this reading, so it knows all of them).
    const std::set<std::string> listed = words(c.extensions);
    std::size_t shown = 0;
    for (const std::string &name : listed) {
        EXPECT_NE(plain.find("\n" + name + "\n"), std::string::npos) << name;
        ++shown;
    }
    EXPECT_GT(shown, 300u);

    // Compliance with every core version from 1.1 to 2.1, in order.
    std::size_t at = 0;
    for (const char *v : {"1.1", "1.2", "1.3", "1.4", "1.5", "2.0", "2.1"}) {
        int supported = 0, total = 0;
        tsDatabaseTestCompliance(db, const_cast<tsRendererCaps *>(&c), v, &supported, &total);
        if (total == 0)
            continue;
        char line[64];
        std::snprintf(line, sizeof line, "\nv%s (%d %% - %d/%d)\n", v, supported * 100 / total,
                      supported, total);
        const std::size_t found = plain.find(line, at);
        EXPECT_NE(found, std::string::npos) << line;
        if (found != std::string::npos)
            at = found;
    }

    // The highlights that follow from this reading.
    auto has = [&](const char *name) { return listed.count(name) != 0; };
    auto shows = [&](int id) {
        return plain.find(sounder::plainFromRich(sounder::lookupText(nullptr, id))) !=
               std::string::npos;
    };
    EXPECT_EQ(shows(114), has("GL_ARB_multitexture"));
    EXPECT_EQ(shows(113), !has("GL_ARB_multitexture"));
    EXPECT_EQ(shows(116), has("GL_EXT_compiled_vertex_array"));
    EXPECT_EQ(shows(118), has("GL_EXT_secondary_color"));
    EXPECT_EQ(shows(120), has("GL_S3_s3tc") || has("GL_EXT_texture_compression_s3tc"));
    EXPECT_EQ(shows(123), has("GL_ARB_vertex_program"));
    EXPECT_EQ(shows(125), has("GL_ARB_fragment_program"));
    EXPECT_EQ(shows(129), has("GL_EXT_texture_filter_anisotropic"));
    EXPECT_EQ(shows(132), has("GL_ARB_occlusion_query") || has("GL_NV_occlusion_query") ||
                              has("GL_HP_occlusion_test"));
    EXPECT_EQ(shows(140), has("GL_ARB_point_sprite") || has("GL_NV_point_sprite"));
    EXPECT_EQ(shows(386), has("GL_ARB_shading_language_100"));
    EXPECT_EQ(shows(388), has("GL_EXT_framebuffer_object"));
    bool accelerated32 = false;
    for (int i = 0; i < c.pixelFormatCount; ++i)
        accelerated32 =
            accelerated32 || (c.pixelFormats[i].color_bits == 32 && c.pixelFormats[i].acceleration);
    EXPECT_EQ(shows(133), !accelerated32);
    EXPECT_EQ(shows(131), c.TextureSize <= 256);
    EXPECT_EQ(shows(138), icd.count == 0);
    // The verification says what its check means, then lists its findings;
    // the RTF form loses none of them.
    EXPECT_NE(plain.find(sounder::lookupText(nullptr, 310) + ": \n" +
                         sounder::lookupText(nullptr, TS_TEXT_ENTRY_POINT_CHECK) + "\n"),
              std::string::npos);
    auto count = [](const std::string &text, const std::string &what) {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos;
             at = text.find(what, at + 1))
            ++n;
        return n;
    };
    const std::size_t missing = count(plain, " missing !\n");
    const std::size_t unlisted = count(plain, " not in list but has the entry point ");
    std::printf(
        "entry points: %zu missing from listed extensions, %zu resolved for unlisted ones\n",
        missing, unlisted);
    const auto rtfPieces = sounder::buildReportList(&sys, &c, &icd, db, 1);
    const std::string fromRtf =
        sounder::renderReportPlain(rtfPieces.data(), static_cast<int>(rtfPieces.size()));
    EXPECT_EQ(count(fromRtf, "\nExtension "), count(plain, "\nExtension "));
    EXPECT_EQ(count(fromRtf, " missing !\n"), missing);
    EXPECT_EQ(count(fromRtf, " not in list but has the entry point "), unlisted);
}

TEST_F(RealReading, ExportedListStopsAtItsCapacity)
{
    tsReport *report = new tsReport;
    tsBeginReport(report);
    tsBuildReport(report, &sys, reading->get(), &icd, db, 1);
    tsEndReport(report);
    EXPECT_LE(report->count, TS_REPORT_MAX_PIECES);
    EXPECT_GT(report->count, 0);
    EXPECT_STREQ(report->pieces[report->count - 1].text, "\\par }");
    delete report;
}

} // namespace
