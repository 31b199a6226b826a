// Viewer state of a test's own for tests that replace the current record:
// its own copy of the shipped database and both readings loaded from report
// files, so the live readings the other tests share stay as they are.
#ifndef TESTS_SUPPORT_REPORT_STATE_H
#define TESTS_SUPPORT_REPORT_STATE_H

#include <cstring>
#include <string>

#include "app/app_state.h"
#include "app/paths.h"
#include "sounder/database.h"
#include "sounder/reportfile.h"

// Writes reading r as a report file at path; true on success.
inline bool saveReading(const tessera::Reading &r, const std::string &path)
{
    return tsSaveReportXML(path.c_str(), &r.system, &r.caps, 1, &r.icd) == 0;
}

class ReportState {
public:
    // reading0 and reading1 are report files; reading 1 is current.
    ReportState(const std::string &reading0, const std::string &reading1)
    {
        for (tessera::Reading &r : state.readings) {
            std::memset(&r.caps, 0, sizeof r.caps);
            std::memset(&r.system, 0, sizeof r.system);
            std::memset(&r.icd, 0, sizeof r.icd);
        }
        state.db = tsDatabaseCreate(tessera::shippedDatabasePath().c_str());
        state.currentReading = 0;
        loaded = tessera::loadReport(state, reading0) == 0;
        state.currentReading = 1;
        loaded = tessera::loadReport(state, reading1) == 0 && loaded;
        state.setCurrentReading(1);
        state.db->modified = 0;
    }
    ~ReportState()
    {
        tessera::releaseReading(state.readings[0]);
        tessera::releaseReading(state.readings[1]);
        tsDatabaseRelease(state.db);
    }
    ReportState(const ReportState &) = delete;
    ReportState &operator=(const ReportState &) = delete;

    tessera::AppState state;
    bool loaded = false;
};

#endif
