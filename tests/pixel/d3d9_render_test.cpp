// What the Direct3D 9 device draws, read back from the presented back buffer on the virtual display:
// Clear, per-vertex lighting against Direct3D 9's formula, flat and Gouraud shading, culling of
// counter-clockwise triangles (the box's outward faces survive), depth testing with 16-bit depth whether
// drawn into the window or offscreen, stage 0's texture, the default blend factors, the half-pixel placement
// of edges, and the font's quads blending inside their clip and leaving the device's drawing state as they
// found it.
#include "d3d9_test_device.h"

#include "child_process.h"
#include "d3d9/d3d9_device.h"
#include "x_display.h"

#include <d3dx9.h>
#include <stb_image.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <thread>

namespace {

using namespace d3d9_test;

// The same quad with normals (scaled by normal_length) towards the viewer and texture coordinates running
// from (0, 0) at the top left to (1, 1) at the bottom right.
std::vector<LitVertex> lit_quad(float z, float normal_length = 1.0f) {
    const float n = -normal_length;
    return {{-1, -1, z, 0, 0, n, 0, 1},
            {-1, 1, z, 0, 0, n, 0, 0},
            {1, -1, z, 0, 0, n, 1, 1},
            {1, 1, z, 0, 0, n, 1, 0}};
}

void expect_colour(std::uint32_t pixel, double r, double g, double b, const char* what) {
    EXPECT_NEAR(red(pixel), r * 255.0, 2.0) << what;
    EXPECT_NEAR(green(pixel), g * 255.0, 2.0) << what;
    EXPECT_NEAR(blue(pixel), b * 255.0, 2.0) << what;
}

TEST_F(DeviceTest, ClearFillsTheTargetOpaqueOrJustItsRectangles) {
    make_device(16, 8);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00336699, 1.0f, 0), D3D_OK);
    present();
    for (const std::uint32_t p : pixels_)
        ASSERT_EQ(p, 0xFF336699u); // X8R8G8B8: no alpha is kept, it reads as opaque

    const D3DRECT rect{2, 1, 5, 3}; // x 2..4, y 1..2 counted from the top
    ASSERT_EQ(device_->Clear(1, &rect, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    present();
    for (UINT y = 0; y < 8; ++y)
        for (UINT x = 0; x < 16; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
            EXPECT_EQ(pixel(x, y), inside ? 0xFFFF0000u : 0xFF336699u) << x << "," << y;
        }

    // A rectangle's clear between two draws that change no state leaves the second draw unclipped.
    ASSERT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    clear(0xFF000000);
    draw(screen_quad(0.5f, 0xFF00FF00), kColourFvf, kQuadIndices);
    ASSERT_EQ(device_->Clear(1, &rect, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    draw(screen_quad(0.5f, 0xFF0000FF), kColourFvf, kQuadIndices);
    present();
    EXPECT_EQ(pixel(0, 4), 0xFF0000FFu);
    EXPECT_EQ(pixel(3, 2), 0xFF0000FFu);
}

// A quad facing a point light straight on: every corner is sqrt(6) from the light, so all four vertices
// get the same colour and the picture is flat.
class Lighting : public DeviceTest {
  protected:
    void SetUp() override {
        make_device(32, 32);
        ASSERT_EQ(device_->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(50, 50, 50)), D3D_OK);
        light_.Type = D3DLIGHT_POINT;
        light_.Diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
        light_.Position = {0.0f, 0.0f, -1.5f};
        light_.Range = 10.0f;
        light_.Attenuation2 = 0.1f;
        material_.Diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
        material_.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    }
    std::uint32_t render(float normal_length = 1.0f) {
        EXPECT_EQ(device_->SetLight(0, &light_), D3D_OK);
        EXPECT_EQ(device_->LightEnable(0, TRUE), D3D_OK);
        EXPECT_EQ(device_->SetMaterial(&material_), D3D_OK);
        clear(0xFF000000);
        draw(lit_quad(0.5f, normal_length), kLitFvf, kQuadIndices);
        present();
        EXPECT_EQ(pixel(3, 3), pixel(28, 28)); // per-vertex colours all equal
        return pixel(16, 16);
    }
    // Direct3D 9's point light: ambient + diffuse x light x (N.L) / (a0 + a1 d + a2 d^2), with N.L saturated
    // at 1 (a longer normal counts no more than a unit one facing the light).
    void expect_lit(std::uint32_t p, double normal_length, const char* what) {
        const double ambient = 50.0 / 255.0;
        const double d = std::sqrt(6.0);
        const double n_dot_l = std::min(1.0, normal_length * 2.0 / d);
        const double attenuation = 1.0 / (0.1 * d * d);
        const double light = 0.5 * n_dot_l * attenuation;
        expect_colour(p, std::min(1.0, ambient + 1.0 * light), std::min(1.0, ambient + 0.5 * light),
                      std::min(1.0, ambient + 0.25 * light), what);
    }
    D3DLIGHT9 light_{};
    D3DMATERIAL9 material_{};
};

TEST_F(Lighting, APointLightFollowsTheFormulaWithGlobalAmbient) {
    expect_lit(render(), 1.0, "lit");
    EXPECT_EQ(pixel(16, 16) >> 24, 0xFFu);
}

TEST_F(Lighting, NothingIsLitBeyondTheLightsRange) {
    light_.Range = 2.0f; // the corners are 2.45 away
    expect_colour(render(), 50.0 / 255.0, 50.0 / 255.0, 50.0 / 255.0, "ambient only");
}

TEST_F(Lighting, ALightsAmbientIsAttenuatedAndTakesTheMaterialsAmbientColour) {
    light_.Diffuse = {0.0f, 0.0f, 0.0f, 0.0f};
    light_.Ambient = {0.15f, 0.15f, 0.15f, 1.0f};
    material_.Ambient = {1.0f, 0.5f, 0.0f, 1.0f};
    // Material ambient x (global ambient + light ambient / (0.1 d^2)), d^2 = 6.
    const double ambient = 50.0 / 255.0 + 0.15 / 0.6;
    expect_colour(render(), ambient, 0.5 * ambient, 0.0, "ambient only");
}

TEST_F(Lighting, NormalsAreNormalisedOnlyWhenAsked) {
    expect_lit(render(3.0f), 3.0, "long normals as they stand");
    ASSERT_EQ(device_->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE), D3D_OK);
    expect_lit(render(3.0f), 1.0, "normalised");
}

TEST_F(Lighting, LightingOffTakesTheVertexColour) {
    ASSERT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    clear(0xFF000000);
    draw(screen_quad(0.5f, 0xFF336699), kColourFvf, kQuadIndices);
    present();
    EXPECT_EQ(pixel(16, 16), 0xFF336699u);
}

TEST_F(DeviceTest, FlatShadingTakesEachTrianglesFirstVertexAndGouraudBlends) {
    make_device(32, 32);
    ASSERT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    // Triangle (0, 1, 2) covers the lower left half, (2, 1, 3) the upper right.
    const std::vector<ColourVertex> quad = {{-1, -1, 0.5f, 0xFFFF0000},
                                            {-1, 1, 0.5f, 0xFF00FF00},
                                            {1, -1, 0.5f, 0xFF0000FF},
                                            {1, 1, 0.5f, 0xFFFFFFFF}};
    for (const DWORD mode : {D3DSHADE_FLAT, D3DSHADE_GOURAUD, D3DSHADE_PHONG}) {
        ASSERT_EQ(device_->SetRenderState(D3DRS_SHADEMODE, mode), D3D_OK);
        clear(0xFF000000);
        draw(quad, kColourFvf, kQuadIndices);
        present();
        const std::uint32_t lower_left = pixel(8, 20);
        const std::uint32_t upper_right = pixel(24, 10);
        if (mode == D3DSHADE_FLAT) {
            EXPECT_EQ(lower_left, 0xFFFF0000u);
            EXPECT_EQ(upper_right, 0xFF0000FFu);
        } else { // Phong is drawn as Gouraud
            EXPECT_GT(red(lower_left), 40) << mode;
            EXPECT_GT(green(lower_left), 40) << mode;
            EXPECT_GT(blue(lower_left), 40) << mode;
            EXPECT_GT(green(upper_right), 40) << mode;
            EXPECT_LT(red(upper_right), 250) << mode;
        }
    }
}

TEST_F(DeviceTest, CullingRemovesCounterClockwiseTrianglesByDefault) {
    make_device(16, 16);
    ASSERT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    const std::vector<ColourVertex> quad = screen_quad(0.5f, 0xFFFFFFFF);
    const std::vector<WORD> clockwise = kQuadIndices;
    const std::vector<WORD> counter_clockwise = {0, 2, 1, 2, 3, 1};
    struct Case {
        DWORD cull;
        const std::vector<WORD>* indices;
        bool drawn;
    };
    for (const Case c : {Case{D3DCULL_CCW, &clockwise, true}, Case{D3DCULL_CCW, &counter_clockwise, false},
                         Case{D3DCULL_CW, &clockwise, false}, Case{D3DCULL_CW, &counter_clockwise, true},
                         Case{D3DCULL_NONE, &counter_clockwise, true}}) {
        ASSERT_EQ(device_->SetRenderState(D3DRS_CULLMODE, c.cull), D3D_OK);
        clear(0xFF000000);
        draw(quad, kColourFvf, *c.indices);
        present();
        EXPECT_EQ(pixel(8, 8), c.drawn ? 0xFFFFFFFFu : 0xFF000000u) << "cull mode " << c.cull;
    }
}

// The viewer's box: six faces of four vertices, each face's triangles clockwise seen from outside.
TEST_F(DeviceTest, TheBoxShowsItsOutwardFacesFromEverySide) {
    make_device(32, 32);
    const float n[6][3] = {{0, 0, 1}, {0, 0, -1}, {0, 1, 0}, {0, -1, 0}, {1, 0, 0}, {-1, 0, 0}};
    const float corners[24][3] = {{-3, -3, 3},  {3, -3, 3},  {-3, 3, 3},   {3, 3, 3},   {3, -3, -3},
                                  {-3, -3, -3}, {3, 3, -3},  {-3, 3, -3},  {-3, 3, -3}, {-3, 3, 3},
                                  {3, 3, -3},   {3, 3, 3},   {-3, -3, -3}, {3, -3, -3}, {-3, -3, 3},
                                  {3, -3, 3},   {3, -3, 3},  {3, -3, -3},  {3, 3, 3},   {3, 3, -3},
                                  {-3, -3, -3}, {-3, -3, 3}, {-3, 3, -3},  {-3, 3, 3}};
    std::vector<LitVertex> box;
    for (int v = 0; v < 24; ++v)
        box.push_back(
            {corners[v][0], corners[v][1], corners[v][2], n[v / 4][0], n[v / 4][1], n[v / 4][2], 0, 0});
    std::vector<WORD> indices;
    for (WORD f = 0; f < 6; ++f)
        for (const WORD i : {0, 1, 2, 2, 1, 3})
            indices.push_back(static_cast<WORD>(4 * f + i));
    IDirect3DVertexBuffer9* vb = vertex_buffer(box, kLitFvf);
    IDirect3DIndexBuffer9* ib = index_buffer(indices);
    ASSERT_EQ(device_->SetFVF(kLitFvf), D3D_OK);
    ASSERT_EQ(device_->SetStreamSource(0, vb, 0, sizeof(LitVertex)), D3D_OK);
    ASSERT_EQ(device_->SetIndices(ib), D3D_OK);
    // Each face shows its own colour through the global ambient; no depth test, so draw order decides.
    ASSERT_EQ(device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE), D3D_OK);
    ASSERT_EQ(device_->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF), D3D_OK);
    const D3DCOLORVALUE face_colour[6] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1},
                                          {1, 1, 0, 1}, {0, 1, 1, 1}, {1, 0, 1, 1}};
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.78539819f, 1.0f, 1.0f, 100.0f);
    ASSERT_EQ(device_->SetTransform(D3DTS_PROJECTION, &projection), D3D_OK);

    for (int f = 0; f < 6; ++f) {
        // Looking at face f from outside; the face opposite is drawn after it and must be culled.
        const int opposite = f ^ 1;
        const D3DXVECTOR3 eye(20 * n[f][0], 20 * n[f][1], 20 * n[f][2]);
        const D3DXVECTOR3 at(0, 0, 0);
        const D3DXVECTOR3 up = n[f][1] != 0 ? D3DXVECTOR3(0, 0, 1) : D3DXVECTOR3(0, 1, 0);
        D3DXMATRIX view;
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        ASSERT_EQ(device_->SetTransform(D3DTS_VIEW, &view), D3D_OK);
        clear(0xFF000000);
        ASSERT_EQ(device_->BeginScene(), D3D_OK);
        for (const int drawn : {f, opposite}) {
            D3DMATERIAL9 material{};
            material.Ambient = face_colour[drawn];
            ASSERT_EQ(device_->SetMaterial(&material), D3D_OK);
            ASSERT_EQ(
                device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, static_cast<UINT>(6 * drawn), 2),
                D3D_OK);
        }
        ASSERT_EQ(device_->EndScene(), D3D_OK);
        present();
        expect_colour(pixel(16, 16), face_colour[f].r, face_colour[f].g, face_colour[f].b, "outward face");
    }
}

TEST_F(DeviceTest, DepthTestKeepsTheNearerSurfaceOnlyWhileEnabled) {
    make_device(16, 16);
    ASSERT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    const auto near_then_far = [&]() {
        clear(0xFF000000);
        draw(screen_quad(0.3f, 0xFFFF0000), kColourFvf, kQuadIndices);
        draw(screen_quad(0.7f, 0xFF00FF00), kColourFvf, kQuadIndices);
        present();
        return pixel(8, 8);
    };
    EXPECT_EQ(near_then_far(), 0xFFFF0000u); // ZENABLE starts TRUE with the automatic depth buffer
    ASSERT_EQ(device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE), D3D_OK);
    EXPECT_EQ(near_then_far(), 0xFF00FF00u);
    ASSERT_EQ(device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE), D3D_OK);
    ASSERT_EQ(device_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE), D3D_OK);
    EXPECT_EQ(near_then_far(), 0xFF00FF00u); // the near quad left no depth behind
    ASSERT_EQ(device_->SetRenderState(D3DRS_ZWRITEENABLE, TRUE), D3D_OK);

    // Less-or-equal: a second surface at the same depth wins.
    clear(0xFF000000);
    draw(screen_quad(0.5f, 0xFFFF0000), kColourFvf, kQuadIndices);
    draw(screen_quad(0.5f, 0xFF0000FF), kColourFvf, kQuadIndices);
    present();
    EXPECT_EQ(pixel(8, 8), 0xFF0000FFu);
    // Clearing depth to 0.2 hides both.
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.2f, 0), D3D_OK);
    draw(screen_quad(0.3f, 0xFFFF0000), kColourFvf, kQuadIndices);
    present();
    EXPECT_EQ(pixel(8, 8), 0xFF000000u);

    // Clear writes depth whatever ZWRITEENABLE says: after a draw without depth writes, the near quad's
    // depth is cleared away and a far quad shows.
    clear(0xFF000000);
    draw(screen_quad(0.3f, 0xFFFF0000), kColourFvf, kQuadIndices);
    ASSERT_EQ(device_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE), D3D_OK);
    draw(screen_quad(0.2f, 0xFF0000FF), kColourFvf, kQuadIndices);
    clear(0xFF000000);
    ASSERT_EQ(device_->SetRenderState(D3DRS_ZWRITEENABLE, TRUE), D3D_OK);
    draw(screen_quad(0.7f, 0xFF00FF00), kColourFvf, kQuadIndices);
    present();
    EXPECT_EQ(pixel(8, 8), 0xFF00FF00u);
}

// Two surfaces 1/70,000 apart in depth, the farther drawn second under less-or-equal: where a 16-bit depth
// buffer holds both as one value, the second covers the first; where it holds them one step apart, the first
// stays. So at three depths, both when the device draws straight into a window of the back buffer's size
// (whose own depth buffer is deeper) and when it draws offscreen for a larger window.
class Depth16 : public DeviceTest, public ::testing::WithParamInterface<bool> {
  protected:
    std::uint32_t nearer_then_farther(double steps) {
        const auto z = static_cast<float>(steps / 65535.0);
        const auto farther = static_cast<float>(static_cast<double>(z) + 1.0 / 70000.0);
        clear(0xFF000000);
        draw(screen_quad(z, 0xFFFF0000), kColourFvf, kQuadIndices);
        draw(screen_quad(farther, 0xFF00FF00), kColourFvf, kQuadIndices);
        present();
        return pixel(8, 8);
    }
};

TEST_P(Depth16, SurfacesWithinOneStepShareItAndOneStepApartKeepTheirOrder) {
    const bool window_sized = GetParam();
    make_unlit_device(16, 16, window_sized, 48, 40);
    ASSERT_FALSE(HasFatalFailure());
    for (const double step : {6553.0, 26214.0, 45875.0}) {
        // Both round to this step (0.468 below it and 0.468 above).
        EXPECT_EQ(nearer_then_farther(step - 0.468), 0xFF00FF00u) << "step " << step;
        // One rounds to it, the other to the next step.
        EXPECT_EQ(nearer_then_farther(step + 0.032), 0xFFFF0000u) << "step " << step;
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, Depth16, ::testing::Bool(), [](const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "IntoTheWindow" : "Offscreen";
});

// The same frame drawn straight into a window of the back buffer's size and offscreen for a larger window
// reads back the same in every pixel: triangles with edges at arbitrary sub-pixel places, overlapping in
// depth, textured with a noise texture minified under the anisotropic filter (the fur's sampler). A
// rasteriser that fills or interpolates the two ways from different edges moves edge pixels and texel
// boundaries.
class BothTargets : public DeviceTest {
  protected:
    struct Vertex {
        float x, y, z;
        D3DCOLOR colour;
        float u, v;
    };
    std::vector<std::uint32_t> frame(bool window_sized) {
        make_device(96, 80, true, window_sized ? 96 : 128, window_sized ? 80 : 112);
        if (HasFatalFailure())
            return {};
        EXPECT_EQ(dynamic_cast<platform::d3d9::Device&>(*device_).backend().draws_into_window(),
                  window_sized);
        std::uint32_t seed = 12345;
        const auto next = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<float>(seed >> 8) / 16777216.0f;
        };
        std::vector<platform::image::MipLevel> levels;
        for (UINT side = 64; side >= 1; side /= 2) {
            std::vector<std::uint32_t> texels(static_cast<size_t>(side) * side);
            for (std::uint32_t& t : texels)
                t = 0xFF000000u | static_cast<std::uint32_t>(next() * 16777215.0f);
            levels.push_back({side, side, std::move(texels)});
        }
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(platform::d3dx9::create_texture(device_, D3DFMT_A8R8G8B8, levels, &texture), D3D_OK);
        if (texture == nullptr)
            return {};
        held_.push_back(texture);
        EXPECT_EQ(device_->SetTexture(0, texture), D3D_OK);
        EXPECT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
        EXPECT_EQ(device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
        EXPECT_EQ(device_->SetSamplerState(0, D3DSAMP_MAXANISOTROPY, 8), D3D_OK);
        for (const DWORD filter : {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER})
            EXPECT_EQ(
                device_->SetSamplerState(0, static_cast<D3DSAMPLERSTATETYPE>(filter), D3DTEXF_ANISOTROPIC),
                D3D_OK);
        std::vector<Vertex> vertices;
        std::vector<WORD> indices;
        for (WORD i = 0; i < 3 * 40; ++i) {
            vertices.push_back({next() * 2.4f - 1.2f, next() * 2.4f - 1.2f, next(), 0xFFFFFFFF,
                                next() * 12.0f, next() * 3.0f});
            indices.push_back(i);
        }
        clear(0xFF000000);
        draw(vertices, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, indices);
        present();
        return pixels_;
    }
};

TEST_F(BothTargets, DrawIntoTheWindowAndOffscreenAlike) {
    const std::vector<std::uint32_t> into_window = frame(true);
    ASSERT_EQ(into_window.size(), 96u * 80u);
    release_device();
    const std::vector<std::uint32_t> offscreen = frame(false);
    ASSERT_EQ(offscreen.size(), into_window.size());
    size_t lit = 0;
    size_t differing = 0;
    for (size_t i = 0; i < offscreen.size(); ++i) {
        lit += (into_window[i] & 0xFFFFFF) != 0 ? 1 : 0;
        differing += into_window[i] != offscreen[i] ? 1 : 0;
    }
    EXPECT_GT(lit, into_window.size() / 2) << "the triangles cover most of the frame";
    EXPECT_EQ(differing, 0u) << "of " << lit << " lit pixels";
}

// Present shows the back buffer, or its source rectangle, the right way up and round in the client area, or
// in its destination rectangle: drawn straight into a window of the back buffer's size, scaled from the
// offscreen back buffer into a larger one, and, where the window had the back buffer's size for the frame
// before and was then made larger, from the window's own buffers copied into the offscreen one first.
class LargerWindow : public DeviceTest {
  protected:
    // Clears the 16 x 16 back buffer's quadrants to red, green (top), blue and white (bottom), presents it,
    // and reads the colours at the middles of the client area's quadrants from a screenshot of it, as
    // 0xRRGGBB in the same order; empty when no screenshot could be taken.
    std::vector<std::uint32_t> presented_quadrants() {
        const D3DRECT rects[] = {{0, 0, 8, 8}, {8, 0, 16, 8}, {0, 8, 8, 16}, {8, 8, 16, 16}};
        const D3DCOLOR colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(device_->Clear(1, &rects[i], D3DCLEAR_TARGET, colours[i], 1.0f, 0), D3D_OK);
        EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        const std::vector<support::WindowId> windows = support::visible_windows(getpid(), "d3d9 test");
        const std::string path = testing::TempDir() + "larger_window.png";
        if (windows.size() != 1 || !support::screenshot(windows.front(), path))
            return {};
        int w = 0;
        int h = 0;
        int channels = 0;
        unsigned char* const rgb = stbi_load(path.c_str(), &w, &h, &channels, 3);
        std::remove(path.c_str());
        if (rgb == nullptr)
            return {};
        const RECT to{0, 0, w, h};
        const int left = (3 * to.left + to.right) / 4;
        const int right = (to.left + 3 * to.right) / 4;
        const int top = (3 * to.top + to.bottom) / 4;
        const int bottom = (to.top + 3 * to.bottom) / 4;
        std::vector<std::uint32_t> corners;
        for (const auto& [x, y] : {std::pair{left, top}, {right, top}, {left, bottom}, {right, bottom}}) {
            const unsigned char* p = rgb + (static_cast<size_t>(y) * w + x) * 3;
            corners.push_back((std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2]);
        }
        stbi_image_free(rgb);
        return corners;
    }
    const std::vector<std::uint32_t> kQuadrants = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
};

TEST_F(LargerWindow, ScaledFromTheOffscreenBackBuffer) {
    make_device(16, 16); // in a 320 x 240 window
    ASSERT_FALSE(dynamic_cast<platform::d3d9::Device&>(*device_).backend().draws_into_window());
    EXPECT_EQ(presented_quadrants(), kQuadrants);
}

TEST_F(LargerWindow, ScaledFromTheWindowsBuffersWhenTheWindowGrewAfterAFrame) {
    make_device(16, 16, true, 16, 16);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(dynamic_cast<platform::d3d9::Device&>(*device_).backend().draws_into_window());
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    const std::vector<support::WindowId> windows = support::visible_windows(getpid(), "d3d9 test");
    ASSERT_EQ(windows.size(), 1u);
    ASSERT_EQ(
        support::run_command("timeout 10 xdotool windowsize " + std::to_string(windows.front()) + " 64 48")
            .exit_code,
        0);
    // The layer learns the new size from the window's messages.
    RECT client{};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (GetClientRect(window_, &client) && client.right != 64 &&
           std::chrono::steady_clock::now() < deadline) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(client.right, 64);
    ASSERT_EQ(client.bottom, 48);
    // The frame is drawn into the window, which no longer has the back buffer's size.
    ASSERT_TRUE(dynamic_cast<platform::d3d9::Device&>(*device_).backend().draws_into_window());
    EXPECT_EQ(presented_quadrants(), kQuadrants);
}

class Texturing : public DeviceTest {
  protected:
    void SetUp() override {
        make_device(16, 16);
        ASSERT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    }
    IDirect3DTexture9* texture(std::vector<std::uint32_t> texels, UINT w, UINT h) {
        std::vector<platform::image::MipLevel> levels(1);
        levels[0] = {w, h, std::move(texels)};
        IDirect3DTexture9* made = nullptr;
        EXPECT_EQ(platform::d3dx9::create_texture(device_, D3DFMT_A8R8G8B8, levels, &made), D3D_OK);
        held_.push_back(made);
        return made;
    }
    // A quad whose vertices carry a colour and texture coordinates (0, 0) top left to (1, 1) bottom right.
    struct Vertex {
        float x, y, z;
        D3DCOLOR colour;
        float u, v;
    };
    // With `from` and `to` the coordinates run from (from, from) at the top left to (to, to) instead.
    void draw_quad(D3DCOLOR colour, float from = 0.0f, float to = 1.0f) {
        const std::vector<Vertex> quad = {{-1, -1, 0.5f, colour, from, to},
                                          {-1, 1, 0.5f, colour, from, from},
                                          {1, -1, 0.5f, colour, to, to},
                                          {1, 1, 0.5f, colour, to, from}};
        clear(0xFF000000);
        draw(quad, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, kQuadIndices);
        present();
    }
};

TEST_F(Texturing, AnAbsentTexturePassesTheColourThrough) {
    ASSERT_EQ(device_->SetTexture(0, nullptr), D3D_OK);
    draw_quad(0xFF336699);
    EXPECT_EQ(pixel(8, 8), 0xFF336699u);
}

TEST_F(Texturing, StageZeroModulatesAndTheDisabledStageOneHasNoEffect) {
    // 2 x 2 texels, row 0 at the top: the picture's quadrants show them the same way up.
    IDirect3DTexture9* tex = texture({0xFF804020, 0xFFFFFFFF, 0xFF00FF00, 0xFF0000FF}, 2, 2);
    IDirect3DTexture9* black = texture({0xFF000000}, 1, 1);
    ASSERT_EQ(device_->SetTexture(0, tex), D3D_OK);
    ASSERT_EQ(device_->SetTexture(1, black), D3D_OK); // stage 1 is disabled by default
    draw_quad(0xFFFFFFFF);
    EXPECT_EQ(pixel(3, 3), 0xFF804020u);
    EXPECT_EQ(pixel(12, 3), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(3, 12), 0xFF00FF00u);
    EXPECT_EQ(pixel(12, 12), 0xFF0000FFu);

    draw_quad(0xFF808080); // texture x half
    expect_colour(pixel(3, 3), 0x80 / 255.0 * 0x80 / 255.0, 0x40 / 255.0 * 0x80 / 255.0,
                  0x20 / 255.0 * 0x80 / 255.0, "modulated");
}

// Draws that differ only in stage 0's texture (none, one, another, none again) each show their own.
TEST_F(Texturing, EachDrawSamplesTheTextureBoundForIt) {
    IDirect3DTexture9* const red = texture({0xFFFF0000}, 1, 1);
    IDirect3DTexture9* const blue = texture({0xFF0000FF}, 1, 1);
    const std::pair<IDirect3DTexture9*, std::uint32_t> draws[] = {
        {nullptr, 0xFFFFFFFFu}, {red, 0xFFFF0000u}, {blue, 0xFF0000FFu}, {nullptr, 0xFFFFFFFFu}};
    for (const auto& [bound, shown] : draws) {
        ASSERT_EQ(device_->SetTexture(0, bound), D3D_OK);
        draw_quad(0xFFFFFFFF);
        EXPECT_EQ(pixel(8, 8), shown);
    }
}

// Repeats of a 4 x 4 texture across the 16 x 16 target that put about 2.46 texels on a pixel: level of
// detail 1.3.
const float kRepeatAtLod13 = 4.0f * std::pow(2.0f, 1.3f);

// A 4 x 4 texture with a red level 0, a green level 1 and a blue level 2, repeated (wrapped).
TEST_F(Texturing, MipFiltersPickLevelsAsDirect3D9Does) {
    IDirect3DTexture9* const tex = set_level_coloured_texture();
    ASSERT_NE(tex, nullptr);
    EXPECT_EQ(tex->GetLevelCount(), 3u);
    const auto render = [&](DWORD mip_filter) {
        EXPECT_EQ(device_->SetSamplerState(0, D3DSAMP_MIPFILTER, mip_filter), D3D_OK);
        draw_quad(0xFFFFFFFF, 0.0f, kRepeatAtLod13);
        return pixel(8, 8);
    };
    EXPECT_EQ(render(D3DTEXF_NONE), 0xFFFF0000u);  // level 0 only
    EXPECT_EQ(render(D3DTEXF_POINT), 0xFF00FF00u); // the nearest level, 1
    const std::uint32_t linear = render(D3DTEXF_LINEAR);
    EXPECT_EQ(red(linear), 0);
    // Mostly level 1 with some of level 2 (about 30 %; GL's level of detail is an approximation).
    EXPECT_GT(green(linear), 150);
    EXPECT_LT(green(linear), 230);
    EXPECT_GT(blue(linear), 25);
    EXPECT_LT(blue(linear), 105);
    // Anisotropic is no mip filter: it blends the two nearest levels like linear.
    EXPECT_EQ(render(D3DTEXF_ANISOTROPIC), linear);
}

// Under the point mip filter the minification filter still works within the level picked: level 1 (a green
// and black checkerboard, about 1.23 texels to a pixel) shows its texels unmixed under point minification
// and blended under linear.
TEST_F(Texturing, ThePointMipFilterKeepsTheMinificationFilterWithinTheLevel) {
    ASSERT_NE(set_level_coloured_texture({0xFF00FF00, 0xFF000000, 0xFF000000, 0xFF00FF00}), nullptr);
    ASSERT_EQ(device_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT), D3D_OK);
    // How many pixels show a blend of level 1's texels; any other level's colour fails.
    const auto blended_pixels = [&](DWORD min_filter) {
        EXPECT_EQ(device_->SetSamplerState(0, D3DSAMP_MINFILTER, min_filter), D3D_OK);
        draw_quad(0xFFFFFFFF, 0.0f, kRepeatAtLod13);
        int blended = 0;
        for (const std::uint32_t p : pixels_) {
            EXPECT_EQ(p & 0xFFFF00FFu, 0xFF000000u) << std::hex << p;
            blended += green(p) > 8 && green(p) < 247 ? 1 : 0;
        }
        return blended;
    };
    EXPECT_EQ(blended_pixels(D3DTEXF_POINT), 0);
    EXPECT_GT(blended_pixels(D3DTEXF_LINEAR), 16 * 16 / 4);
}

TEST_F(Texturing, TheDefaultBlendFactorsLeaveColoursUnchanged) {
    ASSERT_EQ(device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
    clear(0xFF0000FF);
    draw(screen_quad(0.5f, 0x40FF8000), kColourFvf, kQuadIndices); // a quarter alpha
    present();
    EXPECT_EQ(pixel(8, 8), 0xFFFF8000u);
}

TEST_F(DeviceTest, EdgesLandWhereDirect3D9PutsThemWithPixelCentresOnIntegers) {
    make_device(64, 64);
    ASSERT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    // A square from 0.2 to 2.7 in screen pixels (y down): Direct3D 9 covers the pixels whose centres,
    // at integer coordinates, lie inside: 1 and 2 in both directions.
    const auto nx = [](float px) { return -1.0f + px * 2.0f / 64.0f; };
    const auto ny = [](float py) { return 1.0f - py * 2.0f / 64.0f; };
    const D3DCOLOR w = 0xFFFFFFFF;
    const std::vector<ColourVertex> square = {{nx(0.2f), ny(2.7f), 0.5f, w},
                                              {nx(0.2f), ny(0.2f), 0.5f, w},
                                              {nx(2.7f), ny(2.7f), 0.5f, w},
                                              {nx(2.7f), ny(0.2f), 0.5f, w}};
    clear(0xFF000000);
    draw(square, kColourFvf, kQuadIndices);
    present();
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 4; ++x) {
            const bool inside = x >= 1 && x <= 2 && y >= 1 && y <= 2;
            EXPECT_EQ(pixel(x, y), inside ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
        }
}

TEST_F(DeviceTest, FontQuadsBlendInsideTheirClipAndLeaveTheDrawingStateAlone) {
    make_device(16, 16);
    ASSERT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    const std::uint8_t coverage[4] = {255, 255, 255, 255};
    const platform::d3dx9::AtlasHandle atlas =
        platform::d3dx9::create_coverage_atlas(device_, 2, 2, coverage);
    ASSERT_NE(atlas, 0u);

    clear(0xFF000000);
    draw(screen_quad(0.3f, 0xFF0000FF), kColourFvf,
         kQuadIndices); // near, blue: fills the depth buffer at 0.3
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    // A full-target quad at half alpha, clipped to x 4..7, y 2..5.
    const std::vector<platform::font::GlyphQuad> quads = {{0, 0, 16, 16, 0, 0, 1, 1}};
    platform::d3dx9::draw_coverage_quads(device_, atlas, quads, RECT{4, 2, 8, 6}, 0x80FF0000);
    ASSERT_EQ(device_->EndScene(), D3D_OK);
    present();
    EXPECT_NEAR(d3d9_test::red(pixel(5, 3)), 128, 2);
    EXPECT_NEAR(d3d9_test::blue(pixel(5, 3)), 127, 2);
    EXPECT_EQ(pixel(9, 3), 0xFF0000FFu); // outside the clip
    EXPECT_EQ(pixel(5, 7), 0xFF0000FFu);

    // Depth testing and culling hold for the next draw: a far quad stays hidden, a counter-clockwise one
    // is culled.
    draw(screen_quad(0.7f, 0xFF00FF00), kColourFvf, kQuadIndices);
    draw(screen_quad(0.1f, 0xFFFFFFFF), kColourFvf, {0, 2, 1, 2, 3, 1});
    present();
    EXPECT_EQ(pixel(12, 12), 0xFF0000FFu);
    platform::d3dx9::destroy_coverage_atlas(device_, atlas);
}

} // namespace
