// Fuzzes the report reader and writer: each input is read as a report file,
// what was read is saved again and read back, and the texts of the reading
// and of the system description must survive the round trip unchanged.
// Files live in one private temporary folder per process.
#include "keel/keel.h"
#include "sounder/probe.h"
#include "sounder/reportfile.h"
#include "sounder/system.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

#include "fuzz/fuzz_temp.h"

namespace {

// A reading with its texts; released when it goes.
struct Reading {
    tsRendererCaps caps;
    tsIcdList icd;
    tsSystemInfo system;
    Reading()
    {
        memset(&caps, 0, sizeof caps);
        memset(&icd, 0, sizeof icd);
        memset(&system, 0, sizeof system);
    }
    ~Reading()
    {
        tsInfoRelease(&caps);
        tsSystemInfoRelease(&system);
    }
};

bool terminatedWithin(const char *field, size_t size)
{
    return memchr(field, '\0', size) != nullptr;
}

void checkTerminated(const Reading &r)
{
    if (r.icd.count < 0 || r.icd.count > TS_ICD_MAX_ENTRIES)
        abort();
    for (const tsIcdEntry &e : r.icd.entries) {
        if (!terminatedWithin(e.name, sizeof e.name) || !terminatedWithin(e.path, sizeof e.path) ||
            !terminatedWithin(e.company, sizeof e.company) ||
            !terminatedWithin(e.description, sizeof e.description) ||
            !terminatedWithin(e.version, sizeof e.version))
            abort();
    }
    if (!terminatedWithin(r.system.system, sizeof r.system.system) ||
        !terminatedWithin(r.system.processorMode, sizeof r.system.processorMode) ||
        !terminatedWithin(r.system.desktopMode, sizeof r.system.desktopMode))
        abort();
    if (r.caps.pixelFormatCount < 0 || r.caps.pixelFormatCount > TS_MAX_PIXEL_FORMATS ||
        r.caps.displayModeCount < 0 || r.caps.displayModeCount > TS_MAX_DISPLAY_MODES)
        abort();
}

void compare(const char *what, const char *a, const char *b)
{
    // A text the writer leaves out reads back as absent or empty.
    const char *x = a ? a : "";
    const char *y = b ? b : "";
    if (strcmp(x, y) != 0) {
        fprintf(stderr, "fuzz_report: %s differs after saving: \"%s\" / \"%s\"\n", what, x, y);
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string input = fuzzTempFolder() + "/input.xml";
    const std::string saved = fuzzTempFolder() + "/saved.xml";
    FILE *f = fopen(input.c_str(), "wb");
    if (!f)
        abort();
    if (size && fwrite(data, 1, size, f) != size)
        abort();
    if (fclose(f) != 0)
        abort();

    // A readable file is a report, a damaged one or none; never unreadable.
    const int kind = tsCheckReportXML(input.c_str());
    if (kind != TS_REPORT_FILE_COMPLETE && kind != TS_REPORT_FILE_INCOMPLETE &&
        kind != TS_REPORT_FILE_NOT_A_REPORT)
        abort();

    auto first = std::make_unique<Reading>();
    const int r = tsReadReportXML(input.c_str(), &first->caps, &first->icd, &first->system);
    if (r != 0 && r != -1)
        abort();
    if (size == 0 && r != -1)
        abort();
    checkTerminated(*first);
    if (r != 0)
        return 0;

    // Without an ICD list or system record the groups that would fill them
    // are skipped; the reading itself must come out the same.
    {
        auto bare = std::make_unique<Reading>();
        if (tsReadReportXML(input.c_str(), &bare->caps, nullptr, nullptr) != 0)
            abort();
        compare("Vendor (bare)", first->caps.vendor, bare->caps.vendor);
        compare("Renderer (bare)", first->caps.renderer, bare->caps.renderer);
        compare("Extensions (bare)", first->caps.extensions, bare->caps.extensions);
    }

    // The proposed file name comes from the renderer text of the file: it
    // must stay within its buffer and name a file in the chosen folder.
    {
        char name[TS_REPORT_FILENAME_SIZE + 16];
        memset(name, 0x5A, sizeof name);
        tsFormatReportFilename(name, &first->caps, "xml");
        const char *end = static_cast<const char *>(memchr(name, '\0', TS_REPORT_FILENAME_SIZE));
        if (!end || end - name > 65 + 4 || strchr(name, '/'))
            abort();
        for (size_t i = TS_REPORT_FILENAME_SIZE; i < sizeof name; ++i)
            if (name[i] != 0x5A)
                abort();
    }

    first->caps.size = sizeof(tsRendererCaps);
    if (tsSaveReportXML(saved.c_str(), &first->system, &first->caps, 1, &first->icd) != 0) {
        fprintf(stderr, "fuzz_report: tsSaveReportXML failed\n");
        abort();
    }
    // What the writer makes is a whole report exactly when the reading names
    // a renderer.
    bool named = false;
    for (const char *p = first->caps.renderer; p && *p && !named; ++p)
        named = !sysIsSpace(static_cast<unsigned char>(*p));
    if (tsCheckReportXML(saved.c_str()) !=
        (named ? TS_REPORT_FILE_COMPLETE : TS_REPORT_FILE_INCOMPLETE)) {
        fprintf(stderr, "fuzz_report: a saved report does not check as whole\n");
        abort();
    }
    auto second = std::make_unique<Reading>();
    if (tsReadReportXML(saved.c_str(), &second->caps, &second->icd, &second->system) != 0)
        abort();
    checkTerminated(*second);

    compare("Vendor", first->caps.vendor, second->caps.vendor);
    compare("Version", first->caps.version, second->caps.version);
    compare("GLSLVersion", first->caps.glslVersion, second->caps.glslVersion);
    compare("Renderer", first->caps.renderer, second->caps.renderer);
    compare("Extensions", first->caps.extensions, second->caps.extensions);
    compare("System", first->system.system, second->system.system);
    compare("CPU", first->system.processorMode, second->system.processorMode);
    if (first->icd.count != second->icd.count)
        abort();
    return 0;
}
