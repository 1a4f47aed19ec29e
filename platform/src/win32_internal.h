// What the rest of the platform layer needs from the Win32 window and message queue: the SDL window behind
// an HWND, the window's client size, whether it is in the foreground, and the one SDL event pump shared by
// the message queue and DirectInput. Implemented in win32_window.cpp and win32_messages.cpp; used by
// d3d9_*.cpp and dinput8.cpp.
//
// The renderer's context: CreateWindowExA has the renderer set its SDL attributes before it creates the
// window with the renderer's flags (prepare_render_window of render_backend.h; hidden until ShowWindow): for
// OpenGL, context 3.3 core profile, double buffered, RGBA 8-8-8-0, no depth and no stencil buffer in the
// window's own framebuffer. The renderer creates its context itself on sdl_window(hwnd) and owns it; it may
// set further attributes before that, but must not recreate the window.
#pragma once

#include <windows.h>

#include <SDL.h>

#include <functional>
#include <string>

namespace platform::win32 {

// The SDL window of a live window handle, or null for null, an unknown or a destroyed handle.
SDL_Window* sdl_window(HWND window);

// The window's client area in pixels (the drawable size, which is what Present scales into). Returns
// false, leaving width and height untouched, for an unknown handle.
bool client_size(HWND window, int* width, int* height);

// True when the window is live and has the keyboard focus (it is the foreground window).
bool is_foreground(HWND window);

// The window handle that owns an SDL window id, or null.
HWND window_from_sdl_id(Uint32 window_id);

// Takes every waiting SDL event and feeds it to the message queue (which turns some into window messages)
// and to every registered event listener (DirectInput keeps its key and mouse state this way). Called at
// the start of PeekMessageA and of every DirectInput read, so input is current when it is read. Does
// nothing when SDL video was never started.
void pump_events();

// Registers a listener that sees every SDL event the pump takes, after the message queue has. Returns an id
// for remove_event_listener.
using EventListener = std::function<void(const SDL_Event&)>;
int add_event_listener(EventListener listener);
void remove_event_listener(int id);

// Starts SDL video if it is not running yet. Returns false (and sets the thread's last error with the SDL
// reason) when there is no display.
bool ensure_video();

// Sets the thread's last error (GetLastError) with the text FormatMessageA gives for it, e.g. the SDL
// reason why no window could be made.
void set_last_error(DWORD code, std::string reason);

// The message queue's view of a window's focus changes, used by the window code when SDL reports them.
void set_foreground(HWND window, bool foreground);

} // namespace platform::win32
