// DirectDraw Surface (DDS) files for the texture loader, our own reader of the first level of a 2-D
// texture: uncompressed pixels described by bit masks (8, 16, 24 or 32 bits: RGB with or without alpha,
// luminance, alpha only) and the block-compressed DXT1, DXT3 and DXT5. The file's own mip levels are
// left out and the chain is made again from level 0, like any other image. Images with alpha load as
// A8R8G8B8, the rest as X8R8G8B8 (the device takes nothing else). Cube maps, volumes, the DX10 header and
// other FourCC formats are refused, and so is a file too short for its first level, before the image is
// allocated.
#include "image/image_formats.h"

namespace platform::image {
namespace {

constexpr std::size_t data_at = 128;
constexpr std::uint32_t ddpf_alphapixels = 0x1;
constexpr std::uint32_t ddpf_alpha = 0x2;
constexpr std::uint32_t ddpf_fourcc = 0x4;
constexpr std::uint32_t ddpf_rgb = 0x40;
constexpr std::uint32_t ddpf_luminance = 0x20000;
constexpr std::uint32_t ddscaps2_cubemap = 0x200;
constexpr std::uint32_t ddscaps2_volume = 0x200000;

constexpr std::uint32_t fourcc(const char (&s)[5]) {
    return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
           std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

// One channel of a pixel through its mask; `absent` where the mask is empty.
std::uint32_t channel(std::uint32_t pixel, std::uint32_t mask, std::uint32_t absent) {
    return mask == 0 ? absent : masked_channel(pixel, mask);
}

std::uint32_t rgb565(std::uint32_t v) {
    const std::uint32_t r = (v >> 11) & 31;
    const std::uint32_t g = (v >> 5) & 63;
    const std::uint32_t b = v & 31;
    return argb(0xFF, (r * 255 + 15) / 31, (g * 255 + 31) / 63, (b * 255 + 15) / 31);
}

// Mixes two 0xAARRGGBB colours a:b in thirds or halves (weights wa + wb = total), alpha left opaque.
std::uint32_t mix(std::uint32_t a, std::uint32_t b, std::uint32_t wa, std::uint32_t wb) {
    const std::uint32_t total = wa + wb;
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
        out |= (((a >> shift & 0xFF) * wa + (b >> shift & 0xFF) * wb + total / 2) / total) << shift;
    return out;
}

// The 16 colours of a DXT colour block; `four` forces the four-colour mode (DXT3, DXT5).
void colour_block(const std::uint8_t* p, bool four, std::uint32_t (&out)[16]) {
    const std::uint32_t c0 = u16le(Bytes(p, 4), 0);
    const std::uint32_t c1 = u16le(Bytes(p, 4), 2);
    std::uint32_t palette[4] = {rgb565(c0), rgb565(c1), 0, 0};
    if (four || c0 > c1) {
        palette[2] = mix(palette[0], palette[1], 2, 1);
        palette[3] = mix(palette[0], palette[1], 1, 2);
    } else {
        palette[2] = mix(palette[0], palette[1], 1, 1);
        palette[3] = 0x00000000u; // transparent black
    }
    const std::uint32_t indices = u32le(Bytes(p + 4, 4), 0);
    for (int i = 0; i < 16; ++i)
        out[i] = palette[(indices >> (2 * i)) & 3];
}

void alpha_block_dxt3(const std::uint8_t* p, std::uint32_t (&out)[16]) {
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t a = (p[i / 2] >> (4 * (i % 2))) & 15;
        out[i] = (out[i] & 0x00FFFFFFu) | (a * 17) << 24;
    }
}

void alpha_block_dxt5(const std::uint8_t* p, std::uint32_t (&out)[16]) {
    const std::uint32_t a0 = p[0];
    const std::uint32_t a1 = p[1];
    std::uint32_t palette[8] = {a0, a1};
    if (a0 > a1) {
        for (std::uint32_t i = 1; i < 7; ++i)
            palette[i + 1] = ((7 - i) * a0 + i * a1 + 3) / 7;
    } else {
        for (std::uint32_t i = 1; i < 5; ++i)
            palette[i + 1] = ((5 - i) * a0 + i * a1 + 2) / 5;
        palette[6] = 0;
        palette[7] = 255;
    }
    std::uint64_t bits = 0;
    for (int i = 0; i < 6; ++i)
        bits |= std::uint64_t{p[2 + i]} << (8 * i);
    for (int i = 0; i < 16; ++i)
        out[i] = (out[i] & 0x00FFFFFFu) | palette[(bits >> (3 * i)) & 7] << 24;
}

} // namespace

std::uint64_t dds_file_limit(Bytes head) {
    if (head.size() < data_at)
        return head.size();
    // The first level is all that is read, at 4 bytes a pixel at most (a block-compressed level of a side
    // under 4 takes up to 16 bytes a pixel); twice that leaves room for the file's own chain after it.
    const std::uint64_t level = std::uint64_t{u32le(head, 12)} * u32le(head, 16) * 4;
    return data_at + 2 * level + 1024;
}

DecodedImage decode_dds(Bytes b) {
    if (b.size() < data_at || u32le(b, 4) != 124 || u32le(b, 76) != 32)
        return invalid("DDS: malformed header");
    const std::uint32_t height = u32le(b, 12);
    const std::uint32_t width = u32le(b, 16);
    const std::uint32_t flags = u32le(b, 80);
    const std::uint32_t code = u32le(b, 84);
    const std::uint32_t bits = u32le(b, 88);
    const std::uint32_t masks[4] = {u32le(b, 92), u32le(b, 96), u32le(b, 100), u32le(b, 104)};
    if ((u32le(b, 112) & (ddscaps2_cubemap | ddscaps2_volume)) != 0)
        return invalid("DDS: cube maps and volumes are not read");
    if (const std::string problem = size_problem(width, height); !problem.empty())
        return invalid("DDS: " + problem);
    const Bytes data = b.subspan(data_at);
    const std::uint64_t blocks = (std::uint64_t{width} + 3) / 4 * ((std::uint64_t{height} + 3) / 4);
    const std::string too_short = "DDS: the pixel data ends before " + std::to_string(width) + " x " +
                                  std::to_string(height) + " pixels";

    if ((flags & ddpf_fourcc) != 0) {
        const bool dxt1 = code == fourcc("DXT1");
        if (!dxt1 && code != fourcc("DXT3") && code != fourcc("DXT5"))
            return invalid("DDS: only DXT1, DXT3 and DXT5 compression is read");
        const std::size_t block_bytes = dxt1 ? 8 : 16;
        if (blocks * block_bytes > data.size())
            return invalid(too_short);
        DecodedImage out = blank_image(width, height, dxt1 ? D3DFMT_X8R8G8B8 : D3DFMT_A8R8G8B8);
        const std::uint32_t across = (width + 3) / 4;
        bool transparent = false;
        for (std::uint64_t k = 0; k < blocks; ++k) {
            const std::uint8_t* p = data.data() + k * block_bytes;
            std::uint32_t texels[16];
            colour_block(dxt1 ? p : p + 8, !dxt1, texels);
            if (code == fourcc("DXT3"))
                alpha_block_dxt3(p, texels);
            else if (code == fourcc("DXT5"))
                alpha_block_dxt5(p, texels);
            const std::uint32_t bx = static_cast<std::uint32_t>(k % across) * 4;
            const std::uint32_t by = static_cast<std::uint32_t>(k / across) * 4;
            for (std::uint32_t i = 0; i < 16; ++i) {
                const std::uint32_t x = bx + i % 4;
                const std::uint32_t y = by + i / 4;
                if (x < width && y < height) {
                    out.image.pixels[std::size_t{y} * width + x] = texels[i];
                    transparent = transparent || texels[i] >> 24 != 0xFF;
                }
            }
        }
        if (dxt1 && transparent) // DXT1's one-bit alpha is used
            out.format = D3DFMT_A8R8G8B8;
        return out;
    }

    if ((flags & (ddpf_rgb | ddpf_luminance | ddpf_alpha)) == 0 ||
        (bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return invalid("DDS: unsupported pixel format");
    const std::size_t pixel_bytes = bits / 8;
    if (std::uint64_t{width} * height * pixel_bytes > data.size())
        return invalid(too_short);
    const bool alpha = (flags & ddpf_alpha) != 0 || ((flags & ddpf_alphapixels) != 0 && masks[3] != 0);
    DecodedImage out = blank_image(width, height, alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8);
    for (std::size_t i = 0; i < out.image.pixels.size(); ++i) {
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < pixel_bytes; ++k)
            v |= std::uint32_t{data[i * pixel_bytes + k]} << (8 * k);
        const std::uint32_t a = alpha ? channel(v, masks[3], 0xFF) : 0xFF;
        if ((flags & ddpf_luminance) != 0) {
            const std::uint32_t l = channel(v, masks[0], 0);
            out.image.pixels[i] = argb(a, l, l, l);
        } else if ((flags & ddpf_rgb) != 0) {
            out.image.pixels[i] =
                argb(a, channel(v, masks[0], 0), channel(v, masks[1], 0), channel(v, masks[2], 0));
        } else {
            out.image.pixels[i] = argb(a, 0, 0, 0); // alpha only
        }
    }
    return out;
}

} // namespace platform::image
