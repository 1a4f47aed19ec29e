// Radiance HDR (RGBE) files for the texture loader, our own reader: the "#?RADIANCE" / "#?RGBE" header with
// FORMAT=32-bit_rle_rgbe (or none), the "-Y height +X width" orientation, and scanlines either flat or in
// the run-length form (each channel's runs and literals coded separately). Colours are the linear RGBE
// values clamped to 0..1 and brought to 8 bits, as X8R8G8B8 (the device takes nothing wider). A run or
// literal of length 0, one that goes past the scanline, and data that ends early are refused (a run of 0
// never advances); so is a file too short for its scanlines, before the image is allocated.
#include "image/image_formats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::image {
namespace {

// The least a scanline of `width` pixels can take: flat, 4 bytes a pixel; run-length, a 4-byte marker
// and for each channel one 2-byte run per 127 pixels.
std::uint64_t least_scanline_bytes(std::uint32_t width) {
    if (width < 8 || width > 0x7FFF)
        return std::uint64_t{width} * 4;
    return 4 + 4 * 2 * ((std::uint64_t{width} + 126) / 127);
}

std::uint32_t rgbe_to_argb(const std::uint8_t* p) {
    if (p[3] == 0)
        return 0xFF000000u;
    const float scale = std::ldexp(1.0f, static_cast<int>(p[3]) - (128 + 8));
    return argb(0xFF, unit_to_byte(p[0] * scale), unit_to_byte(p[1] * scale), unit_to_byte(p[2] * scale));
}

// Reads the header lines and the resolution line: the size into w and h, `at` left on the first scanline.
// An empty string, or why the header cannot be read.
std::string read_header(Bytes b, std::uint32_t& w, std::uint32_t& h, std::size_t& at) {
    // Header lines up to an empty line, then the resolution line.
    at = 0;
    const auto line = [&]() -> std::optional<std::string_view> {
        const std::size_t start = at;
        while (at < b.size() && b[at] != '\n')
            ++at;
        if (at >= b.size())
            return std::nullopt;
        return std::string_view(reinterpret_cast<const char*>(b.data()) + start, at++ - start);
    };
    const auto first = line();
    if (!first || (*first != "#?RADIANCE" && *first != "#?RGBE"))
        return "HDR: not a Radiance file";
    for (;;) {
        const auto text = line();
        if (!text)
            return "HDR: the file ends inside its header";
        if (text->empty())
            break;
        if (text->starts_with("FORMAT=") && *text != "FORMAT=32-bit_rle_rgbe")
            return "HDR: only 32-bit_rle_rgbe is read";
    }
    const auto resolution = line();
    if (!resolution)
        return "HDR: no resolution line";
    const std::string size_text(*resolution);
    unsigned long height = 0;
    unsigned long width = 0;
    int consumed = 0;
    if (size_text.size() > 40 ||
        std::sscanf(size_text.c_str(), "-Y %9lu +X %9lu%n", &height, &width, &consumed) != 2 ||
        static_cast<std::size_t>(consumed) != size_text.size())
        return "HDR: only the -Y height +X width orientation is read";
    if (const std::string problem =
            size_problem(static_cast<std::int64_t>(width), static_cast<std::int64_t>(height));
        !problem.empty())
        return "HDR: " + problem;
    w = static_cast<std::uint32_t>(width);
    h = static_cast<std::uint32_t>(height);
    return {};
}

} // namespace

std::uint64_t hdr_file_limit(Bytes head) {
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    std::size_t at = 0;
    if (!read_header(head, w, h, at).empty())
        return head.size();
    // A run-length scanline at its longest: its marker, then each channel in literals of one byte.
    return at + std::uint64_t{h} * (4 + 8 * std::uint64_t{w});
}

DecodedImage decode_hdr(Bytes b) {
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    std::size_t at = 0;
    if (const std::string problem = read_header(b, w, h, at); !problem.empty())
        return invalid(problem);
    if (least_scanline_bytes(w) * h > b.size() - at)
        return invalid("HDR: the pixel data ends before " + std::to_string(w) + " x " + std::to_string(h) +
                       " pixels");

    DecodedImage out = blank_image(w, h, D3DFMT_X8R8G8B8);
    std::vector<std::uint8_t> scanline(std::size_t{w} * 4);
    for (std::uint32_t y = 0; y < h; ++y) {
        const bool run_length = w >= 8 && w <= 0x7FFF && b.size() - at >= 4 && b[at] == 2 && b[at + 1] == 2 &&
                                (std::uint32_t{b[at + 2]} << 8 | b[at + 3]) == w;
        if (!run_length) {
            if (b.size() - at < scanline.size())
                return invalid("HDR: the pixel data ends early");
            std::copy_n(b.data() + at, scanline.size(), scanline.data());
            at += scanline.size();
        } else {
            at += 4;
            for (std::size_t channel = 0; channel < 4; ++channel) {
                for (std::uint32_t x = 0; x < w;) {
                    if (at >= b.size())
                        return invalid("HDR: the run-length data ends early");
                    const std::uint32_t code = b[at++];
                    const bool run = code > 128;
                    const std::uint32_t count = run ? code - 128 : code;
                    if (count == 0 || count > w - x)
                        return invalid("HDR: a run of bad length");
                    if (b.size() - at < (run ? 1u : count))
                        return invalid("HDR: the run-length data ends early");
                    for (std::uint32_t k = 0; k < count; ++k, ++x)
                        scanline[std::size_t{x} * 4 + channel] = run ? b[at] : b[at + k];
                    at += run ? 1 : count;
                }
            }
        }
        for (std::uint32_t x = 0; x < w; ++x)
            out.image.pixels[std::size_t{y} * w + x] = rgbe_to_argb(scanline.data() + std::size_t{x} * 4);
    }
    return out;
}

} // namespace platform::image
