// The command-line client's plain report against the library's own plain
// rendering of the same list (the report page's clipboard copy): a real
// reading of the accelerated driver, written as a report document, rendered
// by each side.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../../tessera/cli/cli.h"
#include "client/document.h"
#include "sounder/database.h"
#include "sounder/probe.h"
#include "sounder/system.h"
#include "sounder/texts.h"
#include "views/textreport.h"

namespace {

// Index of the first differing byte, with some context, for the message.
std::string firstDifference(const std::string &a, const std::string &b)
{
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    const size_t from = i > 80 ? i - 80 : 0;
    return "at " + std::to_string(i) + ":\n--- cli\n" + a.substr(from, 200) + "\n--- library\n" +
           b.substr(from, 200);
}

} // namespace

TEST(CliRender, PlainReportMatchesTheLibrarysPlainRendering)
{
    tsDatabase *db = tsDatabaseCreate(TESSERA_BIN_DIR "/extensions.xml");
    ASSERT_NE(db, nullptr);
    static tsSystemInfo system;
    static tsIcdList icd;
    std::memset(&system, 0, sizeof system);
    std::memset(&icd, 0, sizeof icd);
    tsDescribeSystem(&system, &icd, 1);
    static tsRendererCaps caps;
    std::memset(&caps, 0, sizeof caps);
    caps.size = TS_RENDERER_CAPS_SIZE;
    db->currentReading = 1;
    ASSERT_EQ(tsInfoBegin(1), 1) << tsReportGetLogFile();
    ASSERT_EQ(tsInfoRead(&caps, 0), 1);
    tsDatabaseUpdate(db, &caps, &icd, system.system);
    tsInfoSolveDb(db, &caps, 1);
    tsInfoEnd();

    const std::vector<tsReportPiece> pieces = sounder::buildReportList(&system, &caps, &icd, db, 1);
    ASSERT_GT(pieces.size(), 100u);
    std::vector<char> buffer(8u << 20);
    sounder::client::DocumentWriter out(buffer.data(), buffer.size());
    sounder::client::writeReportDocument(out, pieces.data(), static_cast<int>(pieces.size()));
    ASSERT_FALSE(out.truncated());

    const std::string cli = tessera::cli::renderReportDocument(out.text(), tsGetBuiltinText);
    const std::string library = sounder::renderReportPlain(
        pieces.data(), static_cast<int>(pieces.size()), tsGetBuiltinText);
    EXPECT_EQ(cli, library) << firstDifference(cli, library);
    EXPECT_EQ(cli.find('\\'), std::string::npos);
    EXPECT_EQ(cli.find('\x08'), std::string::npos);

    tsInfoRelease(&caps);
    tsSystemInfoRelease(&system);
    tsDatabaseRelease(db);
}
