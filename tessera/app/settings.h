// The settings file "tessera.ini": the link-site index and the language file
// name, stored as "%d\n%s" followed by a zero byte (no INI syntax despite the
// name), under $XDG_CONFIG_HOME/Corvane/Lumenscope.
#ifndef TESSERA_APP_SETTINGS_H
#define TESSERA_APP_SETTINGS_H

#include <string>

namespace tessera {

constexpr int kLinkSiteCount = 8;

struct Settings {
    bool present = false; // a settings file was read
    int linkIndex = 0;    // 0-7
    std::string language; // language file name, possibly empty
};

// Reads the content of a settings file.  Each line ends at a carriage
// return, line feed or zero byte, or after 256 bytes; so CR/LF line ends
// give an empty language name.  The link index is the leading decimal
// number of line 1 (optional sign); anything outside 0-7 gives 0.
Settings parseSettings(const std::string &bytes);

// The bytes written for settings: index, line feed, name, zero byte.
std::string serializeSettings(int linkIndex, const std::string &language);

// $XDG_CONFIG_HOME/Corvane/Lumenscope/tessera.ini ("" without a home).
std::string settingsPath();

// Reads the settings file at path; present is false when it is missing,
// not a regular file or unreadable.
Settings readSettingsFile(const std::string &path);

// Writes the settings file atomically (temporary file beside it, then
// rename), making the folders on the way.  Returns false on failure, which
// callers ignore: the settings are then simply not kept.
bool writeSettingsFile(const std::string &path, int linkIndex, const std::string &language);

// Replaces path with content atomically: a temporary file in the same folder
// is written, flushed to disk and renamed over path.
bool writeFileAtomically(const std::string &path, const std::string &content);

} // namespace tessera

#endif
