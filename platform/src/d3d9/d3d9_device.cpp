// The Direct3D 9 device (IDirect3DDevice9): its making over a renderer (render_backend.h), resource creation
// and the state setters over the state records of d3d9_state.h, which each draw hands to the renderer as
// they stand; with the test seams, the getters. Values the program never passes (other pools, usage and lock
// flags, 32-bit indices, vertex formats the device does not lay out, other present parameters) are taken as
// Direct3D 9 takes them and reported.
#include "d3d9/d3d9_device.h"
#include "d3d9/d3d9_trace.h"
#include "d3d9/d3d9_vertex_format.h"
#include "trace/test_hooks.h"
#include "trace/unimplemented.h"

#include <cmath>

namespace platform::d3d9 {

namespace {

// The storage of a buffer this layer made, in storage (left null for a null buffer); false for a buffer of
// another kind or from elsewhere.
template <typename Ours, typename Interface>
bool own_storage(Interface* buffer, std::shared_ptr<BufferStorage>& storage) {
    if (buffer == nullptr)
        return true;
    auto* const ours = dynamic_cast<Ours*>(buffer);
    if (ours == nullptr)
        return false;
    storage = ours->storage();
    return true;
}

// The pools both buffers may be made in; the program makes managed buffers without usage flags, and the
// other pools and the flags are reported and made as that.
bool buffer_pool_taken(D3DPOOL pool, DWORD usage) {
    if (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED && pool != D3DPOOL_SYSTEMMEM)
        return false;
    if (pool != D3DPOOL_MANAGED)
        trace::report_unimplemented("D3DPOOL of a buffer", pool, "D3DPOOL_MANAGED");
    if (usage != 0)
        trace::report_unimplemented("D3DUSAGE of a buffer", usage, "0");
    return true;
}

// What the renderer is given of the present parameters: the program's back buffer (X8R8G8B8), depth buffer
// (D16), swap effect and presentation interval; others are reported and made as those.
D3DPRESENT_PARAMETERS drawn_parameters(D3DPRESENT_PARAMETERS p) {
    const auto as_program = [](const char* what, auto& value, auto program, const char* name) {
        if (value != program)
            trace::report_unimplemented(what, static_cast<std::uint32_t>(value), name);
        value = program;
    };
    as_program("BackBufferFormat", p.BackBufferFormat, D3DFMT_X8R8G8B8, "D3DFMT_X8R8G8B8");
    if (p.EnableAutoDepthStencil != FALSE)
        as_program("AutoDepthStencilFormat", p.AutoDepthStencilFormat, D3DFMT_D16, "D3DFMT_D16");
    as_program("SwapEffect", p.SwapEffect, D3DSWAPEFFECT_DISCARD, "D3DSWAPEFFECT_DISCARD");
    as_program("PresentationInterval", p.PresentationInterval, UINT{D3DPRESENT_INTERVAL_DEFAULT},
               "D3DPRESENT_INTERVAL_DEFAULT");
    return p;
}

// The layout of a vertex format, reported when the device does not lay it out.
FvfLayout laid_out(DWORD fvf) {
    const FvfLayout layout = parse_fvf(fvf);
    if (!layout.valid)
        trace::report_unimplemented("D3DFVF", fvf, "nothing");
    return layout;
}
} // namespace

// ---- Creation and destruction ----

HRESULT Device::create(Direct3D* parent, HWND window, const D3DPRESENT_PARAMETERS& params, Device** device) {
    *device = nullptr;
    std::unique_ptr<RenderBackend> backend = make_gl_backend(window, drawn_parameters(params));
    if (!backend)
        return D3DERR_NOTAVAILABLE;
    return create_with_backend(parent, window, params, std::move(backend), device);
}

HRESULT Device::create_with_backend(Direct3D* parent, HWND window, const D3DPRESENT_PARAMETERS& params,
                                    std::unique_ptr<RenderBackend> backend, Device** device) {
    *device = new Device(parent, window, params, std::move(backend));
    return D3D_OK;
}

Device::Device(Direct3D* parent, HWND window, const D3DPRESENT_PARAMETERS& params,
               std::unique_ptr<RenderBackend> backend)
    : ComObject("Device"), parent_(parent), window_(window), params_(params), backend_(std::move(backend)),
      width_(params.BackBufferWidth), height_(params.BackBufferHeight),
      states_(default_states(params.EnableAutoDepthStencil != FALSE)) {}

Device::~Device() {
    back_buffer_going();
    // Bound resources are let go before the renderer.
    for (auto& texture : textures_)
        texture.reset();
    for (auto& stream : streams_)
        stream.buffer.reset();
    indices_.reset();
    backend_.reset();
}

// ---- Resources ----

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** buffer, HANDLE* shared) {
    CreatingCall line("CreateVertexBuffer", length, usage, fvf, pool, shared);
    if (buffer == nullptr)
        return line.failed(D3DERR_INVALIDCALL);
    *buffer = nullptr;
    if (length == 0 || shared != nullptr || !buffer_pool_taken(pool, usage))
        return line.failed(D3DERR_INVALIDCALL);
    // A buffer with a vertex format must hold at least one vertex of it.
    if (fvf != 0) {
        const FvfLayout layout = laid_out(fvf);
        if (layout.valid && length < layout.size)
            return line.failed(D3DERR_INVALIDCALL);
    }
    if (trace::hooks::should_fail("CreateVertexBuffer"))
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
        !buffer_pool_taken(pool, usage))
        return line.failed(D3DERR_INVALIDCALL);
    if (format == D3DFMT_INDEX32)
        trace::report_unimplemented("D3DFMT of an index buffer", format, "nothing, from the buffer");
    if (trace::hooks::should_fail("CreateIndexBuffer"))
        return line.failed(D3DERR_OUTOFVIDEOMEMORY);
    auto* const made = new IndexBuffer(this, length, format);
    *buffer = made;
    return line.made(static_cast<IDirect3DIndexBuffer9*>(made));
}

// ---- Render, sampler and texture stage states ----

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    trace::call("SetRenderState", state, value);
    if (!is_render_state(state))
        return D3DERR_INVALIDCALL;
    states_.render[state] = value;
    return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    trace::call("SetSamplerState", sampler, type, value);
    const auto slot = sampler_slot(sampler);
    if (!slot || !is_sampler_state(type))
        return D3DERR_INVALIDCALL;
    states_.sampler[*slot][type] = value;
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    trace::call("SetTextureStageState", stage, type, value);
    if (stage >= kTextureStages || !is_stage_state(type))
        return D3DERR_INVALIDCALL;
    states_.stage[stage][type] = value;
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
    it->second.enabled = on;
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* material) {
    trace::call("SetMaterial", Ptr<D3DMATERIAL9>{material});
    if (material == nullptr)
        return D3DERR_INVALIDCALL;
    states_.material = *material;
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
    *slot = *matrix;
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
    textures_[*slot] = std::move(storage);
    return D3D_OK;
}

HRESULT Device::SetFVF(DWORD fvf) {
    trace::call("SetFVF", fvf);
    if (fvf != 0)
        laid_out(fvf);
    states_.fvf = fvf;
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) {
    trace::call("SetStreamSource", stream, buffer, offset, stride);
    if (stream >= kStreams)
        return D3DERR_INVALIDCALL;
    std::shared_ptr<BufferStorage> storage;
    if (!own_storage<VertexBuffer>(buffer, storage) || (storage && offset > storage->bytes.size()))
        return D3DERR_INVALIDCALL;
    streams_[stream] = VertexStream{std::move(storage), offset, stride};
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* buffer) {
    trace::call("SetIndices", buffer);
    std::shared_ptr<BufferStorage> storage;
    if (!own_storage<IndexBuffer>(buffer, storage))
        return D3DERR_INVALIDCALL;
    indices_ = std::move(storage);
    return D3D_OK;
}

// ---- The getters only tests call ----

#ifdef PLATFORM_TEST_SEAMS

namespace {
// What a Get of a light reads of the light at index: D3DERR_INVALIDCALL for a null out or an index never
// set nor enabled.
template <typename Out, typename Read>
HRESULT read_light(const StateRecords& states, DWORD index, Out* out, Read read) {
    const auto it = states.lights.find(index);
    if (out == nullptr || it == states.lights.end())
        return D3DERR_INVALIDCALL;
    *out = read(it->second);
    return D3D_OK;
}
} // namespace

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    trace::call("GetRenderState", state);
    if (value == nullptr || !is_render_state(state))
        return D3DERR_INVALIDCALL;
    *value = states_.render[state];
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

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    trace::call("GetTextureStageState", stage, type);
    if (value == nullptr || stage >= kTextureStages || !is_stage_state(type))
        return D3DERR_INVALIDCALL;
    *value = states_.stage[stage][type];
    return D3D_OK;
}

HRESULT Device::GetLight(DWORD index, D3DLIGHT9* light) {
    trace::call("GetLight", index);
    return read_light(states_, index, light, [](const LightSlot& slot) { return slot.light; });
}

HRESULT Device::GetLightEnable(DWORD index, BOOL* enable) {
    trace::call("GetLightEnable", index);
    // Direct3D 9 reports an enabled light as 128, not 1; callers test for non-zero.
    return read_light(states_, index, enable,
                      [](const LightSlot& slot) -> BOOL { return slot.enabled ? 128 : FALSE; });
}

HRESULT Device::GetMaterial(D3DMATERIAL9* material) {
    trace::call("GetMaterial");
    if (material == nullptr)
        return D3DERR_INVALIDCALL;
    *material = states_.material;
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

#endif

} // namespace platform::d3d9
