// The extensions page (tab 1): the capability and extension tree of the
// current reading, a search box that lists the reading's extension names
// containing the typed text, and the Search button that opens an
// extension's documentation, a vendor's home page or the renderer list.
#ifndef TESSERA_PAGES_EXTENSION_TAB_H
#define TESSERA_PAGES_EXTENSION_TAB_H

#include <QStringList>

#include "controls/tree_fill.h"
#include "pages/tab_page.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tessera {

class InfoTree;

class CExtensionTab : public TabPage {
    Q_OBJECT
public:
    explicit CExtensionTab(AppState &state, QWidget *parent = nullptr);
    ~CExtensionTab() override;
    void refresh() override;

    InfoTree *tree() const { return tree_; }
    QLineEdit *searchBox() const { return box_; }
    QPushButton *searchButton() const { return button_; }
    QLabel *status() const { return status_; }
    // The list of matching names under the search box.
    QListWidget *matchList() const { return popup_; }
    const QString &currentItemText() const { return currentText_; }

    // The reading's extension names containing text (ASCII letters in any
    // case), sorted; none for an empty text.
    static QStringList matchingNames(const char *extensions, const QString &text);

    // What the Search button does with the box's text.
    void search();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void onEdited(const QString &text);
    void onSelected(QTreeWidgetItem *item);
    void showMatches(const QStringList &names);
    void hideMatches();
    void placeMatches();
    void takeMatch(int row);

    TreeDescription description_;
    InfoTree *tree_;
    QLineEdit *box_;
    QPushButton *button_;
    QLabel *status_;
    QListWidget *popup_;
    QString currentText_;
};

} // namespace tessera

#endif
