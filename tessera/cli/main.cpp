/* tessera-cli: prints this machine's OpenGL report through sounder's client
 * interface, as an outside program would.  The ts* exports are used only
 * for what the client documents do not carry (the failure log and whether
 * the loaded database holds anything) and for the presentation layer that
 * every front end shares: reading document attributes, building and
 * rendering the report's pieces of a reading the client holds (the plain
 * report takes them from the reading directly rather than writing the
 * report and tree documents and parsing them back), counting compliance. */
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "app/paths.h"
#include "keel/keel.h"
#include "sounder/client.h"
#include "sounder/database.h"
#include "sounder/probe.h"
#include "sounder/rendertest.h"
#include "sounder/reportfile.h"
#include "sounder/system.h"

#include "cli.h"
#include "describe.h"
#include "online_cli.h"

#ifndef TESSERA_VERSION
#define TESSERA_VERSION "0.0.0"
#endif

using namespace tessera::cli;

namespace {

bool g_progress = false;

bool fileExists(const std::string &path)
{
    return ::access(path.c_str(), R_OK) == 0;
}

/* The shipped database (the viewer's search); when there is none, the path
 * beside the program, so that the error names it. */
std::string defaultDatabase()
{
    const std::string shipped = tessera::shippedDatabasePath();
    return shipped.empty() ? tessera::programDirectory() + "/extensions.xml" : shipped;
}

/* The database a run is held against, and the user copy that what the
 * readings add is written back to ("" when nothing is written: --database
 * names the file, --no-save, or there is no home folder). */
struct DatabaseChoice {
    std::string path;
    std::string userCopy;
};

/* The user copy when it loads with extensions and is not older than the
 * shipped database (the viewer's rule, from the same routine), else the
 * shipped one.  Decided once per run. */
const DatabaseChoice &databaseChoice(const Options &options)
{
    static bool decided = false;
    static DatabaseChoice choice;
    if (decided)
        return choice;
    decided = true;
    if (!options.database.empty()) {
        choice.path = options.database;
        return choice;
    }
    const std::string shipped = defaultDatabase();
    const std::string user = tessera::userDatabasePath();
    choice.path = shipped;
    struct stat st;
    if (!user.empty() && ::stat(user.c_str(), &st) == 0) {
        std::string from;
        tsDatabaseRelease(
            tessera::openDatabase(user, fileExists(shipped) ? shipped : std::string(), &from));
        if (from == user)
            choice.path = user;
    }
    if (!options.noSave)
        choice.userCopy = user;
    return choice;
}

/* Writes what the readings added back into the user copy.  A failure is
 * named on standard error; the run's status stays what the run gives. */
void saveDatabase(const Options &options, tsDatabase *db)
{
    const std::string &path = databaseChoice(options).userCopy;
    if (path.empty() || !db)
        return;
    std::string reason;
    if (!tessera::writeUserDatabase(db, path, &reason))
        std::fprintf(stderr, "tessera-cli: the database could not be saved: %s\n", reason.c_str());
    else if (g_progress)
        std::fprintf(stderr, "tessera-cli: what the readings added is saved in %s\n", path.c_str());
}

/* Reads a whole text file through keel, which refuses anything longer than
 * SYS_FILE_READ_LIMIT, so an endless input (/dev/zero) cannot exhaust
 * memory. */
bool readFile(const std::string &path, std::string &text, std::string &error)
{
    char *buffer = nullptr;
    sysSize size = 0;
    if (sysFileReadToBuffer(path.c_str(), &buffer, &size) != 0 || !buffer) {
        if (errno == EFBIG)
            error = path + " is larger than " +
                    std::to_string(SYS_FILE_READ_LIMIT / (1024 * 1024)) + " MiB";
        else
            error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    text.assign(buffer, static_cast<size_t>(size));
    sysFileFreeBuffer(buffer);
    if (text.find('\0') != std::string::npos) {
        error = path + " is not a text file";
        return false;
    }
    return true;
}

void printLog(FILE *to)
{
    const char *log = tsReportGetLogFile();
    if (log && *log)
        std::fputs(unixLines(log).c_str(), to);
}

/* The failure log of one reading of lumClientInitialize. */
void printReadingLog(int renderer)
{
    const char *log = lumClientGetReadingLog(renderer);
    if (log && *log)
        std::fputs(unixLines(log).c_str(), stderr);
}

/* Why nothing could be opened when no display is named at all. */
const char *noDisplayHint()
{
    const char *display = std::getenv("DISPLAY");
    const char *platform = std::getenv("TESSERA_PLATFORM");
    if (display && *display)
        return "";
    return platform && std::strcmp(platform, "glx") == 0
               ? " (DISPLAY is not set: no X display to open)"
               : " (DISPLAY is not set and EGL made no context)";
}

int fail(const std::string &message)
{
    std::fprintf(stderr, "tessera-cli: %s\n", message.c_str());
    return kExitFailure;
}

void printDocument(const char *document)
{
    if (document)
        std::fputs(unixLines(document).c_str(), stdout);
}

/* Prints a list document; a list without entries means that the display
 * could not be asked (every X display has a mode and an output). */
int printList(const char *document, const char *entry, const char *what)
{
    const std::string text(document ? document : "");
    if (text.find(entry) == std::string::npos) {
        const char *platform = std::getenv("TESSERA_PLATFORM");
        const char *display = std::getenv("DISPLAY");
        const bool egl = platform ? std::strcmp(platform, "egl") == 0 : !display || !*display;
        return fail(std::string("no ") + what +
                    (egl ? " could be read: no connected display (without an X server they come "
                           "from the kernel's DRM connectors)"
                         : " could be read: no X display (is DISPLAY set to a running "
                           "X server with the RandR extension?)"));
    }
    printDocument(text.c_str());
    return kExitSuccess;
}

/* Loads the database and reads both renderers; meanwhile (when given)
 * runs while the readers take their readings.  Returns 0 when the chosen
 * renderer holds a reading, else the exit status. */
int readRenderers(const Options &options, const std::function<void()> &meanwhile = {})
{
    /* With a renderer named, only its reader runs; otherwise both do, and a
     * failure of the other one is named below.  The readers start first and
     * take their readings while the database loads. */
    lumClientSetReadings(options.rendererGiven ? 1 << options.renderer : 0);
    const auto start = std::chrono::steady_clock::now();
    lumClientStartReadings();

    const std::string path = databaseChoice(options).path;
    std::string text, error;
    if (!readFile(path, text, error))
        return fail(error);
    tsDatabase *db = lumClientLoadDatabase(text.c_str());
    if (!db || (!db->extensions && !db->coreVersions))
        return fail(path + " holds no extension database");
    if (!tsDatabaseIsComplete(db))
        std::fprintf(stderr,
                     "tessera-cli: warning: %s is incomplete (cut short?); the compliance "
                     "figures may be wrong\n",
                     path.c_str());

    if (g_progress)
        lumClientSetProgress(
            [](const char *step, void *) {
                std::fprintf(stderr, "tessera-cli: reading %s...\n", step);
            },
            nullptr);
    if (meanwhile)
        meanwhile();
    const int added = lumClientInitialize();
    if (g_progress) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        std::fprintf(stderr, "tessera-cli: read in %lld ms\n", static_cast<long long>(ms));
    }
    if (added == 1)
        saveDatabase(options, db);

    /* An unfilled record (one whose capability tree would have no items):
     * the reading's log says why.  Only the chosen renderer ends the run.
     * The record is asked directly; building a tree to count its items
     * costs a whole tree. */
    auto unread = [](int renderer) {
        const tsRendererCaps *caps = lumClientGetReading(renderer, nullptr, nullptr, nullptr);
        return !caps || !caps->filled;
    };
    const int other = 1 - options.renderer;
    if (!options.rendererGiven && unread(other)) {
        std::fprintf(stderr, "tessera-cli: renderer %d could not be read:\n", other);
        printReadingLog(other);
    }
    if (unread(options.renderer)) {
        std::fprintf(stderr, "tessera-cli: no OpenGL context could be made for renderer %d%s\n",
                     options.renderer, noDisplayHint());
        printReadingLog(options.renderer);
        return kExitFailure;
    }
    return 0;
}

/* A live reading, once both renderers were read. */
Reading liveReading(int renderer)
{
    Reading r;
    r.source = "reading:" + std::to_string(renderer);
    r.caps = lumClientGetReading(renderer, &r.system, &r.icd, &r.db);
    r.reading = renderer;
    return r;
}

/* Writes a whole document to standard output in one piece. */
int printWhole(const std::string &document, int status)
{
    std::fwrite(document.data(), 1, document.size(), stdout);
    return status;
}

/* The plain report of the chosen reading, built from the reading itself:
 * the report's pieces rendered as they are built and the compliance
 * figures counted from the database, without writing and parsing back a
 * report or tree document. */
int runReport(const Options &options, std::vector<tsReportPiece> room)
{
    return printWhole(plainReport(liveReading(options.renderer), options.verify, std::move(room)),
                      kExitSuccess);
}

/* What the option document holds: how many rendering-test elements and
 * whether one of them picks a unit.  A file that holds none is not an
 * option document. */
struct OptionScan {
    int known = 0;
    std::vector<std::string> testValues; /* of the test elements, in order */
};

OptionScan scanOptionDocument(const std::string &text)
{
    OptionScan scan;
    sysXmlCallbacks callbacks;
    callbacks.user = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&scan));
    callbacks.onElement = [](uint64_t user, char *name, char *value) -> int {
        static const char *const kNames[] = {
            "option",      "anisotropy", "multisample", "texturelod", "renderer",
            "displaymode", "test",       "pixelformat", "fbenable",   "fbformat"};
        auto *scan = reinterpret_cast<OptionScan *>(static_cast<uintptr_t>(user));
        std::string word(name ? name : "");
        const size_t blank = word.find_first_of(" \t\r\n");
        if (blank != std::string::npos)
            word.resize(blank);
        for (const char *k : kNames) {
            if (sysStriCmp(word.c_str(), k) == 0) {
                ++scan->known;
                if (sysStriCmp(k, "test") == 0)
                    scan->testValues.push_back(value ? value : "");
            }
        }
        return 0;
    };
    callbacks.onTag = [](uint64_t, char *) -> int { return 0; };
    callbacks.onCData = nullptr;
    sysXmlParseDocument(&callbacks, text.c_str());
    return scan;
}

struct UnitResult {
    std::string name;
    bool run = false;
    std::string fps = "-1";
};

/* Reads the results document of the last run into results (units that ran
 * only). */
void collectResults(std::vector<UnitResult> &results)
{
    size_t unit = 0;
    for (const DocumentEvent &e : documentEvents(lumGetRenderingTestResults())) {
        if (e.end || e.name != "t")
            continue;
        if (unit >= results.size())
            results.resize(unit + 1);
        UnitResult &r = results[unit++];
        r.name = attribute(e, "name");
        if (attribute(e, "run") == "1") {
            r.run = true;
            r.fps = attribute(e, "fps");
        }
    }
}

int runTests(const Options &options)
{
    std::string text, error;
    if (!readFile(options.optionFile, text, error))
        return fail(error);
    const OptionScan scan = scanOptionDocument(text);
    if (scan.known == 0)
        return fail(options.optionFile +
                    " holds no rendering-test options (elements option, test, "
                    "anisotropy, multisample, texturelod, renderer, displaymode)");
    /* A unit number that is not one (12, -1, 1.5, "two") would otherwise be
     * read as far as it goes and run another unit than the one meant. */
    int unit = -1;
    std::string bad;
    if (!pickedUnit(scan.testValues, LUM_TEST_UNITS, unit, bad)) {
        std::fprintf(stderr,
                     "tessera-cli: %s: <test> takes a unit number from 0 to %d, not \"%s\" "
                     "(--tests lists the units)\nTry 'tessera-cli --help'.\n",
                     options.optionFile.c_str(), LUM_TEST_UNITS - 1, bad.c_str());
        return kExitUsage;
    }
    /* --renderer picks the renderer over the document's own choice: the
     * last renderer element counts. */
    if (options.rendererGiven)
        text += "\n<renderer>" + std::to_string(options.renderer) + "</renderer>\n";

    /* A document that picks no unit runs all seven; they run one call each
     * (a test element in front picks the unit), so that progress can name
     * the unit and the failure log of each unit is kept. */
    std::vector<std::string> names(LUM_TEST_UNITS);
    {
        size_t unit = 0;
        for (const DocumentEvent &e : documentEvents(lumGetRenderingTests()))
            if (!e.end && e.name == "t" && unit < names.size())
                names[unit++] = attribute(e, "name");
    }
    std::vector<std::string> documents;
    std::vector<std::string> unitNames;
    if (unit >= 0) {
        documents.push_back(text);
        unitNames.push_back(names[static_cast<size_t>(unit)]);
    } else {
        for (int i = 0; i < LUM_TEST_UNITS; ++i) {
            documents.push_back("<test>" + std::to_string(i) + "</test>\n" + text);
            unitNames.push_back(names[static_cast<size_t>(i)]);
        }
    }

    std::vector<UnitResult> results(LUM_TEST_UNITS);
    std::string log;
    bool displayLost = false;
    for (size_t k = 0; k < documents.size(); ++k) {
        if (g_progress)
            std::fprintf(stderr, "tessera-cli: running %s (%zu/%zu, 5 s)...\n",
                         unitNames[k].c_str(), k + 1, documents.size());
        const int result = lumRunRenderingTests(documents[k].c_str());
        if (result == -2) {
            std::fprintf(stderr, "tessera-cli: %s was refused:\n", options.optionFile.c_str());
            printLog(stderr);
            return kExitFailure;
        }
        if (result == -1) {
            std::fprintf(stderr,
                         "tessera-cli: no OpenGL context could be made for the rendering tests%s\n",
                         noDisplayHint());
            printLog(stderr);
            return kExitFailure;
        }
        if (result != 0 && result != TS_TEST_DISPLAY_LOST) {
            std::fprintf(stderr, "tessera-cli: the rendering tests failed (%d)\n", result);
            printLog(stderr);
            return kExitFailure;
        }
        std::vector<UnitResult> run(LUM_TEST_UNITS);
        collectResults(run);
        for (size_t i = 0; i < run.size() && i < results.size(); ++i) {
            if (results[i].name.empty())
                results[i].name = run[i].name;
            if (run[i].run)
                results[i] = run[i];
        }
        if (tsReportHasErrors() > 0)
            log += unixLines(tsReportGetLogFile());
        if (result == TS_TEST_DISPLAY_LOST) {
            /* The units measured so far keep their rates; the later ones
             * cannot run without a display and count as failed. */
            displayLost = true;
            for (size_t j = k + 1; j < documents.size() && j < results.size(); ++j) {
                results[j].name = names[j];
                results[j].run = true;
                results[j].fps = "-1";
            }
            break;
        }
    }

    for (const UnitResult &r : results) {
        if (!r.run)
            std::printf("%-28s not run\n", r.name.c_str());
        else if (r.fps == "-1")
            std::printf("%-28s failed\n", r.name.c_str());
        else
            std::printf("%-28s %s fps\n", r.name.c_str(), r.fps.c_str());
    }
    if (!log.empty()) {
        std::fputs("\nFailure log:\n", stdout);
        std::fputs(log.c_str(), stdout);
    }
    if (displayLost) {
        std::fputs("tessera-cli: the display connection was lost during the rendering tests\n",
                   stderr);
        return kExitFailure;
    }
    return kExitSuccess;
}

/* The database document the report files are held against. */
bool databaseText(const Options &options, std::string &text, std::string &error)
{
    return readFile(databaseChoice(options).path, text, error);
}

/* Loads a report file for side (empty for --report); warns about a file
 * cut short. */
bool loadReport(const Options &options, const std::string &path, const std::string &side,
                LoadedReport &report, std::string &error)
{
    std::string db;
    if (!databaseText(options, db, error))
        return false;
    bool incomplete = false;
    if (!report.load(path, db, error, incomplete)) {
        if (!side.empty())
            error = "side " + side + ": " + error;
        return false;
    }
    if (incomplete)
        std::fprintf(stderr,
                     "tessera-cli: warning: %s is incomplete (cut short or without a renderer); "
                     "it is described as far as it could be read\n",
                     path.c_str());
    return true;
}

/* Writes the report file into the folder --xml-report names, making the
 * folder (and its parents) when missing, and prints the file's path.  A
 * failure says why: the system's reason, or the path limit of the report
 * file. */
int writeXmlReport(const Options &options)
{
    const std::string &folder = options.folder;
    const std::string what = "cannot write the report file into " + folder;
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return fail(what + ": " + std::strerror(errno));
        if (!tessera::makeFolders(folder))
            return fail(what + ": the folder cannot be made: " + std::strerror(errno));
    } else if (!S_ISDIR(st.st_mode)) {
        return fail(what + ": not a folder");
    }
    const tsRendererCaps *caps = lumClientGetReading(options.renderer, nullptr, nullptr, nullptr);
    if (caps && caps->filled) {
        char name[TS_REPORT_FILENAME_SIZE];
        tsFormatReportFilename(name, caps, "XML");
        if (folder.size() + 1 + std::strlen(name) >= LUM_PATH_SIZE)
            return fail(what + ": the file's path (" + folder + "/" + name + ") is longer than " +
                        std::to_string(LUM_PATH_SIZE - 1) + " bytes");
    }
    errno = 0;
    const char *path = lumGenerateReport(folder.c_str(), options.renderer);
    const int error = errno;
    if (!path) {
        if (::access(folder.c_str(), W_OK) != 0)
            return fail(what + ": " + std::strerror(errno));
        return fail(what + ": " +
                    (error ? std::strerror(error) : "the report file could not be written"));
    }
    std::printf("%s\n", path);
    return kExitSuccess;
}

int runSavedReport(const Options &options)
{
    LoadedReport report;
    std::string error;
    if (!loadReport(options, options.reportFile, "", report, error))
        return fail(error);
    const Reading r = report.reading();
    if (options.action == Action::Caps)
        return printWhole(limitsSection(r.caps), kExitSuccess);
    if (options.json)
        return printWhole(jsonText(reportJson({r}, "")), kExitSuccess);
    return printWhole(plainReport(r, options.verify), kExitSuccess);
}

int runJson(const Options &options)
{
    std::vector<Reading> readings;
    for (int i = 0; i < 2; ++i) {
        if (options.rendererGiven && i != options.renderer)
            continue;
        const Reading r = liveReading(i);
        if (r.caps && r.caps->filled)
            readings.push_back(r);
    }
    return printWhole(jsonText(reportJson(readings, unixLines(tsReportGetLogFile()))),
                      kExitSuccess);
}

/* "reading:0" and "reading:1" name a live reading; -1 for a file. */
int liveSide(const std::string &side)
{
    if (side == "reading:0")
        return 0;
    if (side == "reading:1")
        return 1;
    return -1;
}

int runDiff(const Options &options)
{
    const std::string names[2] = {options.diffA, options.diffB};
    const char *const sides[2] = {"A", "B"};
    for (int k = 0; k < 2; ++k)
        if (liveSide(names[k]) < 0 && names[k].compare(0, 8, "reading:") == 0) {
            std::fprintf(stderr,
                         "tessera-cli: side %s: \"%s\" names no reading (reading:0 or "
                         "reading:1; a file of that name is given as ./%s)\n",
                         sides[k], names[k].c_str(), names[k].c_str());
            return kExitUsage;
        }

    LoadedReport files[2];
    Reading readings[2];
    for (int k = 0; k < 2; ++k) {
        if (liveSide(names[k]) >= 0)
            continue;
        std::string error;
        if (!loadReport(options, names[k], std::string(sides[k]) + " (" + names[k] + ")", files[k],
                        error))
            return fail(error);
        readings[k] = files[k].reading();
    }
    bool read = false;
    for (int k = 0; k < 2; ++k) {
        const int index = liveSide(names[k]);
        if (index < 0)
            continue;
        if (!read) {
            Options live = options;
            live.renderer = index;
            const int status = readRenderers(live);
            if (status != 0) {
                std::fprintf(stderr, "tessera-cli: side %s (%s) cannot be read\n", sides[k],
                             names[k].c_str());
                return status;
            }
            read = true;
        }
        readings[k] = liveReading(index);
        if (!readings[k].caps || !readings[k].caps->filled) {
            std::fprintf(stderr,
                         "tessera-cli: side %s (%s) cannot be read: no OpenGL context could be "
                         "made for renderer %d\n",
                         sides[k], names[k].c_str(), index);
            printLog(stderr);
            return kExitFailure;
        }
    }

    const Difference d = compareReadings(readings[0], readings[1]);
    const int status = d.equal() ? kExitSuccess : kExitDiffer;
    auto label = [](const Reading &r) {
        return r.source + (r.caps->renderer ? std::string(" (") + r.caps->renderer + ")" : "");
    };
    if (options.json)
        return printWhole(jsonText(differenceJson(d, names[0], names[1])), status);
    return printWhole(differenceText(d, label(readings[0]), label(readings[1])), status);
}

int run(int argc, char **argv)
{
    int onlineStatus = 0;
    if (runOnlineCommand(argc, argv, defaultDatabase, onlineStatus))
        return onlineStatus;
    Options options;
    std::string error;
    if (!parseArguments(argc, argv, options, error)) {
        std::fprintf(stderr, "tessera-cli: %s\nTry 'tessera-cli --help'.\n", error.c_str());
        return kExitUsage;
    }
    g_progress = ::isatty(STDERR_FILENO) == 1;
    /* The library (and any reader process it starts) takes the choice from
     * the environment. */
    if (!options.platform.empty())
        ::setenv("TESSERA_PLATFORM", options.platform.c_str(), 1);

    switch (options.action) {
    case Action::Help: std::fputs(usageText().c_str(), stdout); return kExitSuccess;
    case Action::Version: std::printf("tessera-cli %s\n", TESSERA_VERSION); return kExitSuccess;
    case Action::Modes:
        return printList(lumClientGetDisplayModeList(nullptr), "<mode ", "display modes");
    case Action::Monitors: return printList(lumClientGetMonitorList(), "<device ", "monitors");
    case Action::Tests: printDocument(lumGetRenderingTests()); return kExitSuccess;
    case Action::RunTests: return runTests(options);
    case Action::Diff: return runDiff(options);
    case Action::Report:
    case Action::Caps:
        if (!options.reportFile.empty())
            return runSavedReport(options);
        break;
    case Action::XmlReport:
    case Action::Tree:
    case Action::PixelFormats: break;
    }

    /* The plain report's pieces get their room while the readers work. */
    std::vector<tsReportPiece> room;
    const bool plain = options.action == Action::Report && !options.json;
    const int status = readRenderers(options, [&] {
        if (plain)
            room = reportRoom();
    });
    if (status != 0)
        return status;

    switch (options.action) {
    case Action::XmlReport: return writeXmlReport(options);
    case Action::Tree:
        printDocument(options.capsTree ? lumClientGetCapsAndExtTree(options.renderer)
                                       : lumClientGetMainTree(options.renderer));
        return kExitSuccess;
    case Action::PixelFormats: {
        printDocument(lumClientGetPixelFormats(options.renderer));
        const tsRendererCaps *caps =
            lumClientGetReading(options.renderer, nullptr, nullptr, nullptr);
        if (caps && caps->pixelFormatCount >= TS_MAX_PIXEL_FORMATS)
            std::fprintf(stderr,
                         "tessera-cli: note: the list holds the first %d pixel formats; a "
                         "reading keeps no more, and the display may offer more\n",
                         TS_MAX_PIXEL_FORMATS);
        return kExitSuccess;
    }
    case Action::Caps:
        std::fputs(
            limitsSection(lumClientGetReading(options.renderer, nullptr, nullptr, nullptr)).c_str(),
            stdout);
        return kExitSuccess;
    default: return options.json ? runJson(options) : runReport(options, std::move(room));
    }
}

} // namespace

int main(int argc, char **argv)
{
    const int status = run(argc, argv);
    /* Output that could not be written (a full disk, a closed pipe) is a
     * failure, not a success with a cut listing. */
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "tessera-cli: cannot write the output: %s\n", std::strerror(errno));
        return status == kExitSuccess ? kExitFailure : status;
    }
    return status;
}
