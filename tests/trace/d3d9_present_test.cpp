// Present and what surrounds it on the virtual display: the presented picture kept for tests after the
// device is gone, Present's arguments and teardown after the window has been destroyed (the program's own
// order at exit).
#include "d3d9_test_device.h"

namespace {

using d3d9_test::ColourVertex;
using d3d9_test::DeviceTest;
using d3d9_test::kColourFvf;

std::vector<ColourVertex> screen_quad(float z, D3DCOLOR colour) {
    return {{-1, -1, z, colour}, {-1, 1, z, colour}, {1, -1, z, colour}, {1, 1, z, colour}};
}
const std::vector<WORD> kQuadIndices = {0, 1, 2, 2, 1, 3};

TEST_F(DeviceTest, ThePresentedPictureOutlivesTheDevice) {
    make_device(8, 4);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    // Drawing after Present does not change what was presented once a copy is being kept.
    UINT w = 0;
    UINT h = 0;
    EXPECT_EQ(platform::trace::test::presented_pixels(&w, &h).at(0), 0xFF102030u);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
    EXPECT_EQ(platform::trace::test::presented_pixels(&w, &h).at(5), 0xFFFFFFFFu);

    device_->Release();
    device_ = nullptr;
    const std::vector<std::uint32_t> kept = platform::trace::test::presented_pixels(&w, &h);
    EXPECT_EQ(w, 8u);
    EXPECT_EQ(h, 4u);
    ASSERT_EQ(kept.size(), 32u);
    EXPECT_EQ(kept[31], 0xFFFFFFFFu);
}

// The program presents the whole back buffer into its own window: rectangles are taken and reported (the
// front-end test sees the whole picture shown); another window is refused.
TEST_F(DeviceTest, PresentShowsTheWholeBackBufferInItsOwnWindowOnly) {
    make_device(16, 16);
    clear(0xFF102030);
    const RECT half{0, 0, 8, 16};
    EXPECT_EQ(device_->Present(&half, &half, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(platform::trace::test::unimplemented_notices(),
              std::vector<std::string>{"Present's rectangles value 3"});
    const HWND other = make_window();
    EXPECT_EQ(device_->Present(nullptr, nullptr, other, nullptr), D3DERR_INVALIDCALL);
    DestroyWindow(other);
}

// The program destroys its window before it releases the device and its resources.
TEST_F(DeviceTest, EverythingReleasesCleanlyAfterTheWindowIsGone) {
    make_device(16, 16);
    IDirect3DVertexBuffer9* vb = vertex_buffer(screen_quad(0.5f, 0xFFFFFFFF), kColourFvf);
    IDirect3DIndexBuffer9* ib = index_buffer(kQuadIndices);
    std::vector<platform::image::MipLevel> levels(1);
    levels[0] = {1, 1, {0xFF00FF00}};
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(platform::d3dx9::create_texture(device_, D3DFMT_A8R8G8B8, levels, &texture), D3D_OK);
    const std::uint8_t coverage[4] = {255, 255, 255, 255};
    const platform::d3dx9::AtlasHandle atlas =
        platform::d3dx9::create_coverage_atlas(device_, 2, 2, coverage);
    ASSERT_NE(atlas, 0u);
    ASSERT_EQ(device_->SetStreamSource(0, vb, 0, sizeof(ColourVertex)), D3D_OK);
    ASSERT_EQ(device_->SetIndices(ib), D3D_OK);
    ASSERT_EQ(device_->SetTexture(0, texture), D3D_OK);

    ASSERT_TRUE(DestroyWindow(window_));
    window_ = nullptr;
    // A frame on a window that no longer exists draws nothing and does not crash.
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    platform::d3dx9::destroy_coverage_atlas(device_, atlas);
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(ib->Release(), 0u);
    EXPECT_EQ(texture->Release(), 0u);
    held_.clear();
    EXPECT_EQ(device_->Release(), 0u);
    device_ = nullptr;
    EXPECT_EQ(d3d_->Release(), 0u);
    d3d_ = nullptr;
    EXPECT_EQ(platform::trace::objects::live_count(), 0);
}

} // namespace
