// The font of D3DXCreateFontA without a device, and the font-rasteriser seam: the face found for the GDI
// face name, upright at the normal weight (the program's font), sized so that the cell (ascent + descent)
// has the requested height as GDI sizes it, its glyphs rasterised once, anti-aliased, into one coverage atlas
// (match_face and make_raster_font: fontconfig and FreeType on the desktop, font_raster_freetype.cpp; the
// browser's canvas text on the web, font_raster_web.cpp); and the layout of DrawTextA (one line from the
// rectangle's corner, baseline at top + ascent) and its clipping to the rectangle (font_raster.cpp).
#pragma once

#include "font/glyph_quad.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::font {

// The DrawText formats the font draws besides DT_LEFT | DT_TOP (0), which the program uses.
inline constexpr DWORD dt_singleline = 0x20;
inline constexpr DWORD dt_noclip = 0x100;

// Font heights beyond this many pixels are refused: the atlas would take hundreds of megabytes.
inline constexpr int max_font_height = 1024;

// The face file fontconfig chose for a GDI face name.
struct FaceMatch {
    std::string file;
    int index = 0;
    std::string family; // e.g. "Liberation Sans"
};

// Asks fontconfig for the scalable upright face of normal weight that best matches; nullopt when there is
// none.
std::optional<FaceMatch> match_face(const char* face_name);

// One glyph: pen advance and placement relative to the pen on the baseline (y up), and its place in the
// atlas (width or height 0 for a glyph with nothing to draw, such as the space).
struct Glyph {
    int advance = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int atlas_x = 0;
    int atlas_y = 0;
};

// Everything DrawTextA needs, made once per font: metrics in pixels, a glyph for each character code of the
// ANSI (Latin-1) set, and the coverage atlas they live in.
struct RasterFont {
    FaceMatch face;
    int ascent = 0;
    int descent = 0;
    int cell_height() const {
        return ascent + descent;
    }
    std::array<Glyph, 256> glyphs{};
    std::array<bool, 256> has_glyph{};
    UINT atlas_width = 0;
    UINT atlas_height = 0;
    std::vector<std::uint8_t> atlas; // one byte of coverage per pixel, row by row from the top
};

// Loads the face with FreeType and rasterises the glyphs, `cell` pixels from the top of the cell to its
// bottom (1 to max_font_height). Fails (nullopt, error set) when no usable scalable face exists.
std::optional<RasterFont> make_raster_font(const char* face_name, int cell, std::string& error);

struct TextLayout {
    std::vector<GlyphQuad> quads; // in back-buffer pixels, unclipped
    int height = 0;               // what DrawTextA returns: one cell
};

// Lays out `text` as one line from the corner of `rect` (DT_LEFT | DT_TOP), its baseline at the top +
// ascent; characters without a glyph (the control codes, '\n' among them) draw nothing. The first form
// refills `layout`, keeping the room its quads already have, so that text drawn every frame allocates
// nothing once it has been drawn.
void layout_text(const RasterFont& font, std::string_view text, const RECT& rect, TextLayout& layout);
TextLayout layout_text(const RasterFont& font, std::string_view text, const RECT& rect);

// Keeps the parts of the quads inside `clip` (right and bottom edges exclusive), with their atlas
// coordinates cut to match, in place.
void clip_quads(std::vector<GlyphQuad>& quads, const RECT& clip);

} // namespace platform::font
