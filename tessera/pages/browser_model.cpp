#include "pages/browser_model.h"

#include <strings.h>

#include <unordered_set>

#include "sounder/database.h"

namespace tessera {

bool rendererPassesFilter(const tsRenderer *renderer, int filter)
{
    static const char *const kSystems[] = {nullptr, "Mac", "Win", "Linux", "BeOS"};
    if (filter == 0)
        return true;
    if (!renderer || filter < 0 || filter > 4)
        return false;
    return strcasecmp(renderer->os, kSystems[filter]) == 0;
}

namespace {

template <class T>
using Set = std::unordered_set<const T *>;

// The records of a database list, in list order, that are in the set.
template <class T>
std::vector<const T *> inOrder(const T *first, const Set<T> &wanted)
{
    std::vector<const T *> out;
    if (wanted.empty())
        return out;
    out.reserve(wanted.size());
    for (const T *r = first; r; r = r->next)
        if (wanted.count(r))
            out.push_back(r);
    return out;
}

// The renderers that expose the extension: linked and passing the filter.
template <class F>
void forEachExposing(const tsExtension *e, int filter, F &&fn)
{
    for (const tsRendererLink *l = e->links; l; l = l->next)
        if (l->renderer && rendererPassesFilter(l->renderer, filter))
            fn(l->renderer);
}

} // namespace

void BrowserModel::clear()
{
    vendors_.clear();
    renderers_.clear();
    extensions_.clear();
    selectedVendors_.clear();
    selectedRenderers_.clear();
    selectedExtensions_.clear();
    firstRenderer_ = nullptr;
    firstExtension_ = nullptr;
}

void BrowserModel::exposedBy(const tsDatabase *db, int filter,
                             const std::vector<const tsRenderer *> &from)
{
    extensions_.clear();
    const Set<tsRenderer> renderers(from.begin(), from.end());
    if (!db || renderers.empty())
        return;
    for (const tsExtension *e = db->extensions; e; e = e->next) {
        bool exposed = false;
        for (const tsRendererLink *l = e->links; l && !exposed; l = l->next)
            exposed = renderers.count(l->renderer) && rendererPassesFilter(l->renderer, filter);
        if (exposed)
            extensions_.push_back(e);
    }
}

void BrowserModel::listAll(const tsDatabase *db, int filter)
{
    clear();
    if (!db)
        return;
    Set<tsVendor> vendors;
    for (const tsRenderer *r = db->renderers; r; r = r->next)
        if (r->vendor && rendererPassesFilter(r, filter))
            vendors.insert(r->vendor);
    vendors_ = inOrder(db->vendors, vendors);
    for (const tsRenderer *r = db->renderers; r; r = r->next)
        if (r->vendor && vendors.count(r->vendor) && rendererPassesFilter(r, filter))
            renderers_.push_back(r);
    exposedBy(db, filter, renderers_);
}

void BrowserModel::selectVendors(const tsDatabase *db, int filter,
                                 std::vector<const tsVendor *> selected)
{
    selectedVendors_ = std::move(selected);
    renderers_.clear();
    const Set<tsVendor> vendors(selectedVendors_.begin(), selectedVendors_.end());
    if (db && !vendors.empty())
        for (const tsRenderer *r = db->renderers; r; r = r->next)
            if (vendors.count(r->vendor))
                renderers_.push_back(r);
    exposedBy(db, filter, renderers_);
}

void BrowserModel::selectRenderers(const tsDatabase *db, int filter,
                                   std::vector<const tsRenderer *> selected)
{
    selectedRenderers_ = std::move(selected);
    firstRenderer_ = selectedRenderers_.empty() ? nullptr : selectedRenderers_.front();
    exposedBy(db, filter, selectedRenderers_);
}

void BrowserModel::selectExtensions(const tsDatabase *db, int filter,
                                    std::vector<const tsExtension *> selected)
{
    selectedExtensions_ = std::move(selected);
    firstExtension_ = selectedExtensions_.empty() ? nullptr : selectedExtensions_.front();
    vendors_.clear();
    renderers_.clear();
    if (!db)
        return;
    if (selectedExtensions_.empty()) {
        // Nothing chosen narrows nothing: the lists of mode 0.
        BrowserModel all;
        all.listAll(db, filter);
        vendors_ = all.vendors_;
        renderers_ = all.renderers_;
        return;
    }
    // Renderers exposing every selected extension, and vendors exposing
    // each of them with some renderer: intersections over the selection.
    Set<tsRenderer> renderers;
    Set<tsVendor> vendors;
    bool firstPass = true;
    for (const tsExtension *e : selectedExtensions_) {
        Set<tsRenderer> r;
        Set<tsVendor> v;
        forEachExposing(e, filter, [&](const tsRenderer *renderer) {
            if (firstPass || renderers.count(renderer))
                r.insert(renderer);
            if (renderer->vendor && (firstPass || vendors.count(renderer->vendor)))
                v.insert(renderer->vendor);
        });
        renderers.swap(r);
        vendors.swap(v);
        firstPass = false;
        if (renderers.empty() && vendors.empty())
            break;
    }
    renderers_ = inOrder(db->renderers, renderers);
    vendors_ = inOrder(db->vendors, vendors);
}

const char *BrowserModel::linkVersion() const
{
    if (!firstExtension_ || !firstRenderer_)
        return nullptr;
    for (const tsRendererLink *l = firstExtension_->links; l; l = l->next)
        if (l->renderer == firstRenderer_)
            return l->version;
    return nullptr;
}

} // namespace tessera
