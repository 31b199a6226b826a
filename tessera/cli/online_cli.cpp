/* tessera-cli --check-update and --update-database: the online routines
 * for machines without a desktop. */
#include <cstdio>
#include <cstring>
#include <string>

#include "sounder/database.h"

#include "online.h"
#include "online_cli.h"

namespace tessera {
namespace cli {

namespace {

int checkUpdate()
{
    sysXSAInfo info;
    const int result = online::checkForUpdate(online::updateIndexUrl(), nullptr, &info);
    if (result == 1) {
        /* Network texts are printed as plain text, never as a format. */
        std::printf("A newer version is available: %s\n", info.version);
        if (online::isWebUrl(info.infoUrl))
            std::printf("%s\n", info.infoUrl);
        return 0;
    }
    if (result == 0) {
        std::printf("%s\n", online::kTextUpToDate);
        return 3;
    }
    std::fprintf(stderr, "tessera-cli: %s\n", online::updateCheckMessage(result));
    return 1;
}

int updateDatabase(const std::string &shipped)
{
    std::string text;
    const int fetched = online::fetchDatabase(online::databaseUrl(), nullptr, text);
    if (fetched != 0) {
        std::fprintf(stderr, "tessera-cli: %s\n",
                     fetched == -1 ? online::kTextTransportFailed : online::kTextDamaged);
        return 1;
    }
    const std::string path = online::userDatabasePath();
    FILE *existing = std::fopen(path.c_str(), "rb");
    tsDatabase *db = tsDatabaseCreate(existing ? path.c_str() : shipped.c_str());
    if (existing)
        std::fclose(existing);
    tsRendererCaps *const none[2] = {nullptr, nullptr};
    const int installed = online::installDatabase(&db, text, none, nullptr, nullptr, path);
    tsDatabaseRelease(db);
    if (installed == -3) {
        std::fprintf(stderr, "tessera-cli: %s\n", online::kTextDamaged);
        return 1;
    }
    if (installed != 0) {
        std::fprintf(stderr, "tessera-cli: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("%s\n%s\n", online::kTextDatabaseUpdated, path.c_str());
    return 0;
}

} // namespace

bool runOnlineCommand(int argc, char **argv, const std::function<std::string()> &shippedDatabase,
                      int &status)
{
    if (argc != 2 || !argv[1])
        return false;
    if (std::strcmp(argv[1], "--check-update") == 0)
        status = checkUpdate();
    else if (std::strcmp(argv[1], "--update-database") == 0)
        status = updateDatabase(shippedDatabase());
    else
        return false;
    return true;
}

} // namespace cli
} // namespace tessera
