// Starts one program and measures it, for bench/desktop/startup.sh (which compiles this):
//   launch_probe [--name TITLE] [--class CLASS] [--pid] [--timeout S] [--memory-at MS] -- CMD...
// Prints "MAP_MS RSS_KIB HWM_KIB": milliseconds from just before exec to the first viewable
// window that has the title TITLE and/or the class (instance or class name) CLASS and, with
// --pid, the program's _NET_WM_PID; then VmRSS and VmHWM of the process MS milliseconds after
// exec (default 2000). The program is then stopped. On failure prints "fail REASON".
//
// Map events of the root's children wake the search, so the figure is not a polling interval;
// a scan every 20 ms catches a title set after the window was mapped.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Criteria {
    std::optional<std::string> name, cls;
    bool pid = false;
};

Display* dpy = nullptr;
Atom netWmPid, netWmName, utf8;

std::optional<std::string> textProperty(Window w, Atom prop, Atom type) {
    Atom actual;
    int format;
    unsigned long n, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, w, prop, 0, 1024, False, type, &actual, &format, &n, &after, &data) != Success ||
        data == nullptr)
        return std::nullopt;
    std::string s(reinterpret_cast<char*>(data), n);
    XFree(data);
    if (actual == None) return std::nullopt;
    return s;
}

bool matches(Window w, const Criteria& c, pid_t pid) {
    if (c.name) {
        auto title = textProperty(w, netWmName, utf8);
        if (!title) title = textProperty(w, XA_WM_NAME, XA_STRING);
        if (!title || *title != *c.name) return false;
    }
    if (c.cls) {
        XClassHint hint{};
        if (!XGetClassHint(dpy, w, &hint)) return false;
        const bool ok = (hint.res_name && *c.cls == hint.res_name) || (hint.res_class && *c.cls == hint.res_class);
        if (hint.res_name) XFree(hint.res_name);
        if (hint.res_class) XFree(hint.res_class);
        if (!ok) return false;
    }
    if (c.pid) {
        Atom actual;
        int format;
        unsigned long n, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy, w, netWmPid, 0, 1, False, XA_CARDINAL, &actual, &format, &n, &after, &data) !=
                Success ||
            data == nullptr)
            return false;
        const long value = n == 1 ? *reinterpret_cast<long*>(data) : -1;
        XFree(data);
        if (value != pid) return false;
    }
    XWindowAttributes a;
    return XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
}

// Looks through the tree below w (a window manager puts clients two levels down).
bool search(Window w, const Criteria& c, pid_t pid, int depth) {
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(dpy, w, &root, &parent, &children, &n)) return false;
    bool found = false;
    for (unsigned int i = 0; i < n && !found; ++i)
        found = matches(children[i], c, pid) || (depth < 3 && search(children[i], c, pid, depth + 1));
    if (children) XFree(children);
    return found;
}

int ignoreErrors(Display*, XErrorEvent*) { return 0; }  // windows come and go while we look

long statusKib(pid_t pid, const char* key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
    return -1;
}

void stop(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 30; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        usleep(100000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

double msSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

}  // namespace

int main(int argc, char** argv) {
    Criteria c;
    double timeoutS = 15, memoryAtMs = 2000;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        const std::string a = argv[i];
        if (a == "--name" && i + 1 < argc) c.name = argv[++i];
        else if (a == "--class" && i + 1 < argc) c.cls = argv[++i];
        else if (a == "--pid") c.pid = true;
        else if (a == "--timeout" && i + 1 < argc) timeoutS = std::atof(argv[++i]);
        else if (a == "--memory-at" && i + 1 < argc) memoryAtMs = std::atof(argv[++i]);
        else {
            std::fprintf(stderr, "launch_probe: unknown option %s\n", argv[i]);
            return 2;
        }
    }
    if (i + 1 >= argc || (!c.name && !c.cls && !c.pid)) {
        std::fprintf(stderr, "usage: launch_probe [--name T] [--class C] [--pid] [--timeout S] [--memory-at MS] -- CMD...\n");
        return 2;
    }
    char** cmd = argv + i + 1;

    dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::printf("fail no-display\n");
        return 1;
    }
    XSetErrorHandler(ignoreErrors);
    netWmPid = XInternAtom(dpy, "_NET_WM_PID", False);
    netWmName = XInternAtom(dpy, "_NET_WM_NAME", False);
    utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    const Window root = DefaultRootWindow(dpy);
    XSelectInput(dpy, root, SubstructureNotifyMask);
    XSync(dpy, False);

    const Clock::time_point t0 = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        close(ConnectionNumber(dpy));
        dup2(STDERR_FILENO, STDOUT_FILENO);  // our output is the measurement alone
        execvp(cmd[0], cmd);
        _exit(127);
    }
    if (pid < 0) {
        std::printf("fail fork\n");
        return 1;
    }

    std::optional<double> mapMs;
    Clock::time_point lastScan = Clock::now() - std::chrono::hours(1);
    while (!mapMs) {
        bool look = false;
        while (XPending(dpy)) {
            XEvent e;
            XNextEvent(dpy, &e);
            look |= e.type == MapNotify || e.type == ReparentNotify;
        }
        if (look || Clock::now() - lastScan >= std::chrono::milliseconds(20)) {
            if (search(root, c, pid, 0)) {
                mapMs = msSince(t0);
                break;
            }
            lastScan = Clock::now();
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            std::printf("fail exited\n");
            return 1;
        }
        if (msSince(t0) > timeoutS * 1000) {
            stop(pid);
            std::printf("fail no-window\n");
            return 1;
        }
        pollfd p{ConnectionNumber(dpy), POLLIN, 0};
        poll(&p, 1, 5);
    }

    const double rest = memoryAtMs - msSince(t0);
    if (rest > 0) usleep(static_cast<useconds_t>(rest * 1000));
    const long rss = statusKib(pid, "VmRSS:"), hwm = statusKib(pid, "VmHWM:");
    stop(pid);
    if (rss < 0 || hwm < 0) {
        std::printf("fail gone-before-memory\n");
        return 1;
    }
    std::printf("%.0f %ld %ld\n", *mapMs, rss, hwm);
    XCloseDisplay(dpy);
    return 0;
}
