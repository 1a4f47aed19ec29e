// The checks Direct3D 9 makes of an indexed draw before anything is drawn: a primitive type it has, buffers
// bound, a vertex format the stream's stride holds, indices inside the index buffer and every vertex they
// name inside the vertex buffer. Pure: a function of the arguments and the bound buffers' bytes, with no GL.
#pragma once

#include <d3d9.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace platform::d3d9 {

struct IndexedDraw {
    D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
    INT base_vertex = 0;
    UINT min_index = 0;
    UINT start_index = 0;
    UINT prim_count = 0;
};

// What the checks see of the bound buffers and vertex format.
struct DrawSources {
    const void* index_buffer = nullptr; // names the index buffer for the range cache
    std::uint64_t index_version = 0;    // renewed whenever the index buffer's content changes
    std::span<const std::uint8_t> index_bytes;
    D3DFORMAT index_format = D3DFMT_INDEX16;
    std::size_t vertex_bytes = 0; // the vertex buffer's bytes from the stream's offset on
    UINT stride = 0;
    bool format_valid = false; // the FVF parses
    UINT vertex_size = 0;      // bytes per vertex of the FVF
};

// The largest index in a range of an index buffer, kept for the last range checked: a program draws the
// same range of an unchanged buffer frame after frame.
struct IndexRangeCache {
    const void* buffer = nullptr;
    std::uint64_t version = 0;
    UINT start = 0;
    UINT count = 0;
    std::uint32_t max_index = 0;
};

// The number of indices a primitive type and count take; none for a type Direct3D does not have.
std::optional<UINT> index_count(D3DPRIMITIVETYPE type, UINT prim_count);

enum class DrawVerdict { kDraw, kNothingToDraw, kInvalidCall };

struct CheckedDraw {
    DrawVerdict verdict = DrawVerdict::kInvalidCall;
    UINT index_count = 0;
    UINT index_size = 2; // bytes per index
};

// `sources` is empty when no index or vertex buffer is bound. A draw of no primitives is valid and draws
// nothing, as on Windows.
CheckedDraw check_indexed_draw(const IndexedDraw& draw, const std::optional<DrawSources>& sources,
                               IndexRangeCache& cache);

} // namespace platform::d3d9
