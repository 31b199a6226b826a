// What the database browser lists: vendors, renderers and extensions of the
// whole database, narrowed by an operating-system filter and by the
// selections in the three lists.  Plain records of the database, in
// database order; nothing here needs Qt.
#ifndef TESSERA_PAGES_BROWSER_MODEL_H
#define TESSERA_PAGES_BROWSER_MODEL_H

#include <vector>

struct tsDatabase;
struct tsExtension;
struct tsRenderer;
struct tsVendor;

namespace tessera {

// Operating-system filter: 0 everything, 1 "Mac", 2 "Win", 3 "Linux",
// 4 "BeOS" (not offered in the list), any other index nothing.
constexpr int kBrowserFilterCount = 4;
bool rendererPassesFilter(const tsRenderer *renderer, int filter);

class BrowserModel {
public:
    // Mode 0: the vendors with a renderer that passes the filter, those
    // renderers, and the extensions they expose.  Drops every selection.
    void listAll(const tsDatabase *db, int filter);
    // Mode 1: the renderers of the selected vendors (whatever their
    // system) and the extensions those renderers expose under the filter.
    void selectVendors(const tsDatabase *db, int filter, std::vector<const tsVendor *> selected);
    // Mode 2: the extensions the selected renderers expose under the filter.
    void selectRenderers(const tsDatabase *db, int filter,
                         std::vector<const tsRenderer *> selected);
    // Mode 3: the renderers that expose every selected extension, and the
    // vendors that expose each of them with one renderer or another.  No
    // selection lists as mode 0 does.
    void selectExtensions(const tsDatabase *db, int filter,
                          std::vector<const tsExtension *> selected);
    // Forgets every record (before the database goes away).
    void clear();

    const std::vector<const tsVendor *> &vendors() const { return vendors_; }
    const std::vector<const tsRenderer *> &renderers() const { return renderers_; }
    const std::vector<const tsExtension *> &extensions() const { return extensions_; }
    const std::vector<const tsVendor *> &selectedVendors() const { return selectedVendors_; }
    const std::vector<const tsRenderer *> &selectedRenderers() const { return selectedRenderers_; }
    const std::vector<const tsExtension *> &selectedExtensions() const
    {
        return selectedExtensions_;
    }
    const tsRenderer *firstRenderer() const { return firstRenderer_; }
    const tsExtension *firstExtension() const { return firstExtension_; }

    // The driver version under which the first selected extension lists
    // the first selected renderer; null when either is missing or the
    // extension has no link to that renderer.
    const char *linkVersion() const;

private:
    void exposedBy(const tsDatabase *db, int filter, const std::vector<const tsRenderer *> &from);

    std::vector<const tsVendor *> vendors_, selectedVendors_;
    std::vector<const tsRenderer *> renderers_, selectedRenderers_;
    std::vector<const tsExtension *> extensions_, selectedExtensions_;
    const tsRenderer *firstRenderer_ = nullptr;
    const tsExtension *firstExtension_ = nullptr;
};

} // namespace tessera

#endif
