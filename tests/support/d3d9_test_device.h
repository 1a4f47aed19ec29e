// A window and a Direct3D 9 device for the Direct3D 9 tests on the virtual display, with helpers that fill
// buffers, draw indexed triangle lists and read the presented picture back.
#pragma once

#include <d3d9.h>
#include <platform_test.h>

#include "d3d9/d3d9_device.h"
#include "d3dx9/d3dx9_device.h"
#include "window_class.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace platform::d3dx9 {

// A texture made from its whole chain at once, level 0 first: create_texture and fill_texture_level of
// d3dx9_device.h in turn.
inline HRESULT create_texture(IDirect3DDevice9* device, D3DFORMAT format,
                              const std::vector<image::MipLevel>& levels, IDirect3DTexture9** texture) {
    if (levels.empty() || texture == nullptr)
        return D3DERR_INVALIDCALL;
    const HRESULT made = create_texture(device, format, levels[0].width, levels[0].height,
                                        static_cast<UINT>(levels.size()), texture);
    for (UINT i = 0; SUCCEEDED(made) && i < levels.size(); ++i)
        if (const HRESULT filled = fill_texture_level(*texture, i, levels[i]); FAILED(filled)) {
            (*texture)->Release();
            *texture = nullptr;
            return filled;
        }
    return made;
}

} // namespace platform::d3dx9

namespace d3d9_test {

inline LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}

// Position and diffuse colour (D3DFVF_XYZ | D3DFVF_DIFFUSE).
struct ColourVertex {
    float x, y, z;
    D3DCOLOR colour;
};
inline constexpr DWORD kColourFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

// Position, normal and one texture coordinate set, as the viewer's box vertices (274).
struct LitVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
inline constexpr DWORD kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

inline int red(std::uint32_t p) {
    return static_cast<int>((p >> 16) & 0xFF);
}
inline int green(std::uint32_t p) {
    return static_cast<int>((p >> 8) & 0xFF);
}
inline int blue(std::uint32_t p) {
    return static_cast<int>(p & 0xFF);
}

class DeviceTest : public ::testing::Test {
  protected:
    void TearDown() override {
        platform::trace::enable(false);
        platform::trace::test::fail_operation("");
        release_device();
        // Every COM object the test made has been released by its end.
        std::vector<std::string> leaked;
        for (const std::string& label : platform::trace::objects::live_labels())
            if (label.rfind("Window#", 0) != 0)
                leaked.push_back(label);
        EXPECT_EQ(leaked, std::vector<std::string>{}) << "objects still alive at the end of the test";
    }

    // Releases what make_device made (the held buffers and textures, the device, the Direct3D object) and
    // destroys the window, so that a test can make another.
    void release_device() {
        for (IUnknown* object : held_)
            object->Release();
        held_.clear();
        if (device_ != nullptr)
            device_->Release();
        device_ = nullptr;
        if (d3d_ != nullptr)
            d3d_->Release();
        d3d_ = nullptr;
        if (window_ != nullptr)
            DestroyWindow(window_);
        window_ = nullptr;
    }

    HWND make_window(int width = 320, int height = 240) {
        static const bool registered = support::register_window_class("d3d9_test", window_proc);
        EXPECT_TRUE(registered);
        return CreateWindowExA(0, "d3d9_test", "d3d9 test", WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr,
                               nullptr, nullptr, nullptr);
    }

    // A windowed back buffer of the given size as the viewer asks for one, with a 16-bit depth buffer made
    // with it or none.
    static D3DPRESENT_PARAMETERS parameters(HWND window, UINT width, UINT height, bool depth) {
        return {.BackBufferWidth = width,
                .BackBufferHeight = height,
                .BackBufferFormat = D3DFMT_X8R8G8B8,
                .BackBufferCount = 0,
                .MultiSampleType = D3DMULTISAMPLE_NONE,
                .MultiSampleQuality = 0,
                .SwapEffect = D3DSWAPEFFECT_DISCARD,
                .hDeviceWindow = window,
                .Windowed = TRUE,
                .EnableAutoDepthStencil = depth ? TRUE : FALSE,
                .AutoDepthStencilFormat = D3DFMT_D16,
                .Flags = 0,
                .FullScreen_RefreshRateInHz = 0,
                .PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT};
    }

    // A window (of the given size) and the Direct3D object, no device yet.
    void make_direct3d(int window_width = 320, int window_height = 240) {
        window_ = make_window(window_width, window_height);
        ASSERT_NE(window_, nullptr);
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr);
    }

    // The device on window_ with software vertex processing, as the viewer makes it; CreateDevice fills in
    // what pp leaves to it.
    HRESULT create_device(D3DPRESENT_PARAMETERS& pp) {
        return d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                                  D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device_);
    }

    // A window, the Direct3D object and a device with a back buffer of the given size; without a window
    // manager a window of the back buffer's size is all client area, and the device draws into it.
    void make_device(UINT width = 64, UINT height = 64, bool depth = true, int window_width = 320,
                     int window_height = 240) {
        make_direct3d(window_width, window_height);
        if (HasFatalFailure())
            return;
        ShowWindow(window_, SW_SHOWDEFAULT);
        D3DPRESENT_PARAMETERS pp = parameters(window_, width, height, depth);
        ASSERT_EQ(create_device(pp), D3D_OK);
        width_ = width;
        height_ = height;
    }

    // An unlit device drawing into a window of its back buffer's size (the window's own buffers) or, when
    // not window_sized, into a larger window (the offscreen back buffer, scaled at Present).
    void make_unlit_device(UINT width, UINT height, bool window_sized, int larger_width, int larger_height) {
        make_device(width, height, true, window_sized ? static_cast<int>(width) : larger_width,
                    window_sized ? static_cast<int>(height) : larger_height);
        if (HasFatalFailure())
            return;
        ASSERT_EQ(dynamic_cast<platform::d3d9::Device&>(*device_).backend().draws_into_window(),
                  window_sized);
        ASSERT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    }

    template <typename Vertex>
    IDirect3DVertexBuffer9* vertex_buffer(const std::vector<Vertex>& vertices, DWORD fvf) {
        IDirect3DVertexBuffer9* vb = nullptr;
        const auto bytes = static_cast<UINT>(vertices.size() * sizeof(Vertex));
        EXPECT_EQ(device_->CreateVertexBuffer(bytes, 0, fvf, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
        return fill_and_hold(vb, vertices.data(), bytes);
    }

    IDirect3DIndexBuffer9* index_buffer(const std::vector<WORD>& indices) {
        IDirect3DIndexBuffer9* ib = nullptr;
        const auto bytes = static_cast<UINT>(indices.size() * sizeof(WORD));
        EXPECT_EQ(device_->CreateIndexBuffer(bytes, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr),
                  D3D_OK);
        return fill_and_hold(ib, indices.data(), bytes);
    }

    // Copies `bytes` bytes into a vertex or index buffer just made and holds it until the device goes; a
    // buffer that could not be made stays null (its creation has failed the test).
    template <typename Buffer> Buffer* fill_and_hold(Buffer* buffer, const void* source, UINT bytes) {
        if (buffer == nullptr)
            return nullptr;
        held_.push_back(buffer);
        void* data = nullptr;
        EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
        if (data != nullptr)
            std::memcpy(data, source, bytes);
        EXPECT_EQ(buffer->Unlock(), D3D_OK);
        return buffer;
    }

    // A 4 x 4 texture whose three levels tell which one a pixel sampled: level 0 red, level 1 green (or the
    // four texels given), level 2 blue; set on stage 0 and held until the device goes.
    IDirect3DTexture9* set_level_coloured_texture(std::vector<std::uint32_t> level_1 = {
                                                      0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00}) {
        std::vector<platform::image::MipLevel> levels(3);
        levels[0] = {4, 4, std::vector<std::uint32_t>(16, 0xFFFF0000)};
        levels[1] = {2, 2, std::move(level_1)};
        levels[2] = {1, 1, {0xFF0000FF}};
        IDirect3DTexture9* tex = nullptr;
        EXPECT_EQ(platform::d3dx9::create_texture(device_, D3DFMT_A8R8G8B8, levels, &tex), D3D_OK);
        if (tex != nullptr) {
            held_.push_back(tex);
            EXPECT_EQ(device_->SetTexture(0, tex), D3D_OK);
        }
        return tex;
    }

    // Draws the vertices as an indexed triangle list inside a scene (the caller clears and presents).
    template <typename Vertex>
    void draw(const std::vector<Vertex>& vertices, DWORD fvf, const std::vector<WORD>& indices) {
        IDirect3DVertexBuffer9* vb = vertex_buffer(vertices, fvf);
        IDirect3DIndexBuffer9* ib = index_buffer(indices);
        EXPECT_EQ(device_->SetFVF(fvf), D3D_OK);
        EXPECT_EQ(device_->SetStreamSource(0, vb, 0, sizeof(Vertex)), D3D_OK);
        EXPECT_EQ(device_->SetIndices(ib), D3D_OK);
        EXPECT_EQ(device_->BeginScene(), D3D_OK);
        EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, static_cast<UINT>(vertices.size()),
                                                0, static_cast<UINT>(indices.size() / 3)),
                  D3D_OK);
        EXPECT_EQ(device_->EndScene(), D3D_OK);
    }

    void clear(D3DCOLOR colour) {
        EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0), D3D_OK);
    }

    // Presents and reads the back buffer back.
    void present() {
        ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        UINT w = 0;
        UINT h = 0;
        pixels_ = platform::trace::test::presented_pixels(&w, &h);
        ASSERT_EQ(w, width_);
        ASSERT_EQ(h, height_);
        ASSERT_EQ(pixels_.size(), static_cast<size_t>(w) * h);
    }

    std::uint32_t pixel(UINT x, UINT y) const {
        return pixels_.at(static_cast<size_t>(y) * width_ + x);
    }

    HWND window_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    UINT width_ = 0;
    UINT height_ = 0;
    std::vector<std::uint32_t> pixels_;
    std::vector<IUnknown*> held_; // buffers and textures released before the device
};

// Two clockwise triangles covering the whole target at depth z.
inline std::vector<ColourVertex> screen_quad(float z, D3DCOLOR colour) {
    return {{-1, -1, z, colour}, {-1, 1, z, colour}, {1, -1, z, colour}, {1, 1, z, colour}};
}
inline const std::vector<WORD> kQuadIndices = {0, 1, 2, 2, 1, 3};

} // namespace d3d9_test
