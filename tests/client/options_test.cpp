// The rendering-test option document parser, without any display.
#include <gtest/gtest.h>

#include <string>

#include "client/options.h"
#include "sounder/rendertest.h"

using sounder::client::parseTestOptionDocument;
using sounder::client::TestOptionDocument;

namespace {

void expectSlots(const TestOptionDocument &doc, int onlyUnit)
{
    for (int i = 0; i < sounder::client::kTestUnitCount; ++i)
        EXPECT_EQ(doc.slots[i], (onlyUnit < 0 || i == onlyUnit) ? 0 : -1) << "slot " << i;
}

} // namespace

TEST(ClientOptions, BitsMatchTheHarness)
{
    EXPECT_EQ(sounder::client::kOptAnisotropy, static_cast<uint32_t>(optAnisotropy));
    EXPECT_EQ(sounder::client::kOptLodBias, static_cast<uint32_t>(optLodBias));
    EXPECT_EQ(sounder::client::kOptFullscreen, static_cast<uint32_t>(optFullscreen));
    EXPECT_EQ(sounder::client::kTestUnitCount, TS_TEST_UNIT_COUNT);
}

TEST(ClientOptions, FullscreenMultitextureAtModeZero)
{
    TestOptionDocument doc;
    ASSERT_TRUE(parseTestOptionDocument("<?xml version=\"1.0\"?>\n<options>\n  "
                                        "<option>2048</option>\n  <test>2</test>\n</options>\n",
                                        doc));
    EXPECT_EQ(doc.flags, static_cast<uint32_t>(optFullscreen));
    EXPECT_EQ(doc.displayMode, 0);
    EXPECT_EQ(doc.hardware, 1);
    expectSlots(doc, 2);
    EXPECT_STREQ(tsTestUnitDefault[2].name, "1.3 (multitexture)");
}

TEST(ClientOptions, OptionReplacesFlagsSetBefore)
{
    TestOptionDocument doc;
    ASSERT_TRUE(parseTestOptionDocument(
        "<o><anisotropy>8</anisotropy><texturelod>2.5</texturelod><option>512</option></o>", doc));
    // The values stay, their flags are gone.
    EXPECT_EQ(doc.flags, 512u);
    EXPECT_FLOAT_EQ(doc.anisotropy, 8.0f);
    EXPECT_FLOAT_EQ(doc.lodBias, 2.5f);

    ASSERT_TRUE(parseTestOptionDocument(
        "<o><option>512</option><anisotropy>8</anisotropy><texturelod>-1</texturelod></o>", doc));
    EXPECT_EQ(doc.flags, 512u | optAnisotropy | optLodBias);
    EXPECT_FLOAT_EQ(doc.lodBias, -1.0f);
}

TEST(ClientOptions, EveryElementAndCaseInsensitiveNames)
{
    TestOptionDocument doc;
    ASSERT_TRUE(parseTestOptionDocument(
        "<Options><OPTION>2</OPTION><MultiSample>4</MultiSample><Renderer>0</Renderer>"
        "<displayMode>3</displayMode><pixelformat>7</pixelformat><fbenable>1</fbenable>"
        "<fbformat>9</fbformat><Test>6</Test><unknown>5</unknown></Options>",
        doc));
    EXPECT_EQ(doc.flags, 2u);
    EXPECT_EQ(doc.samples, 4);
    EXPECT_EQ(doc.hardware, 0);
    EXPECT_EQ(doc.displayMode, 3);
    expectSlots(doc, 6);
    EXPECT_TRUE(doc.errors.empty());
}

TEST(ClientOptions, ZeroAnisotropyAndEmptyElementsSetNothing)
{
    TestOptionDocument doc;
    ASSERT_TRUE(parseTestOptionDocument(
        "<o><anisotropy>0</anisotropy><option></option><test> </test><multisample/></o>", doc));
    EXPECT_EQ(doc.flags, 0u);
    EXPECT_EQ(doc.samples, 0);
    expectSlots(doc, -1);
}

TEST(ClientOptions, ElementWithAttributesIsKnownByItsName)
{
    TestOptionDocument doc;
    ASSERT_TRUE(parseTestOptionDocument("<o><option kind=\"bits\">64</option></o>", doc));
    EXPECT_EQ(doc.flags, 64u);
}

TEST(ClientOptions, LaterTestReplacesEarlierOne)
{
    TestOptionDocument doc;
    ASSERT_TRUE(parseTestOptionDocument("<o><test>1</test><test>4</test></o>", doc));
    expectSlots(doc, 4);
}

TEST(ClientOptions, TestIndexOutsideTheTableIsRefused)
{
    for (const char *text : {"<o><test>7</test></o>", "<o><test>-1</test></o>",
                             "<o><test>99999999999999</test></o>"}) {
        TestOptionDocument doc;
        EXPECT_FALSE(parseTestOptionDocument(text, doc)) << text;
        ASSERT_EQ(doc.errors.size(), 1u) << text;
        EXPECT_NE(doc.errors[0].find("out of range"), std::string::npos);
        // The refused index never reached the slots.
        expectSlots(doc, -1);
    }
}

TEST(ClientOptions, NonFiniteValuesAreIgnored)
{
    TestOptionDocument doc;
    ASSERT_TRUE(parseTestOptionDocument(
        "<o><anisotropy>nan</anisotropy><texturelod>inf</texturelod></o>", doc));
    EXPECT_EQ(doc.flags, 0u);
    EXPECT_FLOAT_EQ(doc.anisotropy, 0.0f);
    EXPECT_FLOAT_EQ(doc.lodBias, 0.0f);
}

TEST(ClientOptions, GarbageGivesDefaults)
{
    TestOptionDocument doc;
    EXPECT_FALSE(parseTestOptionDocument(nullptr, doc));
    for (const char *text : {"", "not xml at all", "<<<>>>", "<option>12", "\"<option>5</option>",
                             "<option x=\"5</option>"}) {
        ASSERT_TRUE(parseTestOptionDocument(text, doc)) << text;
        EXPECT_EQ(doc.flags, 0u) << text;
        EXPECT_EQ(doc.hardware, 1) << text;
        expectSlots(doc, -1);
    }
}

TEST(ClientOptions, BareRootElementAndLaterElementsWin)
{
    TestOptionDocument doc;
    // A document that is one element.
    ASSERT_TRUE(parseTestOptionDocument("<option>2048</option>", doc));
    EXPECT_EQ(doc.flags, static_cast<uint32_t>(optFullscreen));
    // Document order: the later value of an element replaces the earlier,
    // and an anisotropy after option keeps its flag on top of the new bits.
    ASSERT_TRUE(parseTestOptionDocument(
        "<o><renderer>0</renderer><option>4</option><anisotropy>2</anisotropy>"
        "<renderer>1</renderer><displaymode>2</displaymode>"
        "<displaymode>1</displaymode></o>",
        doc));
    EXPECT_EQ(doc.hardware, 1);
    EXPECT_EQ(doc.displayMode, 1);
    EXPECT_EQ(doc.flags, 4u | optAnisotropy);
}
