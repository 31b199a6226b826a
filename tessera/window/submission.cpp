#include "window/submission.h"

#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "app/languages.h"

namespace tessera {

const char *const kSubmitAddress = "submit@tessera.example.org";
const char *const kSubmitSubject = "submit tessera data";
const char *const kSubmitBody = "2.33 (Build 230)";

namespace {

QString text(int id)
{
    return QString::fromStdString(LoadText(id));
}

void messageBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                const QString &message)
{
    QMessageBox box(icon, caption, message, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

CPrivacyDlg::CPrivacyDlg(QWidget *parent)
    : QDialog(parent), notice_(new QLabel(this)), accept_(new QPushButton(this)),
      decline_(new QPushButton(this))
{
    setObjectName(QStringLiteral("CPrivacyDlg"));
    setWindowTitle(text(156));
    setModal(true);
    notice_->setObjectName(QStringLiteral("privacyNotice"));
    notice_->setTextFormat(Qt::PlainText);
    notice_->setWordWrap(true);
    notice_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    notice_->setText(text(139));
    accept_->setObjectName(QStringLiteral("accept"));
    accept_->setText(text(296));
    decline_->setObjectName(QStringLiteral("decline"));
    decline_->setText(text(297));
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(accept_, QDialogButtonBox::AcceptRole);
    buttons->addButton(decline_, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(notice_, 1);
    layout->addWidget(buttons);
    resize(380, 190);
}

MailResult mailReport(QWidget *window, const QString &file)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (program.isEmpty())
        return MailResult::Unavailable;
    QProcess mailer;
    mailer.setProgram(program);
    mailer.setArguments({QStringLiteral("--subject"), QString::fromUtf8(kSubmitSubject),
                         QStringLiteral("--body"), QString::fromUtf8(kSubmitBody),
                         QStringLiteral("--attach"), file, QString::fromUtf8(kSubmitAddress)});
    mailer.setProcessChannelMode(QProcess::ForwardedChannels);
    QEventLoop loop;
    bool startFailed = false;
    QObject::connect(&mailer, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&mailer, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            startFailed = true;
            loop.quit();
        }
    });
    // The window takes no input until the mail program has returned; it
    // still repaints.
    const bool wasEnabled = window && window->isEnabled();
    if (window)
        window->setEnabled(false);
    mailer.start();
    if (!startFailed && mailer.state() != QProcess::NotRunning)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (window)
        window->setEnabled(wasEnabled);
    if (startFailed)
        return MailResult::Unavailable;
    return mailer.exitStatus() == QProcess::NormalExit && mailer.exitCode() == 0
               ? MailResult::Sent
               : MailResult::Failed;
}

void showMailResult(QWidget *parent, MailResult result)
{
    switch (result) {
    case MailResult::Sent: messageBox(parent, QMessageBox::NoIcon, text(156), text(183)); return;
    case MailResult::Failed:
        messageBox(parent, QMessageBox::Critical, text(156),
                   QStringLiteral("Send Mail failed to send message."));
        break;
    case MailResult::Unavailable:
        messageBox(parent, QMessageBox::Critical, text(156),
                   QStringLiteral("Unable to load mail system support."));
        break;
    }
    messageBox(parent, QMessageBox::Critical, text(156), text(184));
}

} // namespace tessera
