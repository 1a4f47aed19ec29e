// The live Win32 windows of the layer: the record behind each HWND (its window procedure, host window,
// visibility and focus), found by handle or by host window, the direct call of a window procedure
// (SendMessage's way), and the layer-internal view of a window (host window, client size, focus).
#include "win32/win32_registry.h"

#include <map>

namespace platform::win32 {
namespace {

std::map<HWND, std::unique_ptr<WindowRecord>>& windows() {
    static std::map<HWND, std::unique_ptr<WindowRecord>> w;
    return w;
}

} // namespace

HWND add_window(std::unique_ptr<WindowRecord> window) {
    const HWND handle = reinterpret_cast<HWND>(window.get());
    windows().emplace(handle, std::move(window));
    return handle;
}

void remove_window(HWND window) {
    windows().erase(window);
}

WindowRecord* find_window(HWND window) {
    const auto it = windows().find(window);
    return it == windows().end() ? nullptr : it->second.get();
}

std::vector<HWND> live_windows() {
    std::vector<HWND> out;
    for (const auto& [handle, w] : windows())
        out.push_back(handle);
    return out;
}

LRESULT send_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const WindowRecord* w = find_window(window);
    if (w == nullptr || w->proc == nullptr)
        return 0;
    return w->proc(window, message, wparam, lparam);
}

void set_foreground(HWND window, bool foreground) {
    if (WindowRecord* w = find_window(window))
        w->foreground = foreground;
}

host::Window* host_window(HWND window) {
    const WindowRecord* w = find_window(window);
    return w == nullptr ? nullptr : w->host;
}

HWND window_from_host(const host::Window* window) {
    if (window == nullptr)
        return nullptr;
    for (const auto& [handle, w] : windows())
        if (w->host == window && !w->destroying)
            return handle;
    return nullptr;
}

bool client_size(HWND window, int* width, int* height) {
    const WindowRecord* w = find_window(window);
    if (w == nullptr)
        return false;
    host::drawable_size(w->host, width, height);
    return true;
}

bool is_foreground(HWND window) {
    const WindowRecord* w = find_window(window);
    return w != nullptr && w->foreground;
}

} // namespace platform::win32
