// Win32 windows on SDL2: RegisterClassExA, CreateWindowExA, ShowWindow, DestroyWindow, LoadCursorA,
// GetClientRect and GetWindowRect, and the layer-internal view of a window (its SDL window, client size,
// focus). A window is an SDL window made with the renderer's flags and attributes (render_backend.h:
// SDL_WINDOW_OPENGL), hidden until ShowWindow; the size given to
// CreateWindowExA is the outer size, so where a window manager adds a frame the SDL (client) window is made
// that much smaller and placed so that the frame's corner is at the given position, as soon as the window
// manager has framed the shown window and told the frame's size (the message pump looks for it).
//
// Trace lines (objects by label, strings quoted, out-parameters left out):
//   RegisterClassExA({48, 3, proc, 0, 0, <instance>, null, 32512, 5, null, "WindowClass", null})
//       the WNDCLASSEXA fields in order; the window procedure prints as "proc" (or null), the cursor as the
//       number of the system cursor it is (or a label), the brush as its number
//   CreateWindowExA(0, "WindowClass", "Our First Direct3D Program", WS_OVERLAPPEDWINDOW, 0, 0, 1024, 768,
//   null, null,
//       <instance>, null) -> Window#1        (or " -> null" on failure; GetLastError says why)
//   ShowWindow(Window#1, SW_SHOWDEFAULT)   DestroyWindow(Window#1)   LoadCursorA(null, 32512)
//   GetClientRect(Window#1)    GetWindowRect(Window#1)
// Messages sent to the window procedure: WM_CREATE (with a CREATESTRUCTA) while CreateWindowExA runs, after
// its trace line (returning -1 makes creation fail); WM_SHOWWINDOW when ShowWindow changes the visibility;
// WM_DESTROY from DestroyWindow.
#include "render_backend.h"
#include "trace_result.h"
#include "win32_state.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>

namespace platform::win32 {
namespace {

struct WindowClass {
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
};

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

struct Windows {
    // Class names compare without regard to case, as in Windows.
    std::map<std::string, WindowClass> classes;
    std::map<HWND, std::unique_ptr<Window>> windows;
    ATOM next_atom = 0xC000;
};
Windows& state() {
    static Windows s;
    return s;
}

// The system cursors LoadCursorA knows. They are shared and never destroyed, like Windows' own.
struct SystemCursor {
    WORD id;
};
constexpr WORD system_cursor_ids[] = {32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642,
                                      32643, 32644, 32645, 32646, 32648, 32649, 32650, 32651};
SystemCursor system_cursors[std::size(system_cursor_ids)];

// A cursor prints as its system cursor's number, or as an object.
struct Cursor {
    HCURSOR cursor;
};
void append(std::string& out, Cursor c) {
    const auto* p = reinterpret_cast<const SystemCursor*>(c.cursor);
    if (p >= std::begin(system_cursors) && p < std::end(system_cursors))
        out += std::to_string(p->id);
    else
        trace::append(out, static_cast<const void*>(c.cursor));
}

std::string format_class(const WNDCLASSEXA& wc) {
    std::string s;
    trace::append_fields(s, "WNDCLASSEXA", wc.cbSize, wc.style, trace::Proc{wc.lpfnWndProc != nullptr},
                         wc.cbClsExtra, wc.cbWndExtra, static_cast<const void*>(wc.hInstance),
                         static_cast<const void*>(wc.hIcon), Cursor{wc.hCursor},
                         trace::Number{wc.hbrBackground}, trace::Resource{wc.lpszMenuName},
                         trace::Resource{wc.lpszClassName}, static_cast<const void*>(wc.hIconSm));
    return s;
}

// Moves and resizes the SDL window so that its frame fills the outer rectangle asked for. A window manager
// frames a window only once it is mapped, and tells the frame's size some time after (_NET_FRAME_EXTENTS,
// which SDL reads as it comes), so the message pump tries again until the window has a frame; a window
// without one (no window manager) keeps the whole outer size as its client area.
void fit_frame(Window& w) {
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(w.sdl, &top, &left, &bottom, &right) != 0)
        return;
    if (top == 0 && left == 0 && bottom == 0 && right == 0)
        return;
    w.frame_fitted = true;
    SDL_SetWindowSize(w.sdl, std::max(1, w.outer_width - left - right),
                      std::max(1, w.outer_height - top - bottom));
    SDL_SetWindowPosition(w.sdl, w.outer_x + left, w.outer_y + top);
}

bool activates(int show_command) {
    return show_command != SW_HIDE && show_command != SW_SHOWNOACTIVATE && show_command != SW_SHOWNA &&
           show_command != SW_SHOWMINNOACTIVE && show_command != SW_MINIMIZE;
}

} // namespace

Window* find_window(HWND window) {
    auto& windows = state().windows;
    const auto it = windows.find(window);
    return it == windows.end() ? nullptr : it->second.get();
}

std::vector<HWND> live_windows() {
    std::vector<HWND> out;
    for (const auto& [handle, w] : state().windows)
        out.push_back(handle);
    return out;
}

SDL_Window* sdl_window(HWND window) {
    const Window* w = find_window(window);
    return w == nullptr ? nullptr : w->sdl;
}

bool client_size(HWND window, int* width, int* height) {
    const Window* w = find_window(window);
    if (w == nullptr)
        return false;
    int cw = 0, ch = 0;
    if (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_OPENGL)
        d3d9::drawable_size(w->sdl, &cw, &ch);
    else
        SDL_GetWindowSize(w->sdl, &cw, &ch);
    *width = cw;
    *height = ch;
    return true;
}

bool is_foreground(HWND window) {
    const Window* w = find_window(window);
    return w != nullptr && w->foreground;
}

HWND window_from_sdl_id(Uint32 window_id) {
    for (const auto& [handle, w] : state().windows)
        if (w->sdl_id == window_id && !w->destroying)
            return handle;
    return nullptr;
}

namespace {
// Why no window can be shown, in words: SDL's own reasons name drivers rather than displays.
std::string no_display_reason() {
    const char* const asked = SDL_getenv("SDL_VIDEODRIVER");
    if (asked != nullptr && *asked != '\0')
        return std::string("no display: ") + SDL_GetError();
    const char* const display = SDL_getenv("DISPLAY");
    if (display == nullptr || *display == '\0')
        return "no display: DISPLAY is not set";
    return std::string("no display: cannot open X display \"") + display + "\"";
}
} // namespace

bool ensure_video() {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0)
        return true;
    // Without a Wayland display, X11 is the one display to try: asking Wayland anyway makes its library
    // print a complaint of its own on stderr. SDL_VIDEODRIVER still chooses.
    const char* const wayland = SDL_getenv("WAYLAND_DISPLAY");
    if (wayland == nullptr || *wayland == '\0')
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_DEFAULT);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        set_last_error(ERROR_DEVICE_NOT_AVAILABLE, no_display_reason());
        return false;
    }
    // Drivers that show nothing (offscreen, dummy) are no display, unless asked for by name (the tests of
    // the message queue use the dummy driver): a window there is one nobody can see or close.
    const char* const driver = SDL_GetCurrentVideoDriver();
    const char* const asked = SDL_getenv("SDL_VIDEODRIVER");
    const std::string_view name = driver == nullptr ? "" : driver;
    const bool shows_nothing = name == "offscreen" || name == "dummy" || name == "evdev";
    if (shows_nothing && (asked == nullptr || SDL_strcasecmp(asked, driver) != 0)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        set_last_error(ERROR_DEVICE_NOT_AVAILABLE, no_display_reason());
        return false;
    }
    return true;
}

void fit_frames() {
    for (const auto& [handle, w] : state().windows)
        if (w->visible && !w->frame_fitted && !w->destroying)
            fit_frame(*w);
}

void set_foreground(HWND window, bool foreground) {
    if (Window* w = find_window(window))
        w->foreground = foreground;
}

BOOL destroy_window(HWND window) {
    Window* w = find_window(window);
    if (w == nullptr) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE, {});
        return FALSE;
    }
    if (w->destroying)
        return TRUE;
    w->destroying = true;
    send_message(window, WM_DESTROY, 0, 0);
    discard_messages(window);
    SDL_DestroyWindow(w->sdl);
    objects::remove(w);
    state().windows.erase(window);
    return TRUE;
}

} // namespace platform::win32

using namespace platform;
using namespace platform::win32;

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
    if (trace::enabled())
        trace::record("RegisterClassExA(" + (wc == nullptr ? std::string("null") : format_class(*wc)) + ")");
    if (wc == nullptr) {
        set_last_error(ERROR_NOACCESS, {});
        return 0;
    }
    if (wc->cbSize != sizeof(WNDCLASSEXA) || wc->lpszClassName == nullptr ||
        IS_INTRESOURCE(wc->lpszClassName) || wc->cbClsExtra < 0 || wc->cbWndExtra < 0) {
        set_last_error(ERROR_INVALID_PARAMETER, {});
        return 0;
    }
    auto& classes = state().classes;
    const std::string key = lower(wc->lpszClassName);
    if (classes.contains(key)) {
        set_last_error(ERROR_CLASS_ALREADY_EXISTS, {});
        return 0;
    }
    classes[key] = WindowClass{wc->style, wc->lpfnWndProc, wc->hInstance, wc->hCursor, wc->hbrBackground};
    return state().next_atom++;
}

HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    const std::string line =
        trace::format("CreateWindowExA", ex_style, trace::Resource{class_name}, window_name, style, x, y,
                      width, height, parent, menu, instance, param);
    const auto fail = [&line]() -> HWND {
        trace::record_result(line, "null");
        return nullptr;
    };
    const auto& classes = state().classes;
    const auto cls = (class_name == nullptr || IS_INTRESOURCE(class_name)) ? classes.end()
                                                                           : classes.find(lower(class_name));
    if (cls == classes.end()) {
        set_last_error(ERROR_CANNOT_FIND_WND_CLASS, {});
        return fail();
    }
    if (parent != nullptr && find_window(parent) == nullptr) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE, {});
        return fail();
    }
    if (!ensure_video())
        return fail();

    // CW_USEDEFAULT in either field of a pair picks the system's default for the pair.
    constexpr int use_default = static_cast<int>(0x80000000u);
    if (width == use_default || height == use_default) {
        width = 640;
        height = 480;
    }
    if (x == use_default || y == use_default)
        x = y = 0;
    width = std::max(width, 1);
    height = std::max(height, 1);

    Uint32 flags = SDL_WINDOW_HIDDEN | d3d9::prepare_render_window();
    if ((style & WS_CAPTION) == 0)
        flags |= SDL_WINDOW_BORDERLESS;
    if (style & WS_THICKFRAME)
        flags |= SDL_WINDOW_RESIZABLE;
    // The dummy video driver (windows without a display, for tests of the message queue) has no OpenGL.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && std::string_view(driver) == "dummy")
        flags &= ~static_cast<Uint32>(SDL_WINDOW_OPENGL);
    SDL_Window* sdl = SDL_CreateWindow(window_name == nullptr ? "" : window_name, x, y, width, height, flags);
    if (sdl == nullptr) {
        set_last_error(ERROR_DEVICE_NOT_AVAILABLE, SDL_GetError());
        return fail();
    }

    auto owned = std::make_unique<Window>();
    Window* w = owned.get();
    w->proc = cls->second.proc;
    w->sdl = sdl;
    w->sdl_id = SDL_GetWindowID(sdl);
    w->style = style;
    w->outer_x = x;
    w->outer_y = y;
    w->outer_width = width;
    w->outer_height = height;
    const HWND handle = reinterpret_cast<HWND>(w);
    state().windows.emplace(handle, std::move(owned));
    objects::add(w, "Window");
    trace::record_result(line, objects::label(w));

    CREATESTRUCTA cs{param,       instance,   menu,    parent, height, width, y, x, static_cast<LONG>(style),
                     window_name, class_name, ex_style};
    if (send_message(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        destroy_window(handle);
        set_last_error(ERROR_INVALID_PARAMETER, "the window procedure refused WM_CREATE");
        return nullptr;
    }
    return find_window(handle) != nullptr ? handle : nullptr;
}

BOOL ShowWindow(HWND window, int show_command) {
    trace::call("ShowWindow", window, show_command);
    Window* w = find_window(window);
    if (w == nullptr) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE, {});
        return FALSE;
    }
    const BOOL was_visible = w->visible ? TRUE : FALSE;
    const bool show = show_command != SW_HIDE;
    if (show != w->visible) {
        send_message(window, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        w = find_window(window);
        if (w == nullptr)
            return was_visible;
    }
    w->visible = show;
    switch (show_command) {
    case SW_HIDE:
        SDL_HideWindow(w->sdl);
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
        SDL_ShowWindow(w->sdl);
        SDL_MinimizeWindow(w->sdl);
        break;
    case SW_SHOWMAXIMIZED:
        SDL_ShowWindow(w->sdl);
        SDL_MaximizeWindow(w->sdl);
        break;
    case SW_RESTORE:
        SDL_ShowWindow(w->sdl);
        SDL_RestoreWindow(w->sdl);
        break;
    default:
        SDL_ShowWindow(w->sdl);
        break;
    }
    if (show && !w->frame_fitted)
        fit_frame(*w);
    if (activates(show_command))
        SDL_RaiseWindow(w->sdl);
    return was_visible;
}

BOOL DestroyWindow(HWND window) {
    trace::call("DestroyWindow", window);
    return destroy_window(window);
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR cursor_name) {
    trace::call("LoadCursorA", instance, trace::Resource{cursor_name});
    if (instance == nullptr && cursor_name != nullptr && IS_INTRESOURCE(cursor_name)) {
        const auto id = static_cast<WORD>(reinterpret_cast<std::uintptr_t>(cursor_name));
        for (std::size_t i = 0; i < std::size(system_cursor_ids); ++i) {
            if (system_cursor_ids[i] == id) {
                system_cursors[i].id = id;
                return reinterpret_cast<HCURSOR>(&system_cursors[i]);
            }
        }
    }
    set_last_error(ERROR_RESOURCE_NAME_NOT_FOUND, {});
    return nullptr;
}

namespace {

// The window whose rectangle GetClientRect or GetWindowRect reads, or null (with the last error set) for an
// unknown window or no rectangle to fill.
const Window* rect_target(HWND window, LPRECT rect) {
    const Window* w = find_window(window);
    if (w == nullptr) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE, {});
        return nullptr;
    }
    if (rect == nullptr) {
        set_last_error(ERROR_NOACCESS, {});
        return nullptr;
    }
    return w;
}

} // namespace

BOOL GetClientRect(HWND window, LPRECT rect) {
    trace::call("GetClientRect", window);
    const Window* w = rect_target(window, rect);
    if (w == nullptr)
        return FALSE;
    int width = 0, height = 0;
    SDL_GetWindowSize(w->sdl, &width, &height);
    *rect = RECT{0, 0, width, height};
    return TRUE;
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
    trace::call("GetWindowRect", window);
    const Window* w = rect_target(window, rect);
    if (w == nullptr)
        return FALSE;
    int x = 0, y = 0, width = 0, height = 0;
    SDL_GetWindowPosition(w->sdl, &x, &y);
    SDL_GetWindowSize(w->sdl, &width, &height);
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(w->sdl, &top, &left, &bottom, &right) != 0)
        top = left = bottom = right = 0;
    *rect = RECT{x - left, y - top, x + width + right, y + height + bottom};
    return TRUE;
}
