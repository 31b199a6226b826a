// Sending the current reading to the publisher: the consent dialog, the
// check that this is the latest release, and the hand-over of the saved
// report to the user's mail program (xdg-email), which shows the message
// for sending.
#ifndef TESSERA_WINDOW_SUBMISSION_H
#define TESSERA_WINDOW_SUBMISSION_H

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace tessera {

// Where submissions go, and the message that carries the report.
extern const char *const kSubmitAddress;
extern const char *const kSubmitSubject; // "submit tessera data"
extern const char *const kSubmitBody;    // "2.33 (Build 230)"

// The consent dialog: the notice (text 139), Accept (296) and Decline (297).
class CPrivacyDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPrivacyDlg(QWidget *parent = nullptr);
    QPushButton *acceptButton() const { return accept_; }
    QPushButton *declineButton() const { return decline_; }

private:
    QLabel *notice_;
    QPushButton *accept_;
    QPushButton *decline_;
};

enum class MailResult {
    Sent,       // the mail program took the message (exit 0)
    Failed,     // it ran and reported an error
    Unavailable // no xdg-email, or it could not be started
};

// Runs xdg-email with the report attached and waits for it, window disabled
// meanwhile (events keep being processed so the window repaints).
MailResult mailReport(QWidget *window, const QString &file);

// Shows the outcome of a send: text 183; or the failure line, then text 184.
void showMailResult(QWidget *parent, MailResult result);

} // namespace tessera

#endif
