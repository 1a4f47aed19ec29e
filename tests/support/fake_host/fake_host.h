// A host for tests (host/host.h implemented by fake_host.cpp, with no display at all): what the Win32 and
// DirectInput front ends ask of a host is answered from records the test fills and reads here. Events come
// from a queue the test fills, as the desktop's or the browser's would come; windows are records of what they
// were made with; the captured mouse is recorded; the clock, the pointer and the display's presence are the
// test's to set. It stands behind the host seam as the recording renderer stands behind the renderer seam,
// and is linked only into the unit tests of the front ends, never into the program: it implements only what
// they call.
#pragma once

#include "host/host.h"

#include <cstdint>
#include <string>

namespace fake_host {

using platform::host::Button;
using platform::host::Event;
using platform::host::EventType;
using platform::host::Window;

// Whether start_video finds a display, and the reason it gives when it finds none.
void set_display(bool present, std::string reason = {});

// Events. push queues the event as given; the others make one, addressed to the window and stamped with
// the clock (set_ticks), and queue it.
void push(const Event& event);
void key(Window* window, platform::host::hid::Usage usage, bool down, std::uint16_t modifiers = 0,
         bool repeat = false);
void focus(Window* window, bool gained); // a loss first releases every key still held, as the seam says
void close(Window* window);
void quit();
void motion(Window* window, int dx, int dy);
void wheel(Window* window, int notches);
void button(Window* window, Button which, bool down, int x = 0, int y = 0); // x, y in the client area

// The clock (host::ticks) and the pointer's screen position.
void set_ticks(std::uint32_t ms);
void set_pointer(int x, int y);

// The window holding the captured mouse, or null.
Window* captured();

} // namespace fake_host
