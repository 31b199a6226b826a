// The viewer's text table: language files, the built-in English texts and
// LoadText.  Nothing here needs Qt, so the fuzz targets and tessera-cli can
// link it without a display.
#ifndef TESSERA_APP_LANGUAGES_H
#define TESSERA_APP_LANGUAGES_H

#include <array>
#include <string>
#include <vector>

namespace tessera {

constexpr int kFirstTextId = 101;
constexpr int kLastTextId = 612;
constexpr int kTextCount = kLastTextId - kFirstTextId + 1; // 512
constexpr std::size_t kMaxLanguageFileSize = 1u << 20;     // 1 MiB

// One entry of the Language menu, in menu order (the order is the language index).
struct LanguageInfo {
    const char *file;      // "fr.strings"
    const char *menuLabel; // "Français"
    const char *code;      // ISO 639-1 code of the interface language: "fr"
    bool utf16;            // the file is UTF-16 little-endian
    const char *codepage;  // 8-bit files that are not UTF-8 are read in this code page
};

constexpr int kLanguageCount = 8;
const std::array<LanguageInfo, kLanguageCount> &languages();

// Index of the language whose file name is exactly name; 0 (English) for any
// other name.
int languageIndex(const std::string &name);

// Language file for the user's interface language, taken from LC_ALL,
// LC_MESSAGES or LANG (the first that is set and not empty): "de_AT.UTF-8"
// gives "de.strings"; C, POSIX and unknown languages give "en.strings".
std::string languageFileForLocale(const char *lcAll, const char *lcMessages, const char *lang);
std::string languageFileForEnvironment();

// The quoted texts of a language file, counted from 0 in file order, with the
// two leading texts dropped: element i is the text of id 101 + i.  8-bit
// files are scanned from their second byte, UTF-16 files from their first
// unit; a zero byte or unit ends the scan, an unterminated text runs to the
// end of the data, and at most kTextCount texts are kept.  Texts come back as
// UTF-8: UTF-16 is converted, 8-bit text that is valid UTF-8 is kept and any
// other is read in codepage ("windows-1252" when null).
std::vector<std::string> scanLanguageData(const std::string &data, bool utf16,
                                          const char *codepage);

// Folders searched for language files and other data, in order:
// $XDG_DATA_HOME/tessera (else ~/.local/share/tessera), the program's folder,
// the installed data folder.
std::vector<std::string> dataFolders();

// The text table of the running program.
class TextTable {
public:
    // Loads the named language file from the first data folder that holds it
    // (a name holding '/' or naming a file over 1 MiB is not opened).  The
    // table is emptied first, so ids the file does not reach fall back to the
    // built-in English texts.  The name is remembered even when no file was
    // read.  Returns true when a file was read.
    bool load(const std::string &name, const std::vector<std::string> &folders);
    // Loads from data already read (tests and fuzzing).
    void loadData(const std::string &name, const std::string &data);

    // The text of id: the loaded entry, else the built-in English text, else
    // "" (also for ids outside 101-612).
    std::string text(int id) const;

    bool loaded() const { return loaded_; }
    const std::string &fileName() const { return fileName_; }
    int index() const { return index_; }

private:
    void reset(const std::string &name);

    std::array<std::string, kTextCount> entries_;
    bool loaded_ = false;
    std::string fileName_;
    int index_ = 0;
};

// Path of the language file name in the first folder that holds it, or ""
// (a name holding '/' or "\\" or an empty name never matches).
std::string findLanguageFile(const std::string &name, const std::vector<std::string> &folders);

// The process-wide table behind LoadText.
TextTable &textTable();

// The text of id in the current language (UTF-8).
std::string LoadText(int id);

// A text used as a format: %s and %d take the arguments in order (as text),
// %% gives '%', every other conversion and conversions beyond the arguments
// give nothing.  A language text is never handed to printf.
std::string formatText(const std::string &format, const std::vector<std::string> &args);

} // namespace tessera

#endif
