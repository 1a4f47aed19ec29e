// What the SDL host's files share (host_sdl.cpp: windows; host_sdl_events.cpp: events, mouse, clock;
// host_sdl_gl.cpp: GL contexts and swaps). Private to host_sdl*.cpp.
#pragma once

#include "host/sdl/host_sdl.h"

namespace platform::host {

// Fits the frame of every shown window that a window manager has framed since it was shown.
void fit_frames();

} // namespace platform::host
