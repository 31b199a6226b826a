#include "controls/tree_fill.h"

#include <QStringDecoder>
#include <QTreeWidget>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>

#include "app/languages.h"
#include "controls/icons.h"
#include "sounder/present.h"

namespace tessera {
namespace {

bool isGroup(int kind)
{
    return kind >= TS_TREE_PUSH && kind <= TS_TREE_PUSHSI;
}

bool isShown(int kind)
{
    return isGroup(kind) || (kind >= TS_TREE_STR && kind <= TS_TREE_2F);
}

// Texts of the current language, each looked up once per fill; the map's
// nodes keep the strings in place while the formatter reads them.
class TextCache {
public:
    static const char *lookup(int id, void *user)
    {
        auto &texts = static_cast<TextCache *>(user)->texts_;
        auto found = texts.find(id);
        if (found == texts.end())
            found = texts.emplace(id, LoadText(id)).first;
        return found->second.c_str();
    }

private:
    std::unordered_map<int, std::string> texts_;
};

QString label(const tsTreeItem &item, TextCache &texts)
{
    char buffer[512];
    const size_t length =
        tsFormatTreeItemLabel(&item, &TextCache::lookup, &texts, buffer, sizeof buffer);
    if (length < sizeof buffer)
        return widenText(buffer);
    std::string whole(length + 1, '\0');
    tsFormatTreeItemLabel(&item, &TextCache::lookup, &texts, &whole[0], whole.size());
    return widenText(whole.c_str());
}

int addChildren(const tsTreeNode *node, QList<QTreeWidgetItem *> &out, TextCache &texts)
{
    int added = 0;
    const int count = qBound(0, node->childCount, TS_TREE_MAX_CHILDREN);
    for (int i = 0; i < count; ++i) {
        const tsTreeNode *child = node->children[i];
        if (!child || !child->item || !isShown(child->item->kind))
            continue;
        const tsTreeItem &item = *child->item;
        auto *line = new QTreeWidgetItem(QStringList(label(item, texts)));
        line->setIcon(0, treeIcon(item.image0, item.image1));
        ++added;
        if (isGroup(item.kind)) {
            QList<QTreeWidgetItem *> children;
            added += addChildren(child, children, texts);
            line->addChildren(children);
        }
        out.append(line);
    }
    return added;
}

} // namespace

TreeDescription::TreeDescription() : tree_(tsTreeAllocate())
{
    if (!tree_)
        throw std::bad_alloc();
}

TreeDescription::~TreeDescription()
{
    tsTreeFree(tree_);
}

void TreeDescription::clear()
{
    const int nodes = qBound(0, tree_->nodeCount, TS_TREE_MAX_NODES);
    for (int i = 0; i < nodes; ++i) {
        tsTreeNode &node = tree_->nodes[i];
        const int children = qBound(0, node.childCount, TS_TREE_MAX_CHILDREN);
        std::memset(node.children, 0, children * sizeof node.children[0]);
        node.childCount = 0;
        node.item = nullptr;
    }
    // The terminator sits one past the count.
    const int items = qBound(0, tree_->itemCount + 1, TS_TREE_MAX_ITEMS);
    std::memset(tree_->items, 0, items * sizeof tree_->items[0]);
    tree_->itemCount = 0;
    tree_->nodeCount = 0;
    root_ = nullptr;
}

tsTree *TreeDescription::begin()
{
    clear();
    tsTreeBegin(tree_);
    return tree_;
}

const tsTreeNode *TreeDescription::end()
{
    root_ = tsTreeEnd(tree_);
    return root_;
}

QString widenText(const char *text)
{
    if (!text || !*text)
        return QString();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString wide = utf8(QByteArrayView(text, qsizetype(std::strlen(text))));
    if (!utf8.hasError())
        return wide;
    return QString::fromLatin1(text);
}

QString treeItemLabel(const tsTreeItem &item)
{
    TextCache texts;
    return label(item, texts);
}

int fillTree(QTreeWidget *tree, const tsTreeNode *node, QTreeWidgetItem *parent)
{
    if (!tree || !node)
        return 0;
    TextCache texts;
    QList<QTreeWidgetItem *> lines;
    const int added = addChildren(node, lines, texts);
    if (parent) {
        parent->addChildren(lines);
        return added;
    }
    tree->addTopLevelItems(lines);
    for (QTreeWidgetItem *line : lines)
        if (line->childCount() > 0)
            line->setExpanded(true);
    return added;
}

int refillTree(QTreeWidget *tree, const tsTreeNode *root)
{
    if (!tree)
        return 0;
    const bool updates = tree->updatesEnabled();
    tree->setUpdatesEnabled(false);
    tree->clear();
    const int added = fillTree(tree, root);
    tree->setUpdatesEnabled(updates);
    return added;
}

} // namespace tessera
