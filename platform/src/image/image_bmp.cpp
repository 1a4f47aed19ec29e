// BMP and DIB files for the texture loader, our own reader: OS/2 1.x (12-byte), OS/2 2.x (64-byte) and
// Windows (40, 56, 108 and 124-byte) headers; 1, 4 and 8 bits a pixel through the file's palette, 4 and 8
// bits run-length coded too (BI_RLE4, BI_RLE8); 16 and 32 bits as X1R5G5B5 and X8R8G8B8 or through bit
// fields; 24 bits. Rows bottom first, or top first when the height is negative.
//
// Images load as X8R8G8B8, as D3DX loads them, but for alpha: a 32-bit BI_RGB image whose fourth bytes are
// not all 0 loads as A8R8G8B8 with those bytes as alpha (all 0, they are padding, and it stays X8R8G8B8), and
// a 56, 108 or 124-byte header with an alpha mask that is not 0 loads as A8R8G8B8 with that field as alpha.
//
// The palette is what the file holds between its header and its pixel data, up to the header's colour
// count (OS/2 1.x: 3-byte entries, 2^bits of them; the others: 4-byte entries, biClrUsed of them or 2^bits
// when it is 0). An index beyond the palette reads as opaque black, as GDI draws such indices, rather than
// refusing a file whose writer only listed the colours it meant to use: the picture never takes a colour
// from memory the file did not fill.
//
// Run-length data is read as GDI reads it: a run of one index (RLE8) or of two alternating (RLE4), an
// absolute span padded to a 16-bit boundary, end of line, end of bitmap, and a delta that moves right and
// up (down in a top-first image). It is bounded by the rows the header gives: a delta that would pass the
// right edge or the last row ends the image there, as do data past the last row, data cut short and the
// end of the file. The pixels of a run or span past the right edge are dropped, as GDI drops them (writers
// such as ImageMagick's code each row's padding as pixels). Every pixel the data never reaches takes the
// colour of palette index 0, as D3DX and GDI leave them, rather than black or transparent: the picture is the
// one GDI draws of the file.
//
// Refused: OS/2 Huffman and RLE24 compression, run-length compression at other depths, sides beyond the
// limit, bit fields that are not one unbroken run of bits, files that end before their pixel rows do, and
// run-length files with no pixel data at all.
#include "image/image_formats.h"

#include <algorithm>
#include <array>
#include <bit>

namespace platform::image {
namespace {

constexpr std::size_t file_header_bytes = 14;
// The compressions BI_RGB, BI_RLE8, BI_RLE4 and BI_BITFIELDS (in an OS/2 2.x header, Huffman coding).
enum : std::uint32_t { bi_rgb, bi_rle8, bi_rle4, bi_bitfields };
constexpr std::uint32_t os2_header = 12;
constexpr std::uint32_t os2_v2_header = 64;

struct BmpHeader {
    std::uint32_t header = 0; // size of the info header
    std::int64_t width = 0;
    std::int64_t height = 0; // negative: top row first
    std::uint32_t bits = 0;
    std::uint32_t compression = bi_rgb;
    std::uint32_t colours_used = 0;
    std::uint32_t pixels_at = 0;
    std::uint32_t alpha_mask = 0; // 56, 108 and 124-byte headers

    bool run_length() const {
        return compression == bi_rle8 || compression == bi_rle4;
    }
};

// Whether a bit field's mask is one unbroken run of bits, or 0 (a channel the pixels do not have).
bool one_run(std::uint32_t mask) {
    const std::uint64_t run = std::uint64_t{mask} >> std::countr_zero(mask); // 0 for 0
    return (run & (run + 1)) == 0;
}

std::uint64_t row_bytes(const BmpHeader& h) {
    return (static_cast<std::uint64_t>(h.width) * h.bits + 31) / 32 * 4;
}

std::string read_header(Bytes b, BmpHeader& h) {
    if (b.size() < 26)
        return "the file ends inside its header";
    h.header = u32le(b, 14);
    h.pixels_at = u32le(b, 10);
    if (h.header == os2_header) {
        h.width = u16le(b, 18);
        h.height = u16le(b, 20);
        h.bits = u16le(b, 24);
        if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 24)
            return std::to_string(h.bits) + " bits a pixel";
    } else if (h.header == 40 || h.header == 56 || h.header == 108 || h.header == 124 ||
               h.header == os2_v2_header) {
        // The OS/2 2.x header starts as the Windows one does; what it adds (units, rendering, colour
        // encoding) does not change the pixels.
        if (b.size() < file_header_bytes + std::uint64_t{h.header})
            return "the file ends inside its header";
        h.width = static_cast<std::int32_t>(u32le(b, 18));
        h.height = static_cast<std::int32_t>(u32le(b, 22));
        h.bits = u16le(b, 28);
        h.compression = u32le(b, 30);
        h.colours_used = u32le(b, 46);
        if (h.header == 56 || h.header == 108 || h.header == 124)
            h.alpha_mask = u32le(b, 66);
        if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
            return std::to_string(h.bits) + " bits a pixel";
        const bool os2 = h.header == os2_v2_header;
        if (h.compression != bi_rgb && h.compression != bi_rle8 && h.compression != bi_rle4 &&
            (os2 || h.compression != bi_bitfields))
            return (os2 ? "OS/2 compression " : "compression ") + std::to_string(h.compression) +
                   " is not read";
        if (h.compression == bi_bitfields && h.bits != 16 && h.bits != 32)
            return "bit fields with " + std::to_string(h.bits) + " bits a pixel";
        if ((h.compression == bi_rle8 && h.bits != 8) || (h.compression == bi_rle4 && h.bits != 4))
            return "run-length compression " + std::to_string(h.compression) + " with " +
                   std::to_string(h.bits) + " bits a pixel";
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
    const bool os2 = h.header == os2_header;
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

// The alpha of 16 and 32-bit pixels: the header's alpha mask when it has one that is not 0, else in a
// 32-bit BI_RGB image the fourth byte when some pixel's is not 0; nothing otherwise.
std::uint32_t alpha_field_mask(Bytes b, const BmpHeader& h, std::uint64_t rows, std::uint64_t stride) {
    if (h.alpha_mask != 0 && (h.bits == 16 || h.bits == 32))
        return h.alpha_mask;
    if (h.bits != 32 || h.compression != bi_rgb)
        return 0;
    const std::uint64_t width = static_cast<std::uint64_t>(h.width);
    for (std::uint64_t y = 0; y < rows; ++y)
        for (std::uint64_t x = 0; x < width; ++x)
            if (b[h.pixels_at + y * stride + 4 * x + 3] != 0)
                return 0xFF000000u;
    return 0;
}

// The run-length coded pixel data `data` (BI_RLE8, or BI_RLE4 when `four`) drawn into `out`, whose every
// pixel holds palette index 0's colour beforehand. Rows are counted from the first one stored.
void draw_run_length(Bytes data, bool four, bool top_first, const std::array<std::uint32_t, 256>& palette,
                     DecodedImage& out) {
    const std::uint64_t width = out.image.width;
    const std::uint64_t rows = out.image.height;
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    const auto put = [&](std::uint32_t index) { // dropped past the right edge
        if (x < width)
            out.image.pixels[(top_first ? y : rows - 1 - y) * width + x] = palette[index];
        ++x;
    };
    std::size_t at = 0;
    while (y < rows && at + 2 <= data.size()) {
        const std::uint32_t count = data[at];
        const std::uint32_t value = data[at + 1];
        at += 2;
        if (count > 0) { // a run
            for (std::uint32_t i = 0; i < count; ++i)
                put(four ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
        } else if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return;
        } else if (value == 2) { // delta: right, then up
            if (at + 2 > data.size())
                return;
            x += data[at];
            y += data[at + 1];
            at += 2;
            if (x > width)
                return;
        } else { // an absolute span of `value` indices, padded to a 16-bit boundary
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            if (at + bytes > data.size())
                return;
            for (std::uint32_t i = 0; i < value; ++i)
                put(four ? (data[at + i / 2] >> (i % 2 == 0 ? 4 : 0)) & 15 : data[at + i]);
            at += bytes + bytes % 2;
        }
    }
}

} // namespace

std::uint64_t bmp_file_limit(Bytes head) {
    BmpHeader h;
    if (!read_header(head, h).empty())
        return head.size();
    const std::uint64_t rows = static_cast<std::uint64_t>(h.height < 0 ? -h.height : h.height);
    // Run-length data spends at most 2 bytes a pixel (runs of one), 2 on each row's end and 2 on the
    // bitmap's end, unless it wastes bytes on deltas that move nowhere.
    if (h.run_length())
        return std::uint64_t{h.pixels_at} + (2 * static_cast<std::uint64_t>(h.width) + 2) * rows + 2;
    return std::uint64_t{h.pixels_at} + row_bytes(h) * rows;
}

DecodedImage decode_bmp(Bytes b) {
    BmpHeader h;
    if (const std::string problem = read_header(b, h); !problem.empty())
        return invalid("BMP: " + problem);
    const auto width = static_cast<std::uint64_t>(h.width);
    const auto rows = static_cast<std::uint64_t>(h.height < 0 ? -h.height : h.height);
    const bool top_first = h.height < 0;
    if (h.run_length()) {
        if (h.pixels_at >= b.size())
            return invalid("BMP: no pixel data");
        const std::array<std::uint32_t, 256> palette = read_palette(b, h);
        DecodedImage out = blank_image(width, rows, D3DFMT_X8R8G8B8);
        std::fill(out.image.pixels.begin(), out.image.pixels.end(), palette[0]);
        draw_run_length(b.subspan(h.pixels_at), h.compression == bi_rle4, top_first, palette, out);
        return out;
    }
    const std::uint64_t stride = row_bytes(h);
    if (std::uint64_t{h.pixels_at} + stride * rows > b.size())
        return invalid("BMP: the file ends before its pixel rows do");

    std::array<std::uint32_t, 256> palette{};
    std::array<std::uint32_t, 4> fields{}; // the masks of red, green, blue and alpha
    std::uint32_t alpha = 0;
    if (h.bits <= 8) {
        palette = read_palette(b, h);
    } else if (h.bits != 24) {
        const std::array<std::uint32_t, 3> m = masks(b, h);
        alpha = alpha_field_mask(b, h, rows, stride);
        fields = {m[0], m[1], m[2], alpha};
        if (!std::all_of(fields.begin(), fields.end(), one_run))
            return invalid("BMP: a bit field whose bits are not one run");
    }
    const auto field = [&fields](std::uint32_t pixel, std::size_t c) {
        return fields[c] == 0 ? 0 : masked_channel(pixel, fields[c]);
    };

    DecodedImage out = blank_image(width, rows, alpha != 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8);
    for (std::uint64_t y = 0; y < rows; ++y) {
        const std::uint64_t file_row = top_first ? y : rows - 1 - y;
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
                pixel[x] = argb(alpha != 0 ? field(v, 3) : 0xFF, field(v, 0), field(v, 1), field(v, 2));
            }
            }
        }
    }
    return out;
}

} // namespace platform::image
