// Both live readings (softpipe and llvmpipe of the private X server) with a
// fixed system description and driver entry, merged into the shipped
// database: what the saved outputs in tests/data/golden were made from.
#ifndef TESTS_SUPPORT_LIVE_READINGS_H
#define TESTS_SUPPORT_LIVE_READINGS_H

#include <cstring>

#include "keel/keel.h"
#include "sounder/database.h"
#include "sounder/probe.h"
#include "sounder/system.h"

struct LiveReadings {
    tsDatabase *db = nullptr;
    tsRendererCaps caps[2];
    tsSystemInfo system;
    tsIcdList icds;
    bool read[2] = {false, false};

    LiveReadings()
    {
        std::memset(caps, 0, sizeof caps);
        std::memset(&system, 0, sizeof system);
        std::memset(&icds, 0, sizeof icds);
        sysStrlCpy(system.system, "Linux 6.1.0 (Debian GNU/Linux 12 (bookworm)) x86_64",
                   sizeof system.system);
        sysStrlCpy(system.processorMode, "64-bit", sizeof system.processorMode);
        sysStrlCpy(system.desktopMode, " 1280 x 1024 x 32 bpp (0 Hz)", sizeof system.desktopMode);
        system.monitor = sysStrDup("screen");
        icds.count = 1;
        tsIcdEntry &e = icds.entries[0];
        sysStrlCpy(e.name, "libGLX_mesa.so.0", sizeof e.name);
        sysStrlCpy(e.path, "/usr/lib/x86_64-linux-gnu/libGLX_mesa.so.0.0.0", sizeof e.path);
        sysStrlCpy(e.company, "Debian X Strike Force", sizeof e.company);
        sysStrlCpy(e.description, "free implementation of the OpenGL API", sizeof e.description);
        sysStrlCpy(e.version, "22.3.6-1+deb12u1", sizeof e.version);

        db = tsDatabaseCreate(TESSERA_SOURCE_DIR "/data/extensions.xml");
        for (int r = 0; r < 2; ++r) {
            caps[r].size = sizeof(tsRendererCaps);
            if (!tsInfoBegin(r))
                continue;
            read[r] = tsInfoRead(&caps[r], r) != 0;
            if (read[r] && db) {
                tsDatabaseUpdate(db, &caps[r], &icds, system.system);
                tsInfoSolveDb(db, &caps[r], r);
            }
            tsInfoEnd();
        }
    }
    ~LiveReadings()
    {
        for (auto &c : caps)
            tsInfoRelease(&c);
        tsSystemInfoRelease(&system);
        if (db)
            tsDatabaseRelease(db);
    }
};

// The readings of the test program, made on first use and kept (the
// database and records stay valid for every test).
inline LiveReadings &liveReadings()
{
    static LiveReadings *readings = new LiveReadings;
    return *readings;
}

#endif
