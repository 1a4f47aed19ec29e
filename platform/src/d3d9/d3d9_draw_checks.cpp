// The argument checks of DrawIndexedPrimitive (see d3d9_draw_checks.h), apart from the GL drawing so that
// they are tested without a display.
#include "d3d9/d3d9_draw_checks.h"

#include <algorithm>
#include <cstring>

namespace platform::d3d9 {

namespace {

std::uint32_t highest_index(std::span<const std::uint8_t> bytes, UINT index_size) {
    std::uint32_t highest = 0;
    for (std::size_t at = 0; at + index_size <= bytes.size(); at += index_size) {
        std::uint32_t value = 0;
        if (index_size == 2) {
            std::uint16_t v16 = 0;
            std::memcpy(&v16, bytes.data() + at, 2);
            value = v16;
        } else {
            std::memcpy(&value, bytes.data() + at, 4);
        }
        highest = std::max(highest, value);
    }
    return highest;
}

} // namespace

std::optional<UINT> index_count(D3DPRIMITIVETYPE type, UINT prim_count) {
    switch (type) {
    case D3DPT_POINTLIST:
        return prim_count;
    case D3DPT_LINELIST:
        return 2 * prim_count;
    case D3DPT_LINESTRIP:
        return prim_count + 1;
    case D3DPT_TRIANGLELIST:
        return 3 * prim_count;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
        return prim_count + 2;
    default:
        return std::nullopt;
    }
}

CheckedDraw check_indexed_draw(const IndexedDraw& draw, const std::optional<DrawSources>& sources,
                               IndexRangeCache& cache) {
    CheckedDraw checked;
    const std::optional<UINT> count = index_count(draw.type, draw.prim_count);
    if (!count || !sources)
        return checked;
    if (draw.prim_count == 0) {
        checked.verdict = DrawVerdict::kNothingToDraw;
        return checked;
    }
    const DrawSources& s = *sources;
    if (!s.format_valid || s.stride < s.vertex_size)
        return checked;

    checked.index_count = *count;
    checked.index_size = s.index_format == D3DFMT_INDEX32 ? 4 : 2;
    const std::size_t index_bytes = s.index_bytes.size();
    if (static_cast<std::size_t>(draw.start_index) + *count > index_bytes / checked.index_size)
        return checked;
    if (cache.buffer != s.index_buffer || cache.version != s.index_version ||
        cache.start != draw.start_index || cache.count != *count) {
        const std::size_t first = static_cast<std::size_t>(draw.start_index) * checked.index_size;
        const std::uint32_t highest =
            highest_index(s.index_bytes.subspan(first, static_cast<std::size_t>(*count) * checked.index_size),
                          checked.index_size);
        cache = {s.index_buffer, s.index_version, draw.start_index, *count, highest};
    }
    const auto vertices_in_buffer = static_cast<long long>(s.vertex_bytes / s.stride);
    const long long last_vertex = static_cast<long long>(draw.base_vertex) + cache.max_index;
    if (last_vertex >= vertices_in_buffer || static_cast<long long>(draw.base_vertex) + draw.min_index < 0)
        return checked;
    checked.verdict = DrawVerdict::kDraw;
    return checked;
}

} // namespace platform::d3d9
