// Reading a report file back into a reading, an ICD list and a system
// description.  The keel parser calls onTag for groups without attributes and
// for end tags (which switch the section) and onElement for elements with
// text or attributes (which store values).  Every table written here is
// bounded: compressed formats (32), pixel formats (256), display modes
// (1024), ICD entries (16).
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "keel/keel.h"
#include "common/xml_entities.h"
#include "probe/extended_limits.h"
#include "probe/record_notes.h"
#include "report/report_fields.h"
#include "sounder/probe.h"
#include "sounder/reportfile.h"
#include "sounder/system.h"

namespace sounder {
namespace report {
namespace {

// Where the reader stands: outside any group (General), in a group of the
// capability table (Group, with the group), or in one of the file's lists.
enum class Section {
    General,
    Group,
    Icd,
    IcdIgnored, // an ICD group beyond the list's 16 entries, or without a list
    Formats,
    PixelFormats,
    Resolutions,
    CoreProfile,
};

struct ReaderState {
    tsRendererCaps *caps;
    tsIcdList *icd;
    tsSystemInfo *system;
    char version[8]; // format version of the document, up to 7 characters
    Section section;
    ReportGroup group; // the table group while section is Group
    int counter;       // compressed formats stored in the current list
    // Noted for the record once the document is read: they are kept by its
    // extensions text, which the document may give anywhere (or twice).
    std::string windowSystem;
    std::unique_ptr<ExtendedLimits> limits; // from the first CoreProfile group on
};

bool equalsNoCase(const char *a, const char *b)
{
    return sysStriCmp(a, b) == 0;
}

// Value of the attribute key in an attribute text such as
// `index="0" width="640"`, matched as a whole attribute name (so "id" does
// not match inside "valid"), entities decoded.  False when absent.
bool attribute(const char *attrs, const char *key, std::string &value)
{
    const std::size_t keyLength = std::strlen(key);
    const char *p = attrs;
    while (*p) {
        while (*p && (sysIsSpace(static_cast<unsigned char>(*p)) || *p == '/'))
            ++p;
        const char *nameStart = p;
        while (*p && *p != '=' && !sysIsSpace(static_cast<unsigned char>(*p)))
            ++p;
        const std::size_t nameLength = static_cast<std::size_t>(p - nameStart);
        while (*p && sysIsSpace(static_cast<unsigned char>(*p)))
            ++p;
        if (*p != '=') {
            if (nameLength == 0 && *p)
                ++p; // stray character: step over it
            continue;
        }
        ++p;
        while (*p && sysIsSpace(static_cast<unsigned char>(*p)))
            ++p;
        const char *valueStart;
        const char *valueEnd;
        if (*p == '"' || *p == '\'') {
            const char quote = *p++;
            valueStart = p;
            while (*p && *p != quote)
                ++p;
            valueEnd = p;
            if (*p)
                ++p;
        } else {
            valueStart = p;
            while (*p && !sysIsSpace(static_cast<unsigned char>(*p)))
                ++p;
            valueEnd = p;
        }
        if (nameLength == keyLength && std::strncmp(nameStart, key, keyLength) == 0) {
            value.assign(valueStart, valueEnd);
            decodeEntities(&value[0]);
            value.resize(std::strlen(value.c_str()));
            return true;
        }
    }
    return false;
}

int32_t intAttribute(const char *attrs, const char *key)
{
    std::string v;
    return attribute(attrs, key, v) ? sysStrAtoI(v.c_str()) : 0;
}

uint8_t byteValue(int32_t v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

uint8_t boolAttribute(const char *attrs, const char *key)
{
    std::string v;
    return (attribute(attrs, key, v) && sysStrAtoB(v.c_str())) ? 1 : 0;
}

void storeValue(tsRendererCaps *caps, const caps::Member &member, const char *text)
{
    if (member.isFloat())
        member.setFloat(*caps, sysStrAtoF(text));
    else
        member.setInt(*caps, sysStrAtoI(text));
}

// Stores the value of the member read in section `section` under name.
// Outside any group (section Unset) a legacy document uses the old names,
// except for the members after the compressed format list.  True when one
// matched.
bool storeMember(tsRendererCaps *caps, ReportGroup section, bool legacy, const char *name,
                 const char *text)
{
    std::size_t count = 0;
    const caps::Capability *rows = caps::table(&count);
    for (std::size_t i = 0; i < count; ++i) {
        const caps::Capability &row = rows[i];
        if (section == ReportGroup::Unset && legacy && row.legacyName &&
            equalsNoCase(name, row.legacyName)) {
            storeValue(caps, row.member, text);
            return true;
        }
        for (const caps::ReportPlace &place : row.report) {
            if (place.group == ReportGroup::Unset || (place.flags & caps::kReportNotRead) ||
                layoutOf(place.group).readIn != section)
                continue;
            if (section == ReportGroup::Unset && legacy &&
                place.group != ReportGroup::ExtensionSpecsTail)
                continue;
            if (equalsNoCase(name, row.name)) {
                storeValue(caps, row.member, text);
                return true;
            }
        }
    }
    return false;
}

// Replaces an owned text member with a decoded copy of text.
void storeText(char *&member, const char *text)
{
    std::string decoded(text ? text : "");
    decodeEntities(&decoded[0]);
    char *copy = sysStrDup(decoded.c_str());
    if (!copy)
        return; // out of memory: keep what was there
    sysMemFree(member);
    member = copy;
}

void storeFixed(char *field, std::size_t size, const char *text)
{
    std::string decoded(text ? text : "");
    decodeEntities(&decoded[0]);
    sysStrlCpy(field, decoded.c_str(), size);
}

void readPixelFormat(tsRendererCaps *caps, const char *attrs)
{
    // Formats are numbered from 1; a document without ids is numbered in order.
    std::string v;
    int32_t id = attribute(attrs, "id", v) ? sysStrAtoI(v.c_str()) : caps->pixelFormatCount + 1;
    if (id < 1 || id > TS_MAX_PIXEL_FORMATS)
        return;
    tsPixelFormat &p = caps->pixelFormats[id - 1];
    for (const PixelFormatField &f : kPixelFormatFields)
        p.*f.member =
            f.flag ? boolAttribute(attrs, f.name) : byteValue(intAttribute(attrs, f.name));
    if (id > caps->pixelFormatCount)
        caps->pixelFormatCount = static_cast<int16_t>(id);
}

void readDisplayMode(tsRendererCaps *caps, const char *attrs)
{
    const int32_t index = intAttribute(attrs, "index");
    if (index < 0 || index >= TS_MAX_DISPLAY_MODES)
        return;
    tsDisplayMode &m = caps->displayModes[index];
    m.width = static_cast<uint16_t>(intAttribute(attrs, "width"));
    m.height = static_cast<uint16_t>(intAttribute(attrs, "height"));
    m.bitsPerPixel = static_cast<uint8_t>(intAttribute(attrs, "depth"));
    m.refreshRate = static_cast<uint8_t>(intAttribute(attrs, "rate"));
    if (index + 1 > caps->displayModeCount)
        caps->displayModeCount = static_cast<int16_t>(index + 1);
}

// A compressed format code as the writer writes it: unsigned 32-bit
// hexadecimal (codes above 0x7FFFFFFF are kept, not clamped).
uint32_t hexCode(const char *text)
{
    errno = 0;
    const unsigned long long v = std::strtoull(text, nullptr, 16);
    if (errno == ERANGE || v > UINT32_MAX)
        return UINT32_MAX;
    return static_cast<uint32_t>(v);
}

bool isLegacy(const ReaderState &s)
{
    // A document without a version attribute is read with the current names.
    return s.version[0] != '\0' && std::strcmp(s.version, TS_REPORT_LEGACY_BELOW) < 0;
}

void readGeneral(ReaderState &s, const char *name, const char *text)
{
    tsRendererCaps *caps = s.caps;
    if (equalsNoCase(name, "System")) {
        if (s.system)
            storeFixed(s.system->system, sizeof s.system->system, text);
    } else if (equalsNoCase(name, "CPU")) {
        if (s.system)
            storeFixed(s.system->processorMode, sizeof s.system->processorMode, text);
    } else if (equalsNoCase(name, "Vendor")) {
        storeText(caps->vendor, text);
    } else if (equalsNoCase(name, "Version")) {
        storeText(caps->version, text);
    } else if (equalsNoCase(name, "GLSLVersion")) {
        storeText(caps->glslVersion, text);
    } else if (equalsNoCase(name, "Renderer")) {
        storeText(caps->renderer, text);
    } else if (equalsNoCase(name, "Extensions")) {
        storeText(caps->extensions, text);
    } else if (equalsNoCase(name, "WindowSystem")) {
        s.windowSystem = text ? text : "";
        if (!s.windowSystem.empty())
            decodeEntities(&s.windowSystem[0]);
        s.windowSystem.resize(std::strlen(s.windowSystem.c_str()));
    } else if (equalsNoCase(name, "VRAM")) {
        caps->videoMemory = static_cast<uint32_t>(sysStrAtoI(text));
    } else {
        storeMember(caps, ReportGroup::Unset, isLegacy(s), name, text);
    }
}

void readIcdField(ReaderState &s, const char *name, const char *text)
{
    if (!s.icd || s.icd->count < 1 || s.icd->count > TS_ICD_MAX_ENTRIES)
        return;
    tsIcdEntry &e = s.icd->entries[s.icd->count - 1];
    if (equalsNoCase(name, "company")) {
        storeFixed(e.company, sizeof e.company, text);
    } else if (equalsNoCase(name, "name")) {
        // The file holds only the name; it stands for the path as well.
        storeFixed(e.name, sizeof e.name, text);
        storeFixed(e.path, sizeof e.path, text);
    } else if (equalsNoCase(name, "version")) {
        storeFixed(e.version, sizeof e.version, text);
    } else if (equalsNoCase(name, "description")) {
        storeFixed(e.description, sizeof e.description, text);
    }
}

// One element of the CoreProfile group: its version, or a limit of a known
// token with as many values as the table reads (others are dropped).
void readCoreProfile(ExtendedLimits *limits, const char *name, const char *text)
{
    if (!limits)
        return;
    if (equalsNoCase(name, "CoreVersion")) {
        std::string decoded(text);
        decodeEntities(&decoded[0]);
        decoded.resize(std::strlen(decoded.c_str()));
        limits->version = decoded;
        return;
    }
    ExtendedValue v;
    v.row = caps::findExtended(name);
    if (!v.row)
        return;
    const char *p = text;
    const char *end = text + std::strlen(text);
    const int want = v.row->read[0].count;
    int n = 0;
    for (; n < want; ++n) {
        while (p < end && sysIsSpace(static_cast<unsigned char>(*p)))
            ++p;
        const std::from_chars_result r =
            v.isFloat() ? std::from_chars(p, end, v.floats[n]) : std::from_chars(p, end, v.ints[n]);
        if (r.ec != std::errc() || p == r.ptr)
            return;
        p = r.ptr;
    }
    while (p < end && sysIsSpace(static_cast<unsigned char>(*p)))
        ++p;
    if (p != end)
        return;
    v.count = static_cast<uint8_t>(n);
    limits->put(v);
}

int onElement(uint64_t user, char *name, char *text)
{
    ReaderState &s = *reinterpret_cast<ReaderState *>(static_cast<uintptr_t>(user));
    if (!name || !text)
        return 0;
    tsRendererCaps *caps = s.caps;

    if (equalsNoCase(name, "Tessera")) {
        std::string v;
        if (attribute(text, "version", v))
            sysStrlCpy(s.version, v.c_str(), sizeof s.version);
    }

    switch (s.section) {
    case Section::General: readGeneral(s, name, text); break;
    case Section::Group: storeMember(caps, s.group, false, name, text); break;
    case Section::Icd: readIcdField(s, name, text); break;
    case Section::IcdIgnored: break;
    case Section::Formats:
        if (equalsNoCase(name, "value") && s.counter < TS_MAX_COMPRESSED_FORMATS)
            caps->compressedFormats[s.counter++] = hexCode(text);
        break;
    case Section::PixelFormats:
        if (equalsNoCase(name, "p"))
            readPixelFormat(caps, text);
        break;
    case Section::Resolutions:
        if (equalsNoCase(name, "Mode"))
            readDisplayMode(caps, text);
        break;
    case Section::CoreProfile: readCoreProfile(s.limits.get(), name, text); break;
    }
    return 0;
}

int onTag(uint64_t user, char *tag)
{
    ReaderState &s = *reinterpret_cast<ReaderState *>(static_cast<uintptr_t>(user));
    if (!tag)
        return 0;
    static const struct {
        const char *name;
        Section section;
    } kLists[] = {
        {"formats", Section::Formats},
        {"PixelFormats", Section::PixelFormats},
        {"Resolutions", Section::Resolutions},
    };

    if (equalsNoCase(tag, "ICD")) {
        // Without a list, or with a full one, the group is still entered so
        // that its "name" and "version" are not taken for the reading's.
        if (s.icd && s.icd->count < TS_ICD_MAX_ENTRIES) {
            s.icd->count++;
            s.section = Section::Icd;
        } else {
            s.section = Section::IcdIgnored;
        }
        return 0;
    }
    const bool closing = tag[0] == '/';
    const char *name = closing ? tag + 1 : tag;
    if (closing && equalsNoCase(name, "ICD")) {
        // The group stays in force after its end tag, as in every document
        // written so far; the next group tag switches it.
        return 0;
    }
    for (const GroupLayout &g : kGroupLayout) {
        if (g.opensSection && equalsNoCase(name, g.tag)) {
            s.section = closing ? Section::General : Section::Group;
            s.group = g.group;
            return 0;
        }
    }
    if (equalsNoCase(name, "CoreProfile")) {
        s.section = closing ? Section::General : Section::CoreProfile;
        if (!closing && !s.limits)
            s.limits = std::make_unique<ExtendedLimits>();
        return 0;
    }
    for (const auto &l : kLists) {
        if (equalsNoCase(name, l.name)) {
            s.section = closing ? Section::General : l.section;
            if (!closing && (l.section == Section::Formats || l.section == Section::Resolutions))
                s.counter = 0;
            return 0;
        }
    }
    return 0;
}

} // namespace
} // namespace report
} // namespace sounder

extern "C" SOUNDER_API int tsReadReportXML(const char *path, tsRendererCaps *caps, tsIcdList *icd,
                                           tsSystemInfo *system)
{
    using namespace sounder::report;
    if (!caps)
        return -1;
    std::memset(caps, 0, sizeof *caps);
    caps->filled = 1;
    if (icd)
        std::memset(icd, 0, sizeof *icd);
    if (system) {
        tsSystemInfoRelease(system);
        std::memset(system, 0, sizeof *system);
    }
    if (!path)
        return -1;

    char *buffer = nullptr;
    sysSize size = 0;
    if (sysFileReadToBuffer(path, &buffer, &size) != 0 || !buffer || size == 0) {
        sysFileFreeBuffer(buffer);
        return -1;
    }

    ReaderState state{};
    state.caps = caps;
    state.icd = icd;
    state.system = system;
    state.section = Section::General;

    sysXmlCallbacks callbacks{};
    callbacks.user = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&state));
    callbacks.onElement = onElement;
    callbacks.onTag = onTag;
    callbacks.onCData = nullptr;
    sysXmlParseDocument(&callbacks, buffer);
    sysFileFreeBuffer(buffer);
    // The notes are kept by the extension list: a file that holds some but
    // names no list (not one this library writes) gets an empty list rather
    // than losing them.
    if ((state.limits || !state.windowSystem.empty()) && !caps->extensions)
        caps->extensions = sysStrDup("");
    if (state.limits)
        sounder::attachExtendedLimits(caps, std::move(state.limits));
    sounder::noteWindowSystem(*caps, state.windowSystem);

    // Derived as a reading derives it: the largest sample count among the
    // pixel formats.
    for (int i = 0; i < caps->pixelFormatCount && i < TS_MAX_PIXEL_FORMATS; ++i) {
        if (caps->pixelFormats[i].samples > caps->MaxSamples)
            caps->MaxSamples = caps->pixelFormats[i].samples;
    }
    return 0;
}
