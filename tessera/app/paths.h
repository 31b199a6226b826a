// Where the viewer finds and keeps its files: the program's folder, the
// installed data folder, the user's data and configuration folders, and the
// extension database (shipped copy and user copy).
#ifndef TESSERA_APP_PATHS_H
#define TESSERA_APP_PATHS_H

#include <string>

struct tsDatabase;

namespace tessera {

// Folder of the running program (from /proc/self/exe), "" when unknown.
std::string programDirectory();
// <prefix>/share/tessera of the installation.
std::string installedDataFolder();
// $XDG_DATA_HOME/tessera, else $HOME/.local/share/tessera; "" without either.
std::string userDataFolder();
// $XDG_CONFIG_HOME, else $HOME/.config; "" without either.
std::string configFolder();
// The user's Documents folder (XDG_DOCUMENTS_DIR of user-dirs.dirs, else
// $HOME/Documents when it exists, else $HOME).
std::string documentsFolder();

// Makes the folder and its missing parents (mode 0700 for new ones).
bool makeFolders(const std::string &path);

// The shipped database: extensions.xml beside the program (a build tree),
// else in the data folder of the tree the program is installed in
// (<prefix>/bin beside <prefix>/share/tessera, wherever the tree was moved),
// else in the data folder of the configured prefix; "" when none exists.
std::string shippedDatabasePath();
// The user copy: extensions.xml in userDataFolder().
std::string userDatabasePath();

// The database the viewer works with: the user copy when it loads with at
// least one extension and its version is not below the shipped one's, else
// the shipped file, else an empty database.  Never null.  *loadedFrom gets
// the file that was used ("" for an empty database).
tsDatabase *openDatabase(const std::string &userPath, const std::string &shippedPath,
                         std::string *loadedFrom);

// Writes db to the user copy at path, keeping the previous file as
// path + ".bak"; the folder is made when missing.  Returns true on success,
// else false with *reason set to a readable cause.
bool writeUserDatabase(tsDatabase *db, const std::string &path, std::string *reason);

} // namespace tessera

#endif
