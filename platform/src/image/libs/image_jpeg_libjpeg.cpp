// JPEG files for the texture loader, decoded with libjpeg-turbo: baseline and progressive, grey, YCbCr and
// RGB, as X8R8G8B8. Refused: CMYK/YCCK, arithmetic coding, files whose scans end before the image does
// (libjpeg's "premature end" warnings are taken as errors) or hold bits that are no code, a component that no
// scan codes (libjpeg would leave it flat), a progressive component whose first scan is not its DC scan, and
// files too short for the size they claim. A sequential file whose image data is all there but for its end
// marker is read.
//
// Too short, a component missing or its DC scan missing, is decided from the markers before anything is
// allocated (image_jpeg_layout.cpp). Arithmetic coding has no such floor, which is one reason it is refused;
// D3DX does not read it either.
#include "image/image_formats.h"

#include <cstdio>
#include <jpeglib.h>

#include <jerror.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace platform::image {
namespace {

// Progressive files may spread the image over any number of scans, each a pass over all its blocks; real
// encoders use at most a few dozen.
constexpr std::size_t max_scans = 128;

struct JpegRead {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
    bool end_may_be_missing = false; // the file's end without an end marker is no fault (see below)
    DecodedImage out;

    JpegRead() = default;
    JpegRead(const JpegRead&) = delete;
    JpegRead& operator=(const JpegRead&) = delete;
    ~JpegRead() {
        jpeg_destroy_decompress(&info);
    }
};

JpegRead* owner(j_common_ptr info) {
    return reinterpret_cast<JpegRead*>(reinterpret_cast<char*>(info) - offsetof(JpegRead, info));
}

// libjpeg's error callback must not return: it jumps back to decode_jpeg's setjmp.
[[noreturn]] void on_error(j_common_ptr info) {
    JpegRead* read = owner(info);
    (*info->err->format_message)(info, read->message);
    std::longjmp(read->jump, 1);
}

// Warnings that mean the image data is missing, out of order or no code at all are errors here (the picture
// would be wrong from there on, and stb_image refuses such data too); the rest (extra bytes between markers
// and the like) are let through, as other readers let them through. Reaching the file's end
// is no fault in a sequential file that has all its scans and lacks only the end marker
// (jpeg_only_end_missing): libjpeg-turbo supplies the marker, and data that stops before the image's last
// block is still refused, as libjpeg-turbo then runs into that marker inside a block (JWRN_HIT_MARKER).
void on_message(j_common_ptr info, int level) {
    if (level >= 0)
        return;
    const int code = info->err->msg_code;
    if (code == JWRN_JPEG_EOF && owner(info)->end_may_be_missing)
        return;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_BOGUS_PROGRESSION ||
        code == JWRN_MUST_RESYNC || code == JWRN_HUFF_BAD_CODE)
        on_error(info);
}

} // namespace

DecodedImage decode_jpeg(Bytes bytes) {
    const JpegLayout layout = read_jpeg_layout(bytes);
    if (layout.scans > max_scans)
        return invalid("JPEG: more than " + std::to_string(max_scans) + " scans");
    // Everything that lives across the setjmp is made before it and held in `read`, whose address libjpeg
    // holds, so a jump back destroys nothing early and finds nothing stale.
    JpegRead read;
    read.end_may_be_missing = jpeg_only_end_missing(layout);
    read.info.err = jpeg_std_error(&read.errors);
    read.errors.error_exit = on_error;
    read.errors.emit_message = on_message;
    if (setjmp(read.jump))
        return invalid(std::string("JPEG: ") + read.message);

    jpeg_create_decompress(&read.info);
    jpeg_mem_src(&read.info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&read.info, TRUE);
    const JDIMENSION width = read.info.image_width;
    const JDIMENSION height = read.info.image_height;
    if (const std::string problem = size_problem(width, height); !problem.empty())
        return invalid("JPEG: " + problem);
    if (read.info.arith_code)
        return invalid("JPEG: arithmetic coding is not read");
    if (read.info.jpeg_color_space == JCS_CMYK || read.info.jpeg_color_space == JCS_YCCK)
        return invalid("JPEG: CMYK images are not read");
    if (const std::string problem = jpeg_data_problem(layout, bytes.size()); !problem.empty())
        return invalid("JPEG: " + problem);

    read.info.out_color_space = JCS_EXT_BGRA; // B, G, R, 0xFF: 0xFFRRGGBB words in memory
    read.info.scale_num = 1;
    read.info.scale_denom = 1;
    jpeg_start_decompress(&read.info);
    if (read.info.output_width != width || read.info.output_height != height ||
        read.info.output_components != 4)
        return invalid("JPEG: unexpected output layout");
    read.out = blank_image(width, height, D3DFMT_X8R8G8B8);
    while (read.info.output_scanline < height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(read.out.image.pixels.data() +
                                                  std::size_t{read.info.output_scanline} * width);
        if (jpeg_read_scanlines(&read.info, &row, 1) != 1)
            return invalid("JPEG: the scan data ends early");
    }
    return std::move(read.out);
}

} // namespace platform::image
