#include "controls/rich_text.h"

#include <QRegularExpression>

#include "controls/open_url.h"
#include "sounder/texts.h"

namespace tessera {

RichText::RichText(QWidget *parent) : QTextBrowser(parent)
{
    setReadOnly(true);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this,
            [this](const QUrl &url) { OpenUrl(this, url.toString()); });
}

QString RichText::toHtml(const QByteArray &rich, bool linkify)
{
    // Plain text first (the rich-text converter of sounder), then escaped
    // here, so no text from a driver or a report reaches the browser as markup.
    const size_t length = tsRichTextToPlain(rich.constData(), nullptr, 0);
    QByteArray plain(static_cast<int>(length) + 1, '\0');
    tsRichTextToPlain(rich.constData(), plain.data(), static_cast<size_t>(plain.size()));
    plain.resize(static_cast<int>(length));
    const QString text = QString::fromUtf8(plain);

    static const QRegularExpression url(
        QStringLiteral("\\b(?:(?:https?|ftp)://|mailto:)[^\\s<>\"']+"),
        QRegularExpression::CaseInsensitiveOption);
    QString html = QStringLiteral("<html><body style=\"white-space: pre-wrap\">");
    qsizetype at = 0;
    auto it = linkify ? url.globalMatch(text) : QRegularExpressionMatchIterator();
    while (linkify && it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        html += text.mid(at, m.capturedStart() - at).toHtmlEscaped();
        const QString link = m.captured().toHtmlEscaped();
        html += QStringLiteral("<a href=\"%1\">%1</a>").arg(link);
        at = m.capturedEnd();
    }
    html += text.mid(at).toHtmlEscaped();
    html += QStringLiteral("</body></html>");
    return html;
}

void RichText::setRichText(const QByteArray &rich)
{
    setHtml(toHtml(rich, autoUrl_));
}

} // namespace tessera
