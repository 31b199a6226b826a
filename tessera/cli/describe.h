/* tessera-cli: one model of a reading for the outputs that describe or
 * compare readings: the JSON document, the difference of two readings and
 * the plain report of a saved report file.  Every capability member is
 * reached through the library's capability rows, so a member the library
 * adds appears here without a change. */
#ifndef TESSERA_CLI_DESCRIBE_H
#define TESSERA_CLI_DESCRIBE_H

#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sounder/database.h"
#include "sounder/extended.h"
#include "sounder/probe.h"
#include "sounder/report.h"
#include "sounder/system.h"

namespace tessera {
namespace cli {

/* Version of the JSON documents; data/tessera-report.schema.json describes
 * them. */
constexpr const char *kJsonSchemaVersion = "tessera-json/1";

/* One reading and what it is held against.  reading is the database bit the
 * reading's support marks use (db->currentReading is set to it before the
 * compliance is worked out). */
struct Reading {
    std::string source; /* "reading:1" or the report file's path */
    const tsRendererCaps *caps = nullptr;
    const tsSystemInfo *system = nullptr; /* may be null */
    const tsIcdList *icd = nullptr;       /* may be null */
    tsDatabase *db = nullptr;             /* may be null: no compliance */
    int reading = 0;
};

/* A report file loaded with its own copy of the database. */
class LoadedReport {
public:
    LoadedReport() = default;
    ~LoadedReport();
    LoadedReport(const LoadedReport &) = delete;
    LoadedReport &operator=(const LoadedReport &) = delete;

    /* Loads path and holds it against the database document databaseText.
     * Returns false with a message naming the file when the file cannot
     * be read or is no report; incomplete is set for a report cut short or
     * without a renderer (it loads what could be read). */
    bool load(const std::string &path, const std::string &databaseText, std::string &error,
              bool &incomplete);

    Reading reading() const;

private:
    std::string path_;
    std::unique_ptr<tsRendererCaps> caps_;
    tsSystemInfo system_{};
    tsIcdList icd_{};
    tsDatabase *db_ = nullptr;
};

/* The GL extensions and the window-system extensions (GLX_, WGL_, EGL_)
 * of a reading's extension text, each in the record's order. */
void splitExtensions(const char *extensions, std::vector<std::string> &gl,
                     std::vector<std::string> &windowSystem);

/* Compliance of one core version. */
struct VersionCompliance {
    std::string version;
    int supported = 0;
    int total = 0;
    std::vector<std::string> missing;
    /* "1.1 (100 % - 7/7)" as the compliance lines show it */
    std::string figure() const;
};

/* The versions with items, in order (none without a database). */
std::vector<VersionCompliance> complianceOf(const Reading &r);

/* The same without the missing items: the counts only. */
std::vector<VersionCompliance> complianceCounts(const Reading &r);

/* The JSON object of one reading. */
nlohmann::json readingJson(const Reading &r);

/* The whole JSON document: schema version, system description and driver
 * list (of the first reading that has them), the readings, the failure
 * log. */
nlohmann::json reportJson(const std::vector<Reading> &readings, const std::string &failureLog);

/* The difference of two readings. */
struct Difference {
    struct Limit {
        std::string name;
        double a = 0, b = 0;
        bool isFloat = false;
        std::string better; /* "A", "B" or "" when neither is better */
    };
    /* An extended limit (by GL token name) that differs: its values on
     * both sides, or on the one side that offers it.  Several values are
     * compared one by one; a side is better when every value that differs
     * favours it by the limit's direction. */
    struct Extended {
        std::string name;
        bool inA = false, inB = false;
        tsExtendedLimit a{}, b{}; /* valid where in* is set */
        std::string better;       /* "A", "B" or "" */
    };
    struct Pair {
        std::string name;
        std::string a, b;
    };
    std::vector<std::string> onlyInA, onlyInB;
    std::vector<Limit> limits;
    std::vector<Extended> extended;
    std::vector<Pair> compliance; /* name: the version */
    std::vector<Pair> strings;    /* name: vendor, renderer, version, shadingLanguageVersion,
                                   * coreProfileVersion */
    bool equal() const;
};

Difference compareReadings(const Reading &a, const Reading &b);

/* The difference as plain text: a summary line with the counts, the two
 * sides, then one aligned section per kind. */
std::string differenceText(const Difference &d, const std::string &a, const std::string &b);

nlohmann::json differenceJson(const Difference &d, const std::string &a, const std::string &b);

/* A JSON document as text; texts that are not UTF-8 get U+FFFD in place of
 * the bad bytes rather than aborting the whole document. */
std::string jsonText(const nlohmann::json &document);

/* Room for the report's pieces of a usual reading (a thousand pieces take
 * half a megabyte), every page of it touched.  In a fresh process each page
 * is a page fault on first use; a caller that waits for a reading makes
 * the room during the wait, so the build after it does not pay for them. */
std::vector<tsReportPiece> reportRoom();

/* The plain report of a reading (live, or of a saved report): the text
 * report (its entry-point verification whole or counted, as
 * renderReportPieces gives it), the limits section, then one compliance
 * line per version.  The pieces are built into room, grown when the report
 * needs more. */
std::string plainReport(const Reading &r, bool wholeVerification = true,
                        std::vector<tsReportPiece> room = {});

} // namespace cli
} // namespace tessera

#endif
