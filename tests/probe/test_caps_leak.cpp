// Reading into a record that an earlier reading filled must release the
// texts it replaces, and the notes kept beside it (window system, extended
// limits).  No driver is loaded: without a current context the reader
// stores null texts, so every text the record held must be gone.
//
// With AddressSanitizer the scenario runs in a child process of this program
// with leak detection on (the parent suite runs with it off, for the sake of
// the driver tests); a child that leaks on purpose shows that the check can
// fail.  Without it, free() of this program notes the blocks released.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <unistd.h>

#include "keel/keel.h"
#include "probe/extended_limits.h"
#include "sounder/probe.h"
#include "support/command.h"

#if defined(__SANITIZE_ADDRESS__)
#define TESSERA_LEAK_CHECK_IN_CHILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSERA_LEAK_CHECK_IN_CHILD 1
#endif
#endif

namespace {

struct FilledRecord {
    tsRendererCaps caps{};
    char *texts[5] = {};

    FilledRecord()
    {
        caps.size = sizeof caps;
        caps.filled = 1;
        char **members[5] = {&caps.vendor, &caps.version, &caps.glslVersion, &caps.renderer,
                             &caps.extensions};
        for (int i = 0; i < 5; ++i)
            *members[i] = texts[i] = sysStrDup("text of an earlier reading");
    }

    // The notes a reading keeps beside the record.
    void addNotes()
    {
        sounder::noteWindowSystem(caps, "GLX 1.4");
        auto limits = std::make_unique<sounder::ExtendedLimits>();
        limits->version = "4.5 (Core Profile)";
        EXPECT_TRUE(sounder::attachExtendedLimits(&caps, std::move(limits)));
    }
};

} // namespace

#ifdef TESSERA_LEAK_CHECK_IN_CHILD

TEST(CapsLeak, ReadingIntoAFilledRecordLeaksNothing)
{
    const char *mode = std::getenv("TESSERA_CAPS_LEAK_CHILD");
    if (mode) {
        // The child: read into a filled record, release it, exit; leak
        // detection reports at exit.
        FilledRecord r;
        r.addNotes();
        tsInfoReadCaps(&r.caps);
        tsInfoRelease(&r.caps);
        if (std::strcmp(mode, "leak") == 0) {
            EXPECT_NE(sysStrDup("kept on purpose"), nullptr);
        }
        return;
    }
    const std::string self = "/proc/" + std::to_string(getpid()) + "/exe";
    struct Case {
        const char *mode;
        bool leaks;
    };
    for (const Case &c : {Case{"read", false}, Case{"leak", true}}) {
        int status = 0;
        const std::string out = commandOutput(
            std::string("ASAN_OPTIONS=detect_leaks=1:exitcode=23 TESSERA_CAPS_LEAK_CHILD=") +
                c.mode + " '" + self + "' --gtest_filter=CapsLeak.* 2>&1",
            &status);
        EXPECT_EQ(status != 0, c.leaks) << c.mode << ":\n" << out;
        EXPECT_EQ(out.find("LeakSanitizer") != std::string::npos, c.leaks) << c.mode << ":\n"
                                                                           << out;
    }
}

#else

extern "C" void __libc_free(void *);

namespace {
void *g_watched[5];
bool g_released[5];
} // namespace

// Notes the release of a watched block, then frees as the C library does.
extern "C" void free(void *p)
{
    for (int i = 0; p && i < 5; ++i)
        if (g_watched[i] == p)
            g_released[i] = true;
    __libc_free(p);
}

TEST(CapsLeak, ReadingIntoAFilledRecordLeaksNothing)
{
    FilledRecord r;
    for (int i = 0; i < 5; ++i) {
        g_watched[i] = r.texts[i];
        g_released[i] = false;
    }
    tsInfoReadCaps(&r.caps);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(g_released[i]) << "text " << i << " was replaced without being released";
    EXPECT_EQ(r.caps.filled, 1u);
    tsInfoRelease(&r.caps);
    for (void *&p : g_watched)
        p = nullptr;
}

#endif

// The notes live beside the record, never in its reserved word: a record
// moved with memcpy keeps them, and one release of it frees them (with
// AddressSanitizer a second free of the list would show; its child run
// above sees this test leak nothing).  A reading into the filled record
// frees them before the text they are kept by.
TEST(CapsLeak, NotesGoWithTheRecordAndItsRelease)
{
    const size_t before = sounder::recordNoteCount();
    FilledRecord source;
    source.addNotes();
    ASSERT_EQ(sounder::recordNoteCount(), before + 1);
    EXPECT_EQ(source.caps.reserved, 0u);

    tsRendererCaps moved;
    std::memcpy(&moved, &source.caps, sizeof moved);
    std::memset(&source.caps, 0, sizeof source.caps);
    ASSERT_NE(sounder::extendedLimitsOf(&moved), nullptr);
    EXPECT_EQ(sounder::extendedLimitsOf(&moved)->version, "4.5 (Core Profile)");
    EXPECT_STREQ(tsInfoGetWindowSystem(&moved), "GLX 1.4");
    tsInfoRelease(&source.caps); // the emptied source holds nothing
    EXPECT_EQ(sounder::recordNoteCount(), before + 1);
    tsInfoRelease(&moved);
    EXPECT_EQ(sounder::recordNoteCount(), before);
    EXPECT_EQ(sounder::extendedLimitsOf(&moved), nullptr);

    FilledRecord reread;
    reread.addNotes();
    tsInfoReadCaps(&reread.caps);
    EXPECT_EQ(sounder::recordNoteCount(), before);
    tsInfoRelease(&reread.caps);

    // A record without an extension list keeps no notes.
    tsRendererCaps bare{};
    bare.size = sizeof bare;
    EXPECT_FALSE(sounder::attachExtendedLimits(&bare, std::make_unique<sounder::ExtendedLimits>()));
    EXPECT_EQ(sounder::recordNoteCount(), before);
}
