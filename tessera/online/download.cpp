/* Downloads over HTTP(S) and FTP(S) with libcurl. */
#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

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

struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

/* The scheme of url in lower case, parsed by libcurl; empty when the URL
 * does not parse or lacks a host. */
std::string schemeOf(const std::string &url)
{
    std::string scheme;
    CURLU *u = curl_url();
    if (!u)
        return scheme;
    if (curl_url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
        char *s = nullptr;
        char *host = nullptr;
        if (curl_url_get(u, CURLUPART_SCHEME, &s, 0) == CURLUE_OK &&
            curl_url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK && host && *host)
            scheme = s;
        curl_free(s);
        curl_free(host);
    }
    curl_url_cleanup(u);
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
    static CurlGlobal global;
    const std::string scheme = schemeOf(url);
    const bool http = scheme == "http" || scheme == "https";
    const bool ftp = scheme == "ftp" || scheme == "ftps";
    status(progress, "Connecting ...", 0);
    if (!http && !ftp)
        return -1;

    std::unique_ptr<CURL, void (*)(CURL *)> easy(curl_easy_init(), curl_easy_cleanup);
    std::unique_ptr<CURLM, CURLMcode (*)(CURLM *)> multi(curl_multi_init(), curl_multi_cleanup);
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

    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, connectTimeout);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, writeBlock);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(cap));
    /* Verification stays on (libcurl's default); set it anyway so that no
     * environment or later change turns it off unnoticed. */
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    /* A mirror with a certificate of a private authority: TESSERA_CA_FILE
     * names the authorities to trust instead of the system's. */
    if (const char *authorities = std::getenv("TESSERA_CA_FILE"); authorities && *authorities)
        curl_easy_setopt(e, CURLOPT_CAINFO, authorities);
    struct curl_slist *headers = nullptr;
    if (http) {
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
        /* Redirects only to http(s), and never from https down to http. */
        curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR,
                         scheme == "https" ? "https" : "http,https");
        curl_easy_setopt(e, CURLOPT_USERAGENT, "InetURL/1.0");
        headers = curl_slist_append(headers, "Cache-Control: no-cache");
        headers = curl_slist_append(headers, "Pragma: no-cache");
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers);
        status(progress, "Connecting HTTP connection ...", 25);
    } else {
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "ftp,ftps");
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(e, CURLOPT_USERNAME, "anonymous");
        curl_easy_setopt(e, CURLOPT_PASSWORD, "tessera@corvane.invalid");
        curl_easy_setopt(e, CURLOPT_TRANSFERTEXT, 0L);
        status(progress, "Opening FTP connection ...", 25);
    }

    curl_multi_add_handle(multi.get(), e);
    status(progress, "Downloading ...", 50);

    using Clock = std::chrono::steady_clock;
    Clock::time_point windowStart = Clock::now();
    long long windowBytes = 0;
    bool stalled = false, cancelled = false;
    int running = 1;
    while (running) {
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK)
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
        curl_multi_poll(multi.get(), nullptr, 0, 100, nullptr);
    }

    CURLcode result = CURLE_OK;
    bool done = false;
    int queued = 0;
    while (CURLMsg *msg = curl_multi_info_read(multi.get(), &queued))
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == e) {
            result = msg->data.result;
            done = true;
        }
    long code = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &code);
    curl_off_t announced = -1;
    curl_easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    curl_multi_remove_handle(multi.get(), e);
    curl_slist_free_all(headers);

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
