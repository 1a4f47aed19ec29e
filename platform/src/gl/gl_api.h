// The GL the renderer calls: OpenGL 3.3 core through libepoxy on the desktop, OpenGL ES 3.0 (WebGL 2)
// through Emscripten's GLES3 headers on the web. The renderer keeps to the calls both offer, and says here
// which dialect its generated shaders are written in and whether the GL has what only the desktop has.
#pragma once

#if defined(__EMSCRIPTEN__)
#include <GLES3/gl3.h>
#include <GLES2/gl2ext.h>
#else
#include <epoxy/gl.h>
#endif

namespace platform::d3d9 {

// True on OpenGL ES 3.0 / WebGL 2: GLSL ES 3.00 shaders, no provoking-vertex control. The size argument of a
// vertex colour's attribute: GL_BGRA on OpenGL, 4 on ES (which has no BGRA attributes).
#if defined(__EMSCRIPTEN__)
constexpr bool kGlEs = true;
constexpr GLint kVertexColourSize = 4;
#else
constexpr bool kGlEs = false;
constexpr GLint kVertexColourSize = GL_BGRA;
#endif

// Whether the context offers an extension.
bool gl_has_extension(const char* name);

} // namespace platform::d3d9
