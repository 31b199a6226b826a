#include "pages/info_tree.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

#include "app/languages.h"
#include "pages/ext_links.h"

namespace tessera {
namespace {

void appendSubtree(const QTreeWidgetItem *item, int depth, QString &out)
{
    out += QString(depth * 2, QLatin1Char(' ')) + item->text(0) + QLatin1Char('\n');
    for (int i = 0; i < item->childCount(); ++i)
        appendSubtree(item->child(i), depth + 1, out);
}

} // namespace

InfoTree::InfoTree(QWidget *parent) : TreeCtrl(parent)
{
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

QMenu *InfoTree::buildMenu(QTreeWidgetItem *item)
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("treeMenu"));
    menu->setAccessibleName(QStringLiteral("Tree menu"));
    QAction *expand =
        menu->addAction(QString::fromStdString(LoadText(179)), this, &TreeCtrl::expandAllBranches);
    expand->setObjectName(QStringLiteral("expandAll"));
    QAction *collapse = menu->addAction(QString::fromStdString(LoadText(180)), this,
                                        &TreeCtrl::collapseAllBranches);
    collapse->setObjectName(QStringLiteral("collapseAll"));
    const QString name = searchName ? searchName(item) : QString();
    QAction *find =
        menu->addAction(formatWithText(276, name.isEmpty() ? QStringLiteral("..") : name));
    find->setObjectName(QStringLiteral("search"));
    find->setEnabled(!name.isEmpty());
    if (!name.isEmpty()) {
        QFont bold = find->font();
        bold.setBold(true);
        find->setFont(bold);
        menu->setDefaultAction(find);
        connect(find, &QAction::triggered, this, [this, name] {
            if (search)
                search(name);
        });
    }
    menu->addSeparator();
    QAction *cancel = menu->addAction(QString::fromStdString(LoadText(303)));
    cancel->setObjectName(QStringLiteral("cancel"));
    return menu;
}

void InfoTree::showMenu(QTreeWidgetItem *item, const QPoint &globalPos)
{
    QMenu *menu = buildMenu(item);
    menu->exec(globalPos);
    menu->deleteLater();
}

void InfoTree::contextMenuEvent(QContextMenuEvent *event)
{
    QTreeWidgetItem *item = nullptr;
    QPoint where = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        item = itemAt(event->pos());
        if (item)
            setCurrentItem(item);
    } else {
        item = currentItem();
        if (item) {
            scrollToItem(item);
            where = viewport()->mapToGlobal(visualItemRect(item).bottomLeft());
        } else {
            where = viewport()->mapToGlobal(QPoint(0, 0));
        }
    }
    showMenu(item, where);
    event->accept();
}

void InfoTree::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Menu ||
        (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        event->accept();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
        contextMenuEvent(&menu);
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        copyCurrent();
        return;
    }
    TreeCtrl::keyPressEvent(event);
}

QString InfoTree::textWithSubtree(const QTreeWidgetItem *item)
{
    QString out;
    if (item)
        appendSubtree(item, 0, out);
    return out;
}

void InfoTree::copyCurrent()
{
    if (QTreeWidgetItem *item = currentItem())
        QApplication::clipboard()->setText(textWithSubtree(item));
}

} // namespace tessera
