// The client interface before any reading: empty records and bad indices.
// Its own program, so that no earlier test has filled the records.
#include <gtest/gtest.h>

#include <string>

#include "client_helpers.h"
#include "sounder/client.h"
#include "sounder/database.h"

namespace {
std::string doc(const char *text)
{
    return text ? std::string(text) : std::string();
}
} // namespace

TEST(LumFresh, UnfilledRecordsGiveEmptyDocuments)
{
    // Before any other document: no previous document leaks into this one.
    EXPECT_EQ(doc(lumClientGetCapsAndExtTree(1)), "<tree>\r\n</tree>\r\n");
    lumGetRenderingTests();
    EXPECT_EQ(doc(lumClientGetCapsAndExtTree(0)), "<tree>\r\n</tree>\r\n");
    EXPECT_EQ(doc(lumClientGetPixelFormats(0)), "<pf>\r\n</pf>\r\n");
    EXPECT_EQ(doc(lumClientGetReport(1)), "<report>\r\n</report>\r\n");
    EXPECT_EQ(lumGenerateReport("/tmp", 1), nullptr);
    // No database loaded: the main tree still comes, built from nothing.
    const std::string mainTree = doc(lumClientGetMainTree(1));
    EXPECT_EQ(mainTree.rfind("<tree>\r\n", 0), 0u);
    EXPECT_EQ(xmlProblem(mainTree), "");
}

TEST(LumFresh, IndicesOtherThanZeroAndOneAreRefused)
{
    for (int r : {-1, 2, 1000000}) {
        EXPECT_EQ(lumClientGetMainTree(r), nullptr);
        EXPECT_EQ(lumClientGetCapsAndExtTree(r), nullptr);
        EXPECT_EQ(lumClientGetReport(r), nullptr);
        EXPECT_EQ(lumClientGetPixelFormats(r), nullptr);
        EXPECT_EQ(lumGenerateReport("/tmp", r), nullptr);
        EXPECT_EQ(lumIsType("GL_ARB_multitexture", r, 2), 0);
    }
}

TEST(LumFresh, GarbageDatabaseLoadsEmpty)
{
    tsDatabase *db = lumClientLoadDatabase("\x01\x02 this is not a database <<< \"");
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(db->extensions, nullptr);
    EXPECT_EQ(db->coreVersions, nullptr);
    EXPECT_EQ(db->modified, 1u);
    // A second load replaces the first.
    tsDatabase *again = lumClientLoadDatabase(nullptr);
    ASSERT_NE(again, nullptr);
    lumClientRelease();
}
