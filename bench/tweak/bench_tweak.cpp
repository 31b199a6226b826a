// A driver switch toggled in a configuration file of 100 options: each
// toggle parses the file (its cached copy is dropped by the previous
// write), splices the value and writes a new file through fsync and rename.
// Target: 10 ms a toggle.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "online/drirc.h"

namespace {

std::string hundredOptions()
{
    std::string text = "<?xml version=\"1.0\" standalone=\"yes\"?>\n<driconf>\n"
                       "  <device driver=\"swrast\">\n    <application name=\"Default\">\n";
    for (int i = 0; i < 100; ++i)
        text += "      <option name=\"option_" + std::to_string(i) + "\" value=\"" +
                (i % 2 ? "true" : "false") + "\"/>\n";
    return text + "    </application>\n  </device>\n</driconf>\n";
}

void BM_ToggleIn100OptionFile(benchmark::State &state)
{
    const char *tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/tessera-bench-XXXXXX";
    if (!mkdtemp(folder.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string file = folder + "/drirc";
    std::ofstream(file) << hundredOptions();
    bool value = true;
    for (auto _ : state) {
        // The middle option, so the splice keeps text on both sides.
        if (!tessera::tweak::writeOption(file, "swrast", "option_50", value)) {
            state.SkipWithError("toggle failed");
            break;
        }
        value = !value;
    }
    if (tessera::tweak::readOption(file, "swrast", "option_50") != (value ? 0 : 1))
        state.SkipWithError("the last toggle did not stick");
    unlink(file.c_str());
    rmdir(folder.c_str());
}
BENCHMARK(BM_ToggleIn100OptionFile)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();
