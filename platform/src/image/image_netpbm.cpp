// Netpbm files for the texture loader, our own reader: PPM (P6 binary, P3 text) and PGM (P5 binary, P2
// text) with any maximum value up to 65535 (two big-endian bytes a sample above 255), scaled to 8 bits;
// and PFM (PF colour, Pf grey) with 32-bit floats in the byte order its scale's sign gives, rows bottom
// first, clamped to 0..1. All load as X8R8G8B8 (PFM's floats are brought to 8 bits: the device takes
// nothing wider). PBM bitmaps (P1, P4) and PAM (P7) are refused. Samples the header promises but the file
// does not hold are refused before the image is allocated.
#include "image/image_formats.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform::image {
namespace {

bool is_space(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Reads header fields and text samples from `at` on: skips white space and # comments, then reads one token.
struct Fields {
    Bytes b;
    std::size_t at;

    bool skip_space() {
        while (at < b.size()) {
            if (b[at] == '#') {
                while (at < b.size() && b[at] != '\n' && b[at] != '\r')
                    ++at;
            } else if (is_space(b[at])) {
                ++at;
            } else {
                return true;
            }
        }
        return false;
    }
    // A decimal number up to `limit`; false when there is none or it is larger.
    bool number(std::uint32_t limit, std::uint32_t& value) {
        if (!skip_space() || b[at] < '0' || b[at] > '9')
            return false;
        std::uint64_t v = 0;
        while (at < b.size() && b[at] >= '0' && b[at] <= '9') {
            v = v * 10 + (b[at++] - '0');
            if (v > limit)
                return false;
        }
        value = static_cast<std::uint32_t>(v);
        return true;
    }
    // A token of at most 63 characters, for PFM's scale.
    std::string token() {
        std::string out;
        if (!skip_space())
            return out;
        while (at < b.size() && !is_space(b[at]) && out.size() < 64)
            out.push_back(static_cast<char>(b[at++]));
        return out;
    }
    // The single white-space character that ends a binary header.
    bool end_of_header() {
        if (at >= b.size() || !is_space(b[at]))
            return false;
        ++at;
        return true;
    }
};

// What a header says: for PFM, the scale in place of the maximum.
struct Header {
    char kind = 0; // F, f, 2, 3, 5 or 6
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t maximum = 0;
    double scale = 0.0;
    std::size_t data_at = 0;

    bool pfm() const {
        return kind == 'F' || kind == 'f';
    }
    bool text() const {
        return kind == '2' || kind == '3';
    }
    std::uint32_t channels() const {
        return kind == 'F' || kind == '3' || kind == '6' ? 3 : 1;
    }
    std::uint64_t samples() const {
        return std::uint64_t{width} * height * channels();
    }
};

// Reads the header into h; an empty string, or why it cannot be read (with the format's name first).
std::string read_header(Bytes b, Header& h) {
    h.kind = static_cast<char>(b[1]);
    Fields fields{b, 2};
    if (h.pfm()) {
        if (!fields.number(UINT32_MAX, h.width) || !fields.number(UINT32_MAX, h.height))
            return "PFM: malformed header";
        const std::string scale_text = fields.token();
        char* end = nullptr;
        h.scale = std::strtod(scale_text.c_str(), &end);
        if (scale_text.empty() || end != scale_text.c_str() + scale_text.size() || h.scale == 0.0 ||
            !fields.end_of_header())
            return "PFM: malformed header";
    } else {
        if (h.kind != '2' && h.kind != '3' && h.kind != '5' && h.kind != '6')
            return std::string("Netpbm P") + h.kind + " files are not read";
        if (!fields.number(UINT32_MAX, h.width) || !fields.number(UINT32_MAX, h.height) ||
            !fields.number(65535, h.maximum) || h.maximum == 0 || !fields.end_of_header())
            return "PNM: malformed header";
    }
    if (const std::string problem = size_problem(h.width, h.height); !problem.empty())
        return (h.pfm() ? "PFM: " : "PNM: ") + problem;
    h.data_at = fields.at;
    return {};
}

DecodedImage decode_pfm(Bytes b, const Header& h) {
    const std::uint32_t width = h.width;
    const std::uint32_t height = h.height;
    const std::uint32_t channels = h.channels();
    const std::uint64_t samples = h.samples();
    if (samples * 4 > b.size() - h.data_at)
        return invalid("PFM: the pixel data ends before " + std::to_string(width) + " x " +
                       std::to_string(height) + " pixels");
    DecodedImage out = blank_image(width, height, D3DFMT_X8R8G8B8);
    const auto sample = [&](std::uint64_t i) { // a negative scale: little-endian
        const std::size_t at = h.data_at + i * 4;
        return unit_to_byte(std::bit_cast<float>(h.scale < 0 ? u32le(b, at) : u32be(b, at)));
    };
    const std::uint64_t colour = channels == 3 ? 1 : 0; // green and blue follow red, or grey alone
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint64_t row = std::uint64_t{height - 1 - y} * width; // bottom row first in the file
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint64_t i = (row + x) * channels;
            out.image.pixels[std::size_t{y} * width + x] =
                argb(0xFF, sample(i), sample(i + colour), sample(i + 2 * colour));
        }
    }
    return out;
}

} // namespace

std::uint64_t netpbm_file_limit(Bytes head) {
    Header h;
    if (!read_header(head, h).empty())
        return head.size();
    // Text samples may be spread with any amount of white space and comments.
    if (h.text())
        return max_file_bytes;
    return h.data_at + h.samples() * (h.pfm() ? 4 : h.maximum > 255 ? 2 : 1);
}

DecodedImage decode_netpbm(Bytes b) {
    Header h;
    if (const std::string problem = read_header(b, h); !problem.empty())
        return invalid(problem);
    if (h.pfm())
        return decode_pfm(b, h);
    const bool text = h.text();
    const std::uint32_t channels = h.channels();
    const std::uint32_t width = h.width;
    const std::uint32_t height = h.height;
    const std::uint32_t maximum = h.maximum;
    Fields fields{b, h.data_at};
    const std::uint64_t samples = h.samples();
    const std::uint64_t sample_bytes = maximum > 255 ? 2 : 1;
    // Binary: each sample takes its bytes. Text: each sample takes a digit and a separator, the last one
    // at least its digit.
    const std::uint64_t needed = text ? samples * 2 - 1 : samples * sample_bytes;
    if (needed > b.size() - fields.at)
        return invalid("PNM: the pixel data ends before " + std::to_string(width) + " x " +
                       std::to_string(height) + " pixels");
    DecodedImage out = blank_image(width, height, D3DFMT_X8R8G8B8);
    std::vector<std::uint8_t> scaled(samples);
    const std::uint8_t* data = b.data() + fields.at;
    for (std::uint64_t i = 0; i < samples; ++i) {
        std::uint32_t v = 0;
        if (text) {
            if (!fields.number(maximum, v))
                return invalid("PNM: missing or out-of-range sample");
        } else if (sample_bytes == 2) {
            v = std::uint32_t{data[2 * i]} << 8 | data[2 * i + 1];
        } else {
            v = data[i];
        }
        v = std::min(v, maximum); // a sample above the maximum reads as the maximum
        scaled[i] = static_cast<std::uint8_t>((v * 255 + maximum / 2) / maximum);
    }
    const std::size_t colour = channels == 3 ? 1 : 0; // green and blue follow red, or grey alone
    for (std::size_t p = 0; p < out.image.pixels.size(); ++p) {
        const std::uint8_t* s = scaled.data() + p * channels;
        out.image.pixels[p] = argb(0xFF, s[0], s[colour], s[2 * colour]);
    }
    return out;
}

} // namespace platform::image
