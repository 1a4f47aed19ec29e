// Drawing on the Direct3D 9 device: Clear, BeginScene/EndScene and DrawIndexedPrimitive (its argument checks
// are in d3d9_draw_checks.cpp). What passes the checks goes to the renderer (render_backend.h) with the state
// records.
#include "d3d9/d3d9_device.h"
#include "d3d9/d3d9_draw_checks.h"
#include "d3d9/d3d9_trace.h"
#include "d3d9/d3d9_vertex_format.h"

namespace platform::d3d9 {

// ---- Clear and scenes ----

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                      DWORD stencil) {
    trace::call("Clear", count, RectList{count, rects}, flags, trace::Color{color}, z, stencil);
    if ((count != 0) != (rects != nullptr))
        return D3DERR_INVALIDCALL; // a rectangle list needs its count and a count its list
    if (flags == 0 || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0)
        return D3DERR_INVALIDCALL;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0 && params_.EnableAutoDepthStencil == FALSE)
        return D3DERR_INVALIDCALL; // no depth buffer to clear
    if ((flags & D3DCLEAR_STENCIL) != 0 && params_.AutoDepthStencilFormat != D3DFMT_D24S8)
        return D3DERR_INVALIDCALL; // no stencil bits
    if (!backend_->can_draw())
        return D3D_OK;
    back_buffer_is_presented_ = false;
    backend_->clear(count, rects, flags, color, z);
    return D3D_OK;
}

HRESULT Device::BeginScene() {
    trace::call("BeginScene");
    if (in_scene_)
        return D3DERR_INVALIDCALL;
    in_scene_ = true;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    trace::call("EndScene");
    if (!in_scene_)
        return D3DERR_INVALIDCALL;
    in_scene_ = false;
    backend_->flush();
    return D3D_OK;
}

// ---- Drawing ----

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT base_vertex, UINT min_index,
                                     UINT num_vertices, UINT start_index, UINT prim_count) {
    trace::call("DrawIndexedPrimitive", type, base_vertex, min_index, num_vertices, start_index, prim_count);
    const VertexStream& stream = streams_[0];
    std::optional<DrawSources> sources;
    const FvfLayout layout = parse_fvf(states_.fvf);
    if (indices_ && stream.buffer)
        sources = DrawSources{indices_.get(),
                              indices_->version,
                              indices_->bytes,
                              indices_->index_format,
                              stream.buffer->bytes.size() - stream.offset,
                              stream.stride,
                              layout.valid,
                              layout.size};
    const CheckedDraw checked =
        check_indexed_draw({type, base_vertex, min_index, start_index, prim_count}, sources, index_range_);
    // Like Windows (and Wine), a draw outside BeginScene/EndScene still draws, and no primitives is no work.
    if (checked.verdict != DrawVerdict::kDraw)
        return checked.verdict == DrawVerdict::kNothingToDraw ? D3D_OK : D3DERR_INVALIDCALL;

    if (!backend_->can_draw())
        return D3D_OK;
    back_buffer_is_presented_ = false;
    const DrawCall draw{{type, base_vertex, start_index, prim_count, checked.index_count, checked.index_size},
                        layout,
                        stream,
                        *indices_,
                        states_,
                        textures_};
    // A state whose emulation program does not compile draws nothing.
    backend_->draw_indexed(draw);
    return D3D_OK;
}

} // namespace platform::d3d9
