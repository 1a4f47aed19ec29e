// A picture as Direct3D's A8R8G8B8 lays it out, the unit every image reader makes and every texture is made
// of: the decoded image, and each level of a texture's mip chain.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <vector>

namespace platform::image {

// One mip level: width x height pixels, 0xAARRGGBB, row by row from the top (as D3DFMT_A8R8G8B8 in memory).
struct MipLevel {
    UINT width = 0;
    UINT height = 0;
    std::vector<std::uint32_t> pixels;
};

} // namespace platform::image
