// Linking of item lists, the XML form of each kind, and the capacity rules of
// the writer (item, node and child limits).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sounder/tree.h"
#include "tree_helpers.h"
#include "views/render.h"
#include "views/tree_build.h"

using namespace treetest;

namespace {

const tsTreeItem &lastTopLevel(const tsTreeNode *root)
{
    return *root->children[root->childCount - 1]->item;
}

} // namespace

TEST(TreeLink, GroupLeafPopLeafGivesTwoRootChildren)
{
    auto tree = newTree();
    tsTreeBegin(tree.get());
    {
        sounder::TreeWriter w(tree.get());
        w.push(1, 0, 0);
        w.str("inner", 0, 0);
        w.pop();
        w.str("outer", 0, 0);
    }
    tsTreeNode *root = tsTreeEnd(tree.get());
    ASSERT_EQ(root, &tree->nodes[0]);
    EXPECT_EQ(root->item, nullptr);
    ASSERT_EQ(root->childCount, 2);
    EXPECT_EQ(root->children[0]->item->kind, TS_TREE_PUSH);
    ASSERT_EQ(root->children[0]->childCount, 1);
    EXPECT_STREQ(root->children[0]->children[0]->item->text, "inner");
    EXPECT_STREQ(root->children[1]->item->text, "outer");
    EXPECT_EQ(tree->nodeCount, 4);
    EXPECT_EQ(tree->items[tree->itemCount].kind, TS_TREE_END);
}

TEST(TreeLink, PopWithoutOpenGroupEndsLinking)
{
    auto tree = newTree();
    tree->items[0].kind = TS_TREE_STR;
    tree->items[1].kind = TS_TREE_POP;
    tree->items[2].kind = TS_TREE_STR;
    tree->itemCount = 3;
    tsTreeNode *root = tsTreeEnd(tree.get());
    EXPECT_EQ(root->childCount, 1);
    EXPECT_EQ(tree->nodeCount, 2);
}

TEST(TreeLink, BadItemCountsAreClampedAndRebuildStartsFresh)
{
    auto tree = newTree();
    tree->itemCount = 1 << 30; // as from a damaged block: the terminator still lands inside
    tsTreeNode *root = tsTreeEnd(tree.get());
    EXPECT_EQ(tree->itemCount, TS_TREE_MAX_ITEMS - 1);
    EXPECT_EQ(root->childCount, 0); // zero items are terminators
    tree->itemCount = -5;
    root = tsTreeEnd(tree.get());
    EXPECT_EQ(tree->itemCount, 0);
    EXPECT_EQ(root->childCount, 0);
    EXPECT_EQ(tsTreeEnd(nullptr), nullptr);

    // A second build into the same context replaces the first.
    tsTreeBegin(tree.get());
    {
        sounder::TreeWriter w(tree.get());
        w.str("a", 0, 0);
    }
    root = tsTreeEnd(tree.get());
    ASSERT_EQ(root->childCount, 1);
    tsTreeBegin(tree.get());
    {
        sounder::TreeWriter w(tree.get());
        w.str("b", 0, 0);
        w.str("c", 0, 0);
    }
    root = tsTreeEnd(tree.get());
    ASSERT_EQ(root->childCount, 2);
    EXPECT_STREQ(root->children[0]->item->text, "b");
}

TEST(TreeXml, EveryKindWritesItsLine)
{
    auto tree = newTree();
    tsTreeBegin(tree.get());
    {
        sounder::TreeWriter w(tree.get());
        w.push(334, 20, 21);
        w.pushI(141, 7, 15, 16);
        w.pushS("GL_ARB_x", 26, 26);
        w.pushSI("ARB", 2, 10, 10);
        w.str("plain", 26, 27);
        w.str2(175, "Linux", 22, 22);
        w.strLocal(162, 1, 2);
        w.int1(215, 8, 26, 26);
        w.int2(165, 16384, 8192, 26, 26);
        w.int3(219, 2048, 2048, 2048, 26, 26);
        w.float1(187, 0.125f, 26, 26);
        w.float2(188, 1.0f, 255.5f, 26, 26);
    }
    std::vector<std::string> lines = xmlLines(tsTreeEnd(tree.get()));
    std::vector<std::string> want = {
        "<tree>",
        "<item name=\"PUSH\" text_id=\"334\" image0=\"20\" image1=\"21\">",
        "<item name=\"PUSHI\" text_id=\"141\" value=\"7\" image0=\"15\" image1=\"16\">",
        "<item name=\"PUSHS\" text=\"GL_ARB_x\" image0=\"26\" image1=\"26\">",
        "<item name=\"PUSHSI\" text=\"ARB\" value=\"2\" image0=\"10\" image1=\"10\">",
        "<item name=\"STR\" text=\"plain\" image0=\"26\" image1=\"27\"/>",
        "<item name=\"STR2\" text_id=\"175\" text=\"Linux\" image0=\"22\" image1=\"22\"/>",
        "<item name=\"STRLOCAL\" text_id=\"162\" image0=\"1\" image1=\"2\"/>",
        "<item name=\"1I\" text_id=\"215\" value=\"8\" image0=\"26\" image1=\"26\"/>",
        "<item name=\"2I\" text_id=\"165\" value0=\"16384\" value1=\"8192\" image0=\"26\" "
        "image1=\"26\"/>",
        "<item name=\"3I\" text_id=\"219\" value0=\"2048\" value1=\"2048\" value2=\"2048\"  "
        "image0=\"26\" "
        "image1=\"26\"/>",
        "<item name=\"1F\" text_id=\"187\" value=\"0.125000\" image0=\"26\" image1=\"26\"/>",
        "<item name=\"2F\" text_id=\"188\" value0=\"1.000000\" value1=\"255.500000\" image0=\"26\" "
        "image1=\"26\"/>",
        "</item>",
        "</item>",
        "</item>",
        "</item>",
        "</tree>",
    };
    EXPECT_EQ(lines, want);
}

TEST(TreeXml, TextsAreEscapedAndCutTo255)
{
    auto tree = newTree();
    std::string longText(400, 'x');
    tsTreeBegin(tree.get());
    {
        sounder::TreeWriter w(tree.get());
        w.str("Debian X <debian-x@lists> & \"friends\"\x01", 33, 33);
        w.str(longText.c_str(), 33, 33);
    }
    tsTreeNode *root = tsTreeEnd(tree.get());
    EXPECT_EQ(std::strlen(root->children[1]->item->text), 255u);
    std::string xml = sounder::treeXml(root, "\n");
    EXPECT_NE(xml.find("Debian X &lt;debian-x@lists&gt; &amp; &quot;friends&quot;\""),
              std::string::npos);
    EXPECT_EQ(xmlProblem(xml), "");
}

// A flat list far beyond the child limit of the root.
TEST(TreeLimits, TooManyTopLevelLinesAreCutAtTheChildLimit)
{
    auto tree = newTree();
    tsTreeBegin(tree.get());
    int added = 0;
    {
        sounder::TreeWriter w(tree.get());
        for (int i = 0; i < 3000; ++i)
            added += w.str("line", 26, 26) ? 1 : 0;
        EXPECT_TRUE(w.cut());
        EXPECT_EQ(w.finish(), 0);
    }
    EXPECT_EQ(added, TS_TREE_MAX_CHILDREN - 1);
    tsTreeNode *root = tsTreeEnd(tree.get());
    EXPECT_EQ(root->childCount, TS_TREE_MAX_CHILDREN);
    EXPECT_STREQ(lastTopLevel(root).text, TS_TREE_CUT_TEXT);
}

// Nested groups with many lines each: the item limit is reached inside open
// groups, which must all be closed before the cut line.
TEST(TreeLimits, ItemLimitInsideNestedGroupsKeepsTheTreeBalanced)
{
    auto tree = newTree();
    tsTreeBegin(tree.get());
    {
        sounder::TreeWriter w(tree.get());
        for (int g = 0; g < 10; ++g) {
            w.pushS("group", 15, 16);
            w.push(199, 15, 16);
            for (int i = 0; i < 900; ++i)
                w.str("x", 26, 26);
            w.pop();
            w.pop();
        }
    }
    EXPECT_LE(tree->itemCount, TS_TREE_MAX_ITEMS - 1);
    EXPECT_GE(tree->itemCount, TS_TREE_MAX_ITEMS - 4); // the list was filled, not abandoned early
    EXPECT_TRUE(balanced(*tree));
    tsTreeNode *root = tsTreeEnd(tree.get());
    EXPECT_LE(tree->nodeCount, TS_TREE_MAX_NODES);
    EXPECT_STREQ(lastTopLevel(root).text, TS_TREE_CUT_TEXT);
    std::vector<std::string> lines = xmlLines(root);
    EXPECT_EQ(lines[lines.size() - 2].find("<item name=\"STR\" text=\"" TS_TREE_CUT_TEXT "\""), 0u);
    EXPECT_EQ(xmlProblem(sounder::treeXml(root)), "");
}

TEST(TreeLimits, DeepNestingIsCutAndClosed)
{
    auto tree = newTree();
    tsTreeBegin(tree.get());
    {
        sounder::TreeWriter w(tree.get());
        for (int i = 0; i < 5000; ++i)
            w.push(199, 15, 16);
        for (int i = 0; i < 5000; ++i)
            w.pop();
    }
    EXPECT_TRUE(balanced(*tree));
    tsTreeNode *root = tsTreeEnd(tree.get());
    ASSERT_EQ(root->childCount, 2);
    EXPECT_STREQ(lastTopLevel(root).text, TS_TREE_CUT_TEXT);
    EXPECT_EQ(xmlProblem(sounder::treeXml(root)), "");
}

TEST(TreeLimits, ChildLimitOfAGroupCutsTheList)
{
    auto tree = newTree();
    tsTreeBegin(tree.get());
    {
        sounder::TreeWriter w(tree.get());
        w.push(141, 15, 16);
        for (int i = 0; i < 1500; ++i)
            w.str("e", 26, 26);
        w.pop();
        w.str("after", 26, 26); // ignored: the list is cut
    }
    tsTreeNode *root = tsTreeEnd(tree.get());
    ASSERT_EQ(root->childCount, 2);
    EXPECT_EQ(root->children[0]->childCount, TS_TREE_MAX_CHILDREN);
    EXPECT_STREQ(lastTopLevel(root).text, TS_TREE_CUT_TEXT);
}

TEST(TreeLimits, ABuilderAfterACutAddsNothing)
{
    auto tree = newTree();
    tsTreeBegin(tree.get());
    {
        sounder::TreeWriter w(tree.get());
        for (int i = 0; i < 2000; ++i)
            w.str("x", 26, 26);
    }
    int count = tree->itemCount;
    {
        sounder::TreeWriter w(tree.get());
        EXPECT_TRUE(w.cut());
        EXPECT_FALSE(w.push(141, 15, 16));
        w.pop();
    }
    EXPECT_EQ(tree->itemCount, count);
    // A second builder continues a tree that is not full: both parts link.
    tsTreeBegin(tree.get());
    {
        sounder::TreeWriter w(tree.get());
        w.push(162, 15, 16);
        w.str("a", 26, 26);
    }
    {
        sounder::TreeWriter w(tree.get());
        w.str("b", 26, 26);
    }
    tsTreeNode *root = tsTreeEnd(tree.get());
    ASSERT_EQ(root->childCount, 2);
    EXPECT_EQ(root->children[0]->childCount, 1);
}

// Linking a list written by hand beyond the child limit: extra children are
// dropped with their subtrees, the rest still links.
TEST(TreeLimits, LinkingDropsChildrenBeyondTheLimit)
{
    auto tree = newTree();
    int n = 0;
    for (int i = 0; i < 1100; ++i) {
        tsTreeItem &it = tree->items[n++];
        it.kind = TS_TREE_PUSH;
        tree->items[n++].kind = TS_TREE_STR;
        tree->items[n++].kind = TS_TREE_POP;
    }
    tree->itemCount = n;
    tsTreeNode *root = tsTreeEnd(tree.get());
    EXPECT_EQ(root->childCount, TS_TREE_MAX_CHILDREN);
    EXPECT_EQ(tree->nodeCount, 1 + 2 * TS_TREE_MAX_CHILDREN);
    EXPECT_EQ(root->children[TS_TREE_MAX_CHILDREN - 1]->childCount, 1);
}
