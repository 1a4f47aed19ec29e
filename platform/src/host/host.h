// The host seam: everything the platform layer needs from what it runs on, and nothing of Windows. A host
// gives windows (their showing, sizes and frame), one queue of input and window events, the pointer
// captured for relative motion, a GL context on a window (and whether the display has taken it away) and
// the buffer swap, the clock, and the wait for the next displayed frame. Key identity crosses the seam as
// USB HID usages (hid_usage.h).
//
// Two hosts implement it: the desktop host (sdl/, Linux: windows and events of the desktop's media
// library, an OpenGL 3.3 core context) and the web host (web/, the browser: emscripten/html5.h events on the
// page's canvas, a WebGL 2 context). The Win32 windows and message queue, DirectInput and the
// GL renderer work through this file only; exactly one host is linked.
#pragma once

#include "host/hid_usage.h"

#include <cstdint>
#include <string>

namespace platform::host {

struct Window;    // a host window: a desktop window, or the page's canvas
struct GlContext; // a GL context made on a host window

// Modifier keys and lock states held when a key event happened.
enum Modifier : std::uint16_t {
    kModShift = 1,
    kModCtrl = 2,
    kModAlt = 4,
    kModCapsLock = 8,
    kModNumLock = 16
};

enum class EventType {
    KeyDown,     // key, modifiers, repeat
    KeyUp,       // key, modifiers
    FocusGained, // the window took the keyboard focus
    FocusLost,
    Close,       // the user asked to close the window
    Quit,        // the user asked the program to end (window null)
    Resized,     // x, y: the new client size
    MouseMotion, // x, y: the motion of the mouse itself; emulated when a touch screen made it
    MouseWheel,  // y: notches, positive away from the user
    ButtonDown,  // button; x, y: where the pointer is in the window's client area
    ButtonUp,
};

enum class Button : std::uint8_t { Left, Right, Middle, X1, X2, Other };

struct Event {
    EventType type = EventType::Quit;
    Window* window = nullptr;
    std::uint32_t time = 0; // milliseconds of the host's clock (ticks)
    hid::Usage key = 0;
    std::uint16_t modifiers = 0;
    bool repeat = false;
    // KeyUp: the key was still held when its window lost the keyboard focus, and the loss released it. A host
    // releases every key held at that moment, each with such a key-up, just before the FocusLost event.
    bool focus_release = false;
    int x = 0, y = 0;
    bool emulated = false;
    Button button = Button::Other;
};

// Starts the host's display if it is not running; false, with the reason in words, when there is none.
bool start_video(std::string& reason);
// Whether the display runs (events can come).
bool video_running();

struct WindowSpec {
    const char* title = "";
    // The outer rectangle: where a window manager adds a frame, the client area is that much smaller.
    int x = 0, y = 0, width = 0, height = 0;
};

// A new hidden window with a title bar and a frame the user can drag, made for the renderer to draw into
// (with its GL attributes); null with the reason in error on failure.
Window* create_window(const WindowSpec& spec, std::string& error);
void destroy_window(Window* window);

// Shows the window and gives it the keyboard focus.
void show_window(Window* window);
bool is_minimized(Window* window);
bool is_hidden(Window* window);

// The client area in window coordinates, and the drawable in pixels (what the GL back buffer is shown in).
void client_size(Window* window, int* width, int* height);
void drawable_size(Window* window, int* width, int* height);

// Takes the next waiting event; false when none is waiting.
bool poll_event(Event& event);
// Milliseconds since the host started, and the pointer's position on the screen.
std::uint32_t ticks();
void pointer_position(int* x, int* y);

// Captures the mouse for the window (hidden, confined, motion read as the device's own) or releases it.
void capture_mouse(Window* window, bool on);

// A GL context on the window: OpenGL 3.3 core (desktop host) or WebGL 2 (web host); null with the reason in
// error when the display offers none.
GlContext* create_gl_context(Window* window, std::string& error);
void delete_gl_context(GlContext* context);
// Makes the context current on its window; false when either is gone.
bool make_current(Window* window, GlContext* context);
// Whether the display has taken the context away for now (a browser may lose a WebGL context, and give it
// back later): GL calls on it do nothing meanwhile. Never so on the desktop host.
bool context_lost(GlContext* context);
// How many times the display has given the context back after a loss; each time, every GL object made on
// it before is gone, and its state is GL's initial one.
unsigned context_restorations(GlContext* context);
// Whether the retrace wait is on for swaps (Direct3D's presentation interval).
void set_swap_interval(bool wait_for_retrace);
// Shows what was drawn into the window's default framebuffer: the buffer swap, and on the web host the
// yield to the browser until its next displayed frame.
void swap(Window* window);
// Waits about one display refresh (Present of a window nobody can see).
void wait_refresh(Window* window);

} // namespace platform::host
