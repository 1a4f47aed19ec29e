// The self-contained Windows build's font rasteriser for the D3DX font (match_face of font_raster.h, and
// rasterise_font), on GDI:
//   face             CreateFontA with the GDI face name, FW_NORMAL, upright (GDI finds the face, or its
//                    substitute)
//   size             the height as GDI takes it when positive: the cell (ascent + descent)
//   metrics          GetTextMetricsW: tmAscent, tmDescent
//   glyphs           GetGlyphOutlineW with GGO_GRAY8_BITMAP (65 levels of coverage) for the ANSI code page
//                    (Windows-1252), on a memory device context; font_raster.cpp packs them
#include "font/font_raster_internal.h"

#include <windows.h>

#include <algorithm>

namespace platform::font {
namespace {

// A memory device context with a font selected into it, both released together.
class FontContext {
  public:
    FontContext(const char* face_name, int cell)
        : dc_(CreateCompatibleDC(nullptr)),
          font_(CreateFontA(cell, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, face_name ? face_name : "")) {
        if (dc_ != nullptr && font_ != nullptr)
            previous_ = SelectObject(dc_, font_);
    }
    FontContext(const FontContext&) = delete;
    FontContext& operator=(const FontContext&) = delete;
    ~FontContext() {
        if (previous_ != nullptr)
            SelectObject(dc_, previous_);
        if (font_ != nullptr)
            DeleteObject(font_);
        if (dc_ != nullptr)
            DeleteDC(dc_);
    }
    bool ready() const {
        return previous_ != nullptr;
    }
    HDC dc() const {
        return dc_;
    }

  private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ previous_ = nullptr;
};

std::string face_of(HDC dc) {
    char name[LF_FACESIZE] = {};
    GetTextFaceA(dc, LF_FACESIZE, name);
    return name;
}

} // namespace

std::optional<FaceMatch> match_face(const char* face_name) {
    const FontContext context(face_name, 16);
    if (!context.ready())
        return std::nullopt;
    FaceMatch match;
    match.family = face_of(context.dc());
    return match;
}

std::optional<RasterFont> rasterise_font(const char* face_name, int cell, std::string& error) {
    const FontContext context(face_name, cell);
    TEXTMETRICW metrics{};
    if (!context.ready() || GetTextMetricsW(context.dc(), &metrics) == FALSE) {
        error = std::string("GDI has no font for \"") + (face_name ? face_name : "") + "\"";
        return std::nullopt;
    }
    RasterFont font;
    font.face.family = face_of(context.dc());
    font.ascent = metrics.tmAscent;
    font.descent = metrics.tmDescent;

    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    std::array<Bitmap, 256> bitmaps;
    std::vector<std::uint8_t> buffer;
    for (unsigned code = 0; code < 256; ++code) {
        const char32_t unicode = unicode_of(code);
        if (unicode == 0)
            continue;
        GLYPHMETRICS glyph{};
        const DWORD size = GetGlyphOutlineW(context.dc(), static_cast<UINT>(unicode), GGO_GRAY8_BITMAP,
                                            &glyph, 0, nullptr, &identity);
        if (size == GDI_ERROR)
            continue;
        Glyph& g = font.glyphs[code];
        g.advance = glyph.gmCellIncX;
        font.has_glyph[code] = true;
        if (size == 0) // nothing to draw, as for the space
            continue;
        buffer.resize(size);
        if (GetGlyphOutlineW(context.dc(), static_cast<UINT>(unicode), GGO_GRAY8_BITMAP, &glyph, size,
                             buffer.data(), &identity) == GDI_ERROR)
            continue;
        // Rows are DWORD-aligned, top row first; coverage runs from 0 to 64.
        const int width_px = static_cast<int>(glyph.gmBlackBoxX);
        const int height_px = static_cast<int>(glyph.gmBlackBoxY);
        const std::size_t pitch = (static_cast<std::size_t>(width_px) + 3) & ~std::size_t{3};
        if (pitch * static_cast<std::size_t>(height_px) > size)
            continue;
        Bitmap& b = bitmaps[code];
        b.width = width_px;
        b.height = height_px;
        b.coverage.resize(static_cast<std::size_t>(width_px) * height_px);
        for (int y = 0; y < height_px; ++y)
            for (int x = 0; x < width_px; ++x) {
                const unsigned level = std::min<unsigned>(buffer[pitch * y + x], 64);
                b.coverage[static_cast<std::size_t>(y) * width_px + x] =
                    static_cast<std::uint8_t>((level * 255 + 32) / 64);
            }
        g.left = glyph.gmptGlyphOrigin.x;
        g.top = glyph.gmptGlyphOrigin.y;
        g.width = width_px;
        g.height = height_px;
    }
    if (!font.has_glyph['A']) {
        error = font.face.family + " has no glyphs for the ANSI characters";
        return std::nullopt;
    }
    pack_atlas(font, bitmaps);
    return font;
}

} // namespace platform::font
