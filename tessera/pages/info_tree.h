// The tree of the summary and extensions pages: the shared context menu
// ("Expand all", "Collapse all", "Search for %s", "Cancel") on the line under
// the pointer or, from the keyboard (Menu key, Shift+F10), on the current
// line; Ctrl+C copies the selected line with its subtree.
#ifndef TESSERA_PAGES_INFO_TREE_H
#define TESSERA_PAGES_INFO_TREE_H

#include <functional>

#include "controls/tree_ctrl.h"

class QMenu;

namespace tessera {

class InfoTree : public TreeCtrl {
    Q_OBJECT
public:
    explicit InfoTree(QWidget *parent = nullptr);

    // Called when the menu opens for a line (null: none); returns the name
    // the search item offers, or "" to leave the item disabled.
    std::function<QString(QTreeWidgetItem *)> searchName;
    // Called when the search item is chosen, with the name searchName gave.
    std::function<void(const QString &)> search;

    // The menu for item, not yet shown; its actions are named "expandAll",
    // "collapseAll", "search" and "cancel".  The caller owns it.
    QMenu *buildMenu(QTreeWidgetItem *item);

    // The line of item and, indented two blanks a level, its subtree.
    static QString textWithSubtree(const QTreeWidgetItem *item);
    // Puts textWithSubtree of the current line on the clipboard.
    void copyCurrent();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showMenu(QTreeWidgetItem *item, const QPoint &globalPos);
};

} // namespace tessera

#endif
