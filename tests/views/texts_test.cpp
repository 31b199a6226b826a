// The built-in English text table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sounder/texts.h"
#include "views/render.h"
#include "views/texts.h"

TEST(BuiltinTexts, SortedUniqueAndWithinTheIdRange)
{
    size_t count = 0;
    const sounder::BuiltinText *t = sounder::builtinTexts(&count);
    ASSERT_GT(count, 250u);
    for (size_t i = 0; i < count; ++i) {
        EXPECT_GE(t[i].id, 101);
        EXPECT_LE(t[i].id, 612);
        ASSERT_NE(t[i].text, nullptr);
        EXPECT_GT(std::strlen(t[i].text), 0u) << t[i].id;
        if (i > 0) {
            EXPECT_LT(t[i - 1].id, t[i].id);
        }
        EXPECT_EQ(tsGetBuiltinText(t[i].id), t[i].text);
    }
    EXPECT_EQ(tsGetBuiltinText(100), nullptr);
    EXPECT_EQ(tsGetBuiltinText(178 + 3), nullptr); // a gap of the table
    EXPECT_EQ(tsGetBuiltinText(613), nullptr);
    EXPECT_EQ(tsGetBuiltinText(-1), nullptr);
}

// Every id that the trees and reports emit has an English text, including
// those that only language files carried before.
TEST(BuiltinTexts, EveryIdOfTreesAndReportsHasAText)
{
    const int used[] = {141, 161,
                        162, 163,
                        164, 165,
                        167, 168,
                        169, 170,
                        171, 172,
                        173, 174,
                        175, 177,
                        178, 187,
                        188, 189,
                        190, 191,
                        192, 193,
                        194, 195,
                        196, 197,
                        198, 199,
                        200, 201,
                        202, 203,
                        204, 205,
                        206, 207,
                        209, 210,
                        211, 214,
                        215, 216,
                        217, 218,
                        219, 220,
                        221, 234,
                        235, 236,
                        256, 257,
                        258, 259,
                        260, 261,
                        262, 263,
                        264, 265,
                        266, 267,
                        268, 284,
                        287, 293,
                        299, 300,
                        301, 304,
                        305, 306,
                        308, 309,
                        310, 311,
                        312, 313,
                        315, 316,
                        317, 318,
                        319, 320,
                        321, 322,
                        323, 324,
                        325, 326,
                        328, 329,
                        330, 331,
                        332, 333,
                        334, 335,
                        336, 339,
                        340, 341,
                        342, 343,
                        344, 345,
                        346, 347,
                        356, 357,
                        358, 365,
                        366, 367,
                        372, 373,
                        374, 375,
                        376, 377,
                        378, 379,
                        380, 382,
                        384, 385,
                        386, 387,
                        388, 389,
                        390, 391,
                        392, 395,
                        396, 397,
                        398, 399,
                        400, 401,
                        402, 409,
                        410, TS_TEXT_ENTRY_POINT_CHECK};
    for (int i = 222; i <= 257; ++i)
        EXPECT_NE(tsGetBuiltinText(i), nullptr) << i;
    for (int id : used) {
        const char *text = tsGetBuiltinText(id);
        ASSERT_NE(text, nullptr) << id;
        EXPECT_GT(std::strlen(text), 1u) << id;
    }
    for (int id = 113; id <= 140; ++id) {
        EXPECT_NE(tsGetBuiltinText(id), nullptr) << id;
    }
}

TEST(BuiltinTexts, FormatsTakeTheArgumentsTheirItemsCarry)
{
    // Value lines of geometry limits take one integer, the added report texts
    // two strings; a text that takes a different argument would misrender.
    for (int id = 396; id <= 402; ++id)
        EXPECT_NE(sounder::resolveText(nullptr, id, {77}).find("77"), std::string::npos) << id;
    for (int id : {357, 358, 409, 410})
        EXPECT_NE(sounder::resolveText(nullptr, id, {"VALUE"}).find("VALUE"), std::string::npos)
            << id;
    for (int id : {384, 385, 390}) {
        std::string s = sounder::resolveText(nullptr, id, {"FIRST", "SECOND"});
        EXPECT_LT(s.find("FIRST"), s.find("SECOND")) << id;
        EXPECT_NE(s.find("SECOND"), std::string::npos) << id;
    }
    // 308 and 309 keep their control characters around the arguments.
    EXPECT_NE(std::string(tsGetBuiltinText(308)).find("\x08%s\x08"), std::string::npos);
    EXPECT_EQ(std::string(tsGetBuiltinText(113)).back(), '\n');
    EXPECT_STREQ(tsGetBuiltinText(103), "Lumenscope\nVersion %s");
}

// The report's explanation of its entry-point check has an id of its own,
// outside the ids that language files carry, and plain words (it is put into
// RTF and plain reports alike).
TEST(BuiltinTexts, EntryPointCheckSentence)
{
    const int id = TS_TEXT_ENTRY_POINT_CHECK;
    EXPECT_GT(id, 410);
    EXPECT_LE(id, 612);
    const std::string text = tsGetBuiltinText(id);
    EXPECT_NE(text.find("dispatch offset"), std::string::npos);
    EXPECT_NE(text.find("not that this context implements it"), std::string::npos);
    EXPECT_EQ(text.find_first_of("\\{}%\x08"), std::string::npos);
}
