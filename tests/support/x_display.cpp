// X display helpers for tests (see x_display.h). Window search, keys and screenshots use xdotool and import;
// geometry and the close request use Xlib, loaded at run time from libX11.so.6 so that the helper library
// needs nothing linked beyond what the program itself links.
#include "x_display.h"

#include "child_process.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdlib>
#include <dlfcn.h>
#include <sstream>
#include <thread>

namespace support {

namespace {

// The handful of Xlib entry points the helpers use.
struct Xlib {
    decltype(&XOpenDisplay) open_display = nullptr;
    decltype(&XCloseDisplay) close_display = nullptr;
    decltype(&XInternAtom) intern_atom = nullptr;
    decltype(&XGetWMProtocols) get_wm_protocols = nullptr;
    decltype(&XSendEvent) send_event = nullptr;
    decltype(&XFlush) flush = nullptr;
    decltype(&XFree) free = nullptr;
    decltype(&XQueryTree) query_tree = nullptr;
    decltype(&XGetWindowAttributes) get_window_attributes = nullptr;
    decltype(&XTranslateCoordinates) translate_coordinates = nullptr;
    decltype(&XSetErrorHandler) set_error_handler = nullptr;
    bool loaded = false;
};

template <typename F> void bind(void* library, const char* name, F& slot, bool& ok) {
    slot = reinterpret_cast<F>(dlsym(library, name));
    ok = ok && slot != nullptr;
}

const Xlib& xlib() {
    static const Xlib loaded = [] {
        Xlib x;
        void* library = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            return x;
        }
        bool ok = true;
        bind(library, "XOpenDisplay", x.open_display, ok);
        bind(library, "XCloseDisplay", x.close_display, ok);
        bind(library, "XInternAtom", x.intern_atom, ok);
        bind(library, "XGetWMProtocols", x.get_wm_protocols, ok);
        bind(library, "XSendEvent", x.send_event, ok);
        bind(library, "XFlush", x.flush, ok);
        bind(library, "XFree", x.free, ok);
        bind(library, "XQueryTree", x.query_tree, ok);
        bind(library, "XGetWindowAttributes", x.get_window_attributes, ok);
        bind(library, "XTranslateCoordinates", x.translate_coordinates, ok);
        bind(library, "XSetErrorHandler", x.set_error_handler, ok);
        x.loaded = ok;
        return x;
    }();
    return loaded;
}

// A window that has gone away must make a helper return false, not end the test process.
int ignore_x_errors(Display*, XErrorEvent*) {
    return 0;
}

// An open display for the length of one helper call.
class Connection {
  public:
    Connection() {
        if (xlib().loaded) {
            xlib().set_error_handler(ignore_x_errors);
            display_ = xlib().open_display(nullptr);
        }
    }
    ~Connection() {
        if (display_ != nullptr) {
            xlib().close_display(display_);
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Display* get() const {
        return display_;
    }

  private:
    Display* display_ = nullptr;
};

// The ancestor of `window` that is a direct child of the root: the window manager's frame, if there is one.
Window top_level(const Connection& c, Window window) {
    Window current = window;
    for (;;) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (xlib().query_tree(c.get(), current, &root, &parent, &children, &count) == 0) {
            return current;
        }
        if (children != nullptr) {
            xlib().free(children);
        }
        if (parent == root || parent == 0) {
            return current;
        }
        current = parent;
    }
}

// Where `window` stands on the screen and its size; with `frame`, the rectangle of the top-level window
// holding it (the window manager's frame, if any) with its border.
std::optional<Geometry> geometry_on_screen(WindowId window, bool frame) {
    const Connection c;
    if (c.get() == nullptr) {
        return std::nullopt;
    }
    const Window measured = frame ? top_level(c, window) : window;
    XWindowAttributes attributes{};
    if (xlib().get_window_attributes(c.get(), measured, &attributes) == 0) {
        return std::nullopt;
    }
    Window child = 0;
    int x = 0;
    int y = 0;
    if (xlib().translate_coordinates(c.get(), measured, attributes.root, 0, 0, &x, &y, &child) == 0) {
        return std::nullopt;
    }
    const int border = frame ? attributes.border_width : 0;
    return Geometry{x - border, y - border, attributes.width + 2 * border, attributes.height + 2 * border};
}

} // namespace

bool display_available() {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        return false;
    }
    const Connection c;
    return c.get() != nullptr;
}

std::vector<WindowId> visible_windows(pid_t pid, const std::string& title) {
    const CommandResult found =
        run_command("timeout 10 xdotool search --onlyvisible --pid " + std::to_string(pid) + " --name " +
                    shell_quote("^" + title + "$") + " 2>/dev/null");
    std::vector<WindowId> windows;
    std::istringstream ids(found.output);
    WindowId id = 0;
    while (ids >> id) {
        windows.push_back(id);
    }
    return windows;
}

std::optional<WindowId> wait_for_window(pid_t pid, const std::string& title,
                                        std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        const std::vector<WindowId> windows = visible_windows(pid, title);
        if (!windows.empty()) {
            return windows.front();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

std::optional<Geometry> outer_geometry(WindowId window) {
    return geometry_on_screen(window, true);
}

std::optional<Geometry> window_geometry(WindowId window) {
    return geometry_on_screen(window, false);
}

bool focus(WindowId window) {
    // On a loaded machine the focus can be slow to arrive, or taken by a window of another program that is
    // still going away: ask again until the server reports it on this window.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    do {
        run_command("timeout 5 xdotool windowfocus --sync " + std::to_string(window) + " 2>/dev/null");
        std::istringstream focused(run_command("timeout 5 xdotool getwindowfocus 2>/dev/null").output);
        WindowId id = 0;
        if (focused >> id && id == window) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

bool hold_key_until(WindowId window, const std::string& key, const std::function<bool()>& answered,
                    std::chrono::milliseconds timeout) {
    // Focus first: the X server then tells the program it has the focus before the key arrives.
    if (!focus(window))
        return false;
    const std::string quoted = shell_quote(key) + " 2>/dev/null";
    if (run_command("timeout 10 xdotool keydown --window " + std::to_string(window) + " " + quoted)
            .exit_code != 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool done = answered();
    while (!done && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        done = answered();
    }
    // The release goes to the display, not to the window: the window may be gone by now (the key ended the
    // program), and xdotool presses a key in the focused window through the server's keyboard, where a key
    // left down stays down for every later program on the display.
    run_command("timeout 10 xdotool keyup " + quoted);
    return done;
}

bool send_close_request(WindowId window) {
    const Connection c;
    if (c.get() == nullptr) {
        return false;
    }
    const Atom protocols = xlib().intern_atom(c.get(), "WM_PROTOCOLS", False);
    const Atom delete_window = xlib().intern_atom(c.get(), "WM_DELETE_WINDOW", False);
    Atom* supported = nullptr;
    int count = 0;
    bool takes_part = false;
    if (xlib().get_wm_protocols(c.get(), window, &supported, &count) != 0) {
        for (int i = 0; i < count; ++i) {
            takes_part = takes_part || supported[i] == delete_window;
        }
        xlib().free(supported);
    }
    if (!takes_part) {
        return false;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(delete_window);
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = xlib().send_event(c.get(), window, False, NoEventMask, &event) != 0;
    xlib().flush(c.get());
    return sent;
}

bool close_through_window_manager(WindowId window) {
    const Connection c;
    if (c.get() == nullptr) {
        return false;
    }
    XWindowAttributes attributes{};
    if (xlib().get_window_attributes(c.get(), window, &attributes) == 0) {
        return false;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = xlib().intern_atom(c.get(), "_NET_CLOSE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = CurrentTime;
    event.xclient.data.l[1] = 2; // the request comes from a pager or taskbar, on the user's behalf
    const bool sent = xlib().send_event(c.get(), attributes.root, False,
                                        SubstructureRedirectMask | SubstructureNotifyMask, &event) != 0;
    xlib().flush(c.get());
    return sent;
}

bool screenshot(WindowId window, const std::string& path) {
    return run_command("timeout 20 import -window " + std::to_string(window) + " " + shell_quote(path) +
                       " 2>/dev/null")
               .exit_code == 0;
}

} // namespace support
