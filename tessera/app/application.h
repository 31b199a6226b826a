// The viewer's whole life: database, readings, Qt, language, main window,
// and the exit sequence on every way out.
#ifndef TESSERA_APP_APPLICATION_H
#define TESSERA_APP_APPLICATION_H

namespace tessera {

// True when a window system can be reached: a Qt platform that needs none
// (offscreen, minimal, vnc), a Wayland display, or an X display that opens.
bool displayAvailable();

// A write beyond the file-size limit (ulimit -f) fails with EFBIG and is
// reported like any failed save, instead of SIGXFSZ ending the program with
// its readings unsaved.  runViewer calls it first.
void ignoreFileSizeSignal();

// Runs the viewer; returns the process's exit status.
int runViewer(int argc, char **argv);

} // namespace tessera

#endif
