/* The online commands of tessera-cli (they need no display). */
#ifndef TESSERA_CLI_ONLINE_CLI_H
#define TESSERA_CLI_ONLINE_CLI_H

#include <functional>
#include <string>

namespace tessera {
namespace cli {

/* Runs --check-update (exit 0 newer, 3 up to date, 1 failure) or
 * --update-database (0 installed, 1 failure) when argv is exactly one of
 * them; returns false (status untouched) for any other command line.
 * shippedDatabase gives the shipped database's path; it is asked only by
 * --update-database, so that any other run looks for no file here. */
bool runOnlineCommand(int argc, char **argv, const std::function<std::string()> &shippedDatabase,
                      int &status);

} // namespace cli
} // namespace tessera

#endif
