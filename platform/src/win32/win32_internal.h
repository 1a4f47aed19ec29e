// What the rest of the platform layer needs from the Win32 windows and message queue: the host window
// behind an HWND, the window's client size, whether it is in the foreground, and the one event pump shared
// by the message queue and DirectInput. Implemented in win32_registry.cpp, win32_messages.cpp and
// win32_misc.cpp; used by d3d9_*.cpp, gl_*.cpp and dinput8*.cpp.
//
// A window is made on the host (host.h) with the renderer's GL attributes, hidden until ShowWindow. The
// renderer creates its context itself on host_window(hwnd) and owns it.
#pragma once

#include <windows.h>

#include "host/host.h"

#include <functional>
#include <string>

namespace platform::win32 {

// The host window of a live window handle, or null for null, an unknown or a destroyed handle.
host::Window* host_window(HWND window);

// The live window handle that owns a host window, or null.
HWND window_from_host(const host::Window* window);

// The window's client area in pixels (the drawable size, which is what Present scales into). Returns
// false, leaving width and height untouched, for an unknown handle.
bool client_size(HWND window, int* width, int* height);

// True when the window is live and has the keyboard focus (it is the foreground window).
bool is_foreground(HWND window);

// Takes every waiting host event and feeds it to the message queue (which turns some into window messages)
// and to every registered event listener (DirectInput keeps its key and mouse state this way). Called at
// the start of PeekMessageA and of every DirectInput read, so input is current when it is read. Does
// nothing when the host's display was never started.
void pump_events();

// Registers a listener that sees every host event the pump takes, after the message queue has. Returns an
// id for remove_event_listener.
using EventListener = std::function<void(const host::Event&)>;
int add_event_listener(EventListener listener);
void remove_event_listener(int id);

// While an exclusive DirectInput mouse is acquired, the mouse makes no window messages.
void withhold_mouse_messages(bool withheld);

// Sets the thread's last error (GetLastError) with the text FormatMessageA gives for it, e.g. the host's
// reason why no window could be made.
void set_last_error(DWORD code, std::string reason);

} // namespace platform::win32
