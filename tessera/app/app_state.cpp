#include "app/app_state.h"

#include <sys/stat.h>

#include <clocale>
#include <cstring>
#include <vector>

#include "app/languages.h"
#include "app/paths.h"
#include "app/settings.h"
#include "sounder/database.h"
#include "sounder/reportfile.h"

namespace tessera {

void AppState::setCurrentReading(int index)
{
    currentReading = index == 0 ? 0 : 1;
    if (db) {
        db->currentReading = currentReading;
        db->fromReport = readings[currentReading].fromReport ? 1 : 0;
    }
}

void AppState::loadLanguage(const std::string &name, bool fromSettings)
{
    std::string file = name;
    if (fromSettings) {
        const Settings settings = readSettingsFile(settingsPath);
        if (settings.present) {
            linkIndex = settings.linkIndex;
            file = settings.language;
        } else {
            file = languageFileForEnvironment();
        }
    }
    TextTable &table = textTable();
    table.load(file, dataFolders());
    // Other languages take the user's locale for everything but numbers:
    // floats in report and database files are written and read with '.'.
    if (table.index() != 0)
        std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
}

bool AppState::saveSettings() const
{
    return writeSettingsFile(settingsPath, linkIndex, textTable().fileName());
}

bool shutdownState(AppState &state, std::string *error)
{
    if (!state.db)
        return true;
    bool ok = true;
    if (state.db->modified) {
        std::string reason;
        ok = writeUserDatabase(state.db, state.databasePath, &reason);
        if (!ok && error)
            *error = reason;
    }
    tsDatabaseRelease(state.db);
    state.db = nullptr;
    releaseReading(state.readings[0]);
    releaseReading(state.readings[1]);
    state.saveSettings();
    return ok;
}

} // namespace tessera

namespace tessera {

int loadReport(AppState &state, const std::string &path)
{
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
        st.st_size > kMaxReportSize)
        return -1;
    Reading scratch;
    std::memset(&scratch.caps, 0, sizeof scratch.caps);
    std::memset(&scratch.system, 0, sizeof scratch.system);
    std::memset(&scratch.icd, 0, sizeof scratch.icd);
    const int result = tsReadReportXML(path.c_str(), &scratch.caps, &scratch.icd, &scratch.system);
    if (result != 0 || !scratch.caps.renderer || !*scratch.caps.renderer) {
        releaseReading(scratch);
        return -1;
    }
    Reading &current = state.current();
    releaseReading(current);
    std::memcpy(&current.caps, &scratch.caps, sizeof current.caps);
    std::memcpy(&current.system, &scratch.system, sizeof current.system);
    std::memcpy(&current.icd, &scratch.icd, sizeof current.icd);
    current.ok = true;
    current.fromReport = true;
    current.log.clear();
    state.setCurrentReading(state.currentReading);
    tsDatabaseUpdate(state.db, &current.caps, &current.icd, current.system.system);
    // The status update recomputes the current reading's bit from the
    // report and clears every other bit; the other reading keeps what it
    // supports, so switching back to it still shows its extensions.
    const uint32_t bit = 1u << state.currentReading;
    std::vector<uint32_t> others;
    for (const tsExtension *e = state.db->extensions; e; e = e->next)
        others.push_back(e->support & ~bit);
    tsDatabaseUpdateExtStatus(state.db, &current.caps);
    std::size_t i = 0;
    for (tsExtension *e = state.db->extensions; e && i < others.size(); e = e->next)
        e->support |= others[i++];
    state.db->fromReport = 1;
    return 0;
}

} // namespace tessera
