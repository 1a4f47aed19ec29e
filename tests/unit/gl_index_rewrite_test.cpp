// The index rewriting of the WebGL 2 renderer, whose flat shading takes each triangle's last vertex where
// Direct3D takes its first: the vertex Direct3D would take must come out last, in the same winding, with
// the base vertex added; smooth triangles keep their order.
#include "gl/gl_index_rewrite.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using platform::d3d9::IndexRange;
using platform::gl::rewrite_indices;

template <typename T> std::vector<std::uint8_t> bytes_of(const std::vector<T>& indices) {
    std::vector<std::uint8_t> out(indices.size() * sizeof(T));
    std::memcpy(out.data(), indices.data(), out.size());
    return out;
}

TEST(IndexRewrite, FlatTrianglesEndWithTheVertexDirect3DTakesAndKeepTheirWinding) {
    const auto list16 = bytes_of<std::uint16_t>({9, 9, 0, 1, 2, 2, 1, 3});
    std::vector<std::uint32_t> out;
    // Two triangles from index 2 on, base vertex 10.
    rewrite_indices(IndexRange{D3DPT_TRIANGLELIST, 10, 2, 2, 6}, list16.data(), true, out);
    EXPECT_EQ(out, (std::vector<std::uint32_t>{11, 12, 10, 11, 13, 12}));
    // Unrotated when not flat.
    rewrite_indices(IndexRange{D3DPT_TRIANGLELIST, 1, 2, 1, 3}, list16.data(), false, out);
    EXPECT_EQ(out, (std::vector<std::uint32_t>{1, 2, 3}));
}

} // namespace
