/* Where sounder finds its data files and writes user files. */
#ifndef SOUNDER_COMMON_PATHS_H
#define SOUNDER_COMMON_PATHS_H

#include <string>

namespace sounder {

/* Folder of the running program (no trailing slash). */
std::string programDirectory();

/* Folder of libsounder.so itself (of the program when sounder is linked in
 * statically); empty when unknown.  Helper programs and data installed
 * beside lib are found from here wherever the tree was put. */
std::string libraryDirectory();

/* Full path of a data file shipped with the program: beside the program
 * first, then in share/tessera of the installed tree (relative to the
 * program and to the library), then in the configured data folder.  When
 * none exists the path beside the program is returned, so that error
 * messages name it. */
std::string dataFilePath(const std::string &name);

/* The user's desktop folder: XDG_DESKTOP_DIR, else $HOME/Desktop when it
 * exists, else $HOME (else "."). */
std::string desktopDirectory();

/* Joins a folder and a file name with exactly one '/'. */
std::string joinPath(const std::string &dir, const std::string &name);

} // namespace sounder

#endif
