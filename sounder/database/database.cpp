// The extension database: records, the file reader and writer, the merge of
// a reading and the renderer family names.
#include "sounder/database.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/atomic_file.h"
#include "common/xml_entities.h"
#include "common/xml_writer.h"
#include "database/compliance.h"
#include "database/database_index.h"
#include "keel/keel.h"
#include "sounder/probe.h"
#include "sounder/system.h"

namespace sounder {
namespace db {

namespace {

// Field limits when reading a file: names keep 126 characters, vendor,
// version and os 30.
constexpr size_t kReadNameSize = 127;
constexpr size_t kReadShortSize = 31;

std::unordered_map<const tsDatabase *, std::unique_ptr<Index>> &indexes()
{
    static std::unordered_map<const tsDatabase *, std::unique_ptr<Index>> table;
    return table;
}

template <class T>
T *newRecord()
{
    return static_cast<T *>(sysMemAlloc(sizeof(T)));
}

void copyField(char *dst, size_t size, const char *src)
{
    sysStrlCpy(dst, src ? src : "", size);
}

template <class T>
void freeEntryPoints(T *owner)
{
    tsEntryPoint *ep = owner->entryPoints;
    while (ep) {
        tsEntryPoint *next = ep->next;
        sysMemFree(ep);
        ep = next;
    }
}

} // namespace

const char *const kCoreVersions[kCoreVersionCount] = {"1.1", "1.2", "1.3", "1.4", "1.5", "2.0",
                                                      "2.1", "3.0", "3.1", "3.2", "3.3", "4.0",
                                                      "4.1", "4.2", "4.3", "4.4", "4.5", "4.6"};

uint32_t nameHash(const char *name)
{
    return sysStrHash("%s", name ? name : "");
}

Index *findIndex(const tsDatabase *db)
{
    auto &table = indexes();
    auto it = table.find(db);
    return it == table.end() ? nullptr : it->second.get();
}

Index &indexOf(const tsDatabase *db)
{
    auto &table = indexes();
    auto it = table.find(db);
    if (it != table.end())
        return *it->second;
    auto index = std::make_unique<Index>();
    index->extensions.build(db->extensions);
    index->vendors.build(db->vendors);
    index->renderers.build(db->renderers);
    for (tsExtension *e = db->extensions; e; e = e->next)
        index->byHash[e->nameHash].push_back(e);
    for (tsCoreVersion *c = db->coreVersions; c; c = c->next)
        index->coreTail = c;
    Index &ref = *index;
    table.emplace(db, std::move(index));
    return ref;
}

void dropIndex(const tsDatabase *db)
{
    indexes().erase(db);
}

tsExtension *findExtension(const tsDatabase *db, const char *name)
{
    if (!db || !name)
        return nullptr;
    const uint32_t hash = nameHash(name);
    if (Index *index = findIndex(db)) {
        auto it = index->byHash.find(hash);
        if (it == index->byHash.end())
            return nullptr;
        for (tsExtension *e : it->second)
            if (strcmp(e->name, name) == 0)
                return e;
        return nullptr;
    }
    for (tsExtension *e = db->extensions; e; e = e->next)
        if (e->nameHash == hash && strcmp(e->name, name) == 0)
            return e;
    return nullptr;
}

tsCoreVersion *findCoreVersion(const tsDatabase *db, const char *version)
{
    if (!db || !version)
        return nullptr;
    for (tsCoreVersion *c = db->coreVersions; c; c = c->next)
        if (sysStriCmp(c->version, version) == 0)
            return c;
    return nullptr;
}

tsVendor *findVendor(const tsDatabase *db, const char *name)
{
    if (!db)
        return nullptr;
    if (Index *index = findIndex(db))
        return index->vendors.find(name ? name : "");
    for (tsVendor *v = db->vendors; v; v = v->next)
        if (sysStriCmp(v->name, name ? name : "") == 0)
            return v;
    return nullptr;
}

tsRenderer *findRenderer(const tsDatabase *db, const char *name)
{
    if (!db)
        return nullptr;
    char normalised[sizeof(tsRenderer::name)];
    sysStrlCpy(normalised, tsNormaliseRendererName(name), sizeof normalised);
    if (Index *index = findIndex(db))
        return index->renderers.find(normalised);
    for (tsRenderer *r = db->renderers; r; r = r->next)
        if (sysStriCmp(r->name, normalised) == 0)
            return r;
    return nullptr;
}

// ---- records ----------------------------------------------------------------

namespace {

// Names are looked up as they would be stored (cut to the field), so a name
// longer than the field finds its record instead of adding a copy each time.
tsVendor *findOrAddVendor(tsDatabase *db, const char *name)
{
    char stored[sizeof(tsVendor::name)];
    copyField(stored, sizeof stored, name);
    Index &index = indexOf(db);
    if (tsVendor *v = index.vendors.find(stored))
        return v;
    tsVendor *v = newRecord<tsVendor>();
    if (!v)
        return nullptr;
    copyField(v->name, sizeof v->name, stored);
    index.vendors.insert(&db->vendors, v);
    return v;
}

// The vendor is looked up (or added) only for a new renderer: a known
// renderer keeps its vendor, and a vendor that no renderer refers to would
// not survive writing the file.
tsRenderer *findOrAddRenderer(tsDatabase *db, const char *vendorName, const char *name,
                              const char *version, const char *os)
{
    char normalised[sizeof(tsRenderer::name)];
    sysStrlCpy(normalised, tsNormaliseRendererName(name), sizeof normalised);
    Index &index = indexOf(db);
    if (tsRenderer *r = index.renderers.find(normalised))
        return r;
    tsVendor *vendor = findOrAddVendor(db, vendorName);
    tsRenderer *r = newRecord<tsRenderer>();
    if (!r)
        return nullptr;
    copyField(r->name, sizeof r->name, normalised);
    copyField(r->version, sizeof r->version, version);
    copyField(r->os, sizeof r->os, os);
    r->vendor = vendor;
    index.renderers.insert(&db->renderers, r);
    return r;
}

tsRendererLink *newLink(tsRenderer *renderer, const char *version)
{
    tsRendererLink *link = newRecord<tsRendererLink>();
    if (!link)
        return nullptr;
    link->renderer = renderer;
    copyField(link->version, sizeof link->version, version);
    return link;
}

// The list's own insertion rule, for lists without an index (an
// extension's renderer links outside the reader).
void insertLinkSorted(tsExtension *ext, tsRendererLink *link)
{
    const char *name = sortKey(link);
    tsRendererLink *head = ext->links;
    if (!head || sysStriCmp(sortKey(head), name) >= 0) {
        link->next = head;
        ext->links = link;
        return;
    }
    for (tsRendererLink *x = head; x; x = x->next) {
        if (!x->next) {
            x->next = link;
            return;
        }
        if (sysStriCmp(sortKey(x), name) <= 0 && sysStriCmp(sortKey(x->next), name) >= 0) {
            link->next = x->next;
            x->next = link;
            return;
        }
    }
}

void appendLink(tsExtension *ext, tsRendererLink *link)
{
    tsRendererLink **tail = &ext->links;
    while (*tail)
        tail = &(*tail)->next;
    *tail = link;
}

tsRendererLink *findLink(const tsExtension *ext, const char *rendererName)
{
    for (tsRendererLink *l = ext->links; l; l = l->next)
        if (l->renderer && sysStriCmp(l->renderer->name, rendererName) == 0)
            return l;
    return nullptr;
}

// Creates the extension (name cut to its field) and inserts it in order.
tsExtension *createExtension(tsDatabase *db, const char *name)
{
    tsExtension *ext = newRecord<tsExtension>();
    if (!ext)
        return nullptr;
    copyField(ext->name, sizeof ext->name, name);
    ext->nameHash = nameHash(ext->name);
    Index &index = indexOf(db);
    index.extensions.insert(&db->extensions, ext);
    index.byHash[ext->nameHash].push_back(ext);
    return ext;
}

// Per-extension link order used while a file is read, so that many links on
// one extension do not make reading quadratic.
using LinkOrders = std::unordered_map<tsExtension *, OrderedList<tsRendererLink>>;

// Looks the extension up by hash; creates it when missing (with one link
// when a renderer is given).  An existing extension gets a link to the
// renderer unless it already has one to a renderer of that name, in which
// case modified is set.
tsExtension *addExtension(tsDatabase *db, tsRenderer *renderer, const char *name,
                          const char *linkVersion, LinkOrders *linkOrders)
{
    char stored[sizeof(tsExtension::name)];
    copyField(stored, sizeof stored, name);
    tsExtension *ext = findExtension(db, stored);
    if (!ext) {
        ext = createExtension(db, stored);
        if (ext && renderer) {
            ext->links = newLink(renderer, linkVersion);
            if (linkOrders && ext->links)
                (*linkOrders)[ext].build(ext->links);
        }
        return ext;
    }
    if (!renderer)
        return ext;
    OrderedList<tsRendererLink> *order = nullptr;
    if (linkOrders) {
        auto it = linkOrders->find(ext);
        if (it == linkOrders->end()) {
            it = linkOrders->emplace(ext, OrderedList<tsRendererLink>()).first;
            it->second.build(ext->links);
        }
        order = &it->second;
    }
    if (order ? order->find(renderer->name) != nullptr : findLink(ext, renderer->name) != nullptr) {
        db->modified = 1;
        return ext;
    }
    tsRendererLink *link = newLink(renderer, linkVersion);
    if (!link)
        return ext;
    if (order)
        order->insert(&ext->links, link);
    else
        insertLinkSorted(ext, link);
    return ext;
}

// ---- reader -------------------------------------------------------------------

struct ReaderState {
    tsDatabase *db = nullptr;
    tsExtension *currentExt = nullptr;    // current record: an extension ...
    tsCoreVersion *currentCore = nullptr; // ... or a core version
    bool haveExtName = false;
    char lastExtName[kReadNameSize] = "";
    char keptVendor[kReadShortSize] = "";
    char keptName[kReadNameSize] = "";
    char keptVersion[kReadShortSize] = "";
    char keptOs[kReadShortSize] = "";
    // Last entry point of each record that received one, so that appending
    // stays cheap however the elements are arranged.
    std::unordered_map<const void *, tsEntryPoint *> epTails;
    // Extensions whose link list already has a link to a renderer: a quick
    // answer to "already linked" for large files.
    LinkOrders linkOrders;
    // Whether the text is whole: the first element is the root, which
    // closes again.  A file cut short loads what precedes the cut, and
    // only these tell it from a whole one.
    bool started = false;
    bool rootOpened = false;
    bool rootClosed = false;
};

bool isRootName(const char *name)
{
    return sysStriCmp(name, "TESSERA") == 0;
}

void noteStartTag(ReaderState &st, const char *name)
{
    if (!st.started) {
        st.started = true;
        st.rootOpened = isRootName(name);
    }
}

// Value of an attribute whose name starts an attribute of the tag text
// (outside quoted values), decoded, cut to size bytes.  False when absent.
// Keys ending in "=" must be followed by the value's quote; a key without
// "=" must be followed by "=" (after optional white space).
bool attribute(const char *tag, const char *key, char *out, size_t size)
{
    size_t keyLength = strlen(key);
    bool quoted = false;
    for (const char *p = tag; *p; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (p != tag && !sysIsSpace(static_cast<unsigned char>(p[-1])))
            continue;
        if (strncmp(p, key, keyLength) != 0)
            continue;
        if (key[keyLength - 1] != '=') {
            const char *q = p + keyLength;
            while (*q && sysIsSpace(static_cast<unsigned char>(*q)))
                ++q;
            if (*q != '=')
                continue;
        }
        const char *value = sysXmlGetAttribute(p, key);
        if (!value)
            return false;
        char decoded[4096];
        sysStrlCpy(decoded, value, sizeof decoded);
        decodeEntities(decoded);
        sysStrlCpy(out, decoded, size);
        return true;
    }
    return false;
}

void appendEntryPoint(ReaderState &st, const void *owner, tsEntryPoint **head, const char *text)
{
    char name[sizeof(tsEntryPoint::name)];
    char decoded[4096];
    sysStrlCpy(decoded, text, sizeof decoded);
    decodeEntities(decoded);
    sysStrlCpy(name, decoded, sizeof name);
    if (!name[0])
        return;
    tsEntryPoint *ep = newRecord<tsEntryPoint>();
    if (!ep)
        return;
    copyField(ep->name, sizeof ep->name, name);
    auto it = st.epTails.find(owner);
    tsEntryPoint *tail = nullptr;
    if (it != st.epTails.end()) {
        tail = it->second;
    } else {
        for (tail = *head; tail && tail->next; tail = tail->next) {}
    }
    if (tail)
        tail->next = ep;
    else
        *head = ep;
    st.epTails[owner] = ep;
}

void readCore(ReaderState &st, const char *attributes)
{
    char version[32];
    if (!attribute(attributes, "version=", version, sizeof version))
        version[0] = '\0';
    tsCoreVersion *core = newRecord<tsCoreVersion>();
    if (!core)
        return;
    copyField(core->version, sizeof core->version, version);
    Index &index = indexOf(st.db);
    if (index.coreTail)
        index.coreTail->next = core;
    else
        st.db->coreVersions = core;
    index.coreTail = core;
    st.currentCore = core;
    st.currentExt = nullptr;
}

void readExtension(ReaderState &st, const char *attributes)
{
    char name[kReadNameSize];
    if (!attribute(attributes, "name", name, sizeof name) || !name[0]) {
        // Without a name the element cannot be stored; what follows it
        // must not attach to the previous extension either.
        st.haveExtName = false;
        st.currentExt = nullptr;
        st.currentCore = nullptr;
        return;
    }
    sysStrlCpy(st.lastExtName, name, sizeof st.lastExtName);
    st.haveExtName = true;
    tsExtension *ext = addExtension(st.db, nullptr, name, "", &st.linkOrders);
    st.currentExt = ext;
    st.currentCore = nullptr;
    if (!ext)
        return;
    attribute(attributes, "alias=", ext->alias, sizeof ext->alias);
    attribute(attributes, "core=", ext->core, sizeof ext->core);
    attribute(attributes, "spec=", ext->spec, sizeof ext->spec);
    attribute(attributes, "req=", ext->req, sizeof ext->req);
    attribute(attributes, "status=", ext->status, sizeof ext->status);
    attribute(attributes, "cat=", ext->cat, sizeof ext->cat);
    attribute(attributes, "depends=", ext->depends, sizeof ext->depends);
    attribute(attributes, "affects=", ext->affects, sizeof ext->affects);
}

void readRenderer(ReaderState &st, const char *attributes)
{
    attribute(attributes, "name=", st.keptName, sizeof st.keptName);
    attribute(attributes, "version=", st.keptVersion, sizeof st.keptVersion);
    attribute(attributes, "vendor=", st.keptVendor, sizeof st.keptVendor);
    attribute(attributes, "os=", st.keptOs, sizeof st.keptOs);
    if (!st.haveExtName)
        return;
    tsRenderer *renderer =
        findOrAddRenderer(st.db, st.keptVendor, st.keptName, st.keptVersion, st.keptOs);
    if (!renderer)
        return;
    tsExtension *ext =
        addExtension(st.db, renderer, st.lastExtName, st.keptVersion, &st.linkOrders);
    st.currentExt = ext;
    st.currentCore = nullptr;
}

int onElement(uint64_t user, char *name, char *text)
{
    ReaderState &st = *reinterpret_cast<ReaderState *>(static_cast<uintptr_t>(user));
    if (!name)
        return 0;
    // An element with attributes but only text inside (`<core version="1.1">
    // </core>`, as written for a core version without entry points) arrives
    // as one tag text holding the attributes: split it so that the record
    // is not lost.  An entry point keeps its text.
    char *space = name;
    while (*space && !sysIsSpace(static_cast<unsigned char>(*space)))
        ++space;
    if (*space) {
        *space = '\0';
        if (sysStriCmp(name, "f") != 0 && sysStriCmp(name, "function") != 0)
            text = space + 1;
    }
    noteStartTag(st, name);
    if (isRootName(name)) {
        char version[32];
        if (attribute(text ? text : "", "version", version, sizeof version))
            st.db->version = static_cast<uint32_t>(sysStrAtoI(version));
    } else if (sysStriCmp(name, "core") == 0) {
        readCore(st, text ? text : "");
    } else if (sysStriCmp(name, "ext") == 0) {
        readExtension(st, text ? text : "");
    } else if (sysStriCmp(name, "f") == 0 || sysStriCmp(name, "function") == 0) {
        if (st.currentExt)
            appendEntryPoint(st, st.currentExt, &st.currentExt->entryPoints, text ? text : "");
        else if (st.currentCore)
            appendEntryPoint(st, st.currentCore, &st.currentCore->entryPoints, text ? text : "");
    } else if (sysStriCmp(name, "renderer") == 0) {
        readRenderer(st, text ? text : "");
    }
    return 0;
}

// Start tags without attributes and end tags: only the root's matter here.
int onTag(uint64_t user, char *tag)
{
    ReaderState &st = *reinterpret_cast<ReaderState *>(static_cast<uintptr_t>(user));
    if (!tag)
        return 0;
    if (tag[0] != '/')
        noteStartTag(st, tag);
    else if (st.rootOpened && isRootName(tag + 1))
        st.rootClosed = true;
    return 0;
}

tsDatabase *newDatabase()
{
    tsDatabase *db = newRecord<tsDatabase>();
    if (!db)
        abort(); // the allocator only fails when the process is out of memory
    indexOf(db);
    return db;
}

// ---- writer ---------------------------------------------------------------------

std::string render(const tsDatabase *db, uint32_t edition)
{
    XmlWriter w(Controls::Keep);
    w.str().reserve(256 * 1024);
    w.raw("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n");
    w.raw("<!-- tessera OpenGL extension database - https://tessera.example.org/extensions -->\n");
    w.open("tessera").attr("version", static_cast<long long>(edition)).close().lineEnd();
    for (const tsExtension *e = db->extensions; e; e = e->next) {
        w.open("ext")
            .attr("name", e->name)
            .attr("alias", e->alias)
            .attr("core", e->core)
            .attr("spec", e->spec)
            .attr("req", e->req)
            .attr("status", e->status)
            .attr("cat", e->cat)
            .attr("depends", e->depends)
            .attr("affects", e->affects);
        const bool open = e->links || e->entryPoints;
        (open ? w.close() : w.closeEmpty()).lineEnd();
        for (const tsRendererLink *l = e->links; l; l = l->next) {
            const tsRenderer *r = l->renderer;
            w.open("renderer")
                .attr("vendor", r && r->vendor ? r->vendor->name : "")
                .attr("name", r ? r->name : "")
                .attr("version", l->version)
                .attr("os", r ? r->os : "")
                .closeEmpty()
                .lineEnd();
        }
        for (const tsEntryPoint *ep = e->entryPoints; ep; ep = ep->next)
            w.element("function", ep->name).lineEnd();
        if (open)
            w.end("ext").lineEnd();
    }
    for (const tsCoreVersion *c = db->coreVersions; c; c = c->next) {
        w.open("core").attr("version", c->version).close().lineEnd();
        for (const tsEntryPoint *ep = c->entryPoints; ep; ep = ep->next)
            w.element("f", ep->name).lineEnd();
        w.end("core").lineEnd();
    }
    w.end("tessera").lineEnd();
    return w.take();
}

} // namespace

// The index of extensions whose name equals the word case-insensitively.
template <class F>
void forEachNamed(const tsDatabase *db, const char *word, F &&fn)
{
    auto range = indexOf(db).extensions.equalRange(word);
    // Collect first: fn may insert records.
    std::vector<tsExtension *> matches(range.first, range.second);
    for (tsExtension *e : matches)
        fn(e);
}

} // namespace db
} // namespace sounder

using namespace sounder::db;

// ---- exports -------------------------------------------------------------------------

extern "C" {

SOUNDER_API const char *tsNormaliseRendererName(const char *renderer)
{
    static char buffer[256];
    static const char *const kPatterns[] = {
        "x86",         "/AGP",     "/PCI",        "/x86",        "/3DNow",
        " Generic",    " Pentium", " Athlon",     "/ICD",        "/ MMX",
        "/MMX",        "(SSE",     "(3DNow!",     " SDR",        " DDR",
        " x64",        " GT",      " GS",         " GTX",        " LE",
        " IGP Series", " IGP",     " PRO",        " TX",         " XT",
        " SW TCL",     " SE",      "-SE",         " XL",         " Integrated GPU",
        " Series",     " Pro",     " TurboCache", " Series GPU", " Ultra",
        "with AGP",    "LE",       "XT",          "SE",          " OpenGL Engine",
        " Engine",     " 32M/64M", " 64M"};
    sysStrlCpy(buffer, renderer ? renderer : "", sizeof buffer);
    for (const char *pattern : kPatterns) {
        char *hit = strstr(buffer, pattern);
        if (hit)
            *hit = '\0';
    }
    size_t n = strlen(buffer);
    while (n > 0 && (buffer[n - 1] == ' ' || buffer[n - 1] == '/'))
        buffer[--n] = '\0';
    return buffer;
}

SOUNDER_API tsDatabase *tsDatabaseCreateFromCString(const char *text)
{
    tsDatabase *db = newDatabase();
    if (!text || !*text)
        return db;
    ReaderState state;
    state.db = db;
    sysXmlCallbacks callbacks{};
    callbacks.user = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&state));
    callbacks.onElement = onElement;
    callbacks.onTag = onTag;
    sysXmlParseDocument(&callbacks, text);
    indexOf(db).sourceComplete = state.rootOpened && state.rootClosed && db->extensions;
    return db;
}

SOUNDER_API tsDatabase *tsDatabaseCreate(const char *path)
{
    char *buffer = nullptr;
    sysSize size = 0;
    if (!path || sysFileReadToBuffer(path, &buffer, &size) != 0 || !buffer || size == 0) {
        sysFileFreeBuffer(buffer);
        return newDatabase();
    }
    tsDatabase *db = tsDatabaseCreateFromCString(buffer);
    sysFileFreeBuffer(buffer);
    return db;
}

SOUNDER_API int tsDatabaseIsComplete(const tsDatabase *db)
{
    const Index *index = db ? findIndex(db) : nullptr;
    return index && index->sourceComplete ? 1 : 0;
}

SOUNDER_API int tsDatabaseWrite(const char *path, tsDatabase *db)
{
    if (!db)
        return -1;
    uint32_t edition = db->version + 1;
    if (!sounder::writeFileAtomically(path, render(db, edition)))
        return -1;
    db->version = edition;
    return 0;
}

SOUNDER_API void tsDatabaseRelease(tsDatabase *db)
{
    if (!db)
        return;
    dropIndex(db);
    for (tsExtension *e = db->extensions; e;) {
        tsExtension *next = e->next;
        freeEntryPoints(e);
        for (tsRendererLink *l = e->links; l;) {
            tsRendererLink *nl = l->next;
            sysMemFree(l);
            l = nl;
        }
        sysMemFree(e);
        e = next;
    }
    for (tsCoreVersion *c = db->coreVersions; c;) {
        tsCoreVersion *next = c->next;
        freeEntryPoints(c);
        sysMemFree(c);
        c = next;
    }
    for (tsRenderer *r = db->renderers; r;) {
        tsRenderer *next = r->next;
        sysMemFree(r);
        r = next;
    }
    for (tsVendor *v = db->vendors; v;) {
        tsVendor *next = v->next;
        sysMemFree(v);
        v = next;
    }
    sysMemFree(db);
}

SOUNDER_API int tsDatabaseUpdate(tsDatabase *db, tsRendererCaps *caps, const tsIcdList *icd,
                                 const char *systemName)
{
    if (!db || !caps)
        return 0;

    // Version text of this reading: the first driver's file version, else
    // GL_VERSION.
    char versionText[sizeof(tsRendererLink::version)];
    if (icd && icd->count >= 1) {
        char fileVersion[TS_ICD_TEXT_SIZE + 1];
        memcpy(fileVersion, icd->entries[0].version, TS_ICD_TEXT_SIZE);
        fileVersion[TS_ICD_TEXT_SIZE] = '\0';
        copyField(versionText, sizeof versionText, fileVersion);
    } else {
        copyField(versionText, sizeof versionText, caps->version);
    }

    const char *os = "Win";
    if (systemName && sysStrStr(systemName, "Mac OS X"))
        os = "Mac";
    else if (systemName && sysStrStr(systemName, "Linux"))
        os = "Linux";

    caps->newestVersion[0] = '\0';
    if (!caps->extensions)
        return 0;

    IndexScope scope(db);
    char rendererName[sizeof(tsRenderer::name)];
    sysStrlCpy(rendererName, tsNormaliseRendererName(caps->renderer), sizeof rendererName);
    const uint32_t mark = static_cast<uint32_t>(caps->tag) + 1u;
    bool changed = false;

    auto rendererForReading = [&]() -> tsRenderer * {
        return findOrAddRenderer(db, caps->vendor, caps->renderer, versionText, os);
    };

    // The first word ends at a space, CR or LF, the following ones at
    // spaces only.
    std::string list(caps->extensions);
    size_t pos = 0;
    bool first = true;
    while (pos < list.size()) {
        const char *delims = first ? " \r\n" : " ";
        first = false;
        size_t start = list.find_first_not_of(delims, pos);
        if (start == std::string::npos)
            break;
        size_t end = list.find_first_of(delims, start);
        if (end == std::string::npos)
            end = list.size();
        pos = end + 1;
        if (end - start < 3)
            continue;
        // A word is matched as it would be stored: cut to the name field.
        // An over-long name then matches its own record on the next update
        // instead of adding a copy every time.
        char word[sizeof(tsExtension::name)];
        std::string whole = list.substr(start, end - start);
        copyField(word, sizeof word, whole.c_str());

        bool matched = false;
        forEachNamed(db, word, [&](tsExtension *ext) {
            matched = true;
            tsRendererLink *link = findLink(ext, rendererName);
            if (link) {
                if (!link->version[0] || sysStriCmp(versionText, link->version) < 0) {
                    if (strcmp(link->version, versionText) != 0) {
                        copyField(link->version, sizeof link->version, versionText);
                        // A lowered version adds nothing (the result stays
                        // 0), but the database is only written back when
                        // modified is set, so it must be set here.
                        db->modified = 1;
                    }
                }
                if (sysStriCmp(link->version, caps->newestVersion) >= 0)
                    copyField(caps->newestVersion, sizeof caps->newestVersion, link->version);
                return;
            }
            tsRenderer *renderer = rendererForReading();
            if (!renderer)
                return;
            tsRendererLink *added = newLink(renderer, versionText);
            if (!added)
                return;
            appendLink(ext, added);
            ext->addedMark = mark;
            renderer->updated = 1;
            changed = true;
        });
        if (matched)
            continue;
        tsRenderer *renderer = rendererForReading();
        tsExtension *ext = addExtension(db, renderer, word, versionText, nullptr);
        if (ext) {
            ext->addedMark = mark;
            changed = true;
        }
    }
    if (changed) {
        db->modified = 1;
        return 1;
    }
    return 0;
}

SOUNDER_API void tsDatabaseUpdateExtStatus(tsDatabase *db, const tsRendererCaps *caps)
{
    if (!db)
        return;
    // The views test the bit of the current reading, so that is the bit a
    // loaded report sets.
    uint32_t bit = 0;
    if (db->currentReading >= 0 && db->currentReading < 32)
        bit = 1u << db->currentReading;
    const char *list = caps ? caps->extensions : nullptr;
    for (tsExtension *e = db->extensions; e; e = e->next)
        e->support = tsInfoSearchExtension(e->name, list) ? bit : 0u;
}

} // extern "C"
