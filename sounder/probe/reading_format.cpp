/* Encoding and strict decoding of the reader program's answer (layout in
 * reading_format.h). */
#include "probe/reading_format.h"

#include <stddef.h>
#include <string.h>

#include <memory>

#include "keel/keel.h"
#include "probe/record_notes.h"

namespace sounder {
namespace {

enum SectionId : uint32_t {
    kStatus = 1,
    kRecord = 2,
    kTexts = 3,
    kEntryPoints = 4,
    kLog = 5,
    kSystem = 6,
    kDrivers = 7,
    kExtended = 8,
    kWindowSystem = 9,
};
constexpr uint32_t kNullText = 0xFFFFFFFFu;
constexpr uint32_t kHeaderWords = 7;

/* The text members of the record, in the order of the Texts section. */
char *const *textMembers(const tsRendererCaps &r, size_t i)
{
    char *const *members[5] = {&r.vendor, &r.version, &r.glslVersion, &r.renderer, &r.extensions};
    return members[i];
}

class Writer {
public:
    void u32(uint32_t v) { out_.append(reinterpret_cast<const char *>(&v), sizeof v); }
    void bytes(const void *p, size_t n) { out_.append(static_cast<const char *>(p), n); }
    void text(bool present, const std::string &s)
    {
        if (!present) {
            u32(kNullText);
            return;
        }
        u32(static_cast<uint32_t>(s.size()));
        out_ += s;
    }
    /* Starts a section; end() fills in its length. */
    void begin(uint32_t id)
    {
        u32(id);
        lengthAt_ = out_.size();
        u32(0);
        ++sections_;
    }
    void end()
    {
        uint32_t length = static_cast<uint32_t>(out_.size() - lengthAt_ - 4);
        memcpy(&out_[lengthAt_], &length, sizeof length);
    }
    uint32_t sections() const { return sections_; }
    std::string &data() { return out_; }

private:
    std::string out_;
    size_t lengthAt_ = 0;
    uint32_t sections_ = 0;
};

class Reader {
public:
    Reader(const char *p, size_t n) : p_(p), n_(n) {}
    bool u32(uint32_t &v)
    {
        if (n_ - pos_ < sizeof v)
            return false;
        memcpy(&v, p_ + pos_, sizeof v);
        pos_ += sizeof v;
        return true;
    }
    bool bytes(void *to, size_t n)
    {
        if (n_ - pos_ < n)
            return false;
        memcpy(to, p_ + pos_, n);
        pos_ += n;
        return true;
    }
    bool text(bool &present, std::string &s)
    {
        uint32_t length = 0;
        if (!u32(length))
            return false;
        present = length != kNullText;
        s.clear();
        if (!present)
            return true;
        if (n_ - pos_ < length || memchr(p_ + pos_, '\0', length))
            return false;
        s.assign(p_ + pos_, length);
        pos_ += length;
        return true;
    }
    bool done() const { return pos_ == n_; }
    size_t left() const { return n_ - pos_; }

private:
    const char *p_;
    size_t n_;
    size_t pos_ = 0;
};

bool terminated(const char *field, size_t size)
{
    return memchr(field, '\0', size) != nullptr;
}

bool pointerBytesZero(const void *p)
{
    static const char zero[sizeof(void *)] = {};
    return memcmp(p, zero, sizeof zero) == 0;
}

bool recordInBounds(const tsRendererCaps &r)
{
    if (r.size != sizeof(tsRendererCaps) || r.filled > 1)
        return false;
    if (r.pixelFormatCount < 0 || r.pixelFormatCount > TS_MAX_PIXEL_FORMATS)
        return false;
    if (r.displayModeCount < 0 || r.displayModeCount > TS_MAX_DISPLAY_MODES)
        return false;
    if (!terminated(r.newestVersion, sizeof r.newestVersion))
        return false;
    for (size_t i = 0; i < 5; ++i)
        if (!pointerBytesZero(textMembers(r, i)))
            return false;
    /* The word is not used: whatever sets it is not one of our readers. */
    return r.reserved == 0;
}

void writeExtended(Writer &w, const ExtendedLimits &limits)
{
    w.text(true, limits.version);
    w.u32(static_cast<uint32_t>(limits.values.size()));
    for (const ExtendedValue &v : limits.values) {
        w.text(true, v.row->name);
        w.u32(v.count);
        for (int i = 0; i < v.count; ++i) {
            if (v.isFloat())
                w.bytes(&v.floats[i], 8);
            else
                w.bytes(&v.ints[i], 8);
        }
    }
}

bool readExtended(Reader &in, ExtendedLimits &limits)
{
    bool present = false;
    uint32_t count = 0;
    if (!in.text(present, limits.version) || !present || !in.u32(count))
        return false;
    /* Each limit takes at least 12 bytes: a count beyond that is a lie. */
    if (count > in.left() / 12)
        return false;
    for (uint32_t n = 0; n < count; ++n) {
        std::string name;
        uint32_t values = 0;
        if (!in.text(present, name) || !present || !in.u32(values))
            return false;
        ExtendedValue v;
        v.row = caps::findExtended(name.c_str());
        if (!v.row || values != v.row->read[0].count || limits.find(name.c_str()))
            return false;
        v.count = static_cast<uint8_t>(values);
        for (uint32_t i = 0; i < values; ++i)
            if (!in.bytes(v.isFloat() ? static_cast<void *>(&v.floats[i])
                                      : static_cast<void *>(&v.ints[i]),
                          8))
                return false;
        limits.put(v);
    }
    return true;
}

bool systemInBounds(const tsSystemInfo &s)
{
    return terminated(s.system, sizeof s.system) &&
           terminated(s.processorMode, sizeof s.processorMode) &&
           terminated(s.desktopMode, sizeof s.desktopMode) && pointerBytesZero(&s.monitor) &&
           pointerBytesZero(&s.dxVersion) && pointerBytesZero(&s.dxShaderModel);
}

bool driversInBounds(const tsIcdList &d)
{
    if (d.count < 0 || d.count > TS_ICD_MAX_ENTRIES)
        return false;
    for (const tsIcdEntry &e : d.entries)
        if (!terminated(e.name, sizeof e.name) || !terminated(e.path, sizeof e.path) ||
            !terminated(e.company, sizeof e.company) ||
            !terminated(e.description, sizeof e.description) ||
            !terminated(e.version, sizeof e.version))
            return false;
    return true;
}

bool fail(std::string &reason, const char *why)
{
    reason = why;
    return false;
}

} // namespace

ReadingAnswer::ReadingAnswer()
{
    memset(&record, 0, sizeof record);
    memset(&system, 0, sizeof system);
    memset(&drivers, 0, sizeof drivers);
}

void answerFromRecord(ReadingAnswer &answer, const tsRendererCaps &record)
{
    memcpy(&answer.record, &record, sizeof record);
    for (size_t i = 0; i < 5; ++i) {
        const char *text = *textMembers(record, i);
        answer.hasText[i] = text != nullptr;
        answer.texts[i] = text ? text : "";
    }
    answer.record.vendor = answer.record.version = answer.record.glslVersion = nullptr;
    answer.record.renderer = answer.record.extensions = nullptr;
    answer.record.reserved = 0;
    const ExtendedLimits *limits = extendedLimitsOf(&record);
    answer.hasExtended = limits != nullptr;
    answer.extended = limits ? *limits : ExtendedLimits();
    answer.windowSystem = windowSystemOf(&record);
}

void answerFromSystem(ReadingAnswer &answer, const tsSystemInfo &system)
{
    answer.hasSystem = true;
    memcpy(&answer.system, &system, sizeof system);
    answer.hasMonitor = system.monitor != nullptr;
    answer.monitor = system.monitor ? system.monitor : "";
    answer.system.monitor = answer.system.dxVersion = answer.system.dxShaderModel = nullptr;
}

std::string encodeReading(const ReadingAnswer &a)
{
    Writer w;
    const uint32_t header[kHeaderWords] = {kReadingMagic,
                                           kReadingFormatVersion,
                                           kReadingByteOrder,
                                           static_cast<uint32_t>(sizeof(tsRendererCaps)),
                                           static_cast<uint32_t>(sizeof(tsSystemInfo)),
                                           static_cast<uint32_t>(sizeof(tsIcdList)),
                                           0};
    w.bytes(header, sizeof header);

    w.begin(kStatus);
    w.u32(a.opened ? 1 : 0);
    w.u32(a.readOk ? 1 : 0);
    w.u32(a.failures);
    w.u32(a.entryPointsCheckable ? 1 : 0);
    w.end();

    /* The text pointers never leave the process. */
    tsRendererCaps record;
    memcpy(&record, &a.record, sizeof record);
    record.vendor = record.version = record.glslVersion = record.renderer = record.extensions =
        nullptr;
    record.reserved = 0;
    w.begin(kRecord);
    w.bytes(&record, sizeof record);
    w.end();

    w.begin(kTexts);
    for (size_t i = 0; i < 5; ++i)
        w.text(a.hasText[i], a.texts[i]);
    w.end();

    w.begin(kEntryPoints);
    w.u32(static_cast<uint32_t>(a.entryPoints.size()));
    if (!a.entryPoints.empty())
        w.bytes(a.entryPoints.data(), a.entryPoints.size());
    w.end();

    w.begin(kLog);
    w.bytes(a.log.data(), a.log.size());
    w.end();

    if (a.hasSystem) {
        tsSystemInfo system;
        memcpy(&system, &a.system, sizeof system);
        system.monitor = system.dxVersion = system.dxShaderModel = nullptr;
        w.begin(kSystem);
        w.bytes(&system, sizeof system);
        w.text(a.hasMonitor, a.monitor);
        w.end();
    }
    if (a.hasDrivers) {
        w.begin(kDrivers);
        w.bytes(&a.drivers, sizeof a.drivers);
        w.end();
    }
    if (a.hasExtended) {
        w.begin(kExtended);
        writeExtended(w, a.extended);
        w.end();
    }

    if (!a.windowSystem.empty()) {
        const std::string name = cleanWindowSystemName(a.windowSystem);
        w.begin(kWindowSystem);
        w.bytes(name.data(), name.size());
        w.end();
    }

    uint32_t sections = w.sections();
    memcpy(&w.data()[(kHeaderWords - 1) * 4], &sections, sizeof sections);
    return std::move(w.data());
}

bool decodeReading(const char *data, size_t size, ReadingAnswer &a, std::string &reason)
{
    a = ReadingAnswer();
    if (!data || size == 0)
        return fail(reason, "the answer is empty");
    if (size > kReadingMaxBytes)
        return fail(reason, "the answer is too large");
    Reader in(data, size);
    uint32_t header[kHeaderWords];
    if (!in.bytes(header, sizeof header))
        return fail(reason, "the answer is shorter than its header");
    if (header[0] != kReadingMagic)
        return fail(reason, "the answer does not start like a reading");
    if (header[2] != kReadingByteOrder)
        return fail(reason, "the answer has another byte order");
    if (header[1] != kReadingFormatVersion)
        return fail(reason, "the answer has another format version");
    if (header[3] != sizeof(tsRendererCaps) || header[4] != sizeof(tsSystemInfo) ||
        header[5] != sizeof(tsIcdList))
        return fail(reason, "the answer's record sizes differ from this library's");

    uint32_t seen = 0;
    for (uint32_t s = 0; s < header[6]; ++s) {
        uint32_t id = 0, length = 0;
        if (!in.u32(id) || !in.u32(length))
            return fail(reason, "the answer is cut inside a section header");
        if (length > in.left())
            return fail(reason, "the answer is cut inside a section");
        if (id < kStatus || id > kWindowSystem)
            return fail(reason, "the answer holds an unknown section");
        if (seen & (1u << id))
            return fail(reason, "the answer holds a section twice");
        seen |= 1u << id;
        std::string body(length, '\0');
        in.bytes(&body[0], length);
        Reader part(body.data(), body.size());
        bool ok = true;
        switch (id) {
        case kStatus: {
            uint32_t opened = 0, readOk = 0, checkable = 0;
            ok = part.u32(opened) && part.u32(readOk) && part.u32(a.failures) &&
                 part.u32(checkable) && opened <= 1 && readOk <= 1 && checkable <= 1;
            a.opened = opened == 1;
            a.readOk = readOk == 1;
            a.entryPointsCheckable = checkable == 1;
            break;
        }
        case kRecord:
            ok = length == sizeof a.record && part.bytes(&a.record, sizeof a.record) &&
                 recordInBounds(a.record);
            break;
        case kTexts:
            for (size_t i = 0; ok && i < 5; ++i)
                ok = part.text(a.hasText[i], a.texts[i]);
            break;
        case kEntryPoints: {
            uint32_t count = 0;
            ok = part.u32(count) && count == part.left();
            if (ok) {
                a.entryPoints.resize(count);
                ok = count == 0 || part.bytes(a.entryPoints.data(), count);
                for (uint8_t v : a.entryPoints)
                    ok = ok && v <= 1;
            }
            break;
        }
        case kLog:
            a.log = body;
            ok = a.log.find('\0') == std::string::npos;
            part = Reader(nullptr, 0);
            break;
        case kSystem:
            ok = part.bytes(&a.system, sizeof a.system) && systemInBounds(a.system) &&
                 part.text(a.hasMonitor, a.monitor);
            a.hasSystem = ok;
            break;
        case kDrivers:
            ok = length == sizeof a.drivers && part.bytes(&a.drivers, sizeof a.drivers) &&
                 driversInBounds(a.drivers);
            a.hasDrivers = ok;
            break;
        case kExtended:
            ok = readExtended(part, a.extended);
            a.hasExtended = ok;
            break;
        case kWindowSystem:
            a.windowSystem = body;
            ok = !body.empty() && body.size() <= kWindowSystemNameMax &&
                 body.find('\0') == std::string::npos;
            part = Reader(nullptr, 0);
            break;
        }
        if (!ok || !part.done()) {
            a = ReadingAnswer();
            return fail(reason, "the answer holds a malformed section");
        }
    }
    if (!in.done()) {
        a = ReadingAnswer();
        return fail(reason, "the answer goes on after its last section");
    }
    const uint32_t required =
        (1u << kStatus) | (1u << kRecord) | (1u << kTexts) | (1u << kEntryPoints) | (1u << kLog);
    if ((seen & required) != required) {
        a = ReadingAnswer();
        return fail(reason, "the answer lacks a section");
    }
    /* Texts and extended limits belong to a filled record only (an empty
     * one is never released, so they would be lost). */
    bool owned = a.hasExtended;
    for (bool present : a.hasText)
        owned = owned || present;
    if (owned && !a.record.filled) {
        a = ReadingAnswer();
        return fail(reason, "the answer holds texts of an empty record");
    }
    /* The limits are kept by the extensions text: without one they would be
     * lost, and a reader never sends them then.  (A window system without
     * the text is dropped, as it always was: it names no data.) */
    if (a.hasExtended && !a.hasText[4]) {
        a = ReadingAnswer();
        return fail(reason, "the answer holds limits of a record without an extension list");
    }
    return true;
}

bool applyReadingRecord(const ReadingAnswer &a, tsRendererCaps &record)
{
    tsInfoRelease(&record);
    memcpy(&record, &a.record, sizeof record);
    record.size = sizeof record;
    char **members[5] = {&record.vendor, &record.version, &record.glslVersion, &record.renderer,
                         &record.extensions};
    for (size_t i = 0; i < 5; ++i)
        *members[i] = nullptr;
    record.reserved = 0;
    for (size_t i = 0; i < 5; ++i) {
        if (!a.hasText[i])
            continue;
        *members[i] = sysStrDup(a.texts[i].c_str());
        if (!*members[i]) {
            record.filled = 1; /* so that the release frees what was copied */
            tsInfoRelease(&record);
            record.size = sizeof record;
            return false;
        }
    }
    /* The notes go by the extensions text copied above. */
    if (a.hasExtended)
        attachExtendedLimits(&record, std::make_unique<ExtendedLimits>(a.extended));
    noteWindowSystem(record, a.windowSystem);
    return true;
}

void applyReadingSystem(const ReadingAnswer &a, tsSystemInfo &system)
{
    tsSystemInfoRelease(&system);
    memcpy(system.system, a.system.system, sizeof system.system);
    memcpy(system.processorMode, a.system.processorMode, sizeof system.processorMode);
    memcpy(system.desktopMode, a.system.desktopMode, sizeof system.desktopMode);
    system.monitor = a.hasMonitor ? sysStrDup(a.monitor.c_str()) : nullptr;
}

} // namespace sounder
