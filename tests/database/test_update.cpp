// Merging readings into the database and the renderer family names.
#include <gtest/gtest.h>

#include <memory>

#include "database/compliance.h"
#include "db_test_util.h"
#include "sounder/system.h"

namespace {

using sounder::db::findExtension;

TEST(NormaliseRendererName, GivesTheFamilyName)
{
    EXPECT_STREQ(tsNormaliseRendererName("GeForce 6800 GT/AGP/SSE2"), "GeForce 6800");
    EXPECT_STREQ(tsNormaliseRendererName("GeForce 6800 Ultra/PCI/SSE2"), "GeForce 6800");
    EXPECT_STREQ(tsNormaliseRendererName("GeForce 7800 GTX/PCI/SSE2"), "GeForce 7800");
    EXPECT_STREQ(tsNormaliseRendererName("RADEON 9800 PRO"), "RADEON 9800");
    EXPECT_STREQ(tsNormaliseRendererName("RADEON 9800 XT"), "RADEON 9800");
    EXPECT_STREQ(tsNormaliseRendererName("ATI Radeon X1600 OpenGL Engine"), "ATI Radeon X1600");
    EXPECT_STREQ(tsNormaliseRendererName("Mobile Intel(R) 965 Express Chipset Family x86/MMX/SSE2"),
                 "Mobile Intel(R) 965 Express Chipset Family");
    EXPECT_STREQ(tsNormaliseRendererName("softpipe"), "softpipe");
    EXPECT_STREQ(tsNormaliseRendererName("llvmpipe (LLVM 15.0.6, 256 bits)"),
                 "llvmpipe (LLVM 15.0.6, 256 bits)");
    // Made only of a cut pattern, or of trailing separators: nothing left.
    EXPECT_STREQ(tsNormaliseRendererName(" Ultra"), "");
    EXPECT_STREQ(tsNormaliseRendererName("/AGP/SSE2"), "");
    EXPECT_STREQ(tsNormaliseRendererName(" / /"), "");
    EXPECT_STREQ(tsNormaliseRendererName(nullptr), "");
    // The patterns are case-sensitive.
    EXPECT_STREQ(tsNormaliseRendererName("Radeon 9800 pro"), "Radeon 9800 pro");
    // Only 255 characters are taken.
    std::string longName(600, 'a');
    EXPECT_EQ(strlen(tsNormaliseRendererName(longName.c_str())), 255u);
}

TEST(DatabaseUpdate, AddsOnceThenNothing)
{
    tsDatabase *db = tsDatabaseCreateFromCString(
        "<tessera version=\"1\"><ext name=\"GL_ARB_known\"/></tessera>");
    FakeReading reading("Mesa", "llvmpipe (LLVM 15.0.6, 256 bits)", "4.5 Mesa 22.3.6",
                        "GL_ARB_known GL_EXT_brand_new  ab GL_x", nullptr, 4);
    EXPECT_EQ(tsDatabaseUpdate(db, &reading.caps, nullptr, "Linux 6.1 (Debian) x86_64"), 1);
    EXPECT_EQ(db->modified, 1u);

    tsExtension *added = findExtension(db, "GL_EXT_brand_new");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->addedMark, 5u); // tag + 1
    ASSERT_EQ(listLength(added->links), 1);
    EXPECT_STREQ(added->links->version, "4.5 Mesa 22.3.6");
    EXPECT_STREQ(added->links->renderer->os, "Linux");
    EXPECT_STREQ(added->links->renderer->vendor->name, "Mesa");
    // Words shorter than three characters are skipped.
    EXPECT_EQ(findExtension(db, "ab"), nullptr);
    EXPECT_NE(findExtension(db, "GL_x"), nullptr);

    tsExtension *known = findExtension(db, "GL_ARB_known");
    ASSERT_NE(known, nullptr);
    EXPECT_EQ(known->addedMark, 5u);
    EXPECT_EQ(listLength(known->links), 1);
    EXPECT_EQ(known->links->renderer->updated, 1u);
    EXPECT_EQ(listLength(db->renderers), 1);
    EXPECT_EQ(listLength(db->extensions), 3);
    EXPECT_STREQ(reading.caps.newestVersion, "");

    // The same reading again changes nothing.
    db->modified = 0;
    EXPECT_EQ(tsDatabaseUpdate(db, &reading.caps, nullptr, "Linux"), 0);
    EXPECT_EQ(db->modified, 0u);
    EXPECT_EQ(listLength(db->extensions), 3);
    EXPECT_EQ(listLength(known->links), 1);
    EXPECT_STREQ(reading.caps.newestVersion, "4.5 Mesa 22.3.6");
    tsDatabaseRelease(db);
}

TEST(DatabaseUpdate, NamesSharingAHashStayDifferentExtensions)
{
    // With h * 31 + c, "Aa" and "BB" hash alike, and so do names that
    // differ only there: a report can carry such a name on purpose.
    const std::string known = "GL_EXT_sharedAa", crafted = "GL_EXT_sharedBB";
    ASSERT_EQ(sysStrHash("%s", known.c_str()), sysStrHash("%s", crafted.c_str()));

    // Read from one file, both keep their own attributes and links.
    const std::string file =
        "<tessera version=\"3\">\n"
        "<ext name=\"" +
        known +
        "\" core=\"1.2\">\n"
        "<renderer vendor=\"V\" name=\"Old GPU\" version=\"1.0\" os=\"Win\"/>\n"
        "</ext>\n"
        "<ext name=\"" +
        crafted +
        "\" core=\"2.0\"/>\n"
        "</tessera>\n";
    tsDatabase *db = tsDatabaseCreateFromCString(file.c_str());
    EXPECT_EQ(dumpDatabase(db), "E|" + known +
                                    "||1.2||||||\n L|V|Old GPU|1.0|Win\n"
                                    "E|" +
                                    crafted + "||2.0||||||\n");
    tsDatabaseRelease(db);

    // A reading that lists only the crafted name adds its own record and
    // leaves the known one without a link to the reading's renderer.
    db = tsDatabaseCreateFromCString(file.substr(0, file.find("<ext name=\"" + crafted)).c_str());
    FakeReading reading("Mesa", "New GPU", "4.5", crafted.c_str());
    EXPECT_EQ(tsDatabaseUpdate(db, &reading.caps, nullptr, "Linux"), 1);
    EXPECT_EQ(dumpDatabase(db), "E|" + known +
                                    "||1.2||||||\n L|V|Old GPU|1.0|Win\n"
                                    "E|" +
                                    crafted + "||||||||\n L|Mesa|New GPU|4.5|Linux\n");
    EXPECT_STREQ(findExtension(db, crafted.c_str())->name, crafted.c_str());
    EXPECT_STREQ(findExtension(db, known.c_str())->name, known.c_str());
    tsDatabaseRelease(db);
}

TEST(DatabaseUpdate, ExtensionsStayInCaseInsensitiveOrder)
{
    tsDatabase *db = tsDatabaseCreateFromCString("");
    FakeReading reading("V", "R", "1.0", "GL_c GL_A gl_b GL_D GL_a2 GL_B2");
    ASSERT_EQ(tsDatabaseUpdate(db, &reading.caps, nullptr, "Linux"), 1);
    std::string names;
    for (tsExtension *e = db->extensions; e; e = e->next)
        names += std::string(e->name) + " ";
    EXPECT_EQ(names, "GL_A GL_a2 gl_b GL_B2 GL_c GL_D ");
    tsDatabaseRelease(db);
}

TEST(DatabaseUpdate, MatchesNamesCaseInsensitively)
{
    tsDatabase *db = tsDatabaseCreateFromCString(
        "<tessera version=\"1\"><ext name=\"GL_EXT_Mixed\"/></tessera>");
    FakeReading reading("V", "R", "1.0", "GL_EXT_MIXED");
    ASSERT_EQ(tsDatabaseUpdate(db, &reading.caps, nullptr, "Linux"), 1);
    EXPECT_EQ(listLength(db->extensions), 1);
    EXPECT_EQ(listLength(db->extensions->links), 1);
    tsDatabaseRelease(db);
}

TEST(DatabaseUpdate, LowerVersionLowersTheLinkAndMarksTheDatabase)
{
    tsDatabase *db = tsDatabaseCreateFromCString(
        "<tessera version=\"1\"><ext name=\"GL_A\">"
        "<renderer vendor=\"V\" name=\"Card\" version=\"2.0\" os=\"Linux\"/>"
        "</ext></tessera>");
    FakeReading higher("V", "Card", "3.0", "GL_A");
    EXPECT_EQ(tsDatabaseUpdate(db, &higher.caps, nullptr, "Linux"), 0);
    EXPECT_STREQ(db->extensions->links->version, "2.0");
    EXPECT_STREQ(higher.caps.newestVersion, "2.0");
    EXPECT_EQ(db->modified, 0u);

    // Lowering adds nothing, so the result is 0, but the change must be
    // written back at exit.
    FakeReading lower("V", "Card", "1.5", "GL_A");
    EXPECT_EQ(tsDatabaseUpdate(db, &lower.caps, nullptr, "Linux"), 0);
    EXPECT_STREQ(db->extensions->links->version, "1.5");
    EXPECT_EQ(db->modified, 1u);
    EXPECT_EQ(listLength(db->extensions->links), 1);
    tsDatabaseRelease(db);
}

// A renderer already recorded keeps its vendor; the reading's other vendor
// name is not added, since no record would refer to it and the file could
// not keep it.
TEST(DatabaseUpdate, KnownRendererKeepsItsVendor)
{
    tsDatabase *db = tsDatabaseCreateFromCString(
        "<tessera version=\"1\"><ext name=\"GL_A\">"
        "<renderer vendor=\"Old Vendor\" name=\"Card\" version=\"2.0\" os=\"Linux\"/>"
        "</ext></tessera>");
    FakeReading other("New Vendor", "Card", "2.0", "GL_A GL_B");
    EXPECT_EQ(tsDatabaseUpdate(db, &other.caps, nullptr, "Linux"), 1);
    EXPECT_EQ(listLength(db->vendors), 1);
    EXPECT_EQ(listLength(db->renderers), 1);
    tsExtension *b = findExtension(db, "GL_B");
    ASSERT_NE(b, nullptr);
    ASSERT_NE(b->links, nullptr);
    EXPECT_STREQ(b->links->renderer->vendor->name, "Old Vendor");
    tsDatabaseRelease(db);
}

TEST(DatabaseUpdate, VersionTextComesFromTheFirstDriver)
{
    tsDatabase *db = tsDatabaseCreateFromCString("");
    tsIcdList icd;
    memset(&icd, 0, sizeof icd);
    icd.count = 1;
    // A version field without terminator is still read within its bounds.
    memset(icd.entries[0].version, '7', sizeof icd.entries[0].version);
    FakeReading reading("V", "Card", "4.5", "GL_A");
    ASSERT_EQ(tsDatabaseUpdate(db, &reading.caps, &icd, "Mac OS X 10.4"), 1);
    EXPECT_EQ(strlen(db->extensions->links->version), 127u);
    EXPECT_STREQ(db->renderers->os, "Mac");

    icd.count = 0;
    FakeReading other("V", "Other", "4.5", "GL_A");
    ASSERT_EQ(tsDatabaseUpdate(db, &other.caps, &icd, "Windows XP"), 1);
    tsRenderer *r = sounder::db::findRenderer(db, "Other");
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r->os, "Win");
    EXPECT_STREQ(r->version, "4.5");
    tsDatabaseRelease(db);
}

TEST(DatabaseUpdate, FirstWordEndsAtLineBreaks)
{
    tsDatabase *db = tsDatabaseCreateFromCString("");
    FakeReading reading("V", "R", "1", "GL_first\rGL_second GL_third");
    tsDatabaseUpdate(db, &reading.caps, nullptr, "Linux");
    EXPECT_NE(findExtension(db, "GL_first"), nullptr);
    EXPECT_NE(findExtension(db, "GL_second"), nullptr);
    EXPECT_NE(findExtension(db, "GL_third"), nullptr);
    EXPECT_EQ(listLength(db->extensions), 3);
    tsDatabaseRelease(db);
}

TEST(DatabaseUpdate, OverlongNamesAreCutAndAddedOnlyOnce)
{
    tsDatabase *db = tsDatabaseCreateFromCString("");
    std::string longExt = "GL_" + std::string(400, 'x');
    std::string longVendor(300, 'v');
    std::string longRenderer(300, 'r');
    std::string longVersion(300, '9');
    FakeReading reading(longVendor.c_str(), longRenderer.c_str(), longVersion.c_str(),
                        longExt.c_str());
    ASSERT_EQ(tsDatabaseUpdate(db, &reading.caps, nullptr, "Linux"), 1);
    ASSERT_NE(db->extensions, nullptr);
    EXPECT_EQ(strlen(db->extensions->name), 127u);
    EXPECT_EQ(strlen(db->vendors->name), 127u);
    EXPECT_EQ(strlen(db->renderers->name), 127u);
    EXPECT_EQ(strlen(db->renderers->version), 127u);
    EXPECT_EQ(tsDatabaseUpdate(db, &reading.caps, nullptr, "Linux"), 0);
    EXPECT_EQ(listLength(db->extensions), 1);
    EXPECT_EQ(listLength(db->vendors), 1);
    EXPECT_EQ(listLength(db->renderers), 1);
    EXPECT_EQ(listLength(db->extensions->links), 1);

    // Read back, the file limits apply: 126 for names, 30 for the rest.
    TempDir dir;
    std::string path = dir.file("db.xml");
    ASSERT_EQ(tsDatabaseWrite(path.c_str(), db), 0);
    tsDatabase *again = tsDatabaseCreate(path.c_str());
    ASSERT_NE(again->extensions, nullptr);
    EXPECT_EQ(strlen(again->extensions->name), 126u);
    EXPECT_EQ(strlen(again->vendors->name), 30u);
    EXPECT_EQ(strlen(again->renderers->name), 126u);
    EXPECT_EQ(strlen(again->extensions->links->version), 30u);
    tsDatabaseRelease(again);
    tsDatabaseRelease(db);
}

TEST(DatabaseUpdate, NullTextsAreTolerated)
{
    tsDatabase *db = tsDatabaseCreateFromCString("");
    FakeReading noList("V", "R", "1", nullptr);
    EXPECT_EQ(tsDatabaseUpdate(db, &noList.caps, nullptr, nullptr), 0);
    FakeReading bare(nullptr, nullptr, nullptr, "GL_A");
    EXPECT_EQ(tsDatabaseUpdate(db, &bare.caps, nullptr, nullptr), 1);
    EXPECT_STREQ(db->renderers->os, "Win");
    EXPECT_EQ(tsDatabaseUpdate(nullptr, &bare.caps, nullptr, nullptr), 0);
    EXPECT_EQ(tsDatabaseUpdate(db, nullptr, nullptr, nullptr), 0);
    tsDatabaseRelease(db);
}

TEST(DatabaseUpdateExtStatus, SetsTheBitOfTheCurrentReading)
{
    tsDatabase *db = tsDatabaseCreateFromCString("<tessera version=\"1\"><ext name=\"GL_A\"/><ext "
                                                 "name=\"GL_B\"/><ext name=\"GL_C\"/></tessera>");
    db->extensions->next->next->support = 3; // GL_C, not listed below
    FakeReading reading("V", "R", "1", "GL_A GL_B_more GL_B");
    db->currentReading = 1;
    tsDatabaseUpdateExtStatus(db, &reading.caps);
    EXPECT_EQ(findExtension(db, "GL_A")->support, 2u);
    EXPECT_EQ(findExtension(db, "GL_B")->support, 2u);
    EXPECT_EQ(findExtension(db, "GL_C")->support, 0u);
    EXPECT_STREQ(sounder::db::isSupported(db, findExtension(db, "GL_A")), "GL_A");

    db->currentReading = 0;
    tsDatabaseUpdateExtStatus(db, &reading.caps);
    EXPECT_EQ(findExtension(db, "GL_A")->support, 1u);
    tsDatabaseRelease(db);
}

} // namespace

namespace {

// A database put together by hand (as the view tests do) is looked up by
// walking its lists, and an update indexes it only while it runs: records
// added by hand between calls are seen, and nothing refers to a database
// after it is gone.
TEST(DatabaseUpdate, HandBuiltDatabases)
{
    for (int round = 0; round < 3; ++round) {
        auto db = std::make_unique<tsDatabase>();
        memset(db.get(), 0, sizeof *db);
        auto a = std::make_unique<tsExtension>();
        memset(a.get(), 0, sizeof *a);
        strcpy(a->name, "GL_hand_a");
        a->nameHash = sysStrHash("%s", a->name);
        db->extensions = a.get();
        EXPECT_EQ(sounder::db::findExtension(db.get(), "GL_hand_a"), a.get());

        FakeReading reading("V", "R", "1", "GL_hand_a GL_hand_b");
        ASSERT_EQ(tsDatabaseUpdate(db.get(), &reading.caps, nullptr, "Linux"), 1);
        tsExtension *b = sounder::db::findExtension(db.get(), "GL_hand_b");
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(db->extensions, a.get());
        EXPECT_EQ(a->next, b);

        // Added by hand after the update: found by the next lookups.
        auto c = std::make_unique<tsExtension>();
        memset(c.get(), 0, sizeof *c);
        strcpy(c->name, "GL_hand_c");
        c->nameHash = sysStrHash("%s", c->name);
        b->next = c.get();
        EXPECT_EQ(sounder::db::findExtension(db.get(), "GL_hand_c"), c.get());
        FakeReading second("V", "R", "1", "GL_hand_c");
        EXPECT_EQ(tsDatabaseUpdate(db.get(), &second.caps, nullptr, "Linux"), 1);
        EXPECT_EQ(listLength(db->extensions), 3);

        // Free what the updates allocated; the hand-made records go with
        // their holders.
        b->next = nullptr;
        for (tsExtension *e : {a.get(), c.get()}) {
            for (tsRendererLink *l = e->links; l;) {
                tsRendererLink *next = l->next;
                sysMemFree(l);
                l = next;
            }
        }
        sysMemFree(b->links);
        sysMemFree(b);
        sysMemFree(db->renderers);
        sysMemFree(db->vendors);
    }
}

} // namespace
