// The GL renderer's making (make_gl_backend of render_backend.h): an OpenGL 3.3 core (or WebGL 2) context
// the host makes on the window's host window (gl_context.cpp), the objects every draw uses (vertex array,
// stage 0's sampler, the font's coverage program), their making again with the
// resources' after the context came back from a loss, and the release.
#include "gl/gl_backend.h"
#include "gl/gl_font_quads.h"
#include "gl/gl_stream_buffer.h"
#include "win32/win32_internal.h"

#include <cstdio>
#include <string_view>

namespace platform::gl {

GlBackend::GlBackend(HWND window, const D3DPRESENT_PARAMETERS& params, std::shared_ptr<RendererContext> gl)
    : window_(window), params_(params), gl_(std::move(gl)), width_(params.BackBufferWidth),
      height_(params.BackBufferHeight), state_(gl_->state()) {}

bool GlBackend::init(std::string& error) {
    // Errors left by whatever ran on the context before are not ours (bounded: a lost context repeats one).
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    restorations_ = gl_->restorations();
    if (!init_back_buffer(error))
        return false;

    coverage_ = CoverageProgram::create(offscreen_rows_down_, error);
    state_.forget(); // its making bound a program, a vertex array and a buffer
    if (!coverage_)
        return false;

    glGenVertexArrays(1, &vertex_array_);
    state_.bind_vertex_array(vertex_array_);
    glGenSamplers(1, &sampler_);
    if (gl_has_extension("GL_EXT_texture_filter_anisotropic") ||
        gl_has_extension("GL_ARB_texture_filter_anisotropic"))
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &max_anisotropy_);
        // Flat shading takes each triangle's first vertex, as Direct3D 9 does. ES has no choice of provoking
        // vertex (it is the last): its flat draws rotate each triangle's indices instead (gl_draw.cpp).
#if PLATFORM_GL_HAS_PROVOKING_VERTEX && PLATFORM_GL_HAS_BASE_VERTEX
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
#else
    scratch_indices_ = std::make_unique<GlStreamBuffer>(GL_ELEMENT_ARRAY_BUFFER, 64 * 1024);
#endif

    // PresentationInterval DEFAULT and ONE wait for the vertical retrace, IMMEDIATE does not.
    host::set_swap_interval(params_.PresentationInterval != static_cast<UINT>(D3DPRESENT_INTERVAL_IMMEDIATE));
    return glGetError() == GL_NO_ERROR || (error = "GL error while setting up", false);
}

void GlBackend::release() {
    if (!gl_->make_current()) {
        // The window is gone, and the context's objects go with the context.
        programs_.abandon();
        if (coverage_)
            coverage_->abandon();
        if (scratch_indices_)
            scratch_indices_->abandon();
        return;
    }
    for (const auto& [handle, atlas] : atlases_)
        glDeleteTextures(1, &atlas.texture);
    atlases_.clear();
    programs_.clear();
    coverage_.reset();
    if (sampler_ != 0)
        glDeleteSamplers(1, &sampler_);
    if (vertex_array_ != 0)
        glDeleteVertexArrays(1, &vertex_array_);
    scratch_indices_.reset();
    if (depth_buffer_ != 0)
        glDeleteRenderbuffers(1, &depth_buffer_);
    if (colour_buffer_ != 0)
        glDeleteRenderbuffers(1, &colour_buffer_);
    if (framebuffer_ != 0)
        glDeleteFramebuffers(1, &framebuffer_);
    // What the context still holds (buffers and textures of resources not yet released) starts unknown.
    state_.forget();
}

GlBackend::~GlBackend() {
    release();
    programs_.clear();
    coverage_.reset();
}

void GlBackend::renew_after_loss() {
    // The names of the context before are gone with it: forgotten, not deleted.
    programs_.abandon();
    programs_.clear();
    program_ = nullptr;
    if (coverage_)
        coverage_->abandon();
    coverage_.reset();
    if (scratch_indices_)
        scratch_indices_->abandon();
    scratch_indices_.reset();
    framebuffer_ = colour_buffer_ = depth_buffer_ = vertex_array_ = 0;
    sampler_ = 0;
    offscreen_complete_ = false;
    state_.forget(); // the context given back has GL's initial state
    std::string error;
    if (!init(error))
        std::fprintf(stderr,
                     "Direct3D 9: the %s context came back, but the device cannot be set up on it: %s\n",
                     kGlEs ? "WebGL 2" : "OpenGL", error.c_str());
    for (GlRenewable* object : gl_->renewables())
        object->renew(restorations_);
    for (auto& [handle, atlas] : atlases_)
        atlas.texture = make_atlas_texture(atlas.width, atlas.height, atlas.coverage);
}

bool GlBackend::current_and_renewed() {
    if (!make_current())
        return false;
    if (!gl_->lost() && gl_->restorations() != restorations_) {
        renew_after_loss();
        bind_target();
    }
    return true;
}

bool GlBackend::can_draw() {
    host::Window* const hw = win32::host_window(window_);
    if (hw != nullptr && host::is_minimized(hw))
        return false;
    // Nothing drawn on a lost context would be seen.
    return current_and_renewed() && !gl_->lost();
}

bool GlBackend::can_present() {
    return win32::host_window(window_) != nullptr && current_and_renewed();
}

void GlBackend::flush() {
    if (gl_->make_current())
        glFlush();
}

} // namespace platform::gl

// The renderer's making, which the device declares (render_backend.h).
namespace platform {

std::unique_ptr<d3d9::RenderBackend> d3d9::make_gl_backend(HWND window, const D3DPRESENT_PARAMETERS& params) {
    std::string reason;
    host::GlContext* const context = host::create_gl_context(win32::host_window(window), reason);
    if (context == nullptr) {
        std::fprintf(stderr, "Direct3D 9: no %s context on this display: %s\n",
                     gl::kGlEs ? "WebGL 2" : "OpenGL 3.3 core", reason.c_str());
        return nullptr;
    }
    auto gl = std::make_shared<gl::RendererContext>(window, context);
    if (!gl->make_current()) {
        std::fprintf(stderr, "Direct3D 9: the %s context cannot be made current\n",
                     gl::kGlEs ? "WebGL 2" : "OpenGL");
        return nullptr;
    }
    if (!gl::kGlEs && gl::gl_version() < 33) {
        std::fprintf(stderr, "Direct3D 9: the display offers OpenGL %d.%d, 3.3 is needed\n",
                     gl::gl_version() / 10, gl::gl_version() % 10);
        return nullptr;
    }
    auto backend = std::make_unique<gl::GlBackend>(window, params, std::move(gl));
    std::string error;
    if (!backend->init(error)) {
        std::fprintf(stderr, "Direct3D 9: cannot set up the device on OpenGL: %s\n", error.c_str());
        return nullptr;
    }
    return backend;
}

} // namespace platform
