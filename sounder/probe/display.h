/* Display facts of the window system: desktop size and depth, the modes of
 * the primary output, the monitors.  Each call opens its own short-lived
 * connection to the display named by $DISPLAY and closes it again; with no
 * display every list is empty and every number 0.  The backend implements
 * them (display_x11.cpp, which also takes a connection the caller holds:
 * display_x11.h); the EDID and timing helpers below are shared
 * (display.cpp). */
#ifndef SOUNDER_PROBE_DISPLAY_H
#define SOUNDER_PROBE_DISPLAY_H

#include <cstddef>
#include <string>
#include <vector>

namespace sounder {

struct DisplayModeInfo {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0; /* pixmap format of the root depth: depth 24 is 32 bpp */
    int refresh = 0;      /* Hz, dot clock / (htotal * vtotal) rounded; 0 when unknown */
};

struct MonitorInfo {
    std::string deviceName;   /* output name, e.g. "HDMI-1", "screen" */
    std::string deviceString; /* EDID monitor name (descriptor 0xFC), else the output name */
    bool primary = false;
};

/* Current desktop: root window size, bits per pixel, refresh of the current
 * mode of the primary output (0 when unknown).  false (all 0) without display. */
bool desktopMode(DisplayModeInfo &out);

/* Modes of the primary output (else the first connected one) in the output's
 * order. */
std::vector<DisplayModeInfo> listDisplayModes();

/* Modes of the output called name (a device name of listMonitors), in the
 * output's order.  Empty when there is no display, no RandR, no output of
 * that name, or the output has no modes. */
std::vector<DisplayModeInfo> listOutputModes(const char *name);

/* Connected outputs, primary first.  Empty without display or RandR. */
std::vector<MonitorInfo> listMonitors();

/* Helpers of the above, exposed for tests. */

/* Monitor name of an EDID block: the text of the display descriptor 0xFC,
 * cut at its line feed, trailing blanks removed, non-printable bytes
 * dropped.  Empty when the block is shorter than 128 bytes or has none. */
std::string edidMonitorName(const unsigned char *edid, size_t size);

/* Refresh in Hz of a mode: dot clock / (htotal * vtotal), rounded to the
 * nearest integer; 0 when any of them is 0 (Xvfb reports a zero clock). */
int refreshFromTimings(unsigned long dotClock, unsigned int htotal, unsigned int vtotal);

} // namespace sounder

#endif
