// The event-driven XML parser and the attribute lookup.
#include "keel/keel.h"
#include "keel/xml_recorder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Events = std::vector<std::string>;

// The document in a block of exactly its length + 1, so that AddressSanitizer
// reports any read past its end.
std::unique_ptr<char[]> exactCopy(const std::string &text)
{
    std::unique_ptr<char[]> block(new char[text.size() + 1]);
    memcpy(block.get(), text.c_str(), text.size() + 1);
    return block;
}

Events parse(const std::string &text, int *result = nullptr, bool withCData = true)
{
    XmlRecorder rec(withCData);
    auto block = exactCopy(text);
    int r = rec.parse(block.get());
    EXPECT_EQ(std::string(block.get()), text) << "the input must not be modified";
    if (result)
        *result = r;
    return rec.events;
}

TEST(KeelXml, NullTextAndNoiseGiveNoCallbacks)
{
    XmlRecorder rec;
    EXPECT_EQ(rec.parse(nullptr), 0);
    EXPECT_EQ(sysXmlParseDocument(nullptr, "<a>t</a>"), 0);
    EXPECT_TRUE(rec.events.empty());
    int r = -1;
    EXPECT_EQ(parse("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- a comment -->\n", &r),
              Events{});
    EXPECT_EQ(r, 0);
    EXPECT_EQ(parse(""), Events{});
    EXPECT_EQ(parse("plain text, no markup"), Events{});
}

TEST(KeelXml, LeafElementsPassTheWholeTagText)
{
    EXPECT_EQ(parse("<a>t</a>"), (Events{"E[a][t]"}));
    EXPECT_EQ(parse("<a x=\"1\">t</a>"), (Events{"E[a x=\"1\"][t]"}));
    // The end tag is neither compared nor reported.
    EXPECT_EQ(parse("<a>t</b><c>u</c>"), (Events{"E[a][t]", "E[c][u]"}));
    // No white space trimmed, no entities decoded.
    EXPECT_EQ(parse("<v> 1 &amp; 2 </v>"), (Events{"E[v][ 1 &amp; 2 ]"}));
}

TEST(KeelXml, TagsWithChildrenAndEndTags)
{
    EXPECT_EQ(parse("<a><b/></a>"), (Events{"T[a]", "T[/a]"}));
    EXPECT_EQ(parse("<Tessera version=\"2.16\">\n  <Capabilities>\n    <Vendor>NVIDIA</Vendor>\n"
                    "    <Mode width=\"640\" height=\"480\"/>\n  </Capabilities>\n</Tessera>\n"),
              (Events{"E[Tessera][version=\"2.16\"]", "T[Capabilities]", "E[Vendor][NVIDIA]",
                      "E[Mode][width=\"640\" height=\"480\"]", "T[/Capabilities]", "T[/Tessera]"}));
    // Text before the first child is ignored.
    EXPECT_EQ(parse("<a>junk<b>t</b></a>"), (Events{"T[a]", "E[b][t]", "T[/a]"}));
    // Any white space splits name and attributes.
    EXPECT_EQ(parse("<Mode\twidth=\"640\"/><p\nid=\"x\"><q/></p>"),
              (Events{"E[Mode][width=\"640\"]", "E[p][id=\"x\"]", "T[/p]"}));
}

TEST(KeelXml, QuotesHideMarkup)
{
    // > and white space inside a quoted value belong to the value.
    EXPECT_EQ(parse("<a k=\"x>y\"/>"), (Events{"E[a][k=\"x>y\"]"}));
    EXPECT_EQ(parse("<a k=\"x y\"><b/></a>"), (Events{"E[a][k=\"x y\"]", "T[/a]"}));
    // Single quotes mean nothing.
    EXPECT_EQ(parse("<a k='x>y'/><b/></a>"), (Events{"E[a][k='x]", "T[/a]"}));
    // Text with an odd number of double quotes hides the following <.
    EXPECT_EQ(parse("<r><a>say \"hi</a><b>t</b></r>"), (Events{"T[r]"}));
    // A comment holding > ends at that >.
    EXPECT_EQ(parse("<!-- a > b --><c>d</c>"), (Events{"E[c][d]"}));
}

TEST(KeelXml, SelfClosingWithoutAttributesIsSilent)
{
    EXPECT_EQ(parse("<br/><hr />"), (Events{"E[hr][]"}));
    EXPECT_EQ(parse("<list><br/><br/></list>"), (Events{"T[list]", "T[/list]"}));
}

TEST(KeelXml, NonZeroResultsStopOnlyWhereStated)
{
    {
        XmlRecorder rec;
        rec.elementResult = 5;
        EXPECT_EQ(rec.parse("<a x=\"1\"/><b y=\"2\"/>"), 5);
        EXPECT_EQ(rec.events, (Events{"E[a][x=\"1\"]"}));
    }
    {
        // A leaf's result is ignored.
        XmlRecorder rec;
        rec.elementResult = 5;
        EXPECT_EQ(rec.parse("<a>t</a><b>u</b>"), 0);
        EXPECT_EQ(rec.events, (Events{"E[a][t]", "E[b][u]"}));
    }
    {
        // An element with attributes and children stops the parse.
        XmlRecorder rec;
        rec.elementResult = 7;
        EXPECT_EQ(rec.parse("<r v=\"1\"><a>t</a></r>"), 7);
        EXPECT_EQ(rec.events, (Events{"E[r][v=\"1\"]"}));
    }
    {
        // onTag stops at a start tag with children, never at an end tag.
        XmlRecorder rec;
        rec.tagResult = 3;
        EXPECT_EQ(rec.parse("</z><a x=\"1\"/><r><a>t</a></r>"), 3);
        EXPECT_EQ(rec.events, (Events{"T[/z]", "E[a][x=\"1\"]", "T[r]"}));
    }
}

TEST(KeelXml, CDataSections)
{
    EXPECT_EQ(parse("<s><![CDATA[a<b>\"c]]></s>"), (Events{"T[s]", "C[a<b>\"c]", "T[/s]"}));
    EXPECT_EQ(parse("<![CDATA[x]]]>"), (Events{"C[x]]"}));
    EXPECT_EQ(parse("<s><![CDATA[skip]]></s>", nullptr, false), (Events{"T[s]", "T[/s]"}));
    // An empty section ends at its own terminator and costs nothing after it.
    EXPECT_EQ(parse("<![CDATA[]]><a>t</a><![CDATA[z]]>"), (Events{"C[]", "E[a][t]", "C[z]"}));
    // Only the upper-case marker opens a section; anything else is skipped
    // like a declaration.
    EXPECT_EQ(parse("<![cdata[x]]><a>t</a>"), (Events{"E[a][t]"}));
}

TEST(KeelXml, UnterminatedConstructsAtTheEndEndQuietly)
{
    struct Case {
        const char *text;
        Events events;
    };
    const Case cases[] = {
        {"<a>t</a><![CDATA[", {"E[a][t]"}},
        {"<a>t</a><![CDATA[abc", {"E[a][t]"}},
        {"<a>t</a><![CDATA[abc]]", {"E[a][t]"}},
        {"<a>t</a><![CDATA[abc]", {"E[a][t]"}},
        {"<a>t</a><![CDA", {"E[a][t]"}},
        {"<a>t</a><", {"E[a][t]"}},
        {"<a>t</a><b", {"E[a][t]"}},
        {"<a>t</a><b x=\"1\"", {"E[a][t]"}},
        {"<a>t</a><b x=\"1>", {"E[a][t]"}},
        {"<a>t</a><b x=\"1/>", {"E[a][t]"}},
        {"<a>t</a><!-- never closed", {"E[a][t]"}},
        {"<a>t</a><!", {"E[a][t]"}},
        {"<a>t</a><?xml", {"E[a][t]"}},
        {"<a>t</a></a", {"E[a][t]"}},
        {"<a>t</a></", {"E[a][t]"}},
        {"<a>", {}},
        {"<a>text", {}},
        {"<a>say \"hi</a>", {}},
        {"<a>t</", {"E[a][t]"}},
        {"<a>t</a", {"E[a][t]"}},
        {"<a>t</a x=\"", {"E[a][t]"}},
        {"<r><a>t<", {"T[r]", "T[a]"}},
        {"\"<a>t</a>", {}},
    };
    for (const Case &c : cases) {
        int r = -1;
        EXPECT_EQ(parse(c.text, &r), c.events) << c.text;
        EXPECT_EQ(r, 0) << c.text;
    }
}

TEST(KeelXml, CallbacksMayBeMissingAndParsesNest)
{
    sysXmlCallbacks none{};
    EXPECT_EQ(sysXmlParseDocument(&none, "<a x=\"1\"/><b><c>t</c></b><![CDATA[x]]>"), 0);

    // Each call has its own copy: a callback may parse another document, and
    // the outer pieces stay intact.
    struct Outer {
        Events seen;
    } outer;
    sysXmlCallbacks cb{};
    cb.user = reinterpret_cast<uint64_t>(&outer);
    cb.onElement = [](uint64_t user, char *name, char *text) {
        XmlRecorder rec;
        rec.parse("<c>d</c><e f=\"g\"/>");
        auto *o = reinterpret_cast<Outer *>(user);
        o->seen.push_back(std::string(name) + "/" + text);
        o->seen.insert(o->seen.end(), rec.events.begin(), rec.events.end());
        return 0;
    };
    EXPECT_EQ(sysXmlParseDocument(&cb, "<a x=\"1\"/><b>t</b>"), 0);
    EXPECT_EQ(outer.seen,
              (Events{"a/x=\"1\"", "E[c][d]", "E[e][f=\"g\"]", "b/t", "E[c][d]", "E[e][f=\"g\"]"}));
}

TEST(KeelXmlAttribute, LookupRules)
{
    const char *v = sysXmlGetAttribute("index=\"0\" width=\"640\"", "width");
    ASSERT_NE(v, nullptr);
    EXPECT_STREQ(v, "640");
    // Plain substring search: "id" matches inside "valid".
    v = sysXmlGetAttribute("valid=\"1\"", "id");
    ASSERT_NE(v, nullptr);
    EXPECT_STREQ(v, "1");
    // ...and inside a value: the text up to the next quote is returned.
    v = sysXmlGetAttribute("name=\"id\" id=\"7\"", "id");
    ASSERT_NE(v, nullptr);
    EXPECT_STREQ(v, " id=");
    EXPECT_EQ(sysXmlGetAttribute("width=\"640\"", "height"), nullptr);
    EXPECT_EQ(sysXmlGetAttribute("width=640", "width"), nullptr);
    EXPECT_EQ(sysXmlGetAttribute(nullptr, "width"), nullptr);
    EXPECT_EQ(sysXmlGetAttribute("width=\"1\"", nullptr), nullptr);
    // Empty values and entities come back as they are.
    v = sysXmlGetAttribute("k=\"\"", "k");
    ASSERT_NE(v, nullptr);
    EXPECT_STREQ(v, "");
    EXPECT_STREQ(sysXmlGetAttribute("k=\"a&amp;b\"", "k"), "a&amp;b");
}

TEST(KeelXmlAttribute, MissingCloseEmptiesTheSharedBuffer)
{
    const char *v = sysXmlGetAttribute("k=\"value\"", "k");
    ASSERT_NE(v, nullptr);
    EXPECT_STREQ(v, "value");
    EXPECT_EQ(sysXmlGetAttribute("k=\"never closed", "k"), nullptr);
    EXPECT_STREQ(v, "");
}

TEST(KeelXmlAttribute, LongValuesAreCut)
{
    std::string tag = "k=\"" + std::string(5000, 'v') + "\"";
    auto block = exactCopy(tag);
    const char *v = sysXmlGetAttribute(block.get(), "k");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(strlen(v), 4095u);
    EXPECT_EQ(std::string(v), std::string(4095, 'v'));
}

} // namespace
