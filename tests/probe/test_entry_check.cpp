// The entry-point check on a live context.  With Mesa's dispatch table the
// driver's functions resolve and made-up names do not; on a context whose
// vendor library offers no table the check is reported as not made, and
// the text report says so once instead of calling every gl* entry point of
// every listed extension missing.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "probe/info_internal.h"
#include "probe/platform.h"
#include "sounder/database.h"
#include "sounder/probe.h"
#include "sounder/system.h"
#include "sounder/texts.h"
#include "views/textreport.h"

namespace {

struct Verification {
    int unchecked = 0; // pieces of the "could not be checked" sentence
    int glMissing = 0; // "listed but entry point missing" lines of gl* names
};

Verification verification(const std::vector<tsReportPiece> &pieces)
{
    Verification v;
    for (const tsReportPiece &p : pieces) {
        if (p.textId == TS_TEXT_ENTRY_POINTS_UNCHECKED)
            ++v.unchecked;
        if (p.kind == 7 && p.textId == 308 && std::strncmp(p.text2, "glX", 3) != 0)
            ++v.glMissing;
    }
    return v;
}

TEST(EntryPointCheck, DispatchTableOrACheckNotMade)
{
    for (const bool withTable : {true, false}) {
        SCOPED_TRACE(withTable ? "Mesa's dispatch table" : "no dispatch table");
        sounder::platformSetDispatchLibrary(withTable ? nullptr
                                                      : "libtessera-no-dispatch-table.so.0");
        ASSERT_EQ(tsInfoBegin(1), 1) << tsReportGetLogFile();
        EXPECT_EQ(infoEntryPointsCheckable(), withTable ? 1 : 0);
        EXPECT_EQ(infoHasEntryPoint("glDrawArrays"), withTable ? 1 : 0);
        EXPECT_EQ(infoHasEntryPoint("glFooBarBaz"), 0);
        // GLX names are answered by the extension list and version alone.
        EXPECT_EQ(infoHasEntryPoint("glXQueryVersion"), 1);
        // A check that cannot be made is logged, one that can is not.
        EXPECT_EQ(std::string(tsReportGetLogFile()).find("entry points cannot be checked") !=
                      std::string::npos,
                  !withTable)
            << tsReportGetLogFile();

        std::unique_ptr<tsRendererCaps> caps(new tsRendererCaps());
        caps->size = sizeof(tsRendererCaps);
        ASSERT_EQ(tsInfoRead(caps.get(), 1), 1) << tsReportGetLogFile();
        tsDatabase *db = tsDatabaseCreate(TESSERA_SOURCE_DIR "/data/extensions.xml");
        ASSERT_NE(db, nullptr);
        db->currentReading = 1;
        tsInfoSolveDb(db, caps.get(), 1);
        tsInfoEnd();
        EXPECT_EQ(tsInfoEntryPointCheckFailed(1), withTable ? 0 : 1);

        static tsSystemInfo system;
        static tsIcdList icd;
        std::memset(&system, 0, sizeof system);
        std::memset(&icd, 0, sizeof icd);
        const Verification v =
            verification(sounder::buildReportList(&system, caps.get(), &icd, db, 0));
        EXPECT_EQ(v.unchecked, withTable ? 0 : 1);
        if (!withTable) {
            EXPECT_EQ(v.glMissing, 0) << "gl* entry points reported missing without a check";
        }
        tsDatabaseRelease(db);
        tsInfoRelease(caps.get());
    }
    sounder::platformSetDispatchLibrary(nullptr);
}

} // namespace
