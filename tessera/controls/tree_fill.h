// Turning the tree descriptions that sounder builds into QTreeWidget lines:
// the one routine behind the summary, extensions and database pages.
#ifndef TESSERA_CONTROLS_TREE_FILL_H
#define TESSERA_CONTROLS_TREE_FILL_H

#include <QString>

#include "sounder/tree.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace tessera {

// A tree description on the heap (a tsTree is about 35 MB), zero-filled
// when made and kept so: each build first clears only what the previous
// build used, so a rebuild neither allocates nor clears the whole block.
//
//     tsTree *t = description.begin();
//     tsCreateCapsTree(t, caps);
//     tsCreateExtTree(t, db);
//     const tsTreeNode *root = description.end();
class TreeDescription {
public:
    TreeDescription();
    ~TreeDescription();
    TreeDescription(const TreeDescription &) = delete;
    TreeDescription &operator=(const TreeDescription &) = delete;

    // Clears what the last build wrote, starts a new one (tsTreeBegin) and
    // returns the block for the builders.
    tsTree *begin();
    // Links the items (tsTreeEnd) and returns the root.
    const tsTreeNode *end();
    // Forgets the last build (root() is null until the next end()).
    void clear();

    const tsTreeNode *root() const { return root_; }
    const tsTree *tree() const { return tree_; }

private:
    tsTree *tree_;
    const tsTreeNode *root_ = nullptr;
};

// An 8-bit text of a record, a tree or a report as shown: UTF-8 when it is
// valid UTF-8, else read as Latin-1 (each byte one character); null is "".
QString widenText(const char *text);

// The line an item shows in the current language (tsFormatTreeItemLabel
// over LoadText).
QString treeItemLabel(const tsTreeItem &item);

// Adds a line for every child of node below parent (at the top level when
// parent is null), in order and recursively: the label of the item, image0
// as its icon and image1 as its selected icon.  Items of no shown kind (end,
// pop, unknown) are skipped with their children.  Groups added at the top
// level are expanded one level.  Returns the number of lines added.
int fillTree(QTreeWidget *tree, const tsTreeNode *node, QTreeWidgetItem *parent = nullptr);

// Empties tree and fills it from root (nothing when root is null);
// returns the number of lines added.
int refillTree(QTreeWidget *tree, const tsTreeNode *root);

} // namespace tessera

#endif
