// Image files for D3DXCreateTextureFromFileA, without a device: reading the file (regular files only,
// opened without blocking), finding the format from the content, decoding it with the reader for that format
// (image_png_libpng.cpp, image_jpeg_libjpeg.cpp, image_bmp.cpp, image_tga.cpp, image_netpbm.cpp,
// image_hdr.cpp, image_dds.cpp), choosing A8R8G8B8 or X8R8G8B8 as D3DX does, the default texture size (sides
// rounded up to powers of two, fitted within the device's limit) and the box-filtered mip chain down to 1
// x 1, made one level at a time.
#pragma once

#include "image/mip_level.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace platform::image {

// The largest image side read at all; larger images are refused from their header, before any pixel is
// decoded.
inline constexpr UINT max_image_side = 8192;

struct DecodedImage {
    HRESULT result = E_FAIL;           // D3D_OK, D3DXERR_INVALIDDATA or E_OUTOFMEMORY
    std::string error;                 // why it failed, one line
    D3DFORMAT format = D3DFMT_UNKNOWN; // D3DFMT_A8R8G8B8 when the image has alpha, else D3DFMT_X8R8G8B8
    MipLevel image;                    // 0xAARRGGBB (alpha 0xFF for X8R8G8B8)
};

// Decodes an image file held in memory.
DecodedImage decode_image(std::span<const std::uint8_t> bytes);

// The file-to-texture path as D3DXCreateTextureFromFileA takes it, for a device whose textures may be at
// most max_side pixels a side: decoded and resized to the default size, the texture's level 0, from which
// for_each_mip_level makes the rest of the chain. From a file's bytes, or from the named file (relative
// names from the working directory): anything but a regular file (a directory, a FIFO, a device) is refused
// without waiting for it; a file whose first bytes are no image is refused after reading only those, and of
// an image file no more is read than its header says its pixel data can take.
DecodedImage texture_image(std::span<const std::uint8_t> bytes, UINT max_side);
DecodedImage load_texture_image(const char* path, UINT max_side);

// D3DX's default size for one side: rounded up to a power of two, then down to the largest power of two
// within max_side.
UINT default_texture_side(UINT side, UINT max_side);

// Number of levels in the full chain for a width x height image: down to 1 x 1.
UINT full_mip_count(UINT width, UINT height);

// The image resampled to width x height, each pixel the area-weighted average of the source pixels it
// covers (a box filter; when enlarging, each output pixel blends the one or two source pixels under it).
MipLevel resample(const MipLevel& level, UINT width, UINT height);

// The next smaller level of a level whose sides are powers of two (every level of a texture at D3DX's
// default size): each side halved, down to 1, each pixel the average of the 2 x 2 (or 2 x 1) box it covers,
// as resample gives it. Made over the level's own pixels, for the texture loader, which then holds no second
// level beside the one it is handed: each output pixel is written over source pixels already read, and the
// storage keeps its capacity (no allocation, no copy).
void box_filter_half_in_place(MipLevel& level);

// The full chain of a level whose sides are powers of two, level 0 first and ending at 1 x 1, handed to
// `take` one level at a time as the texture loader hands it to the device: level 0 is `level` as it is, and
// each smaller level is made over the one before with box_filter_half_in_place once `take` has had that
// one, so that one level's storage is held at a time. Stops at the first level `take` fails, with its
// result.
HRESULT for_each_mip_level(MipLevel level,
                           const std::function<HRESULT(UINT index, const MipLevel& level)>& take);

} // namespace platform::image
