// Flexible vertex formats (D3DFVF_*): where the position, normal, colours and texture coordinate sets lie in
// a vertex, and its size (parse_fvf, in d3d9_vertex_format.cpp). The device checks draws against the layout
// and hands it to the renderer with each draw. It lays out the program's format (D3DFVF_XYZ, D3DFVF_NORMAL,
// D3DFVF_TEX1) and what the pixel tests draw with (D3DFVF_XYZRHW, D3DFVF_DIFFUSE); any other format is
// reported as not implemented and drawn as nothing.
#pragma once

#include <d3d9.h>

#include <array>

namespace platform::d3d9 {

// Where each element of a flexible vertex format lies in a vertex.
struct FvfLayout {
    bool valid = false;
    bool pretransformed = false; // D3DFVF_XYZRHW: screen coordinates, no transform or lighting
    UINT size = 0;               // bytes per vertex
    UINT position_components = 3;
    bool has_normal = false;
    UINT normal_offset = 0;
    bool has_diffuse = false;
    UINT diffuse_offset = 0;
    bool has_specular = false;
    UINT specular_offset = 0;
    UINT texture_sets = 0;
    std::array<UINT, 8> texture_offset{};
    std::array<UINT, 8> texture_components{};
};
// The layout of a vertex format; not valid for a format the device does not lay out.
FvfLayout parse_fvf(DWORD fvf);

} // namespace platform::d3d9
