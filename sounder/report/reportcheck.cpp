// Whether a file is a report, and whether it is whole.  tsReadReportXML
// loads whatever a file holds and answers 0 for a file cut short or for one
// that is no report at all; programs ask here first, so that they can refuse
// a file that is not a report and warn about one that is incomplete.
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "keel/keel.h"
#include "sounder/reportfile.h"

namespace {

struct CheckState {
    bool started = false;  // a start tag has been seen
    bool root = false;     // ... and the first one was "Tessera"
    bool closed = false;   // "</Tessera>" has been seen
    bool renderer = false; // a "Renderer" element with text
};

// Whether the tag text names the element name.  The parser hands over a
// leaf element's whole start tag, attributes included, so the name ends at
// white space or at the end of the text.  The root is compared exactly, as
// every report writes it, so that the database file ("tessera") is no
// report; other names ignore case, as the reader does.
bool startsWithName(const char *tag, const char *name, bool exact = false)
{
    const size_t n = std::strlen(name);
    for (size_t i = 0; i < n; ++i) {
        const int a = static_cast<unsigned char>(tag[i]);
        const int b = static_cast<unsigned char>(name[i]);
        if (!a || (exact ? a != b : sysToLower(a) != sysToLower(b)))
            return false;
    }
    return tag[n] == '\0' || sysIsSpace(static_cast<unsigned char>(tag[n]));
}

void startTag(CheckState &s, const char *name)
{
    if (!s.started) {
        s.started = true;
        s.root = startsWithName(name, "Tessera", true);
    }
}

int onElement(uint64_t user, char *name, char *text)
{
    CheckState &s = *reinterpret_cast<CheckState *>(static_cast<uintptr_t>(user));
    if (!name)
        return 0;
    startTag(s, name);
    if (s.root && startsWithName(name, "Renderer") && text) {
        for (const char *p = text; *p; ++p)
            if (!sysIsSpace(static_cast<unsigned char>(*p))) {
                s.renderer = true;
                break;
            }
    }
    return 0;
}

int onTag(uint64_t user, char *tag)
{
    CheckState &s = *reinterpret_cast<CheckState *>(static_cast<uintptr_t>(user));
    if (!tag)
        return 0;
    if (tag[0] != '/')
        startTag(s, tag);
    else if (s.root && startsWithName(tag + 1, "Tessera", true))
        s.closed = true;
    return 0;
}

} // namespace

extern "C" SOUNDER_API int tsCheckReportXML(const char *path)
{
    if (!path)
        return TS_REPORT_FILE_UNREADABLE;
    char *buffer = nullptr;
    sysSize size = 0;
    if (sysFileReadToBuffer(path, &buffer, &size) != 0 || !buffer) {
        const int saved = errno;
        sysFileFreeBuffer(buffer);
        errno = saved;
        return TS_REPORT_FILE_UNREADABLE;
    }
    CheckState state;
    sysXmlCallbacks callbacks{};
    callbacks.user = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&state));
    callbacks.onElement = onElement;
    callbacks.onTag = onTag;
    sysXmlParseDocument(&callbacks, buffer);
    // The parser, like the reader, stops at a NUL byte: what follows it is
    // lost, so such a file is never whole.
    const bool holdsNul = std::strlen(buffer) != size;
    sysFileFreeBuffer(buffer);
    if (!state.root)
        return TS_REPORT_FILE_NOT_A_REPORT;
    if (!state.closed || !state.renderer || holdsNul)
        return TS_REPORT_FILE_INCOMPLETE;
    return TS_REPORT_FILE_COMPLETE;
}
