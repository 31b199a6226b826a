// Pixel formats page (tab 3): one row per pixel format of the reading that is
// current when the page is filled, sortable by every column.
#ifndef TESSERA_PAGES_DISPLAY_LIST_H
#define TESSERA_PAGES_DISPLAY_LIST_H

#include <QVector>

#include "pages/tab_page.h"
#include "sounder/probe.h"

namespace tessera {

class SortedList;

class CDisplayList : public TabPage {
    Q_OBJECT
public:
    explicit CDisplayList(AppState &state, QWidget *parent = nullptr);
    // Fills the list from the current reading (the main window calls it once).
    void refresh() override;
    SortedList *list() const { return list_; }

    // Order of the formats a and b under a column: by the column's value, ID
    // by format number, ICD and MCD always equal, Hardware reversed (the
    // accelerated formats first when ascending).
    static int compare(const QVector<tsPixelFormat> &formats, int a, int b, int column);

private:
    SortedList *list_;
    QVector<tsPixelFormat> formats_; // the formats shown, copied when the list is filled
};

} // namespace tessera

#endif
