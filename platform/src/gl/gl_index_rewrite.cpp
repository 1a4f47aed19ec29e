// The index rewriting of ES draws (gl_index_rewrite.h): the base vertex added, and flat-shaded triangles
// listed with their first vertex last.
#include "gl/gl_index_rewrite.h"

#include <cstring>

namespace platform::d3d9 {

void rewrite_indices(const IndexRange& r, const std::uint8_t* bytes, bool flat_first,
                     std::vector<std::uint32_t>& out) {
    const auto index = [&](UINT i) -> std::uint32_t {
        const std::uint8_t* const at = bytes + static_cast<std::size_t>(r.start_index + i) * r.index_size;
        std::uint32_t value = 0;
        if (r.index_size == 2) {
            std::uint16_t v16 = 0;
            std::memcpy(&v16, at, sizeof v16);
            value = v16;
        } else {
            std::memcpy(&value, at, sizeof value);
        }
        return static_cast<std::uint32_t>(static_cast<std::int64_t>(value) + r.base_vertex);
    };
    out.clear();
    const bool triangles =
        r.type == D3DPT_TRIANGLELIST || r.type == D3DPT_TRIANGLESTRIP || r.type == D3DPT_TRIANGLEFAN;
    if (!flat_first || !triangles) {
        for (UINT i = 0; i < r.index_count; ++i)
            out.push_back(index(i));
        return;
    }
    // Each triangle (a, b, c), in its own winding, goes out as (b, c, a).
    const auto triangle = [&out](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        out.push_back(b);
        out.push_back(c);
        out.push_back(a);
    };
    for (UINT t = 0; t < r.prim_count; ++t) {
        switch (r.type) {
        case D3DPT_TRIANGLELIST:
            triangle(index(3 * t), index(3 * t + 1), index(3 * t + 2));
            break;
        case D3DPT_TRIANGLESTRIP:
            // Odd triangles of a strip run the other way round; their first vertex is still vertex t.
            if (t % 2 == 0)
                triangle(index(t), index(t + 1), index(t + 2));
            else
                triangle(index(t), index(t + 2), index(t + 1));
            break;
        default: // D3DPT_TRIANGLEFAN: the first vertex of triangle t is vertex t + 1
            triangle(index(t + 1), index(t + 2), index(0));
            break;
        }
    }
}

} // namespace platform::d3d9
