// A tree with whole-branch expand and collapse.
#ifndef TESSERA_CONTROLS_TREE_CTRL_H
#define TESSERA_CONTROLS_TREE_CTRL_H

#include <QTreeWidget>

namespace tessera {

class TreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    explicit TreeCtrl(QWidget *parent = nullptr);
    // Expands item and every item below it, then keeps the selection visible.
    void expandBranch(QTreeWidgetItem *item);
    void collapseBranch(QTreeWidgetItem *item);
    void expandAllBranches();
    void collapseAllBranches();

private:
    void setBranch(QTreeWidgetItem *item, bool expanded);
};

} // namespace tessera

#endif
