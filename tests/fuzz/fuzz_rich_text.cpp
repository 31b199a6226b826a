// Fuzzes the presentation layer's readers of outside text.  The first byte
// picks what the rest is: rich text for the plain and XHTML converters, a
// language text used as a format by the checked formatter and the tree
// label, or an attribute text of a client document.  Besides the sanitizers,
// the XHTML document must be valid UTF-8 without control characters or raw
// markup characters outside its own tags, and every bounded copy must agree
// with the length it reports.
#include "sounder/present.h"
#include "sounder/texts.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Calls an exported writer twice, as a caller sizing its buffer does, and
// checks that both calls agree.
template <typename Call>
std::string whole(Call call)
{
    const size_t length = call(nullptr, 0);
    if (length > (1u << 26))
        abort();
    std::vector<char> out(length + 1, 'x');
    if (call(out.data(), out.size()) != length || out[length] != '\0' ||
        std::strlen(out.data()) > length)
        abort();
    // A short buffer is cut, terminated, and never written past.
    if (length > 2) {
        char small[3] = {'x', 'x', 'y'};
        if (call(small, 2) != length || small[1] != '\0' || small[2] != 'y')
            abort();
    }
    return std::string(out.data(), std::strlen(out.data()));
}

bool validUtf8(const std::string &s)
{
    const auto *p = reinterpret_cast<const unsigned char *>(s.data());
    const size_t n = s.size();
    for (size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        size_t length = b < 0x80                   ? 1
                        : (b >= 0xC2 && b <= 0xDF) ? 2
                        : (b >= 0xE0 && b <= 0xEF) ? 3
                        : (b >= 0xF0 && b <= 0xF4) ? 4
                                                   : 0;
        if (length == 0 || i + length > n)
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

void checkHtml(const std::string &page)
{
    static const char kOpen[] = "white-space:pre-wrap\">";
    static const char kClose[] = "</div></body></html>";
    const size_t from = page.find(kOpen);
    if (from == std::string::npos || !validUtf8(page) || page.size() < sizeof kClose ||
        page.compare(page.size() - (sizeof kClose - 1), sizeof kClose - 1, kClose) != 0)
        abort();
    // The body holds text, entities and only the tags the converter writes.
    static const char *const kTags[] = {"<b>", "</b>", "<i>", "</i>", "<br/>"};
    const size_t end = page.size() - (sizeof kClose - 1);
    int bold = 0, italic = 0;
    for (size_t i = from + sizeof kOpen - 1; i < end; ++i) {
        const unsigned char c = static_cast<unsigned char>(page[i]);
        if ((c < 0x20 && c != '\t') || c == '>' || c == '"')
            abort();
        if (c != '<')
            continue;
        bool known = false;
        for (const char *tag : kTags) {
            if (page.compare(i, std::strlen(tag), tag) == 0) {
                known = true;
                bold += tag[1] == 'b' && tag[2] == '>' ? 1 : tag[2] == 'b' ? -1 : 0;
                italic += tag[1] == 'i' ? 1 : tag[2] == 'i' ? -1 : 0;
                i += std::strlen(tag) - 1;
                break;
            }
        }
        // Tags nest: never more than one of a kind open, none closed twice.
        if (!known || bold < 0 || bold > 1 || italic < 0 || italic > 1)
            abort();
    }
    if (bold != 0 || italic != 0)
        abort();
}

const char *lookup(int id, void *user)
{
    return id == 165 ? static_cast<const char *>(user) : nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
    const char *c = text.c_str(); // up to the first NUL, as a C caller passes it
    switch (data[0] % 3) {
    case 0: {
        whole([&](char *out, size_t n) { return tsRichTextToPlain(c, out, n); });
        checkHtml(whole([&](char *out, size_t n) { return tsRichTextToHtml(c, out, n); }));
        break;
    }
    case 1: {
        tsTextArg args[3] = {};
        args[0].kind = TS_ARG_INT;
        args[0].i = -2147483647 - 1;
        args[1].kind = TS_ARG_FLOAT;
        args[1].f = 1e308;
        args[2].kind = TS_ARG_TEXT;
        args[2].s = c;
        whole([&](char *out, size_t n) { return tsFormatText(c, args, 3, out, n); });
        tsTreeItem item{};
        item.textId = 165;
        std::strncpy(item.text, c, sizeof item.text - 1);
        item.value0.f = -1.5e38f;
        for (int kind = TS_TREE_END; kind <= TS_TREE_2F + 1; ++kind) {
            item.kind = kind;
            whole([&](char *out, size_t n) {
                return tsFormatTreeItemLabel(&item, lookup, const_cast<char *>(c), out, n);
            });
        }
        break;
    }
    default: {
        for (const char *name : {"name", "text", "value", "text2", "x"}) {
            if (tsDocumentAttribute(c, name, nullptr, 0) == TS_NO_ATTRIBUTE)
                continue;
            const std::string value =
                whole([&](char *out, size_t n) { return tsDocumentAttribute(c, name, out, n); });
            // Decoding only ever shortens a value.
            if (value.size() > text.size())
                abort();
        }
        break;
    }
    }
    return 0;
}
