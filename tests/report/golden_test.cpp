// Every output the library renders from a reading (trees, plain and RTF
// reports, report files, client documents, the merged database) compared
// byte for byte with files kept in tests/data/golden.  Both readings are live
// (softpipe and llvmpipe of this Mesa) with a fixed system description, so
// the files depend on the driver only.  Reshaping the code that renders must
// leave them unchanged; a deliberate change of an output regenerates them with
// TESSERA_UPDATE_GOLDEN=1 and shows up in the diff.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "client/document.h"
#include "keel/keel.h"
#include "sounder/database.h"
#include "sounder/probe.h"
#include "sounder/reportfile.h"
#include "sounder/system.h"
#include "sounder/tree.h"
#include "support/live_readings.h"
#include "support/temp_dir.h"
#include "views/textreport.h"
#include "views/tree_build.h"

namespace {

const std::string kGoldenDir = TESSERA_SOURCE_DIR "/tests/data/golden/";

using Fixture = LiveReadings;

Fixture &fixture()
{
    return liveReadings();
}

std::string treeXml(const tsTree &tree)
{
    std::string out;
    sounder::writeTreeXml(&tree.nodes[0], [&](const std::string &line) { out += line + "\n"; });
    return out;
}

void compareGolden(const std::string &name, const std::string &actual)
{
    std::string path = kGoldenDir + name;
    const char *update = std::getenv("TESSERA_UPDATE_GOLDEN");
    if (update && *update == '1') {
        writeWhole(path, actual);
        return;
    }
    std::string expected = readWhole(path);
    ASSERT_FALSE(expected.empty()) << "missing " << path;
    if (expected == actual)
        return;
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        ++at;
    ADD_FAILURE() << name << " differs from its saved copy at byte " << at
                  << ":\n  saved: " << expected.substr(at > 40 ? at - 40 : 0, 120)
                  << "\n  now:   " << actual.substr(at > 40 ? at - 40 : 0, 120);
}

class Golden : public ::testing::TestWithParam<int> {};

TEST_P(Golden, OutputsOfAReadingAreUnchanged)
{
    Fixture &f = fixture();
    const int r = GetParam();
    ASSERT_NE(f.db, nullptr);
    ASSERT_TRUE(f.read[r]) << tsReportGetLogFile();
    const std::string prefix = r == 0 ? "softpipe-" : "llvmpipe-";
    f.db->currentReading = r;
    tsRendererCaps &caps = f.caps[r];

    std::unique_ptr<tsTree, void (*)(tsTree *)> tree(tsTreeAllocate(), tsTreeFree);
    ASSERT_NE(tree, nullptr);
    tsTreeBegin(tree.get());
    tsCreateMainTree(tree.get(), f.db, &f.icds, &f.system, &caps);
    tsTreeEnd(tree.get());
    compareGolden(prefix + "main-tree.xml", treeXml(*tree));

    tsTreeBegin(tree.get());
    tsCreateCapsTree(tree.get(), &caps);
    tsCreateExtTree(tree.get(), f.db);
    tsTreeEnd(tree.get());
    compareGolden(prefix + "caps-tree.xml", treeXml(*tree));

    auto plain = sounder::buildReportList(&f.system, &caps, &f.icds, f.db, 0);
    compareGolden(prefix + "report.txt",
                  sounder::renderReportPlain(plain.data(), static_cast<int>(plain.size())));
    auto rtf = sounder::buildReportList(&f.system, &caps, &f.icds, f.db, 1);
    compareGolden(prefix + "report.rtf",
                  sounder::renderReport(rtf.data(), static_cast<int>(rtf.size())));

    std::vector<char> buffer(1 << 22);
    sounder::client::DocumentWriter doc(buffer.data(), buffer.size());
    doc.begin();
    sounder::client::writeReportDocument(doc, plain.data(), static_cast<int>(plain.size()));
    for (int i = 0; i < caps.pixelFormatCount && i < TS_MAX_PIXEL_FORMATS; ++i)
        sounder::client::writePixelFormatLine(doc, i + 1, caps.pixelFormats[i]);
    compareGolden(prefix + "documents.xml", doc.text());

    TempDir dir;
    std::string file = dir.file("report.xml");
    ASSERT_EQ(tsSaveReportXML(file.c_str(), &f.system, &caps, 1, &f.icds), 0);
    compareGolden(prefix + "report-file.xml", readWhole(file));
}

INSTANTIATE_TEST_SUITE_P(Readings, Golden, ::testing::Values(0, 1),
                         [](const auto &info) { return info.param ? "llvmpipe" : "softpipe"; });

TEST(Golden, MergedDatabaseIsUnchanged)
{
    Fixture &f = fixture();
    ASSERT_NE(f.db, nullptr);
    ASSERT_TRUE(f.read[0] && f.read[1]);
    TempDir dir;
    std::string file = dir.file("extensions.xml");
    ASSERT_EQ(tsDatabaseWrite(file.c_str(), f.db), 0);
    compareGolden("database.xml", readWhole(file));
}

} // namespace
