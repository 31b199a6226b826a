#include "controls/rich_text.h"

#include <QRegularExpression>

#include "controls/open_url.h"
#include "sounder/texts.h"

// sounder's HTML converter, where the library exports it (beside the
// checked formatter of sounder/present.h).
#if __has_include("sounder/present.h")
#define TESSERA_SOUNDER_HTML 1
#endif

namespace tessera {

RichText::RichText(QWidget *parent) : QTextBrowser(parent)
{
    setReadOnly(true);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this,
            [this](const QUrl &url) { OpenUrl(this, url.toString()); });
}

namespace {

const QRegularExpression &urlPattern()
{
    static const QRegularExpression url(
        QStringLiteral("\\b(?:(?:https?|ftp)://|mailto:)[^\\s<>\"']+"),
        QRegularExpression::CaseInsensitiveOption);
    return url;
}

} // namespace

#ifdef TESSERA_SOUNDER_HTML
QString RichText::toHtml(const QByteArray &rich, bool linkify)
{
    const size_t length = tsRichTextToHtml(rich.constData(), nullptr, 0);
    QByteArray bytes(static_cast<int>(length) + 1, '\0');
    tsRichTextToHtml(rich.constData(), bytes.data(), static_cast<size_t>(bytes.size()));
    bytes.resize(static_cast<int>(length));
    const QString html = QString::fromUtf8(bytes);
    if (!linkify)
        return html;
    // Addresses in the (already escaped) text become links; matches inside
    // tags, such as the namespace of the document, are left alone.
    QString out;
    qsizetype at = 0;
    auto it = urlPattern().globalMatch(html);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const qsizetype open = html.lastIndexOf(QLatin1Char('<'), m.capturedStart());
        const qsizetype close = html.lastIndexOf(QLatin1Char('>'), m.capturedStart());
        if (open > close)
            continue;
        out += html.mid(at, m.capturedStart() - at);
        out += QStringLiteral("<a href=\"%1\">%1</a>").arg(m.captured());
        at = m.capturedEnd();
    }
    out += html.mid(at);
    return out;
}
#else
QString RichText::toHtml(const QByteArray &rich, bool linkify)
{
    // Plain text first (the rich-text converter of sounder), then escaped
    // here, so no text from a driver or a report reaches the browser as markup.
    const size_t length = tsRichTextToPlain(rich.constData(), nullptr, 0);
    QByteArray plain(static_cast<int>(length) + 1, '\0');
    tsRichTextToPlain(rich.constData(), plain.data(), static_cast<size_t>(plain.size()));
    plain.resize(static_cast<int>(length));
    const QString text = QString::fromUtf8(plain);

    QString html = QStringLiteral("<html><body style=\"white-space: pre-wrap\">");
    qsizetype at = 0;
    auto it = linkify ? urlPattern().globalMatch(text) : QRegularExpressionMatchIterator();
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
#endif

void RichText::setRichText(const QByteArray &rich)
{
    setHtml(toHtml(rich, autoUrl_));
}

} // namespace tessera
