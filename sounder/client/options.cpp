/* Parser of the rendering-test option document. */
#include "client/options.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "keel/keel.h"

namespace sounder {
namespace client {

namespace {

struct ParseState {
    TestOptionDocument *doc;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

/* The element name is the tag text up to its first blank: a leaf element
 * with attributes reaches the callback with its whole tag text. */
std::string elementName(const char *tag)
{
    std::string name;
    for (const char *p = tag; *p && !isBlank(*p); ++p)
        name.push_back(*p);
    return name;
}

std::string trimmed(const char *text)
{
    const char *begin = text;
    while (*begin && isBlank(*begin))
        ++begin;
    const char *end = begin + std::strlen(begin);
    while (end > begin && isBlank(end[-1]))
        --end;
    return std::string(begin, end);
}

bool same(const std::string &name, const char *word)
{
    return sysStriCmp(name.c_str(), word) == 0;
}

int onElement(uint64_t user, char *tag, char *text)
{
    auto *state = reinterpret_cast<ParseState *>(static_cast<uintptr_t>(user));
    TestOptionDocument &doc = *state->doc;
    if (!tag || !text)
        return 0;
    const std::string value = trimmed(text);
    if (value.empty())
        return 0;
    const std::string name = elementName(tag);

    if (same(name, "option")) {
        doc.flags = static_cast<uint32_t>(sysStrAtoI(value.c_str()));
    } else if (same(name, "anisotropy")) {
        const float f = sysStrAtoF(value.c_str());
        if (std::isfinite(f)) {
            doc.anisotropy = f;
            if (f != 0.0f)
                doc.flags |= kOptAnisotropy;
        }
    } else if (same(name, "multisample")) {
        doc.samples = sysStrAtoI(value.c_str());
    } else if (same(name, "texturelod")) {
        const float f = sysStrAtoF(value.c_str());
        if (std::isfinite(f)) {
            doc.lodBias = f;
            if (f != 0.0f)
                doc.flags |= kOptLodBias;
        }
    } else if (same(name, "renderer")) {
        doc.hardware = sysStrAtoI(value.c_str());
    } else if (same(name, "displaymode")) {
        doc.displayMode = sysStrAtoI(value.c_str());
    } else if (same(name, "test")) {
        const int32_t index = sysStrAtoI(value.c_str());
        if (index < 0 || index >= kTestUnitCount) {
            char line[128];
            std::snprintf(line, sizeof line, "Test index %d out of range (0-%d).\n",
                          static_cast<int>(index), kTestUnitCount - 1);
            doc.errors.emplace_back(line);
        } else {
            for (int i = 0; i < kTestUnitCount; ++i)
                doc.slots[i] = (i == index) ? 0 : -1;
        }
    }
    /* pixelformat, fbenable, fbformat and unknown elements: no effect. */
    return 0;
}

int onTag(uint64_t, char *)
{
    return 0;
}

} // namespace

bool parseTestOptionDocument(const char *text, TestOptionDocument &out)
{
    out = TestOptionDocument();
    if (!text) {
        out.errors.emplace_back("No option document.\n");
        return false;
    }
    ParseState state{&out};
    sysXmlCallbacks callbacks;
    callbacks.user = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&state));
    callbacks.onElement = onElement;
    callbacks.onTag = onTag;
    callbacks.onCData = nullptr;
    sysXmlParseDocument(&callbacks, text);
    return out.errors.empty();
}

} // namespace client
} // namespace sounder
