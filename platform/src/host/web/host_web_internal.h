// What the web host's files share: host_web.cpp (the canvas as the one window, the WebGL 2 context, the
// yield to the browser) and main_web.cpp (the program's entry point) call into host_web_events.cpp (DOM
// events, pointer lock, clock), never the other way. Private to host/web/.
#pragma once

#include "host/host.h"

namespace platform::host {

// Registers the DOM event handlers (once, when the first window is made), makes the window (the canvas) the
// one every event is for, and queues its first focus: the page the program starts in is the foreground.
void start_events(host::Window* window);

// Removes every DOM handler the host registered and drops what is queued: the program has ended, and the
// page is the browser's again.
void stop_events();

// Drops the events queued for a window that goes away; events after it are for no window.
void forget(host::Window* window);

} // namespace platform::host
