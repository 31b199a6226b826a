#include "app/readings.h"

#include <cstring>
#include <memory>

#include "keel/keel.h"
#include "sounder/database.h"

// Where sounder offers it, each reading is taken in a reader process of its
// own: a driver that crashes or hangs fails its reading only.
#if __has_include("sounder/readers.h")
#include "sounder/readers.h"
#define TESSERA_READER_PROCESSES 1
#endif

namespace tessera {

const char *readingMethod()
{
#ifdef TESSERA_READER_PROCESSES
    return "reader processes";
#else
    return "in-process";
#endif
}

void releaseReading(Reading &reading)
{
    tsInfoRelease(&reading.caps);
    tsSystemInfoRelease(&reading.system);
}

#ifdef TESSERA_READER_PROCESSES
struct StartedReadings {
    tsReadingSession *session = nullptr;
};

StartedReadings *startReadings()
{
    return new StartedReadings{tsInfoReadStart(nullptr)};
}

int takeReadings(tsDatabase *db, Reading readings[2], Desktop *desktop)
{
    return finishReadings(startReadings(), db, readings, desktop);
}

int finishReadings(StartedReadings *started, tsDatabase *db, Reading readings[2], Desktop *desktop)
{
    std::unique_ptr<StartedReadings> owned(started);
    if (desktop)
        tsInfoGetDesktop(&desktop->width, &desktop->height, &desktop->bits);
    auto caps = std::make_unique<tsRendererCaps[]>(2);
    auto outcomes = std::make_unique<tsReadingOutcome[]>(2);
    tsSystemInfo system;
    tsIcdList icd;
    std::memset(caps.get(), 0, 2 * sizeof(tsRendererCaps));
    std::memset(&system, 0, sizeof system);
    std::memset(&icd, 0, sizeof icd);
    caps[0].size = caps[1].size = TS_RENDERER_CAPS_SIZE;
    const int mask =
        owned && owned->session
            ? tsInfoReadFinish(owned->session, db, caps.get(), &system, &icd, outcomes.get())
            : tsInfoReadAll(nullptr, db, caps.get(), &system, &icd, outcomes.get());
    int made = 0;
    for (int index = 0; index < 2; ++index) {
        Reading &r = readings[index];
        std::memcpy(&r.caps, &caps[index], sizeof r.caps);
        // One description of the machine for both readings; each owns its copy.
        std::memcpy(&r.system, &system, sizeof r.system);
        r.system.monitor = system.monitor ? sysStrDup(system.monitor) : nullptr;
        r.system.dxVersion = r.system.dxShaderModel = nullptr;
        r.icd = icd;
        r.ok = mask > 0 && (mask & (1 << index)) != 0 && r.caps.filled != 0;
        r.fromReport = false;
        r.log = outcomes[index].log;
        made += r.ok ? 1 : 0;
    }
    tsSystemInfoRelease(&system);
    db->currentReading = 1;
    return made;
}
#else
struct StartedReadings {};

StartedReadings *startReadings()
{
    return nullptr;
}

int finishReadings(StartedReadings *, tsDatabase *db, Reading readings[2], Desktop *desktop)
{
    return takeReadings(db, readings, desktop);
}

int takeReadings(tsDatabase *db, Reading readings[2], Desktop *desktop)
{
    int made = 0;
    for (int index = 0; index < 2; ++index) {
        Reading &r = readings[index];
        if (desktop)
            tsInfoGetDesktop(&desktop->width, &desktop->height, &desktop->bits);
        // The driver list asks the package database, which costs more than a
        // reading; the installed drivers do not change between the two.
        if (index == 0)
            tsDescribeSystem(&r.system, &r.icd, 0);
        else {
            tsDescribeSystem(&r.system, nullptr, 0);
            r.icd = readings[0].icd;
        }
        db->currentReading = index;
        std::memset(&r.caps, 0, sizeof r.caps);
        r.caps.size = TS_RENDERER_CAPS_SIZE;
        r.ok = false;
        r.fromReport = false;
        tsReportSetLogFile();
        if (tsInfoBegin(index) || (index != 0 && tsInfoBegin(0))) {
            tsInfoRead(&r.caps, 0);
            tsDatabaseUpdate(db, &r.caps, &r.icd, r.system.system);
            tsInfoSolveDb(db, &r.caps, index);
            tsInfoEnd();
            r.ok = r.caps.filled != 0;
        }
        r.log = tsReportGetLogFile();
        made += r.ok ? 1 : 0;
    }
    db->currentReading = 1;
    return made;
}
#endif

} // namespace tessera
