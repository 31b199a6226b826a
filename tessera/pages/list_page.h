// What the display-mode and pixel-format pages share: a list whose header
// sorts with the page's own comparison, and the small images of their rows.
//
// Sorting: a click on the sort column's header flips the direction, a click
// on another column makes it the sort column and keeps the direction.  The
// sort is stable over the rows as they are shown, so rows that compare equal
// keep their order in both directions.
#ifndef TESSERA_PAGES_LIST_PAGE_H
#define TESSERA_PAGES_LIST_PAGE_H

#include <QIcon>
#include <QTreeWidget>
#include <QVector>

#include <functional>

namespace tessera {

// Images of the list pages (positions in the program's image strip).
enum class ListImage { PixelFormat = 10, DisplayMode = 21, Yes = 26, No = 27 };
QIcon listIcon(ListImage image);

struct SortState {
    int column = 0;
    bool descending = false;
    // A header click: the same column flips the direction, another keeps it.
    void click(int clicked)
    {
        if (clicked == column)
            descending = !descending;
        column = clicked;
    }
};

class SortedList : public QTreeWidget {
    Q_OBJECT
public:
    // compare(a, b, column): negative, 0 or positive for the entries a and b
    // (positions in the record) under that column.
    using Compare = std::function<int(int a, int b, int column)>;

    SortedList(Compare compare, QWidget *parent = nullptr);

    // Adds a row for the record entry; the cells are filled by the caller.
    QTreeWidgetItem *addRow(int entry);
    // The record entry of each row, top to bottom.
    QVector<int> order() const;
    const SortState &sortState() const { return state_; }

    // Makes the column at least minimum wide, wider where its cells or its
    // title need it.
    void fitColumn(int column, int minimum);

    // What a click on the header of column does.
    void headerClicked(int column);

private:
    Compare compare_;
    SortState state_;
};

// Three-way comparison of two numbers of any width.
template <typename T>
int threeWay(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace tessera

#endif
