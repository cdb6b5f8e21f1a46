#include "XServer.h"

#include <X11/Xlibint.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XResproto.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace xtest {

namespace {

struct Server {
    pid_t pid = -1;
    bool tried = false;
    bool running = false;
    std::string failure;

    ~Server() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            int status = 0;
            waitpid(pid, &status, 0);
        }
    }
};

Server& server() {
    static Server s;
    return s;
}

bool onPath(const char* program) {
    const char* path = std::getenv("PATH");
    if (!path)
        return false;
    std::string p(path);
    std::size_t start = 0;
    while (start <= p.size()) {
        std::size_t end = p.find(':', start);
        if (end == std::string::npos)
            end = p.size();
        std::string candidate = p.substr(start, end - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

void startServer(Server& s) {
    // For debugging: a server started by hand (Xvfb :N, with its log in view).
    if (const char* given = std::getenv("MOLTARO_TEST_DISPLAY")) {
        setenv("DISPLAY", given, 1);
        s.running = true;
        return;
    }
    if (!onPath("Xvfb")) {
        s.failure = "Xvfb is not installed: the X11 tests are skipped";
        return;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        s.failure = "cannot make a pipe for Xvfb";
        return;
    }
    s.pid = fork();
    if (s.pid == 0) {
        // Xvfb picks a free display itself and writes its number to the pipe.
        close(fds[0]);
        int devnull = open(std::getenv("MOLTARO_XVFB_LOG") ? std::getenv("MOLTARO_XVFB_LOG") : "/dev/null", O_RDWR | O_CREAT | O_APPEND, 0644);
        if (devnull >= 0) {
            dup2(devnull, 0);
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        char fd[16];
        std::snprintf(fd, sizeof fd, "%d", fds[1]);
        // -noreset: no server reset (and refused connections) each time the last client goes.
        execlp("Xvfb", "Xvfb", "-displayfd", fd, "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (s.pid < 0) {
        close(fds[0]);
        s.failure = "cannot start Xvfb";
        return;
    }
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        s.failure = "Xvfb did not report a display";
        return;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    s.running = true;
}

}  // namespace

// The tests' connections race with the windows they look at (a menu may close
// between listing and asking about it): their errors are expected, never fatal.
int tolerateErrors(Display*, XErrorEvent*) { return 0; }

bool ensureServer(std::string* why) {
    Server& s = server();
    if (!s.tried) {
        s.tried = true;
        // Some tests move the pointer from a second thread, on a connection of its own.
        XInitThreads();
        XSetErrorHandler(tolerateErrors);
        startServer(s);
    }
    if (!s.running && why)
        *why = s.failure;
    return s.running;
}

Host::Host() {
    dpy = XOpenDisplay(nullptr);
    int ev = 0, err = 0, major = 0, minor = 0;
    if (dpy && !XTestQueryExtension(dpy, &ev, &err, &major, &minor)) {
        XCloseDisplay(dpy);
        dpy = nullptr;
    }
}

Host::~Host() {
    if (dpy)
        XCloseDisplay(dpy);
}

::Window Host::makeParent(int width, int height, int x, int y) {
    XSetWindowAttributes attrs{};
    attrs.background_pixel = 0x303030;
    attrs.event_mask = StructureNotifyMask;
    ::Window w = XCreateWindow(dpy, DefaultRootWindow(dpy), x, y, static_cast<unsigned>(width),
                               static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                               CWBackPixel | CWEventMask, &attrs);
    XMapWindow(dpy, w);
    XSync(dpy, False);
    return w;
}

int Host::childCount(::Window window) {
    ::Window root = 0, parent = 0;
    ::Window* children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(dpy, window, &root, &parent, &children, &n))
        return -1;
    if (children)
        XFree(children);
    return static_cast<int>(n);
}

void Host::destroy(::Window window) {
    XDestroyWindow(dpy, window);
    XSync(dpy, False);
}

void Host::moveTo(int rootX, int rootY) {
    XTestFakeMotionEvent(dpy, DefaultScreen(dpy), rootX, rootY, CurrentTime);
    XSync(dpy, False);
}

void Host::press(int button) {
    XTestFakeButtonEvent(dpy, static_cast<unsigned>(button), True, CurrentTime);
    XSync(dpy, False);
}

void Host::release(int button) {
    XTestFakeButtonEvent(dpy, static_cast<unsigned>(button), False, CurrentTime);
    XSync(dpy, False);
}

void Host::key(unsigned long keysym, bool down) {
    KeyCode code = XKeysymToKeycode(dpy, keysym);
    XTestFakeKeyEvent(dpy, code, down ? True : False, CurrentTime);
    XSync(dpy, False);
}

void Host::tap(unsigned long keysym) {
    key(keysym, true);
    key(keysym, false);
}

void Host::typeText(const std::string& ascii) {
    for (char c : ascii) {
        const KeySym sym = static_cast<KeySym>(static_cast<unsigned char>(c));
        const KeyCode code = XKeysymToKeycode(dpy, sym);
        // Characters that live on the shifted level of their key need Shift.
        const bool shift = XkbKeycodeToKeysym(dpy, code, 0, 0) != sym;
        if (shift)
            key(XK_Shift_L, true);
        tap(sym);
        if (shift)
            key(XK_Shift_L, false);
    }
}

void Host::focus(::Window window) {
    XSetInputFocus(dpy, window, RevertToPointerRoot, CurrentTime);
    XSync(dpy, False);
}

void Host::origin(::Window window, int& x, int& y) {
    ::Window child = 0;
    XTranslateCoordinates(dpy, window, DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
}

std::vector<Host::Placed> Host::popups() {
    std::vector<Placed> out;
    ::Window root = 0, parent = 0;
    ::Window* children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n))
        return out;
    for (unsigned int i = 0; i < n; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(dpy, children[i], &a) && a.override_redirect && a.map_state == IsViewable)
            out.push_back(Placed{children[i], a.x, a.y, a.width, a.height});
    }
    if (children)
        XFree(children);
    return out;
}

std::vector<Host::Placed> Host::waitForPopups(std::size_t n, int timeoutMs) {
    std::vector<Placed> shown;
    waitUntil([&] {
        shown = popups();
        return shown.size() >= n;
    }, nullptr, timeoutMs);
    // A moment for the menu to take its grabs, as a person's hand would give it.
    timespec ts{0, 20000000};
    nanosleep(&ts, nullptr);
    return shown;
}

std::vector<unsigned> Host::grab(int x, int y, int width, int height) {
    std::vector<unsigned> out;
    XImage* image = XGetImage(dpy, DefaultRootWindow(dpy), x, y, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image)
        return out;
    out.reserve(static_cast<std::size_t>(width) * height);
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
            out.push_back(static_cast<unsigned>(XGetPixel(image, col, row) & 0xffffff));
    XDestroyImage(image);
    return out;
}

bool Host::savePng(const std::string& path, int x, int y, int width, int height) {
    std::vector<unsigned> pixels = grab(x, y, width, height);
    if (pixels.empty())
        return false;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int row = 0; row < height; ++row)
        std::memcpy(data + row * stride, &pixels[static_cast<std::size_t>(row) * width], width * 4u);
    cairo_surface_mark_dirty(s);
    const bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    return ok;
}

void Host::serveClipboard(const std::string& utf8, const std::function<bool()>& until) {
    const Atom clipboard = XInternAtom(dpy, "CLIPBOARD", False);
    const Atom utf8Atom = XInternAtom(dpy, "UTF8_STRING", False);
    ::Window owner = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(dpy, clipboard, owner, CurrentTime);
    XSync(dpy, False);
    while (!until()) {
        while (XPending(dpy)) {
            XEvent e;
            XNextEvent(dpy, &e);
            if (e.type != SelectionRequest)
                continue;
            const XSelectionRequestEvent& r = e.xselectionrequest;
            XSelectionEvent reply{};
            reply.type = SelectionNotify;
            reply.requestor = r.requestor;
            reply.selection = r.selection;
            reply.target = r.target;
            reply.time = r.time;
            reply.property = None;
            if (r.target == utf8Atom) {
                XChangeProperty(dpy, r.requestor, r.property, utf8Atom, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
                reply.property = r.property;
            }
            XSendEvent(dpy, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
            XFlush(dpy);
        }
        timespec ts{0, 2000000};
        nanosleep(&ts, nullptr);
    }
    XDestroyWindow(dpy, owner);
    XSync(dpy, False);
}

bool Host::readClipboard(std::string& out, int timeoutMs) {
    const Atom clipboard = XInternAtom(dpy, "CLIPBOARD", False);
    const Atom utf8Atom = XInternAtom(dpy, "UTF8_STRING", False);
    const Atom property = XInternAtom(dpy, "TEST_PASTE", False);
    ::Window asker = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    XConvertSelection(dpy, clipboard, utf8Atom, property, asker, CurrentTime);
    XFlush(dpy);
    XEvent e;
    bool answered = false;
    waitUntil([&] { return answered = XCheckTypedWindowEvent(dpy, asker, SelectionNotify, &e); }, nullptr,
              timeoutMs);
    bool ok = false;
    if (answered && e.xselection.property != None) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(dpy, asker, property, 0, 4096, True, AnyPropertyType, &type, &format, &count,
                           &remaining, &data);
        if (data) {
            out.assign(reinterpret_cast<const char*>(data), count);
            XFree(data);
            ok = true;
        }
    }
    XDestroyWindow(dpy, asker);
    XSync(dpy, False);
    return ok;
}

bool Host::clientResources(unsigned long anyId, std::map<std::string, int>& counts) {
    int opcode = 0, event = 0, error = 0;
    if (!XQueryExtension(dpy, XRES_NAME, &opcode, &event, &error))
        return false;
    std::vector<xXResType> types;
    LockDisplay(dpy);
    xXResQueryClientResourcesReq* req;
    GetReq(XResQueryClientResources, req);
    req->reqType = static_cast<CARD8>(opcode);
    req->XResReqType = X_XResQueryClientResources;
    req->xid = static_cast<CARD32>(anyId);
    xXResQueryClientResourcesReply rep;
    bool ok = _XReply(dpy, reinterpret_cast<xReply*>(&rep), 0, xFalse) != 0;
    if (ok) {
        types.resize(rep.num_types);
        for (auto& t : types)
            _XRead(dpy, reinterpret_cast<char*>(&t), sz_xXResType);
    }
    UnlockDisplay(dpy);
    SyncHandle();
    if (!ok)
        return false;
    counts.clear();
    for (const auto& t : types) {
        char* name = XGetAtomName(dpy, t.resource_type);
        counts[name ? name : "?"] = static_cast<int>(t.count);
        if (name)
            XFree(name);
    }
    return true;
}

int Host::clientCount() {
    int opcode = 0, event = 0, error = 0;
    if (!XQueryExtension(dpy, XRES_NAME, &opcode, &event, &error))
        return -1;
    LockDisplay(dpy);
    xXResQueryClientsReq* req;
    GetReq(XResQueryClients, req);
    req->reqType = static_cast<CARD8>(opcode);
    req->XResReqType = X_XResQueryClients;
    xXResQueryClientsReply rep;
    int n = -1;
    if (_XReply(dpy, reinterpret_cast<xReply*>(&rep), 0, xFalse)) {
        n = static_cast<int>(rep.num_clients);
        _XEatDataWords(dpy, rep.length);
    }
    UnlockDisplay(dpy);
    SyncHandle();
    return n;
}

bool Host::waitUntil(const std::function<bool()>& done, const std::function<void()>& step, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 2) {
        if (step)
            step();
        if (done())
            return true;
        timespec ts{0, 2000000};
        nanosleep(&ts, nullptr);
    }
    return done();
}

}  // namespace xtest
