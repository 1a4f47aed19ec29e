// The GL renderer's context on the window's host window: made current through the host, deleted with the
// renderer, lost and given back as the host says; and what the context offers (gl_has_extension of
// gl_api.h).
#include "gl/gl_backend.h"
#include "win32/win32_internal.h"

#include <string_view>

namespace platform::d3d9 {

GlContext::~GlContext() {
    host::delete_gl_context(context_);
}

bool GlContext::make_current() {
    return host::make_current(win32::host_window(window_), context_);
}

bool GlContext::lost() const {
    return host::context_lost(context_);
}

unsigned GlContext::restorations() const {
    return host::context_restorations(context_);
}

// The extensions one by one, as both OpenGL 3.3 core and ES 3.0 list them.
bool gl_has_extension(const char* name) {
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const auto* ext = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
        if (ext != nullptr && std::string_view(ext) == name)
            return true;
    }
    return false;
}

} // namespace platform::d3d9
