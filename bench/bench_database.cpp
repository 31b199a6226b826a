// The extension database with a real reading: loading the shipped file,
// merging one reading of the default driver into it and solving it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "keel/keel.h"
#include "sounder/database.h"
#include "sounder/probe.h"

namespace {

std::string shippedDatabase()
{
    // The data files are copied beside the programs.
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string dir = ".";
    if (n > 0) {
        exe[n] = '\0';
        dir = exe;
        dir = dir.substr(0, dir.rfind('/'));
    }
    return dir + "/extensions.xml";
}

// One reading of the default driver, taken once; its context stays current
// for the whole run because solving needs it.
struct Probe {
    bool ok = false;
    tsRendererCaps caps;
    void open()
    {
        memset(&caps, 0, sizeof caps);
        caps.size = sizeof caps;
        if (tsInfoBegin(1))
            ok = tsInfoRead(&caps, 0) == 1;
    }
    void close()
    {
        tsInfoEnd();
        tsInfoRelease(&caps);
        ok = false;
    }
};
Probe probe;

void BM_DatabaseCreate(benchmark::State &state)
{
    std::string path = shippedDatabase();
    int extensions = 0;
    for (auto _ : state) {
        tsDatabase *db = tsDatabaseCreate(path.c_str());
        extensions = 0;
        for (tsExtension *e = db->extensions; e; e = e->next)
            ++extensions;
        tsDatabaseRelease(db);
    }
    state.counters["extensions"] = extensions;
}
BENCHMARK(BM_DatabaseCreate)->Unit(benchmark::kMillisecond);

// The core versions whose compliance the trees and reports show.
const char *const kVersions[] = {"1.1", "1.2", "1.3", "1.4", "1.5", "2.0", "2.1", "3.0", "3.1",
                                 "3.2", "3.3", "4.0", "4.1", "4.2", "4.3", "4.4", "4.5", "4.6"};

// Create, update with the real reading and solve, as start-up does, then
// the compliance with every core version.
void BM_DatabaseCreateUpdateSolve(benchmark::State &state)
{
    if (!probe.ok) {
        state.SkipWithError("no OpenGL reading (tsInfoBegin failed: is there an X display?)");
        return;
    }
    std::string path = shippedDatabase();
    for (auto _ : state) {
        tsDatabase *db = tsDatabaseCreate(path.c_str());
        tsDatabaseUpdate(db, &probe.caps, nullptr, "Linux");
        tsInfoSolveDb(db, &probe.caps, 1);
        db->currentReading = 1;
        for (const char *v : kVersions) {
            int supported = 0, total = 0;
            tsDatabaseTestCompliance(db, &probe.caps, v, &supported, &total);
            benchmark::DoNotOptimize(supported);
        }
        tsDatabaseRelease(db);
    }
}
BENCHMARK(BM_DatabaseCreateUpdateSolve)->Unit(benchmark::kMillisecond);

// The merge alone, on a database that already knows the reading (the
// usual case at every start after the first).
void BM_DatabaseUpdateKnown(benchmark::State &state)
{
    if (!probe.ok) {
        state.SkipWithError("no OpenGL reading (tsInfoBegin failed: is there an X display?)");
        return;
    }
    tsDatabase *db = tsDatabaseCreate(shippedDatabase().c_str());
    tsDatabaseUpdate(db, &probe.caps, nullptr, "Linux");
    for (auto _ : state)
        benchmark::DoNotOptimize(tsDatabaseUpdate(db, &probe.caps, nullptr, "Linux"));
    tsDatabaseRelease(db);
}
BENCHMARK(BM_DatabaseUpdateKnown)->Unit(benchmark::kMicrosecond);

void BM_DatabaseSolve(benchmark::State &state)
{
    if (!probe.ok) {
        state.SkipWithError("no OpenGL reading (tsInfoBegin failed: is there an X display?)");
        return;
    }
    tsDatabase *db = tsDatabaseCreate(shippedDatabase().c_str());
    tsDatabaseUpdate(db, &probe.caps, nullptr, "Linux");
    for (auto _ : state)
        benchmark::DoNotOptimize(tsInfoSolveDb(db, &probe.caps, 1));
    tsDatabaseRelease(db);
}
BENCHMARK(BM_DatabaseSolve)->Unit(benchmark::kMicrosecond);

// The compliance with every core version alone, as the trees and reports
// compute it.
void BM_DatabaseCompliance(benchmark::State &state)
{
    if (!probe.ok) {
        state.SkipWithError("no OpenGL reading (tsInfoBegin failed: is there an X display?)");
        return;
    }
    tsDatabase *db = tsDatabaseCreate(shippedDatabase().c_str());
    tsDatabaseUpdate(db, &probe.caps, nullptr, "Linux");
    tsInfoSolveDb(db, &probe.caps, 1);
    db->currentReading = 1;
    for (auto _ : state) {
        for (const char *v : kVersions) {
            int supported = 0, total = 0;
            tsDatabaseTestCompliance(db, &probe.caps, v, &supported, &total);
            benchmark::DoNotOptimize(supported);
        }
    }
    tsDatabaseRelease(db);
}
BENCHMARK(BM_DatabaseCompliance)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    probe.open();
    if (!probe.ok)
        fprintf(stderr, "bench_database: tsInfoBegin failed (no X display with GLX?); the "
                        "benchmarks that need a real reading are skipped\n");
    benchmark::RunSpecifiedBenchmarks();
    probe.close();
    benchmark::Shutdown();
    return 0;
}
