/* Drives the test window from a second X connection on a thread of its
 * own: finds the window by its title, then sends keys (through XTest or as
 * synthetic events) and window-manager requests at set times. */
#ifndef TESSERA_TESTS_RENDER_X_INJECTOR_H
#define TESSERA_TESTS_RENDER_X_INJECTOR_H

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace rendertest {

enum class Action {
    AltPXTest,     /* Alt+P pressed and released through XTest */
    AltPSendEvent, /* Alt+P release as a synthetic event */
    ControlKey,    /* Ctrl+A pressed (synthetic events) */
    PlainKey,      /* A pressed (synthetic event) */
    CloseWindow,   /* WM_DELETE_WINDOW client message */
    DestroyWindow, /* another client destroys the window */
    Unmap,         /* the window is unmapped (as when minimised) */
    Map,           /* and mapped again */
    Callback,      /* runs the step's function on the injector thread */
    WaitForFrame,  /* waits until the harness counted a frame; the later
                    * steps' times then count from this step's time */
};

struct Step {
    int atMilliseconds; /* after the window was found */
    Action action;
    std::function<void()> callback = nullptr;
};

class XInjector {
public:
    explicit XInjector(std::vector<Step> steps, std::string title = "tessera");
    ~XInjector();
    /* Waits for the thread; true when the window was found and every step
     * was sent. */
    bool finish();
    std::string error() const { return error_; }

private:
    void run();
    std::vector<Step> steps_;
    std::string title_;
    std::thread thread_;
    std::atomic<bool> ok_{false};
    std::string error_;
};

} // namespace rendertest

#endif
