#include "pages/ext_links.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QUrl>
#include <QVBoxLayout>

#include <string>

#include "app/languages.h"
#include "controls/open_url.h"
#include "controls/tree_fill.h"
#include "sounder/database.h"
#include "sounder/links.h"
#include "sounder/present.h"

namespace tessera {
namespace {

QString format(int id, const tsTextArg &arg)
{
    const std::string text = LoadText(id);
    const size_t length = tsFormatText(text.c_str(), &arg, 1, nullptr, 0);
    std::string out(length + 1, '\0');
    tsFormatText(text.c_str(), &arg, 1, &out[0], out.size());
    out.resize(length);
    return QString::fromStdString(out);
}

// "<vendor>/<file>.txt" as the registry stores extension texts: the vendor
// word the library finds for the name, the name itself without a leading
// "GL_" ("WGL_" and "GLX_" names keep their prefix).
QByteArray registryPath(const QByteArray &name)
{
    char path[TS_LINK_PATH_SIZE] = {};
    int id = 0;
    tsCreateExtensionLink(path, &id, name.constData(), TS_LINK_REGISTRY);
    const QByteArray library(path);
    const int slash = library.indexOf('/');
    if (slash <= 0)
        return library;
    const QByteArray file = name.startsWith("GL_") ? name.mid(3) : name;
    return library.left(slash) + '/' + file + ".txt";
}

} // namespace

bool isExtensionName(const QString &text)
{
    return text.startsWith(QLatin1String("GL_")) || text.startsWith(QLatin1String("WGL_")) ||
           text.startsWith(QLatin1String("GLX_"));
}

bool isWebAddress(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
            scheme == QLatin1String("ftp"));
}

QString extensionLink(int index, const QString &name)
{
    if (index < 0 || index > TS_LINK_MIRROR || index == kRendererListSite || name.isEmpty())
        return QString();
    const QByteArray name8 = name.toUtf8().left(TS_LINK_PATH_SIZE - 1);
    char path[TS_LINK_PATH_SIZE] = {};
    int id = 0;
    tsCreateExtensionLink(path, &id, name8.constData(), index);
    const QString base = QString::fromStdString(LoadText(id));
    if (id == 0 || base.isEmpty())
        return QString();
    const QByteArray suffix = index == TS_LINK_REGISTRY || index == TS_LINK_MIRROR
                                  ? registryPath(name8)
                                  : QByteArray(path);
    return base + QString::fromLatin1(QUrl::toPercentEncoding(widenText(suffix.constData()), "/"));
}

QString rendererListText(const tsDatabase *db, const QString &name)
{
    QString text;
    if (!db)
        return text;
    const QByteArray name8 = name.toUtf8();
    int count = 0;
    for (const tsExtension *e = db->extensions; e; e = e->next) {
        if (name8 != e->name)
            continue;
        for (const tsRendererLink *link = e->links; link; link = link->next) {
            if (!link->renderer)
                continue;
            text += widenText(link->renderer->name) + QLatin1Char('(') +
                    widenText(link->renderer->version) +
                    (count % 8 == 0 ? QLatin1String(")\n ") : QLatin1String("), "));
            ++count;
        }
    }
    return text;
}

void showSearchResults(QWidget *parent, const QString &text)
{
    QDialog box(parent);
    box.setObjectName(QStringLiteral("searchResults"));
    box.setWindowTitle(QStringLiteral("Search results"));
    auto *view = new QPlainTextEdit(&box);
    view->setObjectName(QStringLiteral("searchResultsText"));
    view->setAccessibleName(QStringLiteral("Search results"));
    view->setReadOnly(true);
    view->setPlainText(text);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    auto *layout = new QVBoxLayout(&box);
    layout->addWidget(view);
    layout->addWidget(buttons);
    box.resize(520, 320);
    box.exec();
}

bool openExtensionLink(QWidget *parent, const tsDatabase *db, int index, const QString &name)
{
    if (index == kRendererListSite) {
        showSearchResults(parent, rendererListText(db, name));
        return true;
    }
    const QString link = extensionLink(index, name);
    return isWebAddress(link) && OpenUrl(parent, link);
}

QString formatWithText(int id, const QString &argument)
{
    const QByteArray utf8 = argument.toUtf8();
    tsTextArg arg{};
    arg.kind = TS_ARG_TEXT;
    arg.s = utf8.constData();
    return format(id, arg);
}

QString formatWithNumber(int id, long long value)
{
    tsTextArg arg{};
    arg.kind = TS_ARG_INT;
    arg.i = value;
    return format(id, arg);
}

} // namespace tessera
