// What a JPEG file's markers say before anything is decoded, for both builds' JPEG readers (libjpeg-turbo on
// the desktop, stb_image on the web): the frame's size and components and the components each scan codes,
// found by walking the markers as libjpeg walks them (bytes between segments are skipped; a scan's
// entropy-coded data runs to the next marker that is not a stuffed 0xFF or a restart).
//
// From it, the data a file must at least hold: every Huffman-coded scan spends at least one bit on each
// 8 x 8 block of each component it covers, and the first scan of a component (which must be its DC scan)
// covers all its blocks. Every component must be coded, so a file of n bytes holds at most 8 n blocks of
// all its components together; a file claiming more cannot hold its image, and a component that no scan
// codes is data the file does not have (a decoder would leave it flat).
//
// A progressive frame's scans must refine each coefficient in turn: each scan's earlier bits are those
// the scans before it left, a refinement adds one bit, an AC scan codes one component and follows its DC.
// libjpeg-turbo refuses scans out of order (with our reader, which takes its warning as an error);
// stb_image reads them into a picture of its own. Both builds refuse them here.
//
// In a progressive file each component's first scan must be its first DC scan (spectral selection from 0,
// successive approximation high bit 0): that scan is what sets every coefficient of every block, the DC
// from the file and the rest to 0, before later scans add to them. libjpeg refuses any other order as an
// inconsistent progression; stb_image would read the coefficients no scan wrote from a buffer it never
// cleared. Both builds refuse it here, before anything is decoded.
//
// A file may end inside its last scan's data without the end-of-image marker; libjpeg-turbo then supplies
// the marker. In a sequential file whose scans code every component, the marker is all that is missing if
// that data is whole, and both builds read it (jpeg_only_end_missing).
#include "image/image_formats.h"

#include <algorithm>
#include <array>

namespace platform::d3dx9 {
namespace {

bool is_frame_header(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// What libjpeg-turbo finds wrong with a progressive scan (its header's payload), given the bits each
// coefficient has had so far, which it updates: a band that is no band (DC alone, or AC of one component),
// a refinement that is not by one bit, or a scan whose earlier bits are not those the scans before left (or
// AC before DC). An empty string when there is nothing wrong.
std::string progression_problem(Bytes scan, std::vector<std::array<int, 64>>& bits) {
    const std::size_t count = scan[0];
    const unsigned ss = scan[1 + 2 * count], se = scan[2 + 2 * count];
    const int ah = scan[3 + 2 * count] >> 4, al = scan[3 + 2 * count] & 15;
    const bool dc = ss == 0;
    if ((dc && se != 0) || (!dc && (ss > se || se > 63 || count != 1)) || (ah != 0 && al != ah - 1) ||
        al > 13)
        return "invalid progressive scan";
    for (std::size_t i = 0; i < count; ++i) {
        std::array<int, 64>& coefficient = bits[scan[1 + 2 * i]];
        if (!dc && coefficient[0] < 0)
            return "a progressive scan codes AC before DC";
        for (unsigned k = ss; k <= se; ++k) {
            if (ah != std::max(coefficient[k], 0))
                return "progressive scans out of order";
            coefficient[k] = al;
        }
    }
    return {};
}

} // namespace

JpegLayout read_jpeg_layout(Bytes b) {
    JpegLayout layout;
    // Of each component (by identifier), the low bit of each coefficient coded so far (-1: none yet), for
    // progressive frames.
    std::vector<std::array<int, 64>> bits;
    std::size_t at = 2; // after the start-of-image marker
    while (at + 1 < b.size()) {
        if (b[at] != 0xFF || b[at + 1] == 0xFF) {
            ++at;
            continue;
        }
        const std::uint8_t marker = b[at + 1];
        if (marker == 0xD9) // end of image
            break;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += 2; // markers without a segment
            continue;
        }
        if (at + 4 > b.size())
            break;
        const std::size_t length = std::size_t{b[at + 2]} << 8 | b[at + 3];
        const std::size_t body = at + 4;
        at += 2 + length;
        if (length < 2 || at > b.size())
            break;
        if (is_frame_header(marker) && !layout.frame && length >= 8) {
            layout.frame = true;
            layout.progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            layout.height = std::uint32_t{b[body + 1]} << 8 | b[body + 2];
            layout.width = std::uint32_t{b[body + 3]} << 8 | b[body + 4];
            const std::size_t count = b[body + 5];
            for (std::size_t i = 0; i < count && body + 8 + 3 * i < at; ++i) {
                const std::uint8_t sampling = b[body + 7 + 3 * i];
                layout.components.push_back({b[body + 6 + 3 * i], static_cast<std::uint8_t>(sampling >> 4),
                                             static_cast<std::uint8_t>(sampling & 15)});
            }
        }
        if (marker != 0xDA)
            continue;
        ++layout.scans;
        const std::size_t count = length > 2 ? b[body] : 0;
        // After the components: the spectral selection's start and end, then the successive approximation.
        const bool first_dc =
            body + 3 + 2 * count < at && b[body + 1 + 2 * count] == 0 && (b[body + 3 + 2 * count] >> 4) == 0;
        for (std::size_t i = 0; i < count && body + 1 + 2 * i < at; ++i) {
            const std::uint8_t id = b[body + 1 + 2 * i];
            if (!layout.coded[id] && layout.progressive && !first_dc)
                layout.dc_not_first[id] = true;
            layout.coded[id] = true;
        }
        if (layout.progressive && layout.progression.empty() && body + 3 + 2 * count < at) {
            if (bits.empty()) {
                std::array<int, 64> none{};
                none.fill(-1);
                bits.assign(256, none);
            }
            layout.progression = progression_problem(b.subspan(body, 4 + 2 * count), bits);
        }
        while (at + 1 < b.size() &&
               !(b[at] == 0xFF && b[at + 1] != 0x00 && b[at + 1] != 0xFF && (b[at + 1] & 0xF8) != 0xD0))
            ++at;
        layout.ends_in_scan_data = at + 1 >= b.size();
    }
    return layout;
}

bool jpeg_only_end_missing(const JpegLayout& layout) {
    if (!layout.frame || layout.progressive || !layout.ends_in_scan_data || layout.components.empty())
        return false;
    return std::all_of(layout.components.begin(), layout.components.end(),
                       [&](const JpegLayout::Component& c) { return layout.coded[c.id]; });
}

std::string jpeg_data_problem(const JpegLayout& layout, std::size_t file_bytes) {
    std::uint64_t widest = 1;
    std::uint64_t tallest = 1;
    for (const JpegLayout::Component& c : layout.components) {
        widest = std::max<std::uint64_t>(widest, c.h);
        tallest = std::max<std::uint64_t>(tallest, c.v);
    }
    std::uint64_t blocks = 0;
    for (const JpegLayout::Component& c : layout.components) // each component's size in blocks, as libjpeg's
        blocks += (std::uint64_t{layout.width} * c.h + widest * 8 - 1) / (widest * 8) *
                  ((std::uint64_t{layout.height} * c.v + tallest * 8 - 1) / (tallest * 8));
    if (blocks > 8 * std::uint64_t{file_bytes})
        return "the file is too short to hold " + std::to_string(layout.width) + " x " +
               std::to_string(layout.height) + " pixels";
    for (const JpegLayout::Component& c : layout.components)
        if (!layout.coded[c.id])
            return "no scan codes component " + std::to_string(c.id);
    for (const JpegLayout::Component& c : layout.components)
        if (layout.dc_not_first[c.id])
            return "no DC scan starts component " + std::to_string(c.id);
    return layout.progression;
}

} // namespace platform::d3dx9
