// The readers behind decode_image (image_decode.cpp), one file per format family, and what they share
// (image_common.cpp).
// Each reader takes the whole file (or as much of it as its file limit below allows), checks from the
// header that the pixel data the header promises is there before it allocates the image, and returns either a
// complete image or a one-line reason (D3DXERR_INVALIDDATA). A reader may throw std::bad_alloc; decode_image
// turns that into E_OUTOFMEMORY.
#pragma once

#include "image/image_decode.h"

#include <d3dx9.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace platform::image {

using Bytes = std::span<const std::uint8_t>;

DecodedImage failure(HRESULT result, std::string error);
inline DecodedImage invalid(std::string error) {
    return failure(D3DXERR_INVALIDDATA, std::move(error));
}

// An empty string when a width x height image may be read, else why not (zero, negative as read, or
// more than max_image_side a side).
std::string size_problem(std::int64_t width, std::int64_t height);

// A width x height image of the given format with every pixel 0, ready to be filled.
DecodedImage blank_image(std::uint64_t width, std::uint64_t height, D3DFORMAT format);

// A colour value of a floating-point format (0 to 1) as a byte: clamped, rounded; NaN reads as 0.
std::uint8_t unit_to_byte(float value);

// A channel of a pixel through its bit mask (one run of bits, not 0), scaled to 0..255 and rounded.
std::uint32_t masked_channel(std::uint32_t pixel, std::uint32_t mask);

inline std::uint32_t argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}
inline std::uint32_t u16le(Bytes b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8;
}
inline std::uint32_t u32le(Bytes b, std::size_t at) {
    return u16le(b, at) | u16le(b, at + 2) << 16;
}
inline std::uint32_t u32be(Bytes b, std::size_t at) {
    return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 | std::uint32_t{b[at + 2]} << 8 |
           b[at + 3];
}

DecodedImage decode_png(Bytes bytes);    // image_png_libpng.cpp (libpng)
DecodedImage decode_jpeg(Bytes bytes);   // image_jpeg_libjpeg.cpp (libjpeg-turbo)
DecodedImage decode_bmp(Bytes bytes);    // image_bmp.cpp
DecodedImage decode_tga(Bytes bytes);    // image_tga.cpp
DecodedImage decode_netpbm(Bytes bytes); // image_netpbm.cpp (PPM, PGM, PFM)
DecodedImage decode_hdr(Bytes bytes);    // image_hdr.cpp (Radiance RGBE)
DecodedImage decode_dds(Bytes bytes);    // image_dds.cpp

// Deflate cannot expand its input more than 1032 times, so PNG image data larger than that many times the
// whole file cannot be in it: such a file is refused before the image is allocated.
inline constexpr std::uint64_t max_inflate_ratio = 1032;

// The largest file read at all: an uncompressed 32-bit image of the largest size with room for its headers
// (a PFM of floats is the largest such file).
inline constexpr std::uint64_t max_file_bytes =
    std::uint64_t{max_image_side} * max_image_side * 12 + (1 << 20);

// How many of a file's bytes its reader can use, from its first bytes (`head`: the whole file, or at least
// its first head_bytes): where the pixel data the header describes ends, with room for what else the format
// may hold. A header that cannot be read gives head.size(), since the reader refuses it from those bytes
// alone; a format that does not bound its length gives max_file_bytes.
inline constexpr std::size_t head_bytes = 4096;
std::uint64_t bmp_file_limit(Bytes head);
std::uint64_t tga_file_limit(Bytes head);
std::uint64_t netpbm_file_limit(Bytes head);
std::uint64_t hdr_file_limit(Bytes head);
std::uint64_t dds_file_limit(Bytes head);

// A JPEG file's markers as libjpeg-turbo finds them (image_jpeg_layout.cpp), for both builds' JPEG readers.
// next() gives the next marker from `at` on, passing over what libjpeg's next_marker passes over (bytes
// before an FF, fill bytes, a stuffed FF 00, and TEM and RST0 to RST7, which stand alone), and moves `at`
// past its segment. Every marker but SOI and EOI heads a segment whose length follows it: `whole` when
// that length counts at least its own two bytes and the segment ends within the file.
struct JpegMarker {
    std::uint8_t code = 0;
    std::size_t at = 0, end = 0; // its FF, and the end of its segment (of the file, when not whole)
    bool whole = true;
    Bytes payload{}; // the segment after its length
};
struct JpegMarkers {
    Bytes b;
    std::size_t at = 2; // after the start-of-image marker
    std::optional<JpegMarker> next();
    // Where a scan's entropy-coded data from `from` on ends: at the next marker but a restart marker, or at
    // the file's end.
    std::size_t scan_data_end(std::size_t from) const;
};
bool is_jpeg_frame_header(std::uint8_t code); // SOF0 to SOF15

// A frame header's size and components (as many as the segment holds whole); zeros and no components from
// a segment too short for the size.
struct JpegFrame {
    struct Component {
        std::uint8_t id, h, v, table; // identifier, sampling factors, quantization table
    };
    std::uint32_t width = 0, height = 0;
    std::size_t count = 0; // components declared
    std::vector<Component> components;
    unsigned h_max = 1, v_max = 1; // the largest sampling factors
};
JpegFrame read_jpeg_frame(Bytes payload);

// What a JPEG's markers say before it is decoded: the first frame header long enough for its size, whether
// it is progressive, how many scans there are, which components they code (by identifier), which
// components of a progressive frame are first coded by a scan other than their first DC scan (spectral
// selection from 0, no earlier bits), whether a progressive frame's scans refine each coefficient in order
// (each scan's earlier bits those the one before left, as libjpeg-turbo checks them), and whether the file
// ends inside a scan's data.
struct JpegLayout {
    std::optional<JpegFrame> frame;
    bool progressive = false;
    std::size_t scans = 0;
    std::array<bool, 256> coded{};
    std::array<bool, 256> dc_not_first{};
    bool ends_in_scan_data = false; // the file ends inside a scan's data: no marker follows it
    std::string progression;        // why a progressive frame's scans are out of order, or empty
};
JpegLayout read_jpeg_layout(Bytes bytes);
// Whether a sequential file that ends inside its last scan's data, with no end-of-image marker, has all its
// image data if that scan's data is whole: every component coded by some scan. Both readers read such a file
// as libjpeg-turbo does, the end marker taken as given, unless the data stops before the scan's last block
// (libjpeg-turbo then runs into the marker inside a block; the stb_image reader walks the scans' codes). A
// progressive file without its end marker is refused: its last scan may be one of several that refine the
// picture, and a file cut after it would show a coarser picture without a word.
bool jpeg_only_end_missing(const JpegLayout& layout);
// Why a JPEG of this layout and length cannot hold its image (fewer than one bit for each 8 x 8 block of
// every component, a component that no scan codes, a progressive component whose first scan is not its
// DC scan, or progressive scans out of order), or an empty string.
std::string jpeg_data_problem(const JpegLayout& layout, std::size_t file_bytes);

// Whether the bytes start like a Targa header this reader takes (Targa files have no signature).
bool looks_like_tga(Bytes bytes);

} // namespace platform::image
