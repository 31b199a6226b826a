/* Driver switches: boolean options of Mesa's driver configuration files
 * (~/.drirc for the user, /etc/drirc for the machine), read and toggled in
 * place, and the list of switches shipped in tweak.xml.  Plain C++, no
 * user interface; call from one thread. */
#ifndef TESSERA_ONLINE_DRIRC_H
#define TESSERA_ONLINE_DRIRC_H

#include <string>
#include <vector>

namespace tessera {
namespace tweak {

enum class Root { None, User, Machine };

/* One switch of tweak.xml. */
struct Entry {
    std::string vendor;         /* GL_VENDOR it applies to (case-insensitive) */
    std::string name;           /* shown name */
    Root root = Root::None;     /* hkey: HKCU / HKEY_CURRENT_USER, HKLM / ... */
    std::string path;           /* the device's driver attribute, "" = every driver */
    std::string key;            /* the option name */
    std::string description[6]; /* en, fr, cz, ua, nl, de */
    int value = 0;
};

/* Reads tweak.xml; a missing, empty or unreadable file gives no entries.
 * Children before the first extension are ignored. */
std::vector<Entry> readTweakFile(const std::string &path);

/* The configuration file of a root: User = $HOME/.drirc, Machine =
 * $TESSERA_SYSTEM_DRIRC or /etc/drirc; "" for None. */
std::string configPath(Root root);

/* The option's value for driver ("" = the device without a driver
 * attribute): the last such option inside an application that names no
 * executable or other condition; 1 only when it is exactly "true".  A
 * missing or unparsable file reads 0.  Reads are cached by mtime. */
int readOption(const std::string &file, const std::string &driver, const std::string &option);

/* Sets the option to "true"/"false", changing no other byte of the file:
 * the value in place, or a new option in a matching application, or a new
 * device + application before </driconf>, or a new file.  A file that does
 * not parse is never rewritten.  The write goes through a temporary file
 * beside the target, fsync and rename, keeps the mode and writes through a
 * symbolic link.  true on success. */
bool writeOption(const std::string &file, const std::string &driver, const std::string &option,
                 bool value);

/* Entry convenience: the entry's root file. */
int readEntry(Entry &entry);
bool toggleEntry(Entry &entry);

} // namespace tweak
} // namespace tessera

#endif
