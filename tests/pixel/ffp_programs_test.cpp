// The fixed-function emulation's programs, read back from the presented back buffer on the virtual display:
// one program per fixed-function state, kept and reused with the values set since it last drew; anisotropic
// filtering asked for through the mip filter alone.
#include "d3d9_test_device.h"

#include "d3d9/d3d9_device.h"

namespace {

using namespace d3d9_test;

// A quad over the whole target whose vertices all carry the normal (nx, ny, nz).
std::vector<LitVertex> lit_quad(float nx, float ny, float nz) {
    return {{-1, -1, 0.5f, nx, ny, nz, 0, 1},
            {-1, 1, 0.5f, nx, ny, nz, 0, 0},
            {1, -1, 0.5f, nx, ny, nz, 1, 1},
            {1, 1, 0.5f, nx, ny, nz, 1, 0}};
}

D3DMATERIAL9 emissive(float r, float g, float b) {
    D3DMATERIAL9 m{};
    m.Emissive = {r, g, b, 1.0f};
    m.Diffuse = {0.0f, 0.0f, 0.0f, 1.0f};
    return m;
}

class Programs : public DeviceTest {
  protected:
    std::size_t programs() const {
        return dynamic_cast<platform::d3d9::Device&>(*device_).backend().program_count();
    }
    std::uint32_t draw_unlit(D3DCOLOR colour) {
        EXPECT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
        clear(0xFF000000);
        draw(screen_quad(0.5f, colour), kColourFvf, kQuadIndices);
        present();
        return pixel(8, 8);
    }
    std::uint32_t draw_lit(const D3DMATERIAL9& material) {
        EXPECT_EQ(device_->SetRenderState(D3DRS_LIGHTING, TRUE), D3D_OK);
        EXPECT_EQ(device_->SetMaterial(&material), D3D_OK);
        clear(0xFF000000);
        draw(lit_quad(0, 0, -1), kLitFvf, kQuadIndices);
        present();
        return pixel(8, 8);
    }
};

TEST_F(Programs, EachStateHasOneProgramThatLaterDrawsReuseWithTheValuesSetMeanwhile) {
    make_device(16, 16);
    EXPECT_EQ(programs(), 0u);
    EXPECT_EQ(draw_unlit(0xFFFF0000), 0xFFFF0000u);
    EXPECT_EQ(programs(), 1u);
    EXPECT_EQ(draw_unlit(0xFF00FF00), 0xFF00FF00u); // the same state: the same program
    EXPECT_EQ(programs(), 1u);

    // Lighting on is another state and another program; a new material is a value, not a state.
    EXPECT_EQ(draw_lit(emissive(0, 0, 1)), 0xFF0000FFu);
    EXPECT_EQ(programs(), 2u);
    EXPECT_EQ(draw_lit(emissive(1, 1, 0)), 0xFFFFFF00u);
    EXPECT_EQ(programs(), 2u);

    // Back to the first state's program, then to the lit one, which takes the material set while it waited.
    EXPECT_EQ(draw_unlit(0xFF336699), 0xFF336699u);
    D3DMATERIAL9 waiting = emissive(0, 1, 1);
    ASSERT_EQ(device_->SetMaterial(&waiting), D3D_OK);
    EXPECT_EQ(draw_lit(waiting), 0xFF00FFFFu);
    EXPECT_EQ(programs(), 2u);

    // Flat shading is a third state.
    ASSERT_EQ(device_->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT), D3D_OK);
    EXPECT_EQ(draw_unlit(0xFF808080), 0xFF808080u);
    EXPECT_EQ(programs(), 3u);
}

// A 4 x 4 texture with a red level 0, a green level 1 and a blue level 2, on a quad where each pixel covers
// 4 texels across and 1 down: isotropic filtering picks level 2 (blue), anisotropic filtering with enough
// anisotropy keeps level 0 (red).
TEST_F(DeviceTest, AnAnisotropicMipFilterAloneTurnsAnisotropyOn) {
    make_device(16, 16);
    ASSERT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    ASSERT_NE(set_level_coloured_texture(), nullptr);
    ASSERT_EQ(device_->SetSamplerState(0, D3DSAMP_MAXANISOTROPY, 16), D3D_OK);
    struct Vertex {
        float x, y, z;
        D3DCOLOR colour;
        float u, v;
    };
    const std::vector<Vertex> quad = {{-1, -1, 0.5f, 0xFFFFFFFF, 0, 4},
                                      {-1, 1, 0.5f, 0xFFFFFFFF, 0, 0},
                                      {1, -1, 0.5f, 0xFFFFFFFF, 16, 4},
                                      {1, 1, 0.5f, 0xFFFFFFFF, 16, 0}};
    const auto render = [&](DWORD min_mag, DWORD mip) {
        EXPECT_EQ(device_->SetSamplerState(0, D3DSAMP_MINFILTER, min_mag), D3D_OK);
        EXPECT_EQ(device_->SetSamplerState(0, D3DSAMP_MAGFILTER, min_mag), D3D_OK);
        EXPECT_EQ(device_->SetSamplerState(0, D3DSAMP_MIPFILTER, mip), D3D_OK);
        clear(0xFF000000);
        draw(quad, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, kQuadIndices);
        present();
        return pixel(8, 8);
    };
    const std::uint32_t isotropic = render(D3DTEXF_LINEAR, D3DTEXF_LINEAR);
    EXPECT_GT(blue(isotropic), red(isotropic));
    const std::uint32_t anisotropic = render(D3DTEXF_ANISOTROPIC, D3DTEXF_LINEAR);
    EXPECT_GT(red(anisotropic), blue(anisotropic));
    EXPECT_EQ(render(D3DTEXF_LINEAR, D3DTEXF_ANISOTROPIC), anisotropic);
}

} // namespace
