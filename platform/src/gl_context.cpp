// The GL renderer's context and its making (make_gl_backend of render_backend.h): an OpenGL 3.3 core
// context created with SDL on the window's SDL window, the objects every draw uses (vertex array, one
// sampler per fixed-function stage, the font's coverage program), making the context current with the back
// buffer bound, and what the window does for the renderer (its SDL GL attributes, its drawable size).
#include "gl_backend.h"
#include "gl_font_quads.h"
#include "win32_internal.h"

#include <cstdio>

namespace platform::d3d9 {

GlContext::~GlContext() {
    SDL_GL_DeleteContext(context_);
}

bool GlContext::make_current() {
    if (SDL_GL_GetCurrentContext() == context_)
        return true;
    SDL_Window* const window = win32::sdl_window(window_);
    return window != nullptr && SDL_GL_MakeCurrent(window, context_) == 0;
}

std::unique_ptr<RenderBackend> make_gl_backend(HWND window, const D3DPRESENT_PARAMETERS& params) {
    SDL_Window* const sdl = win32::sdl_window(window);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    const SDL_GLContext context = SDL_GL_CreateContext(sdl);
    if (context == nullptr) {
        std::fprintf(stderr, "Direct3D 9: no OpenGL 3.3 core context on this display: %s\n", SDL_GetError());
        return nullptr;
    }
    auto gl = std::make_shared<GlContext>(window, context);
    if (!gl->make_current() || epoxy_gl_version() < 33) {
        std::fprintf(stderr, "Direct3D 9: the display offers OpenGL %d.%d, 3.3 is needed\n",
                     epoxy_gl_version() / 10, epoxy_gl_version() % 10);
        return nullptr;
    }
    auto backend = std::make_unique<GlBackend>(window, params, std::move(gl));
    std::string error;
    if (!backend->init(error)) {
        std::fprintf(stderr, "Direct3D 9: cannot set up the device on OpenGL: %s\n", error.c_str());
        return nullptr;
    }
    return backend;
}

GlBackend::GlBackend(HWND window, const D3DPRESENT_PARAMETERS& params, std::shared_ptr<GlContext> gl)
    : window_(window), params_(params), gl_(std::move(gl)), width_(params.BackBufferWidth),
      height_(params.BackBufferHeight) {}

bool GlBackend::init(std::string& error) {
    // Errors left by whatever ran on the context before are not ours (bounded: a lost context repeats one).
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    if (!init_back_buffer(error))
        return false;

    coverage_ = CoverageProgram::create(error);
    if (!coverage_)
        return false;

    glGenVertexArrays(1, &vertex_array_);
    glBindVertexArray(vertex_array_);
    glGenSamplers(kTextureStages, samplers_.data());
    for (GLuint unit = 0; unit < kTextureStages; ++unit)
        glBindSampler(unit, samplers_[unit]);
    if (epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") ||
        epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic"))
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &max_anisotropy_);
    // Flat shading takes each triangle's first vertex, as Direct3D 9 does.
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);

    // PresentationInterval DEFAULT and ONE wait for the vertical retrace, IMMEDIATE does not.
    SDL_GL_SetSwapInterval(
        params_.PresentationInterval == static_cast<UINT>(D3DPRESENT_INTERVAL_IMMEDIATE) ? 0 : 1);
    return glGetError() == GL_NO_ERROR || (error = "GL error while setting up", false);
}

void GlBackend::release() {
    if (!gl_->make_current()) {
        // The window is gone, and the context's objects go with the context.
        programs_.abandon();
        if (coverage_)
            coverage_->abandon();
        return;
    }
    for (const GLuint atlas : atlases_)
        glDeleteTextures(1, &atlas);
    atlases_.clear();
    programs_.clear();
    coverage_.reset();
    if (samplers_[0] != 0)
        glDeleteSamplers(kTextureStages, samplers_.data());
    if (vertex_array_ != 0)
        glDeleteVertexArrays(1, &vertex_array_);
    if (depth_buffer_ != 0)
        glDeleteRenderbuffers(1, &depth_buffer_);
    if (color_buffer_ != 0)
        glDeleteRenderbuffers(1, &color_buffer_);
    if (framebuffer_ != 0)
        glDeleteFramebuffers(1, &framebuffer_);
}

GlBackend::~GlBackend() {
    release();
    programs_.clear();
    coverage_.reset();
}

bool GlBackend::make_current() {
    if (!gl_->make_current())
        return false;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    return true;
}

bool GlBackend::can_draw() {
    SDL_Window* const sdl = win32::sdl_window(window_);
    if (sdl != nullptr && (SDL_GetWindowFlags(sdl) & SDL_WINDOW_MINIMIZED) != 0)
        return false;
    return make_current();
}

bool GlBackend::can_present() {
    return win32::sdl_window(window_) != nullptr && make_current();
}

void GlBackend::flush() {
    if (gl_->make_current())
        glFlush();
}

UINT GlBackend::max_texture_side() {
    if (!gl_->make_current())
        return 0;
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? static_cast<UINT>(side) : 0;
}

std::uint32_t prepare_render_window() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    return SDL_WINDOW_OPENGL;
}

void drawable_size(SDL_Window* window, int* width, int* height) {
    SDL_GL_GetDrawableSize(window, width, height);
}

} // namespace platform::d3d9
