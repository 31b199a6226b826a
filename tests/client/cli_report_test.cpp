// tessera-cli's plain report as a person reads it, the files it writes (the
// report folder, the user copy of the database) and the choices it checks,
// from runs of the built program on the private X server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <unistd.h>

#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace {

const std::string kShipped = TESSERA_BIN_DIR "/extensions.xml";

CliRun cli(const std::string &args, const std::string &env = "")
{
    return runCli(TESSERA_BIN_DIR "/tessera-cli", args, env);
}

// The count of the first line that holds what (a summary count), or with
// all the number of lines that hold it.
int lines(const std::string &text, const std::string &what, bool all = true)
{
    int n = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.find(what) != std::string::npos) {
            if (!all)
                return std::atoi(line.c_str());
            ++n;
        }
    return n;
}

} // namespace

// The verification is counted by default, each count matching the lines
// that --verify lists; --caps is the report's limits section alone, every
// value filled in; the pixel-format list says when it is full.
TEST(CliReport, CountedVerificationLimitsAndFullLists)
{
    const CliRun counted = cli("--renderer 1"), whole = cli("--renderer 1 --verify");
    ASSERT_EQ(counted.status, 0) << counted.err;
    ASSERT_EQ(whole.status, 0) << whole.err;
    const std::pair<const char *, const char *> kinds[] = {
        {"of listed extensions that did not resolve", " missing !"},
        {"resolved for extensions the driver does not list", " not in list but has the entry "},
        {"extensions added to the database", " was added to the database for "}};
    for (const auto &[summary, line] : kinds) {
        EXPECT_EQ(lines(counted.out, summary, false), lines(whole.out, line)) << summary;
        EXPECT_EQ(lines(counted.out, line), 0) << line;
    }
    EXPECT_GT(lines(whole.out, " was added to the database for "), 100);
    EXPECT_NE(counted.out.find("\nAn entry point counts as present"), std::string::npos);
    const size_t limits = counted.out.find("\nLimits:\nAdapter information\n");
    ASSERT_NE(limits, std::string::npos);
    EXPECT_EQ(counted.out.substr(limits), whole.out.substr(whole.out.find("\nLimits:\n")));

    for (const char *renderer : {"0", "1"}) {
        const CliRun caps = cli(std::string("--caps --renderer ") + renderer);
        const CliRun report = renderer[0] == '1' ? counted : cli("--renderer 0");
        ASSERT_EQ(caps.status, 0) << caps.err;
        const size_t at = report.out.find("\nLimits:\n") + 1;
        EXPECT_EQ(report.out.substr(at, report.out.find("\nCompliance:\n") - at), caps.out);
        EXPECT_EQ(caps.out.find('%'), std::string::npos) << "a conversion left unfilled";
        for (const std::string &line :
             {std::string("\n  Version: ") + (renderer[0] == '0' ? "3.3" : "4.5"),
              std::string("\n  Shading language version: ")})
            EXPECT_NE(caps.out.find(line), std::string::npos) << line << "\n" << caps.out;
    }
    const CliRun formats = cli("--pixel-formats");
    EXPECT_EQ(lines(formats.out, "<p id="), 256) << "Xvfb offers more than a reading keeps";
    EXPECT_NE(formats.err.find("the list holds the first 256 pixel formats"), std::string::npos);
}

// The rendering tests run on the renderer --renderer names, over the
// document's own choice (GALLIUM_DRIVER naming no driver, only the software
// renderer, which names its own, makes a context); a unit other than an
// integer 0-6 is a usage error before anything runs.
TEST(CliReport, RenderingTestsTakeTheRendererAndCheckTheUnit)
{
    TempDir dir;
    const struct {
        const char *renderer, *document;
        int status;
    } rows[] = {{"0", "<o><test>0</test></o>", 0},
                {"0", "<o><renderer>1</renderer><test>0</test></o>", 0},
                {"1", "<o><renderer>0</renderer><test>0</test></o>", 1},
                {"0", "<o><test>7</test></o>", 2},
                {"0", "<o><test>1.5</test></o>", 2},
                {"0", "<o><test>two</test></o>", 2},
                {"0", "<o><test></test></o>", 2}};
    for (const auto &row : rows) {
        const CliRun r = cli(std::string("--renderer ") + row.renderer + " --run-tests " +
                                 shellQuoted(dir.write("o.xml", row.document)),
                             "GALLIUM_DRIVER=no-such-driver");
        EXPECT_EQ(r.status, row.status) << row.document << "\n" << r.out << r.err;
        EXPECT_EQ(r.out.find("1.1 (texturing) "), row.status ? std::string::npos : 0) << r.out;
        if (row.status == 2) {
            EXPECT_NE(r.err.find("<test> takes a unit number from 0 to 6"), std::string::npos);
        }
    }
}

// --xml-report makes a missing folder and otherwise says why it failed.
TEST(CliReport, ReportFolderIsMadeOrTheReasonGiven)
{
    TempDir dir;
    const std::string plain = dir.write("plain", "x");
    const struct {
        std::string folder, said;
    } rows[] = {{dir.file("new/reports"), ""},
                {plain, ": not a folder"},
                {plain + "/sub", ": Not a directory"},
                {dir.sub(std::string(240, 'd')), ": the file's path ("}};
    for (const auto &row : rows) {
        const CliRun r = cli("--renderer 1 --xml-report " + shellQuoted(row.folder));
        EXPECT_EQ(r.status, row.said.empty() ? 0 : 1) << r.err;
        if (row.said.empty()) {
            EXPECT_TRUE(access(r.out.substr(0, r.out.find('\n')).c_str(), F_OK) == 0) << r.out;
        } else {
            EXPECT_NE(r.err.find("into " + row.folder + row.said), std::string::npos) << r.err;
        }
    }
}

// The user copy of the database: written when a run adds something, then
// used and left alone; an older copy gives way to the shipped database and
// is kept as .bak; --no-save and --database write nothing; a copy that
// cannot be written is named with the reason and the run still succeeds.
TEST(CliReport, UserDatabaseIsWrittenBackOnce)
{
    TempDir dir;
    const std::string env = "XDG_DATA_HOME=" + shellQuoted(dir.file("data"));
    const std::string copy = dir.file("data/tessera/extensions.xml");
    std::string older = readWhole(kShipped);
    ASSERT_NE(older.find("<tessera version=\"1\">"), std::string::npos);
    older.replace(older.find("version=\"1\">"), 12, "version=\"0\">");

    const CliRun first = cli("--renderer 1", env);
    EXPECT_TRUE(first.err.empty()) << first.err;
    EXPECT_GT(lines(first.out, "added to the database", false), 0);
    const std::string written = readWhole(copy);
    EXPECT_NE(written.find("<tessera version=\"2\">"), std::string::npos);
    const CliRun second = cli("--renderer 1", env);
    EXPECT_EQ(lines(second.out, "added to the database", false), 0) << "the copy was not used";
    EXPECT_EQ(readWhole(copy), written);
    EXPECT_NE(access((copy + ".bak").c_str(), F_OK), 0);
    dir.write("data/tessera/extensions.xml", older);
    EXPECT_GT(lines(cli("--renderer 1", env).out, "added to the database", false), 0);
    EXPECT_EQ(readWhole(copy + ".bak"), older);
    EXPECT_EQ(readWhole(copy), written);

    const std::string file = dir.write("file", "x");
    const struct {
        std::string args, env, copy, error;
    } rows[] = {
        {"--no-save", "XDG_DATA_HOME=" + dir.file("a"), dir.file("a"), ""},
        {"--database " + kShipped, "XDG_DATA_HOME=" + dir.file("b"), dir.file("b"), ""},
        {"", "env -u XDG_DATA_HOME HOME=" + dir.file("h"), dir.file("h/.local/share/tessera"), ""},
        {"", "XDG_DATA_HOME=" + file, "", file + "/tessera: File exists"},
        {"", "XDG_DATA_HOME=/proc/tessera", "", "/proc/tessera/tessera: "}};
    for (const auto &row : rows) {
        const CliRun r = cli("--renderer 1 " + row.args, row.env);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("\nCompliance:\n"), std::string::npos);
        if (!row.copy.empty()) {
            EXPECT_EQ(access(row.copy.c_str(), F_OK) == 0, row.args.empty())
                << row.args << " " << row.copy;
        }
        EXPECT_EQ(r.err.find("tessera-cli: the database could not be saved: " + row.error),
                  row.error.empty() ? std::string::npos : 0)
            << r.err;
    }
}
