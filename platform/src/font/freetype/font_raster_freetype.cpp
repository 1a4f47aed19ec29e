// The desktop's font rasteriser for the D3DX font (match_face of font_raster.h, and rasterise_font):
// fontconfig matches the GDI face name to an upright scalable face file of normal weight; FreeType sizes it
// as GDI does (the cell, usWinAscent + usWinDescent of the OS/2 table, gets the requested height) and
// renders anti-aliased glyphs for the ANSI code page (Windows-1252), which font_raster.cpp packs.
#include "font/font_raster_internal.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <memory>

namespace platform::font {
namespace {

struct FcPatternDeleter {
    void operator()(FcPattern* p) const {
        FcPatternDestroy(p);
    }
};
using PatternPtr = std::unique_ptr<FcPattern, FcPatternDeleter>;

class FreeType {
  public:
    FreeType() {
        if (FT_Init_FreeType(&library_) != 0)
            library_ = nullptr;
    }
    FreeType(const FreeType&) = delete;
    FreeType& operator=(const FreeType&) = delete;
    ~FreeType() {
        if (face_ != nullptr)
            FT_Done_Face(face_);
        if (library_ != nullptr)
            FT_Done_FreeType(library_);
    }
    bool open(const FaceMatch& match) {
        return library_ != nullptr && FT_New_Face(library_, match.file.c_str(), match.index, &face_) == 0;
    }
    FT_Face face() const {
        return face_;
    }

  private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

Bitmap copy_bitmap(const FT_Bitmap& b) {
    Bitmap out;
    if (b.pixel_mode != FT_PIXEL_MODE_GRAY && b.pixel_mode != FT_PIXEL_MODE_MONO)
        return out;
    out.width = static_cast<int>(b.width);
    out.height = static_cast<int>(b.rows);
    out.coverage.resize(static_cast<std::size_t>(out.width) * out.height);
    const int stride = std::abs(b.pitch);
    for (int y = 0; y < out.height; ++y) {
        // A negative pitch stores the rows from the bottom up.
        const unsigned char* row =
            b.buffer + static_cast<std::ptrdiff_t>(b.pitch >= 0 ? y : out.height - 1 - y) * stride;
        for (int x = 0; x < out.width; ++x) {
            std::uint8_t value = 0;
            if (b.pixel_mode == FT_PIXEL_MODE_GRAY) {
                const unsigned levels = b.num_grays > 1 ? b.num_grays - 1 : 255;
                value = static_cast<std::uint8_t>(row[x] * 255u / levels);
            } else {
                value = (row[x / 8] & (0x80 >> (x % 8))) != 0 ? 255 : 0;
            }
            out.coverage[static_cast<std::size_t>(y) * out.width + x] = value;
        }
    }
    return out;
}

} // namespace

std::optional<FaceMatch> match_face(const char* face_name) {
    if (FcInit() == FcFalse)
        return std::nullopt;
    const PatternPtr pattern(FcPatternCreate());
    if (!pattern)
        return std::nullopt;
    FcPatternAddString(pattern.get(), FC_FAMILY,
                       reinterpret_cast<const FcChar8*>(face_name ? face_name : ""));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const PatternPtr found(FcFontMatch(nullptr, pattern.get(), &result));
    if (!found)
        return std::nullopt;

    FaceMatch match;
    FcChar8* text = nullptr;
    if (FcPatternGetString(found.get(), FC_FILE, 0, &text) != FcResultMatch)
        return std::nullopt;
    match.file = reinterpret_cast<const char*>(text);
    if (FcPatternGetString(found.get(), FC_FAMILY, 0, &text) == FcResultMatch)
        match.family = reinterpret_cast<const char*>(text);
    FcPatternGetInteger(found.get(), FC_INDEX, 0, &match.index);
    return match;
}

std::optional<RasterFont> rasterise_font(const char* face_name, int cell, std::string& error) {
    const std::optional<FaceMatch> match = match_face(face_name);
    if (!match) {
        error = std::string("no scalable font matches \"") + (face_name ? face_name : "") + "\"";
        return std::nullopt;
    }
    FreeType freetype;
    if (!freetype.open(*match)) {
        error = "FreeType cannot open " + match->file;
        return std::nullopt;
    }
    const FT_Face face = freetype.face();
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        error = match->file + " is not a scalable font";
        return std::nullopt;
    }

    // GDI's cell: usWinAscent + usWinDescent of the OS/2 table, else the horizontal header's values.
    int units_ascent = face->ascender;
    int units_descent = -face->descender;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        units_ascent = os2->usWinAscent;
        units_descent = os2->usWinDescent;
    }
    const double cell_units = units_ascent + units_descent;
    if (cell_units <= 0) {
        error = match->file + " has no usable vertical metrics";
        return std::nullopt;
    }
    const double em = cell * face->units_per_EM / cell_units;
    RasterFont font;
    font.face = *match;
    font.ascent = static_cast<int>(std::lround(units_ascent * cell / cell_units));
    font.descent = cell - font.ascent;
    const auto em_64ths = static_cast<FT_F26Dot6>(std::lround(em * 64));
    if (FT_Set_Char_Size(face, em_64ths, em_64ths, 72, 72) != 0) {
        error = "FreeType cannot size " + match->file;
        return std::nullopt;
    }

    std::array<Bitmap, 256> bitmaps;
    for (unsigned code = 0; code < 256; ++code) {
        const char32_t unicode = unicode_of(code);
        if (unicode == 0)
            continue;
        if (FT_Load_Char(face, unicode, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) != 0)
            continue;
        if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0)
            continue;
        const FT_GlyphSlot slot = face->glyph;
        Glyph& g = font.glyphs[code];
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        bitmaps[code] = copy_bitmap(slot->bitmap);
        g.width = bitmaps[code].width;
        g.height = bitmaps[code].height;
        font.has_glyph[code] = true;
    }
    if (!font.has_glyph['A']) {
        error = match->file + " has no glyphs for the ANSI characters";
        return std::nullopt;
    }
    pack_atlas(font, bitmaps);
    return font;
}

} // namespace platform::font
