// A host for tests (host/host.h implemented by fake_host.cpp, with no display at all): what the Win32 and
// DirectInput front ends ask of a host is answered from records the test fills and reads here. Events come
// from a queue the test fills, as the desktop's or the browser's would come; windows made, shown and
// destroyed are recorded with what was asked of them; the captured mouse, swaps and refresh waits are
// recorded; the clock, the pointer, the display's presence and each window's drawable size are the test's
// to set. It stands behind the host seam as the recording renderer stands behind the renderer seam, and is
// linked only into the unit tests of the front ends, never into the program.
#pragma once

#include "host/host.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fake_host {

using platform::host::Button;
using platform::host::Event;
using platform::host::EventType;
using platform::host::Show;
using platform::host::Window;

// What a window was made with, and what has happened to it since. Kept after the window is destroyed, until
// reset().
struct WindowRecord {
    platform::host::WindowSpec spec; // spec.title points at `title`
    std::string title;
    std::vector<Show> shows; // every show_window, in order
    bool hidden = true;
    bool minimized = false;
    bool destroyed = false;
    int drawable_width = 0, drawable_height = 0; // the window's size unless set_drawable_size chose
    unsigned swaps = 0;
    unsigned refresh_waits = 0;
};

// Forgets every window, event, capture and setting: the host as the process started it.
void reset();

// Whether start_video finds a display, and the reason it gives when it finds none.
void set_display(bool present, std::string reason = {});

// Events. push queues the event as given; the others make one, addressed to the window and stamped with
// the clock (set_ticks), and queue it.
void push(const Event& event);
void key(Window* window, platform::hid::Usage usage, bool down, std::uint16_t modifiers = 0,
         bool repeat = false);
void focus(Window* window, bool gained); // a loss first releases every key still held, as the seam says
void close(Window* window);
void quit();
void resize(Window* window, int width, int height); // the client and drawable sizes follow
void motion(Window* window, int dx, int dy);
void wheel(Window* window, int notches);
void button(Window* window, Button which, bool down, int x = 0, int y = 0); // x, y in the client area
// Events queued and not yet polled.
std::size_t waiting();

// The clock (host::ticks) and the pointer's screen position.
void set_ticks(std::uint32_t ms);
void set_pointer(int x, int y);

// Windows made so far, in order, destroyed ones included, and the record of one of them.
const std::vector<Window*>& windows();
const WindowRecord& record(Window* window);
void set_drawable_size(Window* window, int width, int height);

// The window holding the captured mouse, or null.
Window* captured();

} // namespace fake_host
