// Strings, memory, number parsing, formatting, hash and text clean-ups.
#include "keel/keel.h"
#include "support/decimal_comma.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(KeelMemory, AllocIsZeroFilledAndNullIsIgnored)
{
    unsigned char *p = static_cast<unsigned char *>(sysMemAlloc(1000));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(p[i], 0) << i;
    sysMemFree(p);
    sysMemFree(nullptr);
    sysStrDupFree(nullptr);
    sysFileFreeBuffer(nullptr);
}

TEST(KeelMemory, CompareTakesBytesUnsigned)
{
    EXPECT_EQ(sysMemCmp("abc", "abd", 0), 0);
    EXPECT_EQ(sysMemCmp("abc", "abc", 3), 0);
    EXPECT_EQ(sysMemCmp("abc", "abd", 3), 'c' - 'd');
    EXPECT_EQ(sysMemCmp("\xE9", "a", 1), 0xE9 - 'a');
}

TEST(KeelStrings, NullAndDuplicates)
{
    EXPECT_EQ(sysStrLen(nullptr), 0u);
    EXPECT_EQ(sysStrLen("abc"), 3u);
    EXPECT_EQ(sysStrDup(nullptr), nullptr);
    char *d = sysStrDup("hello");
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d, "hello");
    sysStrDupFree(d);
}

TEST(KeelStrings, ResizeGrowsZeroFilledAndNeverOverruns)
{
    char *s = sysStrDup("GL_ARB_a");
    s = sysStrResize(s, 64);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s, "GL_ARB_a");
    for (int i = 8; i < 64; ++i)
        ASSERT_EQ(s[i], 0);
    sysStrCat(s, " WGL_x");
    EXPECT_STREQ(s, "GL_ARB_a WGL_x");
    // Smaller than the text: cut, terminated, within the block (ASan checks).
    s = sysStrResize(s, 4);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s, "GL_");
    sysMemFree(s);
}

TEST(KeelStrings, BoundedCopy)
{
    char dst[8];
    memset(dst, 'x', sizeof dst);
    EXPECT_EQ(sysStrlCpy(dst, "abcdef", 4), 6u);
    EXPECT_STREQ(dst, "abc");
    EXPECT_EQ(dst[4], 'x');
    memset(dst, 'x', sizeof dst);
    EXPECT_EQ(sysStrlCpy(dst, "abcdef", 0), 6u);
    EXPECT_EQ(dst[0], 'x');
    EXPECT_EQ(sysStrlCpy(dst, "ab", sizeof dst), 2u);
    EXPECT_STREQ(dst, "ab");
    EXPECT_EQ(sysStrlCpy(dst, nullptr, sizeof dst), 0u);
    EXPECT_STREQ(dst, "");
}

TEST(KeelStrings, BoundedAppend)
{
    char dst[8] = "ab";
    EXPECT_EQ(sysStrlCat(dst, "cdef", 4), 6u);
    EXPECT_STREQ(dst, "abc");

    // No terminator within size: nothing written, size + length of src.
    char raw[6] = {'a', 'b', 'c', 'd', 'e', 'f'};
    EXPECT_EQ(sysStrlCat(raw, "xyz", 4), 7u);
    EXPECT_EQ(std::string(raw, 6), "abcdef");
    EXPECT_EQ(sysStrlCat(raw, nullptr, 4), 4u);
    EXPECT_EQ(std::string(raw, 6), "abcdef");

    // Terminator exactly at the last byte: nothing fits, still terminated.
    char full[4] = "abc";
    EXPECT_EQ(sysStrlCat(full, "de", 4), 5u);
    EXPECT_STREQ(full, "abc");

    char room[16] = "ab";
    EXPECT_EQ(sysStrlCat(room, "cd", sizeof room), 4u);
    EXPECT_STREQ(room, "abcd");
}

TEST(KeelStrings, Comparisons)
{
    EXPECT_EQ(sysStrCmp("abc", "abc"), 0);
    EXPECT_EQ(sysStrCmp("abc", "abd"), 'c' - 'd');
    EXPECT_EQ(sysStrCmp("ab", "abc"), -'c');
    EXPECT_GT(sysStrCmp("\xE9", "a"), 0); // unsigned bytes
    EXPECT_EQ(sysStrnCmp("abcX", "abcY", 3), 0);
    EXPECT_EQ(sysStrnCmp("abcX", "abcY", 4), 'X' - 'Y');
    EXPECT_EQ(sysStrnCmp("ab", "ab", 100), 0); // stops after the common terminator
    EXPECT_EQ(sysStrnCmp("a", "b", 0), 0);
    EXPECT_EQ(sysStriCmp("NVIDIA", "nvidia"), 0);
    EXPECT_LT(sysStriCmp("ati", "NVIDIA"), 0);
    EXPECT_EQ(sysStrStartsWith("GL_ARB_x", "GL_"), 1);
    EXPECT_EQ(sysStrStartsWith("GL_ARB_x", "gl_"), 0);
    EXPECT_EQ(sysStrStartsWith("GL", "GL_"), 0);
    EXPECT_EQ(sysStrStartsWith("x", ""), 1);
}

TEST(KeelStrings, Searching)
{
    const char *hay = "GL_ARB_Multitexture GL_EXT_x";
    EXPECT_EQ(sysStrStr(hay, "GL_EXT"), hay + 20);
    EXPECT_EQ(sysStrStr(hay, ""), hay);
    EXPECT_EQ(sysStrStr(hay, "gl_ext"), nullptr);
    EXPECT_EQ(sysStrCaseStr(hay, "multitexture"), hay + 7);
    EXPECT_EQ(sysStrCaseStr("", "x"), nullptr);
    EXPECT_EQ(sysStrCaseStr(hay, "texturex"), nullptr);
    // An empty needle (which callers never pass) finds the start, as in
    // sysStrStr, instead of comparing the needle's terminator.
    EXPECT_EQ(sysStrCaseStr(hay, ""), hay);
    EXPECT_EQ(sysStrCaseStr("", ""), nullptr);
    // The match must lie within hay: a needle running past its end is absent
    // (the terminator with bit 0x20 set would equal a space).
    EXPECT_EQ(sysStrCaseStr("abc", "c "), nullptr);
    // Bit 0x20 folding also pairs '@' with '`' and '[' with '{'.
    EXPECT_STREQ(sysStrCaseStr("x`y", "@"), "`y");
    // sysStrRchr makes no search: null even when the character is there.
    const char *path = "/usr/lib/libGL.so";
    EXPECT_EQ(sysStrRchr(path, '/'), nullptr);
    EXPECT_EQ(sysStrRchr(path, 'l'), nullptr);
    EXPECT_EQ(sysStrRchr(nullptr, 'x'), nullptr);
}

TEST(KeelStrings, TokenizerChangesDelimitersAndKeepsPositionPerThread)
{
    char text[] = "  GL_a GL_b\r\nGL_c  ";
    EXPECT_STREQ(sysStrTok(text, " \r\n"), "GL_a");
    EXPECT_STREQ(sysStrTok(nullptr, " "), "GL_b\r\nGL_c");
    EXPECT_EQ(sysStrTok(nullptr, " "), nullptr);
    EXPECT_EQ(sysStrTok(nullptr, " "), nullptr);

    char mine[] = "a,b,c";
    EXPECT_STREQ(sysStrTok(mine, ","), "a");
    std::string other;
    std::thread t([&other] {
        char theirs[] = "x;y";
        const char *first = sysStrTok(theirs, ";");
        const char *second = sysStrTok(nullptr, ";");
        other = std::string(first) + "|" + second;
    });
    t.join();
    EXPECT_EQ(other, "x|y");
    EXPECT_STREQ(sysStrTok(nullptr, ","), "b");
    EXPECT_STREQ(sysStrTok(nullptr, ","), "c");
    EXPECT_EQ(sysStrTok(nullptr, ","), nullptr);

    char only[] = ";;;";
    EXPECT_EQ(sysStrTok(only, ";"), nullptr);
}

TEST(KeelStrings, CaseMappingAndClasses)
{
    char s[] = "GL_arb_X1";
    EXPECT_STREQ(sysStrUpr(s), "GL_ARB_X1");
    EXPECT_STREQ(sysStrLwr(s), "gl_arb_x1");
    EXPECT_EQ(sysToUpper('a'), 'A');
    EXPECT_EQ(sysToLower('Q'), 'q');
    EXPECT_NE(sysIsAlpha('z'), 0);
    EXPECT_EQ(sysIsAlpha('1'), 0);
    EXPECT_NE(sysIsSpace('\t'), 0);
    EXPECT_EQ(sysIsPrint('\n'), 0);
    // A signed char passed straight through must not index outside the
    // classification table.
    EXPECT_EQ(sysIsAlpha(-23), 0);
    EXPECT_EQ(sysToUpper(-23), -23);
}

TEST(KeelNumbers, ParseAndClamp)
{
    EXPECT_EQ(sysStrAtoI("  -42xyz"), -42);
    EXPECT_EQ(sysStrAtoI("abc"), 0);
    EXPECT_EQ(sysStrAtoI(""), 0);
    EXPECT_EQ(sysStrAtoI("99999999999"), INT32_MAX);
    EXPECT_EQ(sysStrAtoI("-99999999999"), INT32_MIN);
    EXPECT_EQ(sysStrAtoX("ff"), 255);
    EXPECT_EQ(sysStrAtoX("0x1F"), 31);
    EXPECT_EQ(sysStrAtoX("FFFFFFFF"), 0x7FFFFFFF);
    EXPECT_EQ(sysStrAtoX("80000000"), 0x7FFFFFFF);
    EXPECT_EQ(sysStrAtoX("0X7fffffff"), 0x7FFFFFFF);
    EXPECT_EQ(sysStrAtoX("123456789abcdef01"), 0x7FFFFFFF);
    EXPECT_EQ(sysStrAtoX(" -0x10"), -16);
    EXPECT_EQ(sysStrAtoX("0xg"), 0);
    EXPECT_FLOAT_EQ(sysStrAtoF("1.5"), 1.5f);
    EXPECT_FLOAT_EQ(sysStrAtoF("0.1"), static_cast<float>(0.1));
    EXPECT_TRUE(std::isinf(sysStrAtoF("1e300")));
    EXPECT_LT(sysStrAtoF("-1e300"), 0.0f);
    EXPECT_TRUE(std::isinf(sysStrAtoF("-1e300")));
    EXPECT_EQ(sysStrAtoB("True"), 1);
    EXPECT_EQ(sysStrAtoB("TRUE"), 1);
    EXPECT_EQ(sysStrAtoB("2"), 1);
    EXPECT_EQ(sysStrAtoB("5"), 1);
    EXPECT_EQ(sysStrAtoB("yes"), 0);
    EXPECT_EQ(sysStrAtoB("false"), 0);
    EXPECT_EQ(sysStrAtoB("0"), 0);
    EXPECT_EQ(sysStrAtoB(""), 0);
}

TEST(KeelNumbers, FloatsJustAboveTheLargestSingleRoundToIt)
{
    // FLT_MAX written with nine significant digits lies a little above
    // FLT_MAX as a double; single-precision rounding brings it back, it must
    // not become infinity.  So does anything below FLT_MAX + half an ulp.
    char text[64];
    snprintf(text, sizeof text, "%.9g", static_cast<double>(FLT_MAX));
    EXPECT_EQ(sysStrAtoF(text), FLT_MAX) << text;
    snprintf(text, sizeof text, "-%.9g", static_cast<double>(FLT_MAX));
    EXPECT_EQ(sysStrAtoF(text), -FLT_MAX) << text;
    EXPECT_EQ(sysStrAtoF("3.4028235e38"), FLT_MAX);
    EXPECT_EQ(sysStrAtoF("0x1.fffffefffp127"), FLT_MAX);
    // From FLT_MAX + half an ulp on, the nearest single is infinity.
    EXPECT_TRUE(std::isinf(sysStrAtoF("0x1.ffffffp127")));
    EXPECT_TRUE(std::isinf(sysStrAtoF("3.5e38")));
    // Ordinary values and the texts nan and inf pass through as atof reads them.
    EXPECT_EQ(sysStrAtoF("-2.5"), -2.5f);
    EXPECT_TRUE(std::isnan(sysStrAtoF("nan")));
    EXPECT_TRUE(std::isinf(sysStrAtoF("inf")));
}

TEST(KeelNumbers, FloatsReadAsStrtodReadsThemInTheCLocaleWhateverTheLocale)
{
    // Texts around the edges of strtod's grammar ("|"-separated), then
    // values of the whole single-precision range in the forms programs use.
    const std::string edges =
        "0.125| \t\n-1.5e3xyz|+2.5|1,5|.5|5.|-.5e-2|1e|1e+|0x1.8p1|0X10|-0x1p-3|0x|0xg|-0x|0x.8|"
        "0x.|0x-1|0x1.fffffep127|inf|-Infinity|INFINITE|NaN|nan(123)|-nan|--1|+-1|-|+||abc|1e-40|"
        "-1e-45|1e-400|-1e-400|1e400|4.9e-324|123456789012345678901234567890|1.0000000596046448|"
        "0.1e1000000000000000000|0.00000000000000000000000000000000000001175494|";
    std::vector<std::string> texts = {std::string(5000, '9') + "e-4990",
                                      "0." + std::string(400, '0') + "1e400",
                                      "0x" + std::string(300, '0') + "1p3"};
    for (size_t at = 0, bar; (bar = edges.find('|', at)) != std::string::npos; at = bar + 1)
        texts.push_back(edges.substr(at, bar - at));
    std::mt19937_64 random(20261210);
    char text[128];
    for (int i = 0; i < 2000; ++i) {
        const double v = std::ldexp(std::uniform_real_distribution<double>(1, 2)(random),
                                    std::uniform_int_distribution<int>(-150, 126)(random));
        static const char *const kForms[] = {"%.9g", "%.17g", "%a", "%f", "-%.3e", "%.40f"};
        std::snprintf(text, sizeof text, kForms[i % 6], v);
        texts.push_back(text);
    }
    // The expected values, taken under the C locale by strtod itself.
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    std::vector<double> expected;
    for (const std::string &t : texts)
        expected.push_back(std::strtod(t.c_str(), nullptr));

    DecimalCommaLocale comma;
    ASSERT_TRUE(comma.active()) << kNoDecimalComma;
    ASSERT_EQ(std::strtod("0.125", nullptr), 0.0); // the locale is in force
    for (size_t i = 0; i < texts.size(); ++i) {
        const float got = sysStrAtoF(texts[i].c_str());
        const float want = static_cast<float>(expected[i]);
        if (std::isnan(want))
            EXPECT_TRUE(std::isnan(got)) << texts[i];
        else
            EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0)
                << "\"" << texts[i].substr(0, 60) << "\" gives " << got << ", strtod " << want;
    }
}

TEST(KeelFormat, BoundedFormattingReportsCutting)
{
    char buf[8];
    EXPECT_EQ(sysSnPrintf(buf, sizeof buf, "%d-%s", 12, "ab"), 5);
    EXPECT_STREQ(buf, "12-ab");
    EXPECT_EQ(sysSnPrintf(buf, sizeof buf, "%s", "1234567"), 7);
    EXPECT_EQ(sysSnPrintf(buf, sizeof buf, "%s", "12345678"), -1);
    EXPECT_STREQ(buf, "1234567");
    char guard[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(sysSnPrintf(guard, 0, "%s", "abc"), -1);
    EXPECT_EQ(guard[0], 'x');
    char big[32];
    EXPECT_EQ(sysSprintf(big, "%s %u", "Mode", 640u), 0);
    EXPECT_STREQ(big, "Mode 640");
}

TEST(KeelHash, KnownValuesAndSignedBytes)
{
    EXPECT_EQ(sysStrHash("%s", ""), 0u);
    EXPECT_EQ(sysStrHash("%s", "abc"), 96354u);
    EXPECT_EQ(sysStrHash("abc"), 96354u);
    // 0xE9 counts as -23: "a\xE9" = 'a' * 31 - 23.
    EXPECT_EQ(sysStrHash("%s", "a\xE9"), static_cast<uint32_t>('a' * 31 - 23));
    EXPECT_EQ(sysStrHash("%s", "\xE9"), static_cast<uint32_t>(-23));
    EXPECT_EQ(sysStrHash("%s_%d", "GL", 7), sysStrHash("%s", "GL_7"));
    // Only the first 255 bytes take part.
    std::string longName(300, 'x');
    EXPECT_EQ(sysStrHash("%s", longName.c_str()),
              sysStrHash("%s", longName.substr(0, 255).c_str()));
    EXPECT_NE(sysStrHash("%s", longName.c_str()),
              sysStrHash("%s", longName.substr(0, 254).c_str()));
}

TEST(KeelHash, NameWithConversionsIsHashedAsText)
{
    // A driver name holding printf conversions is data: hashing it through
    // "%s" must neither read arguments nor write through %n.
    const char *hostile = "GL_EVIL_%s%n%x%p";
    uint32_t expected = 0;
    for (const char *p = hostile; *p; ++p)
        expected = expected * 31u + static_cast<uint32_t>(static_cast<int8_t>(*p));
    EXPECT_EQ(sysStrHash("%s", hostile), expected);
}

TEST(KeelCleanups, ChopRemovesTrailingControlsOnly)
{
    char a[] = "abc \r\n";
    EXPECT_STREQ(sysStrChop(a), "abc ");
    char b[] = "\r\n\t";
    EXPECT_STREQ(sysStrChop(b), "");
    char c[] = "ab\xE9\n";
    EXPECT_STREQ(sysStrChop(c), "ab\xE9");
    char d[] = "x\n\x80\n";
    EXPECT_STREQ(sysStrChop(d), "x\n\x80");
    EXPECT_EQ(sysStrChop(nullptr), nullptr);
}

TEST(KeelCleanups, FileFormatIso)
{
    char dst[66];
    sysStrFileFormatISO(dst, "a.b/c");
    EXPECT_STREQ(dst, "a_b_c");
    sysStrFileFormatISO(dst, "*./:<>?\\|ok");
    EXPECT_STREQ(dst, "_________ok");
    sysStrFileFormatISO(dst, "");
    EXPECT_STREQ(dst, "");
    std::string hundred(100, 'r');
    char exact[66];
    memset(exact, 'x', sizeof exact);
    sysStrFileFormatISO(exact, hundred.c_str());
    EXPECT_EQ(strlen(exact), 65u);
}

class KeelUtf8 : public ::testing::Test {
protected:
    void SetUp() override { saved_ = setlocale(LC_CTYPE, nullptr); }
    void TearDown() override { setlocale(LC_CTYPE, saved_.c_str()); }
    std::string saved_;
};

TEST_F(KeelUtf8, ZeroLengthAndUtf8LocaleLeaveTextAlone)
{
    char text[] = "caf\xC3\xA9 \xE2\x82\xAC";
    EXPECT_EQ(sysStrUTF8toAnsi(text, 0), text);
    EXPECT_STREQ(text, "caf\xC3\xA9 \xE2\x82\xAC");
    ASSERT_NE(setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    EXPECT_EQ(sysStrUTF8toAnsi(text, strlen(text)), text);
    EXPECT_STREQ(text, "caf\xC3\xA9 \xE2\x82\xAC");
}

TEST_F(KeelUtf8, SingleByteLocaleConvertsInPlaceWithoutGrowing)
{
    ASSERT_NE(setlocale(LC_CTYPE, "C"), nullptr);
    // The C locale's set is ASCII: every non-ASCII character becomes one
    // default character, so the text only shrinks.
    char text[] = "caf\xC3\xA9 \xE2\x82\xAC!";
    EXPECT_EQ(sysStrUTF8toAnsi(text, strlen(text)), text);
    EXPECT_STREQ(text, "caf? ?!");
    // A sequence cut at the end of the given length is replaced, not read on.
    char cut[] = "ab\xE2\x82";
    sysStrUTF8toAnsi(cut, strlen(cut));
    EXPECT_STREQ(cut, "ab?");
}

} // namespace
