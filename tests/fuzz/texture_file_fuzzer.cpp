// libFuzzer target for the file-to-texture path as D3DXCreateTextureFromFileA takes it: a file's bytes are
// decoded (the format from the content), given the default size for a device whose limit the first byte
// picks, and made into the full mip chain. Every result is checked: a failure has a reason and no levels;
// a success has a power-of-two level 0 within the limit, each level half the one before down to 1 x 1 with
// all its pixels, one of the two formats, and opaque pixels when the format has no alpha. A broken check
// aborts, which the fuzzer reports with the input.
#include "image/image_decode.h"

#include <d3dx9.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

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
    const platform::d3dx9::TextureLevels out = platform::d3dx9::texture_levels(bytes, max_side);
    static const bool verbose = std::getenv("TEXTURE_FUZZER_VERBOSE") != nullptr;
    if (verbose) // what each input gives, for looking over a corpus with -runs=0
        std::fprintf(stderr, "result 0x%08X format %u levels %zu %ux%u %s\n",
                     static_cast<unsigned>(out.result), static_cast<unsigned>(out.format), out.levels.size(),
                     out.levels.empty() ? 0 : out.levels[0].width,
                     out.levels.empty() ? 0 : out.levels[0].height, out.error.c_str());
    if (out.result != D3D_OK) {
        check(out.result == D3DXERR_INVALIDDATA || out.result == E_OUTOFMEMORY, "unexpected failure code");
        check(!out.error.empty(), "a failure without a reason");
        check(out.levels.empty(), "a failure with levels");
        return 0;
    }
    check(out.format == D3DFMT_A8R8G8B8 || out.format == D3DFMT_X8R8G8B8, "unexpected format");
    check(!out.levels.empty(), "no levels");
    const platform::d3d9::MipLevel& top = out.levels.front();
    check(power_of_two(top.width) && power_of_two(top.height), "level 0 sides are not powers of two");
    check(top.width <= max_side && top.height <= max_side, "level 0 beyond the device limit");
    check(out.levels.size() == platform::d3dx9::full_mip_count(top.width, top.height), "not the full chain");
    for (std::size_t i = 0; i < out.levels.size(); ++i) {
        const platform::d3d9::MipLevel& level = out.levels[i];
        check(level.pixels.size() == std::size_t{level.width} * level.height,
              "pixel count differs from size");
        if (i > 0) {
            const platform::d3d9::MipLevel& above = out.levels[i - 1];
            check(level.width == (above.width > 1 ? above.width / 2 : 1) &&
                      level.height == (above.height > 1 ? above.height / 2 : 1),
                  "a level is not half the one before");
        }
        if (out.format == D3DFMT_X8R8G8B8)
            for (const std::uint32_t p : level.pixels)
                check(p >> 24 == 0xFF, "X8R8G8B8 pixel not opaque");
    }
    check(out.levels.back().width == 1 && out.levels.back().height == 1, "the chain does not end at 1 x 1");
    return 0;
}
