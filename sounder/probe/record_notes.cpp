/* The table of notes kept beside records (see record_notes.h). */
#include "probe/record_notes.h"

#include <stdint.h>
#include <string.h>

#include <functional>
#include <map>
#include <mutex>
#include <string_view>
#include <utility>

#include "probe/extended_limits.h"
#include "sounder/export.h"

namespace sounder {
namespace {

struct Notes {
    size_t hash = 0; /* of the extensions text the notes were kept for */
    std::string windowSystem;
    /* Its own block, so that the list handed out stays where it is while
     * the record's other notes change. */
    std::unique_ptr<ExtendedLimits> limits;

    bool empty() const { return windowSystem.empty() && !limits; }
};

/* Lock and table are never destroyed: a record may be released by the
 * destructor of another static object, after this file's would have run. */
std::mutex &notesLock()
{
    static std::mutex *lock = new std::mutex;
    return *lock;
}

/* Node-based, so the name handed out by tsInfoGetWindowSystem stays where
 * it is while other records come and go. */
std::map<uintptr_t, Notes> &table()
{
    static auto *all = new std::map<uintptr_t, Notes>;
    return *all;
}

uintptr_t keyOf(const tsRendererCaps &caps)
{
    return reinterpret_cast<uintptr_t>(caps.extensions);
}

size_t textHash(const char *text)
{
    return std::hash<std::string_view>()(std::string_view(text, strlen(text)));
}

/* The notes of caps, or null; the caller holds the lock. */
Notes *findLocked(const tsRendererCaps *caps)
{
    if (!caps || !caps->extensions)
        return nullptr;
    auto it = table().find(keyOf(*caps));
    if (it == table().end() || it->second.hash != textHash(caps->extensions))
        return nullptr;
    return &it->second;
}

/* The notes of caps, made when there are none; notes left by another
 * record whose block this one now has are dropped.  caps has an extensions
 * text; the caller holds the lock. */
Notes &notesForLocked(const tsRendererCaps &caps)
{
    const size_t hash = textHash(caps.extensions);
    Notes &notes = table()[keyOf(caps)];
    if (notes.hash != hash) {
        notes = Notes();
        notes.hash = hash;
    }
    return notes;
}

/* Removes the entry of caps once nothing is noted in it; the caller holds
 * the lock. */
void dropIfEmptyLocked(const tsRendererCaps &caps)
{
    auto it = table().find(keyOf(caps));
    if (it != table().end() && it->second.empty())
        table().erase(it);
}

} // namespace

std::string cleanWindowSystemName(const std::string &name)
{
    std::string clean = name.substr(0, kWindowSystemNameMax);
    /* Do not end inside a UTF-8 sequence. */
    if (clean.size() < name.size()) {
        size_t end = clean.size();
        while (end > 0 && (static_cast<unsigned char>(clean[end - 1]) & 0xC0) == 0x80)
            --end;
        if (end > 0 && static_cast<unsigned char>(clean[end - 1]) >= 0xC0)
            clean.resize(end - 1);
    }
    for (char &c : clean)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return clean;
}

void noteWindowSystem(const tsRendererCaps &caps, const std::string &name)
{
    if (!caps.extensions)
        return;
    if (name.empty()) {
        forgetWindowSystem(caps);
        return;
    }
    std::lock_guard<std::mutex> hold(notesLock());
    notesForLocked(caps).windowSystem = cleanWindowSystemName(name);
}

std::string windowSystemOf(const tsRendererCaps *caps)
{
    std::lock_guard<std::mutex> hold(notesLock());
    const Notes *notes = findLocked(caps);
    return notes ? notes->windowSystem : std::string();
}

void forgetWindowSystem(const tsRendererCaps &caps)
{
    std::lock_guard<std::mutex> hold(notesLock());
    Notes *notes = findLocked(&caps);
    if (!notes)
        return;
    notes->windowSystem.clear();
    dropIfEmptyLocked(caps);
}

const ExtendedLimits *extendedLimitsOf(const tsRendererCaps *caps)
{
    std::lock_guard<std::mutex> hold(notesLock());
    const Notes *notes = findLocked(caps);
    return notes ? notes->limits.get() : nullptr;
}

ExtendedLimits *extendedLimitsOf(tsRendererCaps *caps)
{
    std::lock_guard<std::mutex> hold(notesLock());
    Notes *notes = findLocked(caps);
    return notes ? notes->limits.get() : nullptr;
}

bool attachExtendedLimits(tsRendererCaps *caps, std::unique_ptr<ExtendedLimits> limits)
{
    if (!caps || !caps->extensions)
        return false;
    if (!limits) {
        releaseExtendedLimits(caps);
        return true;
    }
    std::unique_ptr<ExtendedLimits> replaced; /* freed outside the lock */
    {
        std::lock_guard<std::mutex> hold(notesLock());
        Notes &notes = notesForLocked(*caps);
        replaced = std::exchange(notes.limits, std::move(limits));
    }
    return true;
}

void releaseExtendedLimits(tsRendererCaps *caps)
{
    if (!caps)
        return;
    std::unique_ptr<ExtendedLimits> released; /* freed outside the lock */
    std::lock_guard<std::mutex> hold(notesLock());
    Notes *notes = findLocked(caps);
    if (!notes)
        return;
    released = std::move(notes->limits);
    dropIfEmptyLocked(*caps);
}

void forgetNotes(const tsRendererCaps &caps)
{
    if (!caps.extensions)
        return;
    Notes released; /* freed outside the lock */
    {
        std::lock_guard<std::mutex> hold(notesLock());
        auto it = table().find(keyOf(caps));
        if (it == table().end())
            return;
        /* Stale notes of an earlier block at this address go as well: the
         * block is about to be freed, and nothing else would free them. */
        released = std::move(it->second);
        table().erase(it);
    }
}

size_t recordNoteCount()
{
    std::lock_guard<std::mutex> hold(notesLock());
    return table().size();
}

} // namespace sounder

extern "C" SOUNDER_API const char *tsInfoGetWindowSystem(const tsRendererCaps *caps)
{
    std::lock_guard<std::mutex> hold(sounder::notesLock());
    const sounder::Notes *notes = sounder::findLocked(caps);
    return notes ? notes->windowSystem.c_str() : "";
}
