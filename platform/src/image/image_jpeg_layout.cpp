// A JPEG file's markers walked as libjpeg walks them, for both builds' JPEG readers (libjpeg-turbo on the
// desktop, stb_image on the web and in the self-contained Windows build): bytes between segments are
// skipped, a scan's entropy-coded data runs to the next marker that is not a stuffed 0xFF or a restart, and
// a frame header gives the size and components. From the walk, what the markers say before anything is
// decoded: the frame and the components each scan codes.
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

namespace platform::image {

bool is_jpeg_frame_header(std::uint8_t code) {
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

std::optional<JpegMarker> JpegMarkers::next() {
    while (at + 1 < b.size()) {
        const std::uint8_t code = b[at + 1];
        if (b[at] != 0xFF || code == 0xFF) {
            ++at;
            continue;
        }
        if (code == 0x00 || code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
            at += 2;
            continue;
        }
        JpegMarker m{code, at, at + 2};
        if (code != 0xD8 && code != 0xD9) {
            const std::size_t length = at + 4 <= b.size() ? std::size_t{b[at + 2]} << 8 | b[at + 3] : 0;
            m.whole = length >= 2 && at + 2 + length <= b.size();
            m.end = m.whole ? at + 2 + length : b.size();
            m.payload = m.whole ? b.subspan(at + 4, length - 2) : Bytes{};
        }
        at = m.end;
        return m;
    }
    return std::nullopt;
}

std::size_t JpegMarkers::scan_data_end(std::size_t from) const {
    for (; from + 1 < b.size(); ++from)
        if (b[from] == 0xFF && b[from + 1] != 0x00 && b[from + 1] != 0xFF && (b[from + 1] & 0xF8) != 0xD0)
            return from;
    return b.size();
}

JpegFrame read_jpeg_frame(Bytes p) {
    JpegFrame frame;
    if (p.size() < 6)
        return frame;
    frame.height = std::uint32_t{p[1]} << 8 | p[2];
    frame.width = std::uint32_t{p[3]} << 8 | p[4];
    frame.count = p[5];
    for (std::size_t i = 0; i < frame.count && 8 + 3 * i < p.size(); ++i) {
        const JpegFrame::Component c{p[6 + 3 * i], static_cast<std::uint8_t>(p[7 + 3 * i] >> 4),
                                     static_cast<std::uint8_t>(p[7 + 3 * i] & 15), p[8 + 3 * i]};
        frame.components.push_back(c);
        frame.h_max = std::max<unsigned>(frame.h_max, c.h);
        frame.v_max = std::max<unsigned>(frame.v_max, c.v);
    }
    return frame;
}

namespace {

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
    JpegMarkers markers{b};
    while (const std::optional<JpegMarker> m = markers.next()) {
        if (m->code == 0xD9 || !m->whole)
            break;
        const Bytes p = m->payload;
        if (is_jpeg_frame_header(m->code) && !layout.frame && p.size() >= 6) {
            layout.frame = read_jpeg_frame(p);
            layout.progressive = m->code == 0xC2 || m->code == 0xC6 || m->code == 0xCA || m->code == 0xCE;
        }
        if (m->code != 0xDA)
            continue;
        ++layout.scans;
        const std::size_t count = p.empty() ? 0 : p[0];
        // After the components: the spectral selection's start and end, then the successive approximation.
        const bool whole = 3 + 2 * count < p.size();
        const bool first_dc = whole && p[1 + 2 * count] == 0 && (p[3 + 2 * count] >> 4) == 0;
        for (std::size_t i = 0; i < count && 1 + 2 * i < p.size(); ++i) {
            const std::uint8_t id = p[1 + 2 * i];
            if (!layout.coded[id] && layout.progressive && !first_dc)
                layout.dc_not_first[id] = true;
            layout.coded[id] = true;
        }
        if (layout.progressive && layout.progression.empty() && whole) {
            if (bits.empty()) {
                std::array<int, 64> none{};
                none.fill(-1);
                bits.assign(256, none);
            }
            layout.progression = progression_problem(p.first(4 + 2 * count), bits);
        }
        markers.at = markers.scan_data_end(m->end);
        layout.ends_in_scan_data = markers.at == b.size();
    }
    return layout;
}

bool jpeg_only_end_missing(const JpegLayout& layout) {
    if (!layout.frame || layout.progressive || !layout.ends_in_scan_data || layout.frame->components.empty())
        return false;
    return std::all_of(layout.frame->components.begin(), layout.frame->components.end(),
                       [&](const JpegFrame::Component& c) { return layout.coded[c.id]; });
}

std::string jpeg_data_problem(const JpegLayout& layout, std::size_t file_bytes) {
    const JpegFrame frame = layout.frame.value_or(JpegFrame{});
    const std::uint64_t widest = frame.h_max, tallest = frame.v_max;
    std::uint64_t blocks = 0;
    for (const JpegFrame::Component& c : frame.components) // each component's size in blocks, as libjpeg's
        blocks += (std::uint64_t{frame.width} * c.h + widest * 8 - 1) / (widest * 8) *
                  ((std::uint64_t{frame.height} * c.v + tallest * 8 - 1) / (tallest * 8));
    if (blocks > 8 * std::uint64_t{file_bytes})
        return "the file is too short to hold " + std::to_string(frame.width) + " x " +
               std::to_string(frame.height) + " pixels";
    for (const JpegFrame::Component& c : frame.components)
        if (!layout.coded[c.id])
            return "no scan codes component " + std::to_string(c.id);
    for (const JpegFrame::Component& c : frame.components)
        if (layout.dc_not_first[c.id])
            return "no DC scan starts component " + std::to_string(c.id);
    return layout.progression;
}

} // namespace platform::image
