// The eight pages of the main window, in tab order.  Each page shows, for
// now, which reading it describes; the summary, extension, report and test
// pages and the tools pages replace these bodies.
#ifndef TESSERA_PAGES_PAGES_H
#define TESSERA_PAGES_PAGES_H

#include "pages/browser_tab.h"
#include "pages/display_list.h"
#include "pages/display_mode.h"
#include "pages/extension_tab.h"
#include "pages/main_tab.h"
#include "pages/tab_page.h"
#include "pages/tweak_tab.h"

class QLabel;

namespace tessera {

class PlaceholderPage : public TabPage {
    Q_OBJECT
public:
    PlaceholderPage(AppState &state, const QString &name, QWidget *parent = nullptr);
    void refresh() override;
    QString shownText() const;

private:
    QString name_;
    QLabel *label_;
};

// Text report (tab 4).
class ReportTab : public PlaceholderPage {
public:
    explicit ReportTab(AppState &s, QWidget *p = nullptr) : PlaceholderPage(s, "ReportTab", p) {}
};
// Rendering tests (tab 5).
class TestTab : public PlaceholderPage {
public:
    explicit TestTab(AppState &s, QWidget *p = nullptr) : PlaceholderPage(s, "TestTab", p) {}
};

} // namespace tessera

#endif
