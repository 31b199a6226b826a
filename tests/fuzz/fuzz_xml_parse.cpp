// Fuzzes the event-driven XML parser.  The callbacks copy every piece they
// get, so a piece that is not terminated inside the parser's copy, or a CDATA
// length that runs past it, is caught by AddressSanitizer.
#include "keel/keel.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Collected {
    size_t inputSize = 0;
    std::vector<std::string> pieces;
    unsigned calls = 0;
};

Collected *collectedOf(uint64_t user)
{
    return reinterpret_cast<Collected *>(static_cast<uintptr_t>(user));
}

void check(const Collected *c, size_t length)
{
    if (length > c->inputSize)
        abort(); // a piece can never be longer than the document
}

// Stops the parse now and then, so the early-return paths are covered too.
int verdict(const char *piece)
{
    return piece[0] == 'S' && piece[1] == 'T' ? 7 : 0;
}

int onElement(uint64_t user, char *name, char *text)
{
    Collected *c = collectedOf(user);
    ++c->calls;
    c->pieces.emplace_back(name);
    c->pieces.emplace_back(text);
    check(c, c->pieces.back().size());
    return verdict(name);
}

int onTag(uint64_t user, char *tag)
{
    Collected *c = collectedOf(user);
    ++c->calls;
    c->pieces.emplace_back(tag);
    check(c, c->pieces.back().size());
    return verdict(tag);
}

void onCData(uint64_t user, const char *data, sysSize length)
{
    Collected *c = collectedOf(user);
    ++c->calls;
    check(c, static_cast<size_t>(length));
    c->pieces.emplace_back(data, static_cast<size_t>(length));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The parser takes a NUL-terminated text: the input up to its first NUL,
    // in a block of exactly that size so any over-read is reported.
    size_t length = strnlen(reinterpret_cast<const char *>(data), size);
    std::vector<char> text(data, data + length);
    text.push_back('\0');
    text.shrink_to_fit();

    Collected c;
    c.inputSize = length;
    sysXmlCallbacks cb{};
    cb.user = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&c));
    cb.onElement = onElement;
    cb.onTag = onTag;
    cb.onCData = onCData;
    int r = sysXmlParseDocument(&cb, text.data());
    if (r != 0 && r != 7)
        abort();

    // The document itself is never modified.
    if (memcmp(text.data(), data, length) != 0)
        abort();

    // Without a CDATA handler the sections are skipped, the rest is the same.
    Collected bare;
    bare.inputSize = length;
    cb.user = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&bare));
    cb.onCData = nullptr;
    sysXmlParseDocument(&cb, text.data());
    return 0;
}
