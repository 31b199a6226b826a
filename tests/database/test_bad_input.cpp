// Hostile and broken database files: an empty or partial database, never a
// crash, a hang or a read past a buffer (run under the sanitizer build too).
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "database/compliance.h"
#include "db_test_util.h"

namespace {

TEST(DatabaseBadInput, MissingAndEmptyFilesGiveAnEmptyDatabase)
{
    TempDir dir;
    tsDatabase *db = tsDatabaseCreate(dir.file("nothing-here.xml").c_str());
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(db->extensions, nullptr);
    EXPECT_EQ(db->version, 0u);
    tsDatabaseRelease(db);

    db = tsDatabaseCreate(dir.write("empty.xml", "").c_str());
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(db->extensions, nullptr);
    EXPECT_EQ(db->coreVersions, nullptr);
    tsDatabaseRelease(db);

    db = tsDatabaseCreate(nullptr);
    ASSERT_NE(db, nullptr);
    tsDatabaseRelease(db);
    // A folder in place of the file.
    db = tsDatabaseCreate(dir.path().c_str());
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(db->extensions, nullptr);
    tsDatabaseRelease(db);
    db = tsDatabaseCreateFromCString(nullptr);
    ASSERT_NE(db, nullptr);
    tsDatabaseRelease(db);
    tsDatabaseRelease(nullptr);
}

TEST(DatabaseBadInput, TruncatedFileGivesWhatCameBeforeTheCut)
{
    std::string whole = readWhole(shippedDatabasePath());
    ASSERT_GT(whole.size(), 1000u);
    tsDatabase *full = tsDatabaseCreateFromCString(whole.c_str());
    int fullCount = listLength(full->extensions);
    tsDatabaseRelease(full);

    std::mt19937 random(12345);
    for (int i = 0; i < 40; ++i) {
        size_t cut = random() % whole.size();
        std::string part = whole.substr(0, cut);
        tsDatabase *db = tsDatabaseCreateFromCString(part.c_str());
        int count = listLength(db->extensions);
        EXPECT_LE(count, fullCount);
        // Every record read is whole: names are ones the full file has.
        for (tsExtension *e = db->extensions; e; e = e->next)
            ASSERT_NE(whole.find(std::string("name=\"") + e->name + "\""), std::string::npos)
                << "cut at " << cut;
        tsDatabaseRelease(db);
    }
    // Cut inside an attribute value.
    tsDatabase *db =
        tsDatabaseCreateFromCString("<tessera version=\"2\"><ext name=\"GL_A\"/><ext name=\"GL_B");
    EXPECT_EQ(listLength(db->extensions), 1);
    tsDatabaseRelease(db);
}

TEST(DatabaseBadInput, OnlyAWholeFileCountsAsComplete)
{
    const std::string whole = readWhole(shippedDatabasePath());
    const size_t end = whole.rfind("</tessera>");
    ASSERT_NE(end, std::string::npos);
    const struct {
        const char *what;
        std::string text;
        int complete;
    } cases[] = {
        {"the shipped database", whole, 1},
        {"a small whole one", "<tessera version=\"1\"><ext name=\"GL_A\"/></tessera>", 1},
        {"cut in half", whole.substr(0, whole.size() / 2), 0},
        {"cut before the root's end", whole.substr(0, end), 0},
        {"without extensions",
         "<tessera version=\"1\">\n<core version=\"1.1\">\n<f>glBegin</f>\n"
         "</core>\n</tessera>\n",
         0},
        {"only the root", "<tessera version=\"1\">\n</tessera>\n", 0},
        {"another root first", "<other><tessera><ext name=\"GL_A\"/></tessera></other>", 0},
        {"a report", "<Tessera version=\"2.33\"><Renderer>R</Renderer></Tessera>", 0},
        {"empty", "", 0},
    };
    TempDir dir;
    for (const auto &c : cases) {
        tsDatabase *db = tsDatabaseCreateFromCString(c.text.c_str());
        EXPECT_EQ(tsDatabaseIsComplete(db), c.complete) << c.what;
        tsDatabaseRelease(db);
        db = tsDatabaseCreate(dir.write("db.xml", c.text).c_str());
        EXPECT_EQ(tsDatabaseIsComplete(db), c.complete) << c.what << " (file)";
        tsDatabaseRelease(db);
    }
    // Neither a missing file nor one beyond the read limit (sparse, so it
    // costs no disk) is complete; nor is a database put together by hand.
    tsDatabase *db = tsDatabaseCreate(dir.file("absent.xml").c_str());
    EXPECT_EQ(tsDatabaseIsComplete(db), 0);
    tsDatabaseRelease(db);
    const std::string big = dir.write("big.xml", whole);
    std::filesystem::resize_file(big, SYS_FILE_READ_LIMIT + 1);
    db = tsDatabaseCreate(big.c_str());
    EXPECT_EQ(db->extensions, nullptr);
    EXPECT_EQ(tsDatabaseIsComplete(db), 0);
    tsDatabaseRelease(db);
    tsDatabase byHand{};
    EXPECT_EQ(tsDatabaseIsComplete(&byHand), 0);
    EXPECT_EQ(tsDatabaseIsComplete(nullptr), 0);
}

TEST(DatabaseBadInput, RandomBytes)
{
    std::mt19937 random(777);
    const std::string alphabet = "<>/\"= &;extfcorenamvsiuTESA_GL\n\r\t!?[]-x";
    for (int round = 0; round < 200; ++round) {
        std::string text;
        size_t length = random() % 4000;
        for (size_t i = 0; i < length; ++i) {
            // Half the rounds raw bytes, half markup-heavy text.
            if (round % 2)
                text += static_cast<char>(1 + random() % 255);
            else
                text += alphabet[random() % alphabet.size()];
        }
        tsDatabase *db = tsDatabaseCreateFromCString(text.c_str());
        ASSERT_NE(db, nullptr);
        // Whatever was read must be usable.
        for (const char *v : sounder::db::kCoreVersions) {
            int s = 0, t = 0;
            tsDatabaseTestCompliance(db, nullptr, v, &s, &t);
        }
        tsDatabaseRelease(db);
    }
}

TEST(DatabaseBadInput, TenMegabytesOfNestedElements)
{
    std::string text = "<tessera version=\"1\">";
    const std::string open = "<ext name=\"GL_n\">";
    while (text.size() < 10u * 1024 * 1024)
        text += open;
    tsDatabase *db = tsDatabaseCreateFromCString(text.c_str());
    EXPECT_EQ(listLength(db->extensions), 1);
    tsDatabaseRelease(db);

    // Deeply nested anonymous elements and a flood of records on one
    // extension.
    text.assign(5u * 1024 * 1024, '\0');
    text.clear();
    while (text.size() < 5u * 1024 * 1024)
        text += "<a><b>";
    db = tsDatabaseCreateFromCString(text.c_str());
    EXPECT_EQ(db->extensions, nullptr);
    tsDatabaseRelease(db);

    text = "<tessera version=\"1\"><ext name=\"GL_many\">";
    for (int i = 0; text.size() < 10u * 1024 * 1024; ++i) {
        text += "<renderer vendor=\"v\" name=\"r" + std::to_string(100000000 - i) + "\"/>";
        text += "<function>f</function>";
    }
    db = tsDatabaseCreateFromCString(text.c_str());
    ASSERT_NE(db->extensions, nullptr);
    EXPECT_GT(listLength(db->extensions->links), 100000);
    EXPECT_EQ(listLength(db->extensions->links), listLength(db->renderers));
    EXPECT_EQ(listLength(db->extensions->links), listLength(db->extensions->entryPoints));
    tsDatabaseRelease(db);
}

TEST(DatabaseBadInput, ValuesLongerThanEveryField)
{
    std::string big(5000, 'Z');
    std::string text =
        "<tessera version=\"" + big + "\"><ext name=\"" + big + "\" alias=\"" + big + "\" core=\"" +
        big + "\" spec=\"" + big + "\" req=\"" + big + "\" status=\"" + big + "\" cat=\"" + big +
        "\" depends=\"" + big + "\" affects=\"" + big + "\"><renderer vendor=\"" + big +
        "\" name=\"" + big + "\" version=\"" + big + "\" os=\"" + big + "\"/><function>" + big +
        "</function></ext><core version=\"" + big + "\"><f>" + big + "</f></core></tessera>";
    tsDatabase *db = tsDatabaseCreateFromCString(text.c_str());
    ASSERT_NE(db->extensions, nullptr);
    tsExtension *e = db->extensions;
    EXPECT_EQ(strlen(e->name), 126u);
    EXPECT_EQ(strlen(e->alias), 127u);
    EXPECT_EQ(strlen(e->core), 7u);
    EXPECT_EQ(strlen(e->status), 15u);
    EXPECT_EQ(strlen(e->depends), 255u);
    EXPECT_EQ(strlen(e->affects), 255u);
    EXPECT_EQ(strlen(e->entryPoints->name), 127u);
    ASSERT_NE(e->links, nullptr);
    EXPECT_EQ(strlen(e->links->version), 30u);
    EXPECT_EQ(strlen(db->renderers->os), 30u);
    EXPECT_EQ(strlen(db->vendors->name), 30u);
    ASSERT_NE(db->coreVersions, nullptr);
    EXPECT_EQ(strlen(db->coreVersions->version), 31u);
    EXPECT_EQ(strlen(db->coreVersions->entryPoints->name), 127u);

    TempDir dir;
    std::string path = dir.file("db.xml");
    ASSERT_EQ(tsDatabaseWrite(path.c_str(), db), 0);
    tsDatabase *again = tsDatabaseCreate(path.c_str());
    EXPECT_EQ(dumpDatabase(again), dumpDatabase(db));
    tsDatabaseRelease(again);
    tsDatabaseRelease(db);
}

TEST(DatabaseBadInput, EntitiesAtTheEndOfAFieldDoNotOverflow)
{
    // 126 characters of "&amp;" decode to far fewer; an entity cut by the
    // field limit stays as text.
    std::string amps;
    for (int i = 0; i < 200; ++i)
        amps += "&amp;";
    std::string text = "<tessera version=\"1\"><ext name=\"" + amps + "\" alias=\"&quot" +
                       "\"/><ext name=\"GL_after\"/></tessera>";
    tsDatabase *db = tsDatabaseCreateFromCString(text.c_str());
    ASSERT_EQ(listLength(db->extensions), 2);
    EXPECT_EQ(std::string(db->extensions->name), std::string(126, '&'));
    EXPECT_STREQ(db->extensions->alias, "&quot");
    tsDatabaseRelease(db);
}

} // namespace
