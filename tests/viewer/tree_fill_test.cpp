// The tree icons and the tree fill over hand-made descriptions and the live
// extension tree.
#include <gtest/gtest.h>

#include <QDir>
#include <QSet>
#include <QTreeWidget>

#include <cstring>

#include "controls/icons.h"
#include "controls/tree_fill.h"
#include "viewer/viewer_fixture.h"

using namespace tessera;

namespace {

// Appends an item to a description under construction.
tsTreeItem &append(tsTree *t, int kind, int textId = 0, const char *text = "", int image0 = 26,
                   int image1 = 26)
{
    tsTreeItem &item = t->items[t->itemCount++];
    item.kind = kind;
    item.textId = textId;
    std::strncpy(item.text, text, sizeof item.text - 1);
    item.image0 = image0;
    item.image1 = image1;
    return item;
}

bool samePixels(const QIcon &a, const QIcon &b, QIcon::Mode mode = QIcon::Normal)
{
    return a.pixmap(16, 16, mode).toImage() == b.pixmap(16, 16, mode).toImage();
}

} // namespace

TEST(TreeIcons, EveryStripImageIsDrawnAndDistinctAtBothSizes)
{
    for (int size : {16, 32}) {
        QSet<QByteArray> seen;
        for (int i = 0; i < kStripIconCount; ++i) {
            const QImage image = renderStripImage(i, size);
            ASSERT_EQ(image.size(), QSize(size, size));
            int opaque = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    opaque += qAlpha(image.pixel(x, y)) > 128;
            EXPECT_GT(opaque, size * size / 12) << "image " << i << " at " << size;
            const QByteArray bytes(reinterpret_cast<const char *>(image.constBits()),
                                   image.sizeInBytes());
            EXPECT_FALSE(seen.contains(bytes)) << "image " << i << " repeats one before it";
            seen.insert(bytes);
        }
    }
    EXPECT_TRUE(stripIcon(kStripIconCount).isNull());
    EXPECT_TRUE(stripIcon(-1).isNull());
    EXPECT_EQ(renderStrip(16).size(), QSize(16 * kStripIconCount, 16));
    QDir().mkpath(shotFolder());
    renderStrip(16).save(shotFolder() + "/tree_icons_16.png");
    renderStrip(32).save(shotFolder() + "/tree_icons_32.png");
    // The selected image of a line is its second index.
    const QIcon line = treeIcon(kIconGroupClosed, kIconGroupOpen);
    EXPECT_TRUE(samePixels(line, stripIcon(kIconGroupClosed)));
    EXPECT_EQ(line.pixmap(16, 16, QIcon::Selected).toImage(),
              stripIcon(kIconGroupOpen).pixmap(16, 16).toImage());
    EXPECT_EQ(line.pixmap(32, 32).toImage(), renderStripImage(kIconGroupClosed, 32));
    // Vendors go through the library's icon index.
    EXPECT_TRUE(samePixels(vendorIcon("NVIDIA Corporation"), stripIcon(9)));
    EXPECT_TRUE(vendorIcon("Mesa/X.org").isNull());
    EXPECT_TRUE(vendorIcon(nullptr).isNull());
}

TEST(TreeIcons, VendorLogosTakeTheFirstKeyTheVendorContains)
{
    // "ATI" comes after the longer ATI key, today's Mesa and AMD texts last.
    EXPECT_EQ(vendorLogoId("ATI Technologies Inc."), vendorLogoId("ATI"));
    EXPECT_EQ(vendorLogoId("Mesa/X.org"), vendorLogoId("Mesa project: www.mesa3d.org"));
    EXPECT_EQ(vendorLogoId("Someone Else"), kGenericLogo);
    EXPECT_EQ(vendorLogoId(nullptr), kGenericLogo);
    EXPECT_TRUE(vendorLogo(vendorLogoId("Tungsten Graphics, Inc")).isNull());
    const QPixmap mesa = vendorLogo(vendorLogoId("Mesa/X.org"), 2.0);
    EXPECT_EQ(mesa.size(), QSize(192, 192));
    EXPECT_EQ(mesa.deviceIndependentSize(), QSizeF(96, 96));
    EXPECT_NE(vendorLogo(vendorLogoId("AMD")).toImage(),
              vendorLogo(vendorLogoId("VMware")).toImage());
}

TEST(TreeFill, LabelsIconsGroupsAndSkippedKinds)
{
    TreeDescription description;
    tsTree *t = description.begin();
    append(t, TS_TREE_PUSH, 162, "", 15, 16);
    append(t, TS_TREE_PUSHSI, 0, "ARB", 10, 10).value0.i = 2;
    append(t, TS_TREE_1F, 197).value0.f = 0.125f;
    append(t, TS_TREE_3I, 219).value0.i = 8; // "%d x %d x %d"
    t->items[t->itemCount - 1].value1.i = 16;
    t->items[t->itemCount - 1].value2 = 32;
    append(t, TS_TREE_POP);
    append(t, TS_TREE_STR2, 357, "llvm<b>pipe</b> %s%n", 25, 25);
    append(t, TS_TREE_POP);
    append(t, TS_TREE_PUSHS, 0, "hidden group");
    append(t, TS_TREE_STR, 0, "hidden child");
    append(t, TS_TREE_POP);
    append(t, TS_TREE_STR, 0, "caf\xe9 in Latin-1");
    const tsTreeNode *root = description.end();
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->childCount, 3);
    // An unknown kind hides its whole subtree.
    root->children[1]->item->kind = 42;

    QTreeWidget tree;
    EXPECT_EQ(refillTree(&tree, root), 6);
    ASSERT_EQ(tree.topLevelItemCount(), 2);
    QTreeWidgetItem *top = tree.topLevelItem(0);
    EXPECT_EQ(top->text(0), "Capabilities");
    EXPECT_TRUE(top->isExpanded());
    QTreeWidgetItem *arb = top->child(0);
    EXPECT_EQ(arb->text(0), "ARB (2)");
    EXPECT_FALSE(arb->isExpanded()); // only the top level opens
    EXPECT_EQ(arb->child(0)->text(0), "Point size granularity 0.125000");
    EXPECT_EQ(arb->child(1)->text(0), "Max. texture 3D size 8 x 16 x 32");
    // Record texts are shown as they are, never used as a format.
    EXPECT_EQ(top->child(1)->text(0), "Renderer: llvm<b>pipe</b> %s%n");
    EXPECT_EQ(tree.topLevelItem(1)->text(0), QString::fromUtf8("caf\u00e9 in Latin-1"));
    EXPECT_TRUE(samePixels(top->icon(0), treeIcon(15, 16)));
    EXPECT_TRUE(samePixels(top->icon(0), stripIcon(16), QIcon::Selected));
    EXPECT_TRUE(samePixels(top->child(1)->icon(0), stripIcon(25)));

    // A rebuild starts from a clean block: the old items are gone.
    t = description.begin();
    append(t, TS_TREE_STR, 0, "only line");
    root = description.end();
    EXPECT_EQ(refillTree(&tree, root), 1);
    EXPECT_EQ(root->childCount, 1);
    EXPECT_EQ(t->items[2].kind, 0);
    EXPECT_EQ(t->nodes[1].childCount, 0);
    EXPECT_EQ(refillTree(&tree, nullptr), 0);
    EXPECT_EQ(tree.topLevelItemCount(), 0);
}
