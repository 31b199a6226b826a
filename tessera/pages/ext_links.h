// Links from an extension name to its documentation on the site chosen in
// the Database menu, the renderer list that stands in for a site at index 5,
// and the texts the pages format with the safe formatter.
#ifndef TESSERA_PAGES_EXT_LINKS_H
#define TESSERA_PAGES_EXT_LINKS_H

#include <QString>

struct tsDatabase;
class QWidget;

namespace tessera {

constexpr int kRendererListSite = 5; // the site index that lists renderers instead

// Whether text names an extension the links know: it begins with "GL_",
// "WGL_" or "GLX_".
bool isExtensionName(const QString &text);

// Whether text is an address OpenUrl may open from these pages: http, https
// or ftp with a host.
bool isWebAddress(const QString &text);

// The documentation address of extension name on site index (0-7): the
// site's base text followed by the percent-encoded path of
// tsCreateExtensionLink.  The registry (0) and its mirror (7) keep each
// extension text as "<vendor>/<name>.txt", the name without "GL_" but with
// "WGL_" or "GLX_"; both are written that way.  "" for index 5, an index
// outside 0-7 or a site without base text.
QString extensionLink(int index, const QString &name);

// The renderers the database knows to expose exactly name: for each, its
// name, "(", its version and ")", then "\n " after the first and after
// every eighth, ", " otherwise.  "" when the database lacks the name.
QString rendererListText(const tsDatabase *db, const QString &name);

// Shows text in the scrollable, read-only "Search results" box.
void showSearchResults(QWidget *parent, const QString &text);

// Opens the documentation of name on site index through OpenUrl, or for
// index 5 shows the renderer list.  Returns whether something was shown.
bool openExtensionLink(QWidget *parent, const tsDatabase *db, int index, const QString &name);

// LoadText(id) used as a format for one text argument, through the
// library's checked formatter.
QString formatWithText(int id, const QString &argument);
// LoadText(id) used as a format for one integer argument.
QString formatWithNumber(int id, long long value);

} // namespace tessera

#endif
