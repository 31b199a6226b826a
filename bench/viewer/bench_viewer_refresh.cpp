// Refresh of every page after a renderer or language switch, over the live
// readings of both drivers (the viewer's own start-up sequence).
#include <benchmark/benchmark.h>

#include <QApplication>

#include <clocale>
#include <cstdlib>

#include "app/app_state.h"
#include "app/languages.h"
#include "app/paths.h"
#include "support/viewer_env.h"
#include "window/main_window.h"

namespace {
tessera::AppState *state = nullptr;
tessera::MainWindow *window = nullptr;
} // namespace

static void RendererSwitch(benchmark::State &s)
{
    int reading = 0;
    for (auto _ : s) {
        window->setRenderer(reading);
        QApplication::processEvents();
        reading ^= 1;
    }
}
BENCHMARK(RendererSwitch)->Unit(benchmark::kMillisecond);

static void LanguageSwitch(benchmark::State &s)
{
    for (auto _ : s) {
        tessera::textTable().load("en.strings", tessera::dataFolders());
        window->refresh();
        QApplication::processEvents();
    }
}
BENCHMARK(LanguageSwitch)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    ViewerEnvironment env;
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    state = new tessera::AppState;
    state->settingsPath = env.settingsFile();
    state->db = tessera::openDatabase("", tessera::shippedDatabasePath(), nullptr);
    tessera::takeReadings(state->db, state->readings, &state->desktop);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    window = new tessera::MainWindow(*state);
    window->show();
    QApplication::processEvents();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    delete window;
    return 0;
}
