// The two readings that the viewer takes at start-up: reading 0 from the
// software rasteriser, reading 1 from the display's default driver.  Taken
// before QApplication exists, so that selecting the software rasteriser
// (which changes the environment for a moment) races with no other thread.
#ifndef TESSERA_APP_READINGS_H
#define TESSERA_APP_READINGS_H

#include <string>

#include "sounder/probe.h"
#include "sounder/system.h"

struct tsDatabase;

namespace tessera {

struct Reading {
    tsRendererCaps caps;     // zero-filled (size field set) when the reading failed
    tsSystemInfo system;     // description of the machine the reading belongs to
    tsIcdList icd;           // installed client drivers
    bool ok = false;         // a context was made and read
    bool fromReport = false; // the record was loaded from a report file
    std::string log;         // failure log of the reading
};

struct Desktop {
    int width = 0;
    int height = 0;
    int bits = 0;
};

// Takes reading 0 then reading 1 into readings[0..1], merging each into db,
// marking supported extensions and resolved entry points as it goes.
// desktop receives the screen size taken before the readings.  Returns the
// number of readings made (0-2).
int takeReadings(tsDatabase *db, Reading readings[2], Desktop *desktop);

// The same in two steps where the readings are taken in reader processes:
// startReadings starts them at once (before the database is loaded and Qt
// starts, which they then overlap), finishReadings waits for them and does
// what takeReadings does.  In-process readings are all taken by
// finishReadings.  Each start is finished exactly once.
struct StartedReadings;
StartedReadings *startReadings();
int finishReadings(StartedReadings *started, tsDatabase *db, Reading readings[2], Desktop *desktop);

// Releases what a reading holds (record texts, system texts).
void releaseReading(Reading &reading);

// How the readings are taken: "in-process" or "reader processes".
const char *readingMethod();

} // namespace tessera

#endif
