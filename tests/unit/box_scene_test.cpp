// The box's geometry: every vertex on its face's plane, every triangle clockwise seen from outside, each
// face carrying the whole texture once, and the buffers' sizes.
#include "render/box_scene.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Vec = std::array<float, 3>;

Vec position(const BoxVertex& v) {
    return {v.x, v.y, v.z};
}
Vec normal(const BoxVertex& v) {
    return {v.nx, v.ny, v.nz};
}
Vec minus(const Vec& a, const Vec& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Vec cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
float dot(const Vec& a, const Vec& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

TEST(BoxScene, VertexFormatAndBufferSizes) {
    EXPECT_EQ(BOX_VERTEX_FVF, 274u);
    EXPECT_EQ(sizeof box_vertices, 768u);
    EXPECT_EQ(sizeof box_indices, 72u);
}

TEST(BoxScene, FacesInOrderWithUnitNormalsAndVerticesOnTheirPlanes) {
    const Vec face_normals[6] = {{0, 0, 1}, {0, 0, -1}, {0, 1, 0}, {0, -1, 0}, {1, 0, 0}, {-1, 0, 0}};
    const float uv[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (int i = 0; i < 24; ++i) {
        const BoxVertex& v = box_vertices[i];
        EXPECT_EQ(normal(v), face_normals[i / 4]) << "vertex " << i;
        EXPECT_EQ(dot(position(v), normal(v)), 3.0f) << "vertex " << i;
        for (const float c : position(v))
            EXPECT_TRUE(c == 3.0f || c == -3.0f) << "vertex " << i;
        EXPECT_EQ(v.u, uv[i % 4][0]) << "vertex " << i;
        EXPECT_EQ(v.v, uv[i % 4][1]) << "vertex " << i;
    }
    // The four corners of each face are distinct.
    for (int f = 0; f < 6; ++f)
        for (int a = 0; a < 4; ++a)
            for (int b = a + 1; b < 4; ++b)
                EXPECT_NE(position(box_vertices[4 * f + a]), position(box_vertices[4 * f + b]));
}

TEST(BoxScene, IndicesFollowThePerFaceRuleAndEveryTriangleFacesOutward) {
    for (int f = 0; f < 6; ++f) {
        const WORD expected[6] = {WORD(4 * f),     WORD(4 * f + 1), WORD(4 * f + 2),
                                  WORD(4 * f + 2), WORD(4 * f + 1), WORD(4 * f + 3)};
        for (int k = 0; k < 6; ++k)
            EXPECT_EQ(box_indices[6 * f + k], expected[k]) << "face " << f;
    }
    // In left-handed coordinates a triangle runs clockwise seen from the side its normal points to when
    // (v1 - v0) x (v2 - v0) points along that normal.
    for (int t = 0; t < 12; ++t) {
        const BoxVertex& v0 = box_vertices[box_indices[3 * t]];
        const BoxVertex& v1 = box_vertices[box_indices[3 * t + 1]];
        const BoxVertex& v2 = box_vertices[box_indices[3 * t + 2]];
        const Vec turn = cross(minus(position(v1), position(v0)), minus(position(v2), position(v0)));
        EXPECT_GT(dot(turn, normal(v0)), 0.0f) << "triangle " << t;
    }
}

TEST(BoxScene, SideFacesShowTheTextureUprightWithUGrowingToTheViewersLeft) {
    // On the +Z face seen from outside (looking along -Z, screen right is -X): u grows towards +X, which is
    // the viewer's left, and v grows upwards.
    EXPECT_LT(box_vertices[0].x, box_vertices[1].x);
    EXPECT_LT(box_vertices[0].y, box_vertices[2].y);
}

} // namespace
