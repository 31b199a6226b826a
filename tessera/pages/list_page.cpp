#include "pages/list_page.h"

#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace tessera {
namespace {

constexpr int kEntryRole = Qt::UserRole;

// One 16-pixel image drawn at scale (1 or 2), so it stays sharp on a
// high-density screen.
QPixmap drawImage(ListImage image, int scale)
{
    QPixmap pixmap(16 * scale, 16 * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (image) {
    case ListImage::DisplayMode: // a monitor on its stand
        p.setPen(QPen(QColor(40, 60, 90), 1));
        p.setBrush(QColor(90, 140, 210));
        p.drawRoundedRect(QRectF(1.5, 2.5, 13, 9), 1.5, 1.5);
        p.setBrush(QColor(40, 60, 90));
        p.drawRect(QRectF(6.5, 11.5, 3, 2));
        p.drawRect(QRectF(4.5, 13.5, 7, 1));
        break;
    case ListImage::PixelFormat: // a 2 x 2 grid of colour cells
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(QColor(220, 70, 60));
        p.drawRect(QRectF(1.5, 1.5, 6, 6));
        p.setBrush(QColor(70, 170, 80));
        p.drawRect(QRectF(8.5, 1.5, 6, 6));
        p.setBrush(QColor(60, 110, 210));
        p.drawRect(QRectF(1.5, 8.5, 6, 6));
        p.setBrush(QColor(235, 235, 235));
        p.drawRect(QRectF(8.5, 8.5, 6, 6));
        break;
    case ListImage::Yes: { // a tick in a box
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        QPainterPath tick;
        tick.moveTo(4, 8.5);
        tick.lineTo(7, 11.5);
        tick.lineTo(12, 4.5);
        p.setPen(QPen(QColor(20, 130, 40), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
        break;
    }
    case ListImage::No: // an empty box
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        break;
    }
    return pixmap;
}

} // namespace

QIcon listIcon(ListImage image)
{
    QIcon icon;
    icon.addPixmap(drawImage(image, 1));
    icon.addPixmap(drawImage(image, 2));
    return icon;
}

SortedList::SortedList(Compare compare, QWidget *parent)
    : QTreeWidget(parent), compare_(std::move(compare))
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false); // the page's own comparison, not Qt's
    setIconSize(QSize(16, 16));
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    header()->setStretchLastSection(false);
    connect(header(), &QHeaderView::sectionClicked, this, &SortedList::headerClicked);
}

QTreeWidgetItem *SortedList::addRow(int entry)
{
    auto *item = new QTreeWidgetItem(this);
    item->setData(0, kEntryRole, entry);
    return item;
}

QVector<int> SortedList::order() const
{
    QVector<int> entries;
    entries.reserve(topLevelItemCount());
    for (int i = 0; i < topLevelItemCount(); ++i)
        entries.append(topLevelItem(i)->data(0, kEntryRole).toInt());
    return entries;
}

void SortedList::fitColumn(int column, int minimum)
{
    setColumnWidth(
        column, std::max({minimum, sizeHintForColumn(column), header()->sectionSizeHint(column)}));
}

void SortedList::headerClicked(int column)
{
    state_.click(column);
    QTreeWidgetItem *current = currentItem();
    QList<QTreeWidgetItem *> rows;
    while (topLevelItemCount() > 0)
        rows.append(takeTopLevelItem(0));
    const bool descending = state_.descending;
    std::stable_sort(rows.begin(), rows.end(),
                     [this, column, descending](QTreeWidgetItem *a, QTreeWidgetItem *b) {
                         const int r = compare_(a->data(0, kEntryRole).toInt(),
                                                b->data(0, kEntryRole).toInt(), column);
                         return descending ? r > 0 : r < 0;
                     });
    addTopLevelItems(rows);
    if (current)
        setCurrentItem(current);
}

} // namespace tessera
