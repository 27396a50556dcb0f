// Starts a program and reports, in milliseconds, how long it takes from the start until its
// top-level window with the given title is mapped on the X server (MapNotify on the root window).
// Windows without a frame (a splash) and windows that belong to another one (a dialog) do not count.
//
//     MapTime TITLE PROGRAM [ARGUMENTS...]
//
// Run it on a display without a window manager, so that top-level windows stay children of the
// root window.  The program is ended with SIGTERM once its window is mapped.  Exit status 2 when
// the window does not appear within 20 seconds.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

double Now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

// The window's _NET_WM_NAME, else its WM_NAME; empty when it has neither.
std::string WindowTitle(Display* display, Window window)
{
    const Atom names[] = {XInternAtom(display, "_NET_WM_NAME", False), XA_WM_NAME};
    for (Atom name : names) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, name, 0, 1024, False, AnyPropertyType, &type, &format, &count, &after,
                               &data) == Success && data) {
            std::string title(reinterpret_cast<const char*>(data), count);
            XFree(data);
            if (type != None && format == 8)
                return title;
        }
    }
    return {};
}

// True for a window that asks for no frame (Motif hints, decorations 0) or belongs to another one.
bool IsSplashOrDialog(Display* display, Window window)
{
    Window owner = None;
    if (XGetTransientForHint(display, window, &owner) && owner != None)
        return true;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool frameless = false;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_MOTIF_WM_HINTS", False), 0, 5, False,
                           AnyPropertyType, &type, &format, &count, &after, &data) == Success && data) {
        const auto* hints = reinterpret_cast<const unsigned long*>(data);
        const unsigned long decorationsHint = 1ul << 1;
        frameless = format == 32 && count >= 3 && (hints[0] & decorationsHint) && hints[2] == 0;
        XFree(data);
    }
    return frameless;
}

int IgnoreErrors(Display*, XErrorEvent*)
{
    return 0; // a window that is gone before its title is read
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TITLE PROGRAM [ARGUMENTS...]\n", argv[0]);
        return 1;
    }
    const std::string title = argv[1];
    // A display just started may take a moment before it accepts connections.
    Display* display = XOpenDisplay(nullptr);
    for (int attempt = 0; !display && attempt < 40; ++attempt) {
        usleep(50000);
        display = XOpenDisplay(nullptr);
    }
    if (!display) {
        std::fprintf(stderr, "MapTime: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(IgnoreErrors);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const double start = Now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("MapTime: fork");
        return 1;
    }
    if (child == 0) {
        execvp(argv[2], argv + 2);
        std::perror("MapTime: exec");
        _exit(127);
    }

    double mapped = -1;
    const double deadline = start + 20000;
    while (mapped < 0 && Now() < deadline) {
        if (XPending(display) == 0) {
            pollfd fd{ConnectionNumber(display), POLLIN, 0};
            poll(&fd, 1, 50);
            if (waitpid(child, nullptr, WNOHANG) == child) {
                std::fprintf(stderr, "MapTime: %s ended before its window was mapped\n", argv[2]);
                XCloseDisplay(display);
                return 2;
            }
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && WindowTitle(display, event.xmap.window) == title
            && !IsSplashOrDialog(display, event.xmap.window))
            mapped = Now();
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    XCloseDisplay(display);
    if (mapped < 0) {
        std::fprintf(stderr, "MapTime: no window \"%s\" within 20 s\n", title.c_str());
        return 2;
    }
    std::printf("%.2f\n", mapped - start);
    return 0;
}
