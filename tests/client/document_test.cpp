// The document writer: line ends and the capped buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "client/document.h"
#include "sounder/client.h"

using sounder::client::DocumentWriter;

TEST(ClientDocument, LinesEndInCrLf)
{
    char buffer[64];
    DocumentWriter w(buffer, sizeof buffer);
    w.line("<a x=\"%d\">", 5);
    w.line("%s", "</a>");
    EXPECT_STREQ(w.text(), "<a x=\"5\">\r\n</a>\r\n");
    EXPECT_FALSE(w.truncated());
    w.begin();
    EXPECT_STREQ(w.text(), "");
}

TEST(ClientDocument, CutAtCapacityNeverPastIt)
{
    char block[32 + 16];
    std::memset(block, 'G', sizeof block);
    DocumentWriter w(block, 32);
    for (int i = 0; i < 100; ++i)
        w.line("line %d of a long document", i);
    EXPECT_TRUE(w.truncated());
    EXPECT_EQ(w.length(), 31u);
    EXPECT_EQ(std::strlen(block), 31u);
    for (size_t i = 32; i < sizeof block; ++i)
        EXPECT_EQ(block[i], 'G') << "byte " << i << " was written";
    EXPECT_EQ(std::string(block, 31), std::string("line 0 of a long document\r\nline", 31));
}

TEST(ClientDocument, LongLineIsCutToTheWorkBuffer)
{
    static char buffer[LUM_OUTPUT_SIZE];
    DocumentWriter w(buffer, sizeof buffer);
    const std::string big(20000, 'x');
    w.line("%s", big.c_str());
    // The line is cut at the work buffer (8191 characters), then "\r\n".
    EXPECT_EQ(w.length(), static_cast<size_t>(LUM_LINE_SIZE - 1 + 2));
    EXPECT_FALSE(w.truncated());
}

TEST(ClientDocument, FormatCharactersInTextsAreNotInterpreted)
{
    char buffer[128];
    DocumentWriter w(buffer, sizeof buffer);
    w.line("<t name=\"%s\" />", "%s%n%x");
    EXPECT_STREQ(w.text(), "<t name=\"%s%n%x\" />\r\n");
}
