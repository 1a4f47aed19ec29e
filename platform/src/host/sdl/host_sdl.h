// What the SDL host (host_sdl*.cpp) adds to the host seam for the code that knows it runs on SDL: the SDL
// window behind a host window and back, which the tests use to address synthetic SDL events.
#pragma once

#include "host/host.h"

#include <SDL.h>

namespace platform::host {

// The SDL window of a host window (null for null), and the live host window of an SDL window id (or null).
SDL_Window* sdl_window(host::Window* window);
host::Window* from_sdl_id(Uint32 window_id);

} // namespace platform::host
