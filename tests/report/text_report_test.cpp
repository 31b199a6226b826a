// Text reports: the pieces of the summary and of the changes report, the
// capacity of the list, and the plain-text rendering.
#include <algorithm>
#include <cstring>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "report_test_util.h"
#include "sounder/database.h"
#include "sounder/report.h"
#include "sounder/texts.h"
#include "sounder/tree.h"
#include "probe/extended_limits.h"
#include "probe/record_notes.h"
#include "views/render.h"
#include "views/textreport.h"

using reporttest::Caps;
using reporttest::setText;

namespace {

const char kDatabase[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
                         "<tessera version=\"3\">\n"
                         "<ext name=\"GL_ARB_multitexture\" alias=\"\" core=\"1.3\" req=\"\" "
                         "status=\"\" cat=\"\" depends=\"\" affects=\"\">\n"
                         "<function>glActiveTextureARB</"
                         "function>\n<function>glClientActiveTextureARB</function>\n</ext>\n"
                         "<ext name=\"GL_ARB_vertex_buffer_object\" alias=\"\" core=\"1.5\" "
                         "req=\"\" status=\"\" cat=\"\" depends=\"\" affects=\"\">\n"
                         "<renderer vendor=\"Mesa\" name=\"llvmpipe (LLVM 15.0.6, 256 bits)\" "
                         "version=\"20.0\" os=\"Linux\"/>\n"
                         "<function>glBindBufferARB</function>\n</ext>\n"
                         "<ext name=\"GL_EXT_texture3D\" alias=\"\" core=\"1.2\" req=\"\" "
                         "status=\"\" cat=\"\" depends=\"\" affects=\"\"/>\n"
                         "<ext name=\"GL_NV_fence\" alias=\"\" core=\"\" req=\"\" status=\"\" "
                         "cat=\"\" depends=\"\" affects=\"\">\n"
                         "<renderer vendor=\"Mesa\" name=\"llvmpipe (LLVM 15.0.6, 256 bits)\" "
                         "version=\"21.0\" os=\"Linux\"/>\n"
                         "<function>glGenFencesNV</function>\n</ext>\n"
                         "<core version=\"1.2\">\n<f>glDrawRangeElements</f>\n</core>\n"
                         "</tessera>\n";

struct DbDeleter {
    void operator()(tsDatabase *db) const { tsDatabaseRelease(db); }
};
using Db = std::unique_ptr<tsDatabase, DbDeleter>;

tsExtension *extension(tsDatabase *db, const char *name)
{
    for (tsExtension *e = db->extensions; e; e = e->next)
        if (std::strcmp(e->name, name) == 0)
            return e;
    return nullptr;
}

class TextReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.reset(tsDatabaseCreateFromCString(kDatabase));
        ASSERT_NE(extension(db.get(), "GL_NV_fence"), nullptr);
        db->currentReading = 1;
        const unsigned bit = 1u << 1;
        // Supported: multitexture (one entry point missing), texture3D.
        tsExtension *mt = extension(db.get(), "GL_ARB_multitexture");
        mt->support = bit;
        mt->entryPoints->resolved = bit;
        extension(db.get(), "GL_EXT_texture3D")->support = bit;
        // Not supported, but its entry point resolves.
        extension(db.get(), "GL_ARB_vertex_buffer_object")->entryPoints->resolved = bit;
        // Added by the last update, not supported.
        extension(db.get(), "GL_NV_fence")->addedMark = 1;

        setText(caps->vendor, "Mesa");
        setText(caps->version, "1.2 Mesa 22.3.6");
        setText(caps->renderer, "llvmpipe (LLVM 15.0.6, 256 bits)");
        setText(caps->glslVersion, nullptr);
        setText(caps->extensions, "GL_ARB_multitexture GL_EXT_texture3D "
                                  "GL_EXT_texture_compression_s3tc GL_EXT_framebuffer_object");
        caps->filled = 1;
        caps->TextureSize = 8192;
        caps->MaxTextureUnits = 8;
        std::strcpy(caps->newestVersion, "21.0");
        // Only 32-bit formats, accelerated, with depth but no stencil.
        caps->pixelFormatCount = 2;
        caps->pixelFormats[0] =
            tsPixelFormat{32, 24, 0, 0, 1, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        caps->pixelFormats[1] =
            tsPixelFormat{24, 24, 8, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        std::memset(&sys, 0, sizeof sys);
        std::strcpy(sys.system, "Linux 6.1 (Debian GNU/Linux 12) x86_64");
        std::memset(&icd, 0, sizeof icd);
    }

    std::vector<tsReportPiece> build(int rtf)
    {
        return sounder::buildReportList(&sys, caps.get(), &icd, db.get(), rtf);
    }

    static std::vector<int> ids(const std::vector<tsReportPiece> &pieces)
    {
        std::vector<int> out;
        for (const tsReportPiece &p : pieces)
            if (p.kind == TS_PIECE_TEXT_ID || p.kind == TS_PIECE_TEXT_ID_ARGS)
                out.push_back(p.textId);
        return out;
    }

    static bool hasId(const std::vector<tsReportPiece> &pieces, int id)
    {
        for (int x : ids(pieces))
            if (x == id)
                return true;
        return false;
    }

    Db db;
    Caps caps;
    tsSystemInfo sys;
    tsIcdList icd;
};

std::string text(int id)
{
    return sounder::lookupText(nullptr, id);
}

// No RTF control word, group brace or control character survives.
void expectNoRtf(const std::string &plain)
{
    EXPECT_FALSE(std::regex_search(plain, std::regex(R"(\\[a-zA-Z]+)"))) << plain;
    EXPECT_EQ(plain.find('{'), std::string::npos);
    EXPECT_EQ(plain.find('}'), std::string::npos);
    for (char c : plain)
        EXPECT_TRUE(static_cast<unsigned char>(c) >= 32 || c == '\n' || c == '\t') << int(c);
}

TEST_F(TextReport, PlainReportReadsInOrder)
{
    const auto pieces = build(0);
    const std::string plain =
        sounder::renderReportPlain(pieces.data(), static_cast<int>(pieces.size()));
    expectNoRtf(plain);

    const std::string expectedStart =
        text(334) + "\n" + sys.system + "\n\n" + text(161) + "\nMesa\n" + "1.2 Mesa 22.3.6\n\n" +
        text(209) + "\n" + caps->renderer + "\n\n" + text(141) +
        "\nGL_ARB_multitexture\nGL_EXT_texture3D\n\n" + text(192) + "\n\n";
    ASSERT_EQ(plain.substr(0, expectedStart.size()), expectedStart);

    // 1.2 counts texture3D (its entry point did not resolve), 1.3 the
    // supported multitexture; 1.5 lacks vertex buffers (GL_VERSION 1.2
    // claims nothing above 1.2); 2.0 to 4.6 count the missing shading
    // language; 1.1 and 1.4 have no item.
    std::size_t pos = expectedStart.size();
    const std::string compliance = "v1.2 (100 % - 1/1)\n"
                                   "  Unresolved entry points: glDrawRangeElements\n"
                                   "v1.3 (100 % - 1/1)\n"
                                   "v1.5 (0 % - 0/1)\n  Missing: GL_ARB_vertex_buffer_object\n"
                                   "v2.0 (0 % - 0/1)\n  Missing: shading language 1.10\n"
                                   "v2.1 (0 % - 0/1)\n  Missing: shading language 1.20\n"
                                   "v3.0 (0 % - 0/1)\n  Missing: shading language 1.30\n"
                                   "v3.1 (0 % - 0/1)\n  Missing: shading language 1.40\n"
                                   "v3.2 (0 % - 0/1)\n  Missing: shading language 1.50\n"
                                   "v3.3 (0 % - 0/1)\n  Missing: shading language 3.30\n"
                                   "v4.0 (0 % - 0/1)\n  Missing: shading language 4.00\n"
                                   "v4.1 (0 % - 0/1)\n  Missing: shading language 4.10\n"
                                   "v4.2 (0 % - 0/1)\n  Missing: shading language 4.20\n"
                                   "v4.3 (0 % - 0/1)\n  Missing: shading language 4.30\n"
                                   "v4.4 (0 % - 0/1)\n  Missing: shading language 4.40\n"
                                   "v4.5 (0 % - 0/1)\n  Missing: shading language 4.50\n"
                                   "v4.6 (0 % - 0/1)\n  Missing: shading language 4.60\n"
                                   "Driver version: ";
    EXPECT_EQ(plain.substr(pos, compliance.size()), compliance);
    EXPECT_NE(plain.find(
                  "Driver version: 1.2 Mesa 22.3.6 - newest version known to the database: 21.0\n"),
              std::string::npos);
    EXPECT_TRUE(plain.size() >= 2 && plain.compare(plain.size() - 2, 2, "\n\n") == 0);
}

TEST_F(TextReport, StepsAndHighlightsFollowTheReading)
{
    const auto pieces = build(0);
    // The compliance lists (what each version lacks) are left out here.
    auto complianceList = [](int id) {
        return id == TS_TEXT_COMPLIANCE_MISSING || id == TS_TEXT_SHADING_LANGUAGE_ITEM ||
               id == TS_TEXT_COMPLIANCE_UNRESOLVED;
    };
    std::vector<int> got = ids(pieces);
    got.erase(std::remove_if(got.begin(), got.end(), complianceList), got.end());
    // Version assessment (newer known), no ICD, stencil missing among the
    // 32-bit formats, then the highlight rows (1.3, the version after the
    // driver's own, lacks nothing: no line for it), then the verification.
    const std::vector<int> expected = {334, 161, 209, 141, 192, 390, 392, 138, 134,
                                       115, // no compiled vertex array
                                       114, // multitexture
                                       119, // no secondary colour
                                       120, // s3tc through its second name
                                       127, 124, 126,
                                       387, // no shading language
                                       388, // framebuffer object
                                       310,
                                       411, // what the entry-point check means
                                       308, // multitexture lacks glClientActiveTextureARB
                                       309, // vertex buffers not listed but resolved
                                       384, // GL_NV_fence added
                                       385, 385};
    EXPECT_EQ(got, expected);

    // The arguments of the verification lines.
    std::vector<const tsReportPiece *> args;
    for (const tsReportPiece &p : pieces)
        if (p.kind == TS_PIECE_TEXT_ID_ARGS && !complianceList(p.textId))
            args.push_back(&p);
    ASSERT_EQ(args.size(), 6u);
    EXPECT_STREQ(args[0]->text, "1.2 Mesa 22.3.6");
    EXPECT_STREQ(args[0]->text2, "21.0");
    EXPECT_STREQ(args[1]->text, "GL_ARB_multitexture");
    EXPECT_STREQ(args[1]->text2, "glClientActiveTextureARB");
    EXPECT_STREQ(args[2]->text, "GL_ARB_vertex_buffer_object");
    EXPECT_STREQ(args[2]->text2, "glBindBufferARB");
    EXPECT_STREQ(args[3]->text, "GL_NV_fence");
    EXPECT_STREQ(args[3]->text2, caps->renderer);
    EXPECT_STREQ(args[4]->text2, "20.0");
    EXPECT_STREQ(args[5]->text2, "21.0");
}

TEST_F(TextReport, FrameBufferChecksAndLimits)
{
    // No pixel formats at all: all three texts.
    caps->pixelFormatCount = 0;
    caps->TextureSize = 256;
    caps->MaxTextureUnits = 2;
    std::vector<int> got = ids(build(0));
    auto after138 = std::find(got.begin(), got.end(), 138);
    ASSERT_NE(after138, got.end());
    EXPECT_EQ(std::vector<int>(after138 + 1, after138 + 4), (std::vector<int>{133, 134, 135}));
    // The small limits come after the highlight rows.
    auto at310 = std::find(got.begin(), got.end(), 310);
    EXPECT_EQ(std::vector<int>(at310 - 2, at310), (std::vector<int>{131, 130}));

    // A driver entry: its version is the one assessed, and no text 138.
    icd.count = 1;
    std::strcpy(icd.entries[0].version, "22.0");
    caps->pixelFormatCount = 1;
    caps->pixelFormats[0].stencil_bits = 8;
    const auto pieces = build(0);
    got = ids(pieces);
    EXPECT_EQ(std::count(got.begin(), got.end(), 138), 0);
    EXPECT_EQ(std::count(got.begin(), got.end(), 134), 0);
    EXPECT_EQ(std::count(got.begin(), got.end(), 391), 1); // 22.0 is newer than 21.0
    for (const tsReportPiece &p : pieces) {
        if (p.kind == TS_PIECE_TEXT_ID_ARGS && p.textId == 390) {
            EXPECT_STREQ(p.text, "22.0");
        }
    }
}

TEST_F(TextReport, HighlightAlternativesAndOptionalRows)
{
    setText(caps->extensions,
            "GL_NV_point_sprite GL_S3_s3tc GL_ARB_occlusion_query GL_APPLE_vertex_array_range");
    std::vector<int> got = ids(build(0));
    EXPECT_EQ(std::count(got.begin(), got.end(), 140), 1);
    EXPECT_EQ(std::count(got.begin(), got.end(), 120), 1);
    EXPECT_EQ(std::count(got.begin(), got.end(), 132), 1);
    EXPECT_EQ(std::count(got.begin(), got.end(), 122), 1);

    setText(caps->extensions, "GL_ARB_point_sprite_extra"); // whole words only
    got = ids(build(0));
    EXPECT_EQ(std::count(got.begin(), got.end(), 140), 0);
    EXPECT_EQ(std::count(got.begin(), got.end(), 121), 1);
    EXPECT_EQ(std::count(got.begin(), got.end(), 129), 0); // anisotropy has no "missing" text
}

TEST_F(TextReport, LoadedReportShowsTheVerificationHeadingOnly)
{
    db->fromReport = 1;
    const auto pieces = build(0);
    std::size_t heading = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i)
        if (pieces[i].kind == TS_PIECE_TEXT_ID && pieces[i].textId == 310)
            heading = i;
    ASSERT_GT(heading, 0u);
    for (std::size_t i = heading + 1; i < pieces.size(); ++i)
        EXPECT_EQ(pieces[i].kind, TS_PIECE_TEXT) << i;
    const std::string plain =
        sounder::renderReportPlain(pieces.data(), static_cast<int>(pieces.size()));
    EXPECT_EQ(plain.substr(plain.size() - text(310).size() - 5), text(310) + ": \n\n\n");
    EXPECT_FALSE(hasId(pieces, TS_TEXT_ENTRY_POINT_CHECK)); // no check, nothing to explain
}

// The verification says what it checks, in both forms, before its lines; the
// lines come out whole (bold marks of 308 and 309 handled, no line lost to a
// control word that runs into the next piece).
TEST_F(TextReport, EntryPointVerificationExplainsItsCheck)
{
    const std::string line308 =
        "Extension GL_ARB_multitexture has the entry point glClientActiveTextureARB missing !\n";
    const std::string line309 = "Extension GL_ARB_vertex_buffer_object not in list but has the "
                                "entry point glBindBufferARB \n";
    const std::string expected =
        text(310) + ": \n" + text(TS_TEXT_ENTRY_POINT_CHECK) + "\n" + line308 + line309;

    const auto plainPieces = build(0);
    const std::string plain =
        sounder::renderReportPlain(plainPieces.data(), static_cast<int>(plainPieces.size()));
    EXPECT_NE(plain.find(expected), std::string::npos) << plain;

    const auto rtfPieces = build(1);
    const std::string rtf =
        sounder::renderReport(rtfPieces.data(), static_cast<int>(rtfPieces.size()));
    EXPECT_NE(rtf.find("\\i0 \\line " + text(TS_TEXT_ENTRY_POINT_CHECK) + "\\line "),
              std::string::npos)
        << rtf;
    // The control character 8 of the table texts reaches the document as
    // bold control words around the arguments.
    EXPECT_EQ(rtf.find('\x08'), std::string::npos);
    EXPECT_NE(rtf.find("Extension \\b GL_ARB_multitexture\\b0  has the entry point \\b "
                       "glClientActiveTextureARB\\b0  missing !\\line Extension \\b "
                       "GL_ARB_vertex_buffer_object\\b0 "),
              std::string::npos)
        << rtf;
    const std::string fromRtf =
        sounder::renderReportPlain(rtfPieces.data(), static_cast<int>(rtfPieces.size()));
    EXPECT_NE(fromRtf.find(expected), std::string::npos) << fromRtf;
    expectNoRtf(fromRtf);
}

// The changes report in RTF: the first line after the header keeps its
// first word.
TEST_F(TextReport, ChangesReportRtfKeepsItsFirstLine)
{
    std::vector<tsReportPiece> pieces;
    sounder::PieceList list(pieces, 64);
    sounder::buildChangesReport(list, caps.get(), db.get(), 1);
    const std::string plain = sounder::renderReportPlain(pieces.data(), list.count());
    EXPECT_EQ(plain.rfind("Extension GL_NV_fence was added to the database for " +
                              std::string(caps->renderer),
                          0),
              0u)
        << plain;
}

TEST_F(TextReport, RtfFormIsOneDocument)
{
    setText(caps->renderer, "odd {renderer} \\name");
    const auto pieces = build(1);
    ASSERT_FALSE(pieces.empty());
    EXPECT_EQ(std::string(pieces.front().text).rfind("{\\rtf1\\ansi\\deff0", 0), 0u);
    EXPECT_STREQ(pieces.back().text, "\\par }");
    const std::string rtf = sounder::renderReport(pieces.data(), static_cast<int>(pieces.size()));
    // Braces balance: the driver's braces were escaped.
    int depth = 0;
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
            continue;
        }
        depth += rtf[i] == '{' ? 1 : rtf[i] == '}' ? -1 : 0;
        ASSERT_GE(depth, 0);
    }
    EXPECT_EQ(depth, 0);
    EXPECT_NE(rtf.find("odd \\{renderer\\} \\\\name"), std::string::npos);
    std::string plain = sounder::renderReportPlain(pieces.data(), static_cast<int>(pieces.size()));
    EXPECT_EQ(plain.rfind(text(334), 0), 0u) << plain.substr(0, 80);
    // The driver's text comes out as it is (in the renderer line and in the
    // line of the added extension); nothing else of RTF survives.
    const std::string odd = "odd {renderer} \\name";
    ASSERT_NE(plain.find("\n" + odd + "\n"), std::string::npos);
    int seen = 0;
    for (std::size_t at; (at = plain.find(odd)) != std::string::npos; ++seen)
        plain.erase(at, odd.size());
    EXPECT_EQ(seen, 2);
    expectNoRtf(plain);
}

TEST_F(TextReport, NothingForAnUnfilledReading)
{
    caps->filled = 0;
    EXPECT_TRUE(build(0).empty());
    tsReport *report = new tsReport;
    tsBeginReport(report);
    tsBuildReport(report, &sys, caps.get(), &icd, db.get(), 1);
    tsBuildChangesReport(report, &sys, caps.get(), &icd, db.get(), 1);
    tsEndReport(report);
    EXPECT_EQ(report->count, 0);
    delete report;
}

TEST_F(TextReport, ChangesReportListsAdditionsAndUpdatedRenderers)
{
    for (tsRenderer *r = db->renderers; r; r = r->next)
        r->updated = 1;
    tsReport *report = new tsReport;
    tsBeginReport(report);
    tsBuildChangesReport(report, nullptr, caps.get(), nullptr, db.get(), 0);
    std::vector<tsReportPiece> pieces(report->pieces, report->pieces + report->count);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0].textId, 384);
    EXPECT_STREQ(pieces[0].text, "GL_NV_fence");
    EXPECT_EQ(pieces[1].kind, TS_PIECE_TEXT);
    EXPECT_STREQ(pieces[1].text, caps->renderer);
    EXPECT_STREQ(pieces[2].text, "\n\n");
    // A second reading appends to the same list.
    tsBuildChangesReport(report, nullptr, caps.get(), nullptr, db.get(), 0);
    EXPECT_EQ(report->count, 6);
    delete report;
}

// The exported list holds 1024 pieces; a reading with more extensions than
// that stops at the list's end and closes the document.
TEST_F(TextReport, BuildingStopsAtTheListsCapacity)
{
    std::string xml = "<tessera version=\"1\">\n";
    std::string names;
    for (int i = 0; i < 3000; ++i) {
        const std::string name = "GL_TEST_extension_" + std::to_string(10000 + i);
        xml += "<ext name=\"" + name + "\"/>\n";
        names += name + " ";
    }
    xml += "</tessera>\n";
    db.reset(tsDatabaseCreateFromCString(xml.c_str()));
    db->currentReading = 0;
    for (tsExtension *e = db->extensions; e; e = e->next)
        e->support = 1;
    setText(caps->extensions, names.c_str());

    // The exported record, followed by a guard that must stay untouched.
    struct Guarded {
        tsReport report;
        unsigned char guard[4096];
    };
    std::unique_ptr<Guarded> g(new Guarded);
    std::memset(g->guard, 0x5A, sizeof g->guard);
    for (int rtf = 0; rtf <= 1; ++rtf) {
        tsBeginReport(&g->report);
        tsBuildReport(&g->report, &sys, caps.get(), &icd, db.get(), rtf);
        tsEndReport(&g->report);
        ASSERT_EQ(g->report.count, TS_REPORT_MAX_PIECES);
        for (unsigned char b : g->guard)
            ASSERT_EQ(b, 0x5A);
        const tsReportPiece &last = g->report.pieces[TS_REPORT_MAX_PIECES - 1];
        EXPECT_STREQ(last.text, rtf ? "\\par }" : "\n\n");
        const std::string plain = sounder::renderReportPlain(g->report.pieces, g->report.count);
        EXPECT_NE(plain.find("\n...\n"), std::string::npos);
        expectNoRtf(plain);
        // Building on a full list adds nothing.
        tsBuildReport(&g->report, &sys, caps.get(), &icd, db.get(), rtf);
        EXPECT_EQ(g->report.count, TS_REPORT_MAX_PIECES);
    }

    // The internal list sized for real readings holds the whole report.
    const auto pieces = build(0);
    const std::string plain =
        sounder::renderReportPlain(pieces.data(), static_cast<int>(pieces.size()));
    EXPECT_GT(pieces.size(), 6000u);
    EXPECT_NE(plain.find("GL_TEST_extension_12999\n"), std::string::npos);
    EXPECT_EQ(plain.find("\n...\n"), std::string::npos);

    // A caller's small array: never written past its capacity.
    std::vector<tsReportPiece> small(11);
    std::memset(&small[10], 0x77, sizeof small[10]);
    sounder::PieceList list(small.data(), 10, 0);
    sounder::buildReport(list, &sys, caps.get(), &icd, db.get(), 1);
    EXPECT_EQ(list.count(), 10);
    EXPECT_TRUE(list.cut());
    EXPECT_STREQ(small[9].text, "\\par }");
    EXPECT_EQ(small[10].kind, 0x77777777);
}

TEST(TextReportRender, PiecesRenderAsTheirKindsSay)
{
    std::vector<tsReportPiece> pieces(5);
    std::memset(pieces.data(), 0, pieces.size() * sizeof pieces[0]);
    pieces[0].kind = TS_PIECE_TEXT;
    std::strcpy(pieces[0].text, "A ");
    pieces[1].kind = TS_PIECE_TEXT_ID;
    pieces[1].textId = 310;
    pieces[2].kind = TS_PIECE_TEXT_ID_ARGS;
    pieces[2].textId = 308;
    std::strcpy(pieces[2].text, "GL_%n_ext"); // arguments are never formats
    std::strcpy(pieces[2].text2, "glFoo");
    pieces[3].kind = TS_PIECE_REFERENCE;
    pieces[3].reference = nullptr; // an absent text is empty
    pieces[4].kind = 99;           // unknown kinds render nothing
    const std::string raw = sounder::renderReport(pieces.data(), 5);
    EXPECT_EQ(raw.rfind("A Extension verification", 0), 0u);
    const std::string plain = sounder::renderReportPlain(pieces.data(), 5);
    expectNoRtf(plain);
    // The control character 8 around the arguments marks bold, as \b does.
    EXPECT_EQ(plain,
              "A Extension verificationExtension GL_%n_ext has the entry point glFoo missing !\n");

    // Highlight texts lose their control words.
    pieces[1].textId = 113;
    const std::string highlight = sounder::renderReportPlain(&pieces[1], 1);
    EXPECT_EQ(
        highlight,
        "No multitexturing extension.\nThis may leads performance loss on some application.\n");
}

} // namespace

// A record whose core-profile context claims 3.3 but gives one limit below
// what OpenGL 3.0 requires: the capability tree marks that line, the report
// names it among the highlights, and the report lists every limit.  A
// record without extended limits shows none of it.
TEST_F(TextReport, LimitBelowWhatOpenGLRequiresIsFlagged)
{
    auto limits = std::make_unique<sounder::ExtendedLimits>();
    limits->version = "3.3 (Core Profile) {Mesa}";
    for (const auto &v :
         {std::make_pair("GL_MAX_SAMPLES", 1), {"GL_MAX_ARRAY_TEXTURE_LAYERS", 256}}) {
        sounder::ExtendedValue e;
        e.row = sounder::caps::findExtended(v.first);
        e.count = 1;
        e.ints[0] = v.second;
        limits->put(e);
    }
    sounder::attachExtendedLimits(caps.get(), std::move(limits));

    const std::string flagged = "GL_MAX_SAMPLES = 1 (at least 4 from OpenGL 3.0)";
    const auto plainPieces = build(0);
    const std::string plain =
        sounder::renderReportPlain(plainPieces.data(), static_cast<int>(plainPieces.size()));
    EXPECT_NE(plain.find("Limits below what OpenGL 3.3 requires: " + flagged + "\n"),
              std::string::npos)
        << plain;
    EXPECT_NE(plain.find("Core profile limits (3.3 (Core Profile) {Mesa}):\n"
                         "GL_MAX_ARRAY_TEXTURE_LAYERS = 256\nGL_MAX_SAMPLES = 1\n"),
              std::string::npos)
        << plain;
    const auto rtfPieces = build(1);
    const std::string rtf =
        sounder::renderReport(rtfPieces.data(), static_cast<int>(rtfPieces.size()));
    EXPECT_NE(rtf.find("(3.3 (Core Profile) \\{Mesa\\})"), std::string::npos) << rtf;

    auto tree = std::make_unique<tsTree>();
    tsTreeBegin(tree.get());
    ASSERT_EQ(tsCreateCapsTree(tree.get(), caps.get()), 1);
    std::vector<std::string> marked, plainLines;
    bool group = false;
    for (int i = 0; i < tree->itemCount; ++i) {
        const tsTreeItem &it = tree->items[i];
        group = group || (it.kind == TS_TREE_PUSH && it.textId == TS_TEXT_CORE_PROFILE);
        if (it.kind == TS_TREE_STR2 && it.textId == TS_TEXT_LIMIT_BELOW_REQUIRED)
            marked.push_back(it.text);
        if (it.kind == TS_TREE_STR && std::strncmp(it.text, "GL_MAX_", 7) == 0)
            plainLines.push_back(it.text);
    }
    EXPECT_TRUE(group);
    EXPECT_EQ(marked, std::vector<std::string>{flagged});
    EXPECT_EQ(plainLines, std::vector<std::string>{"GL_MAX_ARRAY_TEXTURE_LAYERS = 256"});

    sounder::releaseExtendedLimits(caps.get());
    for (int id : {TS_TEXT_CORE_PROFILE_LIMITS, TS_TEXT_LIMITS_BELOW_REQUIRED})
        EXPECT_FALSE(hasId(build(0), id)) << id;
}

// The window system a reading went through: a line under the system text of
// the plain and RTF report and of the main tree, kept through the report
// file; nothing of it where it is not known (readings of older files).
TEST_F(TextReport, WindowSystemIsShownAndKeptThroughTheReportFile)
{
    TempDir dir;
    const std::string tempDir = dir.path();
    ASSERT_FALSE(tempDir.empty());
    struct Case {
        const char *name;
        const char *rtf; // as the RTF document holds it
    } cases[] = {
        {"", nullptr},
        {"GLX 1.4", "\\line Window system: GLX 1.4\\line \\line"},
        {"EGL 1.5 (surfaceless)", "\\line Window system: EGL 1.5 (surfaceless)\\line \\line"},
        {"X {1} \\2 <&>", "\\line Window system: X \\{1\\} \\\\2 <&>\\line \\line"},
    };
    for (const Case &c : cases) {
        sounder::noteWindowSystem(*caps.get(), c.name);
        ASSERT_STREQ(tsInfoGetWindowSystem(caps.get()), c.name);
        const std::string line = *c.name ? std::string("\nWindow system: ") + c.name : "";

        auto pieces = build(0);
        const std::string plain =
            sounder::renderReportPlain(pieces.data(), static_cast<int>(pieces.size()));
        EXPECT_EQ(plain.substr(0, plain.find("\n\n") + 2),
                  text(334) + "\n" + sys.system + line + "\n\n");
        pieces = build(1);
        const std::string rtf =
            sounder::renderReport(pieces.data(), static_cast<int>(pieces.size()));
        if (c.rtf) {
            EXPECT_NE(rtf.find(c.rtf), std::string::npos) << rtf.substr(0, 600);
        } else {
            EXPECT_EQ(rtf.find("Window system"), std::string::npos);
        }

        // The main tree: one item right after the processor mode.
        std::unique_ptr<tsTree> tree(new tsTree);
        tsTreeBegin(tree.get());
        ASSERT_EQ(tsCreateMainTree(tree.get(), db.get(), &icd, &sys, caps.get()), 1);
        int found = -1;
        for (int i = 0; i < tree->itemCount; ++i)
            if (std::string(tree->items[i].text).rfind("Window system: ", 0) == 0)
                found = i;
        if (*c.name) {
            ASSERT_GE(found, 0);
            EXPECT_EQ(std::string(tree->items[found].text), line.substr(1));
            EXPECT_EQ(tree->items[found - 1].textId, 293);
        } else {
            EXPECT_EQ(found, -1);
        }

        // Through a report file and back; a file that names none loads none.
        const std::string path = tempDir + "/report.xml";
        ASSERT_EQ(tsSaveReportXML(path.c_str(), &sys, caps.get(), 1, &icd), 0);
        EXPECT_EQ(readWhole(path).find("<WindowSystem>") != std::string::npos, *c.name != '\0');
        Caps loaded;
        ASSERT_EQ(tsReadReportXML(path.c_str(), loaded.get(), nullptr, nullptr), 0);
        EXPECT_STREQ(tsInfoGetWindowSystem(loaded.get()), c.name);
    }
    // Released, the record names none; another record with the same list
    // text in another block names none either.
    sounder::noteWindowSystem(*caps.get(), "GLX 1.4");
    Caps other;
    setText(other->extensions, caps->extensions);
    EXPECT_STREQ(tsInfoGetWindowSystem(other.get()), "");
    caps->filled = 1;
    tsInfoRelease(caps.get());
    EXPECT_STREQ(tsInfoGetWindowSystem(caps.get()), "");
}
