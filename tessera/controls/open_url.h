// Opening web addresses and files with the desktop's handlers.
#ifndef TESSERA_CONTROLS_OPEN_URL_H
#define TESSERA_CONTROLS_OPEN_URL_H

#include <QString>

class QWidget;

namespace tessera {

// True for an address OpenUrl hands on: http, https and ftp with a host, or
// mailto.  Files, other schemes and text without a scheme are refused.
bool isOpenableUrl(const QString &text);

// Opens a web or mail address with the desktop (wait cursor meanwhile).  A
// refused address or a failure of the desktop is shown in a message box
// owned by parent; returns whether the address was handed on.
bool OpenUrl(QWidget *parent, const QString &text);

// Opens a local file the program wrote itself (a saved report) with the
// desktop's handler for its type.
bool openLocalFile(QWidget *parent, const QString &path);

} // namespace tessera

#endif
