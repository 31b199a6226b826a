// Lookup structures kept beside each database so that lookups by name and
// sorted insertion do not walk whole lists.  The records and lists of the
// database stay exactly as they are; the index only points into them.
#ifndef SOUNDER_DATABASE_INDEX_H
#define SOUNDER_DATABASE_INDEX_H

#include <cstdint>
#include <iterator>
#include <set>
#include <unordered_map>
#include <vector>

#include "keel/keel.h"
#include "sounder/database.h"

namespace sounder {
namespace db {

inline const char *sortKey(const tsExtension *e)
{
    return e->name;
}
inline const char *sortKey(const tsVendor *v)
{
    return v->name;
}
inline const char *sortKey(const tsRenderer *r)
{
    return r->name;
}
inline const char *sortKey(const tsRendererLink *l)
{
    return l->renderer ? l->renderer->name : "";
}

// Orders records the way their list is ordered: ascending sysStriCmp of the
// name.  Transparent, so a plain name can be looked up.
template <class T>
struct CaseLess {
    using is_transparent = void;
    bool operator()(const T *a, const T *b) const { return sysStriCmp(sortKey(a), sortKey(b)) < 0; }
    bool operator()(const T *a, const char *b) const { return sysStriCmp(sortKey(a), b) < 0; }
    bool operator()(const char *a, const T *b) const { return sysStriCmp(a, sortKey(b)) < 0; }
};

// A sorted singly linked list with a mirror index in the same order.  A new
// record goes after the last record that compares less than it (before any
// equal ones), or to the front: for a sorted list this is exactly the place
// the list's own insertion rule gives.
template <class T>
struct OrderedList {
    std::multiset<T *, CaseLess<T>> order;

    void build(T *head)
    {
        order.clear();
        for (T *p = head; p; p = p->next)
            order.insert(order.end(), p);
    }

    void insert(T **head, T *node)
    {
        auto it = order.lower_bound(sortKey(node));
        if (it == order.begin()) {
            node->next = *head;
            *head = node;
        } else {
            T *prev = *std::prev(it);
            node->next = prev->next;
            prev->next = node;
        }
        order.insert(it, node);
    }

    // First record whose name equals the text case-insensitively.
    T *find(const char *name) const
    {
        auto it = order.lower_bound(name);
        if (it != order.end() && sysStriCmp(sortKey(*it), name) == 0)
            return *it;
        return nullptr;
    }

    // Every record whose name equals the text case-insensitively, in order.
    std::pair<typename std::multiset<T *, CaseLess<T>>::const_iterator,
              typename std::multiset<T *, CaseLess<T>>::const_iterator>
    equalRange(const char *name) const
    {
        return order.equal_range(name);
    }
};

struct Index {
    OrderedList<tsExtension> extensions;
    OrderedList<tsVendor> vendors;
    OrderedList<tsRenderer> renderers;
    // The extensions of each name hash.  The hash narrows the search; the
    // name decides, since different names can share a hash.
    std::unordered_map<uint32_t, std::vector<tsExtension *>> byHash;
    tsCoreVersion *coreTail = nullptr;
    // The text the database was read from was whole: its root element
    // closed and it held at least one extension.
    bool sourceComplete = false;
};

// Databases made by tsDatabaseCreate / tsDatabaseCreateFromCString carry an
// index from creation to tsDatabaseRelease; every change to their lists goes
// through database.cpp, which keeps it.  A database put together elsewhere
// (by hand, in tests) has none: lookups walk its lists, and an update
// indexes it only for the duration of the call (IndexScope), so no index
// can outlive the records it points to.
Index *findIndex(const tsDatabase *db);
// The index of the database; builds and registers one from its lists when
// it has none.
Index &indexOf(const tsDatabase *db);
// Forgets the index of a database that is being released.
void dropIndex(const tsDatabase *db);

// Gives a database without index one for the lifetime of the scope.
class IndexScope {
public:
    explicit IndexScope(const tsDatabase *db) : db_(db), owned_(findIndex(db) == nullptr)
    {
        indexOf(db);
    }
    ~IndexScope()
    {
        if (owned_)
            dropIndex(db_);
    }
    IndexScope(const IndexScope &) = delete;
    IndexScope &operator=(const IndexScope &) = delete;

private:
    const tsDatabase *db_;
    bool owned_;
};

uint32_t nameHash(const char *name);

} // namespace db
} // namespace sounder

#endif
