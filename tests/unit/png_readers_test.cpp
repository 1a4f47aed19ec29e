// The web build reads PNG files with stb_image (image_png_stb.cpp, built here as decode_png_web), the
// desktop with libpng: both must give the same texels and format for every kind of PNG, or the two builds
// show different pictures of the same file.
#include "image_formats.h"

#include <png.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace platform::d3dx9 {
DecodedImage decode_png_web(Bytes bytes);
}

namespace {

using platform::d3dx9::decode_png;
using platform::d3dx9::decode_png_web;
using platform::d3dx9::DecodedImage;

// A width x height PNG of libpng's simplified format, its samples counting up so that every value occurs.
std::vector<std::uint8_t> make_png(png_uint_32 format, int width, int height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = format;
    const std::size_t samples = PNG_IMAGE_SIZE(image) / PNG_IMAGE_SAMPLE_COMPONENT_SIZE(format);
    std::vector<std::uint16_t> wide(samples);
    std::vector<std::uint8_t> narrow(samples);
    for (std::size_t i = 0; i < samples; ++i) {
        wide[i] = static_cast<std::uint16_t>(i * 257 + i / 7);
        narrow[i] = static_cast<std::uint8_t>(i * 7 / 5);
    }
    std::vector<std::uint8_t> colormap(256 * 4);
    for (std::size_t i = 0; i < colormap.size(); ++i)
        colormap[i] = static_cast<std::uint8_t>(i * 3);
    image.colormap_entries = 256;
    const void* const pixels = (format & PNG_FORMAT_FLAG_LINEAR) ? static_cast<const void*>(wide.data())
                                                                 : static_cast<const void*>(narrow.data());
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_get_memory_size(image, size, 0, pixels, 0, colormap.data()));
    std::vector<std::uint8_t> out(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, pixels, 0, colormap.data()));
    out.resize(size);
    return out;
}

void expect_same(const std::vector<std::uint8_t>& file, const char* what) {
    const DecodedImage desktop = decode_png(file);
    const DecodedImage web = decode_png_web(file);
    ASSERT_EQ(desktop.result, D3D_OK) << what << ": " << desktop.error;
    ASSERT_EQ(web.result, D3D_OK) << what << ": " << web.error;
    EXPECT_EQ(web.format, desktop.format) << what;
    ASSERT_EQ(web.image.width, desktop.image.width) << what;
    ASSERT_EQ(web.image.height, desktop.image.height) << what;
    std::size_t differing = 0;
    for (std::size_t i = 0; i < desktop.image.pixels.size(); ++i)
        differing += web.image.pixels[i] != desktop.image.pixels[i] ? 1 : 0;
    EXPECT_EQ(differing, 0u) << what << ": texels that differ";
}

TEST(PngReaders, TheWebReaderGivesTheDesktopsTexelsForEveryKindOfPng) {
    expect_same(make_png(PNG_FORMAT_GRAY, 37, 11), "8-bit grey");
    expect_same(make_png(PNG_FORMAT_GA, 37, 11), "8-bit grey + alpha");
    expect_same(make_png(PNG_FORMAT_RGB, 37, 11), "8-bit RGB");
    expect_same(make_png(PNG_FORMAT_RGBA, 37, 11), "8-bit RGBA");
    expect_same(make_png(PNG_FORMAT_LINEAR_RGB, 300, 80), "16-bit RGB"); // every 16-bit value scaled
    expect_same(make_png(PNG_FORMAT_LINEAR_Y_ALPHA, 64, 9), "16-bit grey + alpha");
    expect_same(make_png(PNG_FORMAT_RGB_COLORMAP, 33, 9), "palette");
    expect_same(make_png(PNG_FORMAT_RGBA_COLORMAP, 33, 9), "palette with transparency");

    std::ifstream fur(SOURCE_DIR "/assets/tex_fur.png", std::ios::binary);
    expect_same({std::istreambuf_iterator<char>(fur), {}}, "assets/tex_fur.png");
}

TEST(PngReaders, TheWebReaderRefusesWhatTheHeaderRulesOut) {
    std::vector<std::uint8_t> file = make_png(PNG_FORMAT_RGB, 8, 8);
    file[16] = 0x40; // width 0x40000008: beyond the side limit
    EXPECT_EQ(decode_png_web(file).result, D3DXERR_INVALIDDATA);
    file = make_png(PNG_FORMAT_RGB, 8, 8);
    file[25] = 5; // no such colour type
    EXPECT_EQ(decode_png_web(file).result, D3DXERR_INVALIDDATA);
    file = make_png(PNG_FORMAT_RGB, 4000, 4000); // all one row pattern: compresses far
    file.resize(file.size() / 2);
    EXPECT_EQ(decode_png_web(file).result, D3DXERR_INVALIDDATA);
}

} // namespace
