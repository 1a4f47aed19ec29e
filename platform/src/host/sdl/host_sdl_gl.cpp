// The SDL host's GL contexts (host.h on SDL2): an OpenGL 3.3 core context on a window made with the GL
// attributes (host_sdl.cpp), making it current (it is never lost), the swap interval and the buffer swap.
#include "host/sdl/host_sdl_internal.h"

#include <map>
#include <memory>

namespace platform::host {

struct GlContext {
    SDL_GLContext sdl = nullptr;
};

namespace {
std::map<GlContext*, std::unique_ptr<GlContext>>& contexts() {
    static std::map<GlContext*, std::unique_ptr<GlContext>> c;
    return c;
}
} // namespace

GlContext* create_gl_context(Window* window, std::string& error) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    const SDL_GLContext context = SDL_GL_CreateContext(sdl_window(window));
    if (context == nullptr) {
        error = SDL_GetError();
        return nullptr;
    }
    auto owned = std::make_unique<GlContext>(GlContext{context});
    GlContext* const c = owned.get();
    contexts().emplace(c, std::move(owned));
    return c;
}

void delete_gl_context(GlContext* context) {
    if (context == nullptr)
        return;
    SDL_GL_DeleteContext(context->sdl);
    contexts().erase(context);
}

bool make_current(Window* window, GlContext* context) {
    if (SDL_GL_GetCurrentContext() == context->sdl)
        return true;
    SDL_Window* const sdl = sdl_window(window);
    return sdl != nullptr && SDL_GL_MakeCurrent(sdl, context->sdl) == 0;
}

// A desktop GL context stays with its window until it is deleted.
bool context_lost(GlContext* /*context*/) {
    return false;
}

unsigned context_restorations(GlContext* /*context*/) {
    return 0;
}

void set_swap_interval(bool wait_for_retrace) {
    SDL_GL_SetSwapInterval(wait_for_retrace ? 1 : 0);
}

void swap(Window* window) {
    SDL_GL_SwapWindow(sdl_window(window));
}

} // namespace platform::host
