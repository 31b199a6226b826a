// The item emitters of the information trees, with the capacity rules of a
// tree context: a writer never lets the list grow past what tsTreeEnd can
// terminate and link (4096 items with the terminator, 4096 nodes with the
// root, 1024 children per node).  When the next item would not fit, the
// writer closes every open group, appends one top-level line that says the
// list was cut, and ignores everything that follows, so the tree stays
// balanced.
#ifndef SOUNDER_VIEWS_TREE_BUILD_H
#define SOUNDER_VIEWS_TREE_BUILD_H

#include <vector>

#include "sounder/tree.h"

namespace sounder {

class TreeWriter {
public:
    // Continues the tree at its current item count (a builder that follows
    // another one appends to the same list).
    explicit TreeWriter(tsTree *tree);
    // Closes the groups this writer opened.
    ~TreeWriter();

    TreeWriter(const TreeWriter &) = delete;
    TreeWriter &operator=(const TreeWriter &) = delete;

    // Each emitter returns false when the item was not added (the list was
    // cut now or before).
    bool push(int textId, int image0, int image1);
    bool pushI(int textId, int value, int image0, int image1);
    bool pushS(const char *text, int image0, int image1);
    bool pushSI(const char *text, int value, int image0, int image1);
    // Closes the innermost group this writer opened; ignored after a cut.
    void pop();
    bool str(const char *text, int image0, int image1);
    bool str2(int textId, const char *text, int image0, int image1);
    bool strLocal(int textId, int image0, int image1);
    bool int1(int textId, int value, int image0, int image1);
    bool int2(int textId, int value0, int value1, int image0, int image1);
    bool int3(int textId, int value0, int value1, int value2, int image0, int image1);
    bool float1(int textId, float value, int image0, int image1);
    bool float2(int textId, float value0, float value1, int image0, int image1);

    // Closes the groups this writer opened; 1 when nothing was cut, else 0.
    int finish();
    bool cut() const { return cut_; }

private:
    tsTreeItem *add(int kind, bool group);
    tsTreeItem *addLabelled(int kind, int textId, int image0, int image1);
    void cutHere();

    tsTree *tree_;
    std::vector<int> children_; // child count of the root, then of each open group
    size_t ownBase_ = 1;        // groups below this index were opened before this writer
    int nodeItems_ = 0;         // items that become nodes
    bool cut_ = false;
};

} // namespace sounder

#endif
