// Reading and writing the database file.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "database/compliance.h"
#include "db_test_util.h"

namespace {

const char *const kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
    "<!-- tessera OpenGL extension database - https://tessera.example.org/extensions -->\n";

TEST(DatabaseFile, EditionNumberIsIncrementedByEveryWrite)
{
    TempDir dir;
    std::string path =
        dir.write("extensions.xml", "<tessera version=\"7\">\n<ext name=\"GL_A\"/>\n</tessera>\n");
    tsDatabase *db = tsDatabaseCreate(path.c_str());
    EXPECT_EQ(db->version, 7u);
    ASSERT_EQ(tsDatabaseWrite(path.c_str(), db), 0);
    EXPECT_EQ(db->version, 8u);
    EXPECT_NE(readWhole(path).find("\n<tessera version=\"8\">\n"), std::string::npos);
    tsDatabaseRelease(db);

    db = tsDatabaseCreate(path.c_str());
    EXPECT_EQ(db->version, 8u);
    tsDatabaseRelease(db);
}

TEST(DatabaseFile, WrittenLayoutIsExact)
{
    const char *input =
        "<tessera version=\"3\">"
        "<ext name=\"GL_B_two\" alias=\"GL_X_two\" core=\"1.3\" spec=\"1.2\" req=\"1.1\" "
        "status=\"\" cat=\"tex\" depends=\"GL_A|GL_C\" affects=\"GL_D\">"
        "  <renderer vendor=\"NVIDIA Corporation\" name=\"GeForce 6800 GT/AGP/SSE2\" "
        "version=\"1.5.0\" os=\"Win\"/>"
        "  <function>glBTwo</function><function>glBThree</function>"
        "</ext>"
        "<ext name=\"GL_A_one\"/>"
        "<ext name=\"GL_C_three\"><f>glCThree</f></ext>"
        "<core version=\"1.2\"><f>glDrawRangeElements</f><f>glTexImage3D</f></core>"
        "</tessera>";
    tsDatabase *db = tsDatabaseCreateFromCString(input);
    TempDir dir;
    std::string path = dir.file("out.xml");
    ASSERT_EQ(tsDatabaseWrite(path.c_str(), db), 0);
    std::string expected =
        std::string(kHeader) +
        "<tessera version=\"4\">\n"
        "<ext name=\"GL_A_one\" alias=\"\" core=\"\" spec=\"\" req=\"\" status=\"\" cat=\"\" "
        "depends=\"\" affects=\"\"/>\n"
        "<ext name=\"GL_B_two\" alias=\"GL_X_two\" core=\"1.3\" spec=\"1.2\" req=\"1.1\" "
        "status=\"\" cat=\"tex\" depends=\"GL_A|GL_C\" affects=\"GL_D\">\n"
        "<renderer vendor=\"NVIDIA Corporation\" name=\"GeForce 6800\" version=\"1.5.0\" "
        "os=\"Win\"/>\n"
        "<function>glBTwo</function>\n"
        "<function>glBThree</function>\n"
        "</ext>\n"
        "<ext name=\"GL_C_three\" alias=\"\" core=\"\" spec=\"\" req=\"\" status=\"\" cat=\"\" "
        "depends=\"\" affects=\"\">\n"
        "<function>glCThree</function>\n"
        "</ext>\n"
        "<core version=\"1.2\">\n"
        "<f>glDrawRangeElements</f>\n"
        "<f>glTexImage3D</f>\n"
        "</core>\n"
        "</tessera>\n";
    EXPECT_EQ(readWhole(path), expected);
    tsDatabaseRelease(db);
}

// An element that holds only text and has attributes (the root of an empty
// database, a core version without entry points) reaches the reader as one
// tag text; it is split so that neither the edition nor the record is lost.
TEST(DatabaseFile, ElementsWithAttributesAndNoChildrenKeepTheirValues)
{
    tsDatabase *db = tsDatabaseCreateFromCString("");
    TempDir dir;
    std::string path = dir.file("empty.xml");
    ASSERT_EQ(tsDatabaseWrite(path.c_str(), db), 0);
    EXPECT_EQ(readWhole(path), std::string(kHeader) + "<tessera version=\"1\">\n</tessera>\n");
    tsDatabaseRelease(db);

    db = tsDatabaseCreate(path.c_str());
    EXPECT_EQ(db->version, 1u);
    EXPECT_EQ(db->extensions, nullptr);
    ASSERT_EQ(tsDatabaseWrite(path.c_str(), db), 0);
    EXPECT_EQ(db->version, 2u);
    tsDatabaseRelease(db);

    db = tsDatabaseCreateFromCString("<tessera version=\"5\">\n<core version=\"1.1\">\n</core>\n"
                                     "<core version=\"1.2\">\n<f>glTexImage3D</f>\n</core>\n"
                                     "<ext name=\"GL_A\" core=\"1.3\">\n</ext>\n</tessera>\n");
    EXPECT_EQ(db->version, 5u);
    ASSERT_EQ(listLength(db->coreVersions), 2);
    EXPECT_STREQ(db->coreVersions->version, "1.1");
    EXPECT_EQ(db->coreVersions->entryPoints, nullptr);
    ASSERT_NE(db->coreVersions->next->entryPoints, nullptr);
    EXPECT_STREQ(db->coreVersions->next->entryPoints->name, "glTexImage3D");
    ASSERT_NE(db->extensions, nullptr);
    EXPECT_STREQ(db->extensions->name, "GL_A");
    EXPECT_STREQ(db->extensions->core, "1.3");
    tsDatabaseRelease(db);
}

TEST(DatabaseFile, ShippedDatabaseRoundTripsUnchanged)
{
    std::string original = readWhole(shippedDatabasePath());
    ASSERT_FALSE(original.empty());
    tsDatabase *db = tsDatabaseCreate(shippedDatabasePath().c_str());
    std::string before = dumpDatabase(db);
    EXPECT_GT(listLength(db->extensions), 500);
    // The file holds one record for each core version that the views show,
    // in their order.
    std::string versions, shown;
    for (const tsCoreVersion *c = db->coreVersions; c; c = c->next)
        versions += std::string(c->version) + " ";
    for (const char *v : sounder::db::kCoreVersions)
        shown += std::string(v) + " ";
    EXPECT_EQ(versions, shown);

    TempDir dir;
    std::string path = dir.file("extensions.xml");
    ASSERT_EQ(tsDatabaseWrite(path.c_str(), db), 0);
    // Generator and writer share one layout: only the edition differs.
    std::string written = readWhole(path);
    std::string expected = original;
    size_t at = expected.find("<tessera version=\"1\">");
    ASSERT_NE(at, std::string::npos);
    expected.replace(at, strlen("<tessera version=\"1\">"), "<tessera version=\"2\">");
    EXPECT_TRUE(written == expected);

    tsDatabase *again = tsDatabaseCreate(path.c_str());
    EXPECT_EQ(dumpDatabase(again), before);
    tsDatabaseRelease(again);
    tsDatabaseRelease(db);
}

TEST(DatabaseFile, RenderersLinksAndEntryPointsRoundTrip)
{
    const char *input =
        "<tessera version=\"1\">\n"
        "<ext name=\"GL_ARB_b\" core=\"1.4\">\n"
        "<renderer vendor=\"ATI Technologies Inc.\" name=\"RADEON 9800 PRO\" version=\"6.14\" "
        "os=\"Win\"/>\n"
        "<renderer vendor=\"Mesa\" name=\"llvmpipe\" version=\"22.3\" os=\"Linux\"/>\n"
        "<renderer vendor=\"Apple\" name=\"ATI Radeon X1600 OpenGL Engine\" version=\"1.5\" "
        "os=\"Mac\"/>\n"
        "<function>glB</function>\n"
        "</ext>\n"
        "<ext name=\"GL_ARB_a\">\n"
        "<renderer vendor=\"Mesa\" name=\"llvmpipe\" version=\"22.1\" os=\"Linux\"/>\n"
        "</ext>\n"
        "<core version=\"2.0\">\n<f>glCreateShader</f>\n</core>\n"
        "</tessera>\n";
    tsDatabase *db = tsDatabaseCreateFromCString(input);
    std::string before = dumpDatabase(db);
    EXPECT_EQ(listLength(db->renderers), 3);
    EXPECT_EQ(listLength(db->vendors), 3);
    // Links are held in renderer-name order.
    tsExtension *b = sounder::db::findExtension(db, "GL_ARB_b");
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(listLength(b->links), 3);
    EXPECT_STREQ(b->links->renderer->name, "ATI Radeon X1600");
    EXPECT_STREQ(b->links->next->renderer->name, "llvmpipe");
    EXPECT_STREQ(b->links->next->next->renderer->name, "RADEON 9800");

    TempDir dir;
    std::string path = dir.file("db.xml");
    ASSERT_EQ(tsDatabaseWrite(path.c_str(), db), 0);
    tsDatabase *again = tsDatabaseCreate(path.c_str());
    EXPECT_EQ(dumpDatabase(again), before);
    tsDatabaseRelease(again);
    tsDatabaseRelease(db);
}

TEST(DatabaseFile, RenderersThatNormaliseAlikeGiveOneLink)
{
    tsDatabase *db = tsDatabaseCreateFromCString(
        "<tessera version=\"1\"><ext name=\"GL_X\">"
        "<renderer vendor=\"ATI\" name=\"RADEON 9800 PRO\" version=\"1\" os=\"Win\"/>"
        "<renderer vendor=\"ATI\" name=\"RADEON 9800 XT\" version=\"2\" os=\"Win\"/>"
        "</ext></tessera>");
    ASSERT_NE(db->extensions, nullptr);
    EXPECT_EQ(listLength(db->extensions->links), 1);
    EXPECT_STREQ(db->extensions->links->renderer->name, "RADEON 9800");
    EXPECT_EQ(listLength(db->renderers), 1);
    EXPECT_EQ(db->modified, 1u);
    tsDatabaseRelease(db);

    db = tsDatabaseCreateFromCString(
        "<tessera version=\"1\"><ext name=\"GL_X\">"
        "<renderer vendor=\"ATI\" name=\"RADEON 9800 PRO\" version=\"1\" os=\"Win\"/>"
        "</ext></tessera>");
    EXPECT_EQ(db->modified, 0u);
    tsDatabaseRelease(db);
}

TEST(DatabaseFile, RendererElementKeepsValuesOfThePreviousOne)
{
    tsDatabase *db = tsDatabaseCreateFromCString(
        "<tessera version=\"1\">"
        "<ext name=\"GL_X\"><renderer vendor=\"V\" name=\"R1\" version=\"1.0\" os=\"Mac\"/></ext>"
        "<ext name=\"GL_Y\"><renderer name=\"R2\"/></ext>"
        "</tessera>");
    tsRenderer *r2 = sounder::db::findRenderer(db, "R2");
    ASSERT_NE(r2, nullptr);
    EXPECT_STREQ(r2->os, "Mac");
    EXPECT_STREQ(r2->version, "1.0");
    EXPECT_STREQ(r2->vendor->name, "V");
    tsDatabaseRelease(db);
}

TEST(DatabaseFile, RecordsAttachToTheLastExtensionElement)
{
    // Renderer and function elements attach to the last "ext" element read,
    // closed or not; an "ext" without a name attaches nothing, and so does
    // anything before the first "ext" or "core".
    tsDatabase *db = tsDatabaseCreateFromCString(
        "<tessera version=\"1\">"
        "<f>glOrphan</f><renderer vendor=\"V\" name=\"Orphan\"/>"
        "<ext name=\"GL_A\"/><function>glA</function>"
        "<ext alias=\"GL_Q\"><function>glLost</function></ext>"
        "<core version=\"1.5\"><f>glGenBuffers</f></core><f>glBindBuffer</f>"
        "<EXT name=\"GL_A\"><FUNCTION>glA2</FUNCTION></EXT>"
        "</tessera>");
    EXPECT_EQ(dumpDatabase(db), "E|GL_A||||||||\n F|glA\n F|glA2\n"
                                "C|1.5\n F|glGenBuffers\n F|glBindBuffer\n");
    EXPECT_EQ(db->renderers, nullptr);
    tsDatabaseRelease(db);
}

TEST(DatabaseFile, QuotesAndMarkupInValuesRoundTrip)
{
    tsDatabase *db = tsDatabaseCreateFromCString("");
    FakeReading reading("Vendor \"Q\" & <Co>", "Card \"X\"", "1.2 \"beta\"",
                        "GL_EXT_quo\"te GL_B&C GL_<lt> GL_after");
    ASSERT_EQ(tsDatabaseUpdate(db, &reading.caps, nullptr, "Linux test"), 1);
    std::string before = dumpDatabase(db);
    EXPECT_EQ(listLength(db->extensions), 4);

    TempDir dir;
    std::string path = dir.file("db.xml");
    ASSERT_EQ(tsDatabaseWrite(path.c_str(), db), 0);
    std::string text = readWhole(path);
    EXPECT_NE(text.find("name=\"GL_EXT_quo&quot;te\""), std::string::npos);
    EXPECT_NE(text.find("vendor=\"Vendor &quot;Q&quot; &amp; &lt;Co&gt;\""), std::string::npos);

    tsDatabase *again = tsDatabaseCreate(path.c_str());
    EXPECT_EQ(dumpDatabase(again), before);
    EXPECT_NE(sounder::db::findExtension(again, "GL_EXT_quo\"te"), nullptr);
    EXPECT_NE(sounder::db::findExtension(again, "GL_after"), nullptr);
    tsDatabaseRelease(again);
    tsDatabaseRelease(db);
}

TEST(DatabaseFile, AttributeNamesInsideValuesAreNotTakenForAttributes)
{
    tsDatabase *db = tsDatabaseCreateFromCString(
        "<tessera version=\"1\">"
        "<ext name=\"GL_A\" alias=\"x core=&quot;9.9&quot;\" core=\"1.4\">"
        "<renderer vendor=\"a name=&quot;evil&quot;\" name=\"Real\" version=\"1\" os=\"Linux\"/>"
        "</ext></tessera>");
    ASSERT_NE(db->extensions, nullptr);
    EXPECT_STREQ(db->extensions->core, "1.4");
    EXPECT_STREQ(db->extensions->alias, "x core=\"9.9\"");
    ASSERT_NE(db->renderers, nullptr);
    EXPECT_STREQ(db->renderers->name, "Real");
    EXPECT_STREQ(db->vendors->name, "a name=\"evil\"");
    tsDatabaseRelease(db);
}

// The writer must never leave a partial file: provoke a failing write in
// a child process whose file-size limit is smaller than the database.
TEST(DatabaseFile, FailedWriteKeepsTheOldFile)
{
    TempDir dir;
    std::string path = dir.file("extensions.xml");
    tsDatabase *db = tsDatabaseCreate(shippedDatabasePath().c_str());
    ASSERT_EQ(tsDatabaseWrite(path.c_str(), db), 0);
    std::string old = readWhole(path);
    ASSERT_GT(old.size(), 100000u);
    // A change the child would write.
    FakeReading reading("V", "R", "1", "GL_new_one");
    tsDatabaseUpdate(db, &reading.caps, nullptr, "Linux");

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        uint32_t edition = db->version;
        int result = tsDatabaseWrite(path.c_str(), db);
        _exit(result == -1 && db->version == edition ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write did not report the failure";
    EXPECT_TRUE(readWhole(path) == old) << "the old file was changed";
    EXPECT_EQ(dir.count(), 1) << "a temporary file was left behind";
    tsDatabaseRelease(db);
}

TEST(DatabaseFile, WriteFailuresReturnMinusOne)
{
    TempDir dir;
    tsDatabase *db =
        tsDatabaseCreateFromCString("<tessera version=\"5\"><ext name=\"GL_A\"/></tessera>");
    // A folder that does not exist: the temporary file cannot be made.
    EXPECT_EQ(tsDatabaseWrite(dir.file("missing/extensions.xml").c_str(), db), -1);
    // The target is a folder: the final rename fails.
    std::string folder = dir.file("folder");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    EXPECT_EQ(tsDatabaseWrite(folder.c_str(), db), -1);
    EXPECT_EQ(dir.count(), 1);
    EXPECT_EQ(db->version, 5u);
    tsDatabaseRelease(db);
}

TEST(DatabaseFile, WriteKeepsThePermissionsOfTheOldFile)
{
    TempDir dir;
    std::string path = dir.write("extensions.xml", "<tessera version=\"1\"></tessera>");
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    tsDatabase *db = tsDatabaseCreate(path.c_str());
    ASSERT_EQ(tsDatabaseWrite(path.c_str(), db), 0);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    tsDatabaseRelease(db);
}

} // namespace
