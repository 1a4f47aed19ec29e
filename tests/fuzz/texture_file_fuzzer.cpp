// libFuzzer target for the file-to-texture path as D3DXCreateTextureFromFileA takes it: a file's bytes are
// decoded (the format from the content), given the default size for a device whose limit the last byte
// picks, and made into the full mip chain level by level as the loader hands it to the device
// (for_each_mip_level). Every result is checked: a failure has a reason and no pixels; a success has a
// power-of-two level 0 within the limit, each level half the one before down to 1 x 1 with all its pixels,
// one of the two formats, and opaque pixels when the format has no alpha. A broken check aborts, which the
// fuzzer reports with the input.
#include "image/image_decode.h"

#include <d3dx9.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <utility>

namespace {

void check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "texture_file_fuzzer: %s\n", what);
        std::abort();
    }
}

bool power_of_two(UINT v) {
    return v != 0 && (v & (v - 1)) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    // Devices differ in their largest texture; the loader must fit any of them.
    const UINT max_side = size > 0 && (data[size - 1] & 1) != 0 ? 256 : 8192;
    platform::image::DecodedImage out = platform::image::texture_image(bytes, max_side);
    static const bool verbose = std::getenv("TEXTURE_FUZZER_VERBOSE") != nullptr;
    if (verbose) // what each input gives, for looking over a corpus with -runs=0
        std::fprintf(stderr, "result 0x%08X format %u %ux%u %s\n", static_cast<unsigned>(out.result),
                     static_cast<unsigned>(out.format), out.image.width, out.image.height, out.error.c_str());
    if (out.result != D3D_OK) {
        check(out.result == D3DXERR_INVALIDDATA || out.result == E_OUTOFMEMORY, "unexpected failure code");
        check(!out.error.empty(), "a failure without a reason");
        check(out.image.pixels.empty(), "a failure with pixels");
        return 0;
    }
    check(out.format == D3DFMT_A8R8G8B8 || out.format == D3DFMT_X8R8G8B8, "unexpected format");
    const UINT width = out.image.width;
    const UINT height = out.image.height;
    check(power_of_two(width) && power_of_two(height), "level 0 sides are not powers of two");
    check(width <= max_side && height <= max_side, "level 0 beyond the device limit");
    UINT levels = 0;
    UINT above_width = 0, above_height = 0;
    const HRESULT made = platform::image::for_each_mip_level(
        std::move(out.image), [&](UINT index, const platform::image::MipLevel& level) {
            check(index == levels, "a level out of turn");
            check(level.pixels.size() == std::size_t{level.width} * level.height,
                  "pixel count differs from size");
            if (index == 0)
                check(level.width == width && level.height == height, "level 0 is not the image");
            else
                check(level.width == (above_width > 1 ? above_width / 2 : 1) &&
                          level.height == (above_height > 1 ? above_height / 2 : 1),
                      "a level is not half the one before");
            if (out.format == D3DFMT_X8R8G8B8)
                for (const std::uint32_t p : level.pixels)
                    check(p >> 24 == 0xFF, "X8R8G8B8 pixel not opaque");
            above_width = level.width;
            above_height = level.height;
            ++levels;
            return D3D_OK;
        });
    check(made == D3D_OK, "the chain failed with every level taken");
    check(levels == platform::image::full_mip_count(width, height), "not the full chain");
    check(above_width == 1 && above_height == 1, "the chain does not end at 1 x 1");
    return 0;
}
