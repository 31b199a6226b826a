#include "tree_helpers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "keel/keel.h"
#include "views/render.h"

namespace treetest {

TreePtr newTree()
{
    TreePtr tree(tsTreeAllocate(), tsTreeFree);
    if (!tree)
        throw std::bad_alloc();
    return tree;
}

void Reading::set()
{
    caps.size = sizeof(tsRendererCaps);
    caps.filled = 1;
    caps.vendor = const_cast<char *>(vendor.c_str());
    caps.renderer = const_cast<char *>(renderer.c_str());
    caps.version = const_cast<char *>(version.c_str());
    caps.glslVersion = glsl.empty() ? nullptr : const_cast<char *>(glsl.c_str());
    caps.extensions = const_cast<char *>(extensions.c_str());
}

std::unique_ptr<Reading> newReading(const std::string &extensions)
{
    auto r = std::make_unique<Reading>();
    r->vendor = "Test Vendor";
    r->renderer = "Test Renderer";
    r->version = "2.1 Test";
    r->glsl = "1.20";
    r->extensions = extensions;
    r->set();
    return r;
}

tsExtension *HandDatabase::add(const std::string &name, uint32_t support)
{
    auto e = std::make_unique<tsExtension>();
    std::memset(e.get(), 0, sizeof(tsExtension));
    sysStrlCpy(e->name, name.c_str(), sizeof e->name);
    e->nameHash = sysStrHash("%s", name.c_str());
    e->support = support;
    tsExtension *raw = e.get();
    if (!extensions.empty())
        extensions.back()->next = raw;
    else
        db.extensions = raw;
    extensions.push_back(std::move(e));
    return raw;
}

tsEntryPoint *HandDatabase::addEntryPoint(tsExtension *ext, const std::string &name,
                                          uint32_t resolved)
{
    auto ep = std::make_unique<tsEntryPoint>();
    std::memset(ep.get(), 0, sizeof(tsEntryPoint));
    sysStrlCpy(ep->name, name.c_str(), sizeof ep->name);
    ep->resolved = resolved;
    tsEntryPoint *raw = ep.get();
    tsEntryPoint **link = &ext->entryPoints;
    while (*link)
        link = &(*link)->next;
    *link = raw;
    entryPoints.push_back(std::move(ep));
    return raw;
}

std::vector<std::string> xmlLines(const tsTreeNode *root)
{
    std::vector<std::string> lines;
    sounder::writeTreeXml(root, [&](const std::string &line) { lines.push_back(line); });
    return lines;
}

std::vector<const tsTreeNode *> children(const tsTreeNode *node)
{
    std::vector<const tsTreeNode *> out;
    for (int i = 0; node && i < node->childCount; ++i)
        out.push_back(node->children[i]);
    return out;
}

namespace {
template <typename Pred>
const tsTreeNode *find(const tsTreeNode *node, Pred pred)
{
    for (int i = 0; node && i < node->childCount; ++i) {
        const tsTreeNode *c = node->children[i];
        if (c->item && pred(*c->item))
            return c;
        if (const tsTreeNode *r = find(c, pred))
            return r;
    }
    return nullptr;
}
} // namespace

const tsTreeNode *findById(const tsTreeNode *node, int kind, int textId)
{
    return find(node, [&](const tsTreeItem &it) { return it.kind == kind && it.textId == textId; });
}

const tsTreeNode *findByText(const tsTreeNode *node, int kind, const std::string &text)
{
    return find(node, [&](const tsTreeItem &it) { return it.kind == kind && text == it.text; });
}

bool balanced(const tsTree &tree)
{
    int depth = 0;
    for (int i = 0; i < tree.itemCount; ++i) {
        int k = tree.items[i].kind;
        if (k >= TS_TREE_PUSH && k <= TS_TREE_PUSHSI)
            ++depth;
        else if (k == TS_TREE_POP && --depth < 0)
            return false;
    }
    return depth == 0;
}

} // namespace treetest
