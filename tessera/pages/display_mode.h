// Display modes page (tab 2): one row per display mode of the reading that is
// current when the page is filled, sortable by every column.
#ifndef TESSERA_PAGES_DISPLAY_MODE_H
#define TESSERA_PAGES_DISPLAY_MODE_H

#include <QVector>

#include "pages/tab_page.h"
#include "sounder/probe.h"

namespace tessera {

class SortedList;

class CDisplayMode : public TabPage {
    Q_OBJECT
public:
    explicit CDisplayMode(AppState &state, QWidget *parent = nullptr);
    // Fills the list from the current reading (the main window calls it once).
    void refresh() override;
    SortedList *list() const { return list_; }

    // Order of the modes a and b under a column: ID by position, Width and
    // Height by pixel area, Depth by bits per pixel, Hz by refresh rate.
    static int compare(const QVector<tsDisplayMode> &modes, int a, int b, int column);

private:
    SortedList *list_;
    QVector<tsDisplayMode> modes_; // the modes shown, copied when the list is filled
};

} // namespace tessera

#endif
