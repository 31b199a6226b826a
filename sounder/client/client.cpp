/* The client interface: the lum* exports over one process-wide client state
 * (database, two renderer records, system description, driver list, two
 * tree contexts) and one output buffer that every document is written to. */
#include "sounder/client.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "keel/keel.h"
#include "sounder/database.h"
#include "sounder/links.h"
#include "sounder/probe.h"
#include "sounder/readers.h"
#include "sounder/rendertest.h"
#include "sounder/reportfile.h"
#include "sounder/system.h"
#include "sounder/tree.h"

#include "client/document.h"
#include "common/xml_writer.h"
#include "client/options.h"
#include "common/paths.h"
#include "probe/display.h"
#include "views/render.h"
#include "views/textreport.h"

static_assert(LUM_TEST_UNITS == TS_TEST_UNIT_COUNT, "one result per test unit");
static_assert(LUM_PATH_SIZE == TS_REPORT_FILENAME_SIZE, "the path buffer holds 260 bytes");

namespace {

using sounder::client::DocumentWriter;
using sounder::client::outputDocument;

struct ClientState {
    tsDatabase *database = nullptr;
    tsRendererCaps records[2];
    tsSystemInfo system;
    tsIcdList icd;
    tsReadingOutcome outcomes[2];
    int readings = 0; /* lumClientSetReadings: 0 for both */
    tsTree *mainTree = nullptr;
    tsTree *capsTree = nullptr;
    char path[LUM_PATH_SIZE];
    /* Slots of the last rendering-test run and whether each unit was
     * selected. */
    int32_t lastResults[LUM_TEST_UNITS];
    bool lastSelected[LUM_TEST_UNITS];
    lumProgressCallback progress = nullptr;
    void *progressUser = nullptr;
    tsReadingSession *started = nullptr; /* lumClientStartReadings */

    ClientState()
    {
        std::memset(records, 0, sizeof records);
        std::memset(&system, 0, sizeof system);
        std::memset(&icd, 0, sizeof icd);
        std::memset(outcomes, 0, sizeof outcomes);
        std::memset(path, 0, sizeof path);
        for (int i = 0; i < LUM_TEST_UNITS; ++i) {
            lastResults[i] = -1;
            lastSelected[i] = false;
        }
    }
};

ClientState &state()
{
    static ClientState s;
    return s;
}

bool validIndex(int renderer)
{
    return renderer == 0 || renderer == 1;
}

/* The database the calls work on; an empty one when the client loaded
 * none, so that a client that skipped the load still gets documents. */
tsDatabase *database()
{
    ClientState &s = state();
    if (!s.database)
        s.database = tsDatabaseCreateFromCString(nullptr);
    return s.database;
}

/* The loaded database with renderer made its current reading: the trees,
 * reports and compliance figures read that reading's bit. */
tsDatabase *selectReading(int renderer)
{
    tsDatabase *db = database();
    if (db)
        db->currentReading = renderer;
    return db;
}

/* A tree context of the client, zeroed before it is built.  The context is
 * large (tens of megabytes) and mostly untouched: a fresh one is mapped
 * instead of clearing the old one, which would touch every page. */
tsTree *clearedTree(tsTree *&slot)
{
    tsTreeFree(slot);
    slot = tsTreeAllocate();
    return slot;
}

void writeTree(DocumentWriter &out, const tsTreeNode *root)
{
    sounder::writeTreeXml(root, [&out](const std::string &line) { out.line("%s", line.c_str()); });
}

const char *emptyTree()
{
    DocumentWriter &out = outputDocument();
    out.begin();
    out.line("<tree>");
    out.line("</tree>");
    return out.text();
}

void logRefusal(const char *text)
{
    tsReportContext("Rendering test options");
    tsReportFailure("%s", text);
}

tsReadingOptions readingOptions(const ClientState &s)
{
    tsReadingOptions options;
    std::memset(&options, 0, sizeof options);
    options.size = sizeof options;
    options.withDirect3D = 1;
    options.readings = s.readings;
    return options;
}

tsReadingSession *startReadings(const ClientState &s)
{
    const tsReadingOptions options = readingOptions(s);
    return tsInfoReadStart(&options);
}

} // namespace

extern "C" {

SOUNDER_API struct tsDatabase *lumClientLoadDatabase(const char *text)
{
    ClientState &s = state();
    tsDatabase *db = tsDatabaseCreateFromCString(text);
    if (!db)
        return nullptr;
    /* The records point into nothing of the database, so the old one can
     * go at once. */
    if (s.database)
        tsDatabaseRelease(s.database);
    s.database = db;
    db->modified = 1;
    return db;
}

SOUNDER_API int lumClientInitialize(void)
{
    ClientState &s = state();
    tsDatabase *db = database();
    if (!db)
        return 0;
    if (s.progress)
        s.progress("renderers 0 and 1", s.progressUser);

    tsReadingSession *session = s.started;
    s.started = nullptr;
    if (!session)
        session = startReadings(s);
    for (tsRendererCaps &caps : s.records)
        caps.size = TS_RENDERER_CAPS_SIZE;
    if (session) {
        tsInfoReadFinish(session, db, s.records, &s.system, &s.icd, s.outcomes);
    } else {
        tsReadingOptions options = readingOptions(s);
        tsInfoReadAll(&options, db, s.records, &s.system, &s.icd, s.outcomes);
    }
    return s.outcomes[0].updated | s.outcomes[1].updated;
}

SOUNDER_API int lumClientStartReadings(void)
{
    ClientState &s = state();
    if (!s.started)
        s.started = startReadings(s);
    return s.started ? 1 : 0;
}

SOUNDER_API void lumClientSetReadings(int mask)
{
    state().readings = mask & 3;
}

SOUNDER_API const char *lumClientGetReadingLog(int renderer)
{
    if (!validIndex(renderer))
        return nullptr;
    return state().outcomes[renderer].log;
}

SOUNDER_API void lumClientSetProgress(lumProgressCallback callback, void *user)
{
    ClientState &s = state();
    s.progress = callback;
    s.progressUser = user;
}

SOUNDER_API const char *lumClientGetMainTree(int renderer)
{
    if (!validIndex(renderer))
        return nullptr;
    ClientState &s = state();
    tsDatabase *db = selectReading(renderer);
    tsTree *tree = clearedTree(s.mainTree);
    if (!tree)
        return nullptr;
    tsTreeBegin(tree);
    tsCreateMainTree(tree, db, &s.icd, &s.system, &s.records[renderer]);
    const tsTreeNode *root = tsTreeEnd(tree);

    DocumentWriter &out = outputDocument();
    out.begin();
    writeTree(out, root);
    return out.text();
}

SOUNDER_API const char *lumClientGetCapsAndExtTree(int renderer)
{
    if (!validIndex(renderer))
        return nullptr;
    ClientState &s = state();
    tsDatabase *db = selectReading(renderer);
    const tsRendererCaps &caps = s.records[renderer];
    if (!caps.filled)
        return emptyTree();
    tsTree *tree = clearedTree(s.capsTree);
    if (!tree)
        return nullptr;
    tsTreeBegin(tree);
    tsCreateCapsTree(tree, &caps);
    if (db)
        tsCreateExtTree(tree, db);
    const tsTreeNode *root = tsTreeEnd(tree);

    DocumentWriter &out = outputDocument();
    out.begin();
    writeTree(out, root);
    return out.text();
}

SOUNDER_API const char *lumClientGetReport(int renderer)
{
    if (!validIndex(renderer))
        return nullptr;
    ClientState &s = state();
    tsDatabase *db = selectReading(renderer);
    /* The exported list of 1024 pieces is too small for a modern driver's
     * summary; the client builds into a list sized for any real reading. */
    std::vector<tsReportPiece> pieces =
        sounder::buildReportList(&s.system, &s.records[renderer], &s.icd, db, 1);

    DocumentWriter &out = outputDocument();
    out.begin();
    sounder::client::writeReportDocument(out, pieces.data(), static_cast<int>(pieces.size()));
    return out.text();
}

SOUNDER_API const char *lumClientGetUpdateReport(void)
{
    ClientState &s = state();
    tsDatabase *db = database();
    std::vector<tsReportPiece> pieces;
    sounder::PieceList list(pieces, sounder::kLargeReportCapacity);
    sounder::buildChangesReport(list, &s.records[0], db, 1);
    sounder::buildChangesReport(list, &s.records[1], db, 1);

    DocumentWriter &out = outputDocument();
    out.begin();
    sounder::client::writeReportDocument(out, list.data(), list.count());
    return out.text();
}

SOUNDER_API const char *lumClientGetMonitorList(void)
{
    const std::vector<sounder::MonitorInfo> monitors = sounder::listMonitors();
    DocumentWriter &out = outputDocument();
    out.begin();
    out.line("<monitor>");
    sounder::XmlWriter w(sounder::Controls::Reference);
    for (const sounder::MonitorInfo &m : monitors) {
        w.open("device").attr("id", m.deviceName.c_str()).attr("name", m.deviceString.c_str());
        out.line(w.closeEmpty().take());
    }
    out.line("</monitor>");
    return out.text();
}

SOUNDER_API const char *lumClientGetDisplayModeList(const char *deviceName)
{
    /* The modes of the named output (the device id of the monitor
     * document); a name that yields no mode, or no name, gives the modes of
     * the primary output. */
    std::vector<sounder::DisplayModeInfo> modes = sounder::listOutputModes(deviceName);
    if (modes.empty())
        modes = sounder::listDisplayModes();
    DocumentWriter &out = outputDocument();
    out.begin();
    out.line("<modes>");
    sounder::XmlWriter w(sounder::Controls::Reference);
    for (const sounder::DisplayModeInfo &m : modes) {
        w.open("mode")
            .attr("dmBitsPerPel", m.bitsPerPixel)
            .attr("dmPelsWidth", m.width)
            .attr("dmPelsHeight", m.height)
            .attr("dmDisplayFrequency", m.refresh);
        out.line(w.raw(" />").take());
    }
    out.line("</modes>");
    return out.text();
}

SOUNDER_API const char *lumClientGetPixelFormats(int renderer)
{
    if (!validIndex(renderer))
        return nullptr;
    ClientState &s = state();
    selectReading(renderer);
    const tsRendererCaps &caps = s.records[renderer];
    int count = caps.pixelFormatCount;
    if (count < 0)
        count = 0;
    if (count > TS_MAX_PIXEL_FORMATS)
        count = TS_MAX_PIXEL_FORMATS;

    DocumentWriter &out = outputDocument();
    out.begin();
    out.line("<pf>");
    for (int n = 1; n <= count; ++n) {
        sounder::client::writePixelFormatLine(out, n, caps.pixelFormats[n - 1]);
    }
    out.line("</pf>");
    return out.text();
}

SOUNDER_API int lumGetDesktopDepth(void)
{
    sounder::DisplayModeInfo mode;
    if (!sounder::desktopMode(mode) || mode.bitsPerPixel <= 0)
        return 32;
    return mode.bitsPerPixel;
}

SOUNDER_API int lumIsType(const char *text, int renderer, int type)
{
    if (!validIndex(renderer) || !text)
        return 0;
    ClientState &s = state();
    tsDatabase *db = database();
    if (!db)
        return 0;
    db->currentReading = renderer;
    return tsIsType(text, db, &s.records[renderer], type);
}

SOUNDER_API const char *lumGetRenderingTests(void)
{
    DocumentWriter &out = outputDocument();
    out.begin();
    out.line("<test>");
    sounder::XmlWriter w(sounder::Controls::Reference);
    for (int i = 0; i < TS_TEST_UNIT_COUNT; ++i)
        out.line(w.open("t").attr("name", tsTestUnitDefault[i].name).raw(" />").take());
    out.line("</test>");
    return out.text();
}

SOUNDER_API int lumRunRenderingTests(const char *document)
{
    ClientState &s = state();
    for (int i = 0; i < LUM_TEST_UNITS; ++i) {
        s.lastResults[i] = -1;
        s.lastSelected[i] = false;
    }
    tsReportSetLogFile();

    sounder::client::TestOptionDocument doc;
    if (!sounder::client::parseTestOptionDocument(document, doc)) {
        for (const std::string &e : doc.errors)
            logRefusal(e.c_str());
        return -2;
    }

    /* Full screen switches to mode displayMode of the primary display; an
     * index the display does not have is refused, never used. */
    tsDisplayMode mode;
    std::memset(&mode, 0, sizeof mode);
    const tsDisplayMode *modeArg = nullptr;
    if (doc.flags & optFullscreen) {
        const std::vector<sounder::DisplayModeInfo> modes = sounder::listDisplayModes();
        if (doc.displayMode < 0 || static_cast<size_t>(doc.displayMode) >= modes.size()) {
            char line[160];
            std::snprintf(line, sizeof line,
                          "Display mode %d not available (the primary display has %d modes).\n",
                          static_cast<int>(doc.displayMode), static_cast<int>(modes.size()));
            logRefusal(line);
            return -2;
        }
        const sounder::DisplayModeInfo &m = modes[static_cast<size_t>(doc.displayMode)];
        mode.width = static_cast<uint16_t>(m.width);
        mode.height = static_cast<uint16_t>(m.height);
        mode.bitsPerPixel = static_cast<uint8_t>(m.bitsPerPixel);
        mode.refreshRate = static_cast<uint8_t>(m.refresh);
        modeArg = &mode;
    }

    /* Shaders and images are the data files shipped with the program. */
    tsTestOptions options;
    std::memset(&options, 0, sizeof options);
    tsTestLoadDefaults(&options);
    options.flags = doc.flags;
    options.anisotropy = doc.anisotropy;
    options.samples = doc.samples;
    options.lodBias = doc.lodBias;
    options.hardware = doc.hardware;
    options.displayMode = doc.displayMode;

    int32_t slots[TS_TEST_UNIT_COUNT];
    for (int i = 0; i < TS_TEST_UNIT_COUNT; ++i)
        slots[i] = doc.slots[i];
    const int32_t result = tsTestRun(slots, modeArg, &options);
    tsTestReleaseDefaults(&options);

    for (int i = 0; i < LUM_TEST_UNITS; ++i) {
        s.lastSelected[i] = doc.slots[i] == 0;
        /* A lost display keeps the rates of the units measured before it. */
        const bool measured = result == 0 || result == TS_TEST_DISPLAY_LOST;
        s.lastResults[i] = (s.lastSelected[i] && measured) ? slots[i] : -1;
    }
    return result;
}

SOUNDER_API const char *lumGetRenderingTestResults(void)
{
    ClientState &s = state();
    DocumentWriter &out = outputDocument();
    out.begin();
    out.line("<results>");
    sounder::XmlWriter w(sounder::Controls::Reference);
    for (int i = 0; i < LUM_TEST_UNITS; ++i) {
        w.open("t")
            .attr("name", tsTestUnitDefault[i].name)
            .attr("run", s.lastSelected[i] ? 1 : 0)
            .attr("fps", static_cast<int>(s.lastResults[i]));
        out.line(w.raw(" />").take());
    }
    out.line("</results>");
    return out.text();
}

SOUNDER_API const char *lumGenerateReport(const char *folder, int renderer)
{
    if (!folder || !validIndex(renderer))
        return nullptr;
    ClientState &s = state();
    const tsRendererCaps &caps = s.records[renderer];
    if (!caps.filled)
        return nullptr;
    char name[TS_REPORT_FILENAME_SIZE];
    tsFormatReportFilename(name, &caps, "XML");
    const std::string path = sounder::joinPath(folder, name);
    if (path.size() >= sizeof s.path)
        return nullptr;
    sysStrlCpy(s.path, path.c_str(), sizeof s.path);
    if (tsSaveReportXML(s.path, &s.system, &caps, 1, &s.icd) != 0)
        return nullptr;
    return s.path;
}

SOUNDER_API const tsRendererCaps *lumClientGetReading(int renderer, const tsSystemInfo **system,
                                                      const tsIcdList **icd, tsDatabase **db)
{
    ClientState &s = state();
    if (system)
        *system = &s.system;
    if (icd)
        *icd = &s.icd;
    if (db)
        *db = s.database;
    if (!validIndex(renderer))
        return nullptr;
    selectReading(renderer);
    return &s.records[renderer];
}

SOUNDER_API void lumClientRelease(void) {}

} // extern "C"
