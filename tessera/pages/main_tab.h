// The summary page (tab 0): the main tree (system, drivers, core feature
// sets), the vendor's logo, the offer to submit a reading the database did
// not know, the program's description and notice.  Report files dropped on
// the page are handed to the window, which loads them as File > Open does.
#ifndef TESSERA_PAGES_MAIN_TAB_H
#define TESSERA_PAGES_MAIN_TAB_H

#include <QStringList>

#include "controls/tree_fill.h"
#include "pages/tab_page.h"

class QLabel;
class QMimeData;
class QPushButton;

namespace tessera {

class InfoTree;

class CMainTab : public TabPage {
    Q_OBJECT
public:
    explicit CMainTab(AppState &state, QWidget *parent = nullptr);
    void refresh() override;

    InfoTree *tree() const { return tree_; }
    QLabel *logo() const { return logo_; }
    int logoId() const { return logoId_; }
    QPushButton *submitButton() const { return submit_; }
    QLabel *description() const { return description_; }
    QLabel *notice() const { return notice_; }
    // The text of the line last selected or right-clicked.
    const QString &currentItemText() const { return currentText_; }
    // Local files of a drop, in drop order; empty when the drop holds
    // anything but local files.
    static QStringList droppedFiles(const QMimeData *data);

signals:
    // The submit button was pressed.
    void submitRequested();
    // Files were dropped on the page (full paths, in drop order).
    void filesDropped(const QStringList &paths);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QString searchNameOf(QTreeWidgetItem *item);
    void showLogo();

    TreeDescription description0_;
    InfoTree *tree_;
    QLabel *logo_;
    QPushButton *submit_;
    QLabel *description_;
    QLabel *banner_;
    QLabel *notice_;
    QString currentText_;
    int logoId_ = 0;
    int shownLogo_ = -1;
    qreal shownScale_ = 0;
};

} // namespace tessera

#endif
