// The update index reader.
#include "keel/keel.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char *kIndex = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<xsa>\n"
                     "  <vendor id=\"corvane\">\n"
                     "    <name>Corvane</name>\n"
                     "  </vendor>\n"
                     "  <version>9.9</version>\n"
                     "  <changes>outside any product</changes>\n"
                     "  <product id=\"other\">\n"
                     "    <version>1.0</version>\n"
                     "    <changes>other product</changes>\n"
                     "  </product>\n"
                     "  <product id=\"tessera\">\n"
                     "    <version>3.1.4</version>\n"
                     "    <last-release>2026-11-30</last-release>\n"
                     "    <info-url>https://example.org/tessera?v=3.1.4&amp;x=1</info-url>\n"
                     "    <changes> Faster database. </changes>\n"
                     "  </product>\n"
                     "  <version>8.8</version>\n"
                     "</xsa>\n";

bool isCleared(const sysXSAInfo &info)
{
    sysXSAInfo zero;
    memset(&zero, 0, sizeof zero);
    return memcmp(&info, &zero, sizeof info) == 0;
}

sysXSAInfo dirty()
{
    sysXSAInfo info;
    memset(&info, 'z', sizeof info);
    return info;
}

TEST(KeelXsa, FindsTheProductAndCopiesItsFields)
{
    TempDir dir;
    std::string p = dir.write("index.xsa", kIndex);
    sysXSAInfo info = dirty();
    ASSERT_EQ(sysXSAGetFromFile(p.c_str(), "tessera", &info), 0);
    EXPECT_STREQ(info.version, "3.1.4");
    EXPECT_STREQ(info.lastRelease, "2026-11-30");
    EXPECT_STREQ(info.infoUrl, "https://example.org/tessera?v=3.1.4&amp;x=1");
    EXPECT_STREQ(info.changes, " Faster database. ");

    info = dirty();
    ASSERT_EQ(sysXSAGetFromFile(p.c_str(), "other", &info), 0);
    EXPECT_STREQ(info.version, "1.0");
    EXPECT_STREQ(info.changes, "other product");
    EXPECT_STREQ(info.infoUrl, "");
}

TEST(KeelXsa, ProductIdIsCaseSensitiveAndOutsideElementsAreIgnored)
{
    TempDir dir;
    std::string p = dir.write("index.xsa", kIndex);
    sysXSAInfo info = dirty();
    EXPECT_EQ(sysXSAGetFromFile(p.c_str(), "Tessera", &info), -1);
    EXPECT_TRUE(isCleared(info));
    info = dirty();
    EXPECT_EQ(sysXSAGetFromFile(p.c_str(), "corvane", &info), -1);
    EXPECT_TRUE(isCleared(info));
    info = dirty();
    EXPECT_EQ(sysXSAGetFromFile(p.c_str(), nullptr, &info), -1);
    EXPECT_TRUE(isCleared(info));
}

TEST(KeelXsa, LongValuesAreCutToTheirFields)
{
    TempDir dir;
    std::string version(40, '7');
    std::string changes(600, 'c');
    std::string url(300, 'u');
    std::string release(70, 'r');
    std::string p = dir.write(
        "index.xsa", "<xsa><product id=\"p\"><version>" + version + "</version><changes>" +
                         changes + "</changes><info-url>" + url + "</info-url><last-release>" +
                         release + "</last-release></product></xsa>");
    sysXSAInfo info = dirty();
    ASSERT_EQ(sysXSAGetFromFile(p.c_str(), "p", &info), 0);
    EXPECT_EQ(std::string(info.version), version.substr(0, 31));
    EXPECT_EQ(std::string(info.changes), changes.substr(0, 511));
    EXPECT_EQ(std::string(info.infoUrl), url.substr(0, 255));
    EXPECT_EQ(std::string(info.lastRelease), release.substr(0, 63));
}

TEST(KeelXsa, LaterMatchOverwritesAndIdLookupIsASubstringSearch)
{
    TempDir dir;
    std::string p = dir.write(
        "twice.xsa", "<xsa><product id=\"p\"><version>1</version><changes>first</changes></product>"
                     "<product id=\"p\"><version>2</version></product></xsa>");
    sysXSAInfo info = dirty();
    ASSERT_EQ(sysXSAGetFromFile(p.c_str(), "p", &info), 0);
    EXPECT_STREQ(info.version, "2");
    EXPECT_STREQ(info.changes, "first");

    // "id" is found inside "valid" first, so this product's id reads as "no".
    p = dir.write("valid.xsa",
                  "<xsa><product valid=\"no\" id=\"p\"><version>1</version></product></xsa>");
    EXPECT_EQ(sysXSAGetFromFile(p.c_str(), "p", &info), -1);
    EXPECT_EQ(sysXSAGetFromFile(p.c_str(), "no", &info), 0);
    EXPECT_STREQ(info.version, "1");

    // Without the xsa root no product is looked at.
    p = dir.write("noroot.xsa", "<index><product id=\"p\"><version>1</version></product></index>");
    EXPECT_EQ(sysXSAGetFromFile(p.c_str(), "p", &info), -1);
}

TEST(KeelXsa, UnreadableEmptyAndMalformedFiles)
{
    TempDir dir;
    sysXSAInfo info = dirty();
    EXPECT_EQ(sysXSAGetFromFile(dir.file("absent.xsa").c_str(), "p", &info), -2);
    EXPECT_TRUE(isCleared(info));
    std::string empty = dir.write("empty.xsa", "");
    info = dirty();
    EXPECT_EQ(sysXSAGetFromFile(empty.c_str(), "p", &info), -2);
    EXPECT_TRUE(isCleared(info));
    EXPECT_EQ(sysXSAGetFromFile(dir.path().c_str(), "p", &info), -2);

    // Cut off in the middle of the product: what was read counts.
    std::string cut =
        dir.write("cut.xsa", "<xsa><product id=\"p\"><version>5</version><changes>unfin");
    info = dirty();
    EXPECT_EQ(sysXSAGetFromFile(cut.c_str(), "p", &info), 0);
    EXPECT_STREQ(info.version, "5");
    EXPECT_STREQ(info.changes, "");
    EXPECT_EQ(sysXSAGetFromFile(cut.c_str(), "p", nullptr), -2);
}

} // namespace
