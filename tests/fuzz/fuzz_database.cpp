// Fuzzes the database reader and writer: a document is parsed, written to a
// private temporary folder and loaded again.  The second load must hold as
// many extensions, renderers and vendors as the first: a difference means the
// writer lost or invented records.
#include "sounder/database.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "fuzz/fuzz_temp.h"

namespace {

struct Counts {
    size_t extensions = 0, renderers = 0, vendors = 0, coreVersions = 0;
    bool operator!=(const Counts &o) const
    {
        return extensions != o.extensions || renderers != o.renderers || vendors != o.vendors ||
               coreVersions != o.coreVersions;
    }
};

Counts count(const tsDatabase *db)
{
    Counts c;
    for (const tsExtension *e = db->extensions; e; e = e->next)
        ++c.extensions;
    for (const tsRenderer *r = db->renderers; r; r = r->next)
        ++c.renderers;
    for (const tsVendor *v = db->vendors; v; v = v->next)
        ++c.vendors;
    for (const tsCoreVersion *v = db->coreVersions; v; v = v->next)
        ++c.coreVersions;
    return c;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // An exactly sized, NUL-terminated copy (the text ends at the first NUL).
    std::string text(reinterpret_cast<const char *>(data), size);

    tsDatabase *first = tsDatabaseCreateFromCString(text.c_str());
    if (!first)
        abort();
    const Counts before = count(first);

    const std::string path = fuzzTempFolder() + "/extensions.xml";
    if (tsDatabaseWrite(path.c_str(), first) != 0) {
        fprintf(stderr, "fuzz_database: tsDatabaseWrite failed\n");
        abort();
    }
    tsDatabaseRelease(first);

    tsDatabase *second = tsDatabaseCreate(path.c_str());
    if (!second)
        abort();
    const Counts after = count(second);
    tsDatabaseRelease(second);

    if (before != after) {
        fprintf(stderr,
                "fuzz_database: reload differs: extensions %zu/%zu renderers %zu/%zu "
                "vendors %zu/%zu core versions %zu/%zu\n",
                before.extensions, after.extensions, before.renderers, after.renderers,
                before.vendors, after.vendors, before.coreVersions, after.coreVersions);
        abort();
    }
    return 0;
}
