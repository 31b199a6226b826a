// Tree contexts: the item writer with its capacity rules, and the linking of
// the flat item list into nodes.
#include <cstring>
#include <vector>

#include "keel/keel.h"
#include "common/large_block.h"
#include "sounder/tree.h"
#include "views/tree_build.h"

namespace sounder {

namespace {

bool isGroup(int kind)
{
    return kind >= TS_TREE_PUSH && kind <= TS_TREE_PUSHSI;
}

// The highest item count a builder may leave: one slot stays for the
// terminator.
constexpr int kMaxBuilderItems = TS_TREE_MAX_ITEMS - 1;

} // namespace

TreeWriter::TreeWriter(tsTree *tree) : tree_(tree)
{
    children_.push_back(0);
    if (!tree_) {
        cut_ = true;
        return;
    }
    if (tree_->itemCount < 0)
        tree_->itemCount = 0;
    if (tree_->itemCount > kMaxBuilderItems)
        tree_->itemCount = kMaxBuilderItems;
    // Take up the shape of what earlier builders left: the child count of the
    // root and of any group still open, and whether they already cut the list.
    bool lastTopIsCut = false;
    for (int i = 0; i < tree_->itemCount; ++i) {
        const tsTreeItem &it = tree_->items[i];
        if (it.kind == TS_TREE_POP) {
            if (children_.size() > 1)
                children_.pop_back();
            continue;
        }
        if (it.kind == TS_TREE_END)
            continue;
        ++nodeItems_;
        ++children_.back();
        lastTopIsCut = children_.size() == 1 && it.kind == TS_TREE_STR &&
                       std::strncmp(it.text, TS_TREE_CUT_TEXT, sizeof it.text) == 0;
        if (isGroup(it.kind))
            children_.push_back(0);
    }
    ownBase_ = children_.size();
    if (lastTopIsCut || tree_->itemCount >= kMaxBuilderItems)
        cut_ = true;
}

TreeWriter::~TreeWriter()
{
    finish();
}

void TreeWriter::cutHere()
{
    if (cut_)
        return;
    cut_ = true;
    // Close every open group, also those of earlier builders, so that the cut
    // line sits at the top level and the list stays balanced.
    while (children_.size() > 1 && tree_->itemCount < kMaxBuilderItems) {
        tsTreeItem &it = tree_->items[tree_->itemCount++];
        std::memset(&it, 0, sizeof it);
        it.kind = TS_TREE_POP;
        children_.pop_back();
    }
    ownBase_ = 1;
    if (tree_->itemCount < kMaxBuilderItems && children_[0] < TS_TREE_MAX_CHILDREN &&
        nodeItems_ + 1 < TS_TREE_MAX_NODES) {
        tsTreeItem &it = tree_->items[tree_->itemCount++];
        std::memset(&it, 0, sizeof it);
        it.kind = TS_TREE_STR;
        it.image0 = it.image1 = 27;
        sysStrlCpy(it.text, TS_TREE_CUT_TEXT, sizeof it.text);
        ++children_[0];
        ++nodeItems_;
    }
}

tsTreeItem *TreeWriter::add(int kind, bool group)
{
    if (cut_)
        return nullptr;
    const int depth = static_cast<int>(children_.size()) - 1;
    // Room for this item, its own closing item, the closing items of the open
    // groups, the cut line and the terminator.
    const int itemsNeeded = tree_->itemCount + 1 + (group ? 1 : 0) + depth + 1;
    // Nodes: the root, this item and the cut line.
    const int nodesNeeded = 1 + nodeItems_ + 1 + 1;
    // The root keeps one child slot for the cut line.
    const int childLimit = depth == 0 ? TS_TREE_MAX_CHILDREN - 1 : TS_TREE_MAX_CHILDREN;
    if (itemsNeeded > kMaxBuilderItems || nodesNeeded > TS_TREE_MAX_NODES ||
        children_.back() + 1 > childLimit) {
        cutHere();
        return nullptr;
    }
    tsTreeItem &it = tree_->items[tree_->itemCount++];
    std::memset(&it, 0, sizeof it);
    it.kind = kind;
    ++children_.back();
    ++nodeItems_;
    if (group)
        children_.push_back(0);
    return &it;
}

bool TreeWriter::push(int textId, int image0, int image1)
{
    tsTreeItem *it = add(TS_TREE_PUSH, true);
    if (!it)
        return false;
    it->textId = textId;
    it->image0 = image0;
    it->image1 = image1;
    return true;
}

bool TreeWriter::pushI(int textId, int value, int image0, int image1)
{
    tsTreeItem *it = add(TS_TREE_PUSHI, true);
    if (!it)
        return false;
    it->textId = textId;
    it->value0.i = value;
    it->image0 = image0;
    it->image1 = image1;
    return true;
}

bool TreeWriter::pushS(const char *text, int image0, int image1)
{
    tsTreeItem *it = add(TS_TREE_PUSHS, true);
    if (!it)
        return false;
    sysStrlCpy(it->text, text ? text : "", sizeof it->text);
    it->image0 = image0;
    it->image1 = image1;
    return true;
}

// A non-group item with its text id and images filled in; null when the tree
// is full.
tsTreeItem *TreeWriter::addLabelled(int kind, int textId, int image0, int image1)
{
    tsTreeItem *it = add(kind, false);
    if (it) {
        it->textId = textId;
        it->image0 = image0;
        it->image1 = image1;
    }
    return it;
}

bool TreeWriter::pushSI(const char *text, int value, int image0, int image1)
{
    tsTreeItem *it = add(TS_TREE_PUSHSI, true);
    if (!it)
        return false;
    sysStrlCpy(it->text, text ? text : "", sizeof it->text);
    it->value0.i = value;
    it->image0 = image0;
    it->image1 = image1;
    return true;
}

void TreeWriter::pop()
{
    if (cut_ || children_.size() <= ownBase_)
        return;
    // add() always left room for this item.
    tsTreeItem &it = tree_->items[tree_->itemCount++];
    std::memset(&it, 0, sizeof it);
    it.kind = TS_TREE_POP;
    children_.pop_back();
}

bool TreeWriter::str(const char *text, int image0, int image1)
{
    tsTreeItem *it = add(TS_TREE_STR, false);
    if (!it)
        return false;
    sysStrlCpy(it->text, text ? text : "", sizeof it->text);
    it->image0 = image0;
    it->image1 = image1;
    return true;
}

bool TreeWriter::str2(int textId, const char *text, int image0, int image1)
{
    tsTreeItem *it = addLabelled(TS_TREE_STR2, textId, image0, image1);
    if (!it)
        return false;
    sysStrlCpy(it->text, text ? text : "", sizeof it->text);
    return true;
}

bool TreeWriter::strLocal(int textId, int image0, int image1)
{
    tsTreeItem *it = addLabelled(TS_TREE_STRLOCAL, textId, image0, image1);
    if (!it)
        return false;
    return true;
}

bool TreeWriter::int1(int textId, int value, int image0, int image1)
{
    tsTreeItem *it = addLabelled(TS_TREE_1I, textId, image0, image1);
    if (!it)
        return false;
    it->value0.i = value;
    return true;
}

bool TreeWriter::int2(int textId, int value0, int value1, int image0, int image1)
{
    tsTreeItem *it = addLabelled(TS_TREE_2I, textId, image0, image1);
    if (!it)
        return false;
    it->value0.i = value0;
    it->value1.i = value1;
    return true;
}

bool TreeWriter::int3(int textId, int value0, int value1, int value2, int image0, int image1)
{
    tsTreeItem *it = addLabelled(TS_TREE_3I, textId, image0, image1);
    if (!it)
        return false;
    it->value0.i = value0;
    it->value1.i = value1;
    it->value2 = value2;
    return true;
}

bool TreeWriter::float1(int textId, float value, int image0, int image1)
{
    tsTreeItem *it = addLabelled(TS_TREE_1F, textId, image0, image1);
    if (!it)
        return false;
    it->value0.f = value;
    return true;
}

bool TreeWriter::float2(int textId, float value0, float value1, int image0, int image1)
{
    tsTreeItem *it = addLabelled(TS_TREE_2F, textId, image0, image1);
    if (!it)
        return false;
    it->value0.f = value0;
    it->value1.f = value1;
    return true;
}

int TreeWriter::finish()
{
    while (!cut_ && children_.size() > ownBase_)
        pop();
    return cut_ ? 0 : 1;
}

} // namespace sounder

extern "C" {

SOUNDER_API tsTree *tsTreeAllocate(void)
{
    return static_cast<tsTree *>(sounder::allocateLargeBlock(sizeof(tsTree)));
}

SOUNDER_API void tsTreeFree(tsTree *tree)
{
    sounder::freeLargeBlock(tree, sizeof(tsTree));
}

SOUNDER_API void tsTreeBegin(tsTree *tree)
{
    if (tree)
        tree->itemCount = 0;
}

SOUNDER_API tsTreeNode *tsTreeEnd(tsTree *tree)
{
    if (!tree)
        return nullptr;
    int count = tree->itemCount;
    if (count < 0)
        count = 0;
    if (count > TS_TREE_MAX_ITEMS - 1)
        count = TS_TREE_MAX_ITEMS - 1; // the terminator takes the last slot
    std::memset(&tree->items[count], 0, sizeof(tsTreeItem));
    tree->items[count].kind = TS_TREE_END;
    tree->itemCount = count;

    tsTreeNode *root = &tree->nodes[0];
    root->childCount = 0;
    root->item = nullptr;
    int used = 1;

    // Open nodes; a group that found no node or no child slot is still
    // followed to its closing item, its contents skipped.
    struct Frame {
        tsTreeNode *node; // null while skipping a group that was not linked
    };
    std::vector<Frame> stack;
    stack.push_back({root});
    for (int i = 0; i < count; ++i) {
        tsTreeItem *it = &tree->items[i];
        if (it->kind == TS_TREE_END)
            break;
        if (it->kind == TS_TREE_POP) {
            if (stack.size() == 1)
                break; // a pop with no open group ends the linking
            stack.pop_back();
            continue;
        }
        tsTreeNode *parent = stack.back().node;
        tsTreeNode *node = nullptr;
        if (parent && used < TS_TREE_MAX_NODES && parent->childCount < TS_TREE_MAX_CHILDREN) {
            node = &tree->nodes[used++];
            node->childCount = 0;
            node->item = it;
            parent->children[parent->childCount++] = node;
        }
        if (it->kind >= TS_TREE_PUSH && it->kind <= TS_TREE_PUSHSI)
            stack.push_back({node});
    }
    tree->nodeCount = used;
    return root;
}

} // extern "C"
