// Image files for D3DXCreateTextureFromFileA: file reading with POSIX calls, decoding with stb_image (from
// memory, so the content decides the format), the size limit checked on the header before any pixel
// memory is taken, and the box-filtered mip chain.
#include "image_decode.h"

#include <d3dx9.h>

#include <stb_image.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

namespace platform::d3dx9 {
namespace {

// The largest file read at all: an uncompressed 32-bit 8192 x 8192 image with room for its headers.
constexpr off_t max_file_bytes = off_t{max_texture_side} * max_texture_side * 4 + (1 << 20);

DecodedImage failure(HRESULT result, std::string error) {
    DecodedImage out;
    out.result = result;
    out.error = std::move(error);
    return out;
}

struct StbiPixels {
    stbi_uc* data = nullptr;
    StbiPixels() = default;
    StbiPixels(const StbiPixels&) = delete;
    StbiPixels& operator=(const StbiPixels&) = delete;
    ~StbiPixels() {
        if (data != nullptr)
            stbi_image_free(data);
    }
};

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

std::uint32_t u32le(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
           std::uint32_t{b[at + 3]} << 24;
}

// An uncompressed BMP (with an information header of 40 bytes or more) whose pixel rows end before the
// file does: stb_image would read the missing rows as black, so it is refused as broken.
bool truncated_bmp(std::span<const std::uint8_t> b) {
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || u32le(b, 14) < 40)
        return false;
    const std::uint32_t compression = u32le(b, 30);
    if (compression != 0 && compression != 3) // BI_RGB, BI_BITFIELDS
        return false;
    const auto width = static_cast<std::int32_t>(u32le(b, 18));
    const auto height = static_cast<std::int32_t>(u32le(b, 22));
    const std::uint32_t bits = std::uint32_t{b[28]} | std::uint32_t{b[29]} << 8;
    if (width <= 0 || height == 0 || bits == 0)
        return false; // left to the decoder to refuse
    const std::uint64_t row = (std::uint64_t{static_cast<std::uint32_t>(width)} * bits + 31) / 32 * 4;
    const std::uint64_t rows = height < 0 ? -std::int64_t{height} : std::int64_t{height};
    return std::uint64_t{u32le(b, 10)} + row * rows > b.size();
}

} // namespace

DecodedImage decode_image(std::span<const std::uint8_t> bytes) {
    if (bytes.empty())
        return failure(D3DXERR_INVALIDDATA, "empty file");
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        return failure(D3DXERR_INVALIDDATA, "file too large");
    const int length = static_cast<int>(bytes.size());

    int width = 0;
    int height = 0;
    int channels = 0;
    if (stbi_info_from_memory(bytes.data(), length, &width, &height, &channels) == 0)
        return failure(D3DXERR_INVALIDDATA, std::string("not an image: ") + stbi_failure_reason());
    if (width <= 0 || height <= 0 || static_cast<unsigned>(width) > max_texture_side ||
        static_cast<unsigned>(height) > max_texture_side)
        return failure(D3DXERR_INVALIDDATA, "image of " + std::to_string(width) + " x " +
                                                std::to_string(height) + " exceeds " +
                                                std::to_string(max_texture_side) + " pixels a side");

    if (truncated_bmp(bytes))
        return failure(D3DXERR_INVALIDDATA, "the pixel rows end before the file does");

    StbiPixels pixels;
    int loaded_width = 0;
    int loaded_height = 0;
    pixels.data = stbi_load_from_memory(bytes.data(), length, &loaded_width, &loaded_height, &channels, 4);
    if (pixels.data == nullptr)
        return failure(D3DXERR_INVALIDDATA, std::string("cannot decode: ") + stbi_failure_reason());
    if (loaded_width != width || loaded_height != height)
        return failure(D3DXERR_INVALIDDATA, "image size differs from its header");

    DecodedImage out;
    try {
        out.image.width = static_cast<UINT>(width);
        out.image.height = static_cast<UINT>(height);
        const std::size_t count = std::size_t{out.image.width} * out.image.height;
        out.image.pixels.resize(count);
        bool translucent = false;
        for (std::size_t i = 0; i < count; ++i) {
            const stbi_uc* p = pixels.data + i * 4;
            out.image.pixels[i] = std::uint32_t{p[3]} << 24 | std::uint32_t{p[0]} << 16 |
                                  std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]};
            translucent = translucent || p[3] != 0xFF;
        }
        // An alpha channel in the file (grey + alpha, RGBA) or a transparent colour key (a PNG tRNS chunk)
        // makes A8R8G8B8; everything else is opaque X8R8G8B8.
        const bool has_alpha = channels == 2 || channels == 4 || translucent;
        out.format = has_alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    } catch (const std::bad_alloc&) {
        return failure(E_OUTOFMEMORY, "out of memory");
    }
    out.result = D3D_OK;
    return out;
}

DecodedImage load_image_file(const char* path) {
    if (path == nullptr)
        return failure(D3DERR_INVALIDCALL, "no file name");
    const FileDescriptor file(open(path, O_RDONLY | O_CLOEXEC));
    if (file.fd < 0)
        return failure(D3DXERR_INVALIDDATA, std::strerror(errno));
    struct stat info {};
    if (fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode))
        return failure(D3DXERR_INVALIDDATA, "not a regular file");
    if (info.st_size > max_file_bytes)
        return failure(D3DXERR_INVALIDDATA, "file too large");

    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
        return failure(E_OUTOFMEMORY, "out of memory");
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = read(file.fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failure(D3DXERR_INVALIDDATA, std::strerror(errno));
        if (n == 0)
            break; // the file shrank while being read: decode what is there
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return decode_image(bytes);
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

d3d9::MipLevel box_filter_half(const d3d9::MipLevel& level) {
    d3d9::MipLevel out;
    out.width = level.width > 1 ? level.width / 2 : 1;
    out.height = level.height > 1 ? level.height / 2 : 1;
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

std::vector<d3d9::MipLevel> build_mip_chain(d3d9::MipLevel level0) {
    std::vector<d3d9::MipLevel> chain;
    chain.reserve(full_mip_count(level0.width, level0.height));
    chain.push_back(std::move(level0));
    while (chain.back().width > 1 || chain.back().height > 1)
        chain.push_back(box_filter_half(chain.back()));
    return chain;
}

} // namespace platform::d3dx9
