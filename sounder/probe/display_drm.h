/* Display facts read from the kernel's DRM/KMS connectors in sysfs
 * (/sys/class/drm/card<N>-<connector>/{status,modes,edid}) and the video
 * memory that an amdgpu-style driver exposes there.  Used by window-system
 * backends that have no display server to ask (EGL): on a machine without
 * a display controller every list is empty and every number 0. */
#ifndef SOUNDER_PROBE_DISPLAY_DRM_H
#define SOUNDER_PROBE_DISPLAY_DRM_H

#include <stdint.h>

#include <string>
#include <vector>

#include "probe/display.h"

namespace sounder {

/* The sysfs directory holding the DRM class ("/sys/class/drm" unless a test
 * points it elsewhere; null restores the default). */
void drmSetSysfsRoot(const char *path);

/* A connector whose status is "connected", in name order. */
struct DrmConnector {
    std::string name; /* "HDMI-A-1": the directory name without "card<N>-" */
    std::string path; /* its sysfs directory */
};
std::vector<DrmConnector> drmConnectedConnectors();

/* Modes of a connector in the kernel's order (preferred first).  sysfs
 * gives no timings, so refresh is 0; bits per pixel is 32, the depth of the
 * XRGB8888 scan-out every KMS driver offers. */
std::vector<DisplayModeInfo> drmConnectorModes(const DrmConnector &connector);

bool drmDesktopMode(DisplayModeInfo &out);
std::vector<DisplayModeInfo> drmListDisplayModes();
std::vector<DisplayModeInfo> drmListOutputModes(const char *name);
std::vector<MonitorInfo> drmListMonitors();

/* The first card's mem_info_vram_total in bytes; 0 when no card has one. */
uint64_t drmVideoMemoryBytes();

} // namespace sounder

#endif
