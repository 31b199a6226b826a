/* The display facts of display.h on a connection the caller already holds
 * (a reader that asks everything over one connection).  The connection's
 * errors are trapped for the duration of each call; a null or lost
 * connection gives what no display gives (false, empty lists). */
#ifndef SOUNDER_PROBE_DISPLAY_X11_H
#define SOUNDER_PROBE_DISPLAY_X11_H

#include <X11/Xlib.h>

#include "probe/display.h"

namespace sounder {

bool desktopMode(Display *connection, DisplayModeInfo &out);
std::vector<DisplayModeInfo> listDisplayModes(Display *connection);
std::vector<DisplayModeInfo> listOutputModes(Display *connection, const char *name);
std::vector<MonitorInfo> listMonitors(Display *connection);

} // namespace sounder

#endif
