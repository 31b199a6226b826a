/* DRM/KMS connectors and video memory from sysfs. */
#include "probe/display_drm.h"

#include <dirent.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace sounder {
namespace {

std::string g_root = "/sys/class/drm";

/* Directory entries that start with "card", sorted; connectors (with a '-')
 * or cards (without) as asked. */
std::vector<std::string> cardEntries(bool connectors)
{
    std::vector<std::string> names;
    DIR *dir = opendir(g_root.c_str());
    if (!dir)
        return names;
    while (dirent *entry = readdir(dir)) {
        if (strncmp(entry->d_name, "card", 4) != 0)
            continue;
        if ((strchr(entry->d_name, '-') != nullptr) == connectors)
            names.push_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string readSmallFile(const std::string &path, size_t limit)
{
    std::ifstream in(path, std::ios::binary);
    std::string text;
    char buffer[4096];
    while (in && text.size() < limit) {
        in.read(buffer, static_cast<std::streamsize>(std::min(sizeof buffer, limit - text.size())));
        text.append(buffer, static_cast<size_t>(in.gcount()));
    }
    return text;
}

} // namespace

void drmSetSysfsRoot(const char *path)
{
    g_root = path ? path : "/sys/class/drm";
}

std::vector<DrmConnector> drmConnectedConnectors()
{
    std::vector<DrmConnector> out;
    for (const std::string &entry : cardEntries(true)) {
        const std::string path = g_root + "/" + entry;
        std::string status = readSmallFile(path + "/status", 64);
        while (!status.empty() && (status.back() == '\n' || status.back() == ' '))
            status.pop_back();
        if (status != "connected")
            continue;
        out.push_back({entry.substr(entry.find('-') + 1), path});
    }
    return out;
}

std::vector<DisplayModeInfo> drmConnectorModes(const DrmConnector &connector)
{
    std::vector<DisplayModeInfo> modes;
    std::ifstream in(connector.path + "/modes");
    std::string line;
    while (modes.size() < 4096 && std::getline(in, line)) {
        /* "1920x1080", possibly followed by an "i" for interlaced modes. */
        unsigned width = 0, height = 0;
        if (sscanf(line.c_str(), "%5ux%5u", &width, &height) != 2 || !width || !height)
            continue;
        DisplayModeInfo mode;
        mode.width = static_cast<int>(width);
        mode.height = static_cast<int>(height);
        mode.bitsPerPixel = 32;
        modes.push_back(mode);
    }
    return modes;
}

bool drmDesktopMode(DisplayModeInfo &out)
{
    out = DisplayModeInfo();
    for (const DrmConnector &connector : drmConnectedConnectors()) {
        std::vector<DisplayModeInfo> modes = drmConnectorModes(connector);
        if (!modes.empty()) {
            out = modes.front();
            return true;
        }
    }
    return false;
}

std::vector<DisplayModeInfo> drmListDisplayModes()
{
    for (const DrmConnector &connector : drmConnectedConnectors()) {
        std::vector<DisplayModeInfo> modes = drmConnectorModes(connector);
        if (!modes.empty())
            return modes;
    }
    return {};
}

std::vector<DisplayModeInfo> drmListOutputModes(const char *name)
{
    if (!name || !*name)
        return {};
    for (const DrmConnector &connector : drmConnectedConnectors())
        if (connector.name == name)
            return drmConnectorModes(connector);
    return {};
}

std::vector<MonitorInfo> drmListMonitors()
{
    std::vector<MonitorInfo> monitors;
    for (const DrmConnector &connector : drmConnectedConnectors()) {
        MonitorInfo monitor;
        monitor.deviceName = connector.name;
        const std::string edid = readSmallFile(connector.path + "/edid", 32768);
        monitor.deviceString =
            edidMonitorName(reinterpret_cast<const unsigned char *>(edid.data()), edid.size());
        if (monitor.deviceString.empty())
            monitor.deviceString = connector.name;
        /* The first connected output drives the desktop. */
        monitor.primary = monitors.empty();
        monitors.push_back(monitor);
    }
    return monitors;
}

uint64_t drmVideoMemoryBytes()
{
    for (const std::string &card : cardEntries(false)) {
        const std::string text =
            readSmallFile(g_root + "/" + card + "/device/mem_info_vram_total", 64);
        unsigned long long value = 0;
        if (sscanf(text.c_str(), "%llu", &value) == 1 && value > 0)
            return value;
    }
    return 0;
}

} // namespace sounder
