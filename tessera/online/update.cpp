/* The update check, the database download worker and the installation of
 * a downloaded database. */
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "sounder/database.h"
#include "sounder/probe.h"

#include "online.h"

namespace tessera {
namespace online {

const char *const kProgramVersion = "2.33";
const char *const kProductId = "tessera";

const char *const kTextTransportFailed = "FTP error";
const char *const kTextDamaged =
    "The downloaded database is damaged; your database was not changed.";
const char *const kTextBadIndex = "Error in XSA";
const char *const kTextUnreachable = "Unable to connect to the server";
const char *const kTextUpToDate = "You have already the latest version";
const char *const kTextDatabaseUpdated = "The extension database has been updated.";
const char *const kTextWriteFailed =
    "The database was updated but could not be saved; it will be saved at exit.";

void Progress::set(const char *status, int percent)
{
    std::lock_guard<std::mutex> lock(mutex_);
    status_ = status ? status : "";
    percent_.store(percent);
}

std::string Progress::status() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return status_;
}

namespace {

std::string envOr(const char *name, const char *fallback)
{
    const char *value = std::getenv(name);
    return value && *value ? value : fallback;
}

/* A private folder under $TMPDIR (else /tmp), made with mkdtemp and
 * removed with everything in it when the object goes. */
class PrivateFolder {
public:
    PrivateFolder()
    {
        std::string pattern = envOr("TMPDIR", "/tmp") + "/tessera-online-XXXXXX";
        if (mkdtemp(&pattern[0]))
            path_ = pattern;
    }
    ~PrivateFolder()
    {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    PrivateFolder(const PrivateFolder &) = delete;
    PrivateFolder &operator=(const PrivateFolder &) = delete;
    bool ok() const { return !path_.empty(); }
    std::string file(const char *name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string trim(const std::string &text)
{
    const char *space = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(space);
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(space);
    return text.substr(first, last - first + 1);
}

bool allDigits(const std::string &text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

/* Splits "major[.fraction]" into its digit strings; false when it is not
 * that shape. */
bool splitVersion(const std::string &text, std::string &major, std::string &fraction)
{
    const std::string t = trim(text);
    const size_t dot = t.find('.');
    major = t.substr(0, dot);
    fraction = dot == std::string::npos ? std::string() : t.substr(dot + 1);
    if (major.empty() || !allDigits(major) || !allDigits(fraction))
        return false;
    if (dot != std::string::npos && fraction.empty())
        return false;
    const size_t nonZero = major.find_first_not_of('0');
    major = nonZero == std::string::npos ? "0" : major.substr(nonZero);
    return true;
}

} // namespace

std::string updateIndexUrl()
{
    return envOr("TESSERA_UPDATE_URL", "https://tessera.example.org/index.xsa");
}

std::string databaseUrl()
{
    return envOr("TESSERA_DATABASE_URL", "https://tessera.example.org/pub/tessera-ext.zip");
}

int compareVersion(const std::string &theirs, const std::string &ours)
{
    std::string theirMajor, theirFraction, ourMajor, ourFraction;
    if (!splitVersion(theirs, theirMajor, theirFraction))
        return -2;
    if (!splitVersion(ours, ourMajor, ourFraction))
        return 0;
    /* Majors without leading zeros: longer is larger, else digit order. */
    if (theirMajor.size() != ourMajor.size())
        return theirMajor.size() > ourMajor.size() ? 1 : 0;
    if (theirMajor != ourMajor)
        return theirMajor > ourMajor ? 1 : 0;
    /* Fractions are decimal digits: pad the shorter with zeros. */
    const size_t n = std::max(theirFraction.size(), ourFraction.size());
    theirFraction.resize(n, '0');
    ourFraction.resize(n, '0');
    return theirFraction > ourFraction ? 1 : 0;
}

struct UpdateIndex::Folder {
    PrivateFolder folder;
};

UpdateIndex::UpdateIndex() : folder_(new Folder) {}
UpdateIndex::~UpdateIndex() = default;

int UpdateIndex::fetch(const std::string &indexUrl, Progress *progress)
{
    fetched_ = false;
    if (!folder_->folder.ok())
        return -1;
    if (download(indexUrl, folder_->folder.file("corvane.xsa"), kIndexCap, progress) != 0)
        return -1;
    if (progress && progress->cancelled())
        return -1;
    fetched_ = true;
    return 0;
}

int UpdateIndex::evaluate(sysXSAInfo *info) const
{
    sysXSAInfo local;
    if (!info)
        info = &local;
    std::memset(info, 0, sizeof *info);
    if (!fetched_)
        return -1;
    const std::string path = folder_->folder.file("corvane.xsa");
    if (sysXSAGetFromFile(path.c_str(), kProductId, info) != 0)
        return -2;
    const int newer = compareVersion(info->version, kProgramVersion);
    return newer < 0 ? -2 : newer;
}

int checkForUpdate(const std::string &indexUrl, Progress *progress, sysXSAInfo *info)
{
    UpdateIndex index;
    const int fetched = index.fetch(indexUrl, progress);
    if (fetched != 0) {
        if (info)
            std::memset(info, 0, sizeof *info);
        return fetched;
    }
    return index.evaluate(info);
}

const char *updateCheckMessage(int result)
{
    switch (result) {
    case 0: return kTextUpToDate;
    case -1: return kTextUnreachable;
    case -2: return kTextBadIndex;
    default: return "";
    }
}

int fetchDatabase(const std::string &url, Progress *progress, std::string &text)
{
    text.clear();
    PrivateFolder folder;
    if (!folder.ok())
        return -1;
    const std::string path = folder.file("tessera-ext.zip");
    if (download(url, path, kArchiveCap, progress) != 0)
        return -1;
    if (progress)
        progress->set("Decompress archive", 100);
    if (readDatabaseArchive(path, text) != 0 || !isDatabaseText(text)) {
        text.clear();
        return -3;
    }
    return 0;
}

std::string userDatabasePath()
{
    std::string base = envOr("XDG_DATA_HOME", "");
    if (base.empty() || base[0] != '/')
        base = envOr("HOME", "/tmp") + "/.local/share";
    return base + "/tessera/extensions.xml";
}

namespace {

using Masks = std::map<std::string, uint32_t>;

/* resolved masks keyed by owner (extension name or core version) and
 * entry point name. */
Masks resolvedMasks(const tsDatabase *db)
{
    Masks masks;
    if (!db)
        return masks;
    for (const tsExtension *e = db->extensions; e; e = e->next)
        for (const tsEntryPoint *ep = e->entryPoints; ep; ep = ep->next)
            masks[std::string("e:") + e->name + '\n' + ep->name] = ep->resolved;
    for (const tsCoreVersion *c = db->coreVersions; c; c = c->next)
        for (const tsEntryPoint *ep = c->entryPoints; ep; ep = ep->next)
            masks[std::string("c:") + c->version + '\n' + ep->name] = ep->resolved;
    return masks;
}

void carryOver(const Masks &masks, uint32_t bits, tsEntryPoint *list, const std::string &owner)
{
    for (tsEntryPoint *ep = list; ep; ep = ep->next) {
        const auto it = masks.find(owner + '\n' + ep->name);
        if (it != masks.end())
            ep->resolved = (ep->resolved & ~bits) | (it->second & bits);
    }
}

bool makeParents(const std::string &path)
{
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty())
        return true;
    std::filesystem::create_directories(parent, ec);
    return std::filesystem::is_directory(parent, ec);
}

/* Keeps the previous copy as path + ".bak" (a hard copy, so that the
 * original stays in place until the atomic write replaces it). */
void keepBackup(const std::string &path)
{
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec))
        std::filesystem::copy_file(path, path + ".bak",
                                   std::filesystem::copy_options::overwrite_existing, ec);
}

} // namespace

int installDatabase(tsDatabase **database, const std::string &text,
                    tsRendererCaps *const readings[2], const tsIcdList *icd, const char *systemName,
                    const std::string &path)
{
    HeldReading held[2];
    for (int i = 0; i < 2; ++i) {
        held[i].caps = readings ? readings[i] : nullptr;
        held[i].icd = icd;
        held[i].systemName = systemName;
    }
    return installDatabase(database, text, held, path);
}

int installDatabase(tsDatabase **database, const std::string &text, const HeldReading held[2],
                    const std::string &path)
{
    if (!database || !isDatabaseText(text))
        return -3;
    tsDatabase *fresh = tsDatabaseCreateFromCString(text.c_str());
    if (!fresh || !tsDatabaseIsComplete(fresh)) {
        tsDatabaseRelease(fresh);
        return -3;
    }
    tsDatabase *old = *database;
    if (old) {
        fresh->currentReading = old->currentReading;
        fresh->fromReport = old->fromReport;
    }
    uint32_t heldBits = 0;
    for (int i = 0; i < 2; ++i) {
        tsRendererCaps *caps = held ? held[i].caps : nullptr;
        if (!caps || !caps->filled)
            continue;
        tsDatabaseUpdate(fresh, caps, held[i].icd, held[i].systemName ? held[i].systemName : "");
        /* The extension half of the match needs only the reading's list.
         * tsInfoSolveDb is not called: without the reading's context it
         * would ask the wrong driver about entry points and reset the
         * reading's "could not be checked" state. */
        for (tsExtension *e = fresh->extensions; e; e = e->next)
            if (tsInfoSearchExtension(e->name, caps->extensions))
                e->support |= 1u << i;
        heldBits |= 1u << i;
    }
    /* The entry points' answers of the readings come from the old
     * database, matched by owner and name. */
    const Masks masks = resolvedMasks(old);
    for (tsExtension *e = fresh->extensions; e; e = e->next)
        carryOver(masks, heldBits, e->entryPoints, std::string("e:") + e->name);
    for (tsCoreVersion *c = fresh->coreVersions; c; c = c->next)
        carryOver(masks, heldBits, c->entryPoints, std::string("c:") + c->version);
    tsRendererCaps *current = held ? held[fresh->currentReading & 1].caps : nullptr;
    if (fresh->fromReport && current && current->filled)
        tsDatabaseUpdateExtStatus(fresh, current);

    tsDatabaseRelease(old);
    *database = fresh;
    fresh->modified = 1;
    if (makeParents(path)) {
        keepBackup(path);
        if (tsDatabaseWrite(path.c_str(), fresh) == 0) {
            fresh->modified = 0;
            return 0;
        }
    }
    return -4;
}

} // namespace online
} // namespace tessera
