// The report page (tab 4): the text report of the current reading as rich
// text, a header line, a button that copies the report as plain text, and
// Ctrl+F to find text in the report.
#ifndef TESSERA_PAGES_REPORT_TAB_H
#define TESSERA_PAGES_REPORT_TAB_H

#include <QByteArray>

#include "pages/tab_page.h"

class QLabel;
class QLineEdit;
class QPushButton;
struct tsDatabase;

namespace tessera {

struct Reading;
class RichText;

// The report of reading (over db) rendered with the current language's
// texts: as an RTF document when rich is set, else as plain text (text-id
// texts read as rich text, driver and database texts kept as they are).
// The list of pieces is sized to the report, so nothing is cut.  Empty when
// the reading holds no record.
QByteArray buildReportText(const Reading &reading, tsDatabase *db, bool rich);

class ReportTab : public TabPage {
    Q_OBJECT
public:
    explicit ReportTab(AppState &state, QWidget *parent = nullptr);
    void refresh() override;
    // Puts the whole plain-text report on the clipboard.
    void copyToClipboard();
    // Shows the find box (Ctrl+F); findNext() looks for its text from the
    // cursor on, starting over at the top once.
    void startFind();
    bool findNext();

    RichText *report() const { return report_; }
    QLabel *header() const { return header_; }
    QPushButton *copyButton() const { return copy_; }
    QLineEdit *findBox() const { return find_; }

private:
    RichText *report_;
    QLabel *header_;
    QPushButton *copy_;
    QLineEdit *find_;
};

} // namespace tessera

#endif
