/* The event-driven XML parser and the attribute lookup.
 *
 * The parser works on one private, NUL-terminated copy of the document and
 * hands out pieces of it, cut by writing NUL bytes over the markup.  Every
 * scan below stops at the copy's terminator, so malformed input (an
 * unterminated tag, comment, CDATA section or quoted string) ends the parse
 * without reading past the end. */
#include "keel_internal.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kAttributeSize = 4096;

/* Result buffer of sysXmlGetAttribute; the next call in the same thread
 * overwrites it. */
thread_local char attributeValue[kAttributeSize];

/* Next occurrence of c outside double quotes, starting outside quotes at p;
 * null when the text ends first. */
char *findOutsideQuotes(char *p, char c)
{
    bool quoted = false;
    for (; *p; ++p) {
        if (*p == '"')
            quoted = !quoted;
        else if (*p == c && !quoted)
            return p;
    }
    return nullptr;
}

/* First white-space character outside double quotes, or null. */
char *findSpaceOutsideQuotes(char *p)
{
    bool quoted = false;
    for (; *p; ++p) {
        if (*p == '"')
            quoted = !quoted;
        else if (!quoted && isspace(static_cast<unsigned char>(*p)))
            return p;
    }
    return nullptr;
}

int callElement(const sysXmlCallbacks *cb, char *name, char *text)
{
    return cb->onElement ? cb->onElement(cb->user, name, text) : 0;
}

int callTag(const sysXmlCallbacks *cb, char *tag)
{
    return cb->onTag ? cb->onTag(cb->user, tag) : 0;
}

/* Element with children or attributes: split the tag text at its first white
 * space outside quotes; attributes go to onElement, a bare name to onTag. */
int reportTag(const sysXmlCallbacks *cb, char *tag)
{
    char *space = findSpaceOutsideQuotes(tag);
    if (space) {
        *space = '\0';
        return callElement(cb, tag, space + 1);
    }
    return callTag(cb, tag);
}

int parse(const sysXmlCallbacks *cb, char *cursor)
{
    static const char cdataMarker[] = "![CDATA[";
    const size_t cdataMarkerLength = sizeof cdataMarker - 1;

    for (;;) {
        char *lt = findOutsideQuotes(cursor, '<');
        if (!lt)
            return 0;
        char *after = lt + 1;

        if (*after == '/') {
            /* End tag: onTag gets "/name"; its result is ignored. */
            char *gt = findOutsideQuotes(after, '>');
            if (!gt)
                return 0;
            *gt = '\0';
            callTag(cb, after);
            cursor = gt + 1;
            continue;
        }

        if (strncmp(after, cdataMarker, cdataMarkerLength) == 0) {
            /* CDATA section: the content runs up to the first "]]>".  An
             * empty section ends at its own terminator; an unterminated one
             * ends the parse without a callback. */
            char *content = after + cdataMarkerLength;
            char *end = strstr(content, "]]>");
            if (!end)
                return 0;
            if (cb->onCData)
                cb->onCData(cb->user, content, static_cast<sysSize>(end - content));
            cursor = end + 3;
            continue;
        }

        if (*after == '!' || *after == '?') {
            /* Comment, declaration or processing instruction: skipped. */
            char *gt = findOutsideQuotes(after, '>');
            if (!gt)
                return 0;
            cursor = gt + 1;
            continue;
        }

        /* Start tag. */
        char *gt = findOutsideQuotes(after, '>');
        if (!gt)
            return 0;
        *gt = '\0';
        char *tag = after;

        if (gt > tag && gt[-1] == '/') {
            /* Self-closing: only a tag with attributes is reported. */
            gt[-1] = '\0';
            char *space = findSpaceOutsideQuotes(tag);
            if (space) {
                *space = '\0';
                int r = callElement(cb, tag, space + 1);
                if (r)
                    return r;
            }
            cursor = gt + 1;
            continue;
        }

        char *content = gt + 1;
        if (*content == '\0')
            return 0;
        char *next = findOutsideQuotes(content, '<');
        if (!next)
            return 0;

        if (next[1] == '/') {
            /* Leaf element: name = the whole tag text, text = the content. */
            *next = '\0';
            char *endGt = findOutsideQuotes(next + 1, '>');
            if (endGt)
                *endGt = '\0';
            callElement(cb, tag, content);
            if (!endGt)
                return 0;
            cursor = endGt + 1;
            continue;
        }

        /* Element with children: the text before the first child is
         * ignored and the cursor moves to the child. */
        int r = reportTag(cb, tag);
        if (r)
            return r;
        cursor = next;
    }
}

} // namespace

extern "C" {

KEEL_API int sysXmlParseDocument(const sysXmlCallbacks *callbacks, const char *text)
{
    if (!callbacks || !text)
        return 0;
    /* The only allocation of a parse: the private copy the pieces live in. */
    size_t length = strlen(text);
    char *copy = static_cast<char *>(sysMemAlloc(length + 1));
    if (!copy)
        return 0;
    memcpy(copy, text, length);
    int result = parse(callbacks, copy);
    sysMemFree(copy);
    return result;
}

KEEL_API const char *sysXmlGetAttribute(const char *tagText, const char *name)
{
    if (!tagText || !name)
        return nullptr;
    const char *hit = strstr(tagText, name);
    if (!hit)
        return nullptr;
    const char *open = strchr(hit, '"');
    if (!open)
        return nullptr;
    const char *value = open + 1;
    const char *close = strchr(value, '"');
    if (!close) {
        attributeValue[0] = '\0';
        return nullptr;
    }
    size_t n = static_cast<size_t>(close - value);
    if (n > kAttributeSize - 1)
        n = kAttributeSize - 1;
    memcpy(attributeValue, value, n);
    attributeValue[n] = '\0';
    return attributeValue;
}

} // extern "C"
