// The check the stb_image JPEG reader (image_jpeg_stb.cpp) makes of a sequential file's scans: whether each
// scan's data holds the codes of every block the scan covers, and only codes. stb_image reads zero bits past
// a scan's data without a word, where libjpeg-turbo refuses data that stops before the scan's last block
// (here, in a file without its end-of-image marker too); so the scans' Huffman codes are walked here as a
// sequential decoder reads them (the codes and their extra bits only: no coefficient is kept), restart
// intervals included. Bits that are no code are refused here too, as our libjpeg-turbo reader refuses them;
// stb_image would refuse them as well, after decoding everything before them.
#include "image/image_formats.h"

#include <algorithm>

namespace platform::d3dx9 {
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
    // At a restart interval's end: the buffered bits dropped and the restart marker passed (bytes before it
    // are skipped, as decoders skip them).
    bool restart() {
        buffer = 0;
        bits = 0;
        at_marker = false;
        while (at + 1 < b.size() && !(b[at] == 0xFF && b[at + 1] >= 0xD0 && b[at + 1] <= 0xD7))
            ++at;
        if (at + 1 >= b.size())
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

void define_tables(Bytes t, std::array<HuffmanTable, 8>& tables) {
    std::size_t at = 0;
    while (at + 17 <= t.size()) {
        HuffmanTable& table = tables[(t[at] >> 4) * 4 + (t[at] & 3)];
        table = HuffmanTable{};
        table.defined = true;
        std::uint32_t code = 0, total = 0;
        for (unsigned length = 1; length <= 16; ++length) {
            table.first[length] = code;
            table.count[length] = t[at + length];
            table.start[length] = total;
            code = (code + table.count[length]) << 1;
            total += table.count[length];
        }
        const std::size_t end = std::min(t.size(), at + 17 + total);
        table.symbols.assign(t.begin() + static_cast<std::ptrdiff_t>(at + 17),
                             t.begin() + static_cast<std::ptrdiff_t>(end));
        table.symbols.resize(total, 0);
        for (unsigned length = 1; length <= HuffmanTable::fast_bits; ++length)
            for (std::uint32_t i = 0; i < table.count[length]; ++i) {
                const std::uint32_t code = table.first[length] + i;
                const unsigned spare = HuffmanTable::fast_bits - length;
                for (std::uint32_t tail = 0; tail < (1u << spare); ++tail)
                    table.fast[(code << spare) | tail] =
                        static_cast<std::uint16_t>(length << 8 | table.symbols[table.start[length] + i]);
            }
        at += 17 + total;
    }
}

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

struct FrameComponent {
    std::uint8_t id, h, v;
};
struct Frame {
    std::vector<FrameComponent> components;
    std::uint32_t width = 0, height = 0;
    unsigned hmax = 1, vmax = 1;
};
struct ScanComponent {
    const FrameComponent* component;
    const HuffmanTable *dc, *ac;
};

// Why one scan's data, from `data` to the next marker but a restart, does not hold the codes of every block
// the scan covers, or an empty string, and where its last code's byte ends: a scan of one component codes
// its blocks one by one; a scan of several, MCUs of each component's sampling factors' blocks.
std::string scan_problem(Bytes t, std::size_t data, const Frame& frame,
                         const std::vector<ScanComponent>& scan, std::uint32_t interval,
                         std::size_t& codes_end) {
    std::uint64_t mcus = 0;
    if (scan.size() == 1) {
        const FrameComponent& c = *scan[0].component;
        const std::uint64_t columns = (std::uint64_t{frame.width} * c.h + frame.hmax - 1) / frame.hmax;
        const std::uint64_t rows = (std::uint64_t{frame.height} * c.v + frame.vmax - 1) / frame.vmax;
        mcus = (columns + 7) / 8 * ((rows + 7) / 8);
    } else {
        mcus = (frame.width + 8 * frame.hmax - 1) / (8 * frame.hmax) *
               std::uint64_t{(frame.height + 8 * frame.vmax - 1) / (8 * frame.vmax)};
    }
    BitReader bits{t, data};
    for (std::uint64_t mcu = 0; mcu < mcus; ++mcu) {
        if (interval != 0 && mcu != 0 && mcu % interval == 0 && !bits.restart())
            return "a scan's data ends before its last block";
        for (const ScanComponent& c : scan) {
            const unsigned blocks = scan.size() == 1 ? 1u : unsigned{c.component->h} * c.component->v;
            for (unsigned i = 0; i < blocks; ++i)
                if (!walk_block(bits, *c.dc, *c.ac))
                    return bits.bad_code ? "bad Huffman code" : "a scan's data ends before its last block";
        }
    }
    codes_end = bits.codes_end();
    return {};
}

} // namespace

JpegScanWalk walk_jpeg_scans(Bytes t) {
    JpegScanWalk walk;
    const auto refuse = [&walk](std::string problem) {
        walk.problem = std::move(problem);
        walk.junk.clear();
        return walk;
    };
    Frame frame;
    std::uint32_t interval = 0;
    std::array<HuffmanTable, 8> tables;
    std::size_t at = 2;
    while (at + 4 <= t.size() && t[at] == 0xFF) {
        const std::uint8_t marker = t[at + 1];
        const std::size_t length = std::size_t{t[at + 2]} << 8 | t[at + 3];
        if (length < 2 || at + 2 + length > t.size())
            return refuse("a segment runs past the end of the file");
        const Bytes payload = t.subspan(at + 4, length - 2);
        at += 2 + length;
        if (marker == 0xC4) {
            define_tables(payload, tables);
        } else if (marker == 0xDD && payload.size() >= 2) {
            interval = std::uint32_t{payload[0]} << 8 | payload[1];
        } else if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (marker > 0xC1 || payload.size() < 6)
                return walk; // progressive (or refused elsewhere): its scans are not walked
            frame.height = std::uint32_t{payload[1]} << 8 | payload[2];
            frame.width = std::uint32_t{payload[3]} << 8 | payload[4];
            for (std::size_t i = 0; i < payload[5] && 8 + 3 * i < payload.size(); ++i) {
                frame.components.push_back({payload[6 + 3 * i],
                                            static_cast<std::uint8_t>(payload[7 + 3 * i] >> 4),
                                            static_cast<std::uint8_t>(payload[7 + 3 * i] & 15)});
                frame.hmax = std::max<unsigned>(frame.hmax, frame.components.back().h);
                frame.vmax = std::max<unsigned>(frame.vmax, frame.components.back().v);
            }
        } else if (marker == 0xDA) {
            std::vector<ScanComponent> scan;
            const std::size_t count = payload.empty() ? 0 : payload[0];
            for (std::size_t i = 0; i < count && 2 + 2 * i < payload.size(); ++i) {
                const auto found =
                    std::find_if(frame.components.begin(), frame.components.end(),
                                 [&](const FrameComponent& c) { return c.id == payload[1 + 2 * i]; });
                const unsigned dc = payload[2 + 2 * i] >> 4, ac = payload[2 + 2 * i] & 15u;
                if (found == frame.components.end() || dc > 3 || ac > 3 || !tables[dc].defined ||
                    !tables[4 + ac].defined)
                    return refuse("a scan names a component or table that is not defined");
                scan.push_back({&*found, &tables[dc], &tables[4 + ac]});
            }
            if (scan.empty() || frame.width == 0 || frame.height == 0)
                return refuse("a scan without components or frame");
            std::size_t codes_end = at;
            if (std::string problem = scan_problem(t, at, frame, scan, interval, codes_end); !problem.empty())
                return refuse(std::move(problem));
            // The scan's data runs to the next marker that is not a stuffed FF or a restart.
            while (at + 1 < t.size() &&
                   !(t[at] == 0xFF && t[at + 1] != 0x00 && t[at + 1] != 0xFF && (t[at + 1] & 0xF8) != 0xD0))
                ++at;
            if (at + 1 >= t.size())
                at = t.size(); // the file ends in the scan's data
            if (codes_end < at)
                walk.junk.emplace_back(codes_end, at);
        }
    }
    return walk;
}

} // namespace platform::d3dx9
