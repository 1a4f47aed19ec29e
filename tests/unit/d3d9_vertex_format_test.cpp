// The Direct3D 9 part's pure logic: where a flexible vertex format puts each element, and which state and
// sampler numbers Direct3D 9 accepts.
#include "d3d9/d3d9_state.h"
#include "d3d9/d3d9_vertex_format.h"

#include <gtest/gtest.h>

namespace {

using platform::d3d9::parse_fvf;

TEST(D3d9VertexFormat, TheBoxFormatIsPositionNormalAndOneCoordinatePair) {
    const auto layout = parse_fvf(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1); // 274
    ASSERT_TRUE(layout.valid);
    EXPECT_FALSE(layout.pretransformed);
    EXPECT_EQ(layout.size, 32u);
    EXPECT_EQ(layout.position_components, 3u);
    EXPECT_TRUE(layout.has_normal);
    EXPECT_EQ(layout.normal_offset, 12u);
    EXPECT_FALSE(layout.has_diffuse);
    EXPECT_FALSE(layout.has_specular);
    EXPECT_EQ(layout.texture_sets, 1u);
    EXPECT_EQ(layout.texture_offset[0], 24u);
    EXPECT_EQ(layout.texture_components[0], 2u);
}

TEST(D3d9VertexFormat, ElementsFollowTheSdkOrderWithTheirSizes) {
    // XYZRHW, point size, diffuse, specular, then a 2-float and a 3-float coordinate set.
    const DWORD fvf = D3DFVF_XYZRHW | D3DFVF_PSIZE | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2 |
                      D3DFVF_TEXCOORDSIZE2(0) | D3DFVF_TEXCOORDSIZE3(1);
    const auto layout = parse_fvf(fvf);
    ASSERT_TRUE(layout.valid);
    EXPECT_TRUE(layout.pretransformed);
    EXPECT_EQ(layout.position_components, 4u);
    EXPECT_FALSE(layout.has_normal);
    EXPECT_TRUE(layout.has_specular);
    EXPECT_EQ(layout.diffuse_offset, 20u); // 16 of position, 4 of point size
    EXPECT_EQ(layout.specular_offset, 24u);
    EXPECT_EQ(layout.texture_offset[0], 28u);
    EXPECT_EQ(layout.texture_offset[1], 36u);
    EXPECT_EQ(layout.texture_components[1], 3u);
    EXPECT_EQ(layout.size, 48u);

    // The normal comes before the point size.
    const auto sized = parse_fvf(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_PSIZE | D3DFVF_DIFFUSE);
    EXPECT_EQ(sized.normal_offset, 12u);
    EXPECT_EQ(sized.diffuse_offset, 28u);

    // Eight sets, the most there are; the last of four floats.
    const auto eight = parse_fvf(D3DFVF_XYZ | D3DFVF_TEX8 | D3DFVF_TEXCOORDSIZE4(7));
    ASSERT_TRUE(eight.valid);
    EXPECT_EQ(eight.texture_components[7], 4u);
    EXPECT_EQ(eight.size, 12u + 7 * 8 + 16);

    const auto single = parse_fvf(D3DFVF_XYZ | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE1(0));
    EXPECT_EQ(single.size, 16u);
    EXPECT_EQ(single.texture_components[0], 1u);
}

TEST(D3d9VertexFormat, FormatsWithoutAPositionOrWithBlendWeightsAreNotDrawn) {
    EXPECT_FALSE(parse_fvf(0).valid);
    EXPECT_FALSE(parse_fvf(D3DFVF_NORMAL | D3DFVF_DIFFUSE).valid);
    EXPECT_FALSE(parse_fvf(D3DFVF_XYZB2 | D3DFVF_NORMAL).valid);
    EXPECT_FALSE(parse_fvf(D3DFVF_XYZ | 0x900).valid); // nine coordinate sets
}

TEST(D3d9StateNumbers, OnlyTheStatesDirect3D9DefinesAreAccepted) {
    using platform::d3d9::is_render_state;
    for (const DWORD s : {7u, 9u, 22u, 27u, 137u, 139u, 143u, 168u, 209u})
        EXPECT_TRUE(is_render_state(s)) << s;
    // Gaps in the numbering and values past the last state.
    for (const DWORD s :
         {0u, 1u, 6u, 10u, 30u, 61u, 127u, 138u, 144u, 149u, 164u, 177u, 196u, 210u, 256u, 100000u})
        EXPECT_FALSE(is_render_state(s)) << s;

    using platform::d3d9::is_stage_state;
    EXPECT_TRUE(is_stage_state(D3DTSS_COLOROP));
    EXPECT_TRUE(is_stage_state(D3DTSS_TEXCOORDINDEX));
    EXPECT_TRUE(is_stage_state(D3DTSS_CONSTANT));
    EXPECT_FALSE(is_stage_state(12));
    EXPECT_FALSE(is_stage_state(25));
    EXPECT_FALSE(is_stage_state(29));

    using platform::d3d9::sampler_slot;
    EXPECT_EQ(sampler_slot(0), 0u);
    EXPECT_EQ(sampler_slot(15), 15u);
    EXPECT_FALSE(sampler_slot(16).has_value());
    EXPECT_EQ(sampler_slot(D3DDMAPSAMPLER), 16u);
    EXPECT_EQ(sampler_slot(D3DVERTEXTEXTURESAMPLER3), 20u);
    EXPECT_FALSE(sampler_slot(D3DVERTEXTEXTURESAMPLER3 + 1).has_value());
}

TEST(D3d9StateNumbers, DepthTestingStartsOnOnlyWithTheAutomaticDepthBuffer) {
    const auto with = platform::d3d9::default_states(true);
    const auto without = platform::d3d9::default_states(false);
    EXPECT_EQ(with.render[D3DRS_ZENABLE], static_cast<DWORD>(D3DZB_TRUE));
    EXPECT_EQ(without.render[D3DRS_ZENABLE], static_cast<DWORD>(D3DZB_FALSE));
    // Every other state is the same either way.
    for (DWORD s = 0; s < platform::d3d9::kRenderStateCount; ++s) {
        if (s != D3DRS_ZENABLE) {
            EXPECT_EQ(with.render[s], without.render[s]) << s;
        }
    }
}

} // namespace
