// Helpers of the database tests: a private folder, whole-file reading, a
// reading record built by hand, and a dump of a database's content that
// does not go through the writer.
#ifndef TESTS_DATABASE_DB_TEST_UTIL_H
#define TESTS_DATABASE_DB_TEST_UTIL_H

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "keel/keel.h"
#include "sounder/database.h"
#include "sounder/probe.h"

class TempDir {
public:
    TempDir()
    {
        const char *tmp = getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/db-test-XXXXXX";
        if (mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }
    std::string write(const std::string &name, const std::string &content) const
    {
        std::string p = file(name);
        std::ofstream out(p, std::ios::binary);
        out << content;
        return p;
    }
    int count() const
    {
        int n = 0;
        for (auto &entry : std::filesystem::directory_iterator(path_)) {
            (void)entry;
            ++n;
        }
        return n;
    }

private:
    std::string path_;
};

inline std::string readWhole(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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
               e->req + "|" + e->status + "|" + e->cat + "|" + e->depends + "|" + e->affects +
               "\n";
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
