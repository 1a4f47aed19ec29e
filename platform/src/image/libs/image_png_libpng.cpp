// PNG files for the texture loader, decoded with libpng: every colour type and bit depth, palettes and
// transparency chunks expanded to alpha, 16-bit channels scaled to 8 bits, interlacing undone, gamma and
// colour-profile chunks ignored (the samples are taken as they are stored). An RGBA, grey + alpha, or
// tRNS image becomes A8R8G8B8, anything else X8R8G8B8.
#include "image/image_formats.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace platform::image {
namespace {

struct PngRead {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Bytes bytes;
    std::size_t at = 0;
    char message[160] = {};
    DecodedImage out;
    std::vector<png_bytep> rows;

    PngRead() = default;
    PngRead(const PngRead&) = delete;
    PngRead& operator=(const PngRead&) = delete;
    ~PngRead() {
        if (png != nullptr)
            png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    }
};

// libpng's error callback must not return: it jumps back to decode_png's setjmp.
[[noreturn]] void on_error(png_structp png, png_const_charp message) {
    auto* read = static_cast<PngRead*>(png_get_error_ptr(png));
    std::snprintf(read->message, sizeof read->message, "%s", message);
    png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp) {}

void on_read(png_structp png, png_bytep out, size_t count) {
    auto* read = static_cast<PngRead*>(png_get_io_ptr(png));
    if (count > read->bytes.size() - read->at)
        png_error(png, "the file ends before its image data does");
    std::memcpy(out, read->bytes.data() + read->at, count);
    read->at += count;
}

} // namespace

DecodedImage decode_png(Bytes bytes) {
    // Everything that lives across the setjmp is made before it and held in `read`, whose address libpng
    // holds, so a jump back destroys nothing early and finds nothing stale.
    PngRead read;
    read.bytes = bytes;

    read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &read, on_error, on_warning);
    if (read.png == nullptr)
        return failure(E_OUTOFMEMORY, "out of memory");
    read.info = png_create_info_struct(read.png);
    if (read.info == nullptr)
        return failure(E_OUTOFMEMORY, "out of memory");
    png_set_read_fn(read.png, &read, on_read);
    png_set_user_limits(read.png, max_image_side, max_image_side);
    if (setjmp(png_jmpbuf(read.png)))
        return invalid(std::string("PNG: ") + read.message);

    png_read_info(read.png, read.info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colour = 0;
    png_get_IHDR(read.png, read.info, &width, &height, &depth, &colour, nullptr, nullptr, nullptr);
    if (const std::string problem = size_problem(width, height); !problem.empty())
        return invalid("PNG: " + problem);
    const std::uint64_t stored = (std::uint64_t{png_get_rowbytes(read.png, read.info)} + 1) * height;
    if (stored > max_inflate_ratio * bytes.size())
        return invalid("PNG: the file is too short to hold " + std::to_string(width) + " x " +
                       std::to_string(height) + " pixels");
    const bool alpha =
        (colour & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(read.png, read.info, PNG_INFO_tRNS);

    png_set_expand(read.png);
    png_set_scale_16(read.png);
    png_set_gray_to_rgb(read.png);
    png_set_bgr(read.png);
    png_set_filler(read.png, 0xFF, PNG_FILLER_AFTER); // only where there is no alpha
    png_set_interlace_handling(read.png);
    png_read_update_info(read.png, read.info);
    if (png_get_rowbytes(read.png, read.info) != std::size_t{width} * 4)
        return invalid("PNG: unexpected row layout");

    // B, G, R, A bytes are 0xAARRGGBB words in memory.
    read.out = blank_image(width, height, alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8);
    read.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        read.rows[y] = reinterpret_cast<png_bytep>(read.out.image.pixels.data() + std::size_t{y} * width);
    png_read_image(read.png, read.rows.data());
    return std::move(read.out);
}

} // namespace platform::image
