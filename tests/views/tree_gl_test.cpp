// Trees of a real reading of the display's driver (llvmpipe under the private
// X server): both XML forms parse, every group is closed, and the trees show
// what the reading and the database hold.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <string>

#include "sounder/database.h"
#include "sounder/probe.h"
#include "sounder/system.h"
#include "sounder/tree.h"
#include "tree_helpers.h"
#include "views/render.h"

using namespace treetest;

namespace {

struct RealReading {
    tsDatabase *db = nullptr;
    tsSystemInfo sys{};
    tsIcdList icds{};
    tsRendererCaps caps{};
    bool ok = false;

    RealReading()
    {
        db = tsDatabaseCreate(TESSERA_SOURCE_DIR "/data/extensions.xml");
        tsDescribeSystem(&sys, &icds, 1);
        caps.size = sizeof caps;
        if (tsInfoBegin(1) != 1)
            return;
        ok = tsInfoRead(&caps, 0) == 1;
        if (ok) {
            tsDatabaseUpdate(db, &caps, &icds, sys.system);
            tsInfoSolveDb(db, &caps, 1);
        }
        tsInfoEnd();
        db->currentReading = 1;
    }
    ~RealReading()
    {
        tsInfoRelease(&caps);
        tsSystemInfoRelease(&sys);
        tsDatabaseRelease(db);
    }
};

// Lines that open a group must match the closing lines one for one, in
// nesting order.
void expectClosedGroups(const std::vector<std::string> &lines)
{
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), "<tree>");
    EXPECT_EQ(lines.back(), "</tree>");
    int depth = 0;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string &l = lines[i];
        if (l == "</item>") {
            --depth;
            ASSERT_GE(depth, 0) << "line " << i;
        } else {
            ASSERT_EQ(l.rfind("<item name=\"", 0), 0u) << l;
            if (l.compare(l.size() - 2, 2, "/>") != 0)
                ++depth;
        }
    }
    EXPECT_EQ(depth, 0);
}

} // namespace

TEST(TreeGL, MainAndCapsExtTreesOfARealReading)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "GL tests run under the private X server";
    RealReading r;
    ASSERT_TRUE(r.ok) << tsReportGetLogFile();

    auto tree = newTree();
    tsTreeBegin(tree.get());
    EXPECT_EQ(tsCreateMainTree(tree.get(), r.db, &r.icds, &r.sys, &r.caps), 1);
    tsTreeNode *root = tsTreeEnd(tree.get());
    std::vector<std::string> lines = xmlLines(root);
    expectClosedGroups(lines);
    EXPECT_EQ(xmlProblem(sounder::treeXml(root)), "");
    // A 4.5 context claims every version up to 4.5; 4.6 lacks at least its
    // shading language.
    const tsTreeNode *core = findById(root, TS_TREE_PUSH, 192);
    ASSERT_NE(core, nullptr);
    ASSERT_GE(core->childCount, 2);
    std::string last = core->children[core->childCount - 1]->item->text;
    std::string before = core->children[core->childCount - 2]->item->text;
    EXPECT_EQ(before.rfind("4.5 (100 % - ", 0), 0u) << before;
    EXPECT_EQ(last.rfind("4.6 (", 0), 0u) << last;
    EXPECT_EQ(last.find("(100 %"), std::string::npos) << last;
    std::string text = sounder::renderTree(root, nullptr);
    EXPECT_EQ(text.rfind("System information\n  System: ", 0), 0u) << text;
    EXPECT_NE(text.find("Processor Mode: "), std::string::npos);

    tsTreeBegin(tree.get());
    int capsDone = tsCreateCapsTree(tree.get(), &r.caps);
    int extDone = tsCreateExtTree(tree.get(), r.db);
    EXPECT_EQ(capsDone, 1);
    root = tsTreeEnd(tree.get());
    lines = xmlLines(root);
    expectClosedGroups(lines);
    std::string xml = sounder::treeXml(root);
    EXPECT_EQ(xmlProblem(xml), "");
    std::printf("caps+ext tree: %d items, %d nodes, %zu XML bytes, %s\n", tree->itemCount,
                tree->nodeCount, xml.size(), extDone ? "complete" : "cut");

    // The extension group counts every database extension of the reading.
    int supported = 0;
    for (const tsExtension *e = r.db->extensions; e; e = e->next)
        supported += (e->support >> 1) & 1u;
    EXPECT_GT(supported, 100);
    const tsTreeNode *exts = findById(root, TS_TREE_PUSHI, 141);
    ASSERT_NE(exts, nullptr);
    EXPECT_EQ(exts->item->value0.i, supported);
    int shown = 0;
    for (const tsTreeNode *g : children(exts))
        shown += g->childCount;
    if (extDone) {
        EXPECT_EQ(shown, supported);
    } else {
        EXPECT_STREQ(root->children[root->childCount - 1]->item->text, TS_TREE_CUT_TEXT);
        EXPECT_GT(shown, 0);
    }
    EXPECT_NE(findByText(exts, TS_TREE_PUSHS, "GL_ARB_multitexture"), nullptr);

    // Every line renders to a label: no empty line, no unresolved placeholder.
    text = sounder::renderTree(root, nullptr);
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        size_t start = line.find_first_not_of(' ');
        EXPECT_NE(start, std::string::npos) << "empty line";
        EXPECT_EQ(line.find("%d"), std::string::npos) << line;
        EXPECT_EQ(line.find("%s"), std::string::npos) << line;
    }
}
