// The display-free parts of tessera-cli: arguments, rich text, documents.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../../tessera/cli/cli.h"
#include "../../tessera/cli/describe.h"
#include "sounder/texts.h"
#include "support/temp_dir.h"

using namespace tessera::cli;

namespace {

bool parse(std::vector<const char *> args, Options &o, std::string &error)
{
    args.insert(args.begin(), "tessera-cli");
    return parseArguments(static_cast<int>(args.size()), args.data(), o, error);
}

} // namespace

TEST(CliArguments, DefaultsAndSettings)
{
    Options o;
    std::string e;
    ASSERT_TRUE(parse({}, o, e));
    EXPECT_EQ(o.action, Action::Report);
    EXPECT_EQ(o.renderer, 1);
    EXPECT_TRUE(o.database.empty());
    EXPECT_TRUE(o.platform.empty());

    ASSERT_TRUE(parse({"--renderer", "0", "--database=/x/db.xml", "--tree", "caps"}, o, e)) << e;
    EXPECT_EQ(o.renderer, 0);
    EXPECT_EQ(o.database, "/x/db.xml");
    EXPECT_EQ(o.action, Action::Tree);
    EXPECT_TRUE(o.capsTree);

    ASSERT_TRUE(parse({"--xml-report", "/tmp/r", "--renderer=1"}, o, e)) << e;
    EXPECT_EQ(o.action, Action::XmlReport);
    EXPECT_EQ(o.folder, "/tmp/r");
    ASSERT_TRUE(parse({"--platform", "egl", "--platform=glx"}, o, e)) << e;
    EXPECT_EQ(o.platform, "glx");
    ASSERT_TRUE(parse({"--run-tests", "opts.xml"}, o, e));
    EXPECT_EQ(o.action, Action::RunTests);
    EXPECT_EQ(o.optionFile, "opts.xml");
    for (auto [flag, action] :
         std::vector<std::pair<const char *, Action>>{{"--pixel-formats", Action::PixelFormats},
                                                      {"--modes", Action::Modes},
                                                      {"--monitors", Action::Monitors},
                                                      {"--tests", Action::Tests},
                                                      {"--help", Action::Help},
                                                      {"--version", Action::Version}}) {
        ASSERT_TRUE(parse({flag}, o, e)) << flag;
        EXPECT_EQ(o.action, action) << flag;
    }
}

TEST(CliArguments, UsageErrorsSayWhat)
{
    Options o;
    std::string e;
    EXPECT_FALSE(parse({"--bogus"}, o, e));
    EXPECT_NE(e.find("--bogus"), std::string::npos);
    EXPECT_FALSE(parse({"--renderer", "2"}, o, e));
    EXPECT_NE(e.find("--renderer"), std::string::npos);
    EXPECT_FALSE(parse({"--renderer"}, o, e));
    EXPECT_NE(e.find("needs a value"), std::string::npos);
    EXPECT_FALSE(parse({"--tree", "leaves"}, o, e));
    EXPECT_FALSE(parse({"--platform", "wayland"}, o, e));
    EXPECT_NE(e.find("--platform takes glx or egl"), std::string::npos) << e;
    EXPECT_FALSE(parse({"--xml-report="}, o, e));
    EXPECT_FALSE(parse({"--modes", "--monitors"}, o, e));
    EXPECT_NE(e.find("only one action"), std::string::npos);
    EXPECT_FALSE(parse({"report"}, o, e));
    EXPECT_NE(e.find("unexpected argument \"report\""), std::string::npos) << e;
    // An option where a value belongs: the value is missing.
    EXPECT_FALSE(parse({"--xml-report", "--tree", "main"}, o, e));
    EXPECT_NE(e.find("--xml-report needs a value"), std::string::npos) << e;
    EXPECT_TRUE(parse({"--xml-report=--odd"}, o, e)) << e;
    EXPECT_EQ(o.folder, "--odd");
    // The same action twice is not a conflict.
    EXPECT_TRUE(parse({"--modes", "--modes"}, o, e));
}

namespace {

// Report pieces as the library builds them: a text, a text of the table,
// a text of the table with two arguments.
tsReportPiece piece(int kind, const char *text, int textId = 0, const char *text2 = "")
{
    tsReportPiece p;
    std::memset(&p, 0, sizeof p);
    p.kind = kind;
    p.textId = textId;
    std::snprintf(p.text, sizeof p.text, "%s", text);
    std::snprintf(p.text2, sizeof p.text2, "%s", text2);
    return p;
}

std::string render(std::vector<tsReportPiece> pieces)
{
    return renderReportPieces(pieces.data(), pieces.size(), true);
}

} // namespace

// The report is an RTF document: raw line ends in its pieces are not text
// (only a backslash before one makes a paragraph), and a control word at the
// end of a piece does not swallow the start of the next.
TEST(CliText, RawLineEndsAreNotTextInTheReport)
{
    EXPECT_EQ(
        render({piece(TS_PIECE_TEXT, "{\\rtf1\\ansi{\\colortbl;}\n"),
                piece(TS_PIECE_TEXT, "one\ntwo\\line"),
                piece(TS_PIECE_TEXT, "three\\\nfour\\\\\r\nfive"), piece(TS_PIECE_TEXT, "}")}),
        "onetwo\nthree\nfour\\five");
}

// Texts 308 and 309 switch bold with the byte 8: the lines come out whole,
// without the marks, the "0" of a closing one or a doubled space.
TEST(CliText, BoldSwitchBytesOfTheTable)
{
    EXPECT_EQ(render({piece(TS_PIECE_TEXT_ID_ARGS, "GL_X_m", 308, "glM"),
                      piece(TS_PIECE_TEXT_ID_ARGS, "GL_X_a", 309, "glA"),
                      piece(TS_PIECE_TEXT_ID_ARGS, "GL_X_b", 309, "0glB")}),
              "Extension GL_X_m has the entry point glM missing !\n"
              "Extension GL_X_a not in list but has the entry point glA \n"
              "Extension GL_X_b not in list but has the entry point 0glB \n");
}

TEST(CliText, ReportPiecesRenderWithTheTextTable)
{
    const char *t334 = tsGetBuiltinText(334);
    ASSERT_NE(t334, nullptr);
    const std::string plain =
        render({piece(TS_PIECE_TEXT, "{\\rtf1\\ansi{\\colortbl;}\n"),
                piece(TS_PIECE_TEXT_ID, "", 334), piece(TS_PIECE_TEXT, "\\line Renderer & more"),
                piece(TS_PIECE_TEXT_ID, "", 113), piece(TS_PIECE_TEXT, "}")});
    EXPECT_EQ(plain.rfind(t334, 0), 0u) << plain;
    EXPECT_NE(plain.find("\nRenderer & more"), std::string::npos) << plain;
    EXPECT_NE(plain.find("No multitexturing extension."), std::string::npos);
    EXPECT_EQ(plain.find('\\'), std::string::npos) << plain;
    EXPECT_EQ(plain.find("colortbl"), std::string::npos);
}

// The plain report is built in one go into the room it is given; without
// room (counted first) or with too little (built again at the size asked
// for) it comes out the same.
TEST(CliText, PlainReportDoesNotDependOnItsRoom)
{
    const std::string dir = std::string(TESSERA_SOURCE_DIR) + "/tests/data/golden/";
    LoadedReport report;
    std::string error;
    bool incomplete = false;
    ASSERT_TRUE(report.load(dir + "llvmpipe-report-file.xml", readWhole(dir + "database.xml"),
                            error, incomplete))
        << error;
    const Reading r = report.reading();
    const std::string expected = plainReport(r);
    EXPECT_NE(expected.find("\nCompliance:\nOpenGL 1.1 ("), std::string::npos) << expected;
    for (size_t room : {size_t(1), size_t(100), reportRoom().size()})
        EXPECT_EQ(plainReport(r, true, std::vector<tsReportPiece>(room)), expected) << room;
}
