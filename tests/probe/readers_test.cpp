// Both readings in reader processes: equal to the readings taken in this
// process, and a driver or reader that misbehaves fails its own reading
// only, within the time limit, leaving no child behind.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <cstddef>
#include <cstring>
#include <string>

#include "keel/keel.h"
#include "probe/reader_environment.h"
#include "probe/record_notes.h"
#include "sounder/client.h"
#include "sounder/database.h"
#include "sounder/readers.h"
#include "sounder/reportfile.h"
#include "support/command.h"
#include "support/extended_limits.h"
#include "support/readers.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

using readertest::binPath;

// Every change of this process's environment is counted: the library is
// linked into this program, so its calls land here.
namespace {
std::atomic<int> g_environmentWrites{0};
template <typename F>
F next(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}
} // namespace

extern "C" int setenv(const char *name, const char *value, int overwrite)
{
    ++g_environmentWrites;
    static auto real = next<int (*)(const char *, const char *, int)>("setenv");
    return real(name, value, overwrite);
}

extern "C" int unsetenv(const char *name)
{
    ++g_environmentWrites;
    static auto real = next<int (*)(const char *)>("unsetenv");
    return real(name);
}

extern "C" int putenv(char *text)
{
    ++g_environmentWrites;
    static auto real = next<int (*)(char *)>("putenv");
    return real(text);
}

namespace {

// The time limit of the tests: long enough for both drivers on a loaded
// machine, short enough for the hang cases.
constexpr int kLimit = 10;
#define LIMIT_TEXT "10"

struct Readings {
    tsRendererCaps caps[2];
    tsSystemInfo system;
    tsIcdList icd;
    tsReadingOutcome outcomes[2];
    tsDatabase *db = nullptr;
    int made = -1;
    double seconds = 0;

    Readings()
    {
        std::memset(caps, 0, sizeof caps);
        std::memset(&system, 0, sizeof system);
        std::memset(&icd, 0, sizeof icd);
        caps[0].size = caps[1].size = sizeof(tsRendererCaps);
        db = tsDatabaseCreate(binPath("extensions.xml").c_str());
    }
    ~Readings()
    {
        tsInfoRelease(&caps[0]);
        tsInfoRelease(&caps[1]);
        tsSystemInfoRelease(&system);
        tsDatabaseRelease(db);
    }
    void read(int timeLimit = 0, const char *reader = nullptr)
    {
        tsReadingOptions options;
        std::memset(&options, 0, sizeof options);
        options.size = sizeof options;
        options.timeoutSeconds = timeLimit;
        options.readerPath = reader;
        const double start = readertest::seconds();
        made = tsInfoReadAll(&options, db, caps, &system, &icd, outcomes);
        seconds = readertest::seconds() - start;
    }
};

// The record's bytes with the text pointers cleared.
tsRendererCaps fixedPart(const tsRendererCaps &c)
{
    tsRendererCaps copy;
    std::memcpy(&copy, &c, sizeof copy);
    copy.vendor = copy.version = copy.glslVersion = copy.renderer = copy.extensions = nullptr;
    return copy;
}

std::string text(const char *t)
{
    return t ? t : "(null)";
}

} // namespace

TEST(Readers, EqualTheReadingsTakenInThisProcess)
{
    const std::vector<std::string> before = readertest::environment();
    Readings viaReaders;
    const int writes = g_environmentWrites;
    viaReaders.read();
    ASSERT_EQ(viaReaders.made, 3) << viaReaders.outcomes[0].log << viaReaders.outcomes[1].log;
    // Nothing of the software rasteriser's selection reached this process.
    EXPECT_EQ(g_environmentWrites, writes);
    EXPECT_EQ(readertest::environment(), before);
    EXPECT_TRUE(readertest::noChildren());

    // The one-by-one sequence in this process, as the viewer runs it.
    Readings here;
    std::string logs[2];
    for (int i = 0; i < 2; ++i) {
        tsDescribeSystem(&here.system, i == 0 ? &here.icd : nullptr, 0);
        here.db->currentReading = i;
        ASSERT_TRUE(tsInfoBegin(i) || (i == 1 && tsInfoBegin(0)));
        tsInfoRead(&here.caps[i], 0);
        tsDatabaseUpdate(here.db, &here.caps[i], &here.icd, here.system.system);
        tsInfoSolveDb(here.db, &here.caps[i], i);
        tsInfoEnd();
        logs[i] = tsReportGetLogFile();
    }
    // The count does see the environment changes of the in-process path.
    EXPECT_GT(g_environmentWrites, writes);

    for (int i = 0; i < 2; ++i) {
        const tsRendererCaps a = fixedPart(viaReaders.caps[i]);
        const tsRendererCaps b = fixedPart(here.caps[i]);
        const auto *pa = reinterpret_cast<const unsigned char *>(&a);
        const auto *pb = reinterpret_cast<const unsigned char *>(&b);
        size_t differs = sizeof a;
        for (size_t k = 0; k < sizeof a && differs == sizeof a; ++k)
            if (pa[k] != pb[k])
                differs = k;
        EXPECT_EQ(differs, sizeof a) << "reading " << i << ": first difference at byte " << differs;
        const tsRendererCaps &x = viaReaders.caps[i], &y = here.caps[i];
        EXPECT_EQ(text(x.vendor), text(y.vendor));
        EXPECT_EQ(text(x.version), text(y.version));
        EXPECT_EQ(text(x.glslVersion), text(y.glslVersion));
        EXPECT_EQ(text(x.renderer), text(y.renderer));
        EXPECT_EQ(text(x.extensions), text(y.extensions));
        EXPECT_EQ(extendedVersion(&x), extendedVersion(&y));
        EXPECT_EQ(extendedLimitTexts(&x), extendedLimitTexts(&y)) << "reading " << i;
        EXPECT_GT(tsExtendedLimitCount(&x), 40) << "reading " << i;
        EXPECT_EQ(std::string(viaReaders.outcomes[i].log), logs[i]) << i;
    }
    EXPECT_NE(std::string(text(viaReaders.caps[0].renderer)).find("softpipe"), std::string::npos);
    EXPECT_NE(std::string(text(viaReaders.caps[1].renderer)).find("llvmpipe"), std::string::npos);
    EXPECT_STREQ(viaReaders.system.system, here.system.system);
    EXPECT_STREQ(viaReaders.system.desktopMode, here.system.desktopMode);
    EXPECT_EQ(text(viaReaders.system.monitor), text(here.system.monitor));
    EXPECT_EQ(std::memcmp(&viaReaders.icd, &here.icd, sizeof here.icd), 0);

    // The merged and marked databases are written byte for byte alike.
    TempDir dir;
    ASSERT_EQ(tsDatabaseWrite(dir.file("readers.xml").c_str(), viaReaders.db), 0);
    ASSERT_EQ(tsDatabaseWrite(dir.file("here.xml").c_str(), here.db), 0);
    const std::string written = readWhole(dir.file("readers.xml"));
    EXPECT_GT(written.size(), 100000u);
    EXPECT_TRUE(written == readWhole(dir.file("here.xml")));
    // The marks themselves (not written to the file) agree as well.
    size_t marks = 0;
    for (const tsExtension *a = viaReaders.db->extensions, *b = here.db->extensions; a && b;
         a = a->next, b = b->next) {
        EXPECT_EQ(a->support, b->support) << a->name;
        for (const tsEntryPoint *x = a->entryPoints, *y = b->entryPoints; x && y;
             x = x->next, y = y->next) {
            EXPECT_EQ(x->resolved, y->resolved) << x->name;
            marks += x->resolved != 0;
        }
    }
    EXPECT_GT(marks, 100u);
}

// Reading 1 taken in this process, loaded from its report file and taken by
// its reader: each leaves the reserved word 0, with the same extended limits
// and window system kept beside the record.  A record moved with memcpy
// keeps them, and every release frees them.
TEST(Readers, EveryFilledRecordKeepsItsNotesBesideIt)
{
    const size_t before = sounder::recordNoteCount();
    {
        Readings here, loaded, viaReader;
        ASSERT_TRUE(tsInfoBegin(1));
        const int read = tsInfoRead(&here.caps[1], 1);
        tsInfoEnd();
        ASSERT_EQ(read, 1) << tsReportGetLogFile();
        TempDir dir;
        ASSERT_EQ(tsSaveReportXML(dir.file("r.xml").c_str(), nullptr, &here.caps[1], 1, nullptr),
                  0);
        ASSERT_EQ(tsReadReportXML(dir.file("r.xml").c_str(), &loaded.caps[1], nullptr, nullptr), 0);
        tsReadingOptions options;
        std::memset(&options, 0, sizeof options);
        options.size = sizeof options;
        options.readings = 2;
        ASSERT_EQ(tsInfoReadAll(&options, nullptr, viaReader.caps, nullptr, nullptr, nullptr), 2);

        // Moved into a record of its own, as the viewer keeps readings.
        tsRendererCaps moved;
        std::memcpy(&moved, &here.caps[1], sizeof moved);
        std::memset(&here.caps[1], 0, sizeof here.caps[1]);

        const auto limits = extendedLimitTexts(&moved);
        EXPECT_GT(limits.size(), 40u);
        const std::string windowSystem = tsInfoGetWindowSystem(&moved);
        EXPECT_EQ(windowSystem.compare(0, 4, "GLX "), 0) << windowSystem;
        for (const tsRendererCaps *c : {&moved, &loaded.caps[1], &viaReader.caps[1]}) {
            EXPECT_EQ(c->reserved, 0u) << text(c->renderer);
            EXPECT_EQ(extendedLimitTexts(c), limits) << text(c->renderer);
            EXPECT_EQ(tsInfoGetWindowSystem(c), windowSystem) << text(c->renderer);
        }
        EXPECT_EQ(sounder::recordNoteCount(), before + 3);
        tsInfoRelease(&moved);
        EXPECT_EQ(sounder::recordNoteCount(), before + 2);
    }
    EXPECT_EQ(sounder::recordNoteCount(), before);
}

TEST(Readers, RefuseBadArguments)
{
    Readings r;
    EXPECT_EQ(tsInfoReadAll(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), -1);
    r.caps[1].size = 12047;
    EXPECT_EQ(tsInfoReadAll(nullptr, r.db, r.caps, nullptr, nullptr, nullptr), -1);
    r.caps[1].size = sizeof(tsRendererCaps);
    tsReadingOptions options;
    std::memset(&options, 0, sizeof options);
    EXPECT_EQ(tsInfoReadAll(&options, r.db, r.caps, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(r.caps[0].size, sizeof(tsRendererCaps));
}

// Softpipe is chosen only in reading 0's environment, each variable once;
// both readers get the allocator setting unless the user has one.
TEST(Readers, EnvironmentOfEachReader)
{
    auto count = [](const std::vector<std::string> &env, const std::string &prefix) {
        int n = 0;
        for (const std::string &e : env)
            n += e.compare(0, prefix.size(), prefix) == 0;
        return n;
    };
    const char *user = getenv("GLIBC_TUNABLES");
    const std::string saved = user ? user : "";
    ASSERT_EQ(getenv("GALLIUM_DRIVER"), nullptr);
    setenv("GALLIUM_DRIVER", "llvmpipe", 1);
    for (const char *tunables : {(const char *)nullptr, "glibc.malloc.check=0"}) {
        if (tunables)
            setenv("GLIBC_TUNABLES", tunables, 1);
        else
            unsetenv("GLIBC_TUNABLES");
        for (int reading = 0; reading < 2; ++reading) {
            const auto env = sounder::readerEnvironment(reading);
            EXPECT_EQ(count(env, "GALLIUM_DRIVER="), 1);
            EXPECT_EQ(count(env, "GALLIUM_DRIVER=softpipe"), reading == 0 ? 1 : 0);
            EXPECT_EQ(count(env, "GLIBC_TUNABLES="), 1);
            EXPECT_EQ(count(env, "GLIBC_TUNABLES=glibc.malloc.hugetlb=1"), tunables ? 0 : 1)
                << reading;
        }
    }
    unsetenv("GALLIUM_DRIVER");
    if (user)
        setenv("GLIBC_TUNABLES", saved.c_str(), 1);
    else
        unsetenv("GLIBC_TUNABLES");
}

// A driver that crashes, hangs, is killed or cannot reach the display in
// reading 0: that reading fails with its cause, reading 1 is whole.
struct DriverCase {
    const char *mode;
    const char *logged;
};

class DriverFailure : public ::testing::TestWithParam<DriverCase> {};

TEST_P(DriverFailure, StaysInItsReading)
{
    // The shim misbehaves inside GLX requests, and an unreachable display
    // must fail the reading rather than fall back to EGL: the readers
    // inherit this choice.
    ScopedEnv glx("TESSERA_PLATFORM", "glx");
    readertest::ShimScope shim(GetParam().mode);
    Readings r;
    r.read(kLimit);
    EXPECT_EQ(r.made, 2);
    EXPECT_NE(std::string(r.outcomes[0].log).find(GetParam().logged), std::string::npos)
        << r.outcomes[0].log;
    EXPECT_GE(r.outcomes[0].failures, 1);
    EXPECT_EQ(r.caps[0].filled, 0u);
    EXPECT_EQ(r.caps[0].size, sizeof(tsRendererCaps));
    EXPECT_NE(text(r.caps[1].renderer).find("llvmpipe"), std::string::npos);
    EXPECT_STREQ(r.outcomes[1].log, "");
    EXPECT_LT(r.seconds, kLimit + 1.0);
    EXPECT_TRUE(readertest::noChildren());
    // The failure log afterwards is reading 1's, as after the sequence.
    EXPECT_EQ(tsReportHasErrors(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, DriverFailure,
    ::testing::Values(
        DriverCase{"segv", "The driver crashed while being read (signal 11: SIGSEGV).\n\r\n"},
        DriverCase{"hang", "The driver did not answer within " LIMIT_TEXT " s.\n\r\n"},
        DriverCase{"kill", "The driver crashed while being read (signal 9: SIGKILL).\n"},
        DriverCase{"nodisplay", "cannot open display \":9999\""}),
    [](const ::testing::TestParamInfo<DriverCase> &info) { return std::string(info.param.mode); });

// A reader that answers badly for reading 0 (the real one answers for
// reading 1).
struct AnswerCase {
    const char *mode;
    const char *logged;
};

class BadAnswer : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(BadAnswer, FailsItsReadingOnly)
{
    ScopedEnv fake("TESSERA_FAKE_READER", GetParam().mode);
    ScopedEnv real("TESSERA_REAL_READER", binPath("tessera-reader").c_str());
    Readings r;
    r.read(kLimit, binPath("tessera_fake_reader").c_str());
    EXPECT_EQ(r.made, 2);
    EXPECT_NE(std::string(r.outcomes[0].log).find(GetParam().logged), std::string::npos)
        << r.outcomes[0].log;
    EXPECT_EQ(r.caps[0].filled, 0u);
    EXPECT_EQ(r.caps[0].vendor, nullptr);
    EXPECT_NE(text(r.caps[1].renderer).find("llvmpipe"), std::string::npos);
    EXPECT_LT(r.seconds, kLimit + 1.0);
    EXPECT_TRUE(readertest::noChildren());
}

INSTANTIATE_TEST_SUITE_P(
    Readers, BadAnswer,
    ::testing::Values(
        AnswerCase{"garbage", "not a whole reading: the answer does not start like a reading"},
        AnswerCase{"nothing", "not a whole reading: the answer is empty"},
        AnswerCase{"ten-times", "not a whole reading: the answer's record sizes differ"},
        AnswerCase{"truncated", "not a whole reading: the answer is cut"},
        AnswerCase{"flood", "The reader's answer is larger than 16777216 bytes"},
        AnswerCase{"status", "The reader ended with status 3."},
        AnswerCase{"silent-hang", "The driver did not answer within " LIMIT_TEXT " s."}),
    [](const ::testing::TestParamInfo<AnswerCase> &info) {
        std::string name = info.param.mode;
        for (char &c : name)
            if (c == '-')
                c = '_';
        return name;
    });

TEST(Readers, MissingReaderFailsBothReadingsAndSaysWhere)
{
    Readings r;
    r.read(kLimit, "/nonexistent/tessera-reader");
    EXPECT_EQ(r.made, 0);
    for (const tsReadingOutcome &o : r.outcomes)
        EXPECT_NE(std::string(o.log).find("The reader program could not be started: not found "
                                          "(looked for /nonexistent/tessera-reader)"),
                  std::string::npos)
            << o.log;
    // The system description still comes, from this process.
    EXPECT_NE(std::string(r.system.system).find("Linux"), std::string::npos);
    EXPECT_TRUE(readertest::noChildren());
}

// The same through the client interface and the command-line client: the
// report of reading 1, reading 0's cause named, exit status 0.
TEST(Readers, ClientInterfaceKeepsReadingOneWhenReadingZeroCrashes)
{
    readertest::ShimScope shim("segv");
    ScopedEnv limit("TESSERA_READ_TIMEOUT", LIMIT_TEXT);
    lumClientLoadDatabase(nullptr);
    lumClientInitialize();
    EXPECT_NE(std::string(lumClientGetReadingLog(0)).find("signal 11: SIGSEGV"), std::string::npos);
    EXPECT_STREQ(lumClientGetReadingLog(1), "");
    EXPECT_EQ(lumClientGetReadingLog(2), nullptr);
    EXPECT_EQ(std::string(lumClientGetCapsAndExtTree(0)), "<tree>\r\n</tree>\r\n");
    EXPECT_NE(std::string(lumClientGetCapsAndExtTree(1)).find("llvmpipe"), std::string::npos);
    EXPECT_TRUE(readertest::noChildren());
}

class CliDriverFailure : public ::testing::TestWithParam<DriverCase> {};

TEST_P(CliDriverFailure, PrintsReportOfReadingOne)
{
    // What a run costs beyond waiting for the readers (database, report) on
    // this machine now: a healthy run of reading 1 alone.
    const double healthyStart = readertest::seconds();
    commandOutput(binPath("tessera-cli") + " --renderer 1 2>/dev/null");
    const double healthy = readertest::seconds() - healthyStart;

    TempDir dir;
    const std::string command =
        "env TESSERA_READER_PRELOAD=" + binPath("libtessera_reader_shim.so") +
        " TESSERA_SHIM_MODE=" + GetParam().mode +
        " TESSERA_READ_TIMEOUT=" LIMIT_TEXT
        " ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0:handle_segv=0 " +
        binPath("tessera-cli") + " 2>" + dir.file("stderr");
    int status = -1;
    const double start = readertest::seconds();
    const std::string out = commandOutput(command, &status);
    const double took = readertest::seconds() - start;
    const std::string err = readWhole(dir.file("stderr"));
    EXPECT_EQ(status, 0) << err;
    EXPECT_NE(out.find("llvmpipe"), std::string::npos) << out;
    EXPECT_NE(out.find("Compliance:"), std::string::npos);
    EXPECT_NE(err.find("renderer 0 could not be read"), std::string::npos) << err;
    EXPECT_NE(err.find(GetParam().logged), std::string::npos) << err;
    EXPECT_LT(took, kLimit + 1.0 + healthy);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, CliDriverFailure,
    ::testing::Values(DriverCase{"segv",
                                 "The driver crashed while being read (signal 11: SIGSEGV).\n"},
                      DriverCase{"hang", "The driver did not answer within " LIMIT_TEXT " s.\n"}),
    [](const ::testing::TestParamInfo<DriverCase> &info) { return std::string(info.param.mode); });

TEST(Readers, NamedRendererRunsOnlyItsReader)
{
    // Reading 0 would crash; with renderer 1 named it is not taken at all.
    TempDir dir;
    const std::string command =
        "env TESSERA_READER_PRELOAD=" + binPath("libtessera_reader_shim.so") +
        " TESSERA_SHIM_MODE=segv "
        "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0:handle_segv=0 " +
        binPath("tessera-cli") + " --renderer 1 2>" + dir.file("stderr");
    int status = -1;
    const std::string out = commandOutput(command, &status);
    const std::string err = readWhole(dir.file("stderr"));
    EXPECT_EQ(status, 0) << err;
    EXPECT_NE(out.find("llvmpipe"), std::string::npos);
    EXPECT_EQ(err.find("SIGSEGV"), std::string::npos) << err;

    readertest::ShimScope shim("segv");
    Readings r;
    tsReadingOptions options;
    std::memset(&options, 0, sizeof options);
    options.size = sizeof options;
    options.readings = 2;
    r.made = tsInfoReadAll(&options, r.db, r.caps, &r.system, &r.icd, r.outcomes);
    EXPECT_EQ(r.made, 2);
    EXPECT_NE(std::string(r.outcomes[0].log).find("This reading was not asked for."),
              std::string::npos);
    EXPECT_EQ(r.outcomes[0].signal, 0);
}

TEST(Readers, StartedBeforeTheDatabaseTheyWaitForItsNames)
{
    // Started, then kept waiting longer than the time limit (as a caller
    // loading a large database would): waiting for the caller is not the
    // driver's doing, so the reading is whole and its entry points marked.
    constexpr int limit = 3;
    tsReadingOptions options;
    std::memset(&options, 0, sizeof options);
    options.size = sizeof options;
    options.timeoutSeconds = limit;
    options.readings = 2;
    tsReadingSession *session = tsInfoReadStart(&options);
    ASSERT_NE(session, nullptr);
    std::this_thread::sleep_for(std::chrono::seconds(limit + 1));
    Readings r;
    r.made = tsInfoReadFinish(session, r.db, r.caps, &r.system, &r.icd, r.outcomes);
    EXPECT_EQ(r.made, 2) << r.outcomes[1].log;
    EXPECT_EQ(r.outcomes[1].timedOut, 0);
    EXPECT_NE(text(r.caps[1].renderer).find("llvmpipe"), std::string::npos);
    EXPECT_EQ(std::string(tsInfoGetWindowSystem(&r.caps[1])).compare(0, 4, "GLX "), 0)
        << tsInfoGetWindowSystem(&r.caps[1]);
    size_t resolved = 0;
    for (const tsExtension *e = r.db->extensions; e; e = e->next)
        for (const tsEntryPoint *p = e->entryPoints; p; p = p->next)
            resolved += (p->resolved & 2u) != 0;
    EXPECT_GT(resolved, 100u);
    EXPECT_TRUE(readertest::noChildren());

    // A session that is cancelled, or finished with a bad record, stops its
    // readers.
    for (bool cancel : {true, false}) {
        session = tsInfoReadStart(&options);
        ASSERT_NE(session, nullptr);
        if (cancel) {
            tsInfoReadCancel(session);
        } else {
            Readings bad;
            bad.caps[0].size = 1;
            EXPECT_EQ(tsInfoReadFinish(session, bad.db, bad.caps, nullptr, nullptr, nullptr), -1);
        }
        EXPECT_TRUE(readertest::noChildren()) << (cancel ? "cancel" : "bad record");
    }
    options.size = 1;
    EXPECT_EQ(tsInfoReadStart(&options), nullptr);
}
