// tessera-cli's plain report as a person reads it, the files it writes (the
// report folder, the user copy of the database) and the choices it checks,
// from runs of the built program on the private X server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace {

const std::string kBin = TESSERA_BIN_DIR "/tessera-cli";
const std::string kShipped = TESSERA_BIN_DIR "/extensions.xml";

CliRun cli(const std::string &args, const std::string &env = "")
{
    return runCli(kBin, args, env);
}

// The text from the line start up to (not including) the line start end.
std::string between(const std::string &text, const std::string &start, const std::string &end)
{
    const size_t a = text.find(start);
    if (a == std::string::npos)
        return std::string();
    const size_t b = text.find(end, a);
    return text.substr(a, b == std::string::npos ? std::string::npos : b - a);
}

int linesWith(const std::string &text, const std::string &what)
{
    int n = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        n += line.find(what) != std::string::npos;
    return n;
}

// The count that the summary of the entry-point verification gives for the
// kind of line described by what (0 when it names none).
int summaryCount(const std::string &report, const std::string &what)
{
    std::istringstream in(between(report, "Extension verification", "\nLimits:\n"));
    for (std::string line; std::getline(in, line);)
        if (line.find(what) != std::string::npos)
            return std::atoi(line.c_str());
    return 0;
}

bool exists(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

// The verification is counted by default and listed whole with --verify:
// every count matches the lines it stands for, and the rest of the report
// (limits and compliance) is the same.
TEST(CliReport, VerificationIsCountedAndListedWithVerify)
{
    const CliRun counted = cli("--renderer 1");
    const CliRun whole = cli("--renderer 1 --verify");
    ASSERT_EQ(counted.status, 0) << counted.err;
    ASSERT_EQ(whole.status, 0) << whole.err;
    struct Kind {
        const char *summary, *line;
    };
    const Kind kinds[] = {
        {"entry points of listed extensions that did not resolve", " missing !"},
        {"entry points that resolved for extensions the driver does not list",
         " not in list but has the entry point "},
        {"extensions added to the database by this reading", " was added to the database for "},
    };
    int total = 0;
    for (const Kind &k : kinds) {
        const int lines = linesWith(whole.out, k.line);
        EXPECT_EQ(summaryCount(counted.out, k.summary), lines) << k.summary;
        EXPECT_EQ(linesWith(counted.out, k.line), 0) << k.line;
        total += lines;
    }
    EXPECT_GT(total, 100) << "a fresh database learns this driver's extensions";
    EXPECT_NE(counted.out.find("tessera-cli --verify lists each line"), std::string::npos);
    // The explanation of what a present entry point means stays.
    EXPECT_NE(counted.out.find("\nAn entry point counts as present"), std::string::npos);
    const size_t limits = counted.out.find("\nLimits:\n");
    ASSERT_NE(limits, std::string::npos);
    EXPECT_EQ(counted.out.substr(limits), whole.out.substr(whole.out.find("\nLimits:\n")));
    EXPECT_LT(counted.out.size() * 2, whole.out.size());
}

// --caps prints the limits section of the report alone, for either reading,
// every value filled in.
TEST(CliReport, CapsIsTheLimitsSectionOfTheReport)
{
    for (const char *renderer : {"0", "1"}) {
        SCOPED_TRACE(renderer);
        const CliRun report = cli(std::string("--no-save --renderer ") + renderer);
        const CliRun caps = cli(std::string("--caps --renderer ") + renderer);
        ASSERT_EQ(report.status, 0) << report.err;
        ASSERT_EQ(caps.status, 0) << caps.err;
        EXPECT_EQ(caps.out.rfind("Limits:\nAdapter information\n", 0), 0u) << caps.out;
        EXPECT_EQ(between(report.out, "Limits:\n", "\nCompliance:\n"), caps.out);
        EXPECT_EQ(caps.out.find('%'), std::string::npos) << "a conversion left unfilled";
        const std::string version = renderer[0] == '0' ? "3.3" : "4.5";
        for (const std::string &line :
             {"\n  Version: " + version + " (Compatibility Profile) Mesa",
              std::string("\n  Shading language version: "), std::string("\n  Memory: "),
              std::string("\nCapabilities\n  Implementations Specifics\n"),
              std::string("\n      Max. texture size ")})
            EXPECT_NE(caps.out.find(line), std::string::npos) << line << "\n" << caps.out;
    }
    // A saved report gives its own limits.
    TempDir dir;
    const CliRun saved = cli("--xml-report " + shellQuoted(dir.path()));
    ASSERT_EQ(saved.status, 0) << saved.err;
    const CliRun fromFile =
        cli("--caps --report " + shellQuoted(saved.out.substr(0, saved.out.find('\n'))));
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_NE(fromFile.out.find("\n  Renderer: llvmpipe"), std::string::npos) << fromFile.out;
    EXPECT_NE(fromFile.out.find("\n      Max. texture size 16384 x 16384\n"), std::string::npos);
}

// The rendering tests run on the renderer --renderer names, over the
// document's own choice.  GALLIUM_DRIVER names no driver, so only the
// software renderer (which names its own) can make a context.
TEST(CliReport, RenderingTestsRunOnTheNamedRenderer)
{
    TempDir dir;
    struct Row {
        const char *renderer;
        const char *document;
        int status;
    } rows[] = {
        {"0", "<options><test>0</test></options>", 0},
        {"0", "<options><renderer>1</renderer><test>0</test></options>", 0},
        {"1", "<options><renderer>0</renderer><test>0</test></options>", 1},
    };
    for (const Row &row : rows) {
        const std::string file = dir.write("o.xml", row.document);
        const CliRun r =
            cli(std::string("--renderer ") + row.renderer + " --run-tests " + shellQuoted(file),
                "GALLIUM_DRIVER=no-such-driver");
        EXPECT_EQ(r.status, row.status) << row.document << "\n" << r.out << r.err;
        if (row.status == 0) {
            EXPECT_NE(r.out.find("1.1 (texturing)"), std::string::npos) << r.out;
        }
    }
}

// A unit number that is not an integer 0-6 is a usage error, before any
// unit runs.
TEST(CliReport, UnitNumbersOutsideTheUnitsAreRefused)
{
    TempDir dir;
    for (const char *value : {"12", "7", "-1", "1.5", "two", "", "3x"}) {
        const std::string file =
            dir.write("o.xml", std::string("<options>\n<test>") + value + "</test>\n</options>\n");
        const CliRun r = cli("--run-tests " + shellQuoted(file));
        EXPECT_TRUE(r.exited) << value;
        EXPECT_EQ(r.status, 2) << value << ": " << r.out << r.err;
        EXPECT_NE(r.err.find(std::string("not \"") + value + "\""), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << value << ": " << r.out;
    }
}

// Xvfb offers more configurations than a reading keeps.
TEST(CliReport, PixelFormatsSayWhenTheListIsFull)
{
    const CliRun r = cli("--pixel-formats");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(linesWith(r.out, "<p id="), 256);
    EXPECT_NE(r.err.find("the list holds the first 256 pixel formats"), std::string::npos) << r.err;
}

// --xml-report makes a missing folder and says why a write failed.
TEST(CliReport, ReportFolderIsMadeOrTheReasonGiven)
{
    TempDir dir;
    const std::string nested = dir.file("new/reports");
    const CliRun made = cli("--renderer 1 --xml-report " + shellQuoted(nested));
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(made.out.rfind(nested + "/", 0), 0u) << made.out;
    EXPECT_TRUE(exists(made.out.substr(0, made.out.find('\n'))));

    const std::string plain = dir.write("plain", "x");
    struct Row {
        std::string folder, reason;
    } rows[] = {
        {plain, ": not a folder"},
        {plain + "/sub", "Not a directory"},
        {dir.sub(std::string(240, 'd')), "is longer than 259 bytes"},
    };
    for (const Row &row : rows) {
        const CliRun r = cli("--renderer 1 --xml-report " + shellQuoted(row.folder));
        EXPECT_EQ(r.status, 1) << row.folder;
        EXPECT_NE(r.err.find("cannot write the report file into " + row.folder), std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find(row.reason), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
}

// The user copy of the database: written when a run adds something, used
// and left alone by the next run, never written with --no-save or
// --database; an older or broken copy gives way to the shipped database.
TEST(CliReport, UserDatabaseIsWrittenBackOnce)
{
    TempDir dir;
    const std::string data = dir.file("data");
    const std::string env = "XDG_DATA_HOME=" + shellQuoted(data);
    const std::string copy = data + "/tessera/extensions.xml";
    const std::string shipped = readWhole(kShipped);
    ASSERT_NE(shipped.find("<tessera version=\"1\">"), std::string::npos);

    const CliRun first = cli("--renderer 1", env);
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(first.err.empty()) << first.err;
    EXPECT_GT(summaryCount(first.out, "added to the database"), 0) << first.out;
    const std::string written = readWhole(copy);
    EXPECT_NE(written.find("<tessera version=\"2\">"), std::string::npos) << written.substr(0, 200);
    EXPECT_GT(written.size(), shipped.size());

    // The copy holds what was added: nothing is added again, nothing written.
    const CliRun second = cli("--renderer 1", env);
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(summaryCount(second.out, "added to the database"), 0);
    EXPECT_EQ(readWhole(copy), written);
    EXPECT_FALSE(exists(copy + ".bak"));

    // An older copy gives way to the shipped database and is kept as .bak.
    std::string older = shipped;
    older.replace(older.find("version=\"1\">"), 12, "version=\"0\">");
    dir.write("data/tessera/extensions.xml", older);
    const CliRun again = cli("--renderer 1", env);
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_GT(summaryCount(again.out, "added to the database"), 0);
    EXPECT_EQ(readWhole(copy + ".bak"), older);
    EXPECT_EQ(readWhole(copy), written);

    // Neither --no-save nor --database writes anything; without
    // XDG_DATA_HOME the copy lives under $HOME/.local/share.
    struct Row {
        std::string args, env, copy;
        bool written;
    } rows[] = {
        {"--no-save", "XDG_DATA_HOME=" + shellQuoted(dir.file("a")), dir.file("a/tessera"), false},
        {"--database " + shellQuoted(kShipped), "XDG_DATA_HOME=" + shellQuoted(dir.file("b")),
         dir.file("b/tessera"), false},
        {"", "env -u XDG_DATA_HOME HOME=" + shellQuoted(dir.file("home")),
         dir.file("home/.local/share/tessera/extensions.xml"), true},
    };
    for (const Row &row : rows) {
        const CliRun r = cli("--renderer 1 " + row.args, row.env);
        EXPECT_EQ(r.status, 0) << row.args << r.err;
        EXPECT_EQ(exists(row.copy), row.written) << row.args << " " << row.copy;
    }
}

// A copy that cannot be written is named with the reason; the report and
// the exit status are those of the run.
TEST(CliReport, UnwritableDatabaseCopyIsNamed)
{
    TempDir dir;
    dir.write("file", "x");
    struct Row {
        std::string data, reason;
    } rows[] = {
        {dir.file("file"), "File exists"},
        {"/proc/tessera-data", "/proc/tessera-data"},
    };
    for (const Row &row : rows) {
        const CliRun r = cli("--renderer 1", "XDG_DATA_HOME=" + shellQuoted(row.data));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("\nCompliance:\n"), std::string::npos);
        EXPECT_EQ(r.err.rfind("tessera-cli: the database could not be saved: " + row.data, 0), 0u)
            << r.err;
        EXPECT_NE(r.err.find(row.reason), std::string::npos) << r.err;
    }
}
