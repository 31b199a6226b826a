// The eight pages of the main window, in tab order.  Each page shows, for
// now, which reading it describes; the summary, extension, report and test
// pages and the tools pages replace these bodies.
#ifndef TESSERA_PAGES_PAGES_H
#define TESSERA_PAGES_PAGES_H

#include "pages/browser_tab.h"
#include "pages/extension_tab.h"
#include "pages/main_tab.h"
#include "pages/report_tab.h"
#include "pages/tab_page.h"
#include "pages/test_tab.h"

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

// Display modes (tab 2); filled once, not refreshed.
class CDisplayMode : public PlaceholderPage {
public:
    explicit CDisplayMode(AppState &s, QWidget *p = nullptr) : PlaceholderPage(s, "CDisplayMode", p)
    {}
};
// Pixel formats (tab 3); filled once, not refreshed.
class CDisplayList : public PlaceholderPage {
public:
    explicit CDisplayList(AppState &s, QWidget *p = nullptr) : PlaceholderPage(s, "CDisplayList", p)
    {}
};
// Driver tweaks (tab 6).
class TweakTab : public PlaceholderPage {
public:
    explicit TweakTab(AppState &s, QWidget *p = nullptr) : PlaceholderPage(s, "TweakTab", p) {}
};

} // namespace tessera

#endif
