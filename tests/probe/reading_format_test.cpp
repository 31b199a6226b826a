// The reader's answer: what is encoded comes back whole, and an answer that
// is cut, padded or altered anywhere is refused as a whole.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "keel/keel.h"
#include "probe/reading_format.h"

namespace {

sounder::ReadingAnswer filledAnswer()
{
    sounder::ReadingAnswer a;
    a.opened = true;
    a.readOk = true;
    a.failures = 2;
    a.entryPointsCheckable = true;
    a.record.size = sizeof a.record;
    a.record.tag = 7;
    a.record.filled = 1;
    a.record.videoMemory = 256;
    a.record.MaxTextureUnits = 8;
    a.record.PointSizeMax = 255.5f;
    a.record.pixelFormatCount = 256;
    a.record.pixelFormats[255].samples = 4;
    a.record.displayModeCount = 1;
    a.record.displayModes[0].width = 1280;
    a.record.compressedFormats[31] = 0x83F0;
    const char *texts[5] = {"Mesa", "4.5 (Compatibility Profile) Mesa 22.3.6", nullptr, "llvmpipe",
                            "GL_ARB_multitexture GLX_ARB_multisample"};
    for (int i = 0; i < 5; ++i) {
        a.hasText[i] = texts[i] != nullptr;
        a.texts[i] = texts[i] ? texts[i] : "";
    }
    a.entryPoints = {1, 0, 1};
    a.log = "...Legacy PFD creation.:\r\nsomething\n\r\n";
    a.hasSystem = true;
    std::strcpy(a.system.system, "Linux 6.1 (Debian) x86_64");
    std::strcpy(a.system.desktopMode, " 1280 x 1024 x 32 bpp (0 Hz)");
    a.hasMonitor = true;
    a.monitor = "screen";
    a.hasDrivers = true;
    a.drivers.count = 1;
    std::strcpy(a.drivers.entries[0].name, "libEGL_mesa.so.0");
    a.hasExtended = true;
    a.extended.version = "4.5 (Core Profile) Mesa 22.3.6";
    for (const char *token : {"GL_MAX_SERVER_WAIT_TIMEOUT", "GL_MAX_COMPUTE_WORK_GROUP_COUNT",
                              "GL_VIEWPORT_BOUNDS_RANGE", "GL_MAX_SAMPLES"}) {
        sounder::ExtendedValue v;
        v.row = sounder::caps::findExtended(token);
        v.count = v.row->read[0].count;
        for (int i = 0; i < v.count; ++i) {
            v.ints[i] = 0x7fffffff7fffffffLL - i;
            v.floats[i] = -16384.5 + i;
        }
        a.extended.put(v);
    }
    a.windowSystem = "EGL 1.5 (surfaceless)";
    return a;
}

// The extended limits as text, for comparing answers and records.
std::string limitsText(const sounder::ExtendedLimits &l)
{
    std::string out = l.version + "\n";
    for (const sounder::ExtendedValue &v : l.values)
        out += v.line() + "\n";
    return out;
}

// Replaces the first occurrence of what in data (same length).
std::string altered(std::string data, const std::string &what, const std::string &with)
{
    const size_t at = data.find(what);
    if (at != std::string::npos)
        data.replace(at, what.size(), with);
    return data;
}

bool decodes(const std::string &data)
{
    sounder::ReadingAnswer out;
    std::string reason;
    return sounder::decodeReading(data.data(), data.size(), out, reason);
}

} // namespace

TEST(ReadingFormat, RoundTripKeepsEveryMemberAndText)
{
    const sounder::ReadingAnswer in = filledAnswer();
    const std::string data = sounder::encodeReading(in);
    sounder::ReadingAnswer out;
    std::string reason;
    ASSERT_TRUE(sounder::decodeReading(data.data(), data.size(), out, reason)) << reason;
    EXPECT_EQ(std::memcmp(&out.record, &in.record, sizeof in.record), 0);
    EXPECT_EQ(std::memcmp(&out.system, &in.system, sizeof in.system), 0);
    EXPECT_EQ(std::memcmp(&out.drivers, &in.drivers, sizeof in.drivers), 0);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(out.hasText[i], in.hasText[i]) << i;
        EXPECT_EQ(out.texts[i], in.texts[i]) << i;
    }
    EXPECT_EQ(out.entryPoints, in.entryPoints);
    EXPECT_EQ(out.log, in.log);
    EXPECT_EQ(out.failures, 2u);
    EXPECT_TRUE(out.entryPointsCheckable);
    EXPECT_EQ(out.monitor, "screen");
    ASSERT_TRUE(out.hasExtended);
    EXPECT_EQ(limitsText(out.extended), limitsText(in.extended));
    EXPECT_EQ(out.extended.values.size(), 4u);
    EXPECT_EQ(out.windowSystem, "EGL 1.5 (surfaceless)");

    // Applied to a caller's record: texts become the record's own blocks,
    // null stays null, and the release frees them.
    tsRendererCaps caps;
    std::memset(&caps, 0, sizeof caps);
    ASSERT_TRUE(sounder::applyReadingRecord(out, caps));
    EXPECT_STREQ(caps.renderer, "llvmpipe");
    EXPECT_EQ(caps.glslVersion, nullptr);
    EXPECT_EQ(caps.size, sizeof caps);
    EXPECT_EQ(caps.pixelFormats[255].samples, 4);
    EXPECT_EQ(caps.reserved, 0u);
    ASSERT_NE(sounder::extendedLimitsOf(&caps), nullptr);
    EXPECT_EQ(limitsText(*sounder::extendedLimitsOf(&caps)), limitsText(in.extended));
    EXPECT_STREQ(tsInfoGetWindowSystem(&caps), "EGL 1.5 (surfaceless)");
    // Taken back out of the record, as the reader program does.
    sounder::ReadingAnswer again;
    sounder::answerFromRecord(again, caps);
    EXPECT_EQ(again.record.reserved, 0u);
    EXPECT_EQ(limitsText(again.extended), limitsText(in.extended));
    EXPECT_EQ(again.windowSystem, "EGL 1.5 (surfaceless)");
    tsInfoRelease(&caps);
    EXPECT_EQ(caps.size, 0u);
    EXPECT_STREQ(tsInfoGetWindowSystem(&caps), "");
}

TEST(ReadingFormat, WindowSystemIsOptionalAndBounded)
{
    struct Case {
        std::string name;
        std::string decoded; // what comes back
    } cases[] = {
        {"", ""}, // no section: an answer of a reader that does not know it
        {"GLX 1.4", "GLX 1.4"},
        {std::string(80, 'x'), std::string(63, 'x')},
        {"EGL\t1.5\n", "EGL 1.5 "},
    };
    for (const Case &c : cases) {
        sounder::ReadingAnswer a = filledAnswer();
        a.windowSystem = c.name;
        const std::string data = sounder::encodeReading(a);
        sounder::ReadingAnswer out;
        std::string reason;
        ASSERT_TRUE(sounder::decodeReading(data.data(), data.size(), out, reason)) << reason;
        EXPECT_EQ(out.windowSystem, c.decoded);
    }
    // The last section is the name: a NUL in it, or a name longer than the
    // bound, is refused.
    sounder::ReadingAnswer a = filledAnswer();
    a.windowSystem = std::string(63, 'x');
    std::string data = sounder::encodeReading(a);
    data.back() = '\0';
    EXPECT_FALSE(decodes(data));
    data.back() = 'x';
    EXPECT_TRUE(decodes(data));
    data += 'x';
    uint32_t length = 64;
    std::memcpy(&data[data.size() - 64 - 4], &length, sizeof length);
    EXPECT_FALSE(decodes(data)) << "64 bytes";
}

TEST(ReadingFormat, EveryCutAndEveryExtraByteIsRefused)
{
    const std::string data = sounder::encodeReading(filledAnswer());
    ASSERT_TRUE(decodes(data));
    for (size_t n = 0; n < data.size(); ++n)
        ASSERT_FALSE(decodes(data.substr(0, n))) << "cut at " << n;
    EXPECT_FALSE(decodes(data + '\0'));
    EXPECT_FALSE(decodes(data + data));
}

TEST(ReadingFormat, AlteredAnswersAreRefused)
{
    const std::string good = sounder::encodeReading(filledAnswer());
    const size_t record = 28 + 8 + 16 + 8; // header, status section, record section header
    struct Case {
        const char *what;
        size_t offset;
        uint32_t value;
    } cases[] = {
        {"magic", 0, 0x41414141},
        {"format version", 4, sounder::kReadingFormatVersion + 1},
        {"byte order", 8, 0x04030201},
        {"record size ten times", 12, static_cast<uint32_t>(sizeof(tsRendererCaps) * 10)},
        {"system size", 16, 1},
        {"driver list size", 20, 1},
        {"section count", 24, 99},
        {"status flag", 28 + 8, 2},
        {"record size field", record + offsetof(tsRendererCaps, size), 12047},
        {"filled flag", record + offsetof(tsRendererCaps, filled), 5},
        {"text pointer", record + offsetof(tsRendererCaps, vendor), 0x1000},
        {"pixel-format count", record + offsetof(tsRendererCaps, pixelFormatCount), 257},
        {"display-mode count", record + offsetof(tsRendererCaps, displayModeCount), 0xFFFF},
    };
    for (const Case &c : cases) {
        std::string data = good;
        ASSERT_LE(c.offset + 4, data.size());
        if (std::string(c.what).find("count") != std::string::npos && c.offset > 24) {
            const uint16_t v = static_cast<uint16_t>(c.value);
            std::memcpy(&data[c.offset], &v, sizeof v);
        } else {
            std::memcpy(&data[c.offset], &c.value, sizeof c.value);
        }
        EXPECT_FALSE(decodes(data)) << c.what;
    }

    // A NUL inside a text, an unterminated fixed text, texts of an empty
    // record.
    sounder::ReadingAnswer a = filledAnswer();
    a.texts[3] = std::string("llvm\0pipe", 9);
    EXPECT_FALSE(decodes(sounder::encodeReading(a)));
    a = filledAnswer();
    std::memset(a.record.newestVersion, 'x', sizeof a.record.newestVersion);
    EXPECT_FALSE(decodes(sounder::encodeReading(a)));
    a = filledAnswer();
    std::memset(a.drivers.entries[3].version, 'x', sizeof a.drivers.entries[3].version);
    EXPECT_FALSE(decodes(sounder::encodeReading(a)));
    a = filledAnswer();
    a.record.filled = 0;
    EXPECT_FALSE(decodes(sounder::encodeReading(a)));
    a = filledAnswer();
    a.entryPoints = {1, 2};
    EXPECT_FALSE(decodes(sounder::encodeReading(a)));

    // The record's reserved word is not used: an answer that sets it is not
    // one of our readers'.
    std::string planted = good;
    const uint64_t pointer = 0x1000;
    std::memcpy(&planted[record + offsetof(tsRendererCaps, reserved)], &pointer, sizeof pointer);
    EXPECT_FALSE(decodes(planted));

    // Extended limits: an unknown token, another value count than the
    // table's, a token named twice, limits of an empty record or of a
    // record without an extension list (nothing to keep them by).
    EXPECT_TRUE(decodes(altered(good, "GL_MAX_SAMPLES", "GL_MAX_SAMPLES")));
    EXPECT_FALSE(decodes(altered(good, "GL_MAX_SAMPLES", "GL_MAX_SAMPLEZ")));
    const std::string one("\x01\0\0\0", 4), two("\x02\0\0\0", 4);
    EXPECT_FALSE(decodes(altered(good, "GL_MAX_SAMPLES" + one, "GL_MAX_SAMPLES" + two)));
    a = filledAnswer();
    a.extended.values.push_back(a.extended.values.front());
    EXPECT_FALSE(decodes(sounder::encodeReading(a)));
    a = filledAnswer();
    a.record.filled = 0;
    for (bool &present : a.hasText)
        present = false;
    EXPECT_FALSE(decodes(sounder::encodeReading(a)));
    a.hasExtended = false;
    EXPECT_TRUE(decodes(sounder::encodeReading(a)));
    a = filledAnswer();
    a.hasText[4] = false;
    EXPECT_FALSE(decodes(sounder::encodeReading(a)));
    a.hasExtended = false;
    EXPECT_TRUE(decodes(sounder::encodeReading(a)));
}
