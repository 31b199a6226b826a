// The exported presentation layer at its C boundary: bounded outputs, the
// caller's text table with its pointer, hostile language texts, rich text
// to XHTML, document attributes and the WGL counterpart lookups.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "sounder/present.h"
#include "support/xml_check.h"

namespace {

// A language table that is the caller's object, reached through user.
struct Language {
    int calls = 0;
    const char *override = nullptr; // every id's text, when set
    const char *text(int id)
    {
        ++calls;
        if (override)
            return override;
        switch (id) {
        case 165: return "%s%s%n%d|%d";      // conversions that do not fit the item
        case 187: return "Granularite %.3f"; // a float
        case 175: return "";                 // left empty: English
        default: return nullptr;
        }
    }
};

const char *languageLookup(int id, void *user)
{
    return static_cast<Language *>(user)->text(id);
}

template <typename Call>
std::string whole(Call call)
{
    const size_t length = call(nullptr, 0);
    std::string text(length + 1, '\0');
    EXPECT_EQ(call(&text[0], text.size()), length);
    text.resize(length);
    return text;
}

tsTextArg intArg(int64_t v)
{
    tsTextArg a{};
    a.kind = TS_ARG_INT;
    a.i = v;
    return a;
}

tsTextArg textArg(const char *s)
{
    tsTextArg a{};
    a.kind = TS_ARG_TEXT;
    a.s = s;
    return a;
}

} // namespace

// The C boundary of the checked formatter (its conversions are tested on
// the formatter itself): argument kinds, surplus conversions, bounded copy.
TEST(PresentFormat, OnlyTheGivenValuesAreFilledAndOutputIsBounded)
{
    const tsTextArg args[] = {intArg(7), textArg("glFoo"), textArg(nullptr)};
    EXPECT_EQ(whole([&](char *out, size_t size) {
                  return tsFormatText("%s%s%n%d%p%*d|[%s]", args, 1, out, size);
              }),
              "7|[]");
    char small[4];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(tsFormatText("%d of %s [%s]", args, 3, small, sizeof small), 13u);
    EXPECT_STREQ(small, "7 o");
    EXPECT_EQ(tsFormatText("%d", nullptr, 5, small, sizeof small), 0u);
}

TEST(PresentFormat, TreeLabelsUseTheCallersTableThenEnglish)
{
    Language language;
    auto label = [&](const tsTreeItem &item) {
        return whole([&](char *out, size_t size) {
            return tsFormatTreeItemLabel(&item, languageLookup, &language, out, size);
        });
    };
    tsTreeItem item{};
    item.kind = TS_TREE_2I; // two values for a text that asks for five
    item.textId = 165;
    item.value0.i = 1024;
    item.value1.i = 768;
    EXPECT_EQ(label(item), "1024768|");
    item.kind = TS_TREE_1F;
    item.textId = 187;
    item.value0.f = 0.125f;
    EXPECT_EQ(label(item), "Granularite 0.125");
    // An integer conversion given a float beyond the integer range (a
    // translator's %d on a float item) is clamped, never an undefined cast.
    Language integers;
    integers.override = "%d|%i";
    item.kind = TS_TREE_2F;
    item.value0.f = 3.4e38f;
    item.value1.f = 2.9f;
    EXPECT_EQ(whole([&](char *out, size_t size) {
                  return tsFormatTreeItemLabel(&item, languageLookup, &integers, out, size);
              }),
              "9223372036854775807|2");
    item.kind = TS_TREE_STR2; // an empty entry falls back to English
    item.textId = 175;
    std::strcpy(item.text, "Linux %n");
    EXPECT_EQ(label(item), "System: Linux %n");
    item.kind = TS_TREE_PUSHI; // an id the caller lacks
    item.textId = 141;
    item.value0.i = 302;
    EXPECT_EQ(label(item), "Extensions (302)");
    EXPECT_GT(language.calls, 0);
    EXPECT_EQ(tsFormatTreeItemLabel(nullptr, nullptr, nullptr, nullptr, 0), 0u);
}

namespace {

std::string htmlBody(const char *rich)
{
    const std::string page =
        whole([&](char *out, size_t size) { return tsRichTextToHtml(rich, out, size); });
    const std::string open = "white-space:pre-wrap\">", close = "</div></body></html>";
    const size_t from = page.find(open);
    if (from == std::string::npos || page.size() < close.size() ||
        page.compare(page.size() - close.size(), close.size(), close) != 0)
        return "(no page: " + page + ")";
    return page.substr(from + open.size(), page.size() - close.size() - from - open.size());
}

} // namespace

TEST(PresentHtml, RichTextBecomesEscapedUtf8Markup)
{
    struct Case {
        const char *rich;
        const char *body;
    } cases[] = {
        // Formatting is kept per group, as RTF does.
        {"a {\\b b} c\\b d\\plain e", "a <b>b</b> c<b>d</b>e"},
        {"\\i it\\b both\\i0 bold\\b0 .", "<i>it</i><b><i>both</i></b><b>bold</b>."},
        // Outside text is escaped; a text that looks like markup stays text.
        {"<b>x</b> & \"q\"", "&lt;b&gt;x&lt;/b&gt; &amp; &quot;q&quot;"},
        // Breaks; raw line ends are not text; header tables are dropped.
        {"{\\rtf1{\\colortbl\\red0;}\none\\line two\\par\\\nthree}", "one<br/>two<br/><br/>three"},
        // \'hh is Windows-1252, \uN a character with its fallback passed over,
        // surrogate halves join, a lone half is no character.
        {"\\'e9\\'80 \\u8364?\\uc2\\u8364??x", "\xc3\xa9\xe2\x82\xac \xe2\x82\xac\xe2\x82\xacx"},
        {"\\u-10179?\\u-8704?|\\u-10179?z", "\xf0\x9f\x98\x80|\xef\xbf\xbdz"},
        // Text bytes: UTF-8 kept, a stray byte read as Windows-1252, control
        // characters dropped (the byte 8 is the tables' bold switch).
        {"\xe6\x97\xa5 \xe9\x01\x08"
         "bold\x08"
         "0 t",
         "\xe6\x97\xa5 \xc3\xa9<b>bold</b> t"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(htmlBody(c.rich), c.body) << c.rich;

    std::string all;
    for (const Case &c : cases)
        all += c.rich;
    EXPECT_EQ(xmlProblem(whole([&](char *out, size_t size) {
                  return tsRichTextToHtml(all.c_str(), out, size);
              })),
              "");
    EXPECT_EQ(htmlBody(nullptr), "");
    // One tokenizer reads both forms: the plain converter sees the same text.
    EXPECT_EQ(whole([](char *out, size_t size) {
                  return tsRichTextToPlain("\\u8364?\\uc0\\u233 x{\\*\\u65 hidden}", out, size);
              }),
              "\xe2\x82\xac\xc3\xa9x");
}

TEST(PresentDocument, AttributesMatchWholeNamesAndDecode)
{
    const char *attributes = "name=\"STR2\" text_id=\"175\" text=\"a &amp; b&#10;&#x20AC;&bogus;\" "
                             "text2='single' empty=\"\"";
    struct Case {
        const char *name;
        const char *value; // null: absent
    } cases[] = {
        {"text", "a & b\n\xe2\x82\xac&bogus;"},
        {"text_id", "175"},
        {"text2", "single"},
        {"empty", ""},
        {"name", "STR2"},
        {"ext", nullptr},
        {"", nullptr},
    };
    for (const Case &c : cases) {
        const size_t length = tsDocumentAttribute(attributes, c.name, nullptr, 0);
        if (!c.value) {
            EXPECT_EQ(length, TS_NO_ATTRIBUTE) << c.name;
            continue;
        }
        EXPECT_EQ(whole([&](char *out, size_t size) {
                      return tsDocumentAttribute(attributes, c.name, out, size);
                  }),
                  c.value)
            << c.name;
    }
    EXPECT_EQ(tsDocumentAttribute("a=\"unterminated", "a", nullptr, 0), TS_NO_ATTRIBUTE);
    EXPECT_EQ(tsDocumentAttribute("junk = = b=\"1\"", "b", nullptr, 0), 1u);
    EXPECT_EQ(tsDocumentAttribute(nullptr, "a", nullptr, 0), TS_NO_ATTRIBUTE);
}

// Whether a reading has a WGL feature: its own name on a WGL machine, the
// counterpart extension, or the core of the window system the list is of.
TEST(PresentWindowSystem, FeaturesOfGlxAndWglReadings)
{
    const char *glx = "GL_ARB_multitexture GLX_ARB_multisample GLX_EXT_swap_control";
    const char *glxPbuffer = "GL_ARB_multitexture GLX_SGIX_pbuffer";
    const char *wgl = "GL_ARB_multitexture WGL_ARB_extensions_string WGL_ARB_pbuffer";
    struct Case {
        const char *name;
        const char *list;
        int has;
    } cases[] = {
        {"WGL_ARB_extensions_string", glx, 1},
        {"WGL_ARB_pbuffer", glx, 1},
        {"WGL_ARB_render_texture", glx, 1},
        {"WGL_ARB_multisample", glx, 1},
        {"WGL_EXT_multisample", glx, 0},
        {"WGL_ARB_pbuffer", glxPbuffer, 1},
        {"WGL_ARB_pbuffer", wgl, 1},
        {"WGL_ARB_render_texture", wgl, 0},
        {"WGL_NV_made_up", glx, 0},
        {"GL_ARB_multitexture", glx, 1},
        {"GL_ARB_imaging", glx, 0},
        {"WGL_ARB_pbuffer", "", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(tsWindowSystemHasFeature(c.name, c.list, TS_WINDOW_SYSTEM_NATIVE), c.has)
            << c.name << " in " << c.list;
    EXPECT_EQ(tsWindowSystemHasFeature("WGL_ARB_pbuffer", glx, 99), 0);
    EXPECT_EQ(tsWindowSystemHasFeature(nullptr, glx, TS_WINDOW_SYSTEM_GLX), 0);

    EXPECT_STREQ(tsWindowSystemName("WGL_ARB_pbuffer", TS_WINDOW_SYSTEM_GLX), "GLX_SGIX_pbuffer");
    EXPECT_STREQ(tsWindowSystemName("WGL_ARB_extensions_string", 0), "GLX_VERSION_1_1");
    EXPECT_STREQ(tsWindowSystemName("glXSwapIntervalEXT", 0), "glXSwapIntervalEXT");
    EXPECT_EQ(tsWindowSystemName("wglMadeUp", 0), nullptr);
    EXPECT_EQ(tsWindowSystemName("WGL_ARB_pbuffer", 99), nullptr);
}
