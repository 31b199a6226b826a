// The text report of both live readings through the exported build, renderer
// and XHTML converter, as the viewer and the clients use them: whole (no
// cut at the old 1,024-piece list), identical to the saved renderings, and
// well-formed XHTML whose shown text is the plain report, with a driver's
// markup shown as text.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sounder/present.h"
#include "sounder/report.h"
#include "support/command.h"
#include "support/live_readings.h"
#include "support/temp_dir.h"
#include "support/xml_check.h"

namespace {

const std::string kGoldenDir = TESSERA_SOURCE_DIR "/tests/data/golden/";

std::vector<tsReportPiece> buildPieces(LiveReadings &f, int reading, int rtf)
{
    tsRendererCaps *caps = &f.caps[reading];
    const int32_t needed = tsBuildReportPieces(nullptr, 0, &f.system, caps, &f.icds, f.db, rtf);
    std::vector<tsReportPiece> pieces(static_cast<size_t>(needed));
    EXPECT_EQ(tsBuildReportPieces(pieces.data(), needed, &f.system, caps, &f.icds, f.db, rtf),
              needed);
    return pieces;
}

std::string render(const tsReportPiece *pieces, size_t count, int mode)
{
    const auto n = static_cast<int32_t>(count);
    const size_t length = tsRenderReport(pieces, n, nullptr, nullptr, mode, nullptr, 0);
    std::string text(length + 1, '\0');
    EXPECT_EQ(tsRenderReport(pieces, n, nullptr, nullptr, mode, &text[0], text.size()), length);
    text.resize(length);
    return text;
}

std::string html(const std::string &rich)
{
    const size_t length = tsRichTextToHtml(rich.c_str(), nullptr, 0);
    std::string text(length + 1, '\0');
    tsRichTextToHtml(rich.c_str(), &text[0], text.size());
    text.resize(length);
    return text;
}

// The text an XHTML reader shows, as Python's parser reads it: character
// data in document order, <br/> as a line feed.
std::string shownText(const std::string &xhtml)
{
    const TempDir dir;
    const std::string path = dir.write("page.xhtml", xhtml);
    int status = 0;
    const std::string out =
        commandOutput("/usr/bin/python3 -c '"
                      "import sys, xml.etree.ElementTree as E\n"
                      "def walk(e):\n"
                      "    out = [\"\\n\" if e.tag.endswith(\"}br\") else \"\", e.text or \"\"]\n"
                      "    for c in e:\n"
                      "        out += [walk(c), c.tail or \"\"]\n"
                      "    return \"\".join(out)\n"
                      "root = E.parse(sys.argv[1]).getroot()\n"
                      "assert root.tag == \"{http://www.w3.org/1999/xhtml}html\", root.tag\n"
                      "sys.stdout.buffer.write(walk(root).encode(\"utf-8\"))' '" +
                          path + "' 2>&1",
                      &status);
    EXPECT_EQ(status, 0) << out;
    return out;
}

class ReportExport : public ::testing::TestWithParam<int> {};

TEST_P(ReportExport, WholeReportThroughTheExportsMatchesTheSavedRenderings)
{
    LiveReadings &f = liveReadings();
    const int r = GetParam();
    ASSERT_TRUE(f.read[r]) << tsReportGetLogFile();
    f.db->currentReading = r;
    const std::string prefix = r == 0 ? "softpipe-" : "llvmpipe-";

    const std::vector<tsReportPiece> plain = buildPieces(f, r, 0);
    const std::vector<tsReportPiece> rtf = buildPieces(f, r, 1);
    EXPECT_EQ(render(plain.data(), plain.size(), TS_RENDER_PLAIN),
              readWhole(kGoldenDir + prefix + "report.txt"));
    EXPECT_EQ(render(rtf.data(), rtf.size(), TS_RENDER_AS_BUILT),
              readWhole(kGoldenDir + prefix + "report.rtf"));

    // The fixed list of the old interface cuts a report longer than itself;
    // a list of the caller's size that is too small is cut the same way and
    // still closes the document.
    static tsReport legacy;
    tsBeginReport(&legacy);
    tsBuildReport(&legacy, &f.system, &f.caps[r], &f.icds, f.db, 1);
    const bool legacyCut = rtf.size() > TS_REPORT_MAX_PIECES;
    EXPECT_EQ(legacy.count, legacyCut ? TS_REPORT_MAX_PIECES : static_cast<int>(rtf.size()));
    if (r == 1) {
        EXPECT_TRUE(legacyCut) << "llvmpipe's report takes " << rtf.size() << " pieces";
    }
    const std::string whole = render(rtf.data(), rtf.size(), TS_RENDER_PLAIN);
    EXPECT_EQ(whole.find("\n...\n"), std::string::npos);
    std::vector<tsReportPiece> small(100);
    EXPECT_EQ(tsBuildReportPieces(small.data(), 100, &f.system, &f.caps[r], &f.icds, f.db, 1),
              static_cast<int32_t>(rtf.size()));
    const std::string cut = render(small.data(), small.size(), TS_RENDER_AS_BUILT);
    EXPECT_NE(render(small.data(), small.size(), TS_RENDER_PLAIN).find("\n...\n"),
              std::string::npos);
    EXPECT_EQ(cut.substr(cut.size() - 6), "\\par }");
    // An array of exactly the size asked for, or one piece short, where the
    // pieces kept back for a cut notice would not fit.
    for (size_t size : {rtf.size(), rtf.size() - 1}) {
        std::vector<tsReportPiece> exact(size);
        EXPECT_EQ(tsBuildReportPieces(exact.data(), static_cast<int32_t>(size), &f.system,
                                      &f.caps[r], &f.icds, f.db, 1),
                  static_cast<int32_t>(rtf.size()));
        const std::string text = render(exact.data(), size, TS_RENDER_PLAIN);
        EXPECT_EQ(text == whole, size == rtf.size()) << size;
        EXPECT_EQ(text.find("\n...\n") != std::string::npos, size < rtf.size()) << size;
    }

    // The page form: well-formed XHTML that shows the plain report.
    const std::string page = html(render(rtf.data(), rtf.size(), TS_RENDER_AS_BUILT));
    ASSERT_EQ(xmlProblem(page), "");
    EXPECT_EQ(shownText(page), whole);
}

INSTANTIATE_TEST_SUITE_P(Readings, ReportExport, ::testing::Values(0, 1),
                         [](const auto &info) { return info.param ? "llvmpipe" : "softpipe"; });

// Driver and system texts are outside text: markup and rich-text control
// words in them are shown as they stand on the page.
TEST(ReportExport, OutsideTextsShowLiterallyOnThePage)
{
    LiveReadings &f = liveReadings();
    ASSERT_TRUE(f.read[1]) << tsReportGetLogFile();
    f.db->currentReading = 1;
    tsRendererCaps &caps = f.caps[1];
    char *const renderer = caps.renderer;
    char *const vendor = caps.vendor;
    std::string hostileRenderer = "<b>x</b> & {\\b y} \\line \"q\" \xe2\x82\xac";
    std::string hostileVendor = "</div></body></html><script>&amp;";
    caps.renderer = &hostileRenderer[0];
    caps.vendor = &hostileVendor[0];
    const std::vector<tsReportPiece> rtf = buildPieces(f, 1, 1);
    caps.renderer = renderer;
    caps.vendor = vendor;

    const std::string page = html(render(rtf.data(), rtf.size(), TS_RENDER_AS_BUILT));
    ASSERT_EQ(xmlProblem(page), "");
    const std::string shown = shownText(page);
    EXPECT_NE(shown.find("\n" + hostileRenderer + "\n"), std::string::npos) << shown.substr(0, 600);
    EXPECT_NE(shown.find("\n" + hostileVendor + "\n"), std::string::npos) << shown.substr(0, 600);
}

} // namespace
