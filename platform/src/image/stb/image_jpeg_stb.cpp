// JPEG files for the texture loader in the web build, which has no libjpeg: decoded with stb_image behind
// our own checks of the file's structure, as X8R8G8B8. Baseline and progressive, grey, YCbCr and RGB.
// Refused before stb_image decodes anything: segments that run past the file's end, Huffman tables that
// are no prefix code (more than 256 symbols, or more codes of a length than the length has room for:
// stb_image writes past its tables on those), frames other than 8-bit baseline, extended or progressive
// Huffman ones, sides beyond the limit, and (image_jpeg_layout.cpp) files too short for their blocks, with
// a component no scan codes, or with a progressive component whose first scan is not its DC scan (stb_image
// would read coefficients no scan wrote). stb_image's inverse DCT and chroma upsampling are its own, so a
// JPEG's texels may differ by a step or two from the desktop build's libjpeg-turbo.
#include "image/image_formats.h"

#include <stb_image.h>

#include <climits>
#include <string>

namespace platform::d3dx9 {
namespace {

// Whether the Huffman tables of a DHT segment's payload are prefix codes that fill it exactly; each table
// defined is marked in `defined` (bit 4 * class + id).
bool huffman_tables_valid(Bytes t, unsigned& defined) {
    std::size_t at = 0;
    while (at < t.size()) {
        if (at + 17 > t.size() || (t[at] >> 4) > 1 || (t[at] & 15) > 3)
            return false;
        std::uint32_t symbols = 0;
        std::uint32_t code = 0; // the next free code of the length, as in the JPEG specification's Annex C
        for (int length = 1; length <= 16; ++length) {
            const std::uint32_t count = t[at + static_cast<std::size_t>(length)];
            symbols += count;
            code += count;
            if (code > (1u << length))
                return false;
            code <<= 1;
        }
        if (symbols > 256 || at + 17 + symbols > t.size())
            return false;
        defined |= 1u << (4 * (t[at] >> 4) + (t[at] & 15));
        at += 17 + symbols;
    }
    return true;
}

// The first byte after the entropy-coded data that starts at `at`: the next marker but a restart marker.
std::size_t skip_entropy_coded(Bytes b, std::size_t at) {
    while (at + 1 < b.size()) {
        if (b[at] == 0xFF) {
            const std::uint8_t next = b[at + 1];
            if (next != 0x00 && next != 0xFF && !(next >= 0xD0 && next <= 0xD7))
                return at;
            at += next == 0xFF ? 1 : 2;
        } else {
            ++at;
        }
    }
    return b.size();
}

// An empty string when the file's marker structure, its frame header and the Huffman tables of every
// segment (progressive files define them between scans) are sound, else why not.
std::string structure_problem(Bytes b) {
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8)
        return "no start of image";
    std::size_t at = 2;
    bool frame = false;
    bool scan = false;
    unsigned tables = 0; // the Huffman tables defined so far (stb_image reads undefined ones as they lie)
    while (at + 4 <= b.size()) {
        if (b[at] != 0xFF)
            return "no marker where one should be";
        const std::uint8_t marker = b[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD9)
            break;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // no length
            at += 2;
            continue;
        }
        const std::size_t length = std::size_t{b[at + 2]} << 8 | b[at + 3];
        if (length < 2 || at + 2 + length > b.size())
            return "a segment runs past the end of the file";
        const Bytes payload = b.subspan(at + 4, length - 2);
        if (marker == 0xC4 && !huffman_tables_valid(payload, tables))
            return "invalid Huffman table";
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (frame)
                return "a second frame header";
            if (marker > 0xC2)
                return "only baseline, extended and progressive Huffman frames are read";
            if (payload.empty() || payload[0] != 8)
                return "only 8-bit samples are read";
            frame = true;
        }
        at += 2 + length;
        if (marker == 0xDA) {
            if (!frame)
                return "a scan before the frame header";
            // Components, then the spectral selection: a scan from coefficient 0 on decodes DC with the
            // component's DC table, one that reaches beyond it AC with its AC table.
            const std::size_t count = payload.empty() ? 0 : payload[0];
            if (payload.size() < 1 + 2 * count + 3)
                return "a scan header runs short";
            const std::uint8_t start = payload[1 + 2 * count];
            const std::uint8_t end = payload[2 + 2 * count];
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint8_t selectors = payload[2 + 2 * i];
                if (start == 0 && (tables & (1u << (selectors >> 4))) == 0)
                    return "a scan uses a DC table that is not defined";
                if (end > 0 && (tables & (1u << (4 + (selectors & 15)))) == 0)
                    return "a scan uses an AC table that is not defined";
            }
            scan = true;
            at = skip_entropy_coded(b, at);
        }
    }
    return scan ? std::string() : "no scan";
}

} // namespace

DecodedImage decode_jpeg(Bytes b) {
    if (b.size() > static_cast<std::size_t>(INT_MAX))
        return invalid("JPEG: file too large");
    if (const std::string problem = structure_problem(b); !problem.empty())
        return invalid("JPEG: " + problem);
    int width = 0, height = 0, components = 0;
    // (stb_image tries every format it has on a header it cannot read, so its reason is not the JPEG's.)
    if (stbi_info_from_memory(b.data(), static_cast<int>(b.size()), &width, &height, &components) == 0)
        return invalid("JPEG: the header cannot be read");
    if (const std::string problem = size_problem(width, height); !problem.empty())
        return invalid("JPEG: " + problem);
    if (const std::string problem = jpeg_data_problem(read_jpeg_layout(b), b.size()); !problem.empty())
        return invalid("JPEG: " + problem);
    int w = 0, h = 0, n = 0;
    stbi_uc* const data = stbi_load_from_memory(b.data(), static_cast<int>(b.size()), &w, &h, &n, 4);
    if (data == nullptr)
        return invalid(std::string("JPEG: ") + stbi_failure_reason());
    DecodedImage out;
    if (w == width && h == height) {
        out = blank_image(static_cast<std::uint64_t>(w), static_cast<std::uint64_t>(h), D3DFMT_X8R8G8B8);
        for (std::size_t i = 0; i < out.image.pixels.size(); ++i) {
            const stbi_uc* p = data + i * 4;
            out.image.pixels[i] = argb(0xFF, p[0], p[1], p[2]);
        }
    } else {
        out = invalid("JPEG: unexpected image size");
    }
    stbi_image_free(data);
    return out;
}

} // namespace platform::d3dx9
