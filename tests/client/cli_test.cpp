// tessera-cli as a user runs it: a separate process, its output and its exit
// status.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "client_helpers.h"
#include "support/cli_run.h"
#include "sounder/probe.h"
#include "sounder/reportfile.h"
#include "sounder/system.h"

namespace {

// Runs tessera-cli with args (already shell-quoted) and an optional
// environment prefix such as "TESSERA_PLATFORM=glx DISPLAY=:9999".
CliRun cli(const std::string &args, const std::string &env = "")
{
    return runCli(TESSERA_BIN_DIR "/tessera-cli", args, env);
}

std::string shq(const std::string &s)
{
    return "'" + s + "'";
}

class CliFiles : public ::testing::Test {
protected:
    std::string file(const std::string &name, const std::string &text)
    {
        return tmp_.write(name, text);
    }
    TempDir tmp_;
    const std::string dir_ = tmp_.path();
};

const std::string kShippedDatabase = TESSERA_BIN_DIR "/extensions.xml";

} // namespace

TEST(Cli, HelpAndVersion)
{
    CliRun r = cli("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: tessera-cli"), std::string::npos);
    EXPECT_NE(r.out.find("--run-tests FILE"), std::string::npos);
    r = cli("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("tessera-cli ", 0), 0u);
}

TEST(Cli, UsageErrorsExitTwoWithAShortMessage)
{
    for (const char *args : {"--bogus", "--renderer 5", "--renderer", "--tree leaves",
                             "--modes --tests", "report", "--xml-report="}) {
        const CliRun r = cli(args);
        EXPECT_TRUE(r.exited) << args;
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.err.rfind("tessera-cli: ", 0), 0u) << args << ": " << r.err;
        EXPECT_NE(r.err.find("--help"), std::string::npos) << args;
        EXPECT_TRUE(r.out.empty()) << args;
    }
    EXPECT_NE(cli("report").err.find("unexpected argument \"report\""), std::string::npos);
}

TEST(Cli, ListsWithoutReading)
{
    CliRun r = cli("--tests");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("<t name=\"1.1 (texturing)\" />\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("<t name=\"2.1 (pixel buffer object)\" />\n"), std::string::npos);
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    r = cli("--modes");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("dmPelsWidth=\"1280\" dmPelsHeight=\"1024\""), std::string::npos) << r.out;
    r = cli("--monitors");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("<device id=\""), std::string::npos) << r.out;
}

TEST_F(CliFiles, MissingAndGarbageFilesFailClearly)
{
    CliRun r = cli("--database /no/such/extensions.xml");
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot read /no/such/extensions.xml"), std::string::npos) << r.err;

    r = cli("--database " + shq(file("text.xml", "hello, this is no database\n")));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("holds no extension database"), std::string::npos) << r.err;

    r = cli("--database " + shq(file("binary.xml", std::string("\x7f"
                                                               "ELF\0\0\x01\x02<ext",
                                                               11))));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a text file"), std::string::npos) << r.err;

    // Endless inputs are refused at the read limit instead of filling memory.
    for (const char *option : {"--database", "--run-tests"}) {
        r = cli(std::string(option) + " /dev/zero");
        EXPECT_EQ(r.status, 1) << option;
        EXPECT_NE(r.err.find("/dev/zero is larger than 64 MiB"), std::string::npos) << r.err;
    }

    r = cli("--run-tests /no/such/options.xml");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot read /no/such/options.xml"), std::string::npos) << r.err;

    r = cli("--run-tests " + shq(file("garbage.xml", "<<<<\"\"\"> not options")));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("holds no rendering-test options"), std::string::npos) << r.err;

    // A unit number outside the units is a usage error (more in cli_report_test).
    r = cli("--run-tests " + shq(file("index.xml", "<options><test>12</test></options>")));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("not \"12\""), std::string::npos) << r.err;
}

TEST_F(CliFiles, NoDisplayAtAllFailsWithTheLog)
{
    const CliRun r = cli("", "TESSERA_PLATFORM=glx DISPLAY=:9999");
    EXPECT_TRUE(r.exited) << r.err;
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("no OpenGL context could be made"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;

    const CliRun t =
        cli("--run-tests " + shq(file("o.xml", "<o><option>0</option><test>0</test></o>")),
            "TESSERA_PLATFORM=glx DISPLAY=:9999");
    EXPECT_TRUE(t.exited) << t.err;
    EXPECT_EQ(t.status, 1) << t.err;
    EXPECT_NE(t.err.find("no OpenGL context could be made"), std::string::npos) << t.err;

    // Without DISPLAY at all the message says so (GLX asked for: by default
    // the reading would go through EGL).
    const CliRun unset = cli("", "env -u DISPLAY TESSERA_PLATFORM=glx");
    EXPECT_EQ(unset.status, 1) << unset.err;
    EXPECT_NE(unset.err.find("DISPLAY is not set"), std::string::npos) << unset.err;

    for (const char *list : {"--modes", "--monitors"}) {
        const CliRun l = cli(list, "TESSERA_PLATFORM=glx DISPLAY=:9999");
        EXPECT_TRUE(l.exited) << list;
        EXPECT_EQ(l.status, 1) << list;
        EXPECT_NE(l.err.find("no X display"), std::string::npos) << list << ": " << l.err;
    }
}

TEST(Cli, DefaultReportOfTheAcceleratedRenderer)
{
    ASSERT_EQ(access(kShippedDatabase.c_str(), R_OK), 0) << "the shipped database is missing";
    const CliRun r = cli("");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("llvmpipe"), std::string::npos);
    EXPECT_NE(r.out.find("GL_ARB_multitexture"), std::string::npos);
    // Rich text is gone, every text id resolved.
    EXPECT_EQ(r.out.find('\\'), std::string::npos) << r.out.substr(0, 3000);
    EXPECT_EQ(r.out.find("rtf1"), std::string::npos);
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    const size_t summary = r.out.find("\nCompliance:\n");
    ASSERT_NE(summary, std::string::npos);
    // One blank line between the report and the summary, and the output
    // ends with a line feed.
    ASSERT_GT(summary, 2u);
    EXPECT_EQ(r.out[summary - 1], '\n') << r.out.substr(summary - 40, 60);
    EXPECT_NE(r.out[summary - 2], '\n') << r.out.substr(summary - 40, 60);
    EXPECT_EQ(r.out.back(), '\n');
    for (const char *v : {"1.1", "1.2", "1.3", "1.4", "1.5", "2.0", "2.1"})
        EXPECT_NE(r.out.find(std::string("\nOpenGL ") + v + " (", summary), std::string::npos) << v;
    // No progress lines when standard error is not a terminal.
    EXPECT_EQ(r.err.find("reading renderer"), std::string::npos) << r.err;

    const CliRun soft = cli("--renderer 0");
    ASSERT_EQ(soft.status, 0) << soft.err;
    EXPECT_NE(soft.out.find("softpipe"), std::string::npos);
}

TEST(Cli, DocumentsOfTheReading)
{
    CliRun r = cli("--tree main");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("<tree>\n", 0), 0u);
    EXPECT_EQ(xmlProblem(r.out), "");
    r = cli("--tree caps --renderer 0");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("text=\"GL_ARB_multitexture\""), std::string::npos);
    r = cli("--pixel-formats");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("<pf>\n<p id=\"1\" ", 0), 0u) << r.out.substr(0, 200);
}

TEST_F(CliFiles, XmlReportLoadsBack)
{
    const CliRun r = cli("--xml-report " + shq(dir_));
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_FALSE(r.out.empty());
    const std::string path = r.out.substr(0, r.out.find('\n'));
    EXPECT_EQ(path.rfind(dir_ + "/", 0), 0u) << path;

    tsRendererCaps caps;
    std::memset(&caps, 0, sizeof caps);
    tsIcdList icd;
    tsSystemInfo system;
    std::memset(&system, 0, sizeof system);
    ASSERT_EQ(tsReadReportXML(path.c_str(), &caps, &icd, &system), 0);
    ASSERT_NE(caps.renderer, nullptr);
    EXPECT_NE(std::string(caps.renderer).find("llvmpipe"), std::string::npos);
    EXPECT_GT(caps.pixelFormatCount, 0);
    tsInfoRelease(&caps);

    const CliRun bad = cli("--xml-report /proc/self/no-such-folder");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("cannot write the report file"), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("No such file or directory"), std::string::npos) << bad.err;
    const CliRun notFolder = cli("--xml-report " + shq(file("plain", "x")));
    EXPECT_EQ(notFolder.status, 1);
    EXPECT_NE(notFolder.err.find(": not a folder"), std::string::npos) << notFolder.err;
    EXPECT_TRUE(notFolder.out.empty()) << notFolder.out;
}

TEST_F(CliFiles, RunTestsOfOneUnitPrintsItsFramesPerSecond)
{
    const CliRun r =
        cli("--run-tests " + shq(file("o.xml", "<options>\n<test>0</test>\n</options>\n")));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> names = {"1.1 (texturing)",          "1.2 (locked arrays)",
                                            "1.3 (multitexture)",       "1.4 (vertex program)",
                                            "1.5 (vertex objects)",     "2.0 (shading language)",
                                            "2.1 (pixel buffer object)"};
    size_t at = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        const size_t line = r.out.find(names[i], at);
        ASSERT_EQ(line, at) << r.out;
        const size_t end = r.out.find('\n', line);
        ASSERT_NE(end, std::string::npos);
        const std::string rest = r.out.substr(line + names[i].size(), end - line - names[i].size());
        if (i == 0) {
            EXPECT_NE(rest.find(" fps"), std::string::npos) << rest;
            EXPECT_GT(std::atoi(rest.c_str()), 0) << rest;
        } else {
            EXPECT_NE(rest.find("not run"), std::string::npos) << rest;
        }
        at = end + 1;
    }
    EXPECT_EQ(r.out.size(), at) << "nothing after the results when no unit failed: " << r.out;
}

TEST(Cli, OutputThatCannotBeWrittenIsAFailure)
{
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full on this machine";
    const std::string cmd =
        "'" TESSERA_BIN_DIR "/tessera-cli' --tests >/dev/full 2>/dev/null </dev/null";
    const int raw = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
}
