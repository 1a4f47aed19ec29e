// The half of the D3DX font that needs no rasteriser: DrawText's layout and clipping on a RasterFont. The
// glyphs come from the platform's rasteriser behind font_raster.h: FreeType with fontconfig on the desktop
// (font_raster_freetype.cpp), the browser's canvas text in the web build (font_raster_web.cpp), GDI in the
// self-contained Windows build (font_raster_gdi.cpp). Here make_raster_font checks the size it is asked for
// and hands the rest to that rasteriser (rasterise_font).
#include "font/font_raster_internal.h"

#include <algorithm>

namespace platform::font {

std::optional<RasterFont> make_raster_font(const char* face_name, int cell, std::string& error) {
    if (cell < 1 || cell > max_font_height) {
        error = "font size " + std::to_string(cell) + " is out of range";
        return std::nullopt;
    }
    return rasterise_font(face_name, cell, error);
}

void layout_text(const RasterFont& font, std::string_view text, const RECT& rect, TextLayout& layout) {
    layout.quads.clear();
    layout.height = font.cell_height();
    const float aw = static_cast<float>(font.atlas_width);
    const float ah = static_cast<float>(font.atlas_height);
    const int baseline = rect.top + font.ascent;
    int pen = rect.left;
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (!font.has_glyph[code])
            continue;
        const Glyph& g = font.glyphs[code];
        if (g.width > 0 && g.height > 0) {
            const float x0 = static_cast<float>(pen + g.left);
            const float y0 = static_cast<float>(baseline - g.top);
            layout.quads.push_back({x0, y0, x0 + static_cast<float>(g.width),
                                    y0 + static_cast<float>(g.height), static_cast<float>(g.atlas_x) / aw,
                                    static_cast<float>(g.atlas_y) / ah,
                                    static_cast<float>(g.atlas_x + g.width) / aw,
                                    static_cast<float>(g.atlas_y + g.height) / ah});
        }
        pen += g.advance;
    }
}

TextLayout layout_text(const RasterFont& font, std::string_view text, const RECT& rect) {
    TextLayout layout;
    layout_text(font, text, rect, layout);
    return layout;
}

void clip_quads(std::vector<GlyphQuad>& quads, const RECT& clip) {
    std::size_t kept = 0;
    const auto left = static_cast<float>(clip.left);
    const auto top = static_cast<float>(clip.top);
    const auto right = static_cast<float>(clip.right);
    const auto bottom = static_cast<float>(clip.bottom);
    for (const GlyphQuad& q : quads) {
        const float x0 = std::max(q.x0, left);
        const float x1 = std::min(q.x1, right);
        const float y0 = std::max(q.y0, top);
        const float y1 = std::min(q.y1, bottom);
        if (x0 >= x1 || y0 >= y1)
            continue;
        const float du = (q.u1 - q.u0) / (q.x1 - q.x0);
        const float dv = (q.v1 - q.v0) / (q.y1 - q.y0);
        quads[kept++] = {x0,
                         y0,
                         x1,
                         y1,
                         q.u0 + (x0 - q.x0) * du,
                         q.v0 + (y0 - q.y0) * dv,
                         q.u0 + (x1 - q.x0) * du,
                         q.v0 + (y1 - q.y0) * dv};
    }
    quads.resize(kept);
}

} // namespace platform::font
