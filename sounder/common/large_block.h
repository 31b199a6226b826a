/* Zeroed blocks of tens of megabytes that are touched only as far as used
 * (tree contexts: their node array alone is 32 MiB).
 *
 * Such a block is mapped fresh, so it costs nothing until a page is touched,
 * and is aligned to 2 MiB and marked for transparent huge pages where the
 * system offers them: a tree of 1,500 nodes then takes a handful of page
 * faults instead of thousands, which on a virtual machine is most of the
 * time spent linking the tree. */
#ifndef SOUNDER_COMMON_LARGE_BLOCK_H
#define SOUNDER_COMMON_LARGE_BLOCK_H

#include <stddef.h>

namespace sounder {

/* A zeroed block of size bytes; null when no memory is left. */
void *allocateLargeBlock(size_t size);
/* Frees a block of allocateLargeBlock (size as given there); null is
 * ignored. */
void freeLargeBlock(void *block, size_t size);

} // namespace sounder

#endif
