#include "controls/open_url.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include "app/languages.h"

namespace tessera {
namespace {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

void showFailure(QWidget *parent, const QString &what)
{
    QMessageBox::warning(parent, QStringLiteral("Error"),
                         QStringLiteral("Unable to open %1").arg(what));
}

} // namespace

bool isOpenableUrl(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mailto"))
        return !url.path().isEmpty();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
            scheme == QLatin1String("ftp")) &&
           !url.host().isEmpty();
}

bool OpenUrl(QWidget *parent, const QString &text)
{
    if (!isOpenableUrl(text)) {
        showFailure(parent, text);
        return false;
    }
    bool ok;
    {
        WaitCursor wait;
        ok = QDesktopServices::openUrl(QUrl(text.trimmed(), QUrl::StrictMode));
    }
    if (!ok)
        showFailure(parent, text);
    return ok;
}

bool openLocalFile(QWidget *parent, const QString &path)
{
    bool ok;
    {
        WaitCursor wait;
        ok = QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
    if (!ok)
        showFailure(parent, path);
    return ok;
}

} // namespace tessera
