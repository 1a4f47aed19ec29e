// The index rewriting of the WebGL 2 renderer, whose flat shading takes each triangle's last vertex where
// Direct3D takes its first: the vertex Direct3D would take must come out last, in the same winding, with
// the base vertex added.
#include "gl/gl_index_rewrite.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using platform::d3d9::IndexRange;
using platform::d3d9::rewrite_indices;

template <typename T> std::vector<std::uint8_t> bytes_of(const std::vector<T>& indices) {
    std::vector<std::uint8_t> out(indices.size() * sizeof(T));
    std::memcpy(out.data(), indices.data(), out.size());
    return out;
}

// Whether the three indices at t are the triangle (a, b, c) in the same winding.
bool same_winding(const std::uint32_t* t, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    return (t[0] == a && t[1] == b && t[2] == c) || (t[0] == b && t[1] == c && t[2] == a) ||
           (t[0] == c && t[1] == a && t[2] == b);
}

TEST(IndexRewrite, FlatTrianglesEndWithTheVertexDirect3DTakesAndKeepTheirWinding) {
    const auto list = bytes_of<std::uint16_t>({9, 9, 0, 1, 2, 2, 1, 3});
    std::vector<std::uint32_t> out;
    // Two triangles from index 2 on, base vertex 10.
    rewrite_indices(IndexRange{D3DPT_TRIANGLELIST, 10, 2, 2, 6, 2}, list.data(), true, out);
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[2], 10u);
    EXPECT_TRUE(same_winding(&out[0], 10, 11, 12));
    EXPECT_EQ(out[5], 12u);
    EXPECT_TRUE(same_winding(&out[3], 12, 11, 13));

    // A strip's odd triangle runs the other way round; a fan's triangle t starts at vertex t + 1.
    const auto strip = bytes_of<std::uint32_t>({0, 1, 2, 3});
    rewrite_indices(IndexRange{D3DPT_TRIANGLESTRIP, 0, 0, 2, 4, 4}, strip.data(), true, out);
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[2], 0u);
    EXPECT_TRUE(same_winding(&out[0], 0, 1, 2));
    EXPECT_EQ(out[5], 1u);
    EXPECT_TRUE(same_winding(&out[3], 1, 3, 2));
    rewrite_indices(IndexRange{D3DPT_TRIANGLEFAN, 0, 0, 2, 4, 4}, strip.data(), true, out);
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[2], 1u);
    EXPECT_TRUE(same_winding(&out[0], 0, 1, 2));
    EXPECT_EQ(out[5], 2u);
    EXPECT_TRUE(same_winding(&out[3], 0, 2, 3));
}

TEST(IndexRewrite, SmoothDrawsKeepTheirOrderWithTheBaseVertexAdded) {
    const auto strip = bytes_of<std::uint16_t>({4, 5, 6, 7});
    std::vector<std::uint32_t> out;
    rewrite_indices(IndexRange{D3DPT_TRIANGLESTRIP, -4, 0, 2, 4, 2}, strip.data(), false, out);
    EXPECT_EQ(out, (std::vector<std::uint32_t>{0, 1, 2, 3}));
}

} // namespace
