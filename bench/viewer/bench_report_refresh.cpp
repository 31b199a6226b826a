// The report page's refresh over the live llvmpipe reading: build the whole
// report, render it, convert it and lay it out in the browser, and paint
// the page once.  Qt runs offscreen; the readings come from the X server.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <clocale>
#include <cstdlib>

#include "app/app_state.h"
#include "app/languages.h"
#include "app/paths.h"
#include "pages/report_tab.h"
#include "support/viewer_env.h"

namespace {
tessera::ReportTab *page = nullptr;
} // namespace

static void ReportRefresh(benchmark::State &s)
{
    for (auto _ : s) {
        page->refresh();
        page->repaint();
    }
}
BENCHMARK(ReportRefresh)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

int main(int argc, char **argv)
{
    ViewerEnvironment env;
    auto *state = new tessera::AppState;
    state->settingsPath = env.settingsFile();
    state->db = tessera::openDatabase("", tessera::shippedDatabasePath(), nullptr);
    tessera::takeReadings(state->db, state->readings, &state->desktop);
    state->setCurrentReading(1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    page = new tessera::ReportTab(*state);
    page->resize(540, 480);
    page->show();
    QApplication::processEvents();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    delete page;
    return 0;
}
