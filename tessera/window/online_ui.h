// The viewer's online commands: the update check (Help > Check for updates)
// and the database download (Database > Download latest database).
//
// The worker behind the progress dialog does only network, file and zip
// work on data of its own; reading the update index, installing the
// database and every other library call happen on the UI thread once the
// worker has ended.  A cancelled run shows nothing and its result is
// dropped.
#ifndef TESSERA_WINDOW_ONLINE_UI_H
#define TESSERA_WINDOW_ONLINE_UI_H

#include <QDialog>

#include <functional>
#include <string>

#include "keel/keel.h"

class QLabel;
class QPushButton;

namespace tessera {

struct AppState;

// The changes text of the update index as the announcement shows it:
// wherever an ampersand occurs, the text from it up to and including the
// second semicolon after it goes (to the end when there is none), and the
// character right after the dropped part stays unexamined.
std::string stripEntitySequences(const std::string &text);

// The announcement of a newer release: text 370 filled with the index's
// version, its release date and ours; the changes; the index's fields under
// the labels 403-407.  Yes opens the index's info-url, and only when it is
// an http(s) address with a host; otherwise Yes is disabled.
class SoftwareUpdateDlg : public QDialog {
    Q_OBJECT
public:
    SoftwareUpdateDlg(QWidget *parent, const sysXSAInfo &info);
    QString message() const;
    QString changes() const;
    bool canOpen() const { return canOpen_; }

public slots:
    void accept() override;

private:
    sysXSAInfo info_;
    bool canOpen_;
    QLabel *message_;
    QLabel *changes_;
};

// Help > Check for updates.  Returns 1 only when the program is up to date
// (what the submission gate asks), else 0; a cancelled check shows nothing.
int runUpdateCheck(QWidget *parent);

// Database > Download latest database.  After an install refresh() is
// called before any message is shown, so no page keeps records of the old
// database.  Returns 0 when a database was installed, -1 transport
// failure, -3 damaged, -2 cancelled.
int runDatabaseDownload(QWidget *parent, AppState &state, const std::function<void()> &refresh);

} // namespace tessera

#endif
