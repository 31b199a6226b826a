// Throughput of the XML parser on a multi-megabyte document shaped like the
// extension database, and of the update-index style attribute lookup.  The
// parser allocates one block per document, so its speed should not depend on
// the number of elements beyond the scan itself; the "allocs" counter
// reports the allocator calls per parse (expected: 1).
#include "keel/keel.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstddef>
#include <string>

extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
}

namespace {
std::atomic<long> allocationCalls{0};
}

// Counting replacements of the C allocator, forwarding to the C library's own.
extern "C" void *malloc(size_t size)
{
    allocationCalls.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}

extern "C" void *calloc(size_t n, size_t size)
{
    allocationCalls.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(n, size);
}

extern "C" void *realloc(void *p, size_t size)
{
    allocationCalls.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, size);
}

namespace {

struct Tally {
    uint64_t elements = 0;
    uint64_t tags = 0;
    uint64_t bytes = 0;
};

int onElement(uint64_t user, char *name, char *text)
{
    Tally *t = reinterpret_cast<Tally *>(user);
    ++t->elements;
    t->bytes += static_cast<uint64_t>(name[0]) + static_cast<uint64_t>(text[0]);
    return 0;
}

int onTag(uint64_t user, char *tag)
{
    Tally *t = reinterpret_cast<Tally *>(user);
    ++t->tags;
    t->bytes += static_cast<uint64_t>(tag[0]);
    return 0;
}

void onCData(uint64_t user, const char *, sysSize length)
{
    reinterpret_cast<Tally *>(user)->bytes += length;
}

// A database-like document of about `megabytes` MB.
std::string makeDocument(size_t megabytes)
{
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- generated -->\n<Database "
                      "version=\"4\">\n";
    size_t target = megabytes * 1024 * 1024;
    for (unsigned i = 0; doc.size() < target; ++i) {
        std::string n = std::to_string(i);
        doc += "  <Extension name=\"GL_EXT_generated_" + n + "\" id=\"" + n +
               "\" support=\"3\">\n"
               "    <Vendor>EXT</Vendor>\n"
               "    <Version major=\"1\" minor=\"" +
               std::to_string(i % 7) +
               "\"/>\n"
               "    <Note><![CDATA[Text with <markup> & \"quotes\" inside]]></Note>\n"
               "    <Renderers>\n"
               "      <Renderer name=\"llvmpipe (LLVM 15.0.6, 256 bits)\" os=\"Linux\"/>\n"
               "      <Renderer name=\"softpipe\" os=\"Linux\"/>\n"
               "    </Renderers>\n"
               "  </Extension>\n";
    }
    doc += "</Database>\n";
    return doc;
}

void BM_XmlParseDocument(benchmark::State &state)
{
    std::string doc = makeDocument(static_cast<size_t>(state.range(0)));
    Tally tally;
    sysXmlCallbacks cb{};
    cb.user = reinterpret_cast<uint64_t>(&tally);
    cb.onElement = onElement;
    cb.onTag = onTag;
    cb.onCData = onCData;

    long calls = 0;
    for (auto _ : state) {
        long before = allocationCalls.load(std::memory_order_relaxed);
        int r = sysXmlParseDocument(&cb, doc.c_str());
        calls += allocationCalls.load(std::memory_order_relaxed) - before;
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(doc.size()));
    state.counters["MB"] = static_cast<double>(doc.size()) / (1024.0 * 1024.0);
    state.counters["elements"] =
        static_cast<double>(tally.elements + tally.tags) / static_cast<double>(state.iterations());
    state.counters["allocs"] = static_cast<double>(calls) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_XmlParseDocument)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);

void BM_XmlGetAttribute(benchmark::State &state)
{
    const char *tag =
        "name=\"GL_EXT_generated_1234\" id=\"1234\" support=\"3\" promoted=\"GL_VERSION_1_2\"";
    for (auto _ : state) {
        const char *v = sysXmlGetAttribute(tag, "promoted");
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_XmlGetAttribute);

} // namespace

BENCHMARK_MAIN();
