// The index rewriting of ES draws (gl_index_rewrite.h): the base vertex added, and flat-shaded triangles
// listed with their first vertex last.
#include "gl/gl_index_rewrite.h"

#include <cstring>

namespace platform::gl {

void rewrite_indices(const d3d9::IndexRange& r, const std::uint8_t* bytes, bool flat_first,
                     std::vector<std::uint32_t>& out) {
    const auto index = [&](UINT i) -> std::uint32_t {
        std::uint16_t value = 0;
        std::memcpy(&value, bytes + static_cast<std::size_t>(r.start_index + i) * sizeof value, sizeof value);
        return static_cast<std::uint32_t>(static_cast<std::int64_t>(value) + r.base_vertex);
    };
    out.clear();
    // Triangle (a, b, c), in its own winding, goes out as (b, c, a) when flat.
    const UINT rotate = flat_first ? 1 : 0;
    for (UINT i = 0; i + 2 < r.index_count; i += 3)
        for (UINT corner = 0; corner < 3; ++corner)
            out.push_back(index(i + (corner + rotate) % 3));
}

} // namespace platform::gl
