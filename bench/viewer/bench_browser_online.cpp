// The database browser's refresh modes 0 and 3 (over the shipped database
// with both live readings, and over a generated one of 2,000 renderers and
// 150,000 links), and the whole database download: fetch over loopback
// HTTP and FTP, read the archive, check, install with both readings, write.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <clocale>
#include <cstdlib>
#include <string>

#include "app/app_state.h"
#include "app/languages.h"
#include "app/paths.h"
#include "controls/icon_list.h"
#include "online.h"
#include "pages/browser_tab.h"
#include "sounder/database.h"
#include "support/loopback_servers.h"
#include "support/viewer_env.h"

namespace {

tessera::AppState *live = nullptr;
tessera::AppState *generated = nullptr;
LoopbackServers *servers = nullptr;
TempDir *scratch = nullptr;

// 20 vendors of 100 renderers each on three systems; 1,500 extensions of
// 100 links each, spread over the renderers.
std::string generatedDatabase()
{
    static const char *const systems[] = {"Win", "Linux", "Mac"};
    std::string text = "<tessera version=\"1\">\n";
    for (int e = 0; e < 1500; ++e) {
        text += "<ext name=\"GL_GEN_extension_" + std::to_string(e) + "\">\n";
        for (int k = 0; k < 100; ++k) {
            const int r = (e * 7 + k * 20) % 2000;
            text += "<renderer vendor=\"Vendor " + std::to_string(r % 20) + "\" name=\"Renderer " +
                    std::to_string(r) + "\" version=\"" + std::to_string(e % 50) + ".0\" os=\"" +
                    systems[r % 3] + "\"/>\n";
        }
        text += "</ext>\n";
    }
    return text + "</tessera>\n";
}

tessera::BrowserTab *page(tessera::AppState *state)
{
    auto *tab = new tessera::BrowserTab(*state);
    tab->resize(800, 600);
    tab->refresh(0);
    return tab;
}

void Mode0(benchmark::State &s, tessera::AppState *state)
{
    tessera::BrowserTab *tab = page(state);
    for (auto _ : s)
        tab->refresh(0);
    s.counters["extensions"] = static_cast<double>(tab->model().extensions().size());
    s.counters["renderers"] = static_cast<double>(tab->model().renderers().size());
    delete tab;
}

// Two extensions chosen that share renderers, then mode 3.
void Mode3(benchmark::State &s, tessera::AppState *state)
{
    tessera::BrowserTab *tab = page(state);
    const bool shipped = state == live;
    const QStringList names =
        shipped ? QStringList{"GL_ARB_multitexture", "GL_ARB_vertex_buffer_object"}
                : QStringList{"GL_GEN_extension_0", "GL_GEN_extension_20"};
    for (auto _ : s) {
        s.PauseTiming();
        tab->refresh(0);
        {
            const QSignalBlocker block(tab->extensionList());
            for (const QString &name : names)
                for (QListWidgetItem *item :
                     tab->extensionList()->findItems(name, Qt::MatchExactly))
                    item->setSelected(true);
        }
        s.ResumeTiming();
        tab->refresh(3);
    }
    s.counters["renderers"] = static_cast<double>(tab->model().renderers().size());
    delete tab;
}

void Download(benchmark::State &s, bool ftp)
{
    tessera::online::HeldReading held[2];
    for (int i = 0; i < 2; ++i) {
        held[i].caps = &live->readings[i].caps;
        held[i].icd = &live->readings[i].icd;
        held[i].systemName = live->readings[i].system.system;
    }
    const std::string url = ftp ? servers->ftp("good.zip") : servers->http("good.zip");
    const std::string path = scratch->file("user/extensions.xml");
    for (auto _ : s) {
        std::string text;
        if (tessera::online::fetchDatabase(url, nullptr, text) != 0 ||
            tessera::online::installDatabase(&live->db, text, held, path) != 0) {
            s.SkipWithError("download or install failed");
            break;
        }
    }
}

} // namespace

BENCHMARK_CAPTURE(Mode0, shipped, live)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Mode3, shipped, live)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Mode0, generated, generated)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Mode3, generated, generated)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Download, http, false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(Download, ftp, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

int main(int argc, char **argv)
{
    ViewerEnvironment env;
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    live = new tessera::AppState;
    live->db = tessera::openDatabase("", tessera::shippedDatabasePath(), nullptr);
    tessera::takeReadings(live->db, live->readings, &live->desktop);
    live->setCurrentReading(1);
    generated = new tessera::AppState;
    generated->db = tsDatabaseCreateFromCString(generatedDatabase().c_str());
    scratch = new TempDir;
    servers = new LoopbackServers(scratch->sub("served"), tessera::shippedDatabasePath());
    if (!servers->ready() || !servers->hasFtp()) {
        std::fprintf(stderr, "the loopback servers did not start (python3-pyftpdlib?)\n");
        return 1;
    }
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    delete servers;
    delete scratch;
    return 0;
}
