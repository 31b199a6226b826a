// A database far larger than the output buffer: thousands of supported
// extensions with long names.  Every document is cut at the buffer's end.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "client_helpers.h"
#include "sounder/client.h"
#include "sounder/database.h"

namespace {

std::string bigDatabase(int count)
{
    std::string text = "<tessera version=\"1\">\n";
    const std::string padding(90, 'x');
    char name[256];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "GL_BIG%d_extension_%05d_%s", i % 40, i, padding.c_str());
        text += "<ext name=\"";
        text += name;
        text += "\" alias=\"\" core=\"\" spec=\"\" req=\"\" status=\"\" cat=\"\" depends=\"\" "
                "affects=\"\"/>\n";
    }
    text += "<core version=\"1.1\">\n<f>glBindTexture</f>\n</core>\n</tessera>\n";
    return text;
}

void expectCutDocument(const char *text)
{
    ASSERT_NE(text, nullptr);
    const size_t length = std::strlen(text);
    EXPECT_EQ(length, static_cast<size_t>(LUM_OUTPUT_SIZE - 1));
    // Whole lines up to the cut, each ending in "\r\n".
    const std::string s(text, length);
    const size_t lastEnd = s.rfind("\r\n");
    ASSERT_NE(lastEnd, std::string::npos);
    std::vector<std::string> lines;
    EXPECT_TRUE(clienttest::splitCrLf(s.substr(0, lastEnd + 2), lines));
    EXPECT_GT(lines.size(), 1000u);
}

} // namespace

TEST(LumBig, DocumentsLargerThanTheBufferAreCut)
{
    lumClientLoadDatabase("<tessera version=\"1\"></tessera>");
    lumClientInitialize();

    tsDatabase *db = lumClientLoadDatabase(bigDatabase(6000).c_str());
    ASSERT_NE(db, nullptr);
    int count = 0;
    for (tsExtension *e = db->extensions; e; e = e->next, ++count)
        e->support = 3;
    ASSERT_EQ(count, 6000);

    expectCutDocument(lumClientGetCapsAndExtTree(1));
    expectCutDocument(lumClientGetReport(1));

    // A small document afterwards is whole again.
    const std::string tests(lumGetRenderingTests());
    EXPECT_EQ(tests.substr(tests.size() - 9), "</test>\r\n");
}
