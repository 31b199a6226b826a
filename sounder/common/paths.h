/* Where sounder finds its data files and writes user files. */
#ifndef SOUNDER_COMMON_PATHS_H
#define SOUNDER_COMMON_PATHS_H

#include <string>

namespace sounder {

/* Folder of the running program (no trailing slash). */
std::string programDirectory();

/* Full path of a data file shipped with the program: beside the program
 * first, then in the installed data folder.  When neither exists the path
 * beside the program is returned, so that error messages name it. */
std::string dataFilePath(const std::string &name);

/* The user's desktop folder: XDG_DESKTOP_DIR, else $HOME/Desktop when it
 * exists, else $HOME (else "."). */
std::string desktopDirectory();

/* Joins a folder and a file name with exactly one '/'. */
std::string joinPath(const std::string &dir, const std::string &name);

} // namespace sounder

#endif
