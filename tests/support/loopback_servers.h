// Real HTTP, HTTPS and FTP servers on 127.0.0.1 for the online tests
// (tests/online/servers.py): ports chosen by the system, a bounded lifetime,
// stopped when the object goes.  Proxy variables are cleared so that the
// downloads go straight to the loopback servers.  LoopbackSuite starts one
// set of them for a whole test suite.
#ifndef TESTS_SUPPORT_LOOPBACK_SERVERS_H
#define TESTS_SUPPORT_LOOPBACK_SERVERS_H

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

class LoopbackServers {
public:
    // Serves folder (the script builds its archives and indexes there from
    // the database file) for at most lifetime seconds.
    LoopbackServers(const std::string &folder, const std::string &database, int lifetime = 300)
    {
        for (const char *name :
             {"http_proxy", "https_proxy", "ftp_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY",
              "FTP_PROXY", "ALL_PROXY", "no_proxy", "NO_PROXY"})
            unsetenv(name);
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
            const std::string script = std::string(TESSERA_SOURCE_DIR) + "/tests/online/servers.py";
            const std::string seconds = std::to_string(lifetime);
            execl("/usr/bin/python3", "python3", script.c_str(), folder.c_str(), database.c_str(),
                  seconds.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        stdin_ = in[1];
        FILE *from = fdopen(out[0], "r");
        char line[128];
        while (from && std::fgets(line, sizeof line, from)) {
            int port = 0;
            if (std::sscanf(line, "http %d", &port) == 1)
                http_ = port;
            else if (std::sscanf(line, "https %d", &port) == 1)
                https_ = port;
            else if (std::sscanf(line, "ftp %d", &port) == 1)
                ftp_ = port;
            else if (std::string(line) == "ready\n") {
                ready_ = true;
                break;
            }
        }
        if (from)
            std::fclose(from);
    }
    ~LoopbackServers()
    {
        if (stdin_ >= 0)
            close(stdin_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    LoopbackServers(const LoopbackServers &) = delete;
    LoopbackServers &operator=(const LoopbackServers &) = delete;

    bool ready() const { return ready_; }
    std::string http(const std::string &path) const { return url("http", http_, path); }
    std::string https(const std::string &path) const { return url("https", https_, path); }
    std::string ftp(const std::string &path) const { return url("ftp", ftp_, path); }
    bool hasFtp() const { return ftp_ > 0; }
    bool hasHttps() const { return https_ > 0; }

private:
    static std::string url(const char *scheme, int port, const std::string &path)
    {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + "/" + path;
    }
    pid_t pid_ = -1;
    int stdin_ = -1;
    int http_ = 0, https_ = 0, ftp_ = 0;
    bool ready_ = false;
};

// Loopback servers started once for the suite, serving the shipped
// database's archives and indexes from served_; every test gets its own
// temporary folder (TMPDIR) under root_, so that leftovers show.
class LoopbackSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        served_ = new TempDir;
        servers_ = new LoopbackServers(served_->path(),
                                       std::string(TESSERA_SOURCE_DIR) + "/data/extensions.xml");
    }
    static void TearDownTestSuite()
    {
        delete servers_;
        delete served_;
        servers_ = nullptr;
        served_ = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(servers_->ready());
        tmp_ = root_.sub("tmp");
        setenv("TMPDIR", tmp_.c_str(), 1);
    }
    void TearDown() override { unsetenv("TMPDIR"); }

    // Entries left in the test's temporary folder, hidden ones included.
    int tmpEntries() const
    {
        int n = 0;
        std::error_code ec;
        for (std::filesystem::directory_iterator it(tmp_, ec), end; !ec && it != end;
             it.increment(ec))
            ++n;
        return n;
    }

    static inline TempDir *served_ = nullptr;
    static inline LoopbackServers *servers_ = nullptr;
    TempDir root_;
    std::string tmp_;
};

#endif
