// What every font rasteriser shares (font_raster_internal.h): the ANSI code page's characters and the
// packing of the rendered glyphs into one coverage atlas.
#include "font/font_raster_internal.h"

#include <algorithm>

namespace platform::font {
namespace {

// Unicode for the Windows-1252 codes 0x80-0x9F (0 where the code page has no character); the other codes
// from 0x20 on are Latin-1, equal to their Unicode values.
constexpr std::array<char32_t, 32> cp1252_high = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

char32_t unicode_of(unsigned code) {
    if (code < 0x20 || code == 0x7F)
        return 0;
    if (code >= 0x80 && code < 0xA0)
        return cp1252_high[code - 0x80];
    return code;
}

// Packs the glyph bitmaps in shelves, one empty pixel around each so that filtering never bleeds.
void pack_atlas(RasterFont& font, const std::array<Bitmap, 256>& bitmaps) {
    int atlas_width = 512;
    for (const Bitmap& b : bitmaps)
        atlas_width = std::max(atlas_width, b.width + 2);
    int x = 1;
    int y = 1;
    int shelf = 0;
    for (unsigned code = 0; code < 256; ++code) {
        const Bitmap& b = bitmaps[code];
        if (b.width == 0 || b.height == 0)
            continue;
        if (x + b.width + 1 > atlas_width) {
            x = 1;
            y += shelf + 1;
            shelf = 0;
        }
        font.glyphs[code].atlas_x = x;
        font.glyphs[code].atlas_y = y;
        x += b.width + 1;
        shelf = std::max(shelf, b.height);
    }
    font.atlas_width = static_cast<UINT>(atlas_width);
    font.atlas_height = static_cast<UINT>(y + shelf + 1);
    font.atlas.assign(std::size_t{font.atlas_width} * font.atlas_height, 0);
    for (unsigned code = 0; code < 256; ++code) {
        const Bitmap& b = bitmaps[code];
        const Glyph& g = font.glyphs[code];
        for (int row = 0; row < b.height; ++row)
            std::copy_n(b.coverage.begin() + static_cast<std::ptrdiff_t>(row) * b.width, b.width,
                        font.atlas.begin() + static_cast<std::ptrdiff_t>(g.atlas_y + row) * atlas_width +
                            g.atlas_x);
    }
}

} // namespace platform::font
