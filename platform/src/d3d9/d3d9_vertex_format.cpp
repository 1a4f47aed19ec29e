// The layouts of flexible vertex formats (parse_fvf of d3d9_vertex_format.h): where the position, normal,
// diffuse colour and texture coordinates lie in a vertex, and its size, for the formats the device draws.
#include "d3d9/d3d9_vertex_format.h"

namespace platform::d3d9 {

FvfLayout parse_fvf(DWORD fvf) {
    FvfLayout layout;
    if ((fvf & ~(D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEXCOUNT_MASK)) != 0 ||
        (fvf & D3DFVF_TEXCOUNT_MASK) > D3DFVF_TEX1)
        return layout; // point size, specular colour, more than one set, sets other than two floats
    if ((fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZ) {
        layout.size = 12;
    } else if ((fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW) {
        layout.pretransformed = true;
        layout.position_components = 4;
        layout.size = 16;
    } else {
        return layout; // no position, weights for vertex blending, or XYZW
    }
    if (fvf & D3DFVF_NORMAL) {
        layout.has_normal = true;
        layout.normal_offset = layout.size;
        layout.size += 12;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        layout.has_diffuse = true;
        layout.diffuse_offset = layout.size;
        layout.size += 4;
    }
    if (fvf & D3DFVF_TEX1) {
        layout.texture_sets = 1;
        layout.texture_offset[0] = layout.size;
        layout.texture_components[0] = 2;
        layout.size += 8;
    }
    layout.valid = true;
    return layout;
}

} // namespace platform::d3d9
