// Targa (TGA) files for the texture loader, our own reader: colour-mapped (8-bit indices into a 15-, 16-,
// 24- or 32-bit map), true-colour (15, 16, 24, 32 bits) and grey (8 bits), each uncompressed or run-length
// encoded, with either row order and either column order. 32-bit pixels (and 32-bit maps) keep their
// alpha and load as A8R8G8B8; everything else loads as X8R8G8B8. Pixel data shorter than the header's size
// needs is refused before the image is allocated: exactly for uncompressed data, and for run-length data
// when even one-packet-per-128-pixels could not fill the image; a run that ends early is refused too.
#include "image/image_formats.h"

#include <vector>

namespace platform::image {
namespace {

constexpr std::size_t header_bytes = 18;

struct TgaHeader {
    std::uint32_t id_length, map_type, image_type, map_first, map_length, map_bits;
    std::uint32_t width, height, bits, descriptor;
};

TgaHeader read_header(Bytes b) {
    return {b[0], b[1], b[2], u16le(b, 3), u16le(b, 5), b[7], u16le(b, 12), u16le(b, 14), b[16], b[17]};
}

bool colour_mapped(const TgaHeader& h) {
    return (h.image_type & 7) == 1;
}

// Reads one pixel (or map entry) of `bits` bits at p as 0xAARRGGBB.
std::uint32_t read_colour(const std::uint8_t* p, std::uint32_t bits) {
    switch (bits) {
    case 8:
        return argb(0xFF, p[0], p[0], p[0]);
    case 15:
    case 16: {
        const std::uint32_t v = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8;
        const auto five = [](std::uint32_t x) { return (x & 31) * 255 / 31; };
        return argb(0xFF, five(v >> 10), five(v >> 5), five(v));
    }
    case 24:
        return argb(0xFF, p[2], p[1], p[0]);
    default:
        return argb(p[3], p[2], p[1], p[0]);
    }
}

} // namespace

bool looks_like_tga(Bytes b) {
    if (b.size() < header_bytes)
        return false;
    const TgaHeader h = read_header(b);
    const std::uint32_t kind = h.image_type & ~8u; // 9, 10, 11: the run-length forms of 1, 2, 3
    if (h.map_type > 1 || (h.image_type & ~11u) != 0 || kind == 0 || kind > 3)
        return false;
    if (kind == 1)
        return h.map_type == 1 && h.bits == 8 &&
               (h.map_bits == 15 || h.map_bits == 16 || h.map_bits == 24 || h.map_bits == 32);
    if (kind == 2)
        return h.bits == 15 || h.bits == 16 || h.bits == 24 || h.bits == 32;
    return h.bits == 8;
}

std::uint64_t tga_file_limit(Bytes head) {
    if (!looks_like_tga(head))
        return head.size();
    const TgaHeader h = read_header(head);
    // Run-length data at its longest (a packet for every pixel), and 64 KiB for the developer and extension
    // areas and the footer.
    const std::uint64_t map_bytes =
        h.map_type == 1 ? std::uint64_t{h.map_length} * ((h.map_bits + 7) / 8) : 0;
    const std::uint64_t pixels = std::uint64_t{h.width} * h.height * (1 + (h.bits + 7) / 8);
    return header_bytes + h.id_length + map_bytes + pixels + (64 << 10);
}

DecodedImage decode_tga(Bytes b) {
    if (!looks_like_tga(b))
        return invalid("TGA: unsupported or malformed header");
    const TgaHeader h = read_header(b);
    if (const std::string problem = size_problem(h.width, h.height); !problem.empty())
        return invalid("TGA: " + problem);
    const std::size_t map_entry = (h.map_bits + 7) / 8;
    const std::size_t map_at = header_bytes + h.id_length;
    const std::size_t map_bytes = h.map_type == 1 ? std::size_t{h.map_length} * map_entry : 0;
    const std::size_t data_at = map_at + map_bytes;
    if (data_at > b.size())
        return invalid("TGA: the file ends inside its colour map");
    const std::size_t pixel_bytes = (h.bits + 7) / 8;
    const std::uint64_t count = std::uint64_t{h.width} * h.height;
    const std::size_t available = b.size() - data_at;
    const bool rle = (h.image_type & 8) != 0;
    const std::uint64_t needed = rle ? (count + 127) / 128 * (1 + pixel_bytes) : count * pixel_bytes;
    if (needed > available)
        return invalid("TGA: the pixel data ends before " + std::to_string(h.width) + " x " +
                       std::to_string(h.height) + " pixels");

    const bool alpha = (colour_mapped(h) ? h.map_bits : h.bits) == 32;
    DecodedImage out = blank_image(h.width, h.height, alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8);
    std::vector<std::uint32_t> pixels(count); // in file order
    const auto colour = [&](const std::uint8_t* p, std::uint32_t& into) {
        if (!colour_mapped(h)) {
            into = read_colour(p, h.bits);
            return true;
        }
        if (p[0] < h.map_first || p[0] - h.map_first >= h.map_length)
            return false;
        into = read_colour(b.data() + map_at + std::size_t{p[0] - h.map_first} * map_entry, h.map_bits);
        return true;
    };
    std::size_t at = data_at;
    for (std::uint64_t i = 0; i < count;) {
        std::uint64_t run = 1;
        bool repeat = false;
        if (rle) {
            if (at >= b.size())
                return invalid("TGA: the run-length data ends early");
            run = (b[at] & 0x7Fu) + 1u;
            repeat = (b[at] & 0x80) != 0;
            ++at;
            if (run > count - i)
                return invalid("TGA: a run goes past the last pixel");
        }
        for (std::uint64_t k = 0; k < run; ++k, ++i) {
            if (k == 0 || !repeat) {
                if (pixel_bytes > b.size() - at)
                    return invalid("TGA: the pixel data ends early");
                if (!colour(b.data() + at, pixels[i]))
                    return invalid("TGA: colour index outside the map");
                at += pixel_bytes;
            } else {
                pixels[i] = pixels[i - 1];
            }
        }
    }
    // Descriptor bit 5: the first row is the top one; bit 4: the first column is the right one.
    const bool top_first = (h.descriptor & 0x20) != 0;
    const bool right_first = (h.descriptor & 0x10) != 0;
    for (std::uint32_t y = 0; y < h.height; ++y) {
        const std::uint32_t source_row = top_first ? y : h.height - 1 - y;
        for (std::uint32_t x = 0; x < h.width; ++x) {
            const std::uint32_t source_column = right_first ? h.width - 1 - x : x;
            out.image.pixels[std::size_t{y} * h.width + x] =
                pixels[std::size_t{source_row} * h.width + source_column];
        }
    }
    return out;
}

} // namespace platform::image
