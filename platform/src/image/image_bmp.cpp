// BMP and DIB files for the texture loader, our own reader: OS/2 (12-byte) and Windows (40, 56, 108 and
// 124-byte) headers; 1, 4 and 8 bits a pixel through the file's palette; 16 and 32 bits as X1R5G5B5 and
// X8R8G8B8 or through bit fields; 24 bits. Rows bottom first, or top first when the height is negative.
// Every BMP loads as X8R8G8B8, as D3DX loads it: a fourth byte in 32-bit pixels is not alpha.
//
// The palette is what the file holds between its header and its pixel data, up to the header's colour
// count (OS/2: 3-byte entries, 2^bits of them; Windows: 4-byte entries, biClrUsed of them or 2^bits when it
// is 0). An index beyond the palette reads as opaque black, as GDI draws such indices, rather than refusing
// a file whose writer only listed the colours it meant to use: the picture never takes a colour from
// memory the file did not fill.
//
// Refused: run-length compression, sides beyond the limit, bit fields that are not one unbroken run of
// bits, and pixel rows that end before the file does.
#include "image/image_formats.h"

#include <algorithm>
#include <array>
#include <bit>
#include <optional>

namespace platform::d3dx9 {
namespace {

constexpr std::size_t file_header_bytes = 14;
constexpr std::uint32_t bi_rgb = 0;
constexpr std::uint32_t bi_bitfields = 3;

struct BmpHeader {
    std::uint32_t header = 0; // size of the info header
    std::int64_t width = 0;
    std::int64_t height = 0; // negative: top row first
    std::uint32_t bits = 0;
    std::uint32_t compression = bi_rgb;
    std::uint32_t colours_used = 0;
    std::uint32_t pixels_at = 0;
};

// One channel of a 16- or 32-bit pixel: its mask's run of bits, scaled to 0..255.
struct Field {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t top = 0; // the largest value the run holds

    std::uint32_t read(std::uint32_t pixel) const {
        if (top == 0)
            return 0;
        return static_cast<std::uint32_t>((((pixel & mask) >> shift) * 255 + top / 2) / top);
    }
};

std::optional<Field> field(std::uint32_t mask) {
    if (mask == 0)
        return Field{};
    const int shift = std::countr_zero(mask);
    const std::uint64_t top = std::uint64_t{mask} >> shift;
    if ((top & (top + 1)) != 0)
        return std::nullopt; // a mask with a gap in it
    return Field{mask, shift, top};
}

std::uint64_t row_bytes(const BmpHeader& h) {
    return (static_cast<std::uint64_t>(h.width) * h.bits + 31) / 32 * 4;
}

std::string read_header(Bytes b, BmpHeader& h) {
    if (b.size() < 26)
        return "the file ends inside its header";
    h.header = u32le(b, 14);
    h.pixels_at = u32le(b, 10);
    if (h.header == 12) {
        h.width = u16le(b, 18);
        h.height = u16le(b, 20);
        h.bits = u16le(b, 24);
        if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 24)
            return std::to_string(h.bits) + " bits a pixel";
    } else if (h.header == 40 || h.header == 56 || h.header == 108 || h.header == 124) {
        if (b.size() < file_header_bytes + 40)
            return "the file ends inside its header";
        h.width = static_cast<std::int32_t>(u32le(b, 18));
        h.height = static_cast<std::int32_t>(u32le(b, 22));
        h.bits = u16le(b, 28);
        h.compression = u32le(b, 30);
        h.colours_used = u32le(b, 46);
        if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
            return std::to_string(h.bits) + " bits a pixel";
        if (h.compression != bi_rgb && h.compression != bi_bitfields)
            return "compression " + std::to_string(h.compression) + " is not read";
        if (h.compression == bi_bitfields && h.bits != 16 && h.bits != 32)
            return "bit fields with " + std::to_string(h.bits) + " bits a pixel";
    } else {
        return "unknown header of " + std::to_string(h.header) + " bytes";
    }
    // A 40-byte header is followed by its three masks; the longer ones hold them.
    const std::uint64_t masks_end = h.header == 40 && h.compression == bi_bitfields ? 12 : 0;
    if (h.pixels_at < file_header_bytes + std::uint64_t{h.header} + masks_end)
        return "the pixel data starts inside the header";
    if (const std::string problem = size_problem(h.width, h.height < 0 ? -h.height : h.height);
        !problem.empty())
        return problem;
    return {};
}

// The colours the file holds, each entry past them black.
std::array<std::uint32_t, 256> read_palette(Bytes b, const BmpHeader& h) {
    std::array<std::uint32_t, 256> palette;
    palette.fill(0xFF000000u);
    const bool os2 = h.header == 12;
    const std::size_t entry_bytes = os2 ? 3 : 4;
    const std::size_t at = file_header_bytes + h.header;
    std::size_t count = std::size_t{1} << h.bits;
    if (!os2 && h.colours_used != 0 && h.colours_used < count)
        count = h.colours_used;
    count = std::min(count, (h.pixels_at - at) / entry_bytes); // the pixel data starts after `at`
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = b.data() + at + i * entry_bytes;
        palette[i] = argb(0xFF, p[2], p[1], p[0]);
    }
    return palette;
}

std::array<std::uint32_t, 3> masks(Bytes b, const BmpHeader& h) {
    if (h.compression == bi_bitfields)
        return {u32le(b, 54), u32le(b, 58), u32le(b, 62)};
    if (h.bits == 16)
        return {0x7C00u, 0x03E0u, 0x001Fu};
    return {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
}

} // namespace

std::uint64_t bmp_file_limit(Bytes head) {
    BmpHeader h;
    if (!read_header(head, h).empty())
        return head.size();
    const std::uint64_t rows = static_cast<std::uint64_t>(h.height < 0 ? -h.height : h.height);
    return std::uint64_t{h.pixels_at} + row_bytes(h) * rows;
}

DecodedImage decode_bmp(Bytes b) {
    BmpHeader h;
    if (const std::string problem = read_header(b, h); !problem.empty())
        return invalid("BMP: " + problem);
    const auto width = static_cast<std::uint64_t>(h.width);
    const auto rows = static_cast<std::uint64_t>(h.height < 0 ? -h.height : h.height);
    const std::uint64_t stride = row_bytes(h);
    if (std::uint64_t{h.pixels_at} + stride * rows > b.size())
        return invalid("BMP: the pixel rows end before the file does");

    std::array<std::uint32_t, 256> palette{};
    std::array<Field, 3> fields{};
    if (h.bits <= 8) {
        palette = read_palette(b, h);
    } else if (h.bits != 24) {
        const std::array<std::uint32_t, 3> m = masks(b, h);
        for (std::size_t c = 0; c < 3; ++c) {
            const std::optional<Field> f = field(m[c]);
            if (!f)
                return invalid("BMP: a bit field whose bits are not one run");
            fields[c] = *f;
        }
    }

    DecodedImage out = blank_image(width, rows, D3DFMT_X8R8G8B8);
    for (std::uint64_t y = 0; y < rows; ++y) {
        const std::uint64_t file_row = h.height < 0 ? y : rows - 1 - y;
        const std::uint8_t* row = b.data() + h.pixels_at + file_row * stride;
        std::uint32_t* pixel = out.image.pixels.data() + y * width;
        for (std::uint64_t x = 0; x < width; ++x) {
            switch (h.bits) {
            case 1:
            case 4:
            case 8: {
                const std::uint64_t bit = x * h.bits;
                const std::uint32_t shift = 8 - h.bits - static_cast<std::uint32_t>(bit % 8);
                pixel[x] = palette[(row[bit / 8] >> shift) & ((1u << h.bits) - 1)];
                break;
            }
            case 24:
                pixel[x] = argb(0xFF, row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                break;
            default: {
                const std::uint32_t v =
                    h.bits == 16 ? u16le(Bytes(row, stride), 2 * x) : u32le(Bytes(row, stride), 4 * x);
                pixel[x] = argb(0xFF, fields[0].read(v), fields[1].read(v), fields[2].read(v));
            }
            }
        }
    }
    return out;
}

} // namespace platform::d3dx9
