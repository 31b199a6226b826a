// Matching and core-version compliance.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/compliance.h"
#include "db_test_util.h"
#include "views/textreport.h"

namespace {

using namespace sounder::db;

// Marks the listed extensions as supported in reading 0 the way a loaded
// report does.
void support(tsDatabase *db, const char *list)
{
    FakeReading reading("V", "R", "1.0", list);
    db->currentReading = 0;
    tsDatabaseUpdateExtStatus(db, &reading.caps);
}

TEST(Compliance, ShadingLanguageIsTheOnlyItemOfAnEmptyDatabase)
{
    tsDatabase *db = tsDatabaseCreateFromCString("");
    int supported = -1, total = -1;
    FakeReading glsl120("V", "R", "1.5", "", "1.20 NVIDIA via Cg compiler");
    EXPECT_EQ(tsDatabaseTestCompliance(db, &glsl120.caps, "2.1", &supported, &total), 1);
    EXPECT_EQ(supported, 1);
    EXPECT_EQ(total, 1);

    FakeReading glsl110("V", "R", "1.5", "", "1.10");
    EXPECT_EQ(tsDatabaseTestCompliance(db, &glsl110.caps, "2.1", &supported, &total), 0);
    EXPECT_EQ(supported, 0);
    EXPECT_EQ(total, 1);
    EXPECT_EQ(tsDatabaseTestCompliance(db, &glsl110.caps, "2.0", &supported, &total), 1);
    EXPECT_EQ(total, 1);

    // Without a shading language, 2.0 and 2.1 count one missing item.
    FakeReading none("V", "R", "1.5", "");
    EXPECT_EQ(tsDatabaseTestCompliance(db, &none.caps, "2.0", &supported, &total), 0);
    EXPECT_EQ(supported, 0);
    EXPECT_EQ(total, 1);
    // Versions before 2.0 have no shading-language item: 0 of 0 complies.
    EXPECT_EQ(tsDatabaseTestCompliance(db, &none.caps, "1.5", &supported, &total), 1);
    EXPECT_EQ(total, 0);
    tsDatabaseRelease(db);
}

TEST(Compliance, ShadingLanguageCheck)
{
    // version, the reading's language (null: none), result, required text
    struct Case {
        const char *version, *glsl;
        int result;
        const char *required;
    } const cases[] = {
        {"2.0", "4.50", 1, "1.10"},
        {"2.1", "4.50", 1, "1.20"},
        {"2.1", "1.10", 0, "1.20"},
        {"2.1", "1.20 NVIDIA via Cg compiler", 1, "1.20"},
        {"3.0", "1.20", 0, "1.30"},
        {"3.0", "1.30", 1, "1.30"},
        {"3.1", "1.30", 0, "1.40"},
        {"3.2", "1.50 NVIDIA", 1, "1.50"},
        // From 3.3 on the language carries the version's own number.
        {"3.3", "1.50", 0, "3.30"},
        {"3.3", "3.30", 1, "3.30"},
        {"4.0", "3.30", 0, "4.00"},
        {"4.2", "4.20", 1, "4.20"},
        {"4.5", "4.50", 1, "4.50"},
        {"4.6", "4.50", 0, "4.60"},
        {"4.6", "4.60", 1, "4.60"},
        {"4.6", nullptr, 0, "4.60"},
        {"4.6", "OpenGL ES GLSL ES 3.20", 0, "4.60"},
        {"2.0", "1", 0, "1.10"},
        {"1.5", "4.50", -1, ""},
        {"ARB_imaging", "4.50", -1, ""},
    };
    for (const Case &c : cases) {
        FakeReading reading("V", "R", "2.1", "", c.glsl);
        char required[16] = "";
        EXPECT_EQ(shadingLanguageCheck(&reading.caps, c.version, required, sizeof required),
                  c.result)
            << c.version << " " << (c.glsl ? c.glsl : "(none)");
        EXPECT_STREQ(required, c.required) << c.version;
    }
}

TEST(Compliance, NextVersionIsTheFirstOneNotClaimed)
{
    struct Case {
        const char *version, *next; // GL_VERSION text, expected (null: none)
    } const cases[] = {
        {"4.5 (Compatibility Profile) Mesa 22.3.6", "4.6"},
        {"3.3 (Core Profile) Mesa 22.3.6", "4.0"},
        {"2.1.2 NVIDIA 96.43", "3.0"},
        {"1.1.0", "1.2"},
        {"4.6 (Core Profile) Mesa 23.0", nullptr},
        {"OpenGL ES 3.2 Mesa 22.3.6", nullptr},
        {"1.0", nullptr},
        {"4", nullptr},
        {nullptr, nullptr},
    };
    for (const Case &c : cases) {
        FakeReading reading("V", "R", c.version, "");
        const char *next = nextVersion(&reading.caps);
        if (c.next)
            EXPECT_STREQ(next, c.next) << c.version;
        else
            EXPECT_EQ(next, nullptr) << (c.version ? c.version : "(none)") << " gave " << next;
    }
}

TEST(Compliance, DriverClaimsVersionByItsVersionText)
{
    FakeReading v15("V", "R", "1.5.0 NVIDIA", "");
    EXPECT_STREQ(driverClaimsVersion(&v15.caps, "1.1"), "GL_VERSION 1.5");
    EXPECT_STREQ(driverClaimsVersion(&v15.caps, "1.5"), "GL_VERSION 1.5");
    EXPECT_EQ(driverClaimsVersion(&v15.caps, "2.0"), nullptr);
    EXPECT_EQ(driverClaimsVersion(&v15.caps, "ARB_imaging"), nullptr);
    FakeReading v45("V", "R", "4.5 (Compatibility Profile) Mesa 22.3.6", "");
    EXPECT_STREQ(driverClaimsVersion(&v45.caps, "2.1"), "GL_VERSION 4.5");
    // Too short, not a number, or missing: no claim and no read past the end.
    FakeReading shortText("V", "R", "2", "");
    EXPECT_EQ(driverClaimsVersion(&shortText.caps, "1.1"), nullptr);
    FakeReading es("V", "R", "OpenGL ES 3.2 Mesa", "");
    EXPECT_EQ(driverClaimsVersion(&es.caps, "1.1"), nullptr);
    FakeReading none("V", "R", nullptr, "");
    EXPECT_EQ(driverClaimsVersion(&none.caps, "1.1"), nullptr);
}

const char *const kVersionDatabase =
    "<tessera version=\"1\">"
    "<ext name=\"GL_EXT_texture_object\" core=\"1.1\" status=\"Optional\"/>"
    "<ext name=\"GL_EXT_plain11\" core=\"1.1\"/>"
    "<ext name=\"GL_EXT_texture3D\" core=\"1.2\"/>"
    "<ext name=\"GL_EXT_histogram\" core=\"1.2\" status=\"Optional\"/>"
    "<ext name=\"GL_ARB_multitexture\" core=\"1.3\"/>"
    "<ext name=\"GL_ARB_window_pos\" core=\"1.4\" alias=\"GL_MESA_window_pos\"/>"
    "<ext name=\"GL_MESA_window_pos\" alias=\"GL_ARB_window_pos\"/>"
    "<ext name=\"GL_ARB_point_parameters\" core=\"1.4\" "
    "alias=\"GL_EXT_point_parameters|GL_SGIS_point_parameters\"/>"
    "<ext name=\"GL_SGIS_point_parameters\"/>"
    "<ext name=\"GL_ARB_depth_texture\" core=\"1.4\" alias=\"GL_SGIX_depth_texture\"/>"
    "<ext name=\"GL_SGIX_depth_texture\" alias=\"GL_OTHER_depth\"/>"
    "<ext name=\"GL_OTHER_depth\"/>"
    "<ext name=\"GL_ARB_shader_objects\" core=\"2.0\"/>"
    "<core version=\"1.4\"><f>glWindowPos2i</f><f>glPointParameterf</f></core>"
    "</tessera>";

TEST(Compliance, BelongsToVersion)
{
    tsDatabase *db = tsDatabaseCreateFromCString(kVersionDatabase);
    tsExtension *opt11 = findExtension(db, "GL_EXT_texture_object");
    tsExtension *plain11 = findExtension(db, "GL_EXT_plain11");
    tsExtension *imaging = findExtension(db, "GL_EXT_histogram");
    tsExtension *core12 = findExtension(db, "GL_EXT_texture3D");
    EXPECT_TRUE(belongsToVersion(opt11, "1.1"));
    EXPECT_FALSE(belongsToVersion(plain11, "1.1"));
    EXPECT_TRUE(belongsToVersion(imaging, "ARB_imaging"));
    EXPECT_FALSE(belongsToVersion(imaging, "1.2"));
    EXPECT_TRUE(belongsToVersion(core12, "1.2"));
    EXPECT_FALSE(belongsToVersion(core12, "ARB_imaging"));
    EXPECT_FALSE(belongsToVersion(findExtension(db, "GL_MESA_window_pos"), "1.4"));
    tsDatabaseRelease(db);
}

TEST(Compliance, AliasesAreFollowedOneStep)
{
    tsDatabase *db = tsDatabaseCreateFromCString(kVersionDatabase);
    // The second twin of a "|" list counts; an alias of an alias does not.
    support(db, "GL_MESA_window_pos GL_SGIS_point_parameters GL_OTHER_depth");
    EXPECT_STREQ(isSupported(db, findExtension(db, "GL_ARB_window_pos")), "GL_MESA_window_pos");
    EXPECT_STREQ(isSupported(db, findExtension(db, "GL_ARB_point_parameters")),
                 "GL_SGIS_point_parameters");
    EXPECT_EQ(isSupported(db, findExtension(db, "GL_ARB_depth_texture")), nullptr);

    FakeReading v13("V", "R", "1.3", "");
    int supported = 0, total = 0;
    EXPECT_EQ(tsDatabaseTestCompliance(db, &v13.caps, "1.4", &supported, &total), 0);
    EXPECT_EQ(supported, 2);
    EXPECT_EQ(total, 3);

    VersionListing listing = listVersion(db, &v13.caps, "1.4");
    ASSERT_EQ(listing.supported.size(), 2u);
    // Database order: point_parameters sorts before window_pos.
    EXPECT_EQ(listing.supported[0].text, "GL_ARB_point_parameters (GL_SGIS_point_parameters)");
    EXPECT_EQ(listing.supported[1].text, "GL_ARB_window_pos (GL_MESA_window_pos)");
    ASSERT_EQ(listing.unsupported.size(), 1u);
    EXPECT_EQ(listing.unsupported[0].text, "GL_ARB_depth_texture");
    ASSERT_NE(listing.core, nullptr);
    EXPECT_EQ(listLength(listing.core->entryPoints), 2);
    tsDatabaseRelease(db);
}

TEST(Compliance, ClaimedVersionsCountEveryExtension)
{
    tsDatabase *db = tsDatabaseCreateFromCString(kVersionDatabase);
    support(db, "");
    FakeReading v15("V", "R", "1.5.0", "");
    int supported = 0, total = 0;
    for (const char *v : {"1.1", "1.2", "1.3", "1.4"}) {
        EXPECT_EQ(tsDatabaseTestCompliance(db, &v15.caps, v, &supported, &total), 1) << v;
        EXPECT_EQ(supported, total) << v;
        EXPECT_GT(total, 0) << v;
    }
    EXPECT_EQ(tsDatabaseTestCompliance(db, &v15.caps, "2.0", &supported, &total), 0);
    EXPECT_EQ(supported, 0);
    EXPECT_EQ(total, 2); // GL_ARB_shader_objects and the shading language
    // The imaging subset is never claimed by a version number.
    EXPECT_EQ(tsDatabaseTestCompliance(db, &v15.caps, "ARB_imaging", &supported, &total), 0);
    EXPECT_EQ(total, 1);

    VersionListing listing = listVersion(db, &v15.caps, "1.4");
    ASSERT_EQ(listing.supported.size(), 3u);
    EXPECT_EQ(listing.supported[0].text, "GL_ARB_depth_texture (GL_VERSION 1.5)");
    EXPECT_EQ(listing.supported[2].text, "GL_ARB_window_pos (GL_VERSION 1.5)");
    EXPECT_TRUE(listing.unsupported.empty());

    listing = listVersion(db, &v15.caps, "2.0");
    EXPECT_TRUE(listing.supported.empty());
    ASSERT_EQ(listing.unsupported.size(), 2u);
    EXPECT_EQ(listing.unsupported[0].kind, ListItem::ShadingLanguage);
    EXPECT_EQ(listing.unsupported[0].text, "1.10");
    EXPECT_EQ(listing.unsupported[1].text, "GL_ARB_shader_objects");
    tsDatabaseRelease(db);
}

TEST(Compliance, FigureTruncatesThePercentage)
{
    std::string text = "<tessera version=\"1\">";
    for (int i = 0; i < 7; ++i)
        text += "<ext name=\"GL_EXT_v15_" + std::to_string(i) + "\" core=\"1.5\"/>";
    text += "</tessera>";
    tsDatabase *db = tsDatabaseCreateFromCString(text.c_str());
    support(db, "GL_EXT_v15_0 GL_EXT_v15_1 GL_EXT_v15_2 GL_EXT_v15_3 GL_EXT_v15_4 GL_EXT_v15_5");
    FakeReading v14("V", "R", "1.4", "");
    Compliance c = compliance(db, &v14.caps, "1.5");
    EXPECT_EQ(c.supported, 6);
    EXPECT_EQ(c.total, 7);
    EXPECT_EQ(c.percent, 85);
    char line[32];
    ASSERT_TRUE(complianceText(db, &v14.caps, "1.5", false, line, sizeof line));
    EXPECT_STREQ(line, "1.5 (85 % - 6/7)");
    ASSERT_TRUE(complianceText(db, &v14.caps, "1.5", true, line, sizeof line));
    EXPECT_STREQ(line, "v1.5 (85 % - 6/7)");
    // A version with nothing to count is left out.
    EXPECT_FALSE(complianceText(db, &v14.caps, "1.3", false, line, sizeof line));
    EXPECT_STREQ(line, "");
    tsDatabaseRelease(db);
}

TEST(Compliance, CurrentReadingSelectsTheBit)
{
    tsDatabase *db = tsDatabaseCreateFromCString(kVersionDatabase);
    tsExtension *mt = findExtension(db, "GL_ARB_multitexture");
    mt->support = 2; // reading 1 only
    FakeReading v12("V", "R", "1.2", "");
    int supported = 0, total = 0;
    db->currentReading = 0;
    EXPECT_EQ(tsDatabaseTestCompliance(db, &v12.caps, "1.3", &supported, &total), 0);
    db->currentReading = 1;
    EXPECT_EQ(tsDatabaseTestCompliance(db, &v12.caps, "1.3", &supported, &total), 1);
    EXPECT_EQ(supported, 1);
    tsDatabaseRelease(db);
}

// The solve marks exactly the extensions the record lists, token by token as
// tsInfoSearchExtension reads a list: no prefix, no suffix, empty tokens of
// doubled or trailing spaces matching nothing the database names.
TEST(Compliance, SolveMarksWhatTheListHoldsAsTheSearchDoes)
{
    const char *const lists[] = {
        "GL_EXT_ab GL_EXT_c",
        "GL_EXT_a",
        "GL_EXT_ab  GL_EXT_c ",
        " GL_EXT_a",
        "GL_EXT_abc",
        "",
        nullptr,
    };
    for (const char *list : lists) {
        tsDatabase *db = tsDatabaseCreateFromCString(
            "<tessera><ext name=\"GL_EXT_a\"/><ext name=\"GL_EXT_ab\"/>"
            "<ext name=\"GL_EXT_c\"/><ext name=\"GL_EXT_b\"/></tessera>");
        ASSERT_NE(db, nullptr);
        FakeReading reading("V", "R", "1.0", list);
        solveDatabase(db, &reading.caps, 1, true, [](const char *) { return false; });
        for (const tsExtension *e = db->extensions; e; e = e->next)
            EXPECT_EQ(e->support == 2u, tsInfoSearchExtension(e->name, list) == 1)
                << e->name << " in \"" << (list ? list : "(null)") << "\"";
        tsDatabaseRelease(db);
    }
}

// The text report's compliance lines name what each version lacks and its
// unresolved entry points; the highlights name what the version after the
// driver's own lacks.
TEST(Compliance, TextReportNamesWhatVersionsLack)
{
    tsDatabase *db = tsDatabaseCreateFromCString(
        "<tessera version=\"1\">"
        "<ext name=\"GL_ARB_listed46\" core=\"4.6\"/>"
        "<ext name=\"GL_ARB_absent46\" core=\"4.6\"/>"
        "<ext name=\"GL_ARB_absent45\" core=\"4.5\"/>"
        "<core version=\"4.6\"><f>glKnown46</f><f>glUnknown46</f></core>"
        "</tessera>");
    db->coreVersions->entryPoints->resolved = 1u; // glKnown46 in reading 0
    struct Case {
        const char *version, *glsl;
        std::vector<const char *> present, absent;
    } const cases[] = {
        {"4.5 (Compatibility Profile) Mesa 22.3.6",
         "4.50",
         {"v4.5 (100 % - 2/2)\n",
          "v4.6 (33 % - 1/3)\n"
          "  Missing: shading language 4.60, GL_ARB_absent46\n"
          "  Unresolved entry points: glUnknown46\n",
          "OpenGL 4.6: missing shading language 4.60, GL_ARB_absent46\n"},
         {"glKnown46", "OpenGL 4.5:"}},
        // A 4.6 driver lacks nothing (its entry points are still checked).
        {"4.6 (Core Profile) Mesa 23.1",
         "4.60",
         {"v4.6 (100 % - 3/3)\n  Unresolved entry points: glUnknown46\n"},
         {"Missing:", "OpenGL 4."}},
        // No desktop version claimed: every item counts as missing, and no
        // next-version highlight.
        {"OpenGL ES 3.2 Mesa 22.3.6",
         "OpenGL ES GLSL ES 3.20",
         {"v4.5 (0 % - 0/2)\n  Missing: shading language 4.50, GL_ARB_absent45\n"},
         {"OpenGL 1.", "OpenGL 4."}},
    };
    for (const Case &c : cases) {
        FakeReading reading("Mesa", "llvmpipe", c.version, "GL_ARB_listed46", c.glsl);
        tsDatabaseUpdateExtStatus(db, &reading.caps);
        db->currentReading = 0;
        std::vector<tsReportPiece> pieces =
            sounder::buildReportList(nullptr, &reading.caps, nullptr, db, 0);
        std::string plain =
            sounder::renderReportPlain(pieces.data(), static_cast<int>(pieces.size()));
        for (const char *text : c.present)
            EXPECT_NE(plain.find(text), std::string::npos) << c.version << ": " << text << "\n"
                                                           << plain;
        for (const char *text : c.absent)
            EXPECT_EQ(plain.find(text), std::string::npos) << c.version << ": " << text;
    }
    // A reading loaded from a report file has no entry-point masks of its
    // own: no entry point is named, what the versions lack still is.
    db->fromReport = 1;
    FakeReading loaded("Mesa", "llvmpipe", cases[0].version, "GL_ARB_listed46", "4.50");
    std::vector<tsReportPiece> pieces =
        sounder::buildReportList(nullptr, &loaded.caps, nullptr, db, 0);
    std::string plain = sounder::renderReportPlain(pieces.data(), static_cast<int>(pieces.size()));
    EXPECT_EQ(plain.find("Unresolved"), std::string::npos) << plain;
    EXPECT_NE(plain.find("  Missing: shading language 4.60, GL_ARB_absent46\n"), std::string::npos);
    tsDatabaseRelease(db);
}

TEST(VendorWord, FromExtensionNames)
{
    EXPECT_STREQ(tsGetVendorFromExtension("GL_ARB_multitexture"), "ARB");
    EXPECT_STREQ(tsGetVendorFromExtension("WGL_ARB_pbuffer"), "ARB");
    EXPECT_STREQ(tsGetVendorFromExtension("WGL_EXT_swap_control"), "EXT");
    EXPECT_STREQ(tsGetVendorFromExtension("GLX_SGIX_fbconfig"), "GLX");
    EXPECT_STREQ(tsGetVendorFromExtension("GLU_EXT_nurbs_tessellator"), "GLU");
    EXPECT_STREQ(tsGetVendorFromExtension("GL"), "<unknown>");
    EXPECT_STREQ(tsGetVendorFromExtension("WGL"), "<unknown>");
    EXPECT_STREQ(tsGetVendorFromExtension("GL_NV"), "NV");
    EXPECT_STREQ(tsGetVendorFromExtension(""), "");
    EXPECT_STREQ(tsGetVendorFromExtension(nullptr), "");

    char small[3];
    tsExtractVendorFromExtension(small, "GL_NVX_gpu_memory_info", sizeof small);
    EXPECT_STREQ(small, "NV");
    tsExtractVendorFromExtension(small, "GL", sizeof small);
    EXPECT_STREQ(small, "<u");
    std::string huge(1000, 'A');
    tsExtractVendorFromExtension(small, huge.c_str(), sizeof small);
    EXPECT_STREQ(small, "AA");
    std::string hugeVendor = "GL_" + std::string(1000, 'B') + "_x";
    EXPECT_EQ(strlen(tsGetVendorFromExtension(hugeVendor.c_str())), 127u);
}

} // namespace
