#include "window/online_ui.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstring>
#include <memory>

#include "app/app_state.h"
#include "app/languages.h"
#include "controls/download_dlg.h"
#include "controls/open_url.h"
#include "online.h"

namespace tessera {
namespace {

// The online routines report through the progress dialog's shared record:
// status and percentage go to the dialog, Cancel comes back as cancelled().
class DialogProgress : public online::Progress {
public:
    explicit DialogProgress(DownloadShared &shared) : shared_(shared) {}
    void set(const char *status, int percent) override
    {
        shared_.setStatus(status ? status : "");
        shared_.progress = percent;
    }
    bool cancelled() const override { return shared_.cancelled.load(); }

private:
    DownloadShared &shared_;
};

QString text(int id)
{
    return QString::fromStdString(LoadText(id));
}

// Texts from the network and from language files are shown as they are:
// never as markup, never as a format.
void showBox(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &body)
{
    QMessageBox box(icon, title, body, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("onlineMessage"));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QLabel *plainLabel(const QString &content, QWidget *parent)
{
    auto *label = new QLabel(content, parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

std::string stripEntitySequences(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const std::size_t first = text.find(';', i + 1);
        const std::size_t second = first == std::string::npos ? first : text.find(';', first + 1);
        if (second == std::string::npos)
            break;
        // The character after the dropped part is kept without a look.
        if (second + 1 < text.size())
            out += text[second + 1];
        i = second + 1;
    }
    return out;
}

SoftwareUpdateDlg::SoftwareUpdateDlg(QWidget *parent, const sysXSAInfo &info)
    : QDialog(parent), info_(info), canOpen_(online::isWebUrl(info.infoUrl))
{
    setObjectName(QStringLiteral("lumSoftwareUpdate"));
    setWindowTitle(text(368));
    auto *layout = new QVBoxLayout(this);
    message_ =
        plainLabel(QString::fromStdString(formatText(
                       LoadText(370), {info_.version, info_.lastRelease, online::kProgramVersion})),
                   this);
    message_->setObjectName(QStringLiteral("message"));
    message_->setWordWrap(true);
    layout->addWidget(message_);

    auto *form = new QFormLayout;
    form->addRow(plainLabel(text(403), this),
                 plainLabel(QString::fromUtf8(info_.version).trimmed(), this));
    form->addRow(plainLabel(text(404), this),
                 plainLabel(QString::fromUtf8(info_.lastRelease), this));
    form->addRow(plainLabel(text(405), this),
                 plainLabel(QString::fromUtf8(online::kProgramVersion), this));
    changes_ = plainLabel(QString::fromStdString(stripEntitySequences(info_.changes)), this);
    changes_->setObjectName(QStringLiteral("changes"));
    changes_->setWordWrap(true);
    form->addRow(plainLabel(text(406), this), changes_);
    auto *url = plainLabel(QString::fromUtf8(info_.infoUrl), this);
    url->setObjectName(QStringLiteral("infoUrl"));
    form->addRow(plainLabel(text(407), this), url);
    layout->addLayout(form);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Yes | QDialogButtonBox::No, this);
    buttons->button(QDialogButtonBox::Yes)->setEnabled(canOpen_);
    buttons->button(canOpen_ ? QDialogButtonBox::Yes : QDialogButtonBox::No)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &SoftwareUpdateDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SoftwareUpdateDlg::reject);
    layout->addWidget(buttons);
}

QString SoftwareUpdateDlg::message() const
{
    return message_->text();
}

QString SoftwareUpdateDlg::changes() const
{
    return changes_->text();
}

void SoftwareUpdateDlg::accept()
{
    // Only a web page is opened: a file: or other address from the
    // network is never handed to the desktop.
    if (canOpen_)
        OpenUrl(parentWidget(), QString::fromUtf8(info_.infoUrl));
    QDialog::accept();
}

int runUpdateCheck(QWidget *parent)
{
    // The worker's data: the index file in its private folder.  A cancelled
    // worker drops it itself when it ends, so nothing is left behind.
    auto index = std::make_shared<online::UpdateIndex>();
    const std::string url = online::updateIndexUrl();
    DownloadDlg dialog(parent, text(368), [index, url](DownloadShared &shared) mutable {
        DialogProgress progress(shared);
        const int result = index->fetch(url, &progress);
        if (shared.cancelled)
            index.reset();
        return result;
    });
    dialog.setObjectName(QStringLiteral("updateCheckProgress"));
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    sysXSAInfo info;
    std::memset(&info, 0, sizeof info);
    const int result = dialog.routineResult() == 0 ? index->evaluate(&info) : -1;
    index.reset(); // the index file goes now
    switch (result) {
    case 1: {
        SoftwareUpdateDlg update(parent, info);
        update.exec();
        return 0;
    }
    case 0: showBox(parent, QMessageBox::Information, text(368), text(369)); return 1;
    case -2:
        showBox(parent, QMessageBox::Critical, text(368), QString::fromUtf8(online::kTextBadIndex));
        return 0;
    default: showBox(parent, QMessageBox::Critical, text(368), text(371)); return 0;
    }
}

int runDatabaseDownload(QWidget *parent, AppState &state, const std::function<void()> &refresh)
{
    auto fetched = std::make_shared<std::string>();
    const std::string url = online::databaseUrl();
    DownloadDlg dialog(parent, text(158), [fetched, url](DownloadShared &shared) mutable {
        DialogProgress progress(shared);
        const int result = online::fetchDatabase(url, &progress, *fetched);
        if (shared.cancelled)
            fetched.reset();
        return result;
    });
    dialog.setObjectName(QStringLiteral("databaseProgress"));
    if (dialog.exec() != QDialog::Accepted)
        return -2;
    int result = dialog.routineResult();
    if (result == -1) {
        showBox(parent, QMessageBox::Critical, text(158),
                QString::fromUtf8(online::kTextTransportFailed));
        return -1;
    }
    if (result == 0) {
        online::HeldReading held[2];
        for (int i = 0; i < 2; ++i) {
            held[i].caps = &state.readings[i].caps;
            held[i].icd = &state.readings[i].icd;
            held[i].systemName = state.readings[i].system.system;
        }
        result = online::installDatabase(&state.db, *fetched, held, state.databasePath);
        if (result == 0)
            state.databaseLoadedFrom = state.databasePath;
    }
    fetched.reset();
    if (result != 0 && result != -4) {
        showBox(parent, QMessageBox::Critical, text(158), QString::fromUtf8(online::kTextDamaged));
        return -3;
    }
    // The old database is gone: every page is rebuilt before anything else
    // can run.
    if (refresh)
        refresh();
    if (result == -4)
        showBox(parent, QMessageBox::Warning, text(158),
                QString::fromUtf8(online::kTextWriteFailed) + QStringLiteral("\n") +
                    QString::fromStdString(state.databasePath));
    else
        showBox(parent, QMessageBox::Information, text(158), text(364));
    return 0;
}

} // namespace tessera
