/* Events of the probe window, the same for every window system: the
 * backend turns its native events into these and hands them to the
 * window's handler. */
#ifndef SOUNDER_PROBE_WINDOW_EVENT_H
#define SOUNDER_PROBE_WINDOW_EVENT_H

enum InfoEventType {
    infoEventClose = 1, /* the user or window manager asks the window to close */
    infoEventResize,    /* new client size in width x height */
    infoEventActivate,  /* shown or restored (active true), hidden or minimised (false) */
    infoEventDestroyed, /* the window was destroyed by someone else */
    infoEventExpose,    /* the window's content must be drawn again */
    infoEventKeyDown,
    infoEventKeyUp
};

/* Keys without a character of their own (InfoEvent::key). */
enum { infoKeyOther = 0, infoKeyControl = -1, infoKeyAlt = -2 };

/* Modifier bits (InfoEvent::modifiers): held while the key event happened. */
enum { infoModifierControl = 1, infoModifierAlt = 2 };

struct InfoEvent {
    InfoEventType type;
    int width = 0, height = 0; /* infoEventResize */
    bool active = false;       /* infoEventActivate */
    /* infoEventKeyDown / KeyUp: the key's character without modifiers, in
     * lower case ('p'), or infoKeyControl / infoKeyAlt for the modifier
     * keys themselves, infoKeyOther for any other key. */
    int key = infoKeyOther;
    unsigned modifiers = 0;

    explicit InfoEvent(InfoEventType t) : type(t) {}
};

/* Event handler of the probe window.  Return non-zero when the event was
 * handled; 0 passes it on to infoDefaultEventHandler (which turns a close
 * request into a quit request). */
typedef int (*InfoEventHandler)(const InfoEvent *event, void *user);

#endif
