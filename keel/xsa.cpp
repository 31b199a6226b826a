/* Reader of the update index (XSA, XML Software Autoupdate): fills one
 * record from the entry of one product. */
#include "keel_internal.h"

#include <cstring>

namespace {

enum class XsaState { None = 0, Index = 1, Product = 2 };

struct XsaReader {
    const char *productId;
    sysXSAInfo *info;
    XsaState state;
    bool found;
};

XsaReader *readerOf(uint64_t user)
{
    return reinterpret_cast<XsaReader *>(static_cast<uintptr_t>(user));
}

int onXsaElement(uint64_t user, char *name, char *text)
{
    XsaReader *r = readerOf(user);
    if (strcmp(name, "xsa") == 0) {
        r->state = XsaState::Index;
        return 0;
    }
    if (r->state == XsaState::Index && strcmp(name, "product") == 0) {
        const char *id = sysXmlGetAttribute(text, "id");
        if (id && r->productId && strcmp(id, r->productId) == 0) {
            r->state = XsaState::Product;
            r->found = true;
        } else {
            r->state = XsaState::Index;
        }
        return 0;
    }
    if (r->state == XsaState::Product) {
        sysXSAInfo *info = r->info;
        if (strcmp(name, "version") == 0)
            sysStrlCpy(info->version, text, sizeof info->version);
        else if (strcmp(name, "info-url") == 0)
            sysStrlCpy(info->infoUrl, text, sizeof info->infoUrl);
        else if (strcmp(name, "last-release") == 0)
            sysStrlCpy(info->lastRelease, text, sizeof info->lastRelease);
        else if (strcmp(name, "changes") == 0)
            sysStrlCpy(info->changes, text, sizeof info->changes);
    }
    return 0;
}

int onXsaTag(uint64_t user, char *tag)
{
    XsaReader *r = readerOf(user);
    if (strcmp(tag, "xsa") == 0)
        r->state = XsaState::Index;
    else if (r->state == XsaState::Product && strcmp(tag, "/product") == 0)
        r->state = XsaState::Index;
    return 0;
}

} // namespace

extern "C" {

KEEL_API int sysXSAGetFromFile(const char *path, const char *productId, sysXSAInfo *info)
{
    if (!info)
        return -2;
    memset(info, 0, sizeof *info);

    char *text = nullptr;
    sysSize size = 0;
    if (sysFileReadToBuffer(path, &text, &size) != 0 || !text || size == 0) {
        sysFileFreeBuffer(text);
        return -2;
    }

    XsaReader reader{productId, info, XsaState::None, false};
    sysXmlCallbacks callbacks{};
    callbacks.user = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&reader));
    callbacks.onElement = onXsaElement;
    callbacks.onTag = onXsaTag;
    callbacks.onCData = nullptr;
    sysXmlParseDocument(&callbacks, text);
    sysFileFreeBuffer(text);
    return reader.found ? 0 : -1;
}

} // extern "C"
