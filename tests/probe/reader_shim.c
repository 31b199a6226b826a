/* Preloaded into the reader of reading 0 only (tsInfoReadAll turns
 * TESSERA_READER_PRELOAD into LD_PRELOAD of the readers): misbehaves inside
 * the first GLX request while the software rasteriser is selected, as a
 * broken driver would.  TESSERA_SHIM_MODE: segv, hang, kill (as the OOM
 * killer does), nodisplay (the display cannot be reached). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef struct _XDisplay Display;

static int softpipeSelected(void)
{
    const char *driver = getenv("GALLIUM_DRIVER");
    return driver && strcmp(driver, "softpipe") == 0;
}

static const char *mode(void)
{
    const char *m = getenv("TESSERA_SHIM_MODE");
    return m ? m : "";
}

__attribute__((constructor)) static void shimStart(void)
{
    /* Decided at start: the reader selects the rasteriser through its
     * environment before it opens the display. */
    if (softpipeSelected() && strcmp(mode(), "nodisplay") == 0)
        setenv("DISPLAY", ":9999", 1);
}

__attribute__((visibility("default"))) int glXQueryExtension(Display *dpy, int *errorBase,
                                                             int *eventBase)
{
    if (softpipeSelected()) {
        if (strcmp(mode(), "segv") == 0)
            raise(SIGSEGV);
        if (strcmp(mode(), "kill") == 0)
            raise(SIGKILL);
        if (strcmp(mode(), "hang") == 0)
            for (;;)
                pause();
    }
    int (*next)(Display *, int *, int *) =
        (int (*)(Display *, int *, int *))dlsym(RTLD_NEXT, "glXQueryExtension");
    return next ? next(dpy, errorBase, eventBase) : 0;
}
