/* The system description: operating system, processor mode, desktop mode
 * and monitor name, plus the desktop facts and the Direct3D texts (which do
 * not exist on this platform and read "N/A"). */
#include "sounder/system.h"

#include "keel/keel.h"
#include "probe/display.h"

#include <cstring>

namespace {

/* The one "N/A" that tsInfoGetDXInfo hands out and that is never released. */
char notAvailable[] = "N/A";

void releaseText(char *&text)
{
    if (text && text != notAvailable)
        sysStrDupFree(text);
    text = nullptr;
}

} // namespace

extern "C" SOUNDER_API const char *tsInfoNotAvailableText(void)
{
    return notAvailable;
}

extern "C" SOUNDER_API int tsInfoGetDXInfo(char **versionText, char **shaderText)
{
    /* No Direct3D runtime exists here: both texts are the constant "N/A". */
    if (versionText)
        *versionText = notAvailable;
    if (shaderText)
        *shaderText = notAvailable;
    return 0;
}

extern "C" SOUNDER_API void tsInfoGetDesktop(int *width, int *height, int *bits)
{
    sounder::DisplayModeInfo mode;
    sounder::desktopMode(mode); /* all 0 without a display */
    if (width)
        *width = mode.width;
    if (height)
        *height = mode.height;
    if (bits)
        *bits = mode.bitsPerPixel;
}

extern "C" SOUNDER_API void tsSystemInfoRelease(tsSystemInfo *info)
{
    if (!info)
        return;
    releaseText(info->monitor);
    releaseText(info->dxVersion);
    releaseText(info->dxShaderModel);
}

extern "C" SOUNDER_API int tsDescribeSystem(tsSystemInfo *info, tsIcdList *icd, int withDirect3D)
{
    if (!info)
        return 0;
    tsSystemInfoRelease(info);

    info->system[0] = '\0';
    uint32_t level = 0;
    int32_t platform = 0;
    sysWin32GetSystemName(info->system, sizeof info->system, &level, &platform);

    if (icd)
        tsInfoGetICD(icd);

    /* The width this library was built for, not a fixed word. */
    sysSnPrintf(info->processorMode, sizeof info->processorMode, "%d-bit",
                static_cast<int>(sizeof(void *) * 8));

    sounder::DisplayModeInfo mode;
    sounder::desktopMode(mode);
    sysSnPrintf(info->desktopMode, sizeof info->desktopMode, " %d x %d x %d bpp (%d Hz)",
                mode.width, mode.height, mode.bitsPerPixel, mode.refresh);

    /* The primary (else first) connected output's EDID name, else its
     * output name, else a fixed text. */
    char monitor[TS_SYSTEM_MONITOR_SIZE] = "";
    std::vector<sounder::MonitorInfo> monitors = sounder::listMonitors();
    for (const sounder::MonitorInfo &m : monitors) {
        const std::string &text = !m.deviceString.empty() ? m.deviceString : m.deviceName;
        if (text.empty())
            continue;
        sysStrlCpy(monitor, text.c_str(), sizeof monitor);
        break;
    }
    if (!monitor[0])
        sysStrlCpy(monitor, "Default Monitor", sizeof monitor);
    info->monitor = sysStrDup(monitor);

    if (withDirect3D)
        tsInfoGetDXInfo(&info->dxVersion, &info->dxShaderModel);
    return 1;
}
