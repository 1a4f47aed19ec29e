// The layouts of flexible vertex formats (parse_fvf of d3d9_vertex_format.h): where the position, normal,
// colours and texture coordinate sets lie in a vertex, and its size.
#include "d3d9/d3d9_vertex_format.h"

namespace platform::d3d9 {

FvfLayout parse_fvf(DWORD fvf) {
    FvfLayout layout;
    UINT offset = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ:
        offset = 12;
        break;
    case D3DFVF_XYZRHW:
        layout.pretransformed = true;
        layout.position_components = 4;
        offset = 16;
        break;
    case D3DFVF_XYZW:
        layout.position_components = 4;
        offset = 16;
        break;
    default:
        return layout; // no position, or vertex blending, which the emulation does not do
    }
    if (fvf & D3DFVF_NORMAL) {
        layout.has_normal = true;
        layout.normal_offset = offset;
        offset += 12;
    }
    if (fvf & D3DFVF_PSIZE)
        offset += 4;
    if (fvf & D3DFVF_DIFFUSE) {
        layout.has_diffuse = true;
        layout.diffuse_offset = offset;
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        layout.has_specular = true;
        layout.specular_offset = offset;
        offset += 4;
    }
    layout.texture_sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (layout.texture_sets > 8)
        return layout;
    for (UINT i = 0; i < layout.texture_sets; ++i) {
        static constexpr UINT kComponents[4] = {2, 3, 4, 1};
        const UINT components = kComponents[(fvf >> (16 + 2 * i)) & 3];
        layout.texture_offset[i] = offset;
        layout.texture_components[i] = components;
        offset += 4 * components;
    }
    layout.size = offset;
    layout.valid = true;
    return layout;
}

} // namespace platform::d3d9
