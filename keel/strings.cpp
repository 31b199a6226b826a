/* Byte strings, zero-filled memory, number parsing, bounded formatting, the
 * extension-name hash and the text clean-ups. */
#include "keel_internal.h"

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <strings.h>
#include <system_error>

namespace {

/* Saved position of sysStrTok, one per calling thread. */
thread_local char *tokenPosition = nullptr;

inline bool ctypeArgumentValid(int c)
{
    /* The <cctype> functions accept EOF and the values of unsigned char only;
     * anything else is undefined, so it is answered here without them. */
    return c == EOF || (c >= 0 && c <= 255);
}

} // namespace

namespace keel {

uint32_t hashText(const char *text)
{
    uint32_t h = 0;
    if (!text)
        return 0;
    for (size_t i = 0; i < kHashTextSize - 1 && text[i]; ++i) {
        /* Each byte counts as a signed 8-bit value: 0xE9 adds -23. */
        int32_t c = static_cast<int8_t>(static_cast<unsigned char>(text[i]));
        h = h * 31u + static_cast<uint32_t>(c);
    }
    return h;
}

} // namespace keel

extern "C" {

/* ---- memory ----------------------------------------------------------- */

KEEL_API void *sysMemAlloc(sysSize size)
{
    if (size > SIZE_MAX)
        return nullptr;
    return calloc(1, static_cast<size_t>(size));
}

KEEL_API void sysMemFree(void *p)
{
    free(p);
}

KEEL_API void sysStrDupFree(void *p)
{
    free(p);
}

KEEL_API void sysFileFreeBuffer(void *p)
{
    free(p);
}

KEEL_API int sysMemCmp(const void *a, const void *b, sysSize count)
{
    if (count == 0)
        return 0;
    const unsigned char *pa = static_cast<const unsigned char *>(a);
    const unsigned char *pb = static_cast<const unsigned char *>(b);
    for (sysSize i = 0; i < count; ++i) {
        if (pa[i] != pb[i])
            return static_cast<int>(pa[i]) - static_cast<int>(pb[i]);
    }
    return 0;
}

/* ---- strings, unbounded ------------------------------------------------ */

KEEL_API sysSize sysStrLen(const char *s)
{
    return s ? strlen(s) : 0;
}

KEEL_API char *sysStrCpy(char *dst, const char *src)
{
    if (!dst)
        return dst;
    if (!src) {
        dst[0] = '\0';
        return dst;
    }
    return strcpy(dst, src);
}

KEEL_API char *sysStrCat(char *dst, const char *src)
{
    if (!dst || !src)
        return dst;
    return strcat(dst, src);
}

KEEL_API char *sysStrDup(const char *s)
{
    if (!s)
        return nullptr;
    size_t len = strlen(s);
    char *copy = static_cast<char *>(calloc(1, len + 1));
    if (copy)
        memcpy(copy, s, len);
    return copy;
}

KEEL_API char *sysStrResize(char *s, sysSize size)
{
    /* A size smaller than the text cuts the copy instead of overrunning the
     * new block; a zero size still yields an empty, terminated text. */
    if (size == 0)
        size = 1;
    if (size > SIZE_MAX)
        return nullptr;
    char *block = static_cast<char *>(calloc(1, static_cast<size_t>(size)));
    if (!block)
        return nullptr; /* s stays valid and owned by the caller */
    if (s) {
        size_t len = strnlen(s, static_cast<size_t>(size) - 1);
        memcpy(block, s, len);
        free(s);
    }
    return block;
}

/* ---- strings, bounded -------------------------------------------------- */

KEEL_API sysSize sysStrlCpy(char *dst, const char *src, sysSize size)
{
    size_t len = src ? strlen(src) : 0;
    if (size == 0 || !dst)
        return len;
    size_t n = len < size - 1 ? len : static_cast<size_t>(size - 1);
    if (n)
        memcpy(dst, src, n);
    dst[n] = '\0';
    return len;
}

KEEL_API sysSize sysStrlCat(char *dst, const char *src, sysSize size)
{
    size_t srcLen = src ? strlen(src) : 0;
    if (!dst)
        return size + srcLen;
    /* Look for the end of dst within size bytes only. */
    sysSize dstLen = 0;
    while (dstLen < size && dst[dstLen] != '\0')
        ++dstLen;
    if (dstLen == size)
        return size + srcLen;
    sysSize room = size - dstLen - 1;
    size_t n = srcLen < room ? srcLen : static_cast<size_t>(room);
    if (n)
        memcpy(dst + dstLen, src, n);
    dst[dstLen + n] = '\0';
    return dstLen + srcLen;
}

/* ---- comparison -------------------------------------------------------- */

KEEL_API int sysStrCmp(const char *a, const char *b)
{
    const unsigned char *pa = reinterpret_cast<const unsigned char *>(a ? a : "");
    const unsigned char *pb = reinterpret_cast<const unsigned char *>(b ? b : "");
    while (*pa && *pa == *pb) {
        ++pa;
        ++pb;
    }
    return static_cast<int>(*pa) - static_cast<int>(*pb);
}

KEEL_API int sysStrnCmp(const char *a, const char *b, sysSize n)
{
    const unsigned char *pa = reinterpret_cast<const unsigned char *>(a ? a : "");
    const unsigned char *pb = reinterpret_cast<const unsigned char *>(b ? b : "");
    for (sysSize i = 0; i < n; ++i) {
        if (pa[i] != pb[i])
            return static_cast<int>(pa[i]) - static_cast<int>(pb[i]);
        if (pa[i] == 0)
            break;
    }
    return 0;
}

KEEL_API int sysStriCmp(const char *a, const char *b)
{
    return strcasecmp(a ? a : "", b ? b : "");
}

KEEL_API int sysStrStartsWith(const char *s, const char *prefix)
{
    if (!prefix || !*prefix)
        return 1;
    if (!s)
        return 0;
    size_t n = strlen(prefix);
    return strncmp(s, prefix, n) == 0 ? 1 : 0;
}

/* ---- searching --------------------------------------------------------- */

KEEL_API char *sysStrStr(const char *hay, const char *needle)
{
    if (!hay)
        return nullptr;
    if (!needle || !*needle)
        return const_cast<char *>(hay);
    return const_cast<char *>(strstr(hay, needle));
}

KEEL_API char *sysStrCaseStr(const char *hay, const char *needle)
{
    if (!hay || !*hay)
        return nullptr;
    if (!needle || !*needle)
        return const_cast<char *>(hay);
    /* Bytes are equal when they are equal with bit 0x20 set in both. */
    for (const char *pos = hay; *pos; ++pos) {
        size_t i = 0;
        while (needle[i]) {
            unsigned char h = static_cast<unsigned char>(pos[i]);
            unsigned char n = static_cast<unsigned char>(needle[i]);
            if (h == 0 || (h | 0x20) != (n | 0x20))
                break;
            ++i;
        }
        if (needle[i] == '\0')
            return const_cast<char *>(pos);
    }
    return nullptr;
}

KEEL_API char *sysStrTok(char *s, const char *delimiters)
{
    unsigned char member[256 / 8] = {};
    member[0] |= 1; /* the terminator always ends a token */
    if (delimiters) {
        for (const unsigned char *d = reinterpret_cast<const unsigned char *>(delimiters); *d; ++d)
            member[*d >> 3] |= static_cast<unsigned char>(1u << (*d & 7));
    }
    auto isDelimiter = [&member](char ch) {
        unsigned char c = static_cast<unsigned char>(ch);
        return (member[c >> 3] & (1u << (c & 7))) != 0;
    };

    char *p = s ? s : tokenPosition;
    if (!p)
        return nullptr;
    while (*p && isDelimiter(*p))
        ++p;
    if (!*p) {
        tokenPosition = p;
        return nullptr;
    }
    char *token = p;
    while (!isDelimiter(*p))
        ++p;
    if (*p) {
        *p = '\0';
        tokenPosition = p + 1;
    } else {
        tokenPosition = p;
    }
    return token;
}

KEEL_API char *sysStrRchr(const char *s, int c)
{
    /* This export has never searched: it answers null for every input, and
     * callers written against it rely on exactly that. */
    (void)s;
    (void)c;
    return nullptr;
}

/* ---- case and character classes ---------------------------------------- */

KEEL_API char *sysStrUpr(char *s)
{
    if (!s)
        return s;
    for (char *p = s; *p; ++p)
        *p = static_cast<char>(toupper(static_cast<unsigned char>(*p)));
    return s;
}

KEEL_API char *sysStrLwr(char *s)
{
    if (!s)
        return s;
    for (char *p = s; *p; ++p)
        *p = static_cast<char>(tolower(static_cast<unsigned char>(*p)));
    return s;
}

KEEL_API int sysToUpper(int c)
{
    return ctypeArgumentValid(c) ? toupper(c) : c;
}

KEEL_API int sysToLower(int c)
{
    return ctypeArgumentValid(c) ? tolower(c) : c;
}

KEEL_API int sysIsAlpha(int c)
{
    return ctypeArgumentValid(c) ? isalpha(c) : 0;
}

KEEL_API int sysIsSpace(int c)
{
    return ctypeArgumentValid(c) ? isspace(c) : 0;
}

KEEL_API int sysIsPrint(int c)
{
    return ctypeArgumentValid(c) ? isprint(c) : 0;
}

/* ---- number parsing ---------------------------------------------------- */

static int32_t clampToInt32(long long v)
{
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

/* strtoll in the given base, clamped to 32 bits; errno is left as it was. */
static int32_t parseClamped(const char *s, int base)
{
    if (!s)
        return 0;
    int saved = errno;
    long long v = strtoll(s, nullptr, base);
    errno = saved;
    return clampToInt32(v);
}

KEEL_API int32_t sysStrAtoI(const char *s)
{
    return parseClamped(s, 10);
}

KEEL_API int32_t sysStrAtoX(const char *s)
{
    return parseClamped(s, 16);
}

/* Digits as the "C" locale knows them, whatever the process locale. */
static bool isDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

static bool isHexDigit(char c)
{
    return isDecimalDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

/* A number that from_chars found out of range for a double: infinity when
 * it is too large, zero when too small.  Which one is told by its order of
 * magnitude (the exponent plus the place of the first non-zero digit),
 * which lies beyond +300 or below -300 (decimal) or beyond +-1000 (binary)
 * for every such number, far from the other side. */
static double outOfRangeMagnitude(const char *first, const char *last, bool hex)
{
    long long magnitude = 0; /* digits before the point, from the first non-zero one */
    bool seenNonZero = false;
    bool afterPoint = false;
    const char *p = first;
    for (; p < last; ++p) {
        const char c = *p;
        if (c == '.') {
            afterPoint = true;
            continue;
        }
        if (!(hex ? isHexDigit(c) : isDecimalDigit(c)))
            break;
        if (!seenNonZero && c != '0')
            seenNonZero = true;
        if (afterPoint && !seenNonZero)
            --magnitude;
        else if (!afterPoint && seenNonZero)
            ++magnitude;
    }
    long long exponent = 0;
    if (p < last && (*p == 'e' || *p == 'E' || *p == 'p' || *p == 'P')) {
        ++p;
        const bool negativeExponent = *p == '-';
        if (*p == '+' || *p == '-')
            ++p;
        for (; p < last && isDecimalDigit(*p); ++p)
            if (exponent < 1000000000)
                exponent = exponent * 10 + (*p - '0');
        if (negativeExponent)
            exponent = -exponent;
    }
    /* A hexadecimal digit counts four binary places. */
    const long long order = (hex ? magnitude * 4 : magnitude) + exponent;
    return order > 0 ? HUGE_VAL : 0.0;
}

/* Reads a double the way strtod does in the "C" locale, whatever locale the
 * process has set (a decimal comma must not turn "0.125" into 0): leading
 * white space, an optional sign, then a decimal number, a hexadecimal one
 * after "0x", or "inf", "infinity", "nan", "nan(...)" in any case.  Reading
 * stops at the first character that does not fit; no number at all gives 0.
 * Out of range, the result is infinity or zero with the number's sign, as
 * strtod gives it. */
static double parseDoubleC(const char *s)
{
    const char *p = s;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    std::chars_format format = std::chars_format::general;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        /* from_chars takes the digits without the prefix; "0x" not followed
         * by a hexadecimal digit or point reads as the 0 before it. */
        if (!isHexDigit(p[2]) && !(p[2] == '.' && isHexDigit(p[3])))
            return negative ? -0.0 : 0.0;
        format = std::chars_format::hex;
        p += 2;
    }
    /* from_chars accepts a minus sign of its own, strtod no second sign. */
    if (*p == '-' || *p == '+')
        return 0.0;
    double value = 0.0;
    const char *end = p + strlen(p);
    const std::from_chars_result r = std::from_chars(p, end, value, format);
    if (r.ec == std::errc::result_out_of_range)
        value = outOfRangeMagnitude(p, r.ptr, format == std::chars_format::hex);
    else if (r.ec != std::errc())
        return 0.0;
    return negative ? -value : value;
}

KEEL_API float sysStrAtoF(const char *s)
{
    if (!s)
        return 0.0f;
    const double d = parseDoubleC(s);
    /* Round to nearest single precision.  Above FLT_MAX only values from
     * FLT_MAX plus half a unit in the last place on round up to infinity;
     * smaller ones (such as FLT_MAX printed with nine digits) give FLT_MAX.
     * Both are decided here because converting an out-of-range double to
     * float is undefined. */
    const double overflow = 0x1.ffffffp127; /* FLT_MAX + half an ulp */
    if (std::isfinite(d) && std::fabs(d) > FLT_MAX) {
        float magnitude = std::fabs(d) >= overflow ? HUGE_VALF : FLT_MAX;
        return d < 0 ? -magnitude : magnitude;
    }
    return static_cast<float>(d);
}

KEEL_API int sysStrAtoB(const char *s)
{
    if (!s)
        return 0;
    if (strcasecmp(s, "true") == 0)
        return 1;
    return sysStrAtoI(s) != 0 ? 1 : 0;
}

/* ---- formatted output -------------------------------------------------- */

KEEL_API int sysSprintf(char *dst, const char *fmt, ...)
{
    if (!dst || !fmt)
        return 0;
    va_list args;
    va_start(args, fmt);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    vsprintf(dst, fmt, args);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    va_end(args);
    return 0;
}

KEEL_API int sysVSnPrintf(char *dst, sysSize size, const char *fmt, va_list args)
{
    if (!dst || size == 0)
        return -1;
    if (!fmt) {
        dst[0] = '\0';
        return 0;
    }
    size_t cap = size > SIZE_MAX ? SIZE_MAX : static_cast<size_t>(size);
    int n = vsnprintf(dst, cap, fmt, args);
    if (n < 0) {
        dst[0] = '\0';
        return -1;
    }
    if (static_cast<size_t>(n) >= cap)
        return -1;
    return n;
}

KEEL_API int sysSnPrintf(char *dst, sysSize size, const char *fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    int n = sysVSnPrintf(dst, size, fmt, args);
    va_end(args);
    return n;
}

KEEL_API uint32_t sysStrHash(const char *fmt, ...)
{
    char text[keel::kHashTextSize];
    text[0] = '\0';
    va_list args;
    va_start(args, fmt);
    sysVSnPrintf(text, sizeof text, fmt, args);
    va_end(args);
    return keel::hashText(text);
}

/* ---- text clean-ups ---------------------------------------------------- */

KEEL_API char *sysStrChop(char *s)
{
    if (!s)
        return nullptr;
    size_t len = strlen(s);
    while (len > 0) {
        int8_t c = static_cast<int8_t>(static_cast<unsigned char>(s[len - 1]));
        if (c <= 0 || c >= 32)
            break;
        s[--len] = '\0';
    }
    return s;
}

KEEL_API void sysStrFileFormatISO(char *dst, const char *src)
{
    if (!dst)
        return;
    size_t n = 0;
    if (src) {
        for (; n < 65 && src[n]; ++n) {
            char c = src[n];
            if (strchr("*./:<>?\\|", c))
                c = '_';
            dst[n] = c;
        }
    }
    dst[n] = '\0';
}

KEEL_API char *sysStrUTF8toAnsi(char *s, sysSize length)
{
    if (!s || length == 0)
        return s;
    const char *codeset = nl_langinfo(CODESET);
    if (!codeset || strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0)
        return s; /* 8-bit texts are UTF-8 already */

    size_t inLen = strnlen(s, length > SIZE_MAX ? SIZE_MAX : static_cast<size_t>(length));
    if (inLen == 0)
        return s;
    iconv_t cd = iconv_open(codeset, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return s;

    /* The result is written to a separate block of at most inLen bytes, so
     * it can never be longer than the input, then copied back over s. */
    char *out = static_cast<char *>(calloc(1, inLen + 1));
    if (!out) {
        iconv_close(cd);
        return s;
    }
    char *in = s;
    size_t inLeft = inLen;
    char *op = out;
    size_t outLeft = inLen;
    while (inLeft > 0 && outLeft > 0) {
        size_t r = iconv(cd, &in, &inLeft, &op, &outLeft);
        if (r != static_cast<size_t>(-1))
            break;
        if (errno == EILSEQ || errno == EINVAL) {
            /* A character without a form in the target set, or a broken
             * sequence: one question mark for the whole UTF-8 sequence. */
            unsigned char lead = static_cast<unsigned char>(*in);
            size_t skip = 1;
            if (lead >= 0xF0)
                skip = 4;
            else if (lead >= 0xE0)
                skip = 3;
            else if (lead >= 0xC0)
                skip = 2;
            size_t k = 1;
            while (k < skip && k < inLeft && (static_cast<unsigned char>(in[k]) & 0xC0) == 0x80)
                ++k;
            in += k;
            inLeft -= k;
            *op++ = '?';
            --outLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        } else {
            break; /* E2BIG: the output is full, the rest is cut */
        }
    }
    iconv_close(cd);
    size_t outLen = static_cast<size_t>(op - out);
    memcpy(s, out, outLen);
    s[outLen] = '\0';
    free(out);
    return s;
}

} // extern "C"
