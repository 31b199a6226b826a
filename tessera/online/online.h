/* tessera online: the update check and the database download, without any
 * user interface.
 *
 * Threads: the worker routines (checkForUpdate, fetchDatabase) do only
 * network, file and zip work on private data and may run on a background
 * thread; they touch nothing but the Progress they are given.  Everything
 * that calls into sounder (installDatabase) runs on the thread that owns
 * the database once the worker has ended.  A cancelled result is to be
 * discarded by the caller. */
#ifndef TESSERA_ONLINE_ONLINE_H
#define TESSERA_ONLINE_ONLINE_H

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "keel/keel.h"

struct tsDatabase;
struct tsRendererCaps;
struct tsIcdList;

namespace tessera {
namespace online {

/* The program version the update index is compared with, and the product
 * identifier looked up in it. */
extern const char *const kProgramVersion; /* "2.33" */
extern const char *const kProductId;      /* "tessera" */

/* Messages shown for the outcomes. */
extern const char *const kTextTransportFailed; /* "FTP error" */
extern const char *const kTextDamaged;         /* bad archive or database */
extern const char *const kTextBadIndex;        /* "Error in XSA" */
extern const char *const kTextUnreachable;     /* 371 */
extern const char *const kTextUpToDate;        /* 369 */
extern const char *const kTextDatabaseUpdated; /* 364 */
extern const char *const kTextWriteFailed;     /* installed, but not written */

/* Shared between a worker and the thread that shows its progress: the
 * percentage and cancel flag are atomics, the status text is guarded.  A
 * front end with its own shared progress record overrides set and
 * cancelled to pass them through. */
class Progress {
public:
    virtual ~Progress() = default;
    virtual void set(const char *status, int percent);
    std::string status() const;
    int percent() const { return percent_.load(); }
    void cancel() { cancelled_.store(true); }
    virtual bool cancelled() const { return cancelled_.load(); }

private:
    mutable std::mutex mutex_;
    std::string status_;
    std::atomic<int> percent_{0};
    std::atomic<bool> cancelled_{false};
};

/* Endpoints: TESSERA_UPDATE_URL / TESSERA_DATABASE_URL when set, else the
 * publisher's defaults. */
std::string updateIndexUrl();
std::string databaseUrl();

/* Size limits of a download. */
constexpr long long kIndexCap = 1LL << 20;    /* 1 MiB */
constexpr long long kArchiveCap = 32LL << 20; /* 32 MiB */
constexpr unsigned long long kEntryCap = 64ULL << 20;

/* Downloads url into localPath (created anew).  http(s) and ftp(s) only
 * (ftp logs in anonymously); at most cap bytes.  Returns 0 on success, -1
 * on any failure (the file is removed then), including cancellation. */
int download(const std::string &url, const std::string &localPath, long long cap,
             Progress *progress);

/* Compares a version text from the index with ours: 1 when theirs is
 * newer, 0 when not, -2 when theirs is empty or not a number.  The major
 * part compares numerically, the fraction as decimal digits (2.4 > 2.33,
 * 2.100 < 2.33, 10.0 > 2.33); surrounding white space is ignored. */
int compareVersion(const std::string &theirs, const std::string &ours);

/* Update check worker: 1 newer, 0 up to date, -1 index not downloaded, -2
 * index unusable.  info receives the product's record.  The same as
 * UpdateIndex::fetch followed by UpdateIndex::evaluate on one thread. */
int checkForUpdate(const std::string &indexUrl, Progress *progress, sysXSAInfo *info);

/* The update check in two halves, for a front end whose worker thread may
 * do only network and file work: fetch downloads the index into a private
 * folder (worker thread; 0 or -1); evaluate reads it with keel's index
 * reader and compares the versions (the thread that uses keel; 1, 0, -2,
 * or -1 when nothing was fetched).  The folder goes with the object. */
class UpdateIndex {
public:
    UpdateIndex();
    ~UpdateIndex();
    UpdateIndex(const UpdateIndex &) = delete;
    UpdateIndex &operator=(const UpdateIndex &) = delete;
    int fetch(const std::string &indexUrl, Progress *progress);
    int evaluate(sysXSAInfo *info) const;

private:
    struct Folder;
    std::unique_ptr<Folder> folder_;
    bool fetched_ = false;
};

/* The message of an update check result (1 has none: the caller announces
 * the newer release). */
const char *updateCheckMessage(int result);

/* 1 when url may be opened as a web page: http or https with a host. */
bool isWebUrl(const std::string &url);

/* Reads "extensions.xml" (any case) from a zip archive into text, refusing
 * encryption, methods other than stored and deflate, an announced size of
 * 0 or above 64 MiB, a short or long read and a CRC mismatch.  0 or -1. */
int readDatabaseArchive(const std::string &zipPath, std::string &text);

/* 1 when text looks like a whole database document: root element
 * "tessera", "</tessera>" at its end, at least one extension. */
bool isDatabaseText(const std::string &text);

/* Database download worker: downloads the archive into a private folder,
 * reads and checks the database text.  0 with text filled; -1 transport
 * failure (message kTextTransportFailed); -3 damaged (kTextDamaged). */
int fetchDatabase(const std::string &url, Progress *progress, std::string &text);

/* Where the user's copy of the database lives:
 * $XDG_DATA_HOME/tessera/extensions.xml, else ~/.local/share/... */
std::string userDatabasePath();

/* Installs a downloaded database text in place of *database (which may be
 * null): the new one takes currentReading and fromReport, is merged with
 * and matched against each held reading (readings[0..1], null or unfilled
 * ones skipped), keeps the entry points' resolved masks of the old one,
 * and is written to path (the previous file is kept as path + ".bak").
 * On success *database is the new database and the old one is released;
 * on a damaged text nothing changes.  Returns 0, -3 damaged, -4 installed
 * but not written (modified stays set).  Call on the database's thread. */
int installDatabase(tsDatabase **database, const std::string &text,
                    tsRendererCaps *const readings[2], const tsIcdList *icd, const char *systemName,
                    const std::string &path);

/* A reading the program holds, with the driver list and system text it was
 * taken with (a reading loaded from a report carries the report's). */
struct HeldReading {
    tsRendererCaps *caps = nullptr;
    const tsIcdList *icd = nullptr;
    const char *systemName = nullptr;
};

/* The same, each reading merged with its own driver list and system. */
int installDatabase(tsDatabase **database, const std::string &text, const HeldReading held[2],
                    const std::string &path);

} // namespace online
} // namespace tessera

#endif
