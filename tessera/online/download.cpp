/* Downloads over HTTP(S) and FTP(S) with libcurl.
 *
 * libcurl and the thirty libraries it pulls in (TLS, Kerberos, LDAP, SSH)
 * are loaded on the first download or URL check, not when the program
 * starts: most runs never go online, and loading them costs every run about
 * 15 ms before main().  The headers still give the prototypes, so each entry
 * point keeps its exact type. */
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "online.h"

namespace tessera {
namespace online {

namespace {

/* Connect timeout and stall window in seconds: TESSERA_NET_TIMEOUT sets
 * both, else 15 and 30. */
long envTimeout()
{
    const char *text = std::getenv("TESSERA_NET_TIMEOUT");
    if (!text || !*text)
        return 0;
    char *end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (*end || value <= 0 || value > 3600)
        return 0;
    return value;
}

struct Transfer {
    FILE *file = nullptr;
    long long cap = 0;
    long long received = 0;
    bool overCap = false;
    bool writeFailed = false;
    Progress *progress = nullptr;
    bool http = false;
};

size_t writeBlock(char *data, size_t size, size_t count, void *user)
{
    Transfer *t = static_cast<Transfer *>(user);
    const size_t n = size * count;
    if (t->received + static_cast<long long>(n) > t->cap) {
        t->overCap = true;
        return 0; /* aborts the transfer */
    }
    if (std::fwrite(data, 1, n, t->file) != n) {
        t->writeFailed = true;
        return 0;
    }
    t->received += static_cast<long long>(n);
    if (t->progress && t->http)
        t->progress->set("Downloading ...", 70);
    return n;
}

void status(Progress *progress, const char *text, int percent)
{
    if (progress)
        progress->set(text, percent);
}

/* The entry points used here, resolved from the shared library at run time. */
struct Curl {
    decltype(&curl_global_init) global_init = nullptr;
    decltype(&curl_easy_init) easy_init = nullptr;
    decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&curl_easy_setopt) easy_setopt = nullptr;
    decltype(&curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&curl_multi_init) multi_init = nullptr;
    decltype(&curl_multi_cleanup) multi_cleanup = nullptr;
    decltype(&curl_multi_add_handle) multi_add_handle = nullptr;
    decltype(&curl_multi_remove_handle) multi_remove_handle = nullptr;
    decltype(&curl_multi_perform) multi_perform = nullptr;
    decltype(&curl_multi_poll) multi_poll = nullptr;
    decltype(&curl_multi_info_read) multi_info_read = nullptr;
    decltype(&curl_slist_append) slist_append = nullptr;
    decltype(&curl_slist_free_all) slist_free_all = nullptr;
    decltype(&curl_url) url = nullptr;
    decltype(&curl_url_set) url_set = nullptr;
    decltype(&curl_url_get) url_get = nullptr;
    decltype(&curl_url_cleanup) url_cleanup = nullptr;
    decltype(&curl_free) free = nullptr;
};

template <typename F>
bool resolve(void *library, const char *name, F *entry)
{
    *entry = reinterpret_cast<F>(dlsym(library, name));
    return *entry != nullptr;
}

/* libcurl, loaded and initialised once; null when it cannot be loaded (the
 * reason is written to stderr once: every download then fails). */
const Curl *curl()
{
    static Curl api;
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] {
        void *library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char *why = dlerror();
            std::fprintf(stderr, "tessera: cannot load libcurl: %s\n", why ? why : "not found");
            return;
        }
        loaded = resolve(library, "curl_global_init", &api.global_init) &&
                 resolve(library, "curl_easy_init", &api.easy_init) &&
                 resolve(library, "curl_easy_cleanup", &api.easy_cleanup) &&
                 resolve(library, "curl_easy_setopt", &api.easy_setopt) &&
                 resolve(library, "curl_easy_getinfo", &api.easy_getinfo) &&
                 resolve(library, "curl_multi_init", &api.multi_init) &&
                 resolve(library, "curl_multi_cleanup", &api.multi_cleanup) &&
                 resolve(library, "curl_multi_add_handle", &api.multi_add_handle) &&
                 resolve(library, "curl_multi_remove_handle", &api.multi_remove_handle) &&
                 resolve(library, "curl_multi_perform", &api.multi_perform) &&
                 resolve(library, "curl_multi_poll", &api.multi_poll) &&
                 resolve(library, "curl_multi_info_read", &api.multi_info_read) &&
                 resolve(library, "curl_slist_append", &api.slist_append) &&
                 resolve(library, "curl_slist_free_all", &api.slist_free_all) &&
                 resolve(library, "curl_url", &api.url) &&
                 resolve(library, "curl_url_set", &api.url_set) &&
                 resolve(library, "curl_url_get", &api.url_get) &&
                 resolve(library, "curl_url_cleanup", &api.url_cleanup) &&
                 resolve(library, "curl_free", &api.free);
        if (!loaded) {
            std::fprintf(stderr, "tessera: libcurl.so.4 lacks an entry point tessera needs "
                                 "(libcurl 7.85 or later is required)\n");
            return;
        }
        /* The library stays loaded for the life of the process. */
        api.global_init(CURL_GLOBAL_DEFAULT);
    });
    return loaded ? &api : nullptr;
}

/* The scheme of url in lower case, parsed by libcurl; empty when the URL
 * does not parse or lacks a host. */
std::string schemeOf(const std::string &url)
{
    std::string scheme;
    const Curl *c = curl();
    if (!c)
        return scheme;
    CURLU *u = c->url();
    if (!u)
        return scheme;
    if (c->url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
        char *s = nullptr;
        char *host = nullptr;
        if (c->url_get(u, CURLUPART_SCHEME, &s, 0) == CURLUE_OK &&
            c->url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK && host && *host)
            scheme = s;
        c->free(s);
        c->free(host);
    }
    c->url_cleanup(u);
    return scheme;
}

} // namespace

bool isWebUrl(const std::string &url)
{
    const std::string scheme = schemeOf(url);
    return scheme == "http" || scheme == "https";
}

int download(const std::string &url, const std::string &localPath, long long cap,
             Progress *progress)
{
    const Curl *c = curl();
    const std::string scheme = schemeOf(url);
    const bool http = scheme == "http" || scheme == "https";
    const bool ftp = scheme == "ftp" || scheme == "ftps";
    status(progress, "Connecting ...", 0);
    if (!c || (!http && !ftp))
        return -1;

    std::unique_ptr<CURL, void (*)(CURL *)> easy(c->easy_init(), c->easy_cleanup);
    std::unique_ptr<CURLM, CURLMcode (*)(CURLM *)> multi(c->multi_init(), c->multi_cleanup);
    if (!easy || !multi)
        return -1;
    CURL *e = easy.get();

    FILE *file = std::fopen(localPath.c_str(), "wb");
    if (!file)
        return -1;
    Transfer t;
    t.file = file;
    t.cap = cap;
    t.progress = progress;
    t.http = http;

    const long timeout = envTimeout();
    const long connectTimeout = timeout ? timeout : 15;
    const long stallWindow = timeout ? timeout : 30;

    c->easy_setopt(e, CURLOPT_URL, url.c_str());
    c->easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    c->easy_setopt(e, CURLOPT_CONNECTTIMEOUT, connectTimeout);
    c->easy_setopt(e, CURLOPT_WRITEFUNCTION, writeBlock);
    c->easy_setopt(e, CURLOPT_WRITEDATA, &t);
    c->easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(cap));
    /* Verification stays on (libcurl's default); set it anyway so that no
     * environment or later change turns it off unnoticed. */
    c->easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    c->easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    /* A mirror with a certificate of a private authority: TESSERA_CA_FILE
     * names the authorities to trust instead of the system's. */
    if (const char *authorities = std::getenv("TESSERA_CA_FILE"); authorities && *authorities)
        c->easy_setopt(e, CURLOPT_CAINFO, authorities);
    struct curl_slist *headers = nullptr;
    if (http) {
        c->easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
        c->easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
        c->easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
        /* Redirects only to http(s), and never from https down to http. */
        c->easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, scheme == "https" ? "https" : "http,https");
        c->easy_setopt(e, CURLOPT_USERAGENT, "InetURL/1.0");
        headers = c->slist_append(headers, "Cache-Control: no-cache");
        headers = c->slist_append(headers, "Pragma: no-cache");
        c->easy_setopt(e, CURLOPT_HTTPHEADER, headers);
        status(progress, "Connecting HTTP connection ...", 25);
    } else {
        c->easy_setopt(e, CURLOPT_PROTOCOLS_STR, "ftp,ftps");
        c->easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
        c->easy_setopt(e, CURLOPT_USERNAME, "anonymous");
        c->easy_setopt(e, CURLOPT_PASSWORD, "tessera@corvane.invalid");
        c->easy_setopt(e, CURLOPT_TRANSFERTEXT, 0L);
        status(progress, "Opening FTP connection ...", 25);
    }

    c->multi_add_handle(multi.get(), e);
    status(progress, "Downloading ...", 50);

    using Clock = std::chrono::steady_clock;
    Clock::time_point windowStart = Clock::now();
    long long windowBytes = 0;
    bool stalled = false, cancelled = false;
    int running = 1;
    while (running) {
        if (c->multi_perform(multi.get(), &running) != CURLM_OK)
            break;
        if (!running)
            break;
        if (progress && progress->cancelled()) {
            cancelled = true;
            break;
        }
        /* A stall: less than 1 KiB arrived within the window. */
        const Clock::time_point now = Clock::now();
        if (t.received - windowBytes >= 1024) {
            windowStart = now;
            windowBytes = t.received;
        } else if (now - windowStart >= std::chrono::seconds(stallWindow)) {
            stalled = true;
            break;
        }
        c->multi_poll(multi.get(), nullptr, 0, 100, nullptr);
    }

    CURLcode result = CURLE_OK;
    bool done = false;
    int queued = 0;
    while (CURLMsg *msg = c->multi_info_read(multi.get(), &queued))
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == e) {
            result = msg->data.result;
            done = true;
        }
    long code = 0;
    c->easy_getinfo(e, CURLINFO_RESPONSE_CODE, &code);
    curl_off_t announced = -1;
    c->easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    c->multi_remove_handle(multi.get(), e);
    c->slist_free_all(headers);

    const bool closeFailed = std::fclose(file) != 0;
    bool ok = done && !stalled && !cancelled && result == CURLE_OK && !t.overCap &&
              !t.writeFailed && !closeFailed;
    if (ok && http && (code < 200 || code >= 400))
        ok = false;
    if (ok && announced >= 0 && announced != t.received)
        ok = false; /* short transfer */
    if (!ok) {
        std::remove(localPath.c_str());
        return -1;
    }
    return 0;
}

} // namespace online
} // namespace tessera
