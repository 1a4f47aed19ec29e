// The checks of an indexed draw, without a device: each fault Direct3D 9 refuses with D3DERR_INVALIDCALL,
// and the range cache that spares the index scan when the same range of an unchanged buffer is drawn again.
#include "d3d9/d3d9_draw_checks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <vector>

namespace {

using namespace platform::d3d9;

// Six 16-bit indices (two triangles of a quad) over four vertices of 32 bytes.
struct Quad {
    std::vector<std::uint8_t> indices;
    Quad() : indices(12) {
        const std::uint16_t values[6] = {0, 1, 2, 2, 1, 3};
        std::memcpy(indices.data(), values, sizeof values);
    }
    DrawSources sources() const {
        return {this, 1, indices, D3DFMT_INDEX16, 4 * 32, 32, true, 32};
    }
};

DrawVerdict verdict(const IndexedDraw& draw, const std::optional<DrawSources>& sources) {
    IndexRangeCache cache;
    return check_indexed_draw(draw, sources, cache).verdict;
}

TEST(D3d9DrawChecks, RefuseIndicesOrVerticesOutsideTheirBuffersAndNegativeBaseVertices) {
    const Quad quad;
    const IndexedDraw whole{D3DPT_TRIANGLELIST, 0, 0, 0, 2};
    EXPECT_EQ(verdict(whole, quad.sources()), DrawVerdict::kDraw);

    IndexedDraw past_the_indices = whole;
    past_the_indices.start_index = 1; // the sixth index read would be the seventh of six
    EXPECT_EQ(verdict(past_the_indices, quad.sources()), DrawVerdict::kInvalidCall);

    DrawSources three_vertices = quad.sources();
    three_vertices.vertex_bytes = 3 * 32 + 31; // index 3 names a vertex the buffer only holds in part
    EXPECT_EQ(verdict(whole, three_vertices), DrawVerdict::kInvalidCall);

    IndexedDraw shifted = whole;
    shifted.base_vertex = 1; // index 3 then names vertex 4
    EXPECT_EQ(verdict(shifted, quad.sources()), DrawVerdict::kInvalidCall);

    IndexedDraw negative = whole;
    negative.base_vertex = -1;
    EXPECT_EQ(verdict(negative, quad.sources()), DrawVerdict::kInvalidCall);
    negative.min_index = 1; // base vertex -1 from index 1 on reaches vertex 0 at the lowest
    EXPECT_EQ(verdict(negative, quad.sources()), DrawVerdict::kDraw);

    DrawSources narrow_stride = quad.sources();
    narrow_stride.stride = 28;
    EXPECT_EQ(verdict(whole, narrow_stride), DrawVerdict::kInvalidCall);

    IndexedDraw unknown_type = whole;
    unknown_type.type = static_cast<D3DPRIMITIVETYPE>(7);
    EXPECT_EQ(verdict(unknown_type, quad.sources()), DrawVerdict::kInvalidCall);
    EXPECT_EQ(verdict(whole, std::nullopt), DrawVerdict::kInvalidCall) << "no buffers bound";
}

TEST(D3d9DrawChecks, NoPrimitivesDrawNothingButStillNeedBuffersAndAKnownType) {
    const Quad quad;
    EXPECT_EQ(verdict({D3DPT_TRIANGLELIST, 0, 0, 0, 0}, quad.sources()), DrawVerdict::kNothingToDraw);
    // Even far past the buffers: no index is read.
    EXPECT_EQ(verdict({D3DPT_TRIANGLELIST, -5, 0, 100, 0}, quad.sources()), DrawVerdict::kNothingToDraw);
    EXPECT_EQ(verdict({D3DPT_TRIANGLELIST, 0, 0, 0, 0}, std::nullopt), DrawVerdict::kInvalidCall);
    EXPECT_EQ(verdict({static_cast<D3DPRIMITIVETYPE>(0), 0, 0, 0, 0}, quad.sources()),
              DrawVerdict::kInvalidCall);
}

TEST(D3d9DrawChecks, TheLargestIndexIsScannedAgainOnlyWhenTheBufferOrRangeChanges) {
    Quad quad;
    IndexRangeCache cache;
    const IndexedDraw whole{D3DPT_TRIANGLELIST, 0, 0, 0, 2};
    ASSERT_EQ(check_indexed_draw(whole, quad.sources(), cache).verdict, DrawVerdict::kDraw);
    EXPECT_EQ(cache.max_index, 3u);

    // A new content under a new version is scanned again: index 9 is past the four vertices.
    const std::uint16_t nine = 9;
    std::memcpy(quad.indices.data() + 10, &nine, 2);
    DrawSources changed = quad.sources();
    changed.index_version = 2;
    EXPECT_EQ(check_indexed_draw(whole, changed, cache).verdict, DrawVerdict::kInvalidCall);
    EXPECT_EQ(cache.max_index, 9u);

    // The first triangle alone is another range, and stays inside.
    EXPECT_EQ(check_indexed_draw({D3DPT_TRIANGLELIST, 0, 0, 0, 1}, changed, cache).verdict,
              DrawVerdict::kDraw);
    EXPECT_EQ(cache.max_index, 2u);
}

TEST(D3d9DrawChecks, ThirtyTwoBitIndicesAreReadWhole) {
    std::vector<std::uint8_t> bytes(12);
    const std::uint32_t values[3] = {0, 1, 0x10002}; // 2 in its low half, past 65535 in all
    std::memcpy(bytes.data(), values, sizeof values);
    const DrawSources sources{&bytes, 1, bytes, D3DFMT_INDEX32, 3 * 16, 16, true, 16};
    EXPECT_EQ(verdict({D3DPT_TRIANGLELIST, 0, 0, 0, 1}, sources), DrawVerdict::kInvalidCall);
}

} // namespace
