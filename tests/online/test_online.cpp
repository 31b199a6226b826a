// The update check and the database download against real loopback
// servers, the archive refusals, and the version comparison.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "online.h"
#include "support/command.h"
#include "sounder/report.h"
#include "support/live_readings.h"
#include "support/loopback_servers.h"
#include "support/temp_dir.h"

using namespace tessera::online;

namespace {

const std::string kShipped = std::string(TESSERA_SOURCE_DIR) + "/data/extensions.xml";
const std::string kCli = std::string(TESSERA_BIN_DIR) + "/tessera-cli";

class OnlineTest : public LoopbackSuite {
protected:
    // Runs tessera-cli with the given environment words; output and
    // standard error together.
    std::string cli(const std::string &environment, const std::string &argument, int *exit)
    {
        int status = 0;
        std::string out = commandOutput("env TMPDIR='" + tmp_ + "' " + environment + " '" + kCli +
                                            "' " + argument + " 2>&1",
                                        &status);
        *exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return out;
    }
};

TEST(VersionCompare, MajorNumericFractionAsDecimalDigits)
{
    const struct {
        const char *theirs;
        int expected;
    } rows[] = {
        {"2.4", 1},
        {"2.33", 0},
        {"2.100", 0},
        {"2.330", 0},
        {"2.331", 1},
        {"10.0", 1},
        {"3", 1},
        {"2", 0},
        {"02.40", 1},
        {" 2.40\n", 1},
        {"1.99", 0},
        {"", -2},
        {"  ", -2},
        {"2.x", -2},
        {"v2.4", -2},
        {"2.", -2},
        {".5", -2},
        {"2.4.1", -2},
        {"99999999999999999999999.0", 1},
    };
    for (const auto &row : rows)
        EXPECT_EQ(compareVersion(row.theirs, kProgramVersion), row.expected)
            << '"' << row.theirs << '"';
}

TEST(DatabaseText, NeedsTheRootItsEndAndAnExtension)
{
    const std::string whole = readWhole(kShipped);
    EXPECT_TRUE(isDatabaseText(whole));
    EXPECT_FALSE(isDatabaseText(whole.substr(0, whole.size() / 2)));
    EXPECT_FALSE(isDatabaseText("<tessera version=\"1\">\n</tessera>\n"));
    EXPECT_FALSE(isDatabaseText("<tesserax><ext name=\"a\"/></tesserax>"));
    EXPECT_FALSE(isDatabaseText("<other><ext name=\"a\"/></other>"));
    EXPECT_FALSE(isDatabaseText(whole + "<!-- after -->"));
    EXPECT_TRUE(
        isDatabaseText("<?xml version=\"1.0\"?><!-- c --><tessera><ext name=\"a\"/></tessera>\n"));
}

// Every way the database download can fail: its message, the user copy
// byte for byte as it was, and nothing left in the temporary folder.
TEST_F(OnlineTest, DatabaseDownloadFaultMatrix)
{
    const std::string damaged = kTextDamaged;
    const std::string transport = kTextTransportFailed;
    const struct {
        std::string url;
        std::string message;
    } rows[] = {
        {servers_->http("fault/404"), transport},
        {servers_->http("fault/short"), transport},
        {servers_->http("fault/close"), transport},
        {servers_->http("big.zip"), transport}, // beyond the 32 MiB cap
        {servers_->http("fault/loop"), transport},
        {servers_->http("fault/redirect/file:///etc/passwd"), transport},
        {servers_->https("good.zip"), transport}, // self-signed
        {"http://127.0.0.1:1/good.zip", transport},
        {"file://" + served_->file("good.zip"), transport},
        {"gopher://127.0.0.1/good.zip", transport},
        {servers_->http("noentry.zip"), damaged},
        {servers_->http("bomb.zip"), damaged},
        {servers_->http("random.zip"), damaged},
        {servers_->http("truncated.zip"), damaged},
        {servers_->http("crc.zip"), damaged},
        {servers_->http("encrypted.zip"), damaged},
        {servers_->http("bzip2.zip"), damaged},
        {servers_->http("empty.zip"), damaged},
        {servers_->http("noext.zip"), damaged},
        {servers_->http("notzip.zip"), damaged},
        {servers_->ftp("missing.zip"), transport}, // 550
        {servers_->ftp("crc.zip"), damaged},
    };
    // The user's data folder lies outside the watched temporary folder.
    const std::string data = root_.sub("data");
    const std::string copy = root_.sub("data/tessera") + "/extensions.xml";
    const std::string before = "<tessera version=\"7\">\n<ext name=\"GL_kept\"/>\n</tessera>\n";
    for (const auto &row : rows) {
        writeWhole(copy, before);
        int exit = 0;
        const std::string out =
            cli("XDG_DATA_HOME='" + data + "' TESSERA_DATABASE_URL='" + row.url + "'",
                "--update-database", &exit);
        EXPECT_EQ(exit, 1) << row.url;
        EXPECT_EQ(out, "tessera-cli: " + row.message + "\n") << row.url;
        EXPECT_EQ(readWhole(copy), before) << row.url;
        EXPECT_EQ(tmpEntries(), 0) << row.url;
    }
}

// A good archive over HTTP (an entry name in another case) and FTP is
// installed into the user copy; the previous copy is kept as .bak.
TEST_F(OnlineTest, DatabaseDownloadInstallsTheUserCopy)
{
    std::vector<std::string> urls = {servers_->http("good.zip"), servers_->http("upper.zip")};
    ASSERT_TRUE(servers_->hasFtp()) << "python3-pyftpdlib is missing (scripts/deps)";
    urls.push_back(servers_->ftp("good.zip"));
    for (const std::string &url : urls) {
        const std::string data = root_.sub("data" + std::to_string(&url - &urls[0]));
        const std::string copy =
            root_.sub("data" + std::to_string(&url - &urls[0]) + "/tessera") + "/extensions.xml";
        writeWhole(copy, "<tessera>\n<ext name=\"GL_old\"/>\n</tessera>\n");
        int exit = 0;
        const std::string out =
            cli("XDG_DATA_HOME='" + data + "' TESSERA_DATABASE_URL='" + url + "'",
                "--update-database", &exit);
        EXPECT_EQ(exit, 0) << url << out;
        EXPECT_EQ(readWhole(copy + ".bak"), "<tessera>\n<ext name=\"GL_old\"/>\n</tessera>\n");
        const std::string now = readWhole(copy);
        EXPECT_TRUE(isDatabaseText(now)) << url;
        EXPECT_NE(now.find("GL_ARB_multitexture"), std::string::npos) << url;
        EXPECT_EQ(now.find("GL_old"), std::string::npos) << url;
        EXPECT_EQ(tmpEntries(), 0) << url;
    }
}

TEST_F(OnlineTest, UpdateCheckOutcomes)
{
    const struct {
        std::string url;
        int exit;
        std::string output;
    } rows[] = {
        {servers_->http("same.xsa"), 3, std::string(kTextUpToDate) + "\n"},
        {servers_->http("older.xsa"), 3, std::string(kTextUpToDate) + "\n"},
        {servers_->http("newer.xsa"), 0,
         "A newer version is available: 2.40\nhttps://tessera.example.org/news\n"},
        {servers_->http("major.xsa"), 0,
         "A newer version is available: 10.0\nhttps://tessera.example.org/news\n"},
        {servers_->http("spaced.xsa"), 0,
         "A newer version is available:  2.40\n\nhttps://tessera.example.org/news\n"},
        {servers_->http("fileurl.xsa"), 0, "A newer version is available: 2.40\n"},
        {servers_->http("case.xsa"), 1, "tessera-cli: Error in XSA\n"},
        {servers_->http("emptyversion.xsa"), 1, "tessera-cli: Error in XSA\n"},
        {servers_->http("big.xsa"), 1, "tessera-cli: Unable to connect to the server\n"},
        {servers_->http("fault/404"), 1, "tessera-cli: Unable to connect to the server\n"},
        {servers_->https("same.xsa"), 1, "tessera-cli: Unable to connect to the server\n"},
        {servers_->ftp("newer.xsa"), 0,
         "A newer version is available: 2.40\nhttps://tessera.example.org/news\n"},
    };
    for (const auto &row : rows) {
        int exit = 0;
        const std::string out =
            cli("TESSERA_UPDATE_URL='" + row.url + "'", "--check-update", &exit);
        EXPECT_EQ(exit, row.exit) << row.url;
        EXPECT_EQ(out, row.output) << row.url;
        EXPECT_EQ(tmpEntries(), 0) << row.url;
    }
}

// Redirects with the self-signed server trusted, so that a refusal is the
// redirect rule's and not the certificate's: https may lead to https only,
// http to http(s), and nothing leads to a file.
TEST_F(OnlineTest, RedirectsNeverLeaveTheWebNorStepDownFromHttps)
{
    ASSERT_TRUE(servers_->hasHttps());
    setenv("TESSERA_CA_FILE", served_->file("..cert.pem").c_str(), 1);
    const std::string http = servers_->http("good.zip");
    const std::string https = servers_->https("good.zip");
    const struct {
        std::string url;
        int result;
    } rows[] = {
        {https, 0},
        {servers_->https("fault/redirect/" + https), 0},
        {servers_->https("fault/redirect/" + http), -1},
        {servers_->https("fault/redirect/file://" + served_->file("good.zip")), -1},
        {servers_->http("fault/redirect/" + https), 0},
        {servers_->http("fault/redirect/" + http), 0},
        {servers_->http("fault/redirect/file://" + served_->file("good.zip")), -1},
    };
    for (const auto &row : rows) {
        std::string text;
        EXPECT_EQ(fetchDatabase(row.url, nullptr, text), row.result) << row.url;
        EXPECT_EQ(text.empty(), row.result != 0) << row.url;
        EXPECT_EQ(tmpEntries(), 0) << row.url;
    }
    unsetenv("TESSERA_CA_FILE");
}

// A server that sends a byte now and then is given up once the stall
// window has passed, and a cancel ends the transfer within a second.
TEST_F(OnlineTest, TrickleStallsAndCancel)
{
    setenv("TESSERA_NET_TIMEOUT", "2", 1);
    auto start = std::chrono::steady_clock::now();
    std::string text;
    Progress stalled;
    EXPECT_EQ(fetchDatabase(servers_->http("fault/trickle"), &stalled, text), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    unsetenv("TESSERA_NET_TIMEOUT");

    Progress progress;
    std::atomic<int> result{1};
    std::atomic<bool> ended{false};
    std::thread worker([&] {
        std::string t;
        result = fetchDatabase(servers_->http("fault/trickle"), &progress, t);
        ended = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(progress.status(), "Downloading ...");
    EXPECT_FALSE(ended);
    start = std::chrono::steady_clock::now();
    progress.cancel();
    while (!ended && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    worker.join();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(tmpEntries(), 0);
}

} // namespace

namespace {

std::string plainReport(tsRendererCaps *caps, tsDatabase *db, LiveReadings &lr)
{
    const int32_t n = tsBuildReportPieces(nullptr, 0, &lr.system, caps, &lr.icds, db, 0);
    std::vector<tsReportPiece> pieces(static_cast<size_t>(n));
    tsBuildReportPieces(pieces.data(), n, &lr.system, caps, &lr.icds, db, 0);
    const size_t length =
        tsRenderReport(pieces.data(), n, nullptr, nullptr, TS_RENDER_PLAIN, nullptr, 0);
    std::string text(length + 1, '\0');
    tsRenderReport(pieces.data(), n, nullptr, nullptr, TS_RENDER_PLAIN, &text[0], text.size());
    text.resize(length);
    return text;
}

std::string resolvedMasks(const tsDatabase *db)
{
    std::string all;
    for (const tsExtension *e = db->extensions; e; e = e->next)
        for (const tsEntryPoint *ep = e->entryPoints; ep; ep = ep->next)
            all += std::string(e->name) + ep->name + std::to_string(ep->resolved) +
                   std::to_string(e->support);
    for (const tsCoreVersion *c = db->coreVersions; c; c = c->next)
        for (const tsEntryPoint *ep = c->entryPoints; ep; ep = ep->next)
            all += std::string(c->version) + ep->name + std::to_string(ep->resolved);
    return all;
}

} // namespace

// Installing the database that is already loaded, with both readings held,
// changes neither reading's report nor any match mask; a damaged text
// leaves the loaded database in place.
TEST(Install, SameDatabaseKeepsBothReports)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under the private Xvfb";
    LiveReadings &lr = liveReadings();
    ASSERT_TRUE(lr.read[0] && lr.read[1]);
    lr.db->currentReading = 1; // the reading every view shows must carry over
    const std::string before[2] = {plainReport(&lr.caps[0], lr.db, lr),
                                   plainReport(&lr.caps[1], lr.db, lr)};
    const std::string masks = resolvedMasks(lr.db);

    TempDir dir;
    const std::string path = dir.file("user/tessera/extensions.xml");
    // What the publisher would serve: the loaded database as written.
    ASSERT_EQ(tsDatabaseWrite(dir.file("served.xml").c_str(), lr.db), 0);
    const std::string served = readWhole(dir.file("served.xml"));
    tsDatabase *const loaded = lr.db;
    tsRendererCaps *const held[2] = {&lr.caps[0], &lr.caps[1]};
    EXPECT_EQ(installDatabase(&lr.db, "<tessera><ext name=\"GL_a\"/>", held, &lr.icds,
                              lr.system.system, path),
              -3);
    EXPECT_EQ(lr.db, loaded);

    ASSERT_EQ(installDatabase(&lr.db, readWhole(kShipped), held, &lr.icds, lr.system.system, path),
              0);
    EXPECT_EQ(lr.db->currentReading, 1);
    EXPECT_EQ(lr.db->modified, 0u);
    EXPECT_EQ(plainReport(&lr.caps[0], lr.db, lr), before[0]);
    EXPECT_EQ(plainReport(&lr.caps[1], lr.db, lr), before[1]);
    EXPECT_EQ(resolvedMasks(lr.db), masks);
    EXPECT_TRUE(isDatabaseText(readWhole(path)));

    // A folder where the file should be: installed, but not written.
    const std::string blocked = dir.sub("blocked");
    EXPECT_EQ(
        installDatabase(&lr.db, readWhole(kShipped), held, &lr.icds, lr.system.system, blocked),
        -4);
    EXPECT_EQ(lr.db->modified, 1u);
}
