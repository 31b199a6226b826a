// Everything the viewer's windows share: the database, the two readings,
// the current reading, the link site and the language.  One instance lives
// from start-up to exit.
#ifndef TESSERA_APP_APP_STATE_H
#define TESSERA_APP_APP_STATE_H

#include <string>

#include "app/readings.h"

struct tsDatabase;

namespace tessera {

struct AppState {
    tsDatabase *db = nullptr;
    std::string databaseLoadedFrom; // the file the database came from, "" when empty
    std::string databasePath;       // the user copy, where changes are written
    Reading readings[2];
    Desktop desktop;
    int currentReading = 1;
    int linkIndex = 0;
    std::string settingsPath;

    Reading &current() { return readings[currentReading]; }

    // Makes index the current reading and mirrors it (and whether its record
    // came from a report) into the database.
    void setCurrentReading(int index);

    // Loads the language: the named file, or with an empty name the one the
    // settings file names (else the user's interface language).  Sets the
    // link index from the settings file in that case too.
    void loadLanguage(const std::string &name, bool fromSettings);

    // Saves the settings file now (link index and language file name).
    bool saveSettings() const;
};

// The exit sequence: writes the database to the user copy when it was
// modified, releases the database and both readings, saves the settings.
// Safe to call more than once; only the first call acts.  Returns false
// when the database had to be written and could not be, with *error set to
// the file and the reason.
bool shutdownState(AppState &state, std::string *error);

} // namespace tessera

namespace tessera {

// Files larger than this are refused unread as reports.
constexpr long long kMaxReportSize = 16ll << 20;

// Loads the report file at path into the current reading: read into a
// scratch record first, and only a result of 0 with a renderer replaces the
// current record, driver list and system description; then the reading is
// merged into the database, its extension status recomputed and the reading
// marked as coming from a report.  Returns 0 on success, -1 when the file is
// missing, empty, too large or not a report (nothing changes then).
int loadReport(AppState &state, const std::string &path);

} // namespace tessera

#endif
