// The summary and extensions pages over the live llvmpipe reading: a refresh
// (tree build, fill and first paint) and one keystroke in the search box.
// The readings come from the private X server; the pages draw offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

#include <clocale>
#include <cstdlib>

#include "app/app_state.h"
#include "app/languages.h"
#include "app/paths.h"
#include "pages/pages.h"
#include "support/viewer_env.h"

namespace {
tessera::AppState *state = nullptr;

template <typename Page>
Page &shownPage()
{
    static Page *page = [] {
        auto *p = new Page(*state);
        p->resize(544, 470);
        p->show();
        QApplication::processEvents();
        return p;
    }();
    return *page;
}

template <typename Page>
void refreshAndPaint(benchmark::State &s)
{
    Page &page = shownPage<Page>();
    for (auto _ : s) {
        page.refresh();
        page.repaint();
        QApplication::processEvents();
    }
}

void ExtensionsRefresh(benchmark::State &s)
{
    refreshAndPaint<tessera::CExtensionTab>(s);
}
BENCHMARK(ExtensionsRefresh)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly();

void SummaryRefresh(benchmark::State &s)
{
    refreshAndPaint<tessera::CMainTab>(s);
}
BENCHMARK(SummaryRefresh)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly();

// One key typed after "MULT" (arg 0: "I", 14 matches on llvmpipe) or into
// an empty box (arg 1: "G", every GL name), list shown.
void Keystroke(benchmark::State &s)
{
    auto &page = shownPage<tessera::CExtensionTab>();
    QLineEdit *box = page.searchBox();
    const bool wide = s.range(0) == 1;
    for (auto _ : s) {
        s.PauseTiming();
        box->setText(wide ? QString() : QStringLiteral("MULT"));
        s.ResumeTiming();
        QKeyEvent press(QEvent::KeyPress, wide ? Qt::Key_G : Qt::Key_I, Qt::NoModifier,
                        wide ? QStringLiteral("G") : QStringLiteral("I"));
        QApplication::sendEvent(box, &press);
        QApplication::processEvents();
    }
    s.counters["matches"] = page.matchList()->count();
}
BENCHMARK(Keystroke)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly();

} // namespace

int main(int argc, char **argv)
{
    ViewerEnvironment env;
    state = new tessera::AppState;
    state->settingsPath = env.settingsFile();
    state->db = tessera::openDatabase("", tessera::shippedDatabasePath(), nullptr);
    tessera::takeReadings(state->db, state->readings, &state->desktop);
    state->setCurrentReading(1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    tessera::textTable().load("en.strings", {});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
