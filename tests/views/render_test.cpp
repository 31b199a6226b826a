// Argument substitution, text lookup with fallback, and rich text to plain.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sounder/texts.h"
#include "views/render.h"
#include "views/texts.h"

using sounder::formatText;
using sounder::plainFromRich;
using sounder::resolveText;

namespace {

const char *frenchish(int id)
{
    switch (id) {
    case 165: return "Taille max. %d par %d";
    case 175: return ""; // a language file that leaves an entry empty
    case 500: return "%s et %s";
    default: return nullptr;
    }
}

} // namespace

TEST(FormatText, ValuesBeyondThePlaceholdersAreNotShown)
{
    // A 3I item whose label takes two values, and a label without placeholder.
    EXPECT_EQ(formatText("Max. cube map texture size %d x %d", {16384, 16384, 16384}),
              "Max. cube map texture size 16384 x 16384");
    EXPECT_EQ(formatText("Max convolution height", {2048, 2048}), "Max convolution height");
    // More placeholders than values: the missing ones show nothing.
    EXPECT_EQ(formatText("%d x %d x %d", {4}), "4 x  x ");
}

TEST(FormatText, ConversionsFlagsAndMismatches)
{
    EXPECT_EQ(formatText("%f to %f", {1.0, 0.5f}), "1.000000 to 0.500000");
    EXPECT_EQ(formatText("%.2f|%5d|%-4s|%x|%05.1f", {3.14159, 42, "ab", 255, 2.25}),
              "3.14|   42|ab  |ff|002.2");
    EXPECT_EQ(formatText("100 %% - %d/%d", {7, 8}), "100 % - 7/8");
    // Types that do not match the conversion are converted, never misread.
    EXPECT_EQ(formatText("%d", {"text"}), "text");
    EXPECT_EQ(formatText("%s", {12}), "12");
    EXPECT_EQ(formatText("%d", {2.9}), "2");
    EXPECT_EQ(formatText("%f", {3}), "3.000000");
    // The space flag on a text conversion (as in one report text).
    EXPECT_EQ(formatText("[% s]", {"glFoo"}), "[glFoo]");
    // Flags without meaning for texts are not passed on; width and '-' are.
    EXPECT_EQ(formatText("[%+s|%08s|%-4s|% 5s]", {"a", "b", "c", "d"}), "[a|       b|c   |    d]");
    // Conversions that would write memory or read pointers produce nothing.
    EXPECT_EQ(formatText("a%nb%pc", {1, 2}), "abc");
    EXPECT_EQ(formatText("%*d|", {5, 6}), "|");
    // Absurd widths are capped, a lone percent at the end stays.
    EXPECT_EQ(formatText("%999999999d", {1}).size(), 512u);
    EXPECT_EQ(formatText("50%", {}), "50%");
    EXPECT_EQ(formatText("%lld %hu %zu", {1, 2, 3}), "1 2 3");
    EXPECT_EQ(formatText(nullptr, {1}), "");
    const char *null = nullptr;
    EXPECT_EQ(formatText("[%s]", {null}), "[]");
}

TEST(ResolveText, CallerTableFirstThenBuiltinEnglish)
{
    EXPECT_EQ(resolveText(frenchish, 165, {1024, 768}), "Taille max. 1024 par 768");
    // An empty or missing entry of the caller's table falls back to English.
    EXPECT_EQ(resolveText(frenchish, 175, {"Linux"}), "System: Linux");
    EXPECT_EQ(resolveText(nullptr, 293, {"64-bit"}), "Processor Mode: 64-bit");
    EXPECT_EQ(resolveText(frenchish, 500, {"a", "b"}), "a et b");
    // An id nobody has renders as an empty text, never as a number.
    EXPECT_EQ(resolveText(nullptr, 99999, {1}), "");
}

TEST(PlainFromRich, ReportFragmentsAndHeader)
{
    const char *t113 = sounder::builtinText(113);
    ASSERT_NE(t113, nullptr);
    EXPECT_EQ(
        plainFromRich(t113),
        "No multitexturing extension.\nThis may leads performance loss on some application.\n");
    std::string doc =
        "{\\rtf1\\ansi\\deff0\\deftab720\\widowctrl{\\colortbl\\red0\\green0\\blue0;}\n"
        "\\deflang0419\\pard\\tx360\\plain\\f3\\fs20\\box\\i System information\\line \\i0 "
        "Linux\\line \\line \\i a\\{b\\}c\\\\d \\'e9\\par }";
    EXPECT_EQ(plainFromRich(doc, false), "System information\nLinux\n\na{b}c\\d \xe9\n");
    // Report texts 308 and 309 switch bold with the byte 8: the marks go,
    // with the "0" of a closing one and the space a mark would double; an
    // argument that begins with "0" right after an opening mark keeps it.
    std::string t308 = resolveText(nullptr, 308, {"GL_ARB_x", "glFoo"});
    EXPECT_EQ(plainFromRich(t308), "Extension GL_ARB_x has the entry point glFoo missing !\n");
    std::string t309 = resolveText(nullptr, 309, {"GL_ARB_y", "0glBar"});
    EXPECT_EQ(plainFromRich(t309),
              "Extension GL_ARB_y not in list but has the entry point 0glBar \n");
    EXPECT_EQ(plainFromRich("\x08"
                            "0a\x08"
                            "0b\x08 c"),
              "0ab c");
    EXPECT_EQ(plainFromRich("{\\*\\generator x;}kept{\\fonttbl{\\f0 Arial;}}"), "kept");
    EXPECT_EQ(plainFromRich("unbalanced }} braces {{ and \\"), "unbalanced  braces  and ");
}

// The exported form of the same converter, for the programs: bounded like
// sysStrlCpy, same result.
TEST(PlainFromRich, ExportedConverterIsBounded)
{
    const std::string rich = "\\b Bold\\b0 \\line next\\par {\\fonttbl{\\f0 Arial;}}end";
    const std::string plain = plainFromRich(rich);
    ASSERT_EQ(plain, "Bold\nnext\nend");
    char out[64];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(tsRichTextToPlain(rich.c_str(), out, sizeof out), plain.size());
    EXPECT_EQ(std::string(out), plain);
    char small[6];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(tsRichTextToPlain(rich.c_str(), small, 5), plain.size());
    EXPECT_EQ(std::string(small), "Bold");
    EXPECT_EQ(small[5], 'x');
    EXPECT_EQ(tsRichTextToPlain(rich.c_str(), nullptr, 0), plain.size());
    EXPECT_EQ(tsRichTextToPlain(nullptr, out, sizeof out), 0u);
    EXPECT_STREQ(out, "");
}

TEST(TreeItemLabel, KindsAsTheViewerShowsThem)
{
    tsTreeItem it{};
    it.kind = TS_TREE_PUSHI;
    it.textId = 141;
    it.value0.i = 302;
    EXPECT_EQ(sounder::treeItemLabel(it, nullptr), "Extensions (302)");
    it.kind = TS_TREE_PUSHSI;
    std::snprintf(it.text, sizeof it.text, "ARB");
    EXPECT_EQ(sounder::treeItemLabel(it, nullptr), "ARB (302)");
    it.kind = TS_TREE_1F;
    it.textId = 187;
    it.value0.f = 0.125f;
    EXPECT_EQ(sounder::treeItemLabel(it, nullptr), "Line width granularity 0.125000");
    it.kind = TS_TREE_POP;
    EXPECT_EQ(sounder::treeItemLabel(it, nullptr), "");
    // A literal text with a percent sign is shown as it is, never as a format.
    it.kind = TS_TREE_STR;
    std::snprintf(it.text, sizeof it.text, "100 %%s %%n");
    EXPECT_EQ(sounder::treeItemLabel(it, nullptr), "100 %s %n");
}
