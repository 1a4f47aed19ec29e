// The GL the renderer calls: OpenGL 3.3 core through libepoxy on the desktop, OpenGL ES 3.0 (WebGL 2)
// through Emscripten's GLES3 headers on the web. This is the one place that asks which platform it is built
// for; the renderer's files ask only for the features below, so that another GL (a desktop ES context, say)
// is a change here alone.
#pragma once

#if defined(__EMSCRIPTEN__)
#include <GLES3/gl3.h>
#include <GLES2/gl2ext.h>
#define PLATFORM_GL_ES 1    // OpenGL ES 3.0: GLSL ES 3.00 shaders and what ES 3.0 lacks, below
#define PLATFORM_GL_WEBGL 1 // and WebGL 2's own limits: no buffer mapping; the canvas is the window
#else
#include <epoxy/gl.h>
#define PLATFORM_GL_ES 0
#define PLATFORM_GL_WEBGL 0
#endif

// What desktop OpenGL 3.3 has and OpenGL ES 3.0 does not.
#define PLATFORM_GL_HAS_BGRA (!PLATFORM_GL_ES)             // BGRA texel, read-back and attribute formats
#define PLATFORM_GL_HAS_BASE_VERTEX (!PLATFORM_GL_ES)      // glDrawElementsBaseVertex
#define PLATFORM_GL_HAS_PROVOKING_VERTEX (!PLATFORM_GL_ES) // glProvokingVertex: flat shading's first vertex
#define PLATFORM_GL_HAS_CLIP_CONTROL (!PLATFORM_GL_ES)     // glClipControl (GL 4.5 or ARB_clip_control)
#define PLATFORM_GL_HAS_DOUBLE_DEPTH (!PLATFORM_GL_ES)     // glClearDepth (ES has only glClearDepthf)
// What WebGL 2 lacks beyond ES 3.0.
#define PLATFORM_GL_HAS_MAP_BUFFER (!PLATFORM_GL_WEBGL) // glMapBufferRange
// The display can take the context away and give it back empty (a browser's lost WebGL context), so the
// renderer makes every GL object again from the device's records, which then keep texture levels too.
#define PLATFORM_GL_CAN_LOSE_CONTEXT PLATFORM_GL_WEBGL
// The window's own buffers can stand in for the back buffer; a page's canvas cannot (its drawing buffer is
// cleared once the browser has shown it, and the tests read the picture back after the frame).
#define PLATFORM_GL_WINDOW_CAN_BE_BACK_BUFFER (!PLATFORM_GL_WEBGL)

#include <string_view>

namespace platform::gl {

// True on OpenGL ES 3.0 / WebGL 2: GLSL ES 3.00 shaders. The size argument of a vertex colour's attribute:
// GL_BGRA where the GL has BGRA attributes, 4 elsewhere (the ES program swaps the bytes).
constexpr bool kGlEs = PLATFORM_GL_ES;
#if PLATFORM_GL_HAS_BGRA
constexpr GLint kVertexColourSize = GL_BGRA;
#else
constexpr GLint kVertexColourSize = 4;
#endif

// The GL's version as major * 10 + minor (33 for OpenGL 3.3; 30 for ES 3.0, which is all ES is asked for).
inline int gl_version() {
#if PLATFORM_GL_ES
    return 30;
#else
    return epoxy_gl_version();
#endif
}

// Whether the context offers an extension: libepoxy's answer on the desktop, the list read one by one on ES
// (which has no loader to ask).
inline bool gl_has_extension(const char* name) {
#if PLATFORM_GL_ES
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const auto* ext = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
        if (ext != nullptr && std::string_view(ext) == name)
            return true;
    }
    return false;
#else
    return epoxy_has_gl_extension(name);
#endif
}

} // namespace platform::gl
