// Image files for D3DXCreateTextureFromFileA: the file read with POSIX calls (opened without blocking,
// regular files only; MinGW's on Windows, in binary mode), the format found from its first bytes and only as
// much of the rest read as that format's header says its reader can use, the bytes handed to that reader
// (image_formats.h), the default size (powers of two within the device's limit, level 0 resampled with a box
// filter) and the box-filtered mip chain.
#include "image/image_decode.h"
#include "image/image_formats.h"

#include <d3dx9.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>

namespace platform::image {

namespace {

struct FileDescriptor {
    int fd = -1;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    explicit FileDescriptor(int f) : fd(f) {}
    ~FileDescriptor() {
        if (fd >= 0)
            close(fd);
    }
};

bool starts_with(Bytes b, std::string_view magic) {
    return b.size() >= magic.size() &&
           std::equal(magic.begin(), magic.end(), b.begin(),
                      [](char m, std::uint8_t c) { return static_cast<std::uint8_t>(m) == c; });
}

// PNG's bound sits here rather than beside a reader: each build has a PNG reader of its own.
std::uint64_t png_file_limit(Bytes head) {
    if (head.size() < 33 || std::memcmp(head.data() + 12, "IHDR", 4) != 0)
        return head.size();
    const std::uint32_t width = u32be(head, 16);
    const std::uint32_t height = u32be(head, 20);
    if (!size_problem(width, height).empty())
        return head.size();
    // The filtered rows at their widest (16-bit RGBA) even if deflate stores them as they are, twice over for
    // the chunk and block framing of a writer that cuts its data small, and 16 MiB for the colour profiles,
    // text and other chunks beside the image.
    const std::uint64_t stored = std::uint64_t{height} * (1 + std::uint64_t{width} * 8);
    return 2 * stored + (16 << 20);
}

// A format known from its first bytes: its reader, and how much of the file the reader can use.
struct Format {
    DecodedImage (*decode)(Bytes);
    std::uint64_t (*file_limit)(Bytes head);
};

std::uint64_t unbounded(Bytes) {
    return max_file_bytes;
}
std::uint64_t nothing_more(Bytes head) {
    return head.size();
}

// The format of a file from its first bytes (at least head_bytes of them, or the whole file); nothing when
// it is none that is read or refused by name.
std::optional<Format> find_format(Bytes b) {
    if (starts_with(b, "\x89PNG\r\n\x1a\n"))
        return Format{decode_png, png_file_limit};
    if (starts_with(b, "\xFF\xD8\xFF"))
        return Format{decode_jpeg, unbounded}; // entropy-coded data has no length a header could give
    if (starts_with(b, "BM"))
        return Format{decode_bmp, bmp_file_limit};
    if (starts_with(b, "DDS "))
        return Format{decode_dds, dds_file_limit};
    if (starts_with(b, "#?"))
        return Format{decode_hdr, hdr_file_limit};
    if (b.size() >= 2 && b[0] == 'P' && (b[1] == 'F' || b[1] == 'f' || (b[1] >= '1' && b[1] <= '7')))
        return Format{decode_netpbm, netpbm_file_limit};
    // Formats D3DX does not read either.
    if (starts_with(b, "GIF8"))
        return Format{[](Bytes) { return invalid("GIF files are not read"); }, nothing_more};
    if (starts_with(b, "8BPS"))
        return Format{[](Bytes) { return invalid("Photoshop files are not read"); }, nothing_more};
    if (starts_with(b, "\x53\x80\xF6\x34"))
        return Format{[](Bytes) { return invalid("Softimage PIC files are not read"); }, nothing_more};
    if (looks_like_tga(b))
        return Format{decode_tga, tga_file_limit};
    return std::nullopt;
}

DecodedImage not_an_image() {
    return invalid("not an image in a format that is read");
}

} // namespace

// Decodes with the format's reader; every reader hands back a whole image of one of the two formats.
DecodedImage decode_image(std::span<const std::uint8_t> bytes) {
    if (bytes.empty())
        return invalid("empty file");
    if (bytes.size() > max_file_bytes)
        return invalid("file too large");
    const std::optional<Format> format = find_format(bytes);
    if (!format)
        return not_an_image();
    DecodedImage out;
    try {
        out = format->decode(bytes);
    } catch (const std::bad_alloc&) {
        return failure(E_OUTOFMEMORY, "out of memory");
    }
    if (out.result != D3D_OK)
        return out;
    const MipLevel& image = out.image;
    if (!size_problem(image.width, image.height).empty() ||
        image.pixels.size() != std::size_t{image.width} * image.height ||
        (out.format != D3DFMT_A8R8G8B8 && out.format != D3DFMT_X8R8G8B8))
        return invalid("decoded image is inconsistent");
    if (out.format == D3DFMT_X8R8G8B8)
        for (std::uint32_t& p : out.image.pixels)
            p |= 0xFF000000u; // no alpha: reads as opaque
    return out;
}

namespace {

// Reads from fd until `bytes` holds `size` bytes or the file ends (it may shrink while being read); why it
// could not, or nothing.
std::optional<DecodedImage> read_up_to(int fd, std::vector<std::uint8_t>& bytes, std::size_t size) {
    std::size_t done = bytes.size();
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        return failure(E_OUTOFMEMORY, "out of memory");
    }
    while (done < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return invalid(std::strerror(errno));
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return std::nullopt;
}

// Reads and decodes a regular file. The file is opened with O_NONBLOCK so that a FIFO or a device cannot
// hold the caller before fstat has shown what it is. Its first bytes decide the format; of the rest, only
// as much is read as that format's header says its reader can use, so junk is refused after a few
// kilobytes and a large file whose header claims little is not read whole.
DecodedImage read_and_decode(const char* path) {
    if (path == nullptr)
        return failure(D3DERR_INVALIDCALL, "no file name");
#if defined(_WIN32)
    // MinGW's C runtime: binary mode, and the 64-bit size (the plain stat's is 32 bits). A folder cannot be
    // opened there at all: it is named for what it is before open says "Permission denied".
    struct _stat64 info {};
    if (_stat64(path, &info) == 0 && !S_ISREG(info.st_mode))
        return invalid("not a regular file");
    const FileDescriptor file(open(path, O_RDONLY | O_BINARY));
    if (file.fd < 0)
        return invalid(std::strerror(errno));
    if (_fstat64(file.fd, &info) != 0 || !S_ISREG(info.st_mode))
        return invalid("not a regular file");
#else
    const FileDescriptor file(open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.fd < 0)
        return invalid(std::strerror(errno));
    struct stat info {};
    if (fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode))
        return invalid("not a regular file");
#endif
    const auto file_size = static_cast<std::uint64_t>(info.st_size);
    std::vector<std::uint8_t> bytes;
    if (std::optional<DecodedImage> failed =
            read_up_to(file.fd, bytes, std::min<std::uint64_t>(file_size, head_bytes)))
        return *failed;
    if (bytes.empty())
        return invalid("empty file");
    const std::optional<Format> format = find_format(bytes);
    if (!format)
        return not_an_image();
    const std::uint64_t limit = std::min({file_size, format->file_limit(bytes), max_file_bytes});
    if (limit > bytes.size())
        if (std::optional<DecodedImage> failed = read_up_to(file.fd, bytes, static_cast<std::size_t>(limit)))
            return *failed;
    return decode_image(bytes);
}

} // namespace

UINT default_texture_side(UINT side, UINT max_side) {
    UINT rounded = 1;
    while (rounded < side && rounded <= UINT_MAX / 2)
        rounded *= 2;
    UINT limit = 1;
    while (limit <= max_side / 2)
        limit *= 2;
    return std::min(rounded, limit);
}

namespace {

// The decoded image at D3DX's default size for the device.
DecodedImage at_default_size(DecodedImage decoded, UINT max_side) {
    if (decoded.result != D3D_OK)
        return decoded;
    try {
        const UINT width = default_texture_side(decoded.image.width, max_side);
        const UINT height = default_texture_side(decoded.image.height, max_side);
        if (width != decoded.image.width || height != decoded.image.height)
            decoded.image = resample(decoded.image, width, height);
    } catch (const std::bad_alloc&) {
        return failure(E_OUTOFMEMORY, "out of memory");
    }
    return decoded;
}

} // namespace

DecodedImage texture_image(std::span<const std::uint8_t> bytes, UINT max_side) {
    return at_default_size(decode_image(bytes), max_side);
}

DecodedImage load_texture_image(const char* path, UINT max_side) {
    return at_default_size(read_and_decode(path), max_side);
}

UINT full_mip_count(UINT width, UINT height) {
    UINT side = width > height ? width : height;
    UINT levels = 1;
    while (side > 1) {
        side /= 2;
        ++levels;
    }
    return levels;
}

namespace {

// Weights of the source pixels under each destination pixel along one axis, in units of 1 / dst of a
// source pixel: destination pixel i covers [i * src, (i + 1) * src) and source pixel j [j * dst,
// (j + 1) * dst). The weights of one destination pixel add up to src.
struct Tap {
    UINT first;               // first source pixel
    std::vector<UINT> weight; // one weight per source pixel from first on
};

std::vector<Tap> axis_taps(UINT src, UINT dst) {
    std::vector<Tap> taps(dst);
    for (UINT i = 0; i < dst; ++i) {
        const std::uint64_t begin = std::uint64_t{i} * src;
        const std::uint64_t end = begin + src;
        Tap& tap = taps[i];
        tap.first = static_cast<UINT>(begin / dst);
        for (std::uint64_t j = tap.first; j * dst < end; ++j) {
            const std::uint64_t lo = j * dst > begin ? j * dst : begin;
            const std::uint64_t hi = (j + 1) * dst < end ? (j + 1) * dst : end;
            tap.weight.push_back(static_cast<UINT>(hi - lo));
        }
    }
    return taps;
}

} // namespace

MipLevel resample(const MipLevel& level, UINT width, UINT height) {
    MipLevel out;
    out.width = width;
    out.height = height;
    out.pixels.resize(std::size_t{out.width} * out.height);
    const std::vector<Tap> xs = axis_taps(level.width, out.width);
    const std::vector<Tap> ys = axis_taps(level.height, out.height);
    const std::uint64_t total = std::uint64_t{level.width} * level.height;
    for (UINT y = 0; y < out.height; ++y) {
        const Tap& ty = ys[y];
        for (UINT x = 0; x < out.width; ++x) {
            const Tap& tx = xs[x];
            std::uint64_t sum[4] = {0, 0, 0, 0};
            for (std::size_t j = 0; j < ty.weight.size(); ++j) {
                const std::uint32_t* row = level.pixels.data() + std::size_t{ty.first + j} * level.width;
                for (std::size_t i = 0; i < tx.weight.size(); ++i) {
                    const std::uint64_t w = std::uint64_t{ty.weight[j]} * tx.weight[i];
                    const std::uint32_t p = row[tx.first + i];
                    for (int c = 0; c < 4; ++c)
                        sum[c] += w * ((p >> (8 * c)) & 0xFF);
                }
            }
            std::uint32_t pixel = 0;
            for (int c = 0; c < 4; ++c)
                pixel |= static_cast<std::uint32_t>((sum[c] + total / 2) / total) << (8 * c);
            out.pixels[std::size_t{y} * out.width + x] = pixel;
        }
    }
    return out;
}

void box_filter_half_in_place(MipLevel& level) {
    const bool even_x = level.width % 2 == 0; // else 1
    const bool even_y = level.height % 2 == 0;
    if (level.width == 1 && level.height == 1)
        return;
    // Output pixel (x, y) reads source rows 2y and 2y + 1 (or row y alone when the height is 1) and columns
    // 2x and 2x + 1 (or 0); its index y * out_w + x is never beyond the first of them, so going forward every
    // pixel written has been read already. Sums and rounding are resample's for these weights: half-up.
    const UINT out_w = even_x ? level.width / 2 : 1;
    const UINT out_h = even_y ? level.height / 2 : 1;
    const unsigned shift = (even_x ? 1 : 0) + (even_y ? 1 : 0);
    const std::uint32_t half = (1u << shift) / 2;
    std::uint32_t* const pixels = level.pixels.data();
    for (UINT y = 0; y < out_h; ++y) {
        const std::uint32_t* row = pixels + std::size_t{y} * (even_y ? 2 : 1) * level.width;
        for (UINT x = 0; x < out_w; ++x) {
            const std::uint32_t* p = row + std::size_t{x} * (even_x ? 2 : 1);
            std::uint32_t pixel = 0;
            for (int k = 0; k < 32; k += 8) {
                std::uint32_t sum = (p[0] >> k) & 0xFF;
                if (even_x)
                    sum += (p[1] >> k) & 0xFF;
                if (even_y)
                    sum += (p[level.width] >> k) & 0xFF;
                if (even_x && even_y)
                    sum += (p[level.width + 1] >> k) & 0xFF;
                pixel |= ((sum + half) >> shift) << k;
            }
            pixels[std::size_t{y} * out_w + x] = pixel;
        }
    }
    level.width = out_w;
    level.height = out_h;
    level.pixels.resize(std::size_t{out_w} * out_h);
}

HRESULT for_each_mip_level(MipLevel level,
                           const std::function<HRESULT(UINT index, const MipLevel& level)>& take) {
    const UINT count = full_mip_count(level.width, level.height);
    for (UINT i = 0; i < count; ++i) {
        if (i > 0)
            box_filter_half_in_place(level);
        if (const HRESULT result = take(i, level); FAILED(result))
            return result;
    }
    return D3D_OK;
}

} // namespace platform::image
