// One glyph of laid-out text as the font hands it to the device to draw.
#pragma once

namespace platform::font {

// One glyph: a rectangle in back-buffer pixels (x to the right, y down) and its place in the atlas (0..1).
struct GlyphQuad {
    float x0, y0, x1, y1;
    float u0, v0, u1, v1;
};

} // namespace platform::font
