// Read-only rich text: the report's RTF subset shown in a QTextBrowser.
// Links are never followed by the browser itself: clicks go to OpenUrl,
// which accepts only web and mail addresses.
#ifndef TESSERA_CONTROLS_RICH_TEXT_H
#define TESSERA_CONTROLS_RICH_TEXT_H

#include <QTextBrowser>

namespace tessera {

class RichText : public QTextBrowser {
    Q_OBJECT
public:
    explicit RichText(QWidget *parent = nullptr);
    // Shows rich (an RTF fragment or document, UTF-8 text).
    void setRichText(const QByteArray &rich);
    // Turns http, https, ftp and mailto addresses in the text into links.
    void setAutoUrlDetect(bool on) { autoUrl_ = on; }
    bool autoUrlDetect() const { return autoUrl_; }

    // HTML for rich: the text converted, escaped, and with addresses linked
    // when linkify is set.
    static QString toHtml(const QByteArray &rich, bool linkify);

private:
    bool autoUrl_ = false;
};

} // namespace tessera

#endif
