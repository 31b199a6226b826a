#include "app/readings.h"

#include <cstring>

#include "sounder/database.h"

namespace tessera {

const char *readingMethod()
{
    return "in-process";
}

void releaseReading(Reading &reading)
{
    tsInfoRelease(&reading.caps);
    tsSystemInfoRelease(&reading.system);
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

} // namespace tessera
