// Image files for D3DXCreateTextureFromFileA, without a device: reading the file, decoding it with stb_image
// (the format comes from the content, not the name), choosing A8R8G8B8 or X8R8G8B8 as D3DX does, and the
// box-filtered mip chain down to 1 x 1.
#pragma once

#include "d3d9_internal.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform::d3dx9 {

// The largest texture side Direct3D 9 hardware takes; larger images are refused before any pixel is
// decoded.
inline constexpr UINT max_texture_side = 8192;

struct DecodedImage {
    HRESULT result = E_FAIL;           // D3D_OK, D3DXERR_INVALIDDATA or E_OUTOFMEMORY
    std::string error;                 // why it failed, one line
    D3DFORMAT format = D3DFMT_UNKNOWN; // D3DFMT_A8R8G8B8 when the image has alpha, else D3DFMT_X8R8G8B8
    d3d9::MipLevel image;              // 0xAARRGGBB (alpha 0xFF for X8R8G8B8)
};

// Decodes an image file held in memory.
DecodedImage decode_image(std::span<const std::uint8_t> bytes);

// Reads and decodes the named file (relative names from the working directory).
DecodedImage load_image_file(const char* path);

// Number of levels in the full chain for a width x height image: down to 1 x 1.
UINT full_mip_count(UINT width, UINT height);

// The next smaller level (each side halved, rounded down, at least 1), each pixel the area-weighted average
// of the source pixels it covers: a 2 x 2 box for even sides; odd sides share their middle pixels.
d3d9::MipLevel box_filter_half(const d3d9::MipLevel& level);

// The full chain, level 0 first, ending at 1 x 1.
std::vector<d3d9::MipLevel> build_mip_chain(d3d9::MipLevel level0);

} // namespace platform::d3dx9
