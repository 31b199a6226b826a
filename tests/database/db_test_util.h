// Helpers of the database tests: a reading record built by hand and a dump
// of a database's content that does not go through the writer (the private
// folder and whole-file reading come from support/temp_dir.h).
#ifndef TESTS_DATABASE_DB_TEST_UTIL_H
#define TESTS_DATABASE_DB_TEST_UTIL_H

#include <cstring>
#include <string>

#include "keel/keel.h"
#include "sounder/database.h"
#include "sounder/probe.h"
#include "support/temp_dir.h"

// A reading filled by hand; the texts are sysStrDup copies so that
// tsInfoRelease could free them.
struct FakeReading {
    tsRendererCaps caps;
    FakeReading(const char *vendor, const char *renderer, const char *version,
                const char *extensions, const char *glsl = nullptr, int tag = 0)
    {
        memset(&caps, 0, sizeof caps);
        caps.size = sizeof caps;
        caps.tag = tag;
        caps.filled = 1;
        caps.vendor = vendor ? sysStrDup(vendor) : nullptr;
        caps.renderer = renderer ? sysStrDup(renderer) : nullptr;
        caps.version = version ? sysStrDup(version) : nullptr;
        caps.extensions = extensions ? sysStrDup(extensions) : nullptr;
        caps.glslVersion = glsl ? sysStrDup(glsl) : nullptr;
    }
    ~FakeReading()
    {
        sysMemFree(caps.vendor);
        sysMemFree(caps.renderer);
        sysMemFree(caps.version);
        sysMemFree(caps.extensions);
        sysMemFree(caps.glslVersion);
    }
    FakeReading(const FakeReading &) = delete;
    FakeReading &operator=(const FakeReading &) = delete;
};

// Everything a database holds, one fact per line, in list order.
inline std::string dumpDatabase(const tsDatabase *db)
{
    std::string out;
    for (const tsExtension *e = db->extensions; e; e = e->next) {
        out += std::string("E|") + e->name + "|" + e->alias + "|" + e->core + "|" + e->spec + "|" +
               e->req + "|" + e->status + "|" + e->cat + "|" + e->depends + "|" + e->affects + "\n";
        for (const tsRendererLink *l = e->links; l; l = l->next)
            out += std::string(" L|") + l->renderer->vendor->name + "|" + l->renderer->name + "|" +
                   l->version + "|" + l->renderer->os + "\n";
        for (const tsEntryPoint *p = e->entryPoints; p; p = p->next)
            out += std::string(" F|") + p->name + "\n";
    }
    for (const tsCoreVersion *c = db->coreVersions; c; c = c->next) {
        out += std::string("C|") + c->version + "\n";
        for (const tsEntryPoint *p = c->entryPoints; p; p = p->next)
            out += std::string(" F|") + p->name + "\n";
    }
    return out;
}

template <class T>
int listLength(const T *p)
{
    int n = 0;
    for (; p; p = p->next)
        ++n;
    return n;
}

inline std::string shippedDatabasePath()
{
    return std::string(TESSERA_SOURCE_DIR) + "/data/extensions.xml";
}

#endif
