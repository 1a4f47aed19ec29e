// D3DX on a real device, on the virtual display: textures made from files (full mip chain, format, box
// filter, power-of-two sides, the trace line), textures beyond the GL size limit refused and nothing made
// from hostile or missing files; the font's trace lines, its drawing (colour, corner, clipping, DT_NOCLIP,
// device states left alone), its hold on the device, and a font whose glyph atlas the device cannot hold
// refused at creation.
#include <d3dx9.h>
#include <platform_test.h>

#include "d3d9_test_device.h"

#include <epoxy/gl.h>
#include <stb_image_write.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A window and a device made as the viewer makes them: 1024 x 768, X8R8G8B8, D16.
class D3dx9OnDevice : public d3d9_test::DeviceTest {
  protected:
    void SetUp() override {
        make_device(1024, 768);
        dir_ = std::filesystem::temp_directory_path() / ("d3dx9_device_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        DeviceTest::TearDown();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    // Clears to black, draws the text and presents; returns the presented picture.
    std::vector<std::uint32_t> draw(ID3DXFont* font, const char* text, RECT rect, DWORD format,
                                    D3DCOLOR colour, INT* height = nullptr, INT count = -1) {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device_->BeginScene();
        const INT h = font->DrawTextA(nullptr, text, count, &rect, format, colour);
        if (height != nullptr)
            *height = h;
        device_->EndScene();
        device_->Present(nullptr, nullptr, nullptr, nullptr);
        UINT w = 0;
        UINT hh = 0;
        auto pixels = platform::trace::test::presented_pixels(&w, &hh);
        EXPECT_EQ(w, 1024u);
        EXPECT_EQ(hh, 768u);
        return pixels;
    }

    std::filesystem::path dir_;
};

void append_bytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    out->insert(out->end(), static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
}

// A w x h RGBA PNG whose red channel is x * 40 and alpha 255 - y * 40.
std::vector<std::uint8_t> gradient_png(int w, int h) {
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            rgba.insert(rgba.end(),
                        {static_cast<std::uint8_t>(x * 40), 0, 0, static_cast<std::uint8_t>(255 - y * 40)});
    std::vector<std::uint8_t> out;
    stbi_write_png_to_func(append_bytes, &out, w, h, 4, rgba.data(), w * 4);
    return out;
}

// Bounding box of the pixels brighter than black: {left, top, right, bottom}, right and bottom exclusive.
RECT lit_box(const std::vector<std::uint32_t>& pixels) {
    RECT box{1024, 768, 0, 0};
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x)
            if ((pixels[static_cast<std::size_t>(y) * 1024 + x] & 0x00FFFFFF) != 0) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

TEST_F(D3dx9OnDevice, TextureFromFileHasTheFullBoxFilteredChain) {
    const std::string path = write("gradient.png", gradient_png(8, 4));
    platform::trace::enable(true);
    platform::trace::clear();
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device_, path.c_str(), &texture), D3D_OK);
    ASSERT_NE(texture, nullptr);
    const std::string label = platform::trace::objects::label(texture);
    EXPECT_EQ(label.rfind("Texture#", 0), 0u);
    EXPECT_EQ(platform::trace::lines(), std::vector<std::string>{"D3DXCreateTextureFromFileA(" +
                                                                 platform::trace::objects::label(device_) +
                                                                 ", \"" + path + "\") -> " + label});
    platform::trace::enable(false);

    EXPECT_EQ(texture->GetLevelCount(), 4u); // 8 x 4, 4 x 2, 2 x 1, 1 x 1
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(1, &desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(desc.Height, 2u);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(1, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    // Level 1, pixel (1, 1) averages source columns 2, 3 (red 80, 120) and rows 2, 3 (alpha 175, 135).
    const auto* row1 =
        reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(locked.pBits) + locked.Pitch);
    EXPECT_EQ(row1[1], 0x9B640000u);
    texture->UnlockRect(1);
    ASSERT_EQ(texture->GetLevelDesc(3, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 1u);
    EXPECT_EQ(desc.Height, 1u);
    EXPECT_EQ(texture->Release(), 0u);
}

TEST_F(D3dx9OnDevice, TextureFromFileTakesPowerOfTwoSidesAndCreateTextureRefusesWhatTheGlCannotHold) {
    // D3DX's default size: 6 x 4 becomes 8 x 4, level 0 resampled.
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device_, write("six.png", gradient_png(6, 4)).c_str(), &texture),
              D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 4u);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.Height, 4u);
    EXPECT_EQ(texture->Release(), 0u);

    // A level 0 one pixel wider than GL_MAX_TEXTURE_SIZE would draw black: the creation fails instead.
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    ASSERT_GT(limit, 0);
    for (const UINT width : {static_cast<UINT>(limit), static_cast<UINT>(limit) + 1}) {
        std::vector<platform::image::MipLevel> levels;
        for (UINT w = width;; w /= 2) {
            levels.push_back({w, 1, std::vector<std::uint32_t>(w, 0xFF336699u)});
            if (w == 1)
                break;
        }
        IDirect3DTexture9* made = nullptr;
        const HRESULT result = platform::d3dx9::create_texture(device_, D3DFMT_X8R8G8B8, levels, &made);
        if (width > static_cast<UINT>(limit)) {
            EXPECT_EQ(result, D3DERR_INVALIDCALL);
            EXPECT_EQ(made, nullptr);
        } else {
            EXPECT_EQ(result, D3D_OK);
            ASSERT_NE(made, nullptr);
            made->Release();
        }
    }
}

TEST_F(D3dx9OnDevice, HostileAndMissingFilesCreateNothing) {
    auto huge = gradient_png(1, 1);
    for (int i = 0; i < 4; ++i) // IHDR width and height: 100000
        huge[16 + i] = huge[20 + i] = static_cast<std::uint8_t>(100000u >> (8 * (3 - i)));
    const auto good = gradient_png(32, 32);
    const std::vector<std::string> files = {
        write("empty.png", {}),
        write("text.png", {'h', 'e', 'l', 'l', 'o', '\n'}),
        write("truncated.png", std::vector<std::uint8_t>(good.begin(), good.begin() + 60)),
        write("huge.png", huge),
        (dir_ / "absent.png").string(),
    };
    const int live = platform::trace::objects::live_count();
    platform::trace::enable(true);
    platform::trace::clear();
    for (const std::string& file : files) {
        IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(this);
        EXPECT_EQ(D3DXCreateTextureFromFileA(device_, file.c_str(), &texture), D3DXERR_INVALIDDATA) << file;
        EXPECT_EQ(texture, nullptr) << file;
        EXPECT_EQ(platform::trace::objects::live_count(), live) << file;
    }
    const auto lines = platform::trace::lines();
    ASSERT_EQ(lines.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(lines[i], "D3DXCreateTextureFromFileA(" + platform::trace::objects::label(device_) +
                                ", \"" + files[i] + "\") -> failed 0x88760B59");
}

TEST_F(D3dx9OnDevice, FontCreationAndDrawingAreTracedWithoutTheLayersOwnCalls) {
    platform::trace::enable(true);
    platform::trace::clear();
    ID3DXFont* font = nullptr;
    ASSERT_EQ(D3DXCreateFontA(device_, 24, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial", &font),
              D3D_OK);
    ASSERT_NE(font, nullptr);
    RECT rect{30, 30, 1024, 768};
    device_->BeginScene();
    EXPECT_EQ(font->DrawTextA(nullptr, "X axis: 0.000000", 16, &rect, 0, 0xFFFFFFFF), 24);
    EXPECT_EQ(font->DrawTextA(nullptr, "FOV: 45 and more", 7, &rect, 0, 0xFFFFFFFF), 24);
    device_->EndScene();
    // Labels count per process; run alone, these are Device#1 and Font#1.
    const std::string d = platform::trace::objects::label(device_);
    const std::string f = platform::trace::objects::label(font);
    const std::vector<std::string> want = {
        "D3DXCreateFontA(" + d +
            ", 24, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, "
            "DEFAULT_QUALITY, DEFAULT_PITCH|FF_DONTCARE, \"Arial\") -> " +
            f,
        "BeginScene()",
        "DrawTextA(" + f + ", null, \"X axis: 0.000000\", 16, {30, 30, 1024, 768}, 0, 0xFFFFFFFF)",
        "DrawTextA(" + f + ", null, \"FOV: 45\", 7, {30, 30, 1024, 768}, 0, 0xFFFFFFFF)",
        "EndScene()",
    };
    EXPECT_EQ(platform::trace::lines(), want);
    platform::trace::clear();
    EXPECT_EQ(font->Release(), 0u);
    EXPECT_EQ(platform::trace::lines(), std::vector<std::string>{"Release(" + f + ")"});
}

TEST_F(D3dx9OnDevice, TextIsDrawnAtTheCornerInItsColourAndClippedToTheRectangle) {
    ID3DXFont* font = nullptr;
    ASSERT_EQ(D3DXCreateFontA(device_, 24, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial", &font),
              D3D_OK);
    DWORD before[4] = {};
    const D3DRENDERSTATETYPE states[4] = {D3DRS_ZENABLE, D3DRS_ALPHABLENDENABLE, D3DRS_LIGHTING,
                                          D3DRS_CULLMODE};
    for (int i = 0; i < 4; ++i)
        device_->GetRenderState(states[i], &before[i]);

    INT height = 0;
    const auto red = draw(font, "Hello", {30, 60, 1024, 768}, 0, 0xFFFF0000, &height);
    EXPECT_EQ(height, 24);
    const RECT box = lit_box(red);
    // 'H' starts a pixel or two right of the corner; the capitals reach about 17 pixels down from the top
    // of a 19-pixel ascent; nothing falls below the cell.
    EXPECT_GE(box.left, 30);
    EXPECT_LE(box.left, 33);
    EXPECT_GE(box.top, 60 + 1);
    EXPECT_LE(box.top, 60 + 4);
    EXPECT_LE(box.bottom, 60 + 24);
    EXPECT_GT(box.right, 30 + 40);
    EXPECT_LT(box.right, 30 + 70);
    bool full_red = false;
    bool partial = false;
    for (const std::uint32_t p : red) {
        EXPECT_EQ(p & 0x0000FFFF, 0u) << "only red is drawn";
        full_red = full_red || (p & 0x00FF0000) == 0x00FF0000;
        partial = partial || ((p & 0x00FF0000) != 0 && (p & 0x00FF0000) != 0x00FF0000);
        if (HasFailure())
            break;
    }
    EXPECT_TRUE(full_red);
    EXPECT_TRUE(partial) << "edges are anti-aliased";

    // Clipped to a rectangle smaller than the text, and not clipped with DT_NOCLIP.
    const RECT small{30, 60, 50, 70};
    const RECT clipped = lit_box(draw(font, "Hello", small, 0, 0xFFFFFFFF));
    EXPECT_GE(clipped.left, small.left);
    EXPECT_LE(clipped.right, small.right);
    EXPECT_GE(clipped.top, small.top);
    EXPECT_LE(clipped.bottom, small.bottom);
    EXPECT_GT(clipped.right, clipped.left);
    const RECT unclipped = lit_box(draw(font, "Hello", small, DT_NOCLIP, 0xFFFFFFFF));
    EXPECT_EQ(unclipped.right, box.right);
    EXPECT_EQ(unclipped.bottom, box.bottom);

    // A count beyond the string's terminating zero draws the string up to it, and nothing after it.
    const char padded[] = "Hello\0World";
    EXPECT_EQ(lit_box(draw(font, padded, {30, 60, 1024, 768}, 0, 0xFFFFFFFF, nullptr, sizeof padded)).right,
              box.right);

    for (int i = 0; i < 4; ++i) {
        DWORD after = 0;
        device_->GetRenderState(states[i], &after);
        EXPECT_EQ(after, before[i]) << "render state " << states[i];
    }
    font->Release();
}

TEST_F(D3dx9OnDevice, FontAnswersToIUnknownAndKeepsItsDeviceUntilItIsReleasedLast) {
    const int live = platform::trace::objects::live_count();
    ID3DXFont* font = nullptr;
    ASSERT_EQ(D3DXCreateFontA(device_, 24, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial", &font),
              D3D_OK);
    EXPECT_EQ(platform::trace::objects::live_count(), live + 1);
    IDirect3DDevice9* held = nullptr;
    ASSERT_EQ(font->GetDevice(&held), D3D_OK);
    EXPECT_EQ(held, device_);
    held->Release();
    // As every COM object, the font answers to IUnknown with itself and counts the reference.
    void* unknown = nullptr;
    ASSERT_EQ(font->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(unknown, static_cast<void*>(font));
    EXPECT_EQ(font->Release(), 1u);

    // The viewer's order: device, Direct3D object, then the font.
    device_->Release();
    device_ = nullptr;
    d3d_->Release();
    d3d_ = nullptr;
    // The font holds the device, and the device its Direct3D object.
    EXPECT_EQ(platform::trace::objects::live_count(), live + 1);
    EXPECT_EQ(font->Release(), 0u);
    EXPECT_EQ(platform::trace::objects::live_count(), live - 2);
}

TEST_F(D3dx9OnDevice, FontCreationFailsCleanly) {
    ID3DXFont* font = reinterpret_cast<ID3DXFont*>(this);
    EXPECT_EQ(D3DXCreateFontA(nullptr, 24, 0, FW_NORMAL, 1, FALSE, 1, 0, 0, 0, "Arial", &font),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(D3DXCreateFontA(device_, 100000, 0, FW_NORMAL, 1, FALSE, 1, 0, 0, 0, "Arial", &font),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(font, nullptr);
    platform::trace::test::fail_operation("D3DXCreateFontA");
    EXPECT_TRUE(FAILED(D3DXCreateFontA(device_, 24, 0, FW_NORMAL, 1, FALSE, 1, 0, 0, 0, "Arial", &font)));
    EXPECT_EQ(font, nullptr);
    platform::trace::test::fail_operation("");
}

TEST_F(D3dx9OnDevice, AFontWhoseAtlasTheDeviceCannotHoldIsRefused) {
    // At the largest height the layer accepts, the glyphs' atlas is tens of thousands of pixels tall:
    // beyond any GL's largest texture side.
    ID3DXFont* big = reinterpret_cast<ID3DXFont*>(this);
    const int live = platform::trace::objects::live_count();
    EXPECT_EQ(D3DXCreateFontA(device_, 1024, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial", &big),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(big, nullptr);
    EXPECT_EQ(platform::trace::objects::live_count(), live);
}

} // namespace
