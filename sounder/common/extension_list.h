/* The names of an extension list as drivers write it: split at every single
 * space, so that two spaces in a row hold an empty name and a trailing space
 * ends the list with one.  tsInfoSearchExtension and the database's solve
 * read a list the same way through this one walker. */
#ifndef SOUNDER_COMMON_EXTENSION_LIST_H
#define SOUNDER_COMMON_EXTENSION_LIST_H

#include <cstring>
#include <string_view>

namespace sounder {

/* Calls found(name) for each name of list in order until it returns true;
 * returns whether one did.  A null list has no names. */
template <typename Found>
bool anyListedName(const char *list, Found found)
{
    for (const char *token = list; token;) {
        const char *end = std::strchr(token, ' ');
        if (found(std::string_view(token,
                                   end ? static_cast<size_t>(end - token) : std::strlen(token))))
            return true;
        token = end ? end + 1 : nullptr;
    }
    return false;
}

} // namespace sounder

#endif
