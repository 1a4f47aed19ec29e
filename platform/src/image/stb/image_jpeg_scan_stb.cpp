// The check the stb_image JPEG reader (image_jpeg_stb.cpp) makes of a sequential file that ends inside its
// last scan's data without an end-of-image marker: whether that data holds the codes of every block the scan
// covers. stb_image reads zero bits past the data's end without a word, where libjpeg-turbo reports data that
// stops before the image's last block; so the scan's Huffman codes are walked here as a sequential decoder
// reads them (the codes and their extra bits only: no coefficient is kept), restart intervals included.
#include "image/image_formats.h"

#include <algorithm>

namespace platform::d3dx9 {
namespace {

// A Huffman table of a DHT segment, for decoding bit by bit: of each code length, the first code, how many
// codes there are, and where their symbols start.
struct HuffmanTable {
    bool defined = false;
    std::array<std::uint32_t, 17> first{}, count{}, start{};
    std::vector<std::uint8_t> symbols;
};

// Bits of entropy-coded data from `at` on, as a decoder reads them: a stuffed FF 00 is the byte FF, fill
// bytes before a marker are skipped, and a marker (a restart, or the end of the data) gives no bits.
struct BitReader {
    Bytes b;
    std::size_t at;
    std::uint32_t byte = 0;
    int left = 0; // bits of `byte` not read yet

    // The next byte of data, or false at a marker or the end of the file.
    bool next_byte() {
        if (at >= b.size())
            return false;
        if (b[at] != 0xFF) {
            byte = b[at++];
            return true;
        }
        std::size_t next = at + 1;
        while (next < b.size() && b[next] == 0xFF)
            ++next;
        if (next >= b.size() || b[next] != 0x00)
            return false; // a marker, or the file's end inside one
        byte = 0xFF;
        at = next + 1;
        return true;
    }
    bool bit(std::uint32_t& out) {
        if (left == 0) {
            if (!next_byte())
                return false;
            left = 8;
        }
        --left;
        out = (byte >> left) & 1;
        return true;
    }
    bool skip(unsigned bits) {
        std::uint32_t ignored = 0;
        for (unsigned i = 0; i < bits; ++i)
            if (!bit(ignored))
                return false;
        return true;
    }
    // The symbol of the next code; false when the data ends first or no code matches.
    bool symbol(const HuffmanTable& table, std::uint8_t& out) {
        std::uint32_t code = 0;
        for (unsigned length = 1; length <= 16; ++length) {
            std::uint32_t b0 = 0;
            if (!bit(b0))
                return false;
            code = code << 1 | b0;
            if (code - table.first[length] < table.count[length]) {
                out = table.symbols[table.start[length] + code - table.first[length]];
                return true;
            }
        }
        return false;
    }
    // At a restart interval's end: the rest of the byte dropped and the restart marker passed.
    bool restart() {
        left = 0;
        while (at + 1 < b.size() && !(b[at] == 0xFF && b[at + 1] >= 0xD0 && b[at + 1] <= 0xD7))
            ++at;
        if (at + 1 >= b.size())
            return false;
        at += 2;
        return true;
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

} // namespace

bool jpeg_last_scan_whole(Bytes t) {
    struct FrameComponent {
        std::uint8_t id, h, v;
    };
    std::vector<FrameComponent> frame;
    std::uint32_t width = 0, height = 0, interval = 0;
    std::array<HuffmanTable, 8> tables;
    // The last scan: its components (index into the frame, DC and AC table) and where its data starts.
    struct ScanComponent {
        std::size_t component;
        unsigned dc, ac;
    };
    std::vector<ScanComponent> scan;
    std::array<HuffmanTable, 8> scan_tables;
    std::uint32_t scan_interval = 0;
    std::size_t data = 0;
    std::size_t at = 2;
    while (at + 4 <= t.size() && t[at] == 0xFF) {
        const std::uint8_t marker = t[at + 1];
        const std::size_t length = std::size_t{t[at + 2]} << 8 | t[at + 3];
        if (length < 2 || at + 2 + length > t.size())
            return false;
        const Bytes payload = t.subspan(at + 4, length - 2);
        at += 2 + length;
        if (marker == 0xC4)
            define_tables(payload, tables);
        else if (marker == 0xDD && payload.size() >= 2)
            interval = std::uint32_t{payload[0]} << 8 | payload[1];
        else if (marker >= 0xC0 && marker <= 0xC1 && payload.size() >= 6) {
            height = std::uint32_t{payload[1]} << 8 | payload[2];
            width = std::uint32_t{payload[3]} << 8 | payload[4];
            frame.clear();
            for (std::size_t i = 0; i < payload[5] && 8 + 3 * i < payload.size(); ++i)
                frame.push_back({payload[6 + 3 * i], static_cast<std::uint8_t>(payload[7 + 3 * i] >> 4),
                                 static_cast<std::uint8_t>(payload[7 + 3 * i] & 15)});
        } else if (marker == 0xDA) {
            scan.clear();
            const std::size_t count = payload.empty() ? 0 : payload[0];
            for (std::size_t i = 0; i < count && 2 + 2 * i < payload.size(); ++i) {
                const auto found = std::find_if(frame.begin(), frame.end(), [&](const FrameComponent& c) {
                    return c.id == payload[1 + 2 * i];
                });
                if (found == frame.end())
                    return false;
                const unsigned dc = payload[2 + 2 * i] >> 4, ac = payload[2 + 2 * i] & 15u;
                if (dc > 3 || ac > 3)
                    return false;
                scan.push_back({static_cast<std::size_t>(found - frame.begin()), dc, 4 + ac});
            }
            scan_tables = tables;
            scan_interval = interval;
            data = at;
            // The scan's data runs to the next marker that is not a stuffed FF or a restart.
            while (at + 1 < t.size() &&
                   !(t[at] == 0xFF && t[at + 1] != 0x00 && t[at + 1] != 0xFF && (t[at + 1] & 0xF8) != 0xD0))
                ++at;
        }
    }
    if (scan.empty() || frame.empty() || width == 0 || height == 0)
        return false;
    for (const ScanComponent& c : scan)
        if (!scan_tables[c.dc].defined || !scan_tables[c.ac].defined)
            return false;
    unsigned hmax = 1, vmax = 1;
    for (const FrameComponent& c : frame) {
        hmax = std::max<unsigned>(hmax, c.h);
        vmax = std::max<unsigned>(vmax, c.v);
    }
    // A scan of one component codes its blocks one by one; a scan of several, MCUs of each component's
    // sampling factors' blocks.
    std::uint64_t mcus = 0;
    if (scan.size() == 1) {
        const FrameComponent& c = frame[scan[0].component];
        const std::uint64_t columns = (std::uint64_t{width} * c.h + hmax - 1) / hmax;
        const std::uint64_t rows = (std::uint64_t{height} * c.v + vmax - 1) / vmax;
        mcus = (columns + 7) / 8 * ((rows + 7) / 8);
    } else {
        mcus = (width + 8 * hmax - 1) / (8 * hmax) * std::uint64_t{(height + 8 * vmax - 1) / (8 * vmax)};
    }
    BitReader bits{t, data};
    for (std::uint64_t mcu = 0; mcu < mcus; ++mcu) {
        if (scan_interval != 0 && mcu != 0 && mcu % scan_interval == 0 && !bits.restart())
            return false;
        for (const ScanComponent& c : scan) {
            const unsigned blocks =
                scan.size() == 1 ? 1u : unsigned{frame[c.component].h} * frame[c.component].v;
            for (unsigned i = 0; i < blocks; ++i)
                if (!walk_block(bits, scan_tables[c.dc], scan_tables[c.ac]))
                    return false;
        }
    }
    return true;
}

} // namespace platform::d3dx9
