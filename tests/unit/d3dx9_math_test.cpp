// The D3DX matrix functions against values worked out by hand, the degenerate projection angles the camera
// can reach, multiplication into one of its own inputs, and their trace lines.
#include <d3dx9.h>
#include <platform_test.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

void expect_matrix(const D3DXMATRIX& m, const std::vector<float>& want, float tolerance = 1e-6f) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m.m[i / 4][i % 4], want[i], tolerance) << "element _" << i / 4 + 1 << i % 4 + 1;
}

D3DXVECTOR3 transform_point(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
    const float w = v.x * m._14 + v.y * m._24 + v.z * m._34 + m._44;
    return {(v.x * m._11 + v.y * m._21 + v.z * m._31 + m._41) / w,
            (v.x * m._12 + v.y * m._22 + v.z * m._32 + m._42) / w,
            (v.x * m._13 + v.y * m._23 + v.z * m._33 + m._43) / w};
}

TEST(D3dx9Matrix, SimpleTransformsUseRowVectors) {
    D3DXMATRIX m;
    EXPECT_EQ(D3DXMatrixTranslation(&m, 1, 2, 3), &m);
    expect_matrix(m, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1}, 0);

    EXPECT_EQ(D3DXMatrixScaling(&m, 2, 3, 4), &m);
    expect_matrix(m, {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1}, 0);

    // Left-handed: a quarter turn about Y takes +X to -Z, about X takes +Y to +Z.
    const float quarter = 1.5707964f;
    EXPECT_EQ(D3DXMatrixRotationY(&m, quarter), &m);
    expect_matrix(m, {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1});
    EXPECT_EQ(D3DXMatrixRotationX(&m, quarter), &m);
    expect_matrix(m, {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1});
}

TEST(D3dx9Matrix, WorldOfTheFirstFrameIsExactlyTheIdentity) {
    D3DXMATRIX t, ry, rx, s, world;
    D3DXMatrixTranslation(&t, 0, 0, 0);
    D3DXMatrixRotationY(&ry, 0);
    D3DXMatrixRotationX(&rx, 0);
    D3DXMatrixScaling(&s, 1, 1, 1);
    D3DXMatrixMultiply(&world, &t, &ry);
    D3DXMatrixMultiply(&world, &world, &rx);
    D3DXMatrixMultiply(&world, &world, &s);
    expect_matrix(world, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, 0);
}

TEST(D3dx9Matrix, LookAtFromTheStartingEye) {
    const D3DXVECTOR3 eye(0, 10, 18), at(0, 10, -12), up(0, 1, 0);
    D3DXMATRIX view;
    EXPECT_EQ(D3DXMatrixLookAtLH(&view, &eye, &at, &up), &view);
    // zaxis (0, 0, -1), xaxis = up x zaxis = (-1, 0, 0), yaxis (0, 1, 0).
    expect_matrix(view, {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, -10, 18, 1}, 0);

    const D3DXVECTOR3 eye_in_view = transform_point(eye, view);
    EXPECT_EQ(eye_in_view.x, 0);
    EXPECT_EQ(eye_in_view.y, 0);
    EXPECT_EQ(eye_in_view.z, 0);
    EXPECT_FLOAT_EQ(transform_point(at, view).z, 30); // the target lies ahead, on +Z
}

TEST(D3dx9Matrix, LookAtAnOffAxisTargetStaysOrthonormal) {
    const D3DXVECTOR3 eye(1, 2, 3), at(4, -1, 7), up(0, 1, 0);
    D3DXMATRIX v;
    D3DXMatrixLookAtLH(&v, &eye, &at, &up);
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            const float d = v.m[0][a] * v.m[0][b] + v.m[1][a] * v.m[1][b] + v.m[2][a] * v.m[2][b];
            EXPECT_NEAR(d, a == b ? 1.0f : 0.0f, 1e-6f) << a << "," << b;
        }
    const D3DXVECTOR3 ahead = transform_point(at, v);
    EXPECT_NEAR(ahead.x, 0, 1e-5f);
    EXPECT_NEAR(ahead.y, 0, 1e-5f);
    EXPECT_NEAR(ahead.z, std::sqrt(9.0f + 9.0f + 16.0f), 1e-5f);
}

TEST(D3dx9Matrix, LookAtWithEyeOnTargetGivesNoNaN) {
    const D3DXVECTOR3 eye(1, 1, 1), up(0, 1, 0);
    D3DXMATRIX v;
    D3DXMatrixLookAtLH(&v, &eye, &eye, &up);
    for (int i = 0; i < 16; ++i)
        EXPECT_FALSE(std::isnan(v.m[i / 4][i % 4])) << i;
}

TEST(D3dx9Matrix, PerspectiveOfTheStartingFieldOfView) {
    D3DXMATRIX p;
    EXPECT_EQ(D3DXMatrixPerspectiveFovLH(&p, 0.78539819f, 1.3333334f, 1, 100), &p);
    const float y_scale = 2.41421356f; // cot(22.5 degrees) = 1 + sqrt(2)
    expect_matrix(p, {y_scale / 1.3333334f, 0, 0, 0, 0, y_scale, 0, 0, 0, 0, 100.0f / 99.0f, 1, 0, 0,
                      -100.0f / 99.0f, 0});
    // Depth runs from 0 at the near plane to 1 at the far plane.
    EXPECT_NEAR(transform_point({0, 0, 1}, p).z, 0, 1e-6f);
    EXPECT_NEAR(transform_point({0, 0, 100}, p).z, 1, 1e-6f);
}

TEST(D3dx9Matrix, PerspectiveAtZeroAndHalfATurnIsWhatTheFormulaGives) {
    D3DXMATRIX p;
    D3DXMatrixPerspectiveFovLH(&p, 0.0f, 1.3333334f, 1, 100);
    EXPECT_TRUE(std::isinf(p._11) && p._11 > 0);
    EXPECT_TRUE(std::isinf(p._22) && p._22 > 0);
    EXPECT_FLOAT_EQ(p._33, 100.0f / 99.0f);
    EXPECT_EQ(p._34, 1);
    EXPECT_EQ(p._44, 0);

    const float half_turn = 180 * 0.017453292f;
    D3DXMatrixPerspectiveFovLH(&p, half_turn, 1.3333334f, 1, 100);
    EXPECT_TRUE(std::isfinite(p._22));
    EXPECT_LT(std::fabs(p._22), 1e-6f);
    EXPECT_EQ(p._11, p._22 / 1.3333334f);
    EXPECT_FLOAT_EQ(p._43, -100.0f / 99.0f);
}

TEST(D3dx9Matrix, MultiplyComposesLeftThenRightAndMayWriteIntoAnInput) {
    D3DXMATRIX t, s, ts;
    D3DXMatrixTranslation(&t, 1, 2, 3);
    D3DXMatrixScaling(&s, 2, 2, 2);
    EXPECT_EQ(D3DXMatrixMultiply(&ts, &t, &s), &ts);
    // Translate first, then scale: the origin lands on (2, 4, 6).
    expect_matrix(ts, {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 2, 4, 6, 1}, 0);

    D3DXMATRIX a, b, expected;
    D3DXMatrixRotationX(&a, 0.3f);
    a._41 = 5;
    a._24 = 0.25f;
    D3DXMatrixRotationY(&b, -1.1f);
    b._43 = -2;
    b._14 = 0.5f;
    D3DXMatrixMultiply(&expected, &a, &b);

    D3DXMATRIX left = a;
    EXPECT_EQ(D3DXMatrixMultiply(&left, &left, &b), &left);
    D3DXMATRIX right = b;
    EXPECT_EQ(D3DXMatrixMultiply(&right, &a, &right), &right);
    D3DXMATRIX both = a, square;
    D3DXMatrixMultiply(&square, &a, &a);
    D3DXMatrixMultiply(&both, &both, &both);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(left.m[i / 4][i % 4], expected.m[i / 4][i % 4]) << i;
        EXPECT_EQ(right.m[i / 4][i % 4], expected.m[i / 4][i % 4]) << i;
        EXPECT_EQ(both.m[i / 4][i % 4], square.m[i / 4][i % 4]) << i;
    }
}

TEST(D3dx9Matrix, NullArgumentsAreRefusedWithoutACrash) {
    D3DXMATRIX m;
    const D3DXVECTOR3 v(0, 0, 1);
    EXPECT_EQ(D3DXMatrixTranslation(nullptr, 1, 2, 3), nullptr);
    EXPECT_EQ(D3DXMatrixLookAtLH(&m, &v, nullptr, &v), nullptr);
    EXPECT_EQ(D3DXMatrixMultiply(&m, nullptr, &m), nullptr);
}

TEST(D3dx9Matrix, EachCallIsTracedWithItsArguments) {
    platform::trace::enable(true);
    platform::trace::clear();
    D3DXMATRIX m, n;
    const D3DXVECTOR3 eye(0, 10, 18), at(0, 10, -12), up(0, 1, 0);
    D3DXMatrixTranslation(&m, 0, 0, 0);
    D3DXMatrixRotationY(&m, 0);
    D3DXMatrixRotationX(&m, 0.5f);
    D3DXMatrixScaling(&m, 1, 1, 1);
    D3DXMatrixLookAtLH(&m, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&m, 0.78539819f, 1.3333334f, 1, 100);
    D3DXMatrixScaling(&n, 2, 2, 2);
    D3DXMatrixMultiply(&m, &n, &n);
    platform::trace::enable(false);
    const std::vector<std::string> want = {
        "D3DXMatrixTranslation(0, 0, 0)",
        "D3DXMatrixRotationY(0)",
        "D3DXMatrixRotationX(0.5)",
        "D3DXMatrixScaling(1, 1, 1)",
        "D3DXMatrixLookAtLH({0, 10, 18}, {0, 10, -12}, {0, 1, 0})",
        "D3DXMatrixPerspectiveFovLH(0.7853982, 1.3333334, 1, 100)",
        "D3DXMatrixScaling(2, 2, 2)",
        "D3DXMatrixMultiply({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1}, "
        "{2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1})",
    };
    EXPECT_EQ(platform::trace::lines(), want);
}

} // namespace
