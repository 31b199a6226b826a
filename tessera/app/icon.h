// The program's icon, drawn from one description: a rounded tile with a lens
// over a tessellated grid.  The same shapes give the SVG file and every PNG
// size (tools/gen_icons.cpp), and the window icon at run time.
#ifndef TESSERA_APP_ICON_H
#define TESSERA_APP_ICON_H

#include <QIcon>
#include <QImage>
#include <QString>

namespace tessera {

// The icon drawn at size x size pixels.
QImage renderAppIcon(int size);
// The icon as an SVG document (a 256-unit canvas).
QString appIconSvg();
// The window icon: the installed theme icon when present, else drawn.
QIcon appIcon();

} // namespace tessera

#endif
