// The indices of a draw rewritten for OpenGL ES 3.0 (WebGL 2), which has neither a base vertex for indexed
// draws nor a choice of the provoking vertex (flat shading takes each triangle's last vertex, Direct3D 9
// its first). Pure: no GL calls.
#pragma once

#include "d3d9/render_backend.h"

#include <cstdint>
#include <vector>

namespace platform::gl {

// Writes into out the draw's indices (index_count 16-bit ones from start_index on, in bytes) each
// plus base_vertex, as a triangle list. With flat_first, each triangle is rotated so that its first vertex
// is last, which keeps its winding.
void rewrite_indices(const d3d9::IndexRange& range, const std::uint8_t* bytes, bool flat_first,
                     std::vector<std::uint32_t>& out);

} // namespace platform::gl
