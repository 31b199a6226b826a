// Base of the main window's pages: a widget that rebuilds itself from the
// shared state on refresh().
#ifndef TESSERA_PAGES_TAB_PAGE_H
#define TESSERA_PAGES_TAB_PAGE_H

#include <QWidget>

namespace tessera {

struct AppState;

class TabPage : public QWidget {
    Q_OBJECT
public:
    TabPage(AppState &state, QWidget *parent = nullptr) : QWidget(parent), state_(state) {}
    // Rebuilds the page from the readings, the database and the current texts.
    virtual void refresh() = 0;
    int refreshCount() const { return refreshes_; }

protected:
    AppState &state_;
    int refreshes_ = 0;
};

} // namespace tessera

#endif
