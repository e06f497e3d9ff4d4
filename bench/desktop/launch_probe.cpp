// Starts one program under X and measures it, for bench/desktop/compare.sh (which compiles
// this with -lX11 -lXdamage):
//
//   launch_probe [criteria] [options] -- CMD...
//
// Criteria for the program's main window (the first viewable one, not override-redirect, that
// meets all given):
//   --name TITLE  --class CLASS (instance or class name)  --pid (_NET_WM_PID is the program)
// Options:
//   --timeout S          give up waiting for the window after S seconds (15)
//   --quiet MS           a paint is the last one when the screen then stays quiet this long (1000)
//   --memory-at MS       VmRSS and VmHWM this long after exec (2000; 0 skips)
//   --idle FROM,TO       CPU time and context switches of all threads between (2000,12000; 0,0 skips)
//   --idle-late MS       ... and the switches from this time on, apart (4000: after a splash)
//   --keys FILE          then type the xdotool key names in FILE (blank separated)
//   --queued             ... into the stopped program (SIGSTOP, send, SIGCONT) instead of at once
//   --delay MS           xdotool's pause between keys (0: full speed)
//   --settle MS          keys go no earlier than this long after exec (4000)
//   --copy KEYS          afterwards copy with this xdotool key (ctrl+c) and read the clipboard ...
//   --click X,Y          ... or click there (window pixels) and read the primary selection
//   --expect NUMBER      the number the read text must be
//   --key-to-pixel N     then, instead of --keys, N single keys (digits 1 to 9 in turn, Enter
//                        after every --enter-every of them) sent with XTest --key-gap MS apart:
//                        ms from each press to the first damage of the main window whose pixels
//                        differ from those right before the press
//   --key-gap MS         (50) --enter-every K (6) --key-wait MS: a key with no visible effect by
//                        then counts as none (1000) --root-damage: the root's damage inside the
//                        window's area instead of the window's own
//   --trace              every damage rectangle on stderr
//   --files-out FILE     at the end, the files the program has mapped (its libraries, fonts,
//                        caches), one per line: compare.sh reads them in before the next start
//   --summon PID         CMD only asks the program PID, which runs already with its main window
//                        hidden, to show it (quorva --toggle): ms from exec to the window mapped
//                        and to the last paint, and CMD's peak RSS (wait4's ru_maxrss, KiB):
//                        prints map paint rss; PID is neither stopped nor ended
//   --dismiss PID        the same with the window shown: it gets the focus, then CMD runs; ms
//                        from exec to the window unmapped, and CMD's peak RSS: prints unmap rss
//
// Prints one line of NAME=VALUE fields (times in ms from exec, or from the first key):
//   map paint main_paint rss hwm idle_cpu idle_csw idle_late_csw idle_threads idle_when keys text ok
// idle_when lists the tenths of a second in which the idle program switched, as S:COUNT.
// and "fail=REASON" when a step could not be done. The program is stopped at the end.
// --key-to-pixel adds k2p_keys k2p_none (keys without a visible effect) k2p_cpu_us (the CPU time
// of all the program's threads over the keys, per key) k2p_median k2p_p95 k2p_max and k2p
// (every key's ms in turn, comma separated, "-" for one without an effect).
//
// Paints are seen as X Damage on the root window, so everything drawn on the screen counts;
// main_paint is the last paint of the start drawn into the main window itself (X Damage on
// every top-level window from its creation), without a splash or a second window;
// rectangles at most 10 pixels wide and 40 high are a blinking text cursor and do
// not. Map events wake the
// window search, so no figure is a polling interval.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Criteria {
    std::optional<std::string> name, cls;
    bool pid = false;
};

struct Options {
    Criteria criteria;
    double timeoutS = 15, quietMs = 1000, memoryAtMs = 2000, idleFromMs = 2000, idleToMs = 12000,
           idleLateMs = 4000;
    std::string keysFile;
    bool queued = false;
    int delayMs = 0;
    double settleMs = 4000;
    std::string copyKeys;
    std::optional<std::pair<int, int>> click;
    std::optional<double> expect;
    int keyToPixel = 0, keyGapMs = 50, enterEvery = 6, keyWaitMs = 1000;
    bool rootDamage = false;
};

Display* dpy = nullptr;
Window root = 0;
Window selectionWindow = 0;  // ours: owning a selection tells us when the program takes it
Atom netWmPid, netWmName, utf8, netActive, netWmCheck;
int damageEvent = 0;
Clock::time_point t0;
pid_t child = -1;
pid_t watched = -1;  // --summon, --dismiss: the program already running; else child
pid_t target() { return watched > 0 ? watched : child; }
std::ostringstream out;
bool trace = false;  // --trace: every damage rectangle on stderr
// --summon: when drain() first read a MapNotify since it was last cleared
std::optional<Clock::time_point> mapSeenAt;
std::map<Window, Clock::time_point> mapReadAt;  // when drain() read each window's last MapNotify

// When the window found viewable became so: the latest map event read of it and the windows
// above it (a manager's frame), read before the search that found it ended; without one, now.
Clock::time_point viewableSince(Window w) {
    std::optional<Clock::time_point> at;
    for (Window x = w; x != 0 && x != root;) {
        if (const auto i = mapReadAt.find(x); i != mapReadAt.end() && (!at || i->second > *at)) at = i->second;
        Window r, parent, *children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(dpy, x, &r, &parent, &children, &n)) break;
        if (children) XFree(children);
        x = parent;
    }
    return at.value_or(Clock::now());
}
std::string filesOut;  // --files-out

// The files behind the program's mappings, each once, in the order first seen: taken when the
// start is done and again at the end, as some (a splash's fonts) are let go in between.
std::vector<std::string> mappedFiles;
void collectMappedFiles() {
    std::ifstream maps("/proc/" + std::to_string(child) + "/maps");
    for (std::string line; std::getline(maps, line);) {
        const auto slash = line.find('/');
        if (slash == std::string::npos || line.ends_with(" (deleted)")) continue;
        std::string path = line.substr(slash);
        if (std::find(mappedFiles.begin(), mappedFiles.end(), path) == mappedFiles.end())
            mappedFiles.push_back(std::move(path));
    }
}
void writeMappedFiles() {
    collectMappedFiles();
    std::ofstream to(filesOut);
    for (const auto& f : mappedFiles) to << f << '\n';
}

double msSince(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

[[noreturn]] void finish(int code) {
    if (child > 0) {
        if (!filesOut.empty()) writeMappedFiles();
        kill(-child, SIGCONT);
        kill(-child, SIGTERM);
        for (int i = 0; i < 30 && waitpid(child, nullptr, WNOHANG) != child; ++i) usleep(100000);
        kill(-child, SIGKILL);
        waitpid(child, nullptr, WNOHANG);
    }
    std::printf("%s\n", out.str().c_str());
    std::fflush(stdout);
    std::_Exit(code);
}

[[noreturn]] void fail(const std::string& reason) {
    out << " fail=" << reason;
    finish(1);
}

std::optional<std::string> textProperty(Window w, Atom prop, Atom type) {
    Atom actual;
    int format;
    unsigned long n, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, w, prop, 0, 1024, False, type, &actual, &format, &n, &after, &data) !=
            Success ||
        data == nullptr)
        return std::nullopt;
    std::string s(reinterpret_cast<char*>(data), n);
    XFree(data);
    if (actual == None) return std::nullopt;
    return s;
}

bool matchesIdentity(Window w, const Criteria& c) {
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
        if (value != target()) return false;
    }
    return true;
}

bool viewable(Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
}

// A main window is one a window manager would manage: a splash that bypasses it (mapped before
// the main window when a manager delays that one's map) is not taken for it.
bool viewableMain(Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable && !a.override_redirect;
}

// The first window below w with the program's class and pid for which stop() is true, or 0. A
// window manager puts clients two levels down; nothing is looked for inside a match.
template <typename Stop>
Window walk(Window w, const Criteria& c, Stop stop, int depth = 0) {
    Window r, parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(dpy, w, &r, &parent, &children, &n)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < n && !found; ++i) {
        if (matchesIdentity(children[i], c)) {
            if (stop(children[i])) found = children[i];
        } else if (depth < 3) {
            found = walk(children[i], c, stop, depth + 1);
        }
    }
    if (children) XFree(children);
    return found;
}

Window search(Window w, const Criteria& c) { return walk(w, c, viewableMain); }

// Every window below w that meets the criteria, shown or not.
std::vector<Window> collect(Window w, const Criteria& c) {
    std::vector<Window> found;
    walk(w, c, [&](Window x) { found.push_back(x); return false; });
    return found;
}

int ignoreErrors(Display*, XErrorEvent*) { return 0; }  // windows come and go while we look

// --- /proc ---

long statusKib(pid_t pid, const char* key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
    return -1;
}

// utime + stime in clock ticks from a stat line, and the state letter.
bool parseStat(const std::string& path, long long& ticks, char& state) {
    std::ifstream in(path);
    std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = s.rfind(')');
    if (close == std::string::npos) return false;
    std::istringstream rest(s.substr(close + 2));
    std::vector<std::string> f{std::istream_iterator<std::string>(rest), {}};
    if (f.size() < 13) return false;
    state = f[0][0];
    ticks = std::atoll(f[11].c_str()) + std::atoll(f[12].c_str());  // fields 14 and 15
    return true;
}

long long processTicks() {
    long long t = 0;
    char state;
    return parseStat("/proc/" + std::to_string(target()) + "/stat", t, state) ? t : -1;
}

char processState() {
    long long t;
    char state = '?';
    parseStat("/proc/" + std::to_string(child) + "/stat", t, state);
    return state;
}

// The CPU time all the program's threads have run, in ns (schedstat: finer than clock ticks).
long long runNs() {
    long long ns = 0;
    const std::string dir = "/proc/" + std::to_string(child) + "/task";
    DIR* d = opendir(dir.c_str());
    if (!d) return -1;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        std::ifstream in(dir + "/" + e->d_name + "/schedstat");
        long long t = 0;
        if (in >> t) ns += t;
    }
    closedir(d);
    return ns;
}

struct ThreadCost {
    long long ticks = 0, switches = 0;
};

std::map<long, ThreadCost> threadCosts() {
    std::map<long, ThreadCost> costs;
    const std::string dir = "/proc/" + std::to_string(child) + "/task";
    DIR* d = opendir(dir.c_str());
    if (!d) return costs;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        ThreadCost c;
        char state;
        if (!parseStat(dir + "/" + e->d_name + "/stat", c.ticks, state)) continue;
        std::ifstream in(dir + "/" + e->d_name + "/status");
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                c.switches += std::atoll(line.c_str() + line.find(':') + 1);
        }
        costs[std::atol(e->d_name)] = c;
    }
    closedir(d);
    return costs;
}

long long SwitchesOf(const std::map<long, ThreadCost>& costs) {
    long long n = 0;
    for (const auto& [tid, cost] : costs) n += cost.switches;
    return n;
}

// --- the screen ---

struct Screen {
    std::optional<Clock::time_point> lastPaint;
    std::map<Window, Clock::time_point> lastPaintOf;  // per top-level window
    // CPU samples every 100 ms, to tell a quiet screen from a program busy without painting.
    std::vector<std::pair<Clock::time_point, long long>> cpu;
    Clock::time_point lastSample{};
} screen;

void sampleCpu() {
    if (Clock::now() - screen.lastSample < std::chrono::milliseconds(100)) return;
    screen.lastSample = Clock::now();
    screen.cpu.emplace_back(screen.lastSample, processTicks());
    if (screen.cpu.size() > 100) screen.cpu.erase(screen.cpu.begin(), screen.cpu.begin() + 50);
}

// A text cursor blinking: narrow and no taller than a line.
bool IsCursor(const XRectangle& r) { return r.width <= 10 && r.height <= 40; }

bool unmapSeen = false;  // an UnmapNotify came since this was last cleared

// --key-to-pixel: the damage object watched, and its rectangles with when each was read.
Damage timedDamage = 0;
std::vector<std::pair<Clock::time_point, XRectangle>> timedRects;

// Takes what the X server sent; returns whether a window was mapped or reparented.
bool drain() {
    bool mapped = false;
    while (XPending(dpy)) {
        XEvent e;
        XNextEvent(dpy, &e);
        if (e.type == damageEvent + XDamageNotify) {
            const auto& d = reinterpret_cast<XDamageNotifyEvent&>(e);
            if (timedDamage != 0 && d.damage == timedDamage) timedRects.emplace_back(Clock::now(), d.area);
            if (trace)
                std::fprintf(stderr, "%9.1f damage %dx%d+%d+%d %s 0x%lx%s\n", msSince(t0), d.area.width,
                             d.area.height, d.area.x, d.area.y, d.drawable == root ? "root" : "window", d.drawable,
                             IsCursor(d.area) ? " (cursor)" : "");
            if (!IsCursor(d.area)) {
                if (d.drawable == root) screen.lastPaint = Clock::now();
                else screen.lastPaintOf[d.drawable] = Clock::now();
            }
        } else if (e.type == CreateNotify) {
            // Watched from its creation, before it can be mapped and drawn.
            if (e.xcreatewindow.parent == root) {
                XDamageCreate(dpy, e.xcreatewindow.window, XDamageReportRawRectangles);
                // its own map events, also once a window manager has put it in a frame
                XSelectInput(dpy, e.xcreatewindow.window, StructureNotifyMask);
            }
        } else {
            mapped |= e.type == MapNotify || e.type == ReparentNotify;
            if (e.type == MapNotify) {
                if (!mapSeenAt) mapSeenAt = Clock::now();
                mapReadAt[e.xmap.window] = Clock::now();
            }
            unmapSeen |= e.type == UnmapNotify;
        }
    }
    return mapped;
}

void wait(int ms) {
    pollfd p{ConnectionNumber(dpy), POLLIN, 0};
    poll(&p, 1, ms);
}

void checkAlive() {
    if (child <= 0) return;  // --summon, --dismiss: the command may end, the program was not ours
    if (waitpid(child, nullptr, WNOHANG) == child) {
        child = -1;
        fail("exited");
    }
}

// Whether the screen has been quiet for quietMs after `since` while the program used almost
// no CPU (at most 5% of the stretch): a program busy without painting is not done.
bool quietNow(const Options& o, Clock::time_point since) {
    const Clock::time_point from = screen.lastPaint && *screen.lastPaint > since ? *screen.lastPaint : since;
    if (msSince(from) < o.quietMs) return false;
    const auto cutoff = Clock::now() - std::chrono::milliseconds(static_cast<int>(o.quietMs));
    long long before = -1;
    for (const auto& [when, ticks] : screen.cpu)
        if (when <= cutoff) before = ticks;
    const long long now = processTicks();
    const double tickMs = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    return before >= 0 && now >= 0 && (now - before) * tickMs <= 0.05 * o.quietMs;
}

std::optional<Clock::time_point> paintAfter(Clock::time_point since) {
    if (screen.lastPaint && *screen.lastPaint > since) return screen.lastPaint;
    return std::nullopt;
}

// Runs the event loop until quietNow; returns the last paint after `since` (none when nothing
// was drawn), or fails after timeoutMs.
std::optional<Clock::time_point> waitQuiet(const Options& o, Clock::time_point since, double timeoutMs,
                                           const char* what) {
    const Clock::time_point start = Clock::now();
    while (true) {
        drain();
        checkAlive();
        sampleCpu();
        if (quietNow(o, since)) return paintAfter(since);
        if (msSince(start) > timeoutMs) fail(std::string("never-quiet-") + what);
        wait(20);
    }
}

// Runs the event loop until msAfterExec.
void runUntil(double msAfterExec) {
    while (msSince(t0) < msAfterExec) {
        drain();
        checkAlive();
        sampleCpu();
        wait(std::max(1, std::min(20, static_cast<int>(msAfterExec - msSince(t0)))));
    }
}

bool hasWindowManager() {
    Atom actual;
    int format;
    unsigned long n, after;
    unsigned char* data = nullptr;
    const bool wm = XGetWindowProperty(dpy, root, netWmCheck, 0, 1, False, XA_WINDOW, &actual, &format, &n,
                                       &after, &data) == Success &&
                    data != nullptr && n == 1;
    if (data) XFree(data);
    return wm;
}

bool isInside(Window w, Window top) {
    for (int depth = 0; w != 0 && w != root && depth < 10; ++depth) {
        if (w == top) return true;
        Window r, parent, *children = nullptr;
        unsigned int n;
        if (!XQueryTree(dpy, w, &r, &parent, &children, &n)) return false;
        if (children) XFree(children);
        w = parent;
    }
    return false;
}

void focus(Window w) {
    if (hasWindowManager()) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = netActive;
        e.xclient.format = 32;
        e.xclient.data.l[0] = 2;  // from a pager: the window manager does as it is told
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    } else {
        XSetInputFocus(dpy, w, RevertToPointerRoot, CurrentTime);
    }
    XSync(dpy, False);
    for (int i = 0; i < 100; ++i) {
        Window f;
        int revert;
        XGetInputFocus(dpy, &f, &revert);
        if (isInside(f, w)) return;
        drain();
        usleep(10000);
    }
    fail("no-focus");
}

// Runs argv and waits for it; returns its standard output.
std::optional<std::string> run(const std::vector<std::string>& argv) {
    int fds[2];
    if (pipe(fds) != 0) return std::nullopt;
    const pid_t p = fork();
    if (p == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        close(ConnectionNumber(dpy));
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(fds[1]);
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(p, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return text;
}

std::string trimmed(std::string s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    const auto e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// Copies the result out of the program and compares it with the expected number.
void readBack(const Options& o, Window w) {
    const char* selName = o.click ? "PRIMARY" : "CLIPBOARD";
    const Atom sel = XInternAtom(dpy, selName, False);
    XSetSelectionOwner(dpy, sel, selectionWindow, CurrentTime);
    XSync(dpy, False);
    if (o.click) {
        if (!run({"xdotool", "mousemove", "--sync", "--window", std::to_string(w), std::to_string(o.click->first),
                  std::to_string(o.click->second), "click", "1"}))
            fail("click");
        const int sw = DisplayWidth(dpy, DefaultScreen(dpy)), sh = DisplayHeight(dpy, DefaultScreen(dpy));
        XWarpPointer(dpy, None, root, 0, 0, 0, 0, sw - 1, sh - 1);
    } else if (!run({"xdotool", "key", o.copyKeys})) {
        fail("copy-key");
    }
    for (int i = 0; XGetSelectionOwner(dpy, sel) == selectionWindow; ++i) {
        if (i > 500) fail("nothing-copied");
        drain();
        usleep(20000);
    }
    const auto text = run({"timeout", "20", "xclip", "-o", "-selection", o.click ? "primary" : "clipboard"});
    if (!text) fail("clipboard-unreadable");
    std::string t = trimmed(*text);
    for (char& c : t)
        if (c == ' ') c = '_';
    out << " text=" << (t.empty() ? "(empty)" : t.substr(0, 40));
    if (o.expect) {
        std::string n = trimmed(*text);
        for (char& c : n)
            if (c == ',') c = '.';
        char* end = nullptr;
        const double v = std::strtod(n.c_str(), &end);
        const bool ok = end != n.c_str() && trimmed(end).find_first_not_of(".") == std::string::npos &&
                        std::fabs(v - *o.expect) < 1e-9 * std::max(1.0, std::fabs(*o.expect));
        out << " ok=" << (ok ? 1 : 0);
    }
}

std::vector<std::string> readKeys(const std::string& file) {
    std::ifstream in(file);
    std::vector<std::string> keys{std::istream_iterator<std::string>(in), {}};
    if (keys.empty()) fail("no-keys");
    return keys;
}

// Runs the command that only talks to the running program, and reaps it: its peak RSS in KiB.
pid_t startCommand(char** cmd) {
    const pid_t p = fork();
    if (p == 0) {
        close(ConnectionNumber(dpy));
        dup2(STDERR_FILENO, STDOUT_FILENO);
        execvp(cmd[0], cmd);
        _exit(127);
    }
    if (p < 0) fail("fork");
    return p;
}

void reap(pid_t p) {
    int status = 0;
    rusage usage{};
    if (wait4(p, &status, 0, &usage) != p) fail("lost-command");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) fail("command-status");
    out << " rss=" << usage.ru_maxrss;
}

// --summon and --dismiss. No tree search runs while the command works: a search is dozens of
// round trips, and the events it delays would be timed late. The program's windows are known
// beforehand and watched; a map is timed when its event is read, once the window is viewable
// (a window manager may map the client before its frame).
[[noreturn]] void toggleRun(const Options& o, char** cmd, bool summon) {
    Window w = 0;
    std::vector<Window> windows;
    if (!summon) {
        w = search(root, o.criteria);
        if (!w) fail("not-shown");
        focus(w);
        waitQuiet(o, Clock::now(), 10000, "after-focus");
        windows.push_back(w);
    } else {
        if (search(root, o.criteria)) fail("already-shown");
        windows = collect(root, o.criteria);
        if (windows.empty()) fail("no-window");
    }
    for (const Window x : windows) XSelectInput(dpy, x, StructureNotifyMask);
    XSync(dpy, False);
    drain();
    screen.lastPaint.reset();
    unmapSeen = false;
    mapSeenAt.reset();
    char buf[64];
    t0 = Clock::now();
    const pid_t p = startCommand(cmd);
    std::optional<Clock::time_point> done;
    while (!done) {
        drain();
        if (summon && mapSeenAt) {
            const Clock::time_point at = *mapSeenAt;
            mapSeenAt.reset();
            for (const Window x : windows)
                if (viewable(x)) {
                    w = x;
                    done = at;
                    break;
                }
        } else if (!summon && unmapSeen) {
            unmapSeen = false;
            if (!viewable(w)) done = Clock::now();
        }
        sampleCpu();
        if (msSince(t0) > o.timeoutS * 1000) fail(summon ? "no-window" : "not-unmapped");
        if (!done) wait(5);
    }
    const double ms = std::chrono::duration<double, std::milli>(*done - t0).count();
    std::snprintf(buf, sizeof buf, summon ? "map=%.1f" : "unmap=%.1f", ms);
    out << buf;
    reap(p);
    if (summon) {
        if (const auto last = waitQuiet(o, t0, 30000, "summon")) {
            std::snprintf(buf, sizeof buf, " paint=%.1f", std::chrono::duration<double, std::milli>(*last - t0).count());
            out << buf;
        }
    }
    std::printf("%s\n", out.str().c_str());
    std::fflush(stdout);
    std::_Exit(0);
}

// --- key to pixels ---

struct Area {
    int x0, y0, x1, y1;  // of the drawable read, x1 and y1 past the end
    bool empty() const { return x1 <= x0 || y1 <= y0; }
    Area operator&(const Area& o) const {
        return {std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
    }
};

XImage* grab(Drawable from, const Area& a) {
    return XGetImage(dpy, from, a.x0, a.y0, static_cast<unsigned>(a.x1 - a.x0), static_cast<unsigned>(a.y1 - a.y0),
                     AllPlanes, ZPixmap);
}

// The rows of `in` (where both images were taken) in which their pixels differ; empty if none.
Area changedRows(const XImage& before, const XImage& after, const Area& in) {
    Area rows{in.x0, in.y1, in.x1, in.y0};
    for (int y = 0; y < in.y1 - in.y0; ++y)
        for (int x = 0; x < in.x1 - in.x0; ++x)
            if ((XGetPixel(const_cast<XImage*>(&before), x, y) & 0xFFFFFF) !=
                (XGetPixel(const_cast<XImage*>(&after), x, y) & 0xFFFFFF)) {
                rows.y0 = std::min(rows.y0, in.y0 + y);
                rows.y1 = std::max(rows.y1, in.y0 + y + 1);
                break;
            }
    return rows;
}

// Whether the pixels of r now differ from before's, taken of `display`.
bool changedSince(Drawable from, const XImage& before, const Area& display, const XRectangle& r) {
    const Area in = Area{r.x, r.y, r.x + r.width, r.y + r.height} & display;
    if (in.empty()) return false;
    XImage* now = grab(from, in);
    if (!now) return false;
    bool changed = false;
    for (int y = 0; y < in.y1 - in.y0 && !changed; ++y)
        for (int x = 0; x < in.x1 - in.x0 && !changed; ++x)
            changed = (XGetPixel(now, x, y) & 0xFFFFFF) != (XGetPixel(const_cast<XImage*>(&before), in.x0 - display.x0 + x,
                                                                       in.y0 - display.y0 + y) & 0xFFFFFF);
    XDestroyImage(now);
    return changed;
}

// Runs the event loop until the watched damage has been quiet for quietMs (text cursors aside)
// after a first damage that changed pixels of `area` from before's, at most capMs.
void untilDamageQuiet(int quietMs, int capMs, Drawable from, const Area& area, const XImage& before) {
    const Clock::time_point start = Clock::now();
    Clock::time_point last = start;
    bool changed = false;
    while ((!changed || msSince(last) < quietMs) && msSince(start) < capMs) {
        drain();
        for (const auto& [when, r] : timedRects)
            if (!IsCursor(r)) {
                last = std::max(last, when);
                if (!changed) changed = changedSince(from, before, area, r);
            }
        timedRects.clear();
        checkAlive();
        if (XQLength(dpy) == 0) wait(5);
    }
}

void press(KeyCode key, bool down) {
    XTestFakeKeyEvent(dpy, key, down ? True : False, CurrentTime);
    XFlush(dpy);
}

// Single keys at a pace, each timed from right before its press (steady_clock, which is
// CLOCK_MONOTONIC) to the reading of the first damage that changed pixels of the program's
// display: a damage elsewhere (a button drawn pressed and let go), of the same pixels again or of
// a text cursor is passed over. The display is the band of rows that "9" and then Enter, each
// typed at rest, changed, widened by 3 pixels; those two keys are not timed (and the first timed
// one, "1", shows where "1" Enter "1" would look the same). A key is let go
// once its effect is seen or half a gap after its press; the next comes a gap after the press,
// and not before both.
void keyToPixel(const Options& o, Window w) {
    KeyCode digits[9];
    for (int d = 0; d < 9; ++d) digits[d] = XKeysymToKeycode(dpy, static_cast<KeySym>(XK_1 + d));
    const KeyCode enter = XKeysymToKeycode(dpy, XK_Return);
    if (enter == 0 || std::find(std::begin(digits), std::end(digits), 0) != std::end(digits)) fail("no-keycode");
    XWindowAttributes a;
    if (!XGetWindowAttributes(dpy, w, &a)) fail("k2p-window");
    int rx = 0, ry = 0;
    Window ignored;
    XTranslateCoordinates(dpy, w, root, 0, 0, &rx, &ry, &ignored);
    // XGetImage takes only what lies on the screen.
    const Area onScreen = Area{rx, ry, rx + a.width, ry + a.height} &
                          Area{0, 0, DisplayWidth(dpy, DefaultScreen(dpy)), DisplayHeight(dpy, DefaultScreen(dpy))};
    if (onScreen.empty()) fail("k2p-offscreen");
    const Drawable from = o.rootDamage ? root : w;
    const Area window = o.rootDamage ? onScreen : Area{onScreen.x0 - rx, onScreen.y0 - ry, onScreen.x1 - rx, onScreen.y1 - ry};
    timedDamage = XDamageCreate(dpy, from, XDamageReportRawRectangles);
    XSync(dpy, False);

    // long enough for a button drawn pressed to be let go again
    constexpr int kRestQuietMs = 250, kRestCapMs = 5000;
    Area display{window.x0, window.y1, window.x1, window.y0};
    for (const KeyCode key : {digits[8], enter}) {
        XImage* before = grab(from, window);
        if (!before) fail("k2p-image");
        press(key, true);
        press(key, false);
        untilDamageQuiet(kRestQuietMs, kRestCapMs, from, window, *before);
        XImage* after = grab(from, window);
        if (!after) fail("k2p-image");
        const Area rows = changedRows(*before, *after, window);
        display.y0 = std::min(display.y0, rows.y0);
        display.y1 = std::max(display.y1, rows.y1);
        XDestroyImage(before);
        XDestroyImage(after);
    }
    if (display.empty()) fail("k2p-nothing-shown-at-rest");
    display = Area{display.x0, display.y0 - 3, display.x1, display.y1 + 3} & window;
    if (trace) std::fprintf(stderr, "display rows %d-%d\n", display.y0, display.y1);

    const auto gap = std::chrono::milliseconds(o.keyGapMs);
    Clock::time_point due = Clock::now() + gap;
    const long long ranBefore = runNs();
    std::vector<double> ms, shown;  // shown: every key in turn, -1 for none
    int none = 0;
    for (int i = 0, digit = 0; i < o.keyToPixel; ++i) {
        const bool isEnter = o.enterEvery > 0 && (i + 1) % (o.enterEvery + 1) == 0;
        const KeyCode key = isEnter ? enter : digits[digit++ % 9];
        while (Clock::now() < due) {
            drain();
            checkAlive();
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now());
            if (XQLength(dpy) == 0) wait(static_cast<int>(std::max<long>(1, left.count())));
        }
        XImage* before = grab(from, display);
        if (!before) fail("k2p-image");
        drain();
        timedRects.clear();
        const Clock::time_point pressed = Clock::now();
        due = pressed + gap;
        press(key, true);
        if (trace) std::fprintf(stderr, "%9.1f key %d %s pressed\n", msSince(t0), i, isEnter ? "Return" : "digit");
        bool released = false;
        std::optional<Clock::time_point> seen;
        for (std::size_t looked = 0;;) {
            drain();
            for (; looked < timedRects.size() && !seen; ++looked) {
                const auto& [when, r] = timedRects[looked];
                if (!IsCursor(r) && changedSince(from, *before, display, r)) seen = when;
            }
            const double since = msSince(pressed);
            if (!released && (seen || since >= o.keyGapMs / 2.0)) {
                press(key, false);
                released = true;
            }
            if (seen || since >= o.keyWaitMs) break;
            checkAlive();
            if (XQLength(dpy) == 0) wait(1);
        }
        XDestroyImage(before);
        if (trace) std::fprintf(stderr, "%9.1f key %d %s\n", msSince(t0), i, seen ? "shown" : "no visible effect");
        if (seen) ms.push_back(std::chrono::duration<double, std::milli>(*seen - pressed).count());
        else ++none;
        shown.push_back(seen ? ms.back() : -1);
    }
    timedDamage = 0;
    const long long ran = runNs() - ranBefore;
    char buf[128];
    std::snprintf(buf, sizeof buf, " k2p_keys=%d k2p_none=%d k2p_cpu_us=%.0f", o.keyToPixel, none,
                  ran / 1000.0 / o.keyToPixel);
    out << buf;
    if (ms.empty()) return;
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    const auto rank = [&](double q) { return sorted[static_cast<std::size_t>(std::ceil(q * sorted.size())) - 1]; };
    std::snprintf(buf, sizeof buf, " k2p_median=%.2f k2p_p95=%.2f k2p_max=%.2f", rank(0.5), rank(0.95), sorted.back());
    out << buf << " k2p=";
    for (std::size_t k = 0; k < shown.size(); ++k) {
        if (shown[k] < 0) std::snprintf(buf, sizeof buf, "%s-", k ? "," : "");
        else std::snprintf(buf, sizeof buf, "%s%.2f", k ? "," : "", shown[k]);
        out << buf;
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    int summonMode = 0;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--name" && more) o.criteria.name = argv[++i];
        else if (a == "--class" && more) o.criteria.cls = argv[++i];
        else if (a == "--pid") o.criteria.pid = true;
        else if (a == "--trace") trace = true;
        else if (a == "--key-to-pixel" && more) o.keyToPixel = std::atoi(argv[++i]);
        else if (a == "--key-gap" && more) o.keyGapMs = std::atoi(argv[++i]);
        else if (a == "--enter-every" && more) o.enterEvery = std::atoi(argv[++i]);
        else if (a == "--key-wait" && more) o.keyWaitMs = std::atoi(argv[++i]);
        else if (a == "--root-damage") o.rootDamage = true;
        else if (a == "--files-out" && more) filesOut = argv[++i];
        else if ((a == "--summon" || a == "--dismiss") && more) {
            watched = static_cast<pid_t>(std::atol(argv[++i]));
            summonMode = a == "--summon" ? 1 : 2;
        }
        else if (a == "--timeout" && more) o.timeoutS = std::atof(argv[++i]);
        else if (a == "--quiet" && more) o.quietMs = std::atof(argv[++i]);
        else if (a == "--memory-at" && more) o.memoryAtMs = std::atof(argv[++i]);
        else if (a == "--idle" && more) {
            const std::string v = argv[++i];
            o.idleFromMs = std::atof(v.c_str());
            o.idleToMs = v.find(',') == std::string::npos ? 0 : std::atof(v.c_str() + v.find(',') + 1);
        } else if (a == "--idle-late" && more) o.idleLateMs = std::atof(argv[++i]);
        else if (a == "--keys" && more) o.keysFile = argv[++i];
        else if (a == "--queued") o.queued = true;
        else if (a == "--delay" && more) o.delayMs = std::atoi(argv[++i]);
        else if (a == "--settle" && more) o.settleMs = std::atof(argv[++i]);
        else if (a == "--copy" && more) o.copyKeys = argv[++i];
        else if (a == "--click" && more) {
            int x = 0, y = 0;
            if (std::sscanf(argv[++i], "%d,%d", &x, &y) != 2) {
                std::fprintf(stderr, "launch_probe: --click wants X,Y\n");
                return 2;
            }
            o.click = std::make_pair(x, y);
        } else if (a == "--expect" && more) o.expect = std::atof(argv[++i]);
        else {
            std::fprintf(stderr, "launch_probe: unknown option %s (see the top of launch_probe.cpp)\n", argv[i]);
            return 2;
        }
    }
    const Criteria& c = o.criteria;
    if (i + 1 >= argc || (!c.name && !c.cls && !c.pid)) {
        std::fprintf(stderr, "usage: launch_probe [--name T] [--class C] [--pid] [options] -- CMD...\n");
        return 2;
    }
    char** cmd = argv + i + 1;
    const std::vector<std::string> keys = o.keysFile.empty() ? std::vector<std::string>{} : readKeys(o.keysFile);

    dpy = XOpenDisplay(nullptr);
    if (!dpy) fail("no-display");
    XSetErrorHandler(ignoreErrors);
    int damageError;
    if (!XDamageQueryExtension(dpy, &damageEvent, &damageError)) fail("no-damage-extension");
    netWmPid = XInternAtom(dpy, "_NET_WM_PID", False);
    netWmName = XInternAtom(dpy, "_NET_WM_NAME", False);
    utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    netActive = XInternAtom(dpy, "_NET_ACTIVE_WINDOW", False);
    netWmCheck = XInternAtom(dpy, "_NET_SUPPORTING_WM_CHECK", False);
    root = DefaultRootWindow(dpy);
    selectionWindow = XCreateWindow(dpy, root, -10, -10, 1, 1, 0, 0, InputOnly, CopyFromParent, 0, nullptr);
    XSelectInput(dpy, root, SubstructureNotifyMask);
    XDamageCreate(dpy, root, XDamageReportRawRectangles);
    // The pointer in a corner: nothing under it shows a tooltip or a hover.
    XWarpPointer(dpy, None, root, 0, 0, 0, 0, DisplayWidth(dpy, DefaultScreen(dpy)) - 1,
                 DisplayHeight(dpy, DefaultScreen(dpy)) - 1);
    XSync(dpy, False);
    drain();
    screen.lastPaint.reset();
    if (summonMode != 0) toggleRun(o, cmd, summonMode == 1);

    t0 = Clock::now();
    if (trace)
        std::fprintf(stderr, "exec at %.3f ms of the monotonic clock\n",
                     std::chrono::duration<double, std::milli>(t0.time_since_epoch()).count());
    child = fork();
    if (child == 0) {
        setpgid(0, 0);  // its helpers stop and go with it
        close(ConnectionNumber(dpy));
        dup2(STDERR_FILENO, STDOUT_FILENO);  // our output is the measurement alone
        execvp(cmd[0], cmd);
        _exit(127);
    }
    if (child < 0) fail("fork");
    setpgid(child, child);

    // The main window mapped: timed by the map event, not by the end of the search (dozens of
    // round trips) that recognised it.
    Window w = 0;
    Clock::time_point lastScan = t0 - std::chrono::hours(1), mappedAt;
    while (!w) {
        const bool look = drain();
        if (look || Clock::now() - lastScan >= std::chrono::milliseconds(20)) {
            w = search(root, c);
            lastScan = Clock::now();
        }
        if (w) {
            const Clock::time_point searched = Clock::now();
            drain();
            mappedAt = std::min(viewableSince(w), searched);
            break;
        }
        checkAlive();
        sampleCpu();
        if (msSince(t0) > o.timeoutS * 1000) fail("no-window");
        wait(5);
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "map=%.1f", std::chrono::duration<double, std::milli>(mappedAt - t0).count());
    out << buf;

    // The last paint of the start, the memory and the idle cost, each on its own clock.
    const bool idle = o.idleToMs > o.idleFromMs;
    std::map<long, ThreadCost> idleFrom;
    // When the idle program woke: switches per tenth of a second, sampled every 50 ms.
    std::map<long, long long> wakes;
    long long switchesSeen = 0;
    double lastSampleMs = 0;
    bool startDone = false, memoryDone = o.memoryAtMs <= 0, idleFromDone = !idle, idleDone = !idle;
    while (!(startDone && memoryDone && idleDone)) {
        drain();
        checkAlive();
        sampleCpu();
        const double now = msSince(t0);
        if (!startDone && quietNow(o, t0)) {
            startDone = true;
            if (!filesOut.empty()) collectMappedFiles();
            if (const auto last = paintAfter(t0)) {
                std::snprintf(buf, sizeof buf, " paint=%.1f", std::chrono::duration<double, std::milli>(*last - t0).count());
                out << buf;
            }
            if (const auto own = screen.lastPaintOf.find(w); own != screen.lastPaintOf.end() && own->second > t0) {
                std::snprintf(buf, sizeof buf, " main_paint=%.1f",
                              std::chrono::duration<double, std::milli>(own->second - t0).count());
                out << buf;
            }
        }
        if (!startDone && now > o.timeoutS * 1000 + 30000) fail("never-quiet-start");
        if (!memoryDone && now >= o.memoryAtMs) {
            const long rss = statusKib(child, "VmRSS:"), hwm = statusKib(child, "VmHWM:");
            if (rss < 0 || hwm < 0) fail("gone-before-memory");
            out << " rss=" << rss << " hwm=" << hwm;
            memoryDone = true;
        }
        if (!idleFromDone && now >= o.idleFromMs) {
            idleFrom = threadCosts();
            switchesSeen = SwitchesOf(idleFrom);
            lastSampleMs = now;
            idleFromDone = true;
        }
        if (idleFromDone && !idleDone && now - lastSampleMs >= 50) {
            lastSampleMs = now;
            const long long n = SwitchesOf(threadCosts());
            if (n > switchesSeen) wakes[static_cast<long>(now / 100)] += n - switchesSeen;
            switchesSeen = n;
        }
        if (!idleDone && now >= o.idleToMs) {
            const auto to = threadCosts();
            ThreadCost d;
            for (const auto& [tid, cost] : to) {
                const auto before = idleFrom.find(tid);
                const ThreadCost base = before == idleFrom.end() ? ThreadCost{} : before->second;
                d.ticks += cost.ticks - base.ticks;
                d.switches += cost.switches - base.switches;
            }
            const double tickMs = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
            // The last stretch is counted in full, whatever the sampling saw of it.
            long long sampled = 0, late = 0;
            for (const auto& [tenth, n] : wakes) sampled += n;
            if (d.switches > sampled) wakes[static_cast<long>(now / 100)] += d.switches - sampled;
            std::string when;
            for (const auto& [tenth, n] : wakes) {
                if (tenth * 100 >= o.idleLateMs) late += n;
                when += (when.empty() ? "" : ",") + std::to_string(tenth / 10) + "." + std::to_string(tenth % 10) +
                        ":" + std::to_string(n);
            }
            std::snprintf(buf, sizeof buf, " idle_cpu=%.0f idle_csw=%lld idle_late_csw=%lld idle_threads=%zu",
                          d.ticks * tickMs, d.switches, late, to.size());
            out << buf << " idle_when=" << (when.empty() ? "-" : when);
            idleDone = true;
        }
        wait(5);
    }

    if (!keys.empty() || o.keyToPixel > 0) {
        runUntil(o.settleMs);
        waitQuiet(o, t0, 60000, "before-keys");
        focus(w);
        waitQuiet(o, t0, 60000, "after-focus");  // the focus may repaint
    }
    if (o.keyToPixel > 0) keyToPixel(o, w);
    if (!keys.empty()) {
        std::vector<std::string> args{"xdotool", "key", "--delay", std::to_string(o.delayMs)};
        args.insert(args.end(), keys.begin(), keys.end());
        Clock::time_point k0;
        if (o.queued) {
            kill(-child, SIGSTOP);
            for (int n = 0; processState() != 'T'; ++n) {
                if (n > 200) fail("would-not-stop");
                usleep(5000);
            }
            if (!run(args)) fail("xdotool");
            XSync(dpy, False);  // xdotool's requests are done: the events wait for the program
            drain();
            k0 = Clock::now();
            kill(-child, SIGCONT);
        } else {
            k0 = Clock::now();
            if (!run(args)) fail("xdotool");
        }
        const auto last = waitQuiet(o, k0, 120000, "after-keys");
        if (!last) fail("no-repaint-after-keys");
        std::snprintf(buf, sizeof buf, " keys=%.1f", std::chrono::duration<double, std::milli>(*last - k0).count());
        out << buf;
        if (!o.copyKeys.empty() || o.click) readBack(o, w);
    }
    finish(0);
}
