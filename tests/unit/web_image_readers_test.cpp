// The web build reads PNG and JPEG files with stb_image (image_png_stb.cpp and image_jpeg_stb.cpp, built
// here as decode_png_web and decode_jpeg_web), the desktop with libpng and libjpeg-turbo: PNGs must come out
// the same in both, or the two builds show different pictures of one file; JPEGs the same up to the
// decoders' rounding; files that make stb_image write out of bounds must be refused before it sees them;
// and untidy files (bytes between segments, no Huffman tables, a cut end chunk, a JPEG without its end
// marker, image data longer or shorter than the rows) and CMYK load, or are refused, alike in every build.
#include "image/image_formats.h"

#include <cstdio>
#include <jpeglib.h>
#include <png.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <tuple>
#include <vector>

// stb_image_write's deflate, which its header declares only inside its implementation.
extern "C" unsigned char* stbi_zlib_compress(unsigned char* data, int data_len, int* out_len, int quality);

namespace platform::image {
DecodedImage decode_png_web(Bytes bytes);
DecodedImage decode_jpeg_web(Bytes bytes);
} // namespace platform::image

namespace {

using platform::image::decode_jpeg;
using platform::image::decode_jpeg_web;
using platform::image::decode_png;
using platform::image::decode_png_web;
using platform::image::DecodedImage;

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

// A width x height 8-bit PNG of libpng's writing whose row y is filtered with filter type (first + y) % 5,
// its samples random from 0 to 7, so that every filter has every kind of neighbour to predict from and
// Paeth's ties and the average's rounding come up often. The first row's filter is 2, 3 or 4 (up, average or
// Paeth: libpng keeps the row above only when the first row may use it).
std::vector<std::uint8_t> make_filtered_png(int colour_type, int channels, int width, int height, int first) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<std::uint8_t> out;
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t size) {
            auto* file = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
            file->insert(file->end(), data, data + size);
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colour_type,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    static constexpr int filters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG,
                                      PNG_FILTER_PAETH};
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * channels);
    std::uint32_t seed = 99;
    for (int y = 0; y < height; ++y) {
        png_set_filter(png, PNG_FILTER_TYPE_BASE, filters[(first + y) % 5]);
        for (std::uint8_t& sample : row)
            sample = static_cast<std::uint8_t>((seed = seed * 1664525u + 1013904223u) >> 29);
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// The bytes a PNG's image data chunks inflate to (the filter byte and samples of each row).
std::vector<std::uint8_t> inflated_image_data(const std::vector<std::uint8_t>& file) {
    std::vector<char> data;
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const std::size_t length =
            std::size_t{file[at]} << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
        if (std::equal(file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                       file.begin() + static_cast<std::ptrdiff_t>(at + 8), "IDAT"))
            data.insert(data.end(), file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                        file.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
        at += 12 + length;
    }
    int size = 0;
    char* const inflated = stbi_zlib_decode_malloc(data.data(), static_cast<int>(data.size()), &size);
    std::vector<std::uint8_t> out(inflated, inflated + (inflated != nullptr ? size : 0));
    std::free(inflated);
    return out;
}

// A PNG chunk of the given type and data, with its length and CRC.
std::vector<std::uint8_t> png_chunk(const char (&type)[5], const std::vector<std::uint8_t>& data) {
    const auto size = static_cast<std::uint32_t>(data.size());
    std::vector<std::uint8_t> chunk;
    chunk.reserve(12 + data.size());
    for (const int shift : {24, 16, 8, 0})
        chunk.push_back(static_cast<std::uint8_t>(size >> shift));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    std::uint32_t crc = 0xFFFFFFFFu; // PNG's CRC-32, over the type and data
    for (std::size_t i = 4; i < chunk.size(); ++i) {
        crc ^= chunk[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    for (const int shift : {24, 16, 8, 0})
        chunk.push_back(static_cast<std::uint8_t>(~crc >> shift));
    return chunk;
}

// The PNG (one image data chunk, the end chunk last) with its image data made `rows` deflated anew.
std::vector<std::uint8_t> with_image_data(const std::vector<std::uint8_t>& file,
                                          std::vector<std::uint8_t> rows) {
    int size = 0;
    unsigned char* const deflated = stbi_zlib_compress(rows.data(), static_cast<int>(rows.size()), &size, 8);
    const std::vector<std::uint8_t> chunk = png_chunk("IDAT", {deflated, deflated + size});
    std::free(deflated);
    const std::uint8_t idat[] = {'I', 'D', 'A', 'T'};
    const auto first = std::search(file.begin(), file.end(), std::begin(idat), std::end(idat)) - 4;
    std::vector<std::uint8_t> out(file.begin(), first);
    out.insert(out.end(), chunk.begin(), chunk.end());
    out.insert(out.end(), file.end() - 12, file.end());
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

    // The web reader unfilters the rows of these kinds itself: each filter type for 1 to 4 channels.
    for (const auto& [colour_type, channels, what] :
         {std::tuple{PNG_COLOR_TYPE_GRAY, 1, "grey, every filter"},
          std::tuple{PNG_COLOR_TYPE_GRAY_ALPHA, 2, "grey + alpha, every filter"},
          std::tuple{PNG_COLOR_TYPE_RGB, 3, "RGB, every filter"},
          std::tuple{PNG_COLOR_TYPE_RGB_ALPHA, 4, "RGBA, every filter"}}) {
        const int first = 2 + channels % 3;
        const std::vector<std::uint8_t> file = make_filtered_png(colour_type, channels, 23, 10, first);
        const std::vector<std::uint8_t> rows = inflated_image_data(file);
        ASSERT_EQ(rows.size(), (23u * channels + 1) * 10) << what;
        for (std::size_t y = 0; y < 10; ++y)
            ASSERT_EQ(rows[y * (23 * channels + 1)], (first + y) % 5) << what << ": row " << y << "'s filter";
        expect_same(file, what);
    }

    std::ifstream fur(SOURCE_DIR "/assets/tex_fur.png", std::ios::binary);
    expect_same({std::istreambuf_iterator<char>(fur), {}}, "assets/tex_fur.png");
}

TEST(PngReaders, TheWebReaderRefusesWhatTheHeaderRulesOut) {
    std::vector<std::uint8_t> file = make_png(PNG_FORMAT_RGB, 8, 8);
    // An empty image data chunk first: libpng finds too little image data, and stb_image would copy the
    // chunk from a null pointer; both builds refuse it.
    std::vector<std::uint8_t> empty_first = file;
    const std::vector<std::uint8_t> empty_idat = {0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x35, 0xAF, 0x06, 0x1E};
    empty_first.insert(empty_first.begin() + 33, empty_idat.begin(), empty_idat.end()); // after IHDR
    EXPECT_EQ(decode_png(empty_first).result, D3DXERR_INVALIDDATA);
    EXPECT_EQ(decode_png_web(empty_first).error, "PNG: the first image data chunk is empty");
    file[16] = 0x40; // width 0x40000008: beyond the side limit
    EXPECT_EQ(decode_png_web(file).result, D3DXERR_INVALIDDATA);
    file = make_png(PNG_FORMAT_RGB, 8, 8);
    file[25] = 5; // no such colour type
    EXPECT_EQ(decode_png_web(file).result, D3DXERR_INVALIDDATA);
    // A critical chunk of a type that starts with a zero byte: stb_image names it by that type, as nothing.
    file = make_png(PNG_FORMAT_RGB, 8, 8);
    const std::vector<std::uint8_t> zero_type = png_chunk("\0ZRO", {});
    file.insert(file.begin() + 33, zero_type.begin(), zero_type.end());
    EXPECT_EQ(decode_png(file).result, D3DXERR_INVALIDDATA);
    EXPECT_EQ(decode_png_web(file).error, "PNG: a critical chunk of an unknown type");
    file[33 + 8] ^= 1; // its CRC
    EXPECT_EQ(decode_png_web(file).error, "PNG: a chunk of no valid type: CRC error");
    file = make_png(PNG_FORMAT_RGB, 4000, 4000); // all one row pattern: compresses far
    file.resize(file.size() / 2);
    EXPECT_EQ(decode_png_web(file).result, D3DXERR_INVALIDDATA);
}

std::vector<std::uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::uint8_t> make_jpeg(int width, int height, int quality, unsigned picture = 0) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<std::uint8_t>((i * 13 + picture) ^ (i / 97));
    std::vector<std::uint8_t> file;
    const auto append = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<std::uint8_t>*>(context);
        out->insert(out->end(), static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
    };
    EXPECT_NE(stbi_write_jpg_to_func(append, &file, width, height, 3, rgb.data(), quality), 0);
    return file;
}

TEST(JpegReaders, TheWebReaderGivesTheDesktopsPictureUpToRounding) {
    for (const int quality : {50, 95}) {
        const std::vector<std::uint8_t> file = make_jpeg(61, 37, quality);
        const DecodedImage desktop = decode_jpeg(file);
        const DecodedImage web = decode_jpeg_web(file);
        ASSERT_EQ(web.result, D3D_OK) << web.error;
        ASSERT_EQ(desktop.result, D3D_OK) << desktop.error;
        EXPECT_EQ(web.format, desktop.format);
        ASSERT_EQ(web.image.pixels.size(), desktop.image.pixels.size());
        long total = 0;
        for (std::size_t i = 0; i < web.image.pixels.size(); ++i)
            for (int shift = 0; shift < 32; shift += 8)
                total += std::abs(static_cast<int>((web.image.pixels[i] >> shift) & 0xFF) -
                                  static_cast<int>((desktop.image.pixels[i] >> shift) & 0xFF));
        // Each channel within a few steps on average: the same picture, decoded another way.
        EXPECT_LT(static_cast<double>(total) / (web.image.pixels.size() * 3), 3.0) << "quality " << quality;
    }
}

TEST(JpegReaders, TheWebReaderRefusesWhatMakesStbImageWriteOutOfBounds) {
    // stb_image writes past its tables on a Huffman table with more codes of a length than the length has
    // room for, or with more than 256 symbols: refused by the reader's own checks.
    std::vector<std::uint8_t> file = make_jpeg(16, 16, 90);
    std::size_t dht = 2;
    while (dht + 1 < file.size() && !(file[dht] == 0xFF && file[dht + 1] == 0xC4))
        ++dht;
    ASSERT_LT(dht + 21, file.size());
    // Codes moved to length 1 from a longer length: as many symbols, more codes than length 1 has room for.
    std::vector<std::uint8_t> crowded = file;
    std::size_t longer = dht + 6;
    while (longer < dht + 21 && crowded[longer] < 3)
        ++longer;
    ASSERT_LT(longer, dht + 21);
    crowded[longer] -= 3;
    crowded[dht + 5] += 3;
    EXPECT_EQ(decode_jpeg_web(crowded).error, "JPEG: invalid Huffman table");
    // A table of its own segment with 257 symbols (255 of length 9, 2 of length 10), before the others.
    std::vector<std::uint8_t> table = {0xFF, 0xC4, 0x01, 0x14, 0x10};
    for (int length = 1; length <= 16; ++length)
        table.push_back(length == 9 ? 255 : length == 10 ? 2 : 0);
    table.resize(table.size() + 257, 0x01);
    std::vector<std::uint8_t> many = file;
    many.insert(many.begin() + static_cast<std::ptrdiff_t>(dht), table.begin(), table.end());
    EXPECT_EQ(decode_jpeg_web(many).error, "JPEG: invalid Huffman table");

    // Every hostile file is refused or read, never more (the sanitizer build runs this).
    for (const char* name : {"jpeg_dht_count_over_256.jpg", "jpeg_dht_overflow_min.jpg",
                             "jpeg_prog_crash_fill255.jpg", "jpeg_slow_unit.jpg"}) {
        const DecodedImage web =
            decode_jpeg_web(read_file(std::string(SOURCE_DIR "/tests/data/hostile/") + name));
        EXPECT_TRUE(web.result == D3D_OK || web.result == D3DXERR_INVALIDDATA) << name;
    }
}

TEST(JpegReaders, BothRefuseAFileTooShortForItsBlocksOrWithAComponentNoScanCodes) {
    std::vector<std::uint8_t> jpeg = read_file(SOURCE_DIR "/tests/data/hostile/jpeg_sampling_bomb_8192.jpg");
    ASSERT_GT(jpeg.size(), 0x50u);
    // As it is, 8192 x 8192 with luma sampled 4 x 4: too many blocks for its 8 KB, though its chroma
    // alone would fit.
    EXPECT_NE(decode_jpeg(jpeg).error.find("too short"), std::string::npos) << decode_jpeg(jpeg).error;
    EXPECT_NE(decode_jpeg_web(jpeg).error.find("too short"), std::string::npos)
        << decode_jpeg_web(jpeg).error;
    // Made 32 x 32, it is long enough for its blocks, but its one scan codes only Cb: the luma would be
    // flat grey that the file never held.
    ASSERT_EQ(jpeg[0x48], 0xC2); // the progressive frame header: length, precision, height, width
    jpeg[0x4C] = 0x00;
    jpeg[0x4D] = 0x20;
    jpeg[0x4E] = 0x00;
    jpeg[0x4F] = 0x20;
    EXPECT_EQ(decode_jpeg(jpeg).error, "JPEG: no scan codes component 1");
    EXPECT_EQ(decode_jpeg_web(jpeg).error, "JPEG: no scan codes component 1");
}

// How make_libjpeg_jpeg lays out its scans.
enum class JpegScans {
    progressive,          // the DC of each component alone, in turn, then each component's AC
    interleaved,          // one sequential scan of all components
    one_by_one_luma_last, // a sequential scan of each component, Cb, Cr, then Y
};

// A width x height JPEG from libjpeg (YCbCr with chroma at half resolution, grey or CMYK), its pixels noisy
// so that every AC scan has coefficients to code, with a restart marker after every restart_rows MCU rows
// if that is not 0.
std::vector<std::uint8_t> make_libjpeg_jpeg(int width, int height, J_COLOR_SPACE space = JCS_RGB,
                                            JpegScans layout = JpegScans::progressive, int restart_rows = 0) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = space == JCS_CMYK ? 4 : space == JCS_GRAYSCALE ? 1 : 3;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    std::array<jpeg_scan_info, 6> scans{};
    for (int c = 0; c < 3; ++c) {
        scans[static_cast<std::size_t>(c)] = {1, {c}, 0, 0, 0, 0};
        scans[static_cast<std::size_t>(c) + 3] = {1, {c}, 1, 63, 0, 0};
    }
    const std::array<jpeg_scan_info, 3> one_by_one = {jpeg_scan_info{1, {1}, 0, 63, 0, 0},
                                                      jpeg_scan_info{1, {2}, 0, 63, 0, 0},
                                                      jpeg_scan_info{1, {0}, 0, 63, 0, 0}};
    if (layout == JpegScans::progressive) {
        info.scan_info = scans.data();
        info.num_scans = static_cast<int>(scans.size());
    } else if (layout == JpegScans::one_by_one_luma_last) {
        info.scan_info = one_by_one.data();
        info.num_scans = static_cast<int>(one_by_one.size());
    }
    info.restart_in_rows = restart_rows;
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * info.input_components);
    while (info.next_scanline < info.image_height) {
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<JSAMPLE>((i * 37 + info.next_scanline * 101) ^ (i * i >> 3));
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

TEST(JpegReaders, BothRefuseAProgressiveComponentWhoseFirstScanIsNotItsDcScan) {
    std::vector<std::uint8_t> file = make_libjpeg_jpeg(24, 16);
    ASSERT_EQ(decode_jpeg_web(file).result, D3D_OK) << decode_jpeg_web(file).error;
    // The third scan, the DC of component 3, cut out up to the marker after its data: that component is
    // left with an AC scan alone. stb_image would start its blocks from a coefficient buffer it never
    // cleared (valgrind sees the reads: tests/CMakeLists.txt), libjpeg finds the progression inconsistent.
    std::vector<std::size_t> scans;
    for (std::size_t at = 2; at + 1 < file.size(); ++at)
        if (file[at] == 0xFF && file[at + 1] == 0xDA)
            scans.push_back(at);
    ASSERT_EQ(scans.size(), 6u);
    ASSERT_EQ(file[scans[2] + 5], 3); // its one component
    std::size_t end = scans[2] + 2 + (std::size_t{file[scans[2] + 2]} << 8 | file[scans[2] + 3]);
    while (!(file[end] == 0xFF && file[end + 1] != 0x00 && (file[end + 1] & 0xF8) != 0xD0))
        ++end;
    file.erase(file.begin() + static_cast<std::ptrdiff_t>(scans[2]),
               file.begin() + static_cast<std::ptrdiff_t>(end));
    const DecodedImage web = decode_jpeg_web(file);
    const DecodedImage desktop = decode_jpeg(file);
    EXPECT_EQ(web.error, "JPEG: no DC scan starts component 3");
    EXPECT_EQ(desktop.error, "JPEG: no DC scan starts component 3");
    // Were it read after all, texels from memory no scan wrote differ from one read to the next (and
    // valgrind sees them compared).
    if (web.result == D3D_OK) {
        EXPECT_EQ(decode_jpeg_web(file).image.pixels, web.image.pixels);
    }
}

} // namespace

namespace {

// The segment of `marker` from `from` on in a JPEG: where it starts, or the file's size.
std::size_t find_segment(const std::vector<std::uint8_t>& file, std::uint8_t marker, std::size_t from = 2) {
    for (std::size_t at = from; at + 1 < file.size(); ++at)
        if (file[at] == 0xFF && file[at + 1] == marker)
            return at;
    return file.size();
}

std::vector<std::uint8_t> inserted(std::vector<std::uint8_t> file, std::size_t at,
                                   const std::vector<std::uint8_t>& bytes) {
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());
    return file;
}

TEST(ImageReaders, EveryBuildLoadsOrRefusesTheSameUntidyFilesTheSameWay) {
    const std::vector<std::uint8_t> jpeg = make_jpeg(24, 16, 90);
    const std::size_t after_first = 4 + (std::size_t{jpeg[4]} << 8 | jpeg[5]); // after SOI's next segment
    const auto without_tables = [](std::vector<std::uint8_t> file) {
        for (std::size_t at = find_segment(file, 0xC4); at < file.size(); at = find_segment(file, 0xC4))
            file.erase(file.begin() + static_cast<std::ptrdiff_t>(at),
                       file.begin() +
                           static_cast<std::ptrdiff_t>(at + 2 + (file[at + 2] << 8 | file[at + 3])));
        return file;
    };
    // A Motion-JPEG frame: stb_image_write's tables are the standard ones.
    const std::vector<std::uint8_t> no_tables = without_tables(jpeg);
    const std::vector<std::uint8_t> progressive = make_libjpeg_jpeg(24, 16);
    // Y's own scan has 5 x 3 blocks, where an MCU of all three components would be 3 x 2.
    const std::vector<std::uint8_t> one_by_one =
        make_libjpeg_jpeg(40, 24, JCS_RGB, JpegScans::one_by_one_luma_last);
    const std::vector<std::uint8_t> grey = make_libjpeg_jpeg(24, 16, JCS_GRAYSCALE, JpegScans::interleaved);
    const std::vector<std::uint8_t> restarts =
        make_libjpeg_jpeg(40, 64, JCS_RGB, JpegScans::interleaved, 1); // 4 intervals
    const int last_restart = 2;                                        // RST0 .. RST2 between the 4 intervals
    std::vector<std::uint8_t> out_of_turn = restarts;                  // RST0 made RST1
    out_of_turn[find_segment(restarts, 0xD0) + 1] = 0xD1;
    // Progressive, with a restart marker after every MCU row: the first scan's last marker left out, after
    // which stb_image would leave that scan's last blocks as its memory held them.
    const std::vector<std::uint8_t> progressive_restarts =
        make_libjpeg_jpeg(40, 64, JCS_RGB, JpegScans::progressive, 1);
    std::vector<std::uint8_t> progressive_missing = progressive_restarts;
    const std::size_t first_scan = find_segment(progressive_restarts, 0xDA);
    std::size_t last_marker = first_scan;
    for (std::size_t at = first_scan; at < find_segment(progressive_restarts, 0xDA, first_scan + 2); ++at)
        if (progressive_restarts[at] == 0xFF && (progressive_restarts[at + 1] & 0xF8) == 0xD0)
            last_marker = at;
    progressive_missing.erase(progressive_missing.begin() + static_cast<std::ptrdiff_t>(last_marker),
                              progressive_missing.begin() + static_cast<std::ptrdiff_t>(last_marker + 2));
    const std::vector<std::uint8_t> png = make_png(PNG_FORMAT_RGBA, 9, 5);
    std::vector<std::uint8_t> longer_rows = inflated_image_data(png);
    const std::vector<std::uint8_t> shorter_rows(longer_rows.begin(), longer_rows.end() - 1);
    longer_rows.resize(longer_rows.size() + 40, 0);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> file, tidy; // the file, and the tidy one it shows the picture of
        bool loads;
    };
    // The JPEG with another picture's scan (same size and tables) after its own; with its frame's first
    // component on a quantization table nothing defines; with bits in its scan that are no code.
    const std::vector<std::uint8_t> other = make_jpeg(24, 16, 90, 77);
    const std::size_t other_scan = find_segment(other, 0xDA);
    const std::vector<std::uint8_t> second_scan = inserted(
        jpeg, jpeg.size() - 2, {other.begin() + static_cast<std::ptrdiff_t>(other_scan), other.end() - 2});
    std::vector<std::uint8_t> no_quantization = jpeg;
    no_quantization[find_segment(jpeg, 0xC0) + 12] = 3;
    std::vector<std::uint8_t> odd_band = jpeg; // a sequential scan whose band starts at coefficient 17
    odd_band[find_segment(jpeg, 0xDA) + 5 + 2 * jpeg[find_segment(jpeg, 0xDA) + 4]] = 17;
    // The progressive JPEG with its first AC scan's point transform made 1 and the scan sent again after
    // it, as if it were the first: bits already coded, which libjpeg refuses and stb_image reads over.
    std::size_t ac_scan = 0;
    for (int i = 0; i < 4; ++i)
        ac_scan = find_segment(progressive, 0xDA, ac_scan + 2);
    std::size_t ac_end =
        ac_scan + 2 + (std::size_t{progressive[ac_scan + 2]} << 8 | progressive[ac_scan + 3]);
    while (!(progressive[ac_end] == 0xFF && progressive[ac_end + 1] != 0 &&
             (progressive[ac_end + 1] & 0xF8) != 0xD0))
        ++ac_end;
    std::vector<std::uint8_t> out_of_order =
        inserted(progressive, ac_end,
                 {progressive.begin() + static_cast<std::ptrdiff_t>(ac_scan),
                  progressive.begin() + static_cast<std::ptrdiff_t>(ac_end)});
    out_of_order[ac_scan + 5 + 2 * progressive[ac_scan + 4] + 2] = 0x01;
    std::vector<std::uint8_t> no_code = jpeg;
    const std::size_t scan = find_segment(jpeg, 0xDA);
    const std::size_t data = scan + 2 + (std::size_t{jpeg[scan + 2]} << 8 | jpeg[scan + 3]);
    for (std::size_t i = 0; i < 6; ++i)
        no_code[data + 20 + i] = i % 2 == 0 ? 0xFF : 0x00; // stuffed FF bytes: 24 one bits
    // The PNG with an unknown critical chunk after its image data, and with its image data's CRC broken.
    const std::vector<std::uint8_t> unknown_after_data =
        inserted(png, png.size() - 12, {0, 0, 0, 0, 'J', 'U', 'N', 'K', 0x12, 0x34, 0x56, 0x78});
    std::vector<std::uint8_t> wrong_crc = png;
    const std::uint8_t idat[] = {'I', 'D', 'A', 'T'};
    const std::size_t idat_at = static_cast<std::size_t>(
        std::search(png.begin(), png.end(), std::begin(idat), std::end(idat)) - png.begin() - 4);
    wrong_crc[idat_at + 8 + (std::size_t{png[idat_at + 2]} << 8 | png[idat_at + 3]) + 3] ^= 1;
    const Case cases[] = {
        {"JPEG, stray bytes between segments", inserted(jpeg, after_first, {0x00, 0x12, 0xFE}), jpeg, true},
        {"JPEG, an APP14 too short for Adobe's fields",
         inserted(jpeg, after_first, {0xFF, 0xEE, 0x00, 0x07, 'A', 'd', 'o', 'b', 'e'}), jpeg, true},
        {"JPEG, junk after a comment",
         inserted(jpeg, after_first, {0xFF, 0xFE, 0x00, 0x04, 'h', 'i', 0x12, 0x34, 0x56}), jpeg, true},
        {"JPEG, FF 00 between segments", inserted(jpeg, after_first, {0xFF, 0x00}), jpeg, true},
        {"JPEG, no Huffman tables", no_tables, jpeg, true},
        {"JPEG, progressive, no Huffman tables", without_tables(progressive), {}, false},
        {"JPEG, progressive scans out of order", out_of_order, {}, false},
        {"JPEG, an unknown marker between segments",
         inserted(jpeg, after_first, {0xFF, 0xF1, 0x00, 0x02}),
         {},
         false},
        {"JPEG, CMYK with Adobe's marker",
         make_libjpeg_jpeg(16, 8, JCS_CMYK, JpegScans::interleaved),
         {},
         false},
        {"JPEG, cut short in its scan", {jpeg.begin(), jpeg.end() - 40}, {}, false},
        {"JPEG, no end marker", {jpeg.begin(), jpeg.end() - 2}, jpeg, true},
        {"JPEG, progressive, no end marker", {progressive.begin(), progressive.end() - 2}, {}, false},
        {"JPEG, only the end marker's FF", {jpeg.begin(), jpeg.end() - 1}, jpeg, true},
        {"JPEG, grey, no end marker", {grey.begin(), grey.end() - 2}, grey, true},
        {"JPEG, grey, cut short in its scan", {grey.begin(), grey.end() - 12}, {}, false},
        {"JPEG, a scan for each component, no end marker",
         {one_by_one.begin(), one_by_one.end() - 2},
         one_by_one,
         true},
        {"JPEG, a scan for each component, cut short in the last",
         {one_by_one.begin(), one_by_one.end() - 30},
         {},
         false},
        {"JPEG, restart markers, no end marker", {restarts.begin(), restarts.end() - 2}, restarts, true},
        {"JPEG, restart markers, cut short in its last interval",
         {restarts.begin(), restarts.end() - 12},
         {},
         false},
        {"JPEG, restart markers, cut short before its last interval",
         {restarts.begin(),
          restarts.begin() + static_cast<std::ptrdiff_t>(find_segment(restarts, 0xD0 + last_restart % 8))},
         {},
         false},
        {"JPEG, restart markers, one out of turn", out_of_turn, {}, false},
        {"JPEG, progressive, restart markers", progressive_restarts, progressive_restarts, true},
        {"JPEG, progressive, a restart marker missing", progressive_missing, {}, false},
        {"JPEG, another picture's scan after its own", second_scan, jpeg, true},
        {"JPEG, a quantization table nothing defines", no_quantization, {}, false},
        {"JPEG, a sequential scan that names a band", odd_band, jpeg, true},
        {"JPEG, junk after its scan's last code",
         inserted(jpeg, jpeg.size() - 2,
                  {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0x34}),
         jpeg, true},
        {"JPEG, a restart marker and junk after a scan without restarts",
         inserted(jpeg, jpeg.size() - 2, {0xFF, 0xD0, 0x12, 0x34}), jpeg, true},
        {"JPEG, bits in its scan that are no code", no_code, {}, false},
        {"PNG, an unknown critical chunk after the image data", unknown_after_data, png, true},
        {"PNG, a wrong CRC on the image data", wrong_crc, {}, false},
        {"PNG, end chunk cut short", {png.begin(), png.end() - 5}, png, true},
        {"PNG, no end chunk", {png.begin(), png.end() - 12}, png, true},
        {"PNG, image data that inflates to more than its rows", with_image_data(png, longer_rows), png, true},
        {"PNG, image data that inflates to less than its rows",
         with_image_data(png, shorter_rows),
         {},
         false},
    };
    for (const Case& c : cases) {
        const bool is_png = c.file[0] == 0x89;
        const DecodedImage desktop = is_png ? decode_png(c.file) : decode_jpeg(c.file);
        const DecodedImage web = is_png ? decode_png_web(c.file) : decode_jpeg_web(c.file);
        EXPECT_EQ(desktop.result, c.loads ? D3D_OK : D3DXERR_INVALIDDATA) << c.name << ": " << desktop.error;
        EXPECT_EQ(web.result, c.loads ? D3D_OK : D3DXERR_INVALIDDATA) << c.name << ": " << web.error;
        EXPECT_EQ(web.format, desktop.format) << c.name;
        if (!c.loads)
            continue;
        // Untidiness changes nothing of the picture, in either build.
        EXPECT_EQ(desktop.image.pixels, (is_png ? decode_png(c.tidy) : decode_jpeg(c.tidy)).image.pixels)
            << c.name;
        EXPECT_EQ(web.image.pixels, (is_png ? decode_png_web(c.tidy) : decode_jpeg_web(c.tidy)).image.pixels)
            << c.name;
    }
}

} // namespace
