// D3DCOLOR (0xAARRGGBB, eight bits a channel) as the four floats GL takes for a colour: red, green, blue,
// alpha, each 0 to 1. The one conversion behind Clear, the fixed-function colours and the font's quads.
#pragma once

#include <d3d9.h>

#include <array>

namespace platform::gl {

constexpr std::array<float, 4> rgba_from_d3dcolor(D3DCOLOR colour) {
    const auto channel = [colour](int shift) {
        return static_cast<float>((colour >> shift) & 0xFF) / 255.0f;
    };
    return {channel(16), channel(8), channel(0), channel(24)};
}

} // namespace platform::gl
