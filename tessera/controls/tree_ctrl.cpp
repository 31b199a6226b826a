#include "controls/tree_ctrl.h"

namespace tessera {

TreeCtrl::TreeCtrl(QWidget *parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setUniformRowHeights(true);
}

void TreeCtrl::setBranch(QTreeWidgetItem *item, bool expanded)
{
    if (!item || item->childCount() == 0)
        return;
    item->setExpanded(expanded);
    for (int i = 0; i < item->childCount(); ++i)
        setBranch(item->child(i), expanded);
}

void TreeCtrl::expandBranch(QTreeWidgetItem *item)
{
    setBranch(item, true);
    if (currentItem())
        scrollToItem(currentItem());
}

void TreeCtrl::collapseBranch(QTreeWidgetItem *item)
{
    setBranch(item, false);
    if (currentItem())
        scrollToItem(currentItem());
}

void TreeCtrl::expandAllBranches()
{
    for (int i = 0; i < topLevelItemCount(); ++i)
        setBranch(topLevelItem(i), true);
}

void TreeCtrl::collapseAllBranches()
{
    for (int i = 0; i < topLevelItemCount(); ++i)
        setBranch(topLevelItem(i), false);
}

} // namespace tessera
