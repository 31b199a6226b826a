// The database browser (tab 7): vendors, renderers and extensions of the
// whole database side by side, an operating-system filter, and selections
// in one list narrowing the others.  Details opens the selected
// extension's specification; Copy puts the lists on the clipboard.
#ifndef TESSERA_PAGES_BROWSER_TAB_H
#define TESSERA_PAGES_BROWSER_TAB_H

#include <QString>

#include "pages/browser_model.h"
#include "pages/tab_page.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace tessera {

class IconList;

class BrowserTab : public TabPage {
    Q_OBJECT
public:
    explicit BrowserTab(AppState &state, QWidget *parent = nullptr);

    // Refresh with mode 0: everything is listed anew and no record of the
    // database is kept from before (the database may have been replaced).
    void refresh() override { refresh(0); }
    // Modes: 0 everything, 1 vendor, 2 renderer, 3 extension selection.
    void refresh(int mode);

    // The address Details opens for the extension (the extensions view's
    // link site; site 5 counts as 0); empty when it is not http(s).
    QString detailsUrl(const char *extension) const;
    // Details: opens the first selected extension's address.
    void showDetails();
    // The text Copy puts on the clipboard: for each list the selected names
    // (all listed names when none is selected), each ended by "\n", and an
    // empty line after each list.
    QString copyText() const;
    void copyToClipboard();
    // Show all: the vendor list's "All" line, as if it were chosen.
    void showAll();

    IconList *vendorList() const { return lists_[0]; }
    IconList *rendererList() const { return lists_[1]; }
    IconList *extensionList() const { return lists_[2]; }
    QComboBox *filterBox() const { return filter_; }
    QLabel *versionLabel() const { return version_; }
    const BrowserModel &model() const { return model_; }

    // The filter index, kept for the whole run.
    static int filterIndex() { return filterIndex_; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void vendorSelectionChanged();
    void rendererSelectionChanged();
    void extensionSelectionChanged();
    void fillList(int which);
    void selectAllLine(int which);
    template <class T>
    std::vector<const T *> selectedRecords(int which, const std::vector<const T *> &listed) const;
    void layoutControls();

    BrowserModel model_;
    IconList *lists_[3];
    QComboBox *filter_;
    QPushButton *showAll_, *details_, *copy_;
    QLabel *version_;
    bool pending_[3] = {false, false, false};
    static int filterIndex_;
};

} // namespace tessera

#endif
