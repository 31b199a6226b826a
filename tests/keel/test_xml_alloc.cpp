// Counts the C allocator calls that libkeel makes while it parses: one block
// per document, whatever its size.  The program replaces malloc, calloc and
// realloc with counting versions that forward to the C library's own
// allocator; libkeel's calls bind to them because the program defines them.
#include "keel/keel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <string>

extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
}

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
std::atomic<size_t> largest{0};

void note(size_t size)
{
    if (!counting.load(std::memory_order_relaxed))
        return;
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (size > largest.load(std::memory_order_relaxed))
        largest.store(size, std::memory_order_relaxed);
}
} // namespace

extern "C" void *malloc(size_t size)
{
    note(size);
    return __libc_malloc(size);
}

extern "C" void *calloc(size_t n, size_t size)
{
    note(n * size);
    return __libc_calloc(n, size);
}

extern "C" void *realloc(void *p, size_t size)
{
    note(size);
    return __libc_realloc(p, size);
}

namespace {

struct Counts {
    long elements = 0;
    long tags = 0;
    long cdata = 0;
};

int onElement(uint64_t user, char *, char *)
{
    ++reinterpret_cast<Counts *>(user)->elements;
    return 0;
}
int onTag(uint64_t user, char *)
{
    ++reinterpret_cast<Counts *>(user)->tags;
    return 0;
}
void onCData(uint64_t user, const char *, sysSize)
{
    ++reinterpret_cast<Counts *>(user)->cdata;
}

std::string document(int products)
{
    std::string doc = "<?xml version=\"1.0\"?>\n<Database version=\"1\">\n";
    for (int i = 0; i < products; ++i) {
        doc += "  <Extension name=\"GL_EXT_number_" + std::to_string(i) + "\" id=\"" +
               std::to_string(i) +
               "\">\n    <Vendor>EXT</Vendor>\n    <Flag a=\"1\"/>\n    <![CDATA[text]]>\n  "
               "</Extension>\n";
    }
    doc += "</Database>\n";
    return doc;
}

TEST(KeelXmlAllocations, OneBlockPerDocument)
{
    for (int products : {1, 100, 20000}) {
        std::string doc = document(products);
        Counts counts;
        sysXmlCallbacks cb{};
        cb.user = reinterpret_cast<uint64_t>(&counts);
        cb.onElement = onElement;
        cb.onTag = onTag;
        cb.onCData = onCData;

        allocations = 0;
        largest = 0;
        counting = true;
        int r = sysXmlParseDocument(&cb, doc.c_str());
        counting = false;

        EXPECT_EQ(r, 0);
        EXPECT_EQ(counts.elements, 1 + 3L * products) << products;
        EXPECT_EQ(counts.tags, 1 + 1L * products) << products;
        EXPECT_EQ(counts.cdata, products);
        EXPECT_EQ(allocations.load(), 1) << products << " products";
        EXPECT_EQ(largest.load(), doc.size() + 1);
    }
}

TEST(KeelXmlAllocations, CountingHookSeesAllocations)
{
    // The hook must see keel's allocations at all, or the test above proves
    // nothing.
    allocations = 0;
    counting = true;
    char *a = sysStrDup("abc");
    void *b = sysMemAlloc(10);
    counting = false;
    EXPECT_EQ(allocations.load(), 2);
    sysMemFree(a);
    sysMemFree(b);
}

} // namespace
