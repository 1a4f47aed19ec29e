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
// The scans of a sequential file are then walked code by code in the tidy copy (scan_problem), as a
// sequential decoder reads them (the Huffman codes and their extra bits, restart intervals included; no
// coefficient is kept): data that stops before a scan's last block is refused, as libjpeg-turbo refuses it
// (stb_image would read the missing codes as zeros without a word), as are bits that are no code (which
// stb_image refuses only after decoding everything before them), and bytes after a scan's last code, which
// libjpeg passes over, are left out. A file that ends inside its last scan's data with every component
// coded lacks only its end marker (image_jpeg_layout.cpp's jpeg_only_end_missing): it is given the marker
// and read, as libjpeg-turbo reads it.
//
// stb_image's inverse DCT and chroma upsampling are its own, so a JPEG's texels may differ by a step or
// two from the desktop build's libjpeg-turbo.
#include "image/image_formats.h"

#include <stb_image.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace platform::image {
namespace {

// A Huffman table of a DHT segment, for decoding code length by code length: of each length, the first
// code, how many codes there are, and where their symbols start.
struct HuffmanTable {
    bool defined = false;
    std::array<std::uint32_t, 17> first{}, count{}, start{};
    std::vector<std::uint8_t> symbols;
    // Codes of up to fast_bits bits by their first fast_bits bits: length << 8 | symbol, or 0.
    static constexpr unsigned fast_bits = 9;
    std::array<std::uint16_t, 1u << fast_bits> fast{};
};

// Defines the Huffman tables of a DHT segment's payload in `tables` (at 4 * class + identifier), ready
// for decoding; false when one is no prefix code (more codes of a length than the length has room for, as
// in Annex C of the JPEG standard) or the tables do not fill the payload exactly.
bool define_huffman_tables(Bytes t, std::array<HuffmanTable, 8>& tables) {
    std::size_t at = 0;
    while (at < t.size()) {
        if (at + 17 > t.size() || (t[at] >> 4) > 1 || (t[at] & 15) > 3)
            return false;
        HuffmanTable& table = tables[(t[at] >> 4) * 4 + (t[at] & 15)];
        table = HuffmanTable{};
        std::uint32_t code = 0, total = 0; // the next free code of the length, the symbols so far
        for (unsigned length = 1; length <= 16; ++length) {
            table.first[length] = code;
            table.count[length] = t[at + length];
            table.start[length] = total;
            total += table.count[length];
            code += table.count[length];
            if (code > (1u << length))
                return false;
            code <<= 1;
        }
        if (total > 256 || at + 17 + total > t.size())
            return false;
        table.symbols.assign(t.begin() + static_cast<std::ptrdiff_t>(at + 17),
                             t.begin() + static_cast<std::ptrdiff_t>(at + 17 + total));
        for (unsigned length = 1; length <= HuffmanTable::fast_bits; ++length)
            for (std::uint32_t i = 0; i < table.count[length]; ++i) {
                const std::uint32_t first = table.first[length] + i;
                const unsigned spare = HuffmanTable::fast_bits - length;
                for (std::uint32_t tail = 0; tail < (1u << spare); ++tail)
                    table.fast[(first << spare) | tail] =
                        static_cast<std::uint16_t>(length << 8 | table.symbols[table.start[length] + i]);
            }
        table.defined = true;
        at += 17 + total;
    }
    return true;
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

// Bits of entropy-coded data from `at` on, as a decoder reads them: a stuffed FF 00 is the byte FF, fill
// bytes before a marker are skipped, and a marker (a restart, or the end of the data) gives no bits.
struct BitReader {
    Bytes b;
    std::size_t at;
    std::uint64_t buffer = 0; // the next `bits` bits, from the top
    unsigned bits = 0;
    bool at_marker = false;
    std::size_t start = at;     // where the restart interval being read starts
    std::uint64_t consumed = 0; // bits of it read
    bool bad_code = false;      // bits that are no code of the table, as against data that ends
    unsigned restarts = 0;      // restart markers passed

    void fill() {
        while (bits <= 56 && !at_marker) {
            if (at >= b.size()) {
                at_marker = true;
                break;
            }
            std::uint64_t byte = b[at];
            if (byte == 0xFF) {
                std::size_t next = at + 1;
                while (next < b.size() && b[next] == 0xFF)
                    ++next;
                if (next >= b.size() || b[next] != 0x00) {
                    at_marker = true; // a marker, or the file's end inside one
                    break;
                }
                at = next;
            }
            ++at;
            buffer |= byte << (56 - bits);
            bits += 8;
        }
    }
    bool skip(unsigned count) {
        if (bits < count)
            fill();
        if (bits < count)
            return false;
        buffer = count < 64 ? buffer << count : 0;
        bits -= count;
        consumed += count;
        return true;
    }
    // The symbol of the next code; false when the data ends first or no code matches.
    bool symbol(const HuffmanTable& table, std::uint8_t& out) {
        if (bits < 16)
            fill();
        const auto peek = static_cast<std::uint32_t>(buffer >> 48);
        if (const std::uint16_t known = table.fast[peek >> (16 - HuffmanTable::fast_bits)];
            known != 0 && (known >> 8) <= bits) {
            out = static_cast<std::uint8_t>(known);
            return skip(known >> 8);
        }
        for (unsigned length = 1; length <= 16 && length <= bits; ++length) {
            const std::uint32_t code = peek >> (16 - length);
            if (code - table.first[length] < table.count[length]) {
                out = table.symbols[table.start[length] + code - table.first[length]];
                return skip(length);
            }
        }
        bad_code = bits >= 16;
        return false;
    }
    // At a restart interval's end: the buffered bits dropped and the next marker passed, which must be the
    // interval's restart marker, RST0 to RST7 in turn, as libjpeg-turbo takes it (bytes before it are
    // skipped, as decoders skip them).
    bool restart() {
        buffer = 0;
        bits = 0;
        at_marker = false;
        while (at + 1 < b.size() && !(b[at] == 0xFF && b[at + 1] != 0x00 && b[at + 1] != 0xFF))
            ++at;
        if (at + 1 >= b.size() || b[at + 1] != 0xD0 + restarts++ % 8)
            return false;
        at += 2;
        start = at;
        consumed = 0;
        return true;
    }
    // Where the bytes that hold the bits read end (a stuffed FF 00 is one byte of data, as are fill bytes
    // before it).
    std::size_t codes_end() const {
        std::size_t end = start;
        for (std::uint64_t n = (consumed + 7) / 8; n > 0 && end < b.size(); --n) {
            if (b[end] != 0xFF) {
                ++end;
                continue;
            }
            std::size_t next = end + 1;
            while (next < b.size() && b[next] == 0xFF)
                ++next;
            if (next >= b.size() || b[next] != 0x00)
                break;
            end = next + 1;
        }
        return end;
    }
};

// One 8 x 8 block's codes: the DC difference's size and bits, then the AC run/size codes and bits to the
// end of block or the 63rd coefficient.
bool walk_block(BitReader& bits, const HuffmanTable& dc, const HuffmanTable& ac) {
    std::uint8_t s = 0;
    if (!bits.symbol(dc, s) || !bits.skip(s & 15))
        return false;
    for (unsigned k = 1; k < 64;) {
        std::uint8_t rs = 0;
        if (!bits.symbol(ac, rs))
            return false;
        if ((rs & 15) == 0) {
            if (rs != 0xF0)
                return true; // end of block
            k += 16;
            continue;
        }
        if (!bits.skip(rs & 15))
            return false;
        k += (rs >> 4) + 1u;
    }
    return true;
}

struct ScanComponent {
    JpegFrame::Component component;
    HuffmanTable dc, ac;
};

// The MCUs of a scan: of one component (`only`), its blocks one by one; of several, the frame's MCUs of each
// component's sampling factors' blocks.
std::uint64_t scan_mcus(const JpegFrame& frame, const JpegFrame::Component* only) {
    if (only == nullptr)
        return (frame.width + 8 * frame.h_max - 1) / (8 * frame.h_max) *
               std::uint64_t{(frame.height + 8 * frame.v_max - 1) / (8 * frame.v_max)};
    const std::uint64_t columns = (std::uint64_t{frame.width} * only->h + frame.h_max - 1) / frame.h_max;
    const std::uint64_t rows = (std::uint64_t{frame.height} * only->v + frame.v_max - 1) / frame.v_max;
    return (columns + 7) / 8 * ((rows + 7) / 8);
}

// Why one scan's data, from `data` to the next marker but a restart, does not hold the codes of every block
// the scan covers, or an empty string, and where its last code's byte ends.
std::string scan_problem(Bytes t, std::size_t data, const JpegFrame& frame,
                         const std::vector<ScanComponent>& scan, std::uint32_t interval,
                         std::size_t& codes_end) {
    const std::uint64_t mcus = scan_mcus(frame, scan.size() == 1 ? &scan[0].component : nullptr);
    BitReader bits{t, data};
    for (std::uint64_t mcu = 0; mcu < mcus; ++mcu) {
        if (interval != 0 && mcu != 0 && mcu % interval == 0 && !bits.restart())
            return "a restart marker is missing or out of turn";
        for (const ScanComponent& c : scan) {
            const unsigned blocks = scan.size() == 1 ? 1u : unsigned{c.component.h} * c.component.v;
            for (unsigned i = 0; i < blocks; ++i)
                if (!walk_block(bits, c.dc, c.ac))
                    return bits.bad_code ? "bad Huffman code" : "a scan's data ends before its last block";
        }
    }
    codes_end = bits.codes_end();
    return {};
}

// A sequential scan in the tidy copy, to be walked code by code once the copy is whole (a scan's last
// restart interval may be sought in the bytes after it): where its data starts and ends, the restart
// interval, and its components with their tables, or why it cannot be walked.
struct TidyScan {
    std::size_t data = 0, end = 0;
    std::uint32_t interval = 0;
    std::vector<ScanComponent> components{};
    std::string problem{};
};

// The file as stb_image is to read it (see the top of the file), or why it cannot be read.
struct Tidied {
    std::vector<std::uint8_t> bytes;
    std::string problem;
    bool end = false; // an end-of-image marker was found (and copied)
    JpegFrame frame{};
    std::vector<TidyScan> scans{};
};

Tidied tidy(Bytes b) {
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8)
        return {{}, "no start of image"};
    Tidied out{{0xFF, 0xD8}, {}};
    std::optional<JpegFrame> frame;
    bool scan = false;
    std::array<HuffmanTable, 8> tables; // as defined so far (stb_image reads undefined ones as they lie)
    const auto defined = [&tables](unsigned slot) { return slot < 8 && tables[slot].defined; };
    unsigned quantization = 0; // the quantization tables defined so far (bit per table)
    bool progressive = false;
    std::array<std::uint8_t, 256> table_of{}; // each frame component's quantization table, by identifier
    std::array<bool, 256> latched{};          // components a scan has coded (their table checked)
    std::uint32_t interval = 0;               // the restart interval, in MCUs (0: no restarts)
    const auto copy = [&](std::size_t from, std::size_t to) {
        out.bytes.insert(out.bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(from),
                         b.begin() + static_cast<std::ptrdiff_t>(to));
    };
    const auto fail = [](std::string why) { return Tidied{{}, std::move(why)}; };
    JpegMarkers markers{b};
    while (const std::optional<JpegMarker> m = markers.next()) {
        const std::uint8_t marker = m->code;
        if (marker == 0xD9) {
            out.bytes.insert(out.bytes.end(), {0xFF, 0xD9});
            out.end = true;
            break;
        }
        const bool sof = is_jpeg_frame_header(marker);
        const bool known = sof || marker == 0xC4 || marker == 0xDA || marker == 0xDB || marker == 0xDD ||
                           marker == 0xDC || (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE;
        if (!known)
            return fail("unknown marker " + std::to_string(marker));
        if (!m->whole)
            return fail("a segment runs past the end of the file");
        const Bytes payload = m->payload;
        if (marker == 0xC4 && !define_huffman_tables(payload, tables))
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
            frame = read_jpeg_frame(payload);
            if (frame->count == 4)
                return fail("CMYK images are not read");
            progressive = marker == 0xC2;
            for (const JpegFrame::Component& c : frame->components)
                table_of[c.id] = c.table;
        }
        if (marker != 0xDA) {
            if (marker != 0xDC) // DNL, which libjpeg skips too (a frame of height 0 is refused)
                copy(m->at, m->end);
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
            if (!progressive && !defined(slot)) {
                const std::vector<std::uint8_t> table = standard_table(slot / 4 * 2 + slot % 4);
                standard.insert(standard.end(), table.begin(), table.end());
            }
        if (!standard.empty()) {
            define_huffman_tables(standard, tables);
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
            if (start == 0 && !defined(selectors >> 4))
                return fail("a scan uses a DC table that is not defined");
            if (end > 0 && !defined(4 + (selectors & 15)))
                return fail("a scan uses an AC table that is not defined");
        }
        const bool first_scan = !scan;
        scan = true;
        std::size_t data_end = markers.scan_data_end(m->end);
        // Without restarts, a restart marker ends the scan's data, as it ends libjpeg's reading of it (and
        // stb_image's, which then refuses the marker after the scan).
        for (std::size_t i = m->end; interval == 0 && i + 1 < data_end; ++i)
            if (b[i] == 0xFF && b[i + 1] >= 0xD0 && b[i + 1] <= 0xD7) {
                data_end = i;
                break;
            }
        // A progressive scan's restart markers must all be there, in turn, as libjpeg-turbo reads them:
        // stb_image takes a missing one for the scan's end and leaves the blocks after it as its memory held
        // them. (Its codes are not walked.)
        if (progressive && interval != 0) {
            const auto only = std::find_if(frame->components.begin(), frame->components.end(),
                                           [&](const JpegFrame::Component& c) { return c.id == payload[1]; });
            const std::uint64_t mcus =
                scan_mcus(*frame, count == 1 && only != frame->components.end() ? &*only : nullptr);
            std::uint64_t restarts = 0; // in turn, up to the first out of turn
            for (std::size_t i = m->end; i + 1 < data_end; ++i)
                if (b[i] == 0xFF && (b[i + 1] & 0xF8) == 0xD0) {
                    if (b[i + 1] != 0xD0 + restarts % 8)
                        break;
                    ++restarts;
                }
            if (mcus != 0 && restarts < (mcus - 1) / interval)
                return fail("a restart marker is missing or out of turn");
        }
        const std::size_t copied = out.bytes.size(), band = copied + 5 + 2 * count; // in the copy
        copy(m->at, data_end);
        markers.at = data_end;
        if (!progressive) {
            out.bytes[band] = 0;
            out.bytes[band + 1] = 63;
            out.bytes[band + 2] = 0;
            // Its tables are defined (above), but a DC selector of 4 to 7 names an AC table's place.
            TidyScan& walked =
                out.scans.emplace_back(TidyScan{copied + (m->end - m->at), out.bytes.size(), interval});
            for (std::size_t i = 0; i < count && walked.problem.empty(); ++i) {
                const auto found =
                    std::find_if(frame->components.begin(), frame->components.end(),
                                 [&](const JpegFrame::Component& c) { return c.id == payload[1 + 2 * i]; });
                const unsigned dc = payload[2 + 2 * i] >> 4, ac = payload[2 + 2 * i] & 15u;
                if (found == frame->components.end() || dc > 3)
                    walked.problem = "a scan names a component or table that is not defined";
                else
                    walked.components.push_back({*found, tables[dc], tables[4 + ac]});
            }
            if (count == 0)
                walked.problem = "a scan without components";
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
        if (!progressive && first_scan &&
            std::all_of(frame->components.begin(), frame->components.end(),
                        [&](const JpegFrame::Component& c) { return in_scan(c.id); })) {
            out.bytes.insert(out.bytes.end(), {0xFF, 0xD9});
            out.end = true;
            break;
        }
    }
    if (!scan)
        return fail("no scan");
    out.frame = *frame;
    return out;
}

} // namespace

DecodedImage decode_jpeg(Bytes b) {
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
    // lacks only its end marker is read as libjpeg-turbo reads it, the marker given. Bytes after a scan's
    // last code are passed over by libjpeg; stb_image takes an FF among them for a marker after the scan.
    // They are left out, the last first.
    std::vector<std::pair<std::size_t, std::size_t>> junk;
    for (const TidyScan& scan : tidied.scans) {
        std::size_t codes_end = scan.data;
        const std::string problem = scan.problem.empty()
                                        ? scan_problem(tidied.bytes, scan.data, tidied.frame, scan.components,
                                                       scan.interval, codes_end)
                                        : scan.problem;
        if (!problem.empty())
            return invalid("JPEG: " + problem);
        if (codes_end < scan.end)
            junk.emplace_back(codes_end, scan.end);
    }
    for (auto range = junk.rbegin(); range != junk.rend(); ++range)
        tidied.bytes.erase(tidied.bytes.begin() + static_cast<std::ptrdiff_t>(range->first),
                           tidied.bytes.begin() + static_cast<std::ptrdiff_t>(range->second));
    if (!tidied.end && jpeg_only_end_missing(layout))
        tidied.bytes.insert(tidied.bytes.end(), {0xFF, 0xD9});
    // Three samples a pixel from stb_image, not four: its output is held beside the texels made from it.
    int w = 0, h = 0, n = 0;
    const std::unique_ptr<stbi_uc, void (*)(void*)> data(
        stbi_load_from_memory(tidied.bytes.data(), static_cast<int>(tidied.bytes.size()), &w, &h, &n, 3),
        stbi_image_free);
    if (data == nullptr)
        return invalid(std::string("JPEG: ") + stbi_failure_reason());
    DecodedImage out =
        blank_image(static_cast<std::uint64_t>(w), static_cast<std::uint64_t>(h), D3DFMT_X8R8G8B8);
    for (std::size_t i = 0; i < out.image.pixels.size(); ++i) {
        const stbi_uc* p = data.get() + i * 3;
        out.image.pixels[i] = argb(0xFF, p[0], p[1], p[2]);
    }
    return out;
}

} // namespace platform::image
