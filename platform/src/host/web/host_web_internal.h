// What the web host's files share (host_web.cpp: the canvas as the one window, the WebGL 2 context, the
// yield to the browser; host_web_events.cpp: DOM events, pointer lock, clock). Private to host_web*.cpp.
#pragma once

#include "host/host.h"

namespace platform::host_web {

// The page's one window (the canvas), or null while the program has none.
host::Window* canvas_window();

// Registers the DOM event handlers (once, when the first window is made) and queues the window's first
// focus: the page the program starts in is the foreground.
void start_events(host::Window* window);

// Drops the events queued for a window that goes away.
void forget(host::Window* window);

} // namespace platform::host_web
