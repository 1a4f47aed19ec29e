// BMP and DIB files for the texture loader, decoded with stb_image behind our own header checks: OS/2 and
// Windows headers (12, 40, 56, 108 and 124 bytes), 1, 4, 8, 16, 24 and 32 bits a pixel, uncompressed or
// with bit fields. Every BMP loads as X8R8G8B8, as D3DX loads it: a fourth byte in 32-bit pixels is not
// alpha. Refused before stb_image sees them: run-length compression, sides beyond the limit, and pixel
// rows that end before the file does (stb_image would read the missing rows as black).
#include "image_formats.h"

#include <stb_image.h>

#include <climits>

namespace platform::d3dx9 {
namespace {

struct StbiPixels {
    stbi_uc* data = nullptr;
    StbiPixels() = default;
    StbiPixels(const StbiPixels&) = delete;
    StbiPixels& operator=(const StbiPixels&) = delete;
    ~StbiPixels() {
        if (data != nullptr)
            stbi_image_free(data);
    }
};

} // namespace

DecodedImage decode_bmp(Bytes b) {
    if (b.size() < 26)
        return invalid("BMP: the file ends inside its header");
    if (b.size() > static_cast<std::size_t>(INT_MAX))
        return invalid("BMP: file too large");
    const std::uint32_t header = u32le(b, 14);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bits = 0;
    std::uint32_t compression = 0;
    if (header == 12) {
        width = u16le(b, 18);
        height = u16le(b, 20);
        bits = u16le(b, 24);
    } else if (header == 40 || header == 56 || header == 108 || header == 124) {
        if (b.size() < 14 + std::size_t{header})
            return invalid("BMP: the file ends inside its header");
        width = static_cast<std::int32_t>(u32le(b, 18));
        height = static_cast<std::int32_t>(u32le(b, 22));
        bits = u16le(b, 28);
        compression = u32le(b, 30);
    } else {
        return invalid("BMP: unknown header of " + std::to_string(header) + " bytes");
    }
    if (compression != 0 && compression != 3) // BI_RGB, BI_BITFIELDS
        return invalid("BMP: compression " + std::to_string(compression) + " is not read");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return invalid("BMP: " + std::to_string(bits) + " bits a pixel");
    if (u32le(b, 10) < 14 + header)
        return invalid("BMP: the pixel data starts inside the header");
    const std::int64_t rows = height < 0 ? -height : height; // negative: top row first
    if (const std::string problem = size_problem(width, rows); !problem.empty())
        return invalid("BMP: " + problem);
    const std::uint64_t row_bytes = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    if (std::uint64_t{u32le(b, 10)} + row_bytes * static_cast<std::uint64_t>(rows) > b.size())
        return invalid("BMP: the pixel rows end before the file does");

    StbiPixels pixels;
    int loaded_width = 0;
    int loaded_height = 0;
    int channels = 0;
    pixels.data = stbi_load_from_memory(b.data(), static_cast<int>(b.size()), &loaded_width, &loaded_height,
                                        &channels, 4);
    if (pixels.data == nullptr)
        return invalid(std::string("BMP: ") + stbi_failure_reason());
    if (loaded_width != width || loaded_height != rows)
        return invalid("BMP: image size differs from its header");
    DecodedImage out =
        blank_image(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(rows), D3DFMT_X8R8G8B8);
    for (std::size_t i = 0; i < out.image.pixels.size(); ++i) {
        const stbi_uc* p = pixels.data + i * 4;
        out.image.pixels[i] = argb(0xFF, p[0], p[1], p[2]);
    }
    return out;
}

} // namespace platform::d3dx9
