// What the font rasterisers (font_raster_freetype.cpp, font_raster_web.cpp, font_raster_gdi.cpp) share with
// the layout half of the font (font_raster.cpp): the code page and the atlas packing (font_atlas.cpp).
// Private to font/.
#pragma once

#include "font/font_raster.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::font {

// make_raster_font for a cell already checked against max_font_height: each build's own rasteriser.
std::optional<RasterFont> rasterise_font(const char* face_name, int cell, std::string& error);

// The Unicode character of a Windows-1252 (ANSI) code, or 0 where the code page has none (and for the
// control codes).
char32_t unicode_of(unsigned code);

// A rendered glyph before packing.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage;
};

// Packs the glyph bitmaps into the font's atlas in shelves, one empty pixel around each so that filtering
// never bleeds, and sets each glyph's place in it.
void pack_atlas(RasterFont& font, const std::array<Bitmap, 256>& bitmaps);

} // namespace platform::font
