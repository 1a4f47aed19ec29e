// The web build's font rasteriser for the D3DX font (match_face of font_raster.h, and rasterise_font):
// the browser draws the glyphs with its canvas text (the GDI face name as the CSS font family, upright at
// the normal weight; on Linux the browser finds faces through fontconfig as the desktop
// build does, so Arial is Liberation Sans there too), sized as GDI sizes a font: the cell, the font's
// ascent + descent as the browser measures them, gets the requested height. Each glyph of the ANSI code
// page is drawn anti-aliased, white on transparent, onto a scratch canvas and its alpha read back as
// coverage; font_raster.cpp packs the glyphs and lays out the text.
#include "font/font_raster_internal.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>

namespace platform::font {
namespace {

// The CSS font of a face at a size in pixels.
EM_JS(void, web_font_css, (const char* family, double size),
      { Module.viewerFontCss = "400 " + size + "px \"" + UTF8ToString(family) + "\""; });

// Ascent and descent of the face, in thousandths of the em, as the browser measures them (0 and 0 where
// the browser cannot say). The formatter would space out the expression's pattern.
// clang-format off
EM_JS(void, web_font_metrics, (int* out), {
    const canvas = document.createElement("canvas");
    const context = canvas.getContext("2d");
    context.font = Module.viewerFontCss.replace(/[0-9.]+px/, "1000px");
    const m = context.measureText("Hg");
    HEAP32[out >> 2] = Math.round(m.fontBoundingBoxAscent || 0);
    HEAP32[(out >> 2) + 1] = Math.round(m.fontBoundingBoxDescent || 0);
});
// clang-format on

// Draws one character with its pen at (pad, pad + ascent) on a side x side canvas and reads back the box
// of its ink: info gets the advance, the ink's left and top relative to the pen (y up) and its width and
// height; coverage (side * side bytes) its alpha, row by row from the ink's top left. Returns 0 when the
// browser offers no 2D canvas.
EM_JS(int, web_draw_glyph, (int unicode, int side, int pad, int ascent, int* info, unsigned char* coverage), {
    if (!Module.viewerGlyphCanvas) {
        Module.viewerGlyphCanvas = document.createElement("canvas");
    }
    const canvas = Module.viewerGlyphCanvas;
    if (canvas.width != side || canvas.height != side) {
        canvas.width = side;
        canvas.height = side;
    }
    const context = canvas.getContext("2d", {willReadFrequently : true});
    if (!context)
        return 0;
    context.clearRect(0, 0, side, side);
    context.font = Module.viewerFontCss;
    context.textBaseline = "alphabetic";
    context.fillStyle = "#ffffff";
    const text = String.fromCodePoint(unicode);
    context.fillText(text, pad, pad + ascent);
    const advance = Math.round(context.measureText(text).width);
    const pixels = context.getImageData(0, 0, side, side).data;
    let left = side, top = side, right = -1, bottom = -1;
    for (let y = 0; y < side; ++y)
        for (let x = 0; x < side; ++x)
            if (pixels[(y * side + x) * 4 + 3] != 0) {
                left = Math.min(left, x);
                right = Math.max(right, x);
                top = Math.min(top, y);
                bottom = Math.max(bottom, y);
            }
    const base = info >> 2;
    HEAP32[base] = advance;
    if (right < 0) {
        HEAP32[base + 1] = HEAP32[base + 2] = HEAP32[base + 3] = HEAP32[base + 4] = 0;
        return 1;
    }
    const width = right - left + 1;
    const height = bottom - top + 1;
    HEAP32[base + 1] = left - pad;
    HEAP32[base + 2] = pad + ascent - top;
    HEAP32[base + 3] = width;
    HEAP32[base + 4] = height;
    for (let y = 0; y < height; ++y)
        for (let x = 0; x < width; ++x)
            HEAPU8[coverage + y * width + x] = pixels[((top + y) * side + left + x) * 4 + 3];
    return 1;
});

} // namespace

std::optional<FaceMatch> match_face(const char* face_name) {
    FaceMatch match;
    match.family = face_name != nullptr && *face_name != '\0' ? face_name : "sans-serif";
    match.file = "browser font \"" + match.family + "\"";
    return match;
}

std::optional<RasterFont> rasterise_font(const char* face_name, int cell, std::string& error) {
    const std::optional<FaceMatch> match = match_face(face_name);
    web_font_css(match->family.c_str(), 1000.0);
    int metrics[2] = {0, 0};
    web_font_metrics(metrics);
    const double cell_units = metrics[0] + metrics[1];
    if (metrics[0] <= 0 || cell_units <= 0) {
        error = match->file + " has no usable vertical metrics";
        return std::nullopt;
    }
    const double em = cell * 1000.0 / cell_units;
    RasterFont font;
    font.face = *match;
    font.ascent = static_cast<int>(std::lround(metrics[0] * cell / cell_units));
    font.descent = cell - font.ascent;
    web_font_css(match->family.c_str(), em);

    // Room for the widest glyph and its overhangs on either side of the pen.
    const int pad = cell;
    const int side = 4 * cell;
    std::vector<std::uint8_t> coverage(static_cast<std::size_t>(side) * side);
    std::array<Bitmap, 256> bitmaps;
    for (unsigned code = 0; code < 256; ++code) {
        const char32_t unicode = unicode_of(code);
        if (unicode == 0)
            continue;
        int info[5] = {};
        if (web_draw_glyph(static_cast<int>(unicode), side, pad, font.ascent, info, coverage.data()) == 0) {
            error = "the browser offers no 2D canvas to draw glyphs on";
            return std::nullopt;
        }
        Glyph& g = font.glyphs[code];
        g.advance = info[0];
        g.left = info[1];
        g.top = info[2];
        g.width = info[3];
        g.height = info[4];
        Bitmap& b = bitmaps[code];
        b.width = g.width;
        b.height = g.height;
        b.coverage.assign(coverage.begin(),
                          coverage.begin() + static_cast<std::ptrdiff_t>(b.width) * b.height);
        font.has_glyph[code] = true;
    }
    pack_atlas(font, bitmaps);
    return font;
}

} // namespace platform::font
