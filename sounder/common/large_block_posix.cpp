#include "common/large_block.h"

#include <stdint.h>
#include <sys/mman.h>

namespace sounder {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

size_t roundUp(size_t size)
{
    return (size + kHugePage - 1) & ~(kHugePage - 1);
}

} // namespace

void *allocateLargeBlock(size_t size)
{
    if (size == 0 || size > SIZE_MAX - 2 * kHugePage)
        return nullptr;
    const size_t length = roundUp(size);
    /* Map one huge page more than needed and give back the unaligned ends. */
    const size_t mapped = length + kHugePage;
    void *raw = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kHugePage - 1) & ~(uintptr_t(kHugePage) - 1);
    if (aligned > start)
        munmap(raw, aligned - start);
    const size_t tail = (start + mapped) - (aligned + length);
    if (tail)
        munmap(reinterpret_cast<void *>(aligned + length), tail);
    void *block = reinterpret_cast<void *>(aligned);
#ifdef MADV_HUGEPAGE
    madvise(block, length, MADV_HUGEPAGE); /* a hint: refused where unsupported */
#endif
    return block;
}

void freeLargeBlock(void *block, size_t size)
{
    if (block)
        munmap(block, roundUp(size));
}

} // namespace sounder
