// xclose WINDOW: asks an X window to close, as a window manager's close button does.
#include <X11/Xlib.h>

#include <cstdlib>

int main(int argc, char *argv[])
{
    Display *x = XOpenDisplay(nullptr);
    if (!x || argc != 2)
        return 2;
    XSetErrorHandler([](Display *, XErrorEvent *) { return 0; }); // a window already gone is closed
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = strtoul(argv[1], nullptr, 0);
    close.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = long(XInternAtom(x, "WM_DELETE_WINDOW", False));
    const Status sent = XSendEvent(x, close.xclient.window, False, NoEventMask, &close);
    XCloseDisplay(x); // sends what is queued
    return sent ? 0 : 1;
}
