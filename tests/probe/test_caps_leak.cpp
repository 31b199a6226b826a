// Reading into a record that an earlier reading filled must release the
// texts it replaces.  No driver is loaded: without a current context the
// reader stores null texts, so every text the record held must be gone.
//
// With AddressSanitizer the scenario runs in a child process of this program
// with leak detection on (the parent suite runs with it off, for the sake of
// the driver tests); a child that leaks on purpose shows that the check can
// fail.  Without it, free() of this program notes the blocks released.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "keel/keel.h"
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
