// The display-free parts of tessera-cli: arguments, rich text, documents.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../tessera/cli/cli.h"
#include "sounder/texts.h"

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

    ASSERT_TRUE(parse({"--renderer", "0", "--database=/x/db.xml", "--tree", "caps"}, o, e)) << e;
    EXPECT_EQ(o.renderer, 0);
    EXPECT_EQ(o.database, "/x/db.xml");
    EXPECT_EQ(o.action, Action::Tree);
    EXPECT_TRUE(o.capsTree);

    ASSERT_TRUE(parse({"--xml-report", "/tmp/r", "--renderer=1"}, o, e)) << e;
    EXPECT_EQ(o.action, Action::XmlReport);
    EXPECT_EQ(o.folder, "/tmp/r");
    ASSERT_TRUE(parse({"--run-tests", "opts.xml"}, o, e));
    EXPECT_EQ(o.action, Action::RunTests);
    EXPECT_EQ(o.optionFile, "opts.xml");
    for (auto [flag, action] : std::vector<std::pair<const char *, Action>>{
             {"--pixel-formats", Action::PixelFormats}, {"--modes", Action::Modes},
             {"--monitors", Action::Monitors},           {"--tests", Action::Tests},
             {"--help", Action::Help},                   {"--version", Action::Version}}) {
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
    EXPECT_FALSE(parse({"--xml-report="}, o, e));
    EXPECT_FALSE(parse({"--modes", "--monitors"}, o, e));
    EXPECT_NE(e.find("only one action"), std::string::npos);
    EXPECT_FALSE(parse({"report"}, o, e));
    // The same action twice is not a conflict.
    EXPECT_TRUE(parse({"--modes", "--modes"}, o, e));
}

TEST(CliText, RichTextBecomesPlain)
{
    EXPECT_EQ(rtfToPlain("\\b No multitexturing extension.\\b0 \\line This may leads performance loss.\n"),
              "No multitexturing extension.\nThis may leads performance loss.");
    EXPECT_EQ(rtfToPlain("{\\rtf1\\ansi\\deff0{\\colortbl\\red0\\green0\\blue0;}\n\\pard\\tx360\\plain\\f3\\fs20 "
                         "Hello\\par \\i x\\i0  y}"),
              "Hello\nx y");
    EXPECT_EQ(rtfToPlain("a\\\\b \\{c\\} \\'e9 \\tab t"), "a\\b {c} \xe9 \tt");
    EXPECT_EQ(rtfToPlain("{\\*\\generator x;}kept\x08\x01"), "kept");
    EXPECT_EQ(rtfToPlain("trailing\\"), "trailing");
    EXPECT_EQ(rtfToPlain("{unclosed {\\fonttbl never closed"), "unclosed ");
}

TEST(CliText, FormatTakesOnlyTexts)
{
    EXPECT_EQ(formatWithTexts("%s uses %s (100 %%)", {"a", "b"}), "a uses b (100 %)");
    EXPECT_EQ(formatWithTexts("%d %s %s %s %n", {"x"}), "%d x   %n");
    EXPECT_EQ(formatWithTexts("%", {}), "%");
    EXPECT_EQ(formatWithTexts("[% s][%-4s][%4s][%.2s]", {"a", "b", "c", "long"}), "[a][b   ][   c][lo]");
    EXPECT_EQ(formatWithTexts("%999999999999s|", {"a"}).size(), 512u + 1u);
}

TEST(CliText, BoldSwitchBytesOfTheTable)
{
    EXPECT_EQ(tableTextAsRich("Extension \x08%s\x08 has the entry point \x08 %s\x08" "0 missing !\\line"),
              "Extension %s has the entry point  %s missing !\\line");
    const std::string doc = "<report>\r\n"
                            "<item type=\"STR2\" value=\"309\" text=\"GL_X_a\" text2=\"glA\"/>\r\n"
                            "<item type=\"STR2\" value=\"309\" text=\"GL_X_b\" text2=\"glB\"/>\r\n"
                            "</report>\r\n";
    const std::string plain = renderReportDocument(doc, tsGetBuiltinText);
    // Each piece keeps its line end, and both arguments show.
    EXPECT_NE(plain.find("GL_X_a"), std::string::npos) << plain;
    EXPECT_NE(plain.find("glA"), std::string::npos) << plain;
    EXPECT_NE(plain.find("\nExtension GL_X_b"), std::string::npos) << plain;
    EXPECT_EQ(plain.find('\x08'), std::string::npos);
}

TEST(CliText, XmlEntities)
{
    EXPECT_EQ(xmlUnescape("a&amp;b&lt;c&gt;&quot;&apos;&#65;&#x42;&#10;"), "a&b<c>\"'AB\n");
    EXPECT_EQ(xmlUnescape("&bogus; &#; &#xZZ; & &amp"), "&bogus; &#; &#xZZ; & &amp");
}

TEST(CliText, ReportDocumentRendersWithTheTextTable)
{
    const char *t334 = tsGetBuiltinText(334);
    ASSERT_NE(t334, nullptr);
    const std::string doc = "<report>\r\n"
                            "<item type=\"STR\" value=\"{\\rtf1\\ansi{\\colortbl;}&#10;\"/>\r\n"
                            "<item type=\"LOCAL\" value=\"334\"/>\r\n"
                            "<item type=\"STR\" value=\"\\line Renderer &amp; more\"/>\r\n"
                            "<item type=\"LOCAL\" value=\"113\"/>\r\n"
                            "<item type=\"STR\" value=\"}\"/>\r\n"
                            "</report>\r\n";
    const std::string plain = renderReportDocument(doc, tsGetBuiltinText);
    EXPECT_EQ(plain.rfind(rtfToPlain(t334), 0), 0u) << plain;
    EXPECT_NE(plain.find("\nRenderer & more"), std::string::npos) << plain;
    EXPECT_NE(plain.find("No multitexturing extension."), std::string::npos);
    EXPECT_EQ(plain.find('\\'), std::string::npos) << plain;
    EXPECT_EQ(plain.find("colortbl"), std::string::npos);
}

TEST(CliText, ComplianceFiguresComeFromTheCoreGroupOnly)
{
    const std::string tree =
        "<tree>\r\n"
        "<item name=\"PUSH\" text_id=\"334\" image0=\"20\" image1=\"20\">\r\n"
        "<item name=\"PUSHS\" text=\"not a figure\" image0=\"1\" image1=\"1\">\r\n"
        "</item>\r\n"
        "</item>\r\n"
        "<item name=\"PUSH\" text_id=\"192\" image0=\"17\" image1=\"17\">\r\n"
        "<item name=\"PUSHS\" text=\"1.1 (100 % - 7/7)\" image0=\"17\" image1=\"17\">\r\n"
        "<item name=\"PUSH\" text_id=\"177\" image0=\"18\" image1=\"18\">\r\n"
        "<item name=\"PUSHS\" text=\"nested\" image0=\"18\" image1=\"18\">\r\n"
        "</item>\r\n"
        "</item>\r\n"
        "</item>\r\n"
        "<item name=\"PUSHS\" text=\"2.1 (50 % - 1/2)\" image0=\"17\" image1=\"17\">\r\n"
        "</item>\r\n"
        "</item>\r\n"
        "<item name=\"PUSHS\" text=\"after\" image0=\"1\" image1=\"1\">\r\n"
        "</item>\r\n"
        "</tree>\r\n";
    EXPECT_EQ(complianceFigures(tree), (std::vector<std::string>{"1.1 (100 % - 7/7)", "2.1 (50 % - 1/2)"}));
}
