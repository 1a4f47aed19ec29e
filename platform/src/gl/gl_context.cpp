// The GL renderer's context on the window's host window: made current through the host, deleted with the
// renderer, lost and given back as the host says.
#include "gl/gl_backend.h"
#include "win32/win32_internal.h"

namespace platform::gl {

RendererContext::~RendererContext() {
    host::delete_gl_context(context_);
}

bool RendererContext::make_current() {
    return host::make_current(win32::host_window(window_), context_);
}

bool RendererContext::lost() const {
    return host::context_lost(context_);
}

unsigned RendererContext::restorations() const {
    return host::context_restorations(context_);
}

} // namespace platform::gl
