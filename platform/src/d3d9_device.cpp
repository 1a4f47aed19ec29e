// The Direct3D 9 device (IDirect3DDevice9): creation of its GL context and back buffer (an offscreen
// framebuffer with an RGB8 colour buffer and a 16-bit depth buffer), resource creation
// and the state setters and getters over the state records of d3d9_state.h.
#include "d3d9_device.h"
#include "d3d9_font_quads.h"
#include "d3d9_trace.h"
#include "ffp_shader.h"
#include "win32_internal.h"

#include <platform_test.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace platform::d3d9 {

namespace {
bool same(const D3DMATRIX& a, const D3DMATRIX& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
} // namespace

// ---- Creation and destruction ----

HRESULT Device::create(Direct3D* parent, HWND window, const D3DPRESENT_PARAMETERS& params, Device** device) {
    *device = nullptr;
    SDL_Window* const sdl = win32::sdl_window(window);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    const SDL_GLContext context = SDL_GL_CreateContext(sdl);
    if (context == nullptr) {
        std::fprintf(stderr, "Direct3D 9: no OpenGL 3.3 core context on this display: %s\n", SDL_GetError());
        return D3DERR_NOTAVAILABLE;
    }
    auto gl = std::make_shared<GlContext>(window, context);
    if (!gl->make_current() || epoxy_gl_version() < 33) {
        std::fprintf(stderr, "Direct3D 9: the display offers OpenGL %d.%d, 3.3 is needed\n",
                     epoxy_gl_version() / 10, epoxy_gl_version() % 10);
        return D3DERR_NOTAVAILABLE;
    }
    auto* const made = new Device(parent, window, params, std::move(gl));
    std::string error;
    if (!made->init_gl(error)) {
        std::fprintf(stderr, "Direct3D 9: cannot set up the device on OpenGL: %s\n", error.c_str());
        made->release_internal();
        return D3DERR_NOTAVAILABLE;
    }
    *device = made;
    return D3D_OK;
}

Device::Device(Direct3D* parent, HWND window, const D3DPRESENT_PARAMETERS& params,
               std::shared_ptr<GlContext> gl)
    : ComObject("Device"), parent_(parent), window_(window), params_(params), gl_(std::move(gl)),
      width_(params.BackBufferWidth), height_(params.BackBufferHeight),
      states_(default_states(params.EnableAutoDepthStencil != FALSE)) {}

bool Device::init_gl(std::string& error) {
    // Errors left by whatever ran on the context before are not ours (bounded: a lost context repeats one).
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    const auto w = static_cast<GLsizei>(width_);
    const auto h = static_cast<GLsizei>(height_);
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &max_size);
    if (w > max_size || h > max_size) {
        error = "back buffer larger than " + std::to_string(max_size) + " pixels";
        return false;
    }

    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glGenRenderbuffers(1, &color_buffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, color_buffer_);
    // X8R8G8B8: no alpha channel, so destination alpha reads as one.
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, w, h);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color_buffer_);
    if (params_.EnableAutoDepthStencil != FALSE) {
        glGenRenderbuffers(1, &depth_buffer_);
        glBindRenderbuffer(GL_RENDERBUFFER, depth_buffer_);
        const D3DFORMAT format = params_.AutoDepthStencilFormat;
        const GLenum internal = format == D3DFMT_D16     ? GL_DEPTH_COMPONENT16
                                : format == D3DFMT_D24X8 ? GL_DEPTH_COMPONENT24
                                                         : GL_DEPTH24_STENCIL8;
        glRenderbufferStorage(GL_RENDERBUFFER, internal, w, h);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER,
                                  internal == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL_ATTACHMENT
                                                                  : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, depth_buffer_);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        error = "the back buffer's framebuffer is incomplete";
        return false;
    }
    glViewport(0, 0, w, h);

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
    dirty_ = kDirtyAll;
    return glGetError() == GL_NO_ERROR || (error = "GL error while setting up", false);
}

void Device::release_gl() {
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

Device::~Device() {
    forget_presenting_device(this);
    // Bound resources are let go before the context.
    for (auto& texture : textures_)
        texture.reset();
    for (auto& stream : streams_)
        stream.buffer.reset();
    indices_.reset();
    release_gl();
    programs_.clear();
    coverage_.reset();
    gl_.reset();
}

bool Device::make_current() {
    if (!gl_->make_current())
        return false;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    return true;
}

bool Device::make_current_to_draw() {
    SDL_Window* const sdl = win32::sdl_window(window_);
    if (sdl != nullptr && (SDL_GetWindowFlags(sdl) & SDL_WINDOW_MINIMIZED) != 0)
        return false;
    return make_current();
}

// ---- Resources ----

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** buffer, HANDLE* shared) {
    CreatingCall line("CreateVertexBuffer", length, usage, fvf, pool, shared);
    if (buffer == nullptr)
        return line.failed(D3DERR_INVALIDCALL);
    *buffer = nullptr;
    if (length == 0 || shared != nullptr || pool == D3DPOOL_SCRATCH ||
        (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED && pool != D3DPOOL_SYSTEMMEM))
        return line.failed(D3DERR_INVALIDCALL);
    // A buffer with a vertex format must hold at least one vertex of it.
    if (fvf != 0) {
        const FvfLayout layout = parse_fvf(fvf);
        if (!layout.valid || length < layout.size)
            return line.failed(D3DERR_INVALIDCALL);
    }
    if (test::should_fail("CreateVertexBuffer"))
        return line.failed(D3DERR_OUTOFVIDEOMEMORY);
    auto* const made = new VertexBuffer(this, length);
    *buffer = made;
    return line.made(static_cast<IDirect3DVertexBuffer9*>(made));
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** buffer, HANDLE* shared) {
    CreatingCall line("CreateIndexBuffer", length, usage, format, pool, shared);
    if (buffer == nullptr)
        return line.failed(D3DERR_INVALIDCALL);
    *buffer = nullptr;
    if (length == 0 || shared != nullptr || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) ||
        (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED && pool != D3DPOOL_SYSTEMMEM))
        return line.failed(D3DERR_INVALIDCALL);
    if (test::should_fail("CreateIndexBuffer"))
        return line.failed(D3DERR_OUTOFVIDEOMEMORY);
    auto* const made = new IndexBuffer(this, length, format);
    *buffer = made;
    return line.made(static_cast<IDirect3DIndexBuffer9*>(made));
}

// ---- Render, sampler and texture stage states ----

std::uint32_t Device::render_state_dirty_bits(DWORD state) const {
    switch (state) {
    case D3DRS_LIGHTING:
    case D3DRS_AMBIENT:
    case D3DRS_NORMALIZENORMALS:
    case D3DRS_LOCALVIEWER:
    case D3DRS_COLORVERTEX:
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE:
        return kDirtyLighting;
    case D3DRS_SPECULARENABLE:
        return kDirtyLighting | kDirtyPixel;
    case D3DRS_SHADEMODE:
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAFUNC:
    case D3DRS_ALPHAREF:
        return kDirtyPixel;
    default:
        return kDirtyGl;
    }
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    trace::call("SetRenderState", state, value);
    if (!is_render_state(state))
        return D3DERR_INVALIDCALL;
    DWORD& slot = states_.render[state];
    if (slot != value) {
        slot = value;
        mark(render_state_dirty_bits(state));
    }
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    trace::call("GetRenderState", state);
    if (value == nullptr || !is_render_state(state))
        return D3DERR_INVALIDCALL;
    *value = states_.render[state];
    return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    trace::call("SetSamplerState", sampler, type, value);
    const auto slot = sampler_slot(sampler);
    if (!slot || !is_sampler_state(type))
        return D3DERR_INVALIDCALL;
    DWORD& stored = states_.sampler[*slot][type];
    if (stored != value) {
        stored = value;
        if (*slot < kTextureStages)
            mark(kDirtySamplers);
    }
    return D3D_OK;
}

HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    trace::call("GetSamplerState", sampler, type);
    const auto slot = sampler_slot(sampler);
    if (value == nullptr || !slot || !is_sampler_state(type))
        return D3DERR_INVALIDCALL;
    *value = states_.sampler[*slot][type];
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    trace::call("SetTextureStageState", stage, type, value);
    if (stage >= kTextureStages || !is_stage_state(type))
        return D3DERR_INVALIDCALL;
    DWORD& stored = states_.stage[stage][type];
    if (stored != value) {
        stored = value;
        mark(kDirtyStages);
    }
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    trace::call("GetTextureStageState", stage, type);
    if (value == nullptr || stage >= kTextureStages || !is_stage_state(type))
        return D3DERR_INVALIDCALL;
    *value = states_.stage[stage][type];
    return D3D_OK;
}

// ---- Lights and material ----

HRESULT Device::SetLight(DWORD index, const D3DLIGHT9* light) {
    trace::call("SetLight", index, Ptr<D3DLIGHT9>{light});
    if (light == nullptr)
        return D3DERR_INVALIDCALL;
    if (light->Type != D3DLIGHT_POINT && light->Type != D3DLIGHT_SPOT && light->Type != D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    if (light->Attenuation0 < 0.0f || light->Attenuation1 < 0.0f || light->Attenuation2 < 0.0f)
        return D3DERR_INVALIDCALL;
    if (light->Type != D3DLIGHT_DIRECTIONAL && (light->Range < 0.0f || std::isnan(light->Range)))
        return D3DERR_INVALIDCALL;
    states_.lights[index].light = *light;
    mark(kDirtyLighting);
    return D3D_OK;
}

HRESULT Device::GetLight(DWORD index, D3DLIGHT9* light) {
    trace::call("GetLight", index);
    const auto it = states_.lights.find(index);
    if (light == nullptr || it == states_.lights.end())
        return D3DERR_INVALIDCALL;
    *light = it->second.light;
    return D3D_OK;
}

HRESULT Device::LightEnable(DWORD index, BOOL enable) {
    trace::call("LightEnable", index, enable);
    auto it = states_.lights.find(index);
    if (it == states_.lights.end()) {
        // Enabling a light never set makes it with the default light's parameters.
        it = states_.lights.emplace(index, LightSlot{default_light(), false}).first;
    }
    const bool on = enable != FALSE;
    if (on && !it->second.enabled) {
        DWORD active = 0;
        for (const auto& [i, slot] : states_.lights)
            active += slot.enabled ? 1 : 0;
        if (active >= kMaxActiveLights)
            return D3DERR_INVALIDCALL; // the device lights at most eight at once
    }
    if (it->second.enabled != on) {
        it->second.enabled = on;
        mark(kDirtyLighting);
    }
    return D3D_OK;
}

HRESULT Device::GetLightEnable(DWORD index, BOOL* enable) {
    trace::call("GetLightEnable", index);
    const auto it = states_.lights.find(index);
    if (enable == nullptr || it == states_.lights.end())
        return D3DERR_INVALIDCALL;
    // Direct3D 9 reports an enabled light as 128, not 1; callers test for non-zero.
    *enable = it->second.enabled ? 128 : FALSE;
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* material) {
    trace::call("SetMaterial", Ptr<D3DMATERIAL9>{material});
    if (material == nullptr)
        return D3DERR_INVALIDCALL;
    states_.material = *material;
    mark(kDirtyLighting);
    return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL9* material) {
    trace::call("GetMaterial");
    if (material == nullptr)
        return D3DERR_INVALIDCALL;
    *material = states_.material;
    return D3D_OK;
}

// ---- Transforms ----

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (matrix != nullptr)
        trace::call("SetTransform", state, *matrix);
    else
        trace::call("SetTransform", state, nullptr);
    D3DMATRIX* const slot = transform_slot(states_, state);
    if (matrix == nullptr || slot == nullptr)
        return D3DERR_INVALIDCALL;
    if (!same(*slot, *matrix)) {
        *slot = *matrix;
        if (state == D3DTS_VIEW)
            mark(kDirtyTransforms | kDirtyLighting); // lights are lit in camera space
        else if (state == D3DTS_PROJECTION || state == D3DTS_WORLD)
            mark(kDirtyTransforms);
    }
    return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    trace::call("GetTransform", state);
    D3DMATRIX* const slot = transform_slot(states_, state);
    if (matrix == nullptr || slot == nullptr)
        return D3DERR_INVALIDCALL;
    *matrix = *slot;
    return D3D_OK;
}

// ---- Bindings ----

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    trace::call("SetTexture", stage, texture);
    const auto slot = sampler_slot(stage);
    if (!slot)
        return D3DERR_INVALIDCALL;
    std::shared_ptr<TextureStorage> storage;
    if (texture != nullptr) {
        storage = texture_storage(texture);
        if (!storage)
            return D3DERR_INVALIDCALL;
    }
    if (textures_[*slot] != storage) {
        textures_[*slot] = std::move(storage);
        if (*slot < kTextureStages)
            mark(kDirtyTextures | kDirtyStages);
    }
    return D3D_OK;
}

HRESULT Device::SetFVF(DWORD fvf) {
    trace::call("SetFVF", fvf);
    if (states_.fvf != fvf) {
        states_.fvf = fvf;
        mark(kDirtyLighting);
    }
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) {
    trace::call("SetStreamSource", stream, buffer, offset, stride);
    if (stream >= kStreams)
        return D3DERR_INVALIDCALL;
    std::shared_ptr<BufferStorage> storage;
    if (buffer != nullptr) {
        auto* const ours = dynamic_cast<VertexBuffer*>(buffer);
        if (ours == nullptr)
            return D3DERR_INVALIDCALL;
        storage = ours->storage();
        if (offset > storage->bytes.size())
            return D3DERR_INVALIDCALL;
    }
    streams_[stream] = Stream{std::move(storage), offset, stride};
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* buffer) {
    trace::call("SetIndices", buffer);
    std::shared_ptr<BufferStorage> storage;
    if (buffer != nullptr) {
        auto* const ours = dynamic_cast<IndexBuffer*>(buffer);
        if (ours == nullptr)
            return D3DERR_INVALIDCALL;
        storage = ours->storage();
    }
    indices_ = std::move(storage);
    return D3D_OK;
}

} // namespace platform::d3d9
