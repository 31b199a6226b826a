/* Names of the window systems records were read through (see
 * window_system_note.h). */
#include "probe/window_system_note.h"

#include <stdint.h>
#include <string.h>

#include <functional>
#include <map>
#include <mutex>
#include <string_view>

#include "sounder/export.h"

namespace sounder {
namespace {

struct Note {
    size_t hash = 0;
    std::string name;
};

std::mutex &notesLock()
{
    static std::mutex lock;
    return lock;
}

/* Node-based, so the text handed out by tsInfoGetWindowSystem stays where
 * it is while other records come and go. */
std::map<uintptr_t, Note> &notes()
{
    static std::map<uintptr_t, Note> all;
    return all;
}

size_t textHash(const char *text)
{
    return std::hash<std::string_view>()(std::string_view(text, strlen(text)));
}

const Note *find(const tsRendererCaps *caps)
{
    if (!caps || !caps->extensions)
        return nullptr;
    auto it = notes().find(reinterpret_cast<uintptr_t>(caps->extensions));
    if (it == notes().end() || it->second.hash != textHash(caps->extensions))
        return nullptr;
    return &it->second;
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
    std::lock_guard<std::mutex> hold(notesLock());
    const uintptr_t key = reinterpret_cast<uintptr_t>(caps.extensions);
    if (name.empty()) {
        notes().erase(key);
        return;
    }
    Note &note = notes()[key];
    note.hash = textHash(caps.extensions);
    note.name = cleanWindowSystemName(name);
}

std::string windowSystemOf(const tsRendererCaps *caps)
{
    std::lock_guard<std::mutex> hold(notesLock());
    const Note *note = find(caps);
    return note ? note->name : std::string();
}

void forgetWindowSystem(const tsRendererCaps &caps)
{
    if (!caps.extensions)
        return;
    std::lock_guard<std::mutex> hold(notesLock());
    notes().erase(reinterpret_cast<uintptr_t>(caps.extensions));
}

} // namespace sounder

extern "C" SOUNDER_API const char *tsInfoGetWindowSystem(const tsRendererCaps *caps)
{
    std::lock_guard<std::mutex> hold(sounder::notesLock());
    const sounder::Note *note = sounder::find(caps);
    return note ? note->name.c_str() : "";
}
