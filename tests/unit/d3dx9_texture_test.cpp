// Image files for D3DXCreateTextureFromFileA without a device: decoding from the content whatever the name,
// every format read (TGA, PPM/PGM of 8 and 16 bits, PFM, HDR, DDS) to the same pixels, each format's
// variants (TGA's colour maps, run packets and origins, DDS's DXT blocks, ...) to the pixels their
// documentation gives, BMP's palettes, run-length coding and bit fields, the A8R8G8B8 / X8R8G8B8 choice (a
// 32-bit BMP has alpha only where the file holds some), the default power-of-two size fitted to the device,
// the box-filtered mip chain (square and not), and hostile files (empty, truncated, text, absurd header
// sizes, a bad pixel offset, the reproducers in tests/data/hostile, a FIFO) that must fail cleanly or load,
// never hang or crash.
#include "image/image_decode.h"

#include <d3dx9.h>

#include <stb_image_write.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <bit>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using platform::image::decode_image;
using platform::image::MipLevel;
using platform::image::texture_image;
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

// A file read as the texture loader reads it, for a device that takes the largest images.
platform::image::DecodedImage load_file(const char* path) {
    return platform::image::load_texture_image(path, platform::image::max_image_side);
}

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
    const auto bmp = load_file(dir.write("looks_like.png", make_bmp(4, 3)).c_str());
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

// The chain as the texture loader hands it to the device, one level at a time, each level kept.
std::vector<MipLevel> chain_of(MipLevel level0) {
    std::vector<MipLevel> chain;
    const HRESULT made =
        platform::image::for_each_mip_level(std::move(level0), [&chain](UINT index, const MipLevel& level) {
            EXPECT_EQ(index, chain.size());
            chain.push_back(level);
            return D3D_OK;
        });
    EXPECT_EQ(made, D3D_OK);
    return chain;
}

TEST(D3dx9TextureMips, FullChainDownToOnePixelForPowerOfTwoSides) {
    struct Case {
        UINT w, h;
        std::vector<std::pair<UINT, UINT>> sizes;
    };
    const std::vector<Case> cases = {
        {8, 4, {{8, 4}, {4, 2}, {2, 1}, {1, 1}}},
        {1, 4, {{1, 4}, {1, 2}, {1, 1}}},
        {1, 1, {{1, 1}}},
        {256, 256, {{256, 256}, {128, 128}, {64, 64}, {32, 32}, {16, 16}, {8, 8}, {4, 4}, {2, 2}, {1, 1}}},
    };
    for (const Case& c : cases) {
        const auto chain = chain_of(level(c.w, c.h, std::vector<std::uint32_t>(c.w * c.h, 0xFF102030)));
        ASSERT_EQ(chain.size(), c.sizes.size()) << c.w << "x" << c.h;
        EXPECT_EQ(platform::image::full_mip_count(c.w, c.h), c.sizes.size());
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

TEST(D3dx9TextureMips, AChainStopsAtTheFirstLevelTheDeviceRefuses) {
    UINT handed = 0;
    const HRESULT made = platform::image::for_each_mip_level(level(8, 8, std::vector<std::uint32_t>(64)),
                                                             [&handed](UINT index, const MipLevel&) {
                                                                 ++handed;
                                                                 return index == 2 ? E_OUTOFMEMORY : D3D_OK;
                                                             });
    EXPECT_EQ(made, E_OUTOFMEMORY);
    EXPECT_EQ(handed, 3u); // 8 x 8, 4 x 4, 2 x 2; never 1 x 1
}

TEST(D3dx9TextureMips, BoxFilterAveragesEachChannelOverTheAreaCovered) {
    // 2 x 2 box: red 0, 255, 255, 255 -> 191.25 -> 191; alpha 0, 0, 0, 255 -> 63.75 -> 64.
    MipLevel even = level(2, 2, {0x00000000, 0x00FF0000, 0x00FF0000, 0xFFFF0000});
    platform::image::box_filter_half_in_place(even);
    EXPECT_EQ(even.pixels, std::vector<std::uint32_t>{0x40BF0000u});

    // 2 x 2 box in a 4 x 2 image: each output averages its own two columns.
    MipLevel wide = level(
        4, 2,
        {0x00000010, 0x00000020, 0x00001000, 0x00003000, 0x00000030, 0x00000040, 0x00001000, 0x00005000});
    platform::image::box_filter_half_in_place(wide);
    EXPECT_EQ(wide.pixels, (std::vector<std::uint32_t>{0x00000028u, 0x00002800u}));

    // Fitted to a smaller side (resample): 3 -> 1 weighs the three pixels equally; 5 -> 2 weighs them 2, 2,
    // 1 and 1, 2, 2.
    const auto three = platform::image::resample(level(3, 1, {0, 30, 90}), 1, 1);
    EXPECT_EQ(three.pixels[0], 40u);
    const auto five = platform::image::resample(level(5, 1, {10, 20, 100, 50, 0}), 2, 1);
    ASSERT_EQ(five.pixels.size(), 2u);
    EXPECT_EQ(five.pixels[0], 32u); // (2*10 + 2*20 + 100) / 5
    EXPECT_EQ(five.pixels[1], 40u); // (100 + 2*50 + 2*0) / 5
    // Both sides: a 3 x 3 block becomes its plain average.
    const auto block = platform::image::resample(level(3, 3, {9, 9, 9, 9, 0, 0, 9, 0, 0}), 1, 1);
    EXPECT_EQ(block.pixels[0], 5u); // 45 / 9
}

TEST(D3dx9TextureMips, HalvingInPlaceGivesTheBoxFilteredLevel) {
    std::uint32_t seed = 12345;
    for (const auto& [w, h] : std::vector<std::pair<UINT, UINT>>{{8, 4}, {4, 1}, {1, 8}, {2, 2}, {16, 16}}) {
        MipLevel source{w, h, std::vector<std::uint32_t>(std::size_t{w} * h)};
        for (std::uint32_t& p : source.pixels)
            p = seed = seed * 1664525u + 1013904223u;
        const MipLevel expected = platform::image::resample(source, w > 1 ? w / 2 : 1, h > 1 ? h / 2 : 1);
        platform::image::box_filter_half_in_place(source);
        EXPECT_EQ(source.width, expected.width) << w << "x" << h;
        EXPECT_EQ(source.height, expected.height) << w << "x" << h;
        EXPECT_EQ(source.pixels, expected.pixels) << w << "x" << h;
    }
}

TEST(D3dx9TextureHostile, BrokenFilesFailWithInvalidDataAndNoPixels) {
    TempDir dir;
    const Bytes good_png = make_png(64, 64, 4);

    Bytes truncated(good_png.begin(), good_png.begin() + static_cast<std::ptrdiff_t>(good_png.size() / 2));
    const Bytes good_bmp = make_bmp(16, 16);
    // A cut-off BMP must not load with its missing rows read as black.
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
        const auto decoded = load_file(dir.write(name, bytes).c_str());
        EXPECT_EQ(decoded.result, D3DXERR_INVALIDDATA) << name;
        EXPECT_FALSE(decoded.error.empty()) << name;
        EXPECT_TRUE(decoded.image.pixels.empty()) << name;
    }
    // The absurd size is refused from the header, naming the size.
    EXPECT_NE(load_file((dir.path() / "huge.bmp").c_str()).error.find("100000 x 100000"), std::string::npos);
    // A cut-off BMP is reported as the file ending early, not the rows.
    EXPECT_EQ(load_file((dir.path() / "truncated.bmp").c_str()).error,
              "BMP: the file ends before its pixel rows do");
}

TEST(D3dx9TextureHostile, MissingFilesDirectoriesAndNullArgumentsFail) {
    TempDir dir;
    EXPECT_EQ(load_file((dir.path() / "absent.png").c_str()).result, D3DXERR_INVALIDDATA);
    EXPECT_EQ(load_file(dir.path().c_str()).result, D3DXERR_INVALIDDATA);
    EXPECT_EQ(load_file(nullptr).result, D3DERR_INVALIDCALL);

    IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(&dir); // must be overwritten
    EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, "tex_fur.png", &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, "tex_fur.png", nullptr), D3DERR_INVALIDCALL);
}

// The reference image for the format tests: 8 x 2 pixels, pixel i opaque with red 16 i, green 255 - 16 i
// and blue 37 i (mod 256).
constexpr UINT kRefWidth = 8;
constexpr UINT kRefHeight = 2;
std::uint32_t reference_pixel(UINT i) {
    return 0xFF000000u | (i * 16) << 16 | (255 - i * 16) << 8 | ((i * 37) & 0xFF);
}
std::uint8_t ref_channel(UINT i, int c) {
    return static_cast<std::uint8_t>(reference_pixel(i) >> (16 - 8 * c)); // c: 0 red, 1 green, 2 blue
}

Bytes text_bytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// Uncompressed true-colour TGA, rows bottom first (the default order), B G R.
Bytes make_tga_plain() {
    Bytes out = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, kRefWidth, 0, kRefHeight, 0, 24, 0};
    for (UINT y = kRefHeight; y-- > 0;)
        for (UINT x = 0; x < kRefWidth; ++x)
            for (int c = 2; c >= 0; --c)
                out.push_back(ref_channel(y * kRefWidth + x, c));
    return out;
}

// Run-length TGA, top row first: one raw packet of the first three pixels, then a run of pixel 3 copied
// over the rest as raw packets.
Bytes make_tga_rle() {
    Bytes out = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, kRefWidth, 0, kRefHeight, 0, 24, 0x20};
    const UINT count = kRefWidth * kRefHeight;
    for (UINT i = 0; i < count;) {
        const UINT n = std::min(3u, count - i);
        out.push_back(static_cast<std::uint8_t>(n - 1));
        for (UINT k = 0; k < n; ++k, ++i)
            for (int c = 2; c >= 0; --c)
                out.push_back(ref_channel(i, c));
    }
    return out;
}

Bytes make_ppm(bool sixteen) {
    Bytes out = text_bytes(std::string("P6\n# a comment\n8 2\n") + (sixteen ? "65535" : "255") + "\n");
    for (UINT i = 0; i < kRefWidth * kRefHeight; ++i)
        for (int c = 0; c < 3; ++c) {
            out.push_back(ref_channel(i, c));
            if (sixteen)
                out.push_back(ref_channel(i, c)); // v * 257: the same value at 16 bits
        }
    return out;
}

Bytes make_ppm_text() {
    std::string s = "P3 8 2 255\n";
    for (UINT i = 0; i < kRefWidth * kRefHeight; ++i)
        for (int c = 0; c < 3; ++c)
            s += std::to_string(ref_channel(i, c)) + (c == 2 ? "\n" : " ");
    return text_bytes(s);
}

// PFM, little-endian (negative scale), rows bottom first.
Bytes make_pfm() {
    Bytes out = text_bytes("PF\n8 2\n-1.0\n");
    for (UINT y = kRefHeight; y-- > 0;)
        for (UINT x = 0; x < kRefWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                const auto bits = std::bit_cast<std::uint32_t>(ref_channel(y * kRefWidth + x, c) / 255.0f);
                for (int k = 0; k < 4; ++k)
                    out.push_back(static_cast<std::uint8_t>(bits >> (8 * k)));
            }
    return out;
}

// A DDS of w x h pixels: its pixel format's flags, FourCC (under DDPF_FOURCC) or bit count, and masks (red,
// green, blue, alpha), then `body`.
Bytes dds(UINT w, UINT h, std::uint32_t flags, std::uint32_t code, std::vector<std::uint32_t> masks,
          Bytes body) {
    Bytes out(128, 0);
    std::memcpy(out.data(), "DDS ", 4);
    for (const auto& [at, value] : {std::pair<std::size_t, std::uint32_t>{4, 124},
                                    {8, 0x100F},
                                    {12, h},
                                    {16, w},
                                    {76, 32},
                                    {80, flags},
                                    {(flags & 4) != 0 ? 84u : 88u, code}})
        put_u32le(out, at, value);
    for (std::size_t c = 0; c < masks.size(); ++c)
        put_u32le(out, 92 + 4 * c, masks[c]);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// DDS, 32-bit uncompressed with R, G, B masks and no alpha.
Bytes make_dds() {
    Bytes pixels;
    for (UINT i = 0; i < kRefWidth * kRefHeight; ++i)
        for (int k = 0; k < 4; ++k)
            pixels.push_back(static_cast<std::uint8_t>(reference_pixel(i) >> (8 * k)) & (k == 3 ? 0 : 0xFF));
    return dds(kRefWidth, kRefHeight, 0x40, 32, {0x00FF0000, 0x0000FF00, 0x000000FF}, pixels); // DDPF_RGB
}

TEST(D3dx9TextureDecode, EveryFormatReadGivesTheSamePixelsAndIsRefusedWhenCutShort) {
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"TGA", make_tga_plain()},     {"TGA RLE", make_tga_rle()},
        {"PPM", make_ppm(false)},      {"PPM 16-bit", make_ppm(true)},
        {"PPM text", make_ppm_text()}, {"PFM", make_pfm()},
        {"DDS", make_dds()},
    };
    for (const auto& [name, bytes] : files) {
        const auto decoded = decode_image(bytes);
        ASSERT_EQ(decoded.result, D3D_OK) << name << ": " << decoded.error;
        EXPECT_EQ(decoded.format, D3DFMT_X8R8G8B8) << name;
        ASSERT_EQ(decoded.image.width, kRefWidth) << name;
        ASSERT_EQ(decoded.image.height, kRefHeight) << name;
        for (UINT i = 0; i < kRefWidth * kRefHeight; ++i)
            EXPECT_EQ(decoded.image.pixels[i], reference_pixel(i)) << name << " pixel " << i;

        const Bytes cut(bytes.begin(), bytes.end() - 4); // one 32-bit pixel, or a text sample
        const auto refused = decode_image(cut);
        EXPECT_EQ(refused.result, D3DXERR_INVALIDDATA) << name;
        EXPECT_TRUE(refused.image.pixels.empty()) << name;
    }

    // Radiance HDR, run-length scanlines: 1.0 (mantissa 128, exponent 129) and 0.5; runs of 8 per channel.
    Bytes hdr = text_bytes("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 2 +X 8\n");
    for (const std::uint8_t exponent : {129, 128})
        hdr.insert(hdr.end(), {2, 2, 0, 8, 136, 128, 136, 0, 136, 128, 136, exponent});
    const auto decoded = decode_image(hdr);
    ASSERT_EQ(decoded.result, D3D_OK) << decoded.error;
    EXPECT_EQ(decoded.image.pixels[0], 0xFFFF00FFu);
    EXPECT_EQ(decoded.image.pixels[15], 0xFF800080u);
    // A run of length 0 never ends the scanline: refused.
    hdr[hdr.size() - 2] = 128;
    EXPECT_EQ(decode_image(hdr).result, D3DXERR_INVALIDDATA);

    // Formats D3DX does not read either.
    for (const std::string refused : {"GIF89a\x01\x00\x01\x00\x00\x00\x00", "8BPS\x00\x01 more bytes"})
        EXPECT_EQ(decode_image(text_bytes(refused)).result, D3DXERR_INVALIDDATA) << refused;
}

TEST(D3dx9TextureDecode, JpegDecodesAndACutJpegIsRefusedAsAJpeg) {
    std::vector<std::uint8_t> flat;
    for (std::size_t i = 0; i < std::size_t{24} * 16; ++i)
        flat.insert(flat.end(), {0x40, 0x80, 0xC0});
    Bytes jpeg;
    ASSERT_NE(stbi_write_jpg_to_func(append_bytes, &jpeg, 24, 16, 3, flat.data(), 95), 0);
    const auto decoded = decode_image(jpeg);
    ASSERT_EQ(decoded.result, D3D_OK) << decoded.error;
    EXPECT_EQ(decoded.format, D3DFMT_X8R8G8B8);
    ASSERT_EQ(decoded.image.width, 24u);
    ASSERT_EQ(decoded.image.height, 16u);
    for (const std::uint32_t p : decoded.image.pixels) {
        EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 0x40, 3);
        EXPECT_NEAR(static_cast<int>((p >> 8) & 0xFF), 0x80, 3);
        EXPECT_NEAR(static_cast<int>(p & 0xFF), 0xC0, 3);
        EXPECT_EQ(p >> 24, 0xFFu);
    }
    const Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() - 40));
    const auto refused = decode_image(cut);
    EXPECT_EQ(refused.result, D3DXERR_INVALIDDATA);
    EXPECT_EQ(refused.error.rfind("JPEG: ", 0), 0u) << refused.error;
}

void put_u16le(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// A BMP of `bits` 1, 4 or 8 with an OS/2 1.x (12-byte), Windows (40-byte) or OS/2 2.x (64-byte) header,
// the palette entries given (0xRRGGBB) right before the pixels, the longer headers' colour count, and rows
// of indices, top row first (stored bottom row first, or top first under a negative height).
Bytes make_palette_bmp(std::size_t header, UINT bits, const std::vector<std::uint32_t>& palette,
                       const std::vector<std::vector<std::uint8_t>>& rows, std::uint32_t colours_used = 0,
                       bool top_down = false) {
    const bool os2 = header == 12;
    const std::size_t entry = os2 ? 3 : 4;
    const auto width = static_cast<std::uint32_t>(rows[0].size());
    const auto height = static_cast<std::uint32_t>(rows.size());
    const std::size_t stride = (width * bits + 31) / 32 * 4;
    const std::size_t pixels_at = 14 + header + palette.size() * entry;
    Bytes out(pixels_at + stride * height, 0);
    out[0] = 'B';
    out[1] = 'M';
    put_u32le(out, 2, static_cast<std::uint32_t>(out.size()));
    put_u32le(out, 10, static_cast<std::uint32_t>(pixels_at));
    put_u32le(out, 14, static_cast<std::uint32_t>(header));
    if (os2) {
        put_u16le(out, 18, width);
        put_u16le(out, 20, height);
        put_u16le(out, 22, 1);
        put_u16le(out, 24, bits);
    } else {
        put_u32le(out, 18, width);
        put_u32le(out, 22, top_down ? 0u - height : height);
        put_u16le(out, 26, 1);
        put_u16le(out, 28, bits);
        put_u32le(out, 46, colours_used);
    }
    for (std::size_t i = 0; i < palette.size(); ++i)
        for (std::size_t c = 0; c < 3; ++c) // blue, green, red
            out[14 + header + i * entry + c] = static_cast<std::uint8_t>(palette[i] >> (8 * c));
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::size_t row = pixels_at + (top_down ? y : height - 1 - y) * stride;
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::size_t bit = std::size_t{x} * bits;
            out[row + bit / 8] |= static_cast<std::uint8_t>(rows[y][x] << (8 - bits - bit % 8));
        }
    }
    return out;
}

TEST(D3dx9TextureBmp, PaletteImagesTakeTheirColoursFromTheFilesOwnPaletteAndBlackBeyondIt) {
    for (const std::size_t header : {12u, 40u, 64u}) {
        const bool os2 = header == 12;
        for (const UINT bits : {1u, 4u, 8u}) {
            const UINT entries = 1u << bits;
            std::vector<std::uint32_t> palette(entries);
            for (UINT i = 0; i < entries; ++i)
                palette[i] = ((i + 1) * 0x9E3779u) & 0xFFFFFFu;
            // Every index, ascending in the top row and descending in the bottom one.
            std::vector<std::vector<std::uint8_t>> rows(2, std::vector<std::uint8_t>(entries));
            for (UINT i = 0; i < entries; ++i) {
                rows[0][i] = static_cast<std::uint8_t>(i);
                rows[1][i] = static_cast<std::uint8_t>(entries - 1 - i);
            }
            // The whole palette; half of it in the file; (not OS/2 1.x) all of it in the file but a colour
            // count of half; (not OS/2 1.x) the whole palette under rows stored top first.
            struct Case {
                std::string name;
                Bytes file;
                UINT known;
            };
            std::vector<Case> cases = {
                {"whole", make_palette_bmp(header, bits, palette, rows), entries},
                {"half in the file",
                 make_palette_bmp(header, bits, {palette.begin(), palette.begin() + entries / 2}, rows),
                 entries / 2},
            };
            if (!os2) {
                cases.push_back({"colour count half",
                                 make_palette_bmp(header, bits, palette, rows, entries / 2), entries / 2});
                cases.push_back(
                    {"top first", make_palette_bmp(header, bits, palette, rows, 0, true), entries});
            }
            for (const Case& c : cases) {
                const std::string what =
                    std::to_string(header) + "-byte header, " + std::to_string(bits) + " bits, " + c.name;
                const auto decoded = decode_image(c.file);
                ASSERT_EQ(decoded.result, D3D_OK) << what << ": " << decoded.error;
                EXPECT_EQ(decoded.format, D3DFMT_X8R8G8B8) << what;
                ASSERT_EQ(decoded.image.width, entries) << what;
                ASSERT_EQ(decoded.image.height, 2u) << what;
                for (UINT y = 0; y < 2; ++y)
                    for (UINT x = 0; x < entries; ++x) {
                        const UINT index = rows[y][x];
                        EXPECT_EQ(decoded.image.pixels[y * entries + x],
                                  0xFF000000u | (index < c.known ? palette[index] : 0))
                            << what << ", pixel " << x << ", " << y;
                    }
            }
        }
    }

    // The reproducers: a well-formed OS/2 file of red (0) and blue (1) stripes whose bits run aa 55 f0 0f
    // in every row, and a Windows file whose one-entry palette sits under indices 0 to 255.
    const auto stripes = load_file(SOURCE_DIR "/tests/data/hostile/bmp_os2_1bit.bmp");
    ASSERT_EQ(stripes.result, D3D_OK) << stripes.error;
    ASSERT_EQ(stripes.image.width, 32u);
    ASSERT_EQ(stripes.image.height, 8u);
    const std::uint8_t row_bits[4] = {0xAA, 0x55, 0xF0, 0x0F};
    for (UINT i = 0; i < 32 * 8; ++i) {
        const UINT x = i % 32;
        const bool blue = (row_bits[x / 8] >> (7 - x % 8)) & 1;
        EXPECT_EQ(stripes.image.pixels[i], blue ? 0xFF0000FFu : 0xFFFF0000u) << "pixel " << i;
    }
    const auto one_entry = load_file(SOURCE_DIR "/tests/data/hostile/bmp_pal1_index255.bmp");
    ASSERT_EQ(one_entry.result, D3D_OK) << one_entry.error;
    ASSERT_EQ(one_entry.image.pixels.size(), 16u * 16u);
    for (UINT i = 0; i < 16 * 16; ++i) // index 0 is the first pixel of the bottom row
        EXPECT_EQ(one_entry.image.pixels[i], i == 15 * 16 ? 0xFF302010u : 0xFF000000u) << "pixel " << i;
}

// A Windows BMP of one row of `width` pixels of `bits` bits, with `compression`; pixel data (and for bit
// fields, the three masks before it) to be appended.
Bytes one_row_bmp(std::uint32_t width, std::uint32_t bits, std::uint32_t compression) {
    Bytes bmp(54, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    put_u32le(bmp, 10, compression == 3 ? 66 : 54);
    put_u32le(bmp, 14, 40);
    put_u32le(bmp, 18, width);
    put_u32le(bmp, 22, 1);
    put_u16le(bmp, 26, 1);
    put_u16le(bmp, 28, bits);
    put_u32le(bmp, 30, compression);
    return bmp;
}

TEST(D3dx9TextureBmp, DirectPixelsScaleEachFieldToTheFullRangeAndTakeAlphaOnlyWhereTheFileHasIt) {
    // 32 bits, BI_RGB: bytes B G R and a fourth byte, alpha once any pixel's is not 0.
    Bytes rgb32 = one_row_bmp(2, 32, 0);
    rgb32.insert(rgb32.end(), {3, 2, 1, 20, 6, 5, 4, 0});
    const auto translucent = decode_image(rgb32);
    ASSERT_EQ(translucent.result, D3D_OK) << translucent.error;
    EXPECT_EQ(translucent.format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(translucent.image.pixels, (std::vector<std::uint32_t>{0x14010203u, 0x00040506u}));
    rgb32[57] = 0; // every fourth byte 0: padding, not a transparent image
    const auto opaque = decode_image(rgb32);
    EXPECT_EQ(opaque.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(opaque.image.pixels, (std::vector<std::uint32_t>{0xFF010203u, 0xFF040506u}));
    // A 56, 108 or 124-byte header's alpha mask, over 16-bit 4-4-4-4 bit fields: alpha even where it is 0
    // throughout.
    for (const std::uint32_t header : {56u, 108u, 124u}) {
        Bytes v5(14 + header, 0);
        std::copy(rgb32.begin(), rgb32.begin() + 54, v5.begin());
        put_u32le(v5, 10, 14 + header);
        put_u32le(v5, 14, header);
        put_u16le(v5, 28, 16);
        put_u32le(v5, 30, 3); // BI_BITFIELDS
        const std::uint32_t argb4444[] = {0x0F00, 0x00F0, 0x000F, 0xF000};
        for (std::size_t c = 0; c < 4; ++c)
            put_u32le(v5, 54 + 4 * c, argb4444[c]);
        v5.insert(v5.end(), {0x5F, 0x8A, 0xF0, 0x0F}); // 0x8A5F, 0x0FF0
        const auto masked = decode_image(v5);
        ASSERT_EQ(masked.result, D3D_OK) << header << ": " << masked.error;
        EXPECT_EQ(masked.format, D3DFMT_A8R8G8B8) << header;
        EXPECT_EQ(masked.image.pixels, (std::vector<std::uint32_t>{0x88AA55FFu, 0x00FFFF00u})) << header;
        put_u32le(v5, 66, 0); // no alpha mask
        EXPECT_EQ(decode_image(v5).format, D3DFMT_X8R8G8B8) << header;
    }

    // 16 bits under 5-6-5 bit fields, and the same two words read as the default 5-5-5.
    Bytes fields = one_row_bmp(2, 16, 3); // BI_BITFIELDS
    for (const std::uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu})
        for (int i = 0; i < 4; ++i)
            fields.push_back(static_cast<std::uint8_t>(mask >> (8 * i)));
    fields.insert(fields.end(), {0x00, 0xF8, 0x10, 0x04}); // red at its top; green 32 of 63, blue 16 of 31
    const auto scaled = decode_image(fields);
    ASSERT_EQ(scaled.result, D3D_OK) << scaled.error;
    EXPECT_EQ(scaled.image.pixels, (std::vector<std::uint32_t>{0xFFFF0000u, 0xFF008284u}));
    Bytes plain = one_row_bmp(2, 16, 0);
    plain.insert(plain.end(), {0x00, 0xF8, 0x10, 0x04}); // 0x0410 is red 1 of 31 and blue 16 of 31
    EXPECT_EQ(decode_image(plain).image.pixels, (std::vector<std::uint32_t>{0xFFF70000u, 0xFF080084u}));

    put_u32le(fields, 54, 0xF00F); // red's bits with a gap in them
    EXPECT_EQ(decode_image(fields).result, D3DXERR_INVALIDDATA);
}

TEST(D3dx9TextureDecode, EachFormatsVariantsGiveThePixelsItsDocumentationDescribes) {
    // An 18-byte Targa header of a 2 x 2 image (a colour map of map_length map_bits entries from map_first,
    // when map_length is not 0), then `body`: the colour map and the pixel data.
    const auto tga = [](std::uint8_t type, std::uint8_t map_first, std::uint8_t map_length,
                        std::uint8_t map_bits, std::uint8_t bits, std::uint8_t descriptor,
                        const Bytes& body) {
        Bytes out = {
            0,    map_length != 0, type, map_first, 0, map_length, 0, map_bits, 0, 0, 0, 0, 2, 0, 2, 0,
            bits, descriptor};
        out.insert(out.end(), body.begin(), body.end());
        return out;
    };
    // Each file, its format and its pixels, top row first. A DDS block's first row is given, the other
    // texels being `rest`.
    struct Case {
        const char* name;
        Bytes file;
        D3DFORMAT format;
        std::vector<std::uint32_t> pixels;
    };
    const auto block = [](std::vector<std::uint32_t> row, std::uint32_t rest) {
        row.resize(16, rest);
        return row;
    };
    const auto fourcc = [](const char(&s)[5]) {
        return static_cast<std::uint32_t>(s[0] | s[1] << 8 | s[2] << 16 | s[3] << 24);
    };
    Bytes bgr24 = one_row_bmp(2, 24, 0), wide_field = one_row_bmp(2, 32, 3);
    bgr24.insert(bgr24.end(), {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0, 0});
    wide_field.resize(66 + 8); // red's mask all 32 bits, green's and blue's 0; pixels 0xFFFFFFFF and 0
    put_u32le(wide_field, 54, 0xFFFFFFFF);
    put_u32le(wide_field, 66, 0xFFFFFFFF);
    const std::uint8_t white[] = {0xFF, 0xFF, 0, 0, 0, 0, 0, 0}; // a DXT colour block of white alone
    const auto with_white = [&white](Bytes alpha) {
        alpha.insert(alpha.end(), std::begin(white), std::end(white));
        return alpha;
    };
    Bytes pfm_grey = text_bytes("Pf\n2 1\n1.0\n"); // big-endian 0.2 and 1.0
    pfm_grey.insert(pfm_grey.end(), {0x3E, 0x4C, 0xCC, 0xCD, 0x3F, 0x80, 0x00, 0x00});
    Bytes hdr_flat = text_bytes("#?RADIANCE\n\n-Y 1 +X 2\n"); // RGBE: 1.0, 0, 1.0; black
    hdr_flat.insert(hdr_flat.end(), {128, 0, 128, 129, 0, 0, 0, 0});
    const Case cases[] = {
        // BMP: 24 bits stored B, G, R; a field of all 32 bits.
        {"BMP 24-bit", bgr24, D3DFMT_X8R8G8B8, {0xFF030201, 0xFF060504}},
        {"BMP 32-bit field", wide_field, D3DFMT_X8R8G8B8, {0xFFFF0000, 0xFF000000}},
        // TGA: 16-bit map entries A RRRRR GGGGG BBBBB from entry 2 (red, blue), indexed by a run of two 2s
        // and a raw 3, 2, rows top first and columns right to left.
        {"TGA colour-mapped, run-length",
         tga(9, 2, 2, 16, 8, 0x30, {0x00, 0x7C, 0x1F, 0x00, 0x81, 2, 0x01, 3, 2}),
         D3DFMT_X8R8G8B8,
         {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFF0000FF}},
        {"TGA grey, run-length",
         tga(11, 0, 0, 0, 8, 0, {0x01, 0x10, 0x20, 0x81, 0x30}),
         D3DFMT_X8R8G8B8,
         {0xFF303030, 0xFF303030, 0xFF101010, 0xFF202020}},
        {"TGA 32-bit B, G, R, A",
         tga(2, 0, 0, 0, 32, 0x28, {1, 2, 3, 0x80, 4, 5, 6, 0, 7, 8, 9, 0xFF, 0, 0, 0, 1}),
         D3DFMT_A8R8G8B8,
         {0x80030201, 0x00060504, 0xFF090807, 0x01000000}},
        // DDS: the first row's indices 0, 1, 2, 3 (DXT1: colour 2 two thirds of colour 0 and one of colour 1,
        // or with colour 0 not above colour 1 their mean and transparent black); 4-bit alphas (DXT3);
        // alphas between a0 and a1 in sevenths, or fifths with 0 and 255 (DXT5).
        {"DXT1", dds(4, 4, 4, fourcc("DXT1"), {}, {0xFF, 0xFF, 0, 0, 0xE4, 0, 0, 0}), D3DFMT_X8R8G8B8,
         block({0xFFFFFFFF, 0xFF000000, 0xFFAAAAAA, 0xFF555555}, 0xFFFFFFFF)},
        {"DXT1 with transparency", dds(4, 4, 4, fourcc("DXT1"), {}, {0, 0, 0x10, 0, 0xE4, 0, 0, 0}),
         D3DFMT_A8R8G8B8, block({0xFF000000, 0xFF000084, 0xFF000042, 0}, 0xFF000000)},
        {"DXT3",
         dds(4, 4, 4, fourcc("DXT3"), {}, with_white({0x21, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})),
         D3DFMT_A8R8G8B8, block({0x11FFFFFF, 0x22FFFFFF, 0xFFFFFFFF, 0x00FFFFFF}, 0xFFFFFFFF)},
        {"DXT5 seven steps", dds(4, 4, 4, fourcc("DXT5"), {}, with_white({70, 0, 0x88, 0x0E, 0, 0, 0, 0})),
         D3DFMT_A8R8G8B8, block({0x46FFFFFF, 0x00FFFFFF, 0x3CFFFFFF, 0x0AFFFFFF}, 0x46FFFFFF)},
        {"DXT5 five steps", dds(4, 4, 4, fourcc("DXT5"), {}, with_white({0, 50, 0xAA, 0x0F, 0, 0, 0, 0})),
         D3DFMT_A8R8G8B8, block({0x0AFFFFFF, 0x28FFFFFF, 0x00FFFFFF, 0xFFFFFFFF}, 0x00FFFFFF)},
        {"DDS luminance",
         dds(2, 1, 0x20000, 8, {0xFF}, {0x40, 0xC0}),
         D3DFMT_X8R8G8B8,
         {0xFF404040, 0xFFC0C0C0}},
        // Netpbm: samples scaled from their maximum; PFM grey with a positive (big-endian) scale.
        {"PGM text, maximum 5", text_bytes("P2 2 1 5\n0 3\n"), D3DFMT_X8R8G8B8, {0xFF000000, 0xFF999999}},
        {"PFM grey", pfm_grey, D3DFMT_X8R8G8B8, {0xFF333333, 0xFFFFFFFF}},
        // Radiance HDR: a scanline too narrow for run-length coding, stored flat.
        {"HDR flat", hdr_flat, D3DFMT_X8R8G8B8, {0xFFFF00FF, 0xFF000000}},
    };
    for (const Case& c : cases) {
        const auto decoded = decode_image(c.file);
        ASSERT_EQ(decoded.result, D3D_OK) << c.name << ": " << decoded.error;
        EXPECT_EQ(decoded.format, c.format) << c.name;
        EXPECT_EQ(decoded.image.pixels, c.pixels) << c.name;
    }
}

// A Windows BMP of run-length coded `data` (BI_RLE8 for 8 bits, BI_RLE4 for 4), width x height (negative:
// top row first), with an 8-colour palette.
Bytes run_length_bmp(UINT bits, std::int32_t width, std::int32_t height, const Bytes& data) {
    Bytes bmp = one_row_bmp(static_cast<std::uint32_t>(width), bits, bits == 8 ? 1 : 2);
    put_u32le(bmp, 22, static_cast<std::uint32_t>(height));
    put_u32le(bmp, 10, 54 + 8 * 4);
    put_u32le(bmp, 46, 8);
    for (std::uint32_t i = 0; i < 8; ++i)
        bmp.insert(bmp.end(), {static_cast<std::uint8_t>(i * 30), static_cast<std::uint8_t>(0xF0 - i),
                               static_cast<std::uint8_t>(0x11 * i + 5), 0});
    bmp.insert(bmp.end(), data.begin(), data.end());
    return bmp;
}

TEST(D3dx9TextureBmp, RunLengthImagesDrawTheirRunsWithinTheRowsAndLeaveTheRestAtPaletteIndexZero) {
    // Each file's data, and the indices it makes, top row first ('.' is a pixel the data never reaches,
    // index 0's colour). ImageMagick's reader draws the bottom-first ones the same up to the deltas past an
    // edge, which it wraps.
    struct Case {
        const char* name;
        UINT bits;
        std::int32_t width, height;
        Bytes data;
        const char* indices;
    };
    const Case cases[] = {
        // Bottom row: a run of three 1s, an absolute span 2 3 1 (padded), end of line. Next: a run of two
        // 2s, then a delta 4 right and 1 up to the right edge, end of line. Top row: a 3, end of bitmap.
        {"RLE8",
         8,
         6,
         4,
         {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 2, 2, 0, 2, 4, 1, 0, 0, 1, 3, 0, 1},
         "3.....|......|22....|111231"},
        {"RLE8 top first",
         8,
         6,
         -4,
         {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 2, 2, 0, 2, 4, 1, 0, 0, 1, 3, 0, 1},
         "111231|22....|......|3....."},
        // A run of alternating 1 2, an absolute span of 5 (3 bytes, padded), end of line; a run of 7 6 7,
        // then a span of 4 in 2 bytes, unpadded, and no end of bitmap.
        {"RLE4",
         4,
         7,
         2,
         {2, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 3, 0x76, 0, 4, 0x45, 0x67},
         "7674567|1234567"},
        // A run of 3 from x = 4 of 6 loses its last pixel, as does a span of 3 from x = 5, while a delta past
        // the right edge, or one past the last row, ends the image; so do data cut short in a span and in a
        // delta.
        {"past the right edge", 8, 6, 2, {4, 1, 3, 2, 0, 0, 5, 3, 0, 3, 4, 5, 6, 0}, "333334|111122"},
        {"delta past the right edge", 8, 6, 2, {2, 1, 0, 2, 5, 0, 1, 3}, "......|11...."},
        {"delta past the last row", 8, 6, 2, {1, 1, 0, 2, 0, 2, 1, 3}, "......|1....."},
        {"cut short in a span", 8, 6, 2, {1, 4, 0, 4, 2, 2}, "......|4....."},
        {"cut short in a delta", 8, 6, 2, {1, 5, 0, 2, 1}, "......|5....."},
    };
    for (const Case& c : cases) {
        const auto decoded = decode_image(run_length_bmp(c.bits, c.width, c.height, c.data));
        ASSERT_EQ(decoded.result, D3D_OK) << c.name << ": " << decoded.error;
        EXPECT_EQ(decoded.format, D3DFMT_X8R8G8B8) << c.name;
        std::vector<std::uint32_t> expected;
        for (const char* p = c.indices; *p != 0; ++p) {
            if (*p == '|') // between rows
                continue;
            const std::uint32_t index = *p == '.' ? 0 : static_cast<std::uint32_t>(*p - '0');
            expected.push_back(0xFF000000u | (0x11 * index + 5) << 16 | (0xF0 - index) << 8 | index * 30);
        }
        EXPECT_EQ(decoded.image.pixels, expected) << c.name << ": " << c.indices;
    }
    // Run-length coding of other depths, and a file with no pixel data, are refused.
    EXPECT_EQ(decode_image(run_length_bmp(4, 2, 2, {0, 1})).result, D3D_OK);
    Bytes rle8_of_4 = run_length_bmp(4, 2, 2, {0, 1});
    put_u32le(rle8_of_4, 30, 1);
    EXPECT_EQ(decode_image(rle8_of_4).result, D3DXERR_INVALIDDATA);
    EXPECT_EQ(decode_image(run_length_bmp(8, 2, 2, {})).result, D3DXERR_INVALIDDATA);
}

TEST(D3dx9TextureSize, SidesRoundUpToPowersOfTwoWithinTheDeviceLimit) {
    const auto sized = texture_image(make_png(300, 200, 3), 16384);
    ASSERT_EQ(sized.result, D3D_OK) << sized.error;
    EXPECT_EQ(sized.image.width, 512u);
    EXPECT_EQ(sized.image.height, 256u);

    const auto fitted = texture_image(make_png(300, 200, 3), 256);
    ASSERT_EQ(fitted.result, D3D_OK) << fitted.error;
    EXPECT_EQ(fitted.image.width, 256u);
    EXPECT_EQ(fitted.image.height, 256u);

    // Sides that are powers of two already keep their pixels.
    const Bytes png = make_png(4, 2, 4);
    const auto same = texture_image(png, 16384);
    ASSERT_EQ(same.result, D3D_OK);
    EXPECT_EQ(same.image.pixels, decode_image(png).image.pixels);

    EXPECT_EQ(platform::image::default_texture_side(1, 4096), 1u);
    EXPECT_EQ(platform::image::default_texture_side(257, 4096), 512u);
    EXPECT_EQ(platform::image::default_texture_side(8192, 3000), 2048u);

    // Enlarging 3 -> 4 weighs the source pixels by the area each output pixel covers.
    const auto wider = platform::image::resample(level(3, 1, {0, 90, 180}), 4, 1);
    EXPECT_EQ(wider.pixels, (std::vector<std::uint32_t>{0, 60, 120, 180}));
}

TEST(D3dx9TextureHostile, ReproducersAreRefusedOrLoadedAndNeverHang) {
    // Which of the files in tests/data/hostile are images that must load, and what they hold.
    struct Expected {
        UINT width, height;
        std::uint32_t first_pixel;
    };
    const std::map<std::string, Expected> valid = {
        {"pgm16_small.pgm", {2, 2, 0xFF010101u}}, // 16-bit samples 257 of 65535
    };
    // The palette BMPs load too; their pixels are checked with the other palette images below.
    const std::set<std::string> palette_bmps = {"bmp_os2_1bit.bmp", "bmp_pal1_index255.bmp"};
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(SOURCE_DIR "/tests/data/hostile")) {
        const std::string name = entry.path().filename().string();
        ++files;
        const auto started = std::chrono::steady_clock::now();
        const auto loaded = platform::image::load_texture_image(entry.path().c_str(), 16384);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << name;
        const auto expected = valid.find(name);
        if (palette_bmps.contains(name)) {
            EXPECT_EQ(loaded.result, D3D_OK) << name << ": " << loaded.error;
            continue;
        }
        if (expected == valid.end()) {
            EXPECT_EQ(loaded.result, D3DXERR_INVALIDDATA) << name;
            EXPECT_TRUE(loaded.image.pixels.empty()) << name;
            EXPECT_FALSE(loaded.error.empty()) << name;
            EXPECT_EQ(loaded.error.find("png"), std::string::npos) << name << ": " << loaded.error;
            continue;
        }
        ASSERT_EQ(loaded.result, D3D_OK) << name << ": " << loaded.error;
        EXPECT_EQ(loaded.image.width, expected->second.width) << name;
        EXPECT_EQ(loaded.image.height, expected->second.height) << name;
        for (const std::uint32_t p : loaded.image.pixels)
            EXPECT_EQ(p, expected->second.first_pixel) << name;
    }
    EXPECT_EQ(files, 10u);
}

// Bytes this process has read through read() and its kin so far.
std::uint64_t bytes_read_so_far() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    ADD_FAILURE() << "no rchar in /proc/self/io";
    return 0;
}

TEST(D3dx9TextureHostile, OnlyTheBytesTheFormatCanUseAreRead) {
    TempDir dir;
    // Junk is refused from its first bytes, however large the file.
    const std::string junk = dir.write("junk.png", text_bytes("XXXX"));
    std::filesystem::resize_file(junk, 800'000'000); // sparse: takes no room on disk
    std::uint64_t before = bytes_read_so_far();
    const auto refused = load_file(junk.c_str());
    EXPECT_LE(bytes_read_so_far() - before, 8192u);
    EXPECT_EQ(refused.result, D3DXERR_INVALIDDATA);
    EXPECT_EQ(refused.error, "not an image in a format that is read");

    // A BMP is read up to the end of its pixel rows, not through what follows them.
    const Bytes bmp = make_bmp(16, 16);
    const std::string padded = dir.write("padded.bmp", bmp);
    std::filesystem::resize_file(padded, 100'000'000);
    before = bytes_read_so_far();
    const auto loaded = load_file(padded.c_str());
    EXPECT_LE(bytes_read_so_far() - before, 8192u);
    ASSERT_EQ(loaded.result, D3D_OK) << loaded.error;
    EXPECT_EQ(loaded.image.pixels[255], 0xFF808080u);
}

TEST(D3dx9TextureHostile, FifoIsRefusedWithoutWaitingForAWriter) {
    TempDir dir;
    const std::string fifo = (dir.path() / "tex_fur.png").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto loaded = load_file(fifo.c_str());
    EXPECT_EQ(loaded.result, D3DXERR_INVALIDDATA);
    EXPECT_EQ(loaded.error, "not a regular file");
}

} // namespace
