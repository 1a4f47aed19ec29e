// JPEG files for the texture loader in the web build and the self-contained Windows build, which have no
// libjpeg: decoded with stb_image behind our own walk of the file's markers, as X8R8G8B8. Baseline and
// progressive, grey, YCbCr and RGB.
//
// The walk reads the markers as libjpeg-turbo reads them and hands stb_image a tidy copy, so that what the
// desktop build reads, this one reads too: bytes between segments (stray bytes, junk after a comment, a
// stuffed FF 00, fill bytes, restart markers out of place) are left out, and a scan of a sequential frame
// that uses Huffman tables 0 or 1 before the file defines them (Motion-JPEG frames leave out the standard
// tables) gets the standard tables of Annex K.3 of the JPEG standard before it, as libjpeg-turbo supplies
// them (to sequential frames only).
//
// Refused before stb_image decodes anything, as libjpeg refuses them: segments that run past the file's
// end, markers that libjpeg does not know, Huffman tables that are no prefix code (more than 256 symbols,
// or more codes of a length than the length has room for: stb_image writes past its tables on those), a
// scan with a table nothing defines, frames other than 8-bit baseline, extended or progressive Huffman
// ones, sides beyond the limit, CMYK and YCCK, and (image_jpeg_layout.cpp) files too short for their
// blocks, with a component no scan codes, or with a progressive component whose first scan is not its DC
// scan (stb_image would read coefficients no scan wrote). CMYK is refused in every build: libjpeg-turbo
// hands back the inks and leaves their meaning (inverted or not, by Adobe's marker) to the caller, and
// stb_image's own guess reads a CMYK file without that marker as YCbCr, a different picture; a texture
// from a print separation is better refused with one reason everywhere than shown two ways.
//
// The scans of a sequential file are walked code by code first (image_jpeg_scan_stb.cpp's walk_jpeg_scans):
// data that stops before a scan's last block is refused, as libjpeg-turbo refuses it (stb_image would read
// the missing codes as zeros without a word), and bytes after a scan's last code, which libjpeg passes
// over, are left out. A file that ends inside its last scan's data with every component coded lacks only
// its end marker (image_jpeg_layout.cpp's jpeg_only_end_missing): it is given the marker and read, as
// libjpeg-turbo reads it.
//
// stb_image's inverse DCT and chroma upsampling are its own, so a JPEG's texels may differ by a step or
// two from the desktop build's libjpeg-turbo.
#include "image/image_formats.h"

#include <stb_image.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

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
        std::uint32_t code = 0; // the next free code of the length, as in Annex C of the JPEG standard
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

// The standard Huffman tables of the JPEG standard (Annex K.3) as a DHT payload entry each: class and
// identifier, the count of codes of each length 1 to 16, the symbols. AC symbols run in rows of the form
// r1 .. r1+k, written as the ranges between `from` and `to` (high nibble: zero run, low: size).
std::vector<std::uint8_t> standard_table(unsigned slot) {
    static constexpr std::uint8_t dc_counts[2][16] = {{0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0},
                                                      {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0}};
    static constexpr std::uint8_t ac_counts[2][16] = {{0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D},
                                                      {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77}};
    // The first symbols as listed, then every remaining symbol of a zero run, in order, from `tail`.
    static constexpr std::uint8_t ac_head[2][51] = {
        {0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13,
         0x51, 0x61, 0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xA1, 0x08, 0x23, 0x42,
         0xB1, 0xC1, 0x15, 0x52, 0xD1, 0xF0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0A,
         0x16, 0x17, 0x18, 0x19, 0x1A, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x34},
        {0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51,
         0x07, 0x61, 0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xA1, 0xB1,
         0xC1, 0x09, 0x23, 0x33, 0x52, 0xF0, 0x15, 0x62, 0x72, 0xD1, 0x0A, 0x16, 0x24,
         0x34, 0xE1, 0x25, 0xF1, 0x17, 0x18, 0x19, 0x1A, 0x26, 0x27, 0x28, 0x29}};
    const bool ac = slot >= 2;
    const unsigned id = slot % 2;
    std::vector<std::uint8_t> out;
    out.reserve(1 + 16 + 162); // the class and identifier, the counts, an AC table's symbols
    out.push_back(static_cast<std::uint8_t>((ac ? 0x10 : 0x00) | id));
    const std::uint8_t* counts = ac ? ac_counts[id] : dc_counts[id];
    out.insert(out.end(), counts, counts + 16);
    if (!ac) {
        for (std::uint8_t v = 0; v < 12; ++v)
            out.push_back(v);
        return out;
    }
    out.insert(out.end(), std::begin(ac_head[id]), std::end(ac_head[id]));
    // The rest: for each zero run, the sizes 1 to 10 not listed yet, from the run's first size unlisted.
    const std::size_t listed = out.size();
    for (unsigned run = 0; run < 16; ++run)
        for (unsigned size = 1; size <= 10; ++size) {
            const auto symbol = static_cast<std::uint8_t>(run << 4 | size);
            if (std::find(out.begin() + 17, out.begin() + static_cast<std::ptrdiff_t>(listed), symbol) ==
                out.begin() + static_cast<std::ptrdiff_t>(listed))
                out.push_back(symbol);
        }
    return out;
}

// The file as stb_image is to read it (see the top of the file), or why it cannot be read.
struct Tidied {
    std::vector<std::uint8_t> bytes;
    std::string problem;
    bool end = false; // an end-of-image marker was found (and copied)
};

Tidied tidy(Bytes b) {
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8)
        return {{}, "no start of image"};
    Tidied out{{0xFF, 0xD8}, {}};
    std::size_t at = 2;
    bool frame = false;
    bool scan = false;
    unsigned tables = 0; // the Huffman tables defined so far (stb_image reads undefined ones as they lie)
    unsigned quantization = 0; // the quantization tables defined so far (bit per table)
    bool progressive = false;
    std::array<std::uint8_t, 256> table_of{}; // each frame component's quantization table, by identifier
    std::vector<std::uint8_t> components;     // the frame's components' identifiers
    std::array<bool, 256> latched{};          // components a scan has coded (their table checked)
    std::uint32_t interval = 0;               // the restart interval, in MCUs (0: no restarts)
    const auto copy = [&](std::size_t from, std::size_t to) {
        out.bytes.insert(out.bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(from),
                         b.begin() + static_cast<std::ptrdiff_t>(to));
    };
    const auto fail = [](std::string why) { return Tidied{{}, std::move(why)}; };
    while (at + 1 < b.size()) {
        // As libjpeg's next_marker: bytes before 0xFF, fill bytes and a stuffed FF 00 are skipped.
        if (b[at] != 0xFF || b[at + 1] == 0xFF) {
            ++at;
            continue;
        }
        const std::uint8_t marker = b[at + 1];
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (marker == 0xD9) {
            out.bytes.insert(out.bytes.end(), {0xFF, 0xD9});
            out.end = true;
            break;
        }
        const bool sof =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        const bool known = sof || marker == 0xC4 || marker == 0xDA || marker == 0xDB || marker == 0xDD ||
                           marker == 0xDC || (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE;
        if (!known)
            return fail("unknown marker " + std::to_string(marker));
        if (at + 4 > b.size())
            return fail("a segment runs past the end of the file");
        const std::size_t length = std::size_t{b[at + 2]} << 8 | b[at + 3];
        if (length < 2 || at + 2 + length > b.size())
            return fail("a segment runs past the end of the file");
        const Bytes payload = b.subspan(at + 4, length - 2);
        if (marker == 0xC4 && !huffman_tables_valid(payload, tables))
            return fail("invalid Huffman table");
        if (marker == 0xDD && payload.size() >= 2)
            interval = std::uint32_t{payload[0]} << 8 | payload[1];
        if (marker == 0xDB) // each table: precision and number, then 64 values of 8 or 16 bits
            for (std::size_t t = 0; t < payload.size(); t += 1 + 64 * (1 + (payload[t] >> 4)))
                quantization |= 1u << (payload[t] & 3);
        if (sof) {
            if (frame)
                return fail("a second frame header");
            if (marker > 0xC2)
                return fail("only baseline, extended and progressive Huffman frames are read");
            if (payload.empty() || payload[0] != 8)
                return fail("only 8-bit samples are read");
            if (payload.size() >= 6 && payload[5] == 4)
                return fail("CMYK images are not read");
            frame = true;
            progressive = marker == 0xC2;
            for (std::size_t i = 0; payload.size() >= 6 && i < payload[5] && 8 + 3 * i < payload.size();
                 ++i) {
                table_of[payload[6 + 3 * i]] = payload[8 + 3 * i];
                components.push_back(payload[6 + 3 * i]);
            }
        }
        if (marker != 0xDA) {
            if (marker != 0xDC) // DNL, which libjpeg skips too (a frame of height 0 is refused)
                copy(at, at + 2 + length);
            at += 2 + length;
            continue;
        }
        if (!frame)
            return fail("a scan before the frame header");
        // Components, then the spectral selection: a scan from coefficient 0 on decodes DC with the
        // component's DC table, one that reaches beyond it AC with its AC table. In a sequential frame,
        // tables 0 and 1 nothing has defined yet are the standard ones, which libjpeg-turbo supplies to
        // sequential frames only.
        const std::size_t count = payload.empty() ? 0 : payload[0];
        if (payload.size() < 1 + 2 * count + 3)
            return fail("a scan header runs short");
        // Each component's quantization table must be defined by its first scan, when libjpeg takes it.
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t id = payload[1 + 2 * i];
            if (!latched[id] && (table_of[id] > 3 || (quantization & (1u << table_of[id])) == 0))
                return fail("quantization table " + std::to_string(table_of[id]) + " is not defined");
            latched[id] = true;
        }
        std::vector<std::uint8_t> standard;
        for (const unsigned slot : {0u, 1u, 4u, 5u})
            if (!progressive && (tables & (1u << slot)) == 0) {
                const std::vector<std::uint8_t> table = standard_table(slot / 4 * 2 + slot % 4);
                standard.insert(standard.end(), table.begin(), table.end());
                tables |= 1u << slot;
            }
        if (!standard.empty()) {
            const std::size_t segment = standard.size() + 2;
            out.bytes.insert(out.bytes.end(), {0xFF, 0xC4, static_cast<std::uint8_t>(segment >> 8),
                                               static_cast<std::uint8_t>(segment)});
            out.bytes.insert(out.bytes.end(), standard.begin(), standard.end());
        }
        // A sequential scan codes every coefficient whatever its band says (libjpeg-turbo warns and reads
        // it so; stb_image refuses another band): the copy says 0 to 63, no successive approximation.
        const std::uint8_t start = progressive ? payload[1 + 2 * count] : 0;
        const std::uint8_t end = progressive ? payload[2 + 2 * count] : 63;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t selectors = payload[2 + 2 * i];
            if (start == 0 && (tables & (1u << (selectors >> 4))) == 0)
                return fail("a scan uses a DC table that is not defined");
            if (end > 0 && (tables & (1u << (4 + (selectors & 15)))) == 0)
                return fail("a scan uses an AC table that is not defined");
        }
        const bool first_scan = !scan;
        scan = true;
        std::size_t data_end = skip_entropy_coded(b, at + 2 + length);
        // Without restarts, a restart marker ends the scan's data, as it ends libjpeg's reading of it (and
        // stb_image's, which then refuses the marker after the scan).
        for (std::size_t i = at + 2 + length; interval == 0 && i + 1 < data_end; ++i)
            if (b[i] == 0xFF && b[i + 1] >= 0xD0 && b[i + 1] <= 0xD7) {
                data_end = i;
                break;
            }
        const std::size_t band = out.bytes.size() + 5 + 2 * count; // in the copy
        copy(at, data_end);
        at = data_end;
        if (!progressive) {
            out.bytes[band] = 0;
            out.bytes[band + 1] = 63;
            out.bytes[band + 2] = 0;
        }
        // A sequential frame whose first scan codes every component is read from that scan alone: libjpeg
        // reads no further (later scans, a cut segment, the end marker or its absence), where stb_image would
        // read every later scan over it.
        const auto in_scan = [&](std::uint8_t id) {
            for (std::size_t i = 0; i < count; ++i)
                if (payload[1 + 2 * i] == id)
                    return true;
            return false;
        };
        if (!progressive && first_scan && std::all_of(components.begin(), components.end(), in_scan)) {
            out.bytes.insert(out.bytes.end(), {0xFF, 0xD9});
            out.end = true;
            break;
        }
    }
    if (!scan)
        return fail("no scan");
    return out;
}

} // namespace

DecodedImage decode_jpeg(Bytes b) {
    if (b.size() > static_cast<std::size_t>(INT_MAX))
        return invalid("JPEG: file too large");
    Tidied tidied = tidy(b);
    if (!tidied.problem.empty())
        return invalid("JPEG: " + tidied.problem);
    int width = 0, height = 0, components = 0;
    // (stb_image tries every format it has on a header it cannot read, so its reason is not the JPEG's.)
    if (stbi_info_from_memory(tidied.bytes.data(), static_cast<int>(tidied.bytes.size()), &width, &height,
                              &components) == 0)
        return invalid("JPEG: the header cannot be read");
    if (const std::string problem = size_problem(width, height); !problem.empty())
        return invalid("JPEG: " + problem);
    // The layout is the file's as libjpeg reads it, and the file's length its own.
    const JpegLayout layout = read_jpeg_layout(b);
    if (const std::string problem = jpeg_data_problem(layout, b.size()); !problem.empty())
        return invalid("JPEG: " + problem);
    // Scan data that stops before the scan's last block is refused, as libjpeg-turbo refuses it; a file that
    // lacks only its end marker is read as libjpeg-turbo reads it, the marker given.
    if (!layout.progressive) {
        const JpegScanWalk walk = walk_jpeg_scans(tidied.bytes);
        if (!walk.problem.empty())
            return invalid("JPEG: " + walk.problem);
        // Bytes after a scan's last code are passed over by libjpeg; stb_image takes an FF among them for a
        // marker after the scan. They are left out.
        for (auto junk = walk.junk.rbegin(); junk != walk.junk.rend(); ++junk)
            tidied.bytes.erase(tidied.bytes.begin() + static_cast<std::ptrdiff_t>(junk->first),
                               tidied.bytes.begin() + static_cast<std::ptrdiff_t>(junk->second));
    }
    if (!tidied.end && jpeg_only_end_missing(layout))
        tidied.bytes.insert(tidied.bytes.end(), {0xFF, 0xD9});
    const Bytes t = tidied.bytes;
    // Three samples a pixel from stb_image, not four: its output is held beside the texels made from it.
    int w = 0, h = 0, n = 0;
    const std::unique_ptr<stbi_uc, void (*)(void*)> data(
        stbi_load_from_memory(t.data(), static_cast<int>(t.size()), &w, &h, &n, 3), stbi_image_free);
    if (data == nullptr)
        return invalid(std::string("JPEG: ") + stbi_failure_reason());
    if (w != width || h != height)
        return invalid("JPEG: unexpected image size");
    DecodedImage out =
        blank_image(static_cast<std::uint64_t>(w), static_cast<std::uint64_t>(h), D3DFMT_X8R8G8B8);
    for (std::size_t i = 0; i < out.image.pixels.size(); ++i) {
        const stbi_uc* p = data.get() + i * 3;
        out.image.pixels[i] = argb(0xFF, p[0], p[1], p[2]);
    }
    return out;
}

} // namespace platform::d3dx9
