// PNG files for the texture loader in the web build, which has no libpng: decoded with stb_image behind our
// own header checks, to the same texels as the desktop's libpng reader (image_png_libpng.cpp): every colour
// type and bit depth, palettes and transparency chunks expanded to alpha, 16-bit channels scaled to 8 bits
// with libpng's rounding, interlacing undone, gamma and colour-profile chunks ignored. An RGBA, grey + alpha,
// or tRNS image becomes A8R8G8B8, anything else X8R8G8B8. Refused before stb_image sees them: a broken
// signature or header, sides beyond the limit, files too short to inflate to the image they claim, and an
// empty first image data chunk. A file whose end chunk (IEND) is cut short, or missing, after complete
// chunks is read, as libpng reads it (it stops at the image data's end): stb_image gets the file with the
// end chunk whole, since it inflates the image data only when it reaches that chunk.
#include "image/image_formats.h"

#include <stb_image.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <string_view>
#include <vector>

namespace platform::d3dx9 {
namespace {

// Deflate cannot expand its input more than 1032 times, so image data larger than that many times the
// whole file cannot be in it: such a file is refused before the image is allocated.
constexpr std::uint64_t max_inflate_ratio = 1032;

bool chunk_is(Bytes b, std::size_t at, std::string_view type) {
    for (std::size_t i = 0; i < 4; ++i)
        if (b[at + 4 + i] != static_cast<std::uint8_t>(type[i]))
            return false;
    return true;
}

// Whether a tRNS chunk comes before the image data.
bool has_transparency_chunk(Bytes b) {
    std::size_t at = 8;
    while (at + 12 <= b.size()) {
        if (chunk_is(b, at, "IDAT") || chunk_is(b, at, "IEND"))
            return false;
        if (chunk_is(b, at, "tRNS"))
            return true;
        at += std::size_t{12} + u32be(b, at);
    }
    return false;
}

// Whether the first image data chunk is empty. libpng refuses such a file ("not enough image data"), and
// stb_image would copy that chunk from a null pointer (harmless, but undefined): refused here too.
bool first_data_chunk_empty(Bytes b) {
    std::size_t at = 8;
    while (at + 12 <= b.size() && !chunk_is(b, at, "IDAT"))
        at += std::size_t{12} + u32be(b, at);
    return at + 12 <= b.size() && u32be(b, at) == 0;
}

// The file with its end chunk made whole, when the bytes after its last complete chunk are the start of an
// end chunk (or none); nothing when it needs no mending or cannot be mended so.
std::vector<std::uint8_t> with_whole_end(Bytes b) {
    static constexpr std::uint8_t end_chunk[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    std::size_t at = 8;
    while (at + 12 <= b.size()) {
        if (chunk_is(b, at, "IEND"))
            return {};
        at += std::size_t{12} + u32be(b, at);
    }
    if (at > b.size() || !std::equal(b.begin() + static_cast<std::ptrdiff_t>(at), b.end(), end_chunk))
        return {};
    std::vector<std::uint8_t> mended(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(at));
    mended.insert(mended.end(), std::begin(end_chunk), std::end(end_chunk));
    return mended;
}

template <typename T> struct StbiPixels {
    T* data = nullptr;
    StbiPixels() = default;
    StbiPixels(const StbiPixels&) = delete;
    StbiPixels& operator=(const StbiPixels&) = delete;
    ~StbiPixels() {
        if (data != nullptr)
            stbi_image_free(data);
    }
};

} // namespace

DecodedImage decode_png(Bytes b) {
    if (b.size() < 33 || u32be(b, 8) != 13 || !chunk_is(b, 8, "IHDR"))
        return invalid("PNG: the file ends inside its header");
    if (b.size() > static_cast<std::size_t>(INT_MAX))
        return invalid("PNG: file too large");
    const std::uint32_t width = u32be(b, 16);
    const std::uint32_t height = u32be(b, 20);
    const unsigned depth = b[24];
    const unsigned colour = b[25];
    if (width > 0x7FFFFFFFu || height > 0x7FFFFFFFu)
        return invalid("PNG: image size exceeds the format's limits");
    if (const std::string problem = size_problem(width, height); !problem.empty())
        return invalid("PNG: " + problem);
    unsigned channels = 0;
    switch (colour) {
    case 0:
        channels = 1;
        break;
    case 2:
        channels = 3;
        break;
    case 3:
        channels = 1;
        break;
    case 4:
        channels = 2;
        break;
    case 6:
        channels = 4;
        break;
    default:
        return invalid("PNG: invalid colour type");
    }
    const bool depth_ok = (depth == 8) || (depth == 16 && colour != 3) ||
                          ((depth == 1 || depth == 2 || depth == 4) && (colour == 0 || colour == 3));
    if (!depth_ok || b[26] != 0 || b[27] != 0 || b[28] > 1)
        return invalid("PNG: invalid header");
    const std::uint64_t row_bytes = (std::uint64_t{width} * channels * depth + 7) / 8;
    if ((row_bytes + 1) * height > max_inflate_ratio * b.size())
        return invalid("PNG: the file is too short to hold " + std::to_string(width) + " x " +
                       std::to_string(height) + " pixels");
    const bool alpha = (colour & 4) != 0 || has_transparency_chunk(b);
    if (first_data_chunk_empty(b))
        return invalid("PNG: the first image data chunk is empty");

    const std::vector<std::uint8_t> mended = with_whole_end(b);
    if (!mended.empty())
        b = mended;
    int w = 0, h = 0, n = 0;
    DecodedImage out;
    if (depth == 16) {
        StbiPixels<stbi_us> pixels;
        pixels.data = stbi_load_16_from_memory(b.data(), static_cast<int>(b.size()), &w, &h, &n, 4);
        if (pixels.data == nullptr)
            return invalid(std::string("PNG: ") + stbi_failure_reason());
        if (static_cast<std::uint32_t>(w) != width || static_cast<std::uint32_t>(h) != height)
            return invalid("PNG: unexpected image size");
        out = blank_image(width, height, alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8);
        // libpng's png_set_scale_16: the nearest 8-bit value.
        const auto scale = [](stbi_us v) { return (std::uint32_t{v} * 255u + 32895u) >> 16; };
        for (std::size_t i = 0; i < out.image.pixels.size(); ++i) {
            const stbi_us* p = pixels.data + i * 4;
            out.image.pixels[i] = argb(alpha ? scale(p[3]) : 0xFF, scale(p[0]), scale(p[1]), scale(p[2]));
        }
        return out;
    }
    StbiPixels<stbi_uc> pixels;
    pixels.data = stbi_load_from_memory(b.data(), static_cast<int>(b.size()), &w, &h, &n, 4);
    if (pixels.data == nullptr)
        return invalid(std::string("PNG: ") + stbi_failure_reason());
    if (static_cast<std::uint32_t>(w) != width || static_cast<std::uint32_t>(h) != height)
        return invalid("PNG: unexpected image size");
    out = blank_image(width, height, alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8);
    for (std::size_t i = 0; i < out.image.pixels.size(); ++i) {
        const stbi_uc* p = pixels.data + i * 4;
        out.image.pixels[i] = argb(alpha ? p[3] : 0xFF, p[0], p[1], p[2]);
    }
    return out;
}

} // namespace platform::d3dx9
