/* The online commands of tessera-cli (they need no display). */
#ifndef TESSERA_CLI_ONLINE_CLI_H
#define TESSERA_CLI_ONLINE_CLI_H

#include <string>

namespace tessera {
namespace cli {

/* Runs --check-update (exit 0 newer, 3 up to date, 1 failure) or
 * --update-database (0 installed, 1 failure) when argv is exactly one of
 * them; returns false (status untouched) for any other command line. */
bool runOnlineCommand(int argc, char **argv, const std::string &shippedDatabase, int &status);

} // namespace cli
} // namespace tessera

#endif
