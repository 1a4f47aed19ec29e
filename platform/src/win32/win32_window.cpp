// Win32 windows on the host (host.h): RegisterClassExA, CreateWindowExA, ShowWindow, DestroyWindow,
// DefWindowProcA, LoadCursorA and GetClientRect. A window is a host window made with the renderer's GL
// attributes, captioned and resizable (WS_OVERLAPPEDWINDOW, the program's style; other styles, extended
// styles, a position or size of CW_USEDEFAULT are reported), hidden until ShowWindow, which shows it as
// SW_SHOWDEFAULT does (other commands are reported); the size given to CreateWindowExA is the outer size,
// which the host fits a window manager's frame into.
//
// Trace lines (objects by label, strings quoted, out-parameters left out):
//   RegisterClassExA({48, 3, proc, 0, 0, <instance>, null, 32512, 5, null, "WindowClass", null})
//       the WNDCLASSEXA fields in order; the window procedure prints as "proc" (or null), the cursor as the
//       number of the system cursor it is (or a label), the brush as its number
//   CreateWindowExA(0, "WindowClass", "Our First Direct3D Program", WS_OVERLAPPEDWINDOW, 0, 0, 1024, 768,
//   null, null,
//       <instance>, null) -> Window#1        (or " -> null" on failure; GetLastError says why)
//   ShowWindow(Window#1, SW_SHOWDEFAULT)   DestroyWindow(Window#1)   LoadCursorA(null, 32512)
//   GetClientRect(Window#1)    DefWindowProcA(Window#1, WM_CLOSE, 0, 0)
// Messages sent to the window procedure: WM_CREATE (with a CREATESTRUCTA) while CreateWindowExA runs, after
// its trace line (returning -1 makes creation fail); WM_SHOWWINDOW when ShowWindow changes the visibility;
// WM_DESTROY from DestroyWindow. The default window procedure destroys a window on WM_CLOSE and sends
// WM_CLOSE on Alt+F4.
#include "trace/unimplemented.h"
#include "trace/trace_win32.h"
#include "win32/win32_registry.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <map>
#include <memory>

namespace platform::win32 {
namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

struct Windows {
    // Class names compare without regard to case, as in Windows.
    std::map<std::string, WNDPROC> classes; // the window procedure of each class
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

} // namespace

// DestroyWindow without its trace line (the default window procedure destroys windows this way).
BOOL destroy_window(HWND window) {
    WindowRecord* w = find_window(window);
    if (w == nullptr) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE, {});
        return FALSE;
    }
    if (w->destroying)
        return TRUE;
    w->destroying = true;
    send_message(window, WM_DESTROY, 0, 0);
    discard_messages(window);
    host::destroy_window(w->host);
    trace::objects::remove(w);
    remove_window(window);
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
    classes[key] = wc->lpfnWndProc;
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
    std::string reason;
    if (!host::start_video(reason)) {
        set_last_error(ERROR_DEVICE_NOT_AVAILABLE, reason);
        return fail();
    }

    if (style != WS_OVERLAPPEDWINDOW)
        trace::report_unimplemented("CreateWindowExA dwStyle", style, "WS_OVERLAPPEDWINDOW");
    if (ex_style != 0)
        trace::report_unimplemented("CreateWindowExA dwExStyle", ex_style, "0");
    if (x == CW_USEDEFAULT || y == CW_USEDEFAULT || width == CW_USEDEFAULT || height == CW_USEDEFAULT)
        trace::report_unimplemented("CreateWindowExA position or size", CW_USEDEFAULT, "the value itself");
    host::WindowSpec spec;
    spec.title = window_name == nullptr ? "" : window_name;
    spec.x = x;
    spec.y = y;
    spec.width = std::max(width, 1);
    spec.height = std::max(height, 1);
    host::Window* const hw = host::create_window(spec, reason);
    if (hw == nullptr) {
        set_last_error(ERROR_DEVICE_NOT_AVAILABLE, reason);
        return fail();
    }
    width = spec.width;
    height = spec.height;

    auto owned = std::make_unique<WindowRecord>();
    WindowRecord* w = owned.get();
    w->proc = cls->second;
    w->host = hw;
    const HWND handle = add_window(std::move(owned));
    trace::objects::add(w, "Window");
    trace::record_result(line, trace::objects::label(w));

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
    WindowRecord* w = find_window(window);
    if (w == nullptr) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE, {});
        return FALSE;
    }
    if (show_command != SW_SHOWDEFAULT)
        trace::report_unimplemented("ShowWindow nCmdShow", static_cast<std::uint32_t>(show_command),
                                    "SW_SHOWDEFAULT");
    const BOOL was_visible = w->visible ? TRUE : FALSE;
    if (!w->visible) {
        send_message(window, WM_SHOWWINDOW, TRUE, 0);
        w = find_window(window);
        if (w == nullptr)
            return was_visible;
        w->visible = true;
    }
    host::show_window(w->host);
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

BOOL GetClientRect(HWND window, LPRECT rect) {
    trace::call("GetClientRect", window);
    const WindowRecord* w = find_window(window);
    if (w == nullptr || rect == nullptr) {
        set_last_error(w == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_NOACCESS, {});
        return FALSE;
    }
    int width = 0, height = 0;
    host::client_size(w->host, &width, &height);
    *rect = RECT{0, 0, width, height};
    return TRUE;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    trace::call("DefWindowProcA", window, message, wparam, lparam);
    switch (message) {
    case WM_CLOSE:
        destroy_window(window);
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+F4 closes the window.
        if (wparam == VK_F4 && (lparam & (1 << 29)) != 0)
            send_message(window, WM_CLOSE, 0, 0);
        return 0;
    default:
        return 0;
    }
}
