// The one call the Direct3D 9 device makes into the GL renderer: making it (gl_backend.cpp).
#pragma once

#include "d3d9/render_backend.h"

#include <memory>

namespace platform::gl {

// The GL renderer on the window's host window; null, with one line on stderr, when the display offers no
// OpenGL 3.3 core (or WebGL 2) context or the back buffer cannot be made.
std::unique_ptr<d3d9::RenderBackend> make_gl_backend(HWND window, const D3DPRESENT_PARAMETERS& params);

} // namespace platform::gl
