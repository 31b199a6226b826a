/* tsInfoReadAll: both readings at once, each in a reader process started
 * with posix_spawn, its answer read through a pipe within a time limit. */
#include "sounder/readers.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "database/compliance.h"
#include "keel/keel.h"
#include "probe/info_internal.h"
#include "probe/reader_environment.h"
#include "probe/reading_format.h"

extern char **environ;

namespace sounder {
namespace {

constexpr int kReadings = 2;
constexpr const char *kReaderName = "tessera-reader";
constexpr const char *kSoftwareVariables[][2] = {
    {"__GLX_VENDOR_LIBRARY_NAME", "mesa"},
    {"LIBGL_ALWAYS_SOFTWARE", "1"},
    {"GALLIUM_DRIVER", "softpipe"},
};
constexpr const char *kReaderTunables =
    "GLIBC_TUNABLES=glibc.malloc.hugetlb=1:glibc.malloc.mmap_threshold=33554432";

long long nowMs()
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

int timeLimitSeconds(const tsReadingOptions *options)
{
    if (options && options->timeoutSeconds > 0)
        return options->timeoutSeconds;
    const char *text = getenv("TESSERA_READ_TIMEOUT");
    if (text && *text) {
        char *end = nullptr;
        long v = strtol(text, &end, 10);
        if (end && *end == '\0' && v > 0 && v <= 86400)
            return static_cast<int>(v);
    }
    return TS_READING_DEFAULT_TIMEOUT;
}

bool executable(const std::string &path)
{
    return !path.empty() && access(path.c_str(), X_OK) == 0;
}

/* The reader program: the one asked for, else beside this library (the
 * build tree), else in <prefix>/libexec/tessera beside <prefix>/lib. */
std::string findReader(const tsReadingOptions *options, std::string &tried)
{
    if (options && options->readerPath && options->readerPath[0]) {
        tried = options->readerPath;
        return executable(tried) ? tried : std::string();
    }
    const char *fromEnv = getenv("TESSERA_READER");
    if (fromEnv && *fromEnv) {
        tried = fromEnv;
        return executable(tried) ? tried : std::string();
    }
    Dl_info info;
    std::string dir = ".";
    if (dladdr(reinterpret_cast<void *>(&tsInfoReadAll), &info) && info.dli_fname) {
        dir = info.dli_fname;
        size_t slash = dir.find_last_of('/');
        dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : dir.substr(0, slash));
    }
    const std::string candidates[] = {dir + "/" + kReaderName,
                                      dir + "/../libexec/tessera/" + kReaderName};
    tried.clear();
    for (const std::string &c : candidates) {
        tried += tried.empty() ? c : ", " + c;
        if (executable(c))
            return c;
    }
    return std::string();
}

bool nameIs(const char *entry, const char *name)
{
    size_t n = strlen(name);
    return strncmp(entry, name, n) == 0 && entry[n] == '=';
}

} // namespace

/* The reader's environment: this process's, with the software rasteriser's
 * variables for reading 0, the test preload as LD_PRELOAD when asked, and
 * the allocator of the C library told to use large pages.
 *
 * Mesa's software rasterisers allocate and clear tens of megabytes of caches
 * per context: in small pages that is 85,000 page faults for softpipe, most
 * of its start-up time on a virtual machine.  Large pages for the heap, and
 * allocations of up to 32 MiB kept in the heap, bring that down to a few
 * thousand.  The setting changes nothing a driver answers; a GLIBC_TUNABLES
 * of the user's own is left alone. */
std::vector<std::string> readerEnvironment(int reading)
{
    std::vector<std::string> env;
    const char *preload = getenv("TESSERA_READER_PRELOAD");
    const char *oldPreload = getenv("LD_PRELOAD");
    for (char **e = environ; e && *e; ++e) {
        bool replaced = preload && *preload && nameIs(*e, "LD_PRELOAD");
        if (reading == 0)
            for (const auto &v : kSoftwareVariables)
                replaced = replaced || nameIs(*e, v[0]);
        if (!replaced)
            env.emplace_back(*e);
    }
    if (reading == 0)
        for (const auto &v : kSoftwareVariables)
            env.push_back(std::string(v[0]) + "=" + v[1]);
    if (preload && *preload)
        env.push_back(std::string("LD_PRELOAD=") + preload +
                      (oldPreload && *oldPreload ? std::string(":") + oldPreload : ""));
    if (!getenv("GLIBC_TUNABLES"))
        env.push_back(kReaderTunables);
    return env;
}

namespace {

struct Reader {
    int index = 0;
    pid_t pid = -1;
    int out = -1;
    int in = -1;       /* where the entry-point names go; -1 once all went */
    std::string names; /* the names, one a line */
    size_t sent = 0;   /* bytes of names written */
    bool namesReady = false;
    bool running = false;
    std::string data;
    bool tooLarge = false;
    bool timedOut = false;
    bool reaped = false;
    int exited = -1; /* readable once the reader has ended; -1 without one */
    int status = 0;
    long long started = 0;
    long long deadline = 0; /* set when the names are handed over */
    long long ended = 0;
    std::string startError; /* why it could not be started */
};

void startReader(Reader &r, const std::string &program)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        r.startError = std::string("no pipe: ") + strerror(errno);
        return;
    }
    /* The names go through a socket: a reader that is gone then gives an
     * error on sending (MSG_NOSIGNAL), not a SIGPIPE in this process. */
    int names[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, names) != 0) {
        r.startError = std::string("no socket for the entry-point names: ") + strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, names[1], 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);

    /* The reader starts with default signal handling and nothing blocked,
     * whatever this process has set up. */
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const std::string reading = std::to_string(r.index);
    const std::string parent = std::to_string(static_cast<long>(getpid()));
    std::vector<char *> argv = {const_cast<char *>(program.c_str()),
                                const_cast<char *>("--reading"),
                                const_cast<char *>(reading.c_str()),
                                const_cast<char *>("--system"),
                                const_cast<char *>("--parent"),
                                const_cast<char *>(parent.c_str()),
                                nullptr};
    std::vector<std::string> env = readerEnvironment(r.index);
    std::vector<char *> envp;
    for (std::string &e : env)
        envp.push_back(&e[0]);
    envp.push_back(nullptr);

    r.started = nowMs();
    int rc = posix_spawn(&r.pid, program.c_str(), &actions, &attr, argv.data(), envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    close(names[1]);
    if (rc != 0) {
        close(fds[0]);
        close(names[0]);
        r.pid = -1;
        r.startError = program + ": " + strerror(rc);
        return;
    }
    r.out = fds[0];
    r.in = names[0];
    r.running = true;
    /* The reader closes its answer only when it ends, after the kernel has
     * freed its memory: its status is then taken the moment it is there,
     * not at the next look (a kernel before 5.3 has no such descriptor, and
     * the reader is looked at every 2 ms instead). */
#ifdef SYS_pidfd_open
    r.exited = static_cast<int>(syscall(SYS_pidfd_open, r.pid, 0));
#endif
}

void closeNames(Reader &r)
{
    if (r.in >= 0) {
        close(r.in);
        r.in = -1;
    }
}

/* Sends what the socket takes of the names without waiting; closes it once
 * all went (the reader then sees their end) or the reader is gone. */
void sendNames(Reader &r)
{
    while (r.in >= 0 && r.sent < r.names.size()) {
        ssize_t n = send(r.in, r.names.data() + r.sent, r.names.size() - r.sent,
                         MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0) {
            closeNames(r);
            return;
        }
        r.sent += static_cast<size_t>(n);
    }
    closeNames(r);
}

void closeExitWatch(Reader &r)
{
    if (r.exited >= 0) {
        close(r.exited);
        r.exited = -1;
    }
}

/* Collects the exit status; true once the reader is gone. */
bool reap(Reader &r, bool wait)
{
    if (r.reaped || r.pid < 0)
        return true;
    for (;;) {
        int status = 0;
        pid_t got = waitpid(r.pid, &status, wait ? 0 : WNOHANG);
        if (got == r.pid) {
            r.status = status;
            r.reaped = true;
            closeExitWatch(r);
            return true;
        }
        if (got == 0)
            return false;
        if (errno == EINTR)
            continue;
        /* Not our child any more (SIGCHLD ignored by the program): the
         * answer alone decides. */
        r.status = 0;
        r.reaped = true;
        closeExitWatch(r);
        return true;
    }
}

void stopReader(Reader &r)
{
    closeNames(r);
    if (r.out >= 0) {
        close(r.out);
        r.out = -1;
    }
    if (r.pid > 0 && !r.reaped) {
        kill(r.pid, SIGKILL);
        reap(r, true);
    }
    r.running = false;
    r.ended = nowMs();
}

/* Hands every reader its names and reads its answer until it ends, is
 * stopped at its deadline or writes more than an answer can hold. */
void collect(Reader *readers, int count)
{
    char buffer[65536];
    for (;;) {
        std::vector<struct pollfd> polls;
        std::vector<Reader *> owners;
        long long wait = -1;
        bool any = false;
        const long long now = nowMs();
        for (int i = 0; i < count; ++i) {
            Reader &r = readers[i];
            if (!r.running)
                continue;
            const long long left = r.deadline - now;
            if (left <= 0) {
                r.timedOut = true;
                stopReader(r);
                continue;
            }
            long long next = left;
            if (r.in >= 0) {
                polls.push_back({r.in, POLLOUT, 0});
                owners.push_back(&r);
            }
            if (r.out >= 0) {
                polls.push_back({r.out, POLLIN, 0});
                owners.push_back(&r);
            } else if (reap(r, false)) {
                closeNames(r);
                r.running = false;
                r.ended = nowMs();
                continue;
            } else if (r.exited >= 0) {
                polls.push_back({r.exited, POLLIN, 0}); /* output closed: wait for the end */
                owners.push_back(&r);
            } else if (next > 2) {
                next = 2; /* output closed, process not gone yet: look again soon */
            }
            any = true;
            wait = wait < 0 || next < wait ? next : wait;
        }
        if (!any)
            return;
        int ready = poll(polls.data(), polls.size(), static_cast<int>(wait));
        if (ready < 0 && errno != EINTR)
            return;
        for (size_t i = 0; ready > 0 && i < polls.size(); ++i) {
            if (!polls[i].revents)
                continue;
            Reader &r = *owners[i];
            if (polls[i].fd == r.in) {
                sendNames(r);
                continue;
            }
            if (polls[i].fd != r.out)
                continue; /* closed in this round */
            ssize_t n = read(r.out, buffer, sizeof buffer);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0) {
                close(r.out);
                r.out = -1;
                continue;
            }
            if (r.data.size() + static_cast<size_t>(n) > kReadingMaxBytes) {
                r.tooLarge = true;
                stopReader(r);
                continue;
            }
            r.data.append(buffer, static_cast<size_t>(n));
        }
    }
}

/* One failure in the failure log's own form: heading, message, "\r\n". */
std::string failureText(const std::string &message)
{
    return "...Reader process:\r\n" + message + "\r\n";
}

std::string signalName(int sig)
{
    const char *abbrev = sigabbrev_np(sig);
    return abbrev ? std::string("SIG") + abbrev : std::string("unknown");
}

void setLog(tsReadingOutcome &o, const std::string &text, int failures)
{
    sysStrlCpy(o.log, text.c_str(), sizeof o.log);
    o.failures = failures;
}

/* Judges how the reader ended and decodes its answer.  True when answer
 * holds a whole reading (which may still say the probe did not open). */
bool judge(const Reader &r, int timeLimit, size_t questions, ReadingAnswer &answer,
           tsReadingOutcome &o)
{
    o.milliseconds = static_cast<int32_t>(r.ended - r.started);
    char message[256];
    if (r.startError == "not asked for") {
        setLog(o, failureText("This reading was not asked for.\n"), 1);
        return false;
    }
    if (!r.startError.empty()) {
        setLog(o, failureText("The reader program could not be started: " + r.startError + "\n"),
               1);
        return false;
    }
    if (r.timedOut) {
        o.timedOut = 1;
        snprintf(message, sizeof message, "The driver did not answer within %d s.\n", timeLimit);
        setLog(o, failureText(message), 1);
        return false;
    }
    if (r.tooLarge) {
        snprintf(message, sizeof message,
                 "The reader's answer is larger than %zu bytes: not a reading.\n",
                 kReadingMaxBytes);
        setLog(o, failureText(message), 1);
        return false;
    }
    if (WIFSIGNALED(r.status)) {
        o.signal = WTERMSIG(r.status);
        snprintf(message, sizeof message, "The driver crashed while being read (signal %d: %s).\n",
                 o.signal, signalName(o.signal).c_str());
        setLog(o, failureText(message), 1);
        return false;
    }
    if (WIFEXITED(r.status) && WEXITSTATUS(r.status) != 0) {
        snprintf(message, sizeof message, "The reader ended with status %d.\n",
                 WEXITSTATUS(r.status));
        setLog(o, failureText(message), 1);
        return false;
    }
    std::string reason;
    if (!decodeReading(r.data.data(), r.data.size(), answer, reason) ||
        (answer.opened && answer.entryPoints.size() != questions)) {
        if (reason.empty())
            reason = "it answers another list of entry points";
        setLog(o, failureText("The reader's answer is not a whole reading: " + reason + ".\n"), 1);
        return false;
    }
    setLog(o, answer.log, static_cast<int>(answer.failures));
    return true;
}

} // namespace
} // namespace sounder

/* Readers started by tsInfoReadStart, waiting for their names. */
struct tsReadingSession {
    sounder::Reader readers[sounder::kReadings];
    int timeLimit = TS_READING_DEFAULT_TIMEOUT;
    int withDirect3D = 0;
};

namespace sounder {
namespace {

tsReadingSession *startSession(const tsReadingOptions *options)
{
    tsReadingSession *session = new (std::nothrow) tsReadingSession;
    if (!session)
        return nullptr;
    session->timeLimit = timeLimitSeconds(options);
    session->withDirect3D = options && options->withDirect3D ? 1 : 0;
    std::string tried;
    const std::string program = findReader(options, tried);
    const int asked = options && options->readings ? options->readings : 3;
    for (int i = 0; i < kReadings; ++i) {
        Reader &r = session->readers[i];
        r.index = i;
        if (!(asked & (1 << i)))
            r.startError = "not asked for";
        else if (program.empty())
            r.startError = "not found (looked for " + tried + ")";
        else
            startReader(r, program);
    }
    return session;
}

void endSession(tsReadingSession *session)
{
    for (Reader &r : session->readers)
        stopReader(r);
    delete session;
}

} // namespace
} // namespace sounder

extern "C" SOUNDER_API tsReadingSession *tsInfoReadStart(const tsReadingOptions *options)
{
    if (options && options->size != sizeof(tsReadingOptions))
        return nullptr;
    return sounder::startSession(options);
}

extern "C" SOUNDER_API void tsInfoReadCancel(tsReadingSession *session)
{
    if (session)
        sounder::endSession(session);
}

extern "C" SOUNDER_API int tsInfoReadFinish(tsReadingSession *session, tsDatabase *db,
                                            tsRendererCaps *caps, tsSystemInfo *system,
                                            tsIcdList *icd, tsReadingOutcome *outcomes)
{
    using namespace sounder;
    if (!session)
        return -1;
    if (!caps || caps[0].size != sizeof(tsRendererCaps) || caps[1].size != sizeof(tsRendererCaps)) {
        endSession(session);
        return -1;
    }

    tsReadingOutcome local[kReadings];
    if (!outcomes)
        outcomes = local;
    for (int i = 0; i < kReadings; ++i) {
        memset(&outcomes[i], 0, sizeof outcomes[i]);
        tsInfoRelease(&caps[i]);
        memset(&caps[i], 0, sizeof caps[i]);
        caps[i].size = sizeof(tsRendererCaps);
    }

    const int timeLimit = session->timeLimit;
    const std::vector<std::string> questions = db::entryPointQuestions(db);
    std::string names;
    for (const std::string &n : questions) {
        names += n;
        names += '\n';
    }
    /* The time limit runs from the start; when the caller handed the names
     * over more than a second later, from then (waiting for the caller is
     * not the driver's doing). */
    Reader *readers = session->readers;
    const long long now = nowMs();
    for (int i = 0; i < kReadings; ++i) {
        Reader &r = readers[i];
        r.names = names;
        r.sent = 0;
        const long long base = now - r.started > 1000 ? now : r.started;
        r.deadline = base + static_cast<long long>(timeLimit) * 1000;
        if (r.running)
            sendNames(r);
    }

    /* The driver list needs no driver: it is built while the readers run. */
    tsIcdList ownList;
    tsIcdList *drivers = icd ? icd : &ownList;
    tsInfoGetICD(drivers);

    collect(readers, kReadings);

    ReadingAnswer answers[kReadings];
    bool whole[kReadings];
    for (int i = 0; i < kReadings; ++i)
        whole[i] = judge(readers[i], timeLimit, questions.size(), answers[i], outcomes[i]);
    const int withDirect3D = session->withDirect3D;
    endSession(session);

    tsSystemInfo ownSystem;
    memset(&ownSystem, 0, sizeof ownSystem);
    tsSystemInfo *described = system ? system : &ownSystem;
    const ReadingAnswer *source = whole[1] && answers[1].hasSystem   ? &answers[1]
                                  : whole[0] && answers[0].hasSystem ? &answers[0]
                                                                     : nullptr;
    if (source)
        applyReadingSystem(*source, *described);
    else
        tsDescribeSystem(described, nullptr, 0);
    if (withDirect3D)
        tsInfoGetDXInfo(&described->dxVersion, &described->dxShaderModel);

    int made = 0;
    for (int i = 0; i < kReadings; ++i) {
        if (!whole[i] || !answers[i].opened)
            continue;
        if (!applyReadingRecord(answers[i], caps[i])) {
            setLog(outcomes[i], failureText("Out of memory while taking the reading over.\n"), 1);
            continue;
        }
        outcomes[i].made = 1;
        made |= 1 << i;
        if (!db)
            continue;
        db->currentReading = i;
        outcomes[i].updated = tsDatabaseUpdate(db, &caps[i], drivers, described->system);
        std::unordered_map<std::string_view, bool> resolved; // of the names in questions
        for (size_t k = 0; k < questions.size(); ++k)
            resolved.emplace(questions[k], answers[i].entryPoints[k] != 0);
        db::solveDatabase(db, &caps[i], i, answers[i].entryPointsCheckable,
                          [&resolved](const char *name) {
                              auto it = resolved.find(name);
                              return it != resolved.end() && it->second;
                          });
    }
    if (db)
        db->currentReading = 1;

    if (!system)
        tsSystemInfoRelease(&ownSystem);
    failureLogReplace(outcomes[1].log, outcomes[1].failures);
    return made;
}

extern "C" SOUNDER_API int tsInfoReadAll(const tsReadingOptions *options, tsDatabase *db,
                                         tsRendererCaps *caps, tsSystemInfo *system, tsIcdList *icd,
                                         tsReadingOutcome *outcomes)
{
    if (!caps || caps[0].size != sizeof(tsRendererCaps) || caps[1].size != sizeof(tsRendererCaps))
        return -1;
    if (options && options->size != sizeof(tsReadingOptions))
        return -1;
    tsReadingSession *session = tsInfoReadStart(options);
    if (!session)
        return -1;
    return tsInfoReadFinish(session, db, caps, system, icd, outcomes);
}
