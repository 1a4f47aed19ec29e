// Image files for D3DXCreateTextureFromFileA without a device: decoding from the content whatever the name,
// the A8R8G8B8 / X8R8G8B8 choice, the box-filtered mip chain (even, odd and non-square sides), and hostile
// files (empty, truncated, text, absurd header sizes, a bad pixel offset) that must fail cleanly.
#include "../../platform/src/image_decode.h"

#include <d3dx9.h>

#include <stb_image_write.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using platform::d3d9::MipLevel;
using platform::d3dx9::build_mip_chain;
using platform::d3dx9::decode_image;
using platform::d3dx9::load_image_file;
using Bytes = std::vector<std::uint8_t>;

void append_bytes(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    const auto* p = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), p, p + size);
}

// A PNG or BMP of w x h pixels with `channels` channels, pixel i having bytes (i, 2i, 3i, 255 - i).
Bytes make_png(int w, int h, int channels) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * h * channels);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>((i / channels) * ((i % channels) + 1));
    Bytes out;
    EXPECT_NE(stbi_write_png_to_func(append_bytes, &out, w, h, channels, pixels.data(), w * channels), 0);
    return out;
}

Bytes make_bmp(int w, int h) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * h * 3, 0x80);
    Bytes out;
    EXPECT_NE(stbi_write_bmp_to_func(append_bytes, &out, w, h, 3, pixels.data()), 0);
    return out;
}

void put_u32le(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void put_u32be(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * (3 - i)));
}

class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "d3dx9_texture_XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string write(const std::string& name, const Bytes& bytes) const {
        const std::string file = (path_ / name).string();
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file;
    }
    std::filesystem::path path() const {
        return path_;
    }

  private:
    std::filesystem::path path_;
};

MipLevel level(UINT w, UINT h, std::vector<std::uint32_t> pixels) {
    MipLevel l;
    l.width = w;
    l.height = h;
    l.pixels = std::move(pixels);
    return l;
}

TEST(D3dx9TextureDecode, FormatComesFromTheContentAndAlphaPicksA8R8G8B8) {
    const auto rgba = decode_image(make_png(3, 2, 4));
    ASSERT_EQ(rgba.result, D3D_OK) << rgba.error;
    EXPECT_EQ(rgba.format, D3DFMT_A8R8G8B8);
    ASSERT_EQ(rgba.image.width, 3u);
    ASSERT_EQ(rgba.image.height, 2u);
    // Pixel 5 has bytes R 5, G 10, B 15, A 20, held as 0xAARRGGBB.
    EXPECT_EQ(rgba.image.pixels[5], 0x14050A0Fu);

    const auto rgb = decode_image(make_png(3, 2, 3));
    ASSERT_EQ(rgb.result, D3D_OK) << rgb.error;
    EXPECT_EQ(rgb.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(rgb.image.pixels[5], 0xFF050A0Fu);

    const auto grey_alpha = decode_image(make_png(2, 2, 2));
    EXPECT_EQ(grey_alpha.format, D3DFMT_A8R8G8B8);

    // A BMP under a .png name is still read as the BMP it is.
    TempDir dir;
    const auto bmp = load_image_file(dir.write("looks_like.png", make_bmp(4, 3)).c_str());
    ASSERT_EQ(bmp.result, D3D_OK) << bmp.error;
    EXPECT_EQ(bmp.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(bmp.image.width, 4u);
    EXPECT_EQ(bmp.image.pixels[11], 0xFF808080u);
}

TEST(D3dx9TextureDecode, SidesUpTo8192AreTakenAndLargerRefused) {
    const auto widest = decode_image(make_png(8192, 1, 3));
    EXPECT_EQ(widest.result, D3D_OK) << widest.error;
    const auto too_wide = decode_image(make_png(8193, 1, 3));
    EXPECT_EQ(too_wide.result, D3DXERR_INVALIDDATA);
    EXPECT_TRUE(too_wide.image.pixels.empty());
    const auto too_tall = decode_image(make_png(1, 8193, 1));
    EXPECT_EQ(too_tall.result, D3DXERR_INVALIDDATA);
}

TEST(D3dx9TextureMips, FullChainDownToOnePixelForAnySides) {
    struct Case {
        UINT w, h;
        std::vector<std::pair<UINT, UINT>> sizes;
    };
    const std::vector<Case> cases = {
        {8, 4, {{8, 4}, {4, 2}, {2, 1}, {1, 1}}},
        {5, 3, {{5, 3}, {2, 1}, {1, 1}}},
        {1, 7, {{1, 7}, {1, 3}, {1, 1}}},
        {1, 1, {{1, 1}}},
        {256, 256, {{256, 256}, {128, 128}, {64, 64}, {32, 32}, {16, 16}, {8, 8}, {4, 4}, {2, 2}, {1, 1}}},
    };
    for (const Case& c : cases) {
        const auto chain =
            build_mip_chain(level(c.w, c.h, std::vector<std::uint32_t>(c.w * c.h, 0xFF102030)));
        ASSERT_EQ(chain.size(), c.sizes.size()) << c.w << "x" << c.h;
        EXPECT_EQ(platform::d3dx9::full_mip_count(c.w, c.h), c.sizes.size());
        for (std::size_t i = 0; i < chain.size(); ++i) {
            EXPECT_EQ(chain[i].width, c.sizes[i].first) << c.w << "x" << c.h << " level " << i;
            EXPECT_EQ(chain[i].height, c.sizes[i].second) << c.w << "x" << c.h << " level " << i;
            ASSERT_EQ(chain[i].pixels.size(), std::size_t{chain[i].width} * chain[i].height);
            // A flat image stays flat at every level.
            for (const std::uint32_t p : chain[i].pixels)
                EXPECT_EQ(p, 0xFF102030u);
        }
    }
}

TEST(D3dx9TextureMips, BoxFilterAveragesEachChannelOverTheAreaCovered) {
    // 2 x 2 box: red 0, 255, 255, 255 -> 191.25 -> 191; alpha 0, 0, 0, 255 -> 63.75 -> 64.
    const auto even =
        platform::d3dx9::box_filter_half(level(2, 2, {0x00000000, 0x00FF0000, 0x00FF0000, 0xFFFF0000}));
    ASSERT_EQ(even.pixels.size(), 1u);
    EXPECT_EQ(even.pixels[0], 0x40BF0000u);

    // 2 x 2 box in a 4 x 2 image: each output averages its own two columns.
    const auto wide = platform::d3dx9::box_filter_half(level(
        4, 2,
        {0x00000010, 0x00000020, 0x00001000, 0x00003000, 0x00000030, 0x00000040, 0x00001000, 0x00005000}));
    ASSERT_EQ(wide.pixels.size(), 2u);
    EXPECT_EQ(wide.pixels[0], 0x00000028u);
    EXPECT_EQ(wide.pixels[1], 0x00002800u);

    // Odd side: 3 -> 1 weighs the three pixels equally; 5 -> 2 weighs them 2, 2, 1 and 1, 2, 2.
    const auto three = platform::d3dx9::box_filter_half(level(3, 1, {0, 30, 90}));
    EXPECT_EQ(three.pixels[0], 40u);
    const auto five = platform::d3dx9::box_filter_half(level(5, 1, {10, 20, 100, 50, 0}));
    ASSERT_EQ(five.pixels.size(), 2u);
    EXPECT_EQ(five.pixels[0], 32u); // (2*10 + 2*20 + 100) / 5
    EXPECT_EQ(five.pixels[1], 40u); // (100 + 2*50 + 2*0) / 5
    // Both sides odd: a 3 x 3 block becomes its plain average.
    const auto block = platform::d3dx9::box_filter_half(level(3, 3, {9, 9, 9, 9, 0, 0, 9, 0, 0}));
    EXPECT_EQ(block.pixels[0], 5u); // 45 / 9
}

TEST(D3dx9TextureHostile, BrokenFilesFailWithInvalidDataAndNoPixels) {
    TempDir dir;
    const Bytes good_png = make_png(64, 64, 4);

    Bytes truncated(good_png.begin(), good_png.begin() + static_cast<std::ptrdiff_t>(good_png.size() / 2));
    const Bytes good_bmp = make_bmp(16, 16);
    // stb_image would read the missing rows of a cut-off BMP as black.
    const Bytes truncated_bmp(good_bmp.begin(), good_bmp.end() - 100);

    Bytes huge_png = make_png(1, 1, 4);
    put_u32be(huge_png, 16, 100000); // IHDR width
    put_u32be(huge_png, 20, 100000); // IHDR height

    Bytes huge_bmp = make_bmp(2, 2);
    put_u32le(huge_bmp, 18, 100000); // biWidth
    put_u32le(huge_bmp, 22, 100000); // biHeight

    Bytes bad_offset = make_bmp(8, 8);
    put_u32le(bad_offset, 10, 0x7FFFFFF0); // bfOffBits far past the end
    Bytes offset_into_header = make_bmp(8, 8);
    put_u32le(offset_into_header, 10, 4); // bfOffBits inside the file header

    const std::string text = "this is not an image\n";
    const Bytes text_bytes(text.begin(), text.end());

    const std::vector<std::pair<std::string, Bytes>> files = {
        {"truncated.png", truncated},
        {"truncated.bmp", truncated_bmp},
        {"huge.png", huge_png},
        {"huge.bmp", huge_bmp},
        {"empty.png", {}},
        {"text.png", text_bytes},
        {"bad_offset.bmp", bad_offset},
        {"header_offset.bmp", offset_into_header},
    };
    for (const auto& [name, bytes] : files) {
        const auto decoded = load_image_file(dir.write(name, bytes).c_str());
        EXPECT_EQ(decoded.result, D3DXERR_INVALIDDATA) << name;
        EXPECT_FALSE(decoded.error.empty()) << name;
        EXPECT_TRUE(decoded.image.pixels.empty()) << name;
    }
    // The absurd size is refused from the header, naming the size (stb_image itself already refuses a PNG
    // header that large).
    EXPECT_NE(load_image_file((dir.path() / "huge.bmp").c_str()).error.find("100000 x 100000"),
              std::string::npos);
}

TEST(D3dx9TextureHostile, MissingFilesDirectoriesAndNullArgumentsFail) {
    TempDir dir;
    EXPECT_EQ(load_image_file((dir.path() / "absent.png").c_str()).result, D3DXERR_INVALIDDATA);
    EXPECT_EQ(load_image_file(dir.path().c_str()).result, D3DXERR_INVALIDDATA);
    EXPECT_EQ(load_image_file(nullptr).result, D3DERR_INVALIDCALL);

    IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(&dir); // must be overwritten
    EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, "tex_fur.png", &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, "tex_fur.png", nullptr), D3DERR_INVALIDCALL);
}

} // namespace
