// Drawing on the Direct3D 9 device: Clear, BeginScene/EndScene and DrawIndexedPrimitive with the checks
// Direct3D 9 makes of it. What passes them goes to the renderer (render_backend.h) with the state records as
// they stand. The device draws indexed triangle lists from 16-bit indices in a vertex format it lays out
// (d3d9_vertex_format.h); another primitive type, 32-bit indices or another vertex format is accepted,
// reported where it is given and drawn as nothing.
#include "d3d9/d3d9_device.h"
#include "d3d9/d3d9_trace.h"
#include "d3d9/d3d9_vertex_format.h"
#include "trace/unimplemented.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace platform::d3d9 {

// ---- Clear and scenes ----

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                      DWORD stencil) {
    trace::call("Clear", count, RectList{count, rects}, flags, trace::Colour{colour}, z, stencil);
    if ((count != 0) != (rects != nullptr))
        return D3DERR_INVALIDCALL; // a rectangle list needs its count and a count its list
    if (flags == 0 || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0)
        return D3DERR_INVALIDCALL;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0 && params_.EnableAutoDepthStencil == FALSE)
        return D3DERR_INVALIDCALL; // no depth buffer to clear
    if ((flags & D3DCLEAR_STENCIL) != 0) {
        if (params_.AutoDepthStencilFormat != D3DFMT_D24S8)
            return D3DERR_INVALIDCALL; // no stencil bits
        trace::report_unimplemented("Clear's flag D3DCLEAR_STENCIL", D3DCLEAR_STENCIL,
                                    "the other flags alone");
        flags &= ~static_cast<DWORD>(D3DCLEAR_STENCIL);
    }
    if (flags == 0 || !backend_->can_draw())
        return D3D_OK;
    back_buffer_drawn();
    backend_->clear(count, rects, flags, colour, z);
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

namespace {

// The largest of the 16-bit indices.
std::uint16_t highest_index(std::span<const std::uint8_t> bytes) {
    std::uint16_t highest = 0;
    for (std::size_t at = 0; at + 2 <= bytes.size(); at += 2) {
        std::uint16_t index = 0;
        std::memcpy(&index, bytes.data() + at, 2);
        highest = std::max(highest, index);
    }
    return highest;
}

} // namespace

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT base_vertex, UINT min_index,
                                     UINT num_vertices, UINT start_index, UINT prim_count) {
    trace::call("DrawIndexedPrimitive", type, base_vertex, min_index, num_vertices, start_index, prim_count);
    if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN)
        return D3DERR_INVALIDCALL;
    const VertexStream& stream = streams_[0];
    if (!indices_ || !stream.buffer || states_.fvf == 0)
        return D3DERR_INVALIDCALL; // nothing to draw from
    if (type != D3DPT_TRIANGLELIST) {
        trace::report_unimplemented("D3DPRIMITIVETYPE", type, "nothing");
        return D3D_OK;
    }
    // Like Windows (and Wine), a draw outside BeginScene/EndScene still draws, and no primitives is no work.
    const FvfLayout layout = parse_fvf(states_.fvf);
    if (prim_count == 0 || !layout.valid || indices_->index_format != D3DFMT_INDEX16)
        return D3D_OK; // (an unimplemented vertex format or index size was reported when it was given)
    // Every index inside the index buffer, every vertex it names inside the vertex buffer.
    const UINT index_count = 3 * prim_count;
    const std::span<const std::uint8_t> index_bytes = indices_->bytes;
    if (stream.stride < layout.size || std::size_t{start_index} + index_count > index_bytes.size() / 2)
        return D3DERR_INVALIDCALL;
    const auto vertices_in_buffer =
        static_cast<long long>((stream.buffer->bytes.size() - stream.offset) / stream.stride);
    const long long highest =
        highest_index(index_bytes.subspan(std::size_t{start_index} * 2, std::size_t{index_count} * 2));
    if (base_vertex + highest >= vertices_in_buffer || static_cast<long long>(base_vertex) + min_index < 0)
        return D3DERR_INVALIDCALL;

    if (!backend_->can_draw())
        return D3D_OK;
    back_buffer_drawn();
    const DrawCall draw{{type, base_vertex, start_index, prim_count, index_count},
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
