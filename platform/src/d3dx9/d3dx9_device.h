// The seam between D3DX and the Direct3D 9 device under it: what D3DX needs of a device beyond Direct3D's
// own interface, namely making a texture and filling it with decoded mip levels one by one, and drawing
// screen-space glyph quads for the font. Implemented twice: on our device (d3d9/d3d9_texture.cpp,
// d3d9/d3d9_font_quads.cpp), and in the self-contained Windows build on Windows' own Direct3D 9
// (windows/texture_windows.cpp, windows/font_quads_windows.cpp). Used by d3dx9_texture.cpp and
// d3dx9_font.cpp.
#pragma once

#include <d3d9.h>

#include "font/glyph_quad.h"
#include "image/mip_level.h"

#include <cstdint>
#include <vector>

namespace platform::d3dx9 {

// Makes a managed texture of the given format (D3DFMT_A8R8G8B8 or D3DFMT_X8R8G8B8), width x height at level
// 0 with `levels` levels, each half the size of the one before (at least 1); its content comes level by
// level through fill_texture_level, so that the loader holds one level at a time. The texture holds a
// reference to the device. Returns D3D_OK, or an error code and sets *texture to null.
HRESULT create_texture(IDirect3DDevice9* device, D3DFORMAT format, UINT width, UINT height, UINT levels,
                       IDirect3DTexture9** texture);
// Gives a level of a texture made by create_texture its content: the level's size, all its pixels.
HRESULT fill_texture_level(IDirect3DTexture9* texture, UINT level, const image::MipLevel& mip);

// The largest texture side the device takes (its renderer's, what its caps report as MaxTextureWidth and
// MaxTextureHeight); 0 when the renderer cannot say (the window is gone).
UINT max_texture_side(IDirect3DDevice9* device);

// A single-channel coverage image (glyph atlas) held by the device for the font; 0 when the device cannot
// make it (larger than the largest texture side it takes, or out of memory). The coverage stays as it is
// for as long as the atlas lives: a device whose copy is lost with its context makes it again from it. On
// Windows the atlas is a texture of Windows' own device with what drawing from it needs
// (font_quads_windows.cpp).
#if defined(_WIN32)
struct CoverageAtlas;
using AtlasHandle = CoverageAtlas*;
#else
using AtlasHandle = std::uint32_t;
#endif
AtlasHandle create_coverage_atlas(IDirect3DDevice9* device, UINT width, UINT height,
                                  const std::uint8_t* coverage);
void destroy_coverage_atlas(IDirect3DDevice9* device, AtlasHandle atlas);

// Blends the quads over the back buffer in the colour (0xAARRGGBB, coverage times alpha), clipped to the
// rectangle, without culling, at depth 0 under the device's depth states, drawing (and writing depth at)
// covered pixels only, and leaves every device state as it was.
void draw_coverage_quads(IDirect3DDevice9* device, AtlasHandle atlas,
                         const std::vector<font::GlyphQuad>& quads, const RECT& clip, D3DCOLOR colour);

} // namespace platform::d3dx9
