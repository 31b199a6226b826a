/* tessera-reader: takes one reading of a driver in a process of its own and
 * writes it to standard output for sounder's tsInfoReadAll.
 *
 *   tessera-reader --reading 0|1 [--system] [--drivers] [--parent PID]
 *
 * Reading 0 is the software rasteriser (the caller puts its selecting
 * variables into this process's environment), reading 1 the display's
 * default driver, falling back to the software rasteriser as the viewer
 * does.  Standard input holds the entry-point names to check, one a line;
 * the answer says for each whether the reading's context resolves it.  The
 * names are read only once the record is taken, so the caller may start the
 * reader first and send them when its database is loaded.  A driver that
 * crashes or hangs takes only this process down. */
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/atomic_file.h"
#include "probe/display.h"
#include "probe/info_internal.h"
#include "probe/reading_format.h"
#include "sounder/probe.h"
#include "sounder/system.h"

namespace {

constexpr size_t kMaxQuestionBytes = 8u << 20;

/* Standard input from its start: pread where it is a file (readers may
 * share one open file), read where it is a pipe or socket. */
bool readQuestions(std::vector<std::string> &names)
{
    std::string text;
    char buffer[65536];
    off_t offset = 0;
    bool seekable = true;
    for (;;) {
        ssize_t n = seekable ? pread(0, buffer, sizeof buffer, offset) : -1;
        if (n < 0 && seekable && errno == ESPIPE) {
            seekable = false;
            continue;
        }
        if (!seekable)
            n = read(0, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        offset += n;
        text.append(buffer, static_cast<size_t>(n));
        if (text.size() > kMaxQuestionBytes)
            return false;
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos)
            nl = text.size();
        if (nl > start)
            names.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return true;
}

int usage()
{
    fputs("usage: tessera-reader --reading 0|1 [--system] [--drivers] [--parent PID]\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    int reading = -1;
    bool system = false, drivers = false;
    long parent = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--reading" && i + 1 < argc) {
            const std::string v = argv[++i];
            if (v != "0" && v != "1")
                return usage();
            reading = v[0] - '0';
        } else if (arg == "--parent" && i + 1 < argc) {
            parent = strtol(argv[++i], nullptr, 10);
        } else if (arg == "--system") {
            system = true;
        } else if (arg == "--drivers") {
            drivers = true;
        } else {
            return usage();
        }
    }
    if (reading < 0)
        return usage();

    /* A reader whose caller is gone has no one to answer. */
    if (parent > 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != static_cast<pid_t>(parent))
            return 3;
    }

    sounder::ReadingAnswer answer;
    tsReportSetLogFile();
    tsRendererCaps caps;
    memset(&caps, 0, sizeof caps);
    caps.size = sizeof caps;
    answer.opened = tsInfoBegin(reading) != 0 || (reading == 1 && tsInfoBegin(0) != 0);

    /* The system is described on the probe's connection, so that the whole
     * reading keeps to one. */
    if (system || drivers) {
        sounder::SharedDisplayScope lend(infoProbeXConnection());
        tsSystemInfo info;
        memset(&info, 0, sizeof info);
        tsIcdList list;
        memset(&list, 0, sizeof list);
        tsDescribeSystem(&info, drivers ? &list : nullptr, 0);
        if (system)
            sounder::answerFromSystem(answer, info);
        if (drivers) {
            answer.hasDrivers = true;
            answer.drivers = list;
        }
        tsSystemInfoRelease(&info);
    }

    if (answer.opened) {
        answer.readOk = tsInfoRead(&caps, 0) != 0;
        /* The names are asked while the context is still current. */
        std::vector<std::string> names;
        if (!readQuestions(names)) {
            fputs("tessera-reader: cannot read the entry-point names\n", stderr);
            _exit(4);
        }
        answer.entryPointsCheckable = infoEntryPointsCheckable() != 0;
        answer.entryPoints.reserve(names.size());
        for (const std::string &name : names)
            answer.entryPoints.push_back(infoHasEntryPoint(name.c_str()) ? 1 : 0);
        /* The context is left to the exit: tearing the driver down first
         * would only keep the caller waiting for the answer. */
    }
    sounder::answerFromRecord(answer, caps);
    tsInfoRelease(&caps);
    answer.log = tsReportGetLogFile();
    answer.failures = static_cast<uint32_t>(tsReportHasErrors());

    const std::string encoded = sounder::encodeReading(answer);
    const bool written = sounder::writeWhole(1, encoded.data(), encoded.size());
    /* Driver clean-up at exit has nothing left to give: leave at once. */
    _exit(written ? 0 : 5);
}
