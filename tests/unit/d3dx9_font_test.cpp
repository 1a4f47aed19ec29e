// The D3DX font without a device: "Arial" resolves to a metric-compatible face, height 24 gives a 24-pixel
// cell, the glyphs are anti-aliased into the atlas, and DrawText's layout (corner, baseline, advances) and
// its clipping to the rectangle.
#include "font/font_raster.h"

#include <d3dx9.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using namespace platform::font;

const RasterFont& arial24() {
    static const RasterFont font = [] {
        std::string error;
        auto f = make_raster_font("Arial", 24, error);
        EXPECT_TRUE(f.has_value()) << error;
        return f.value_or(RasterFont{});
    }();
    return font;
}

TEST(D3dx9FontFace, ArialResolvesToAMetricCompatibleFaceAndHeightSetsTheCell) {
    const auto regular = match_face("Arial");
    ASSERT_TRUE(regular.has_value());
    EXPECT_EQ(regular->family, "Liberation Sans");
    EXPECT_NE(regular->file.find("LiberationSans-Regular"), std::string::npos) << regular->file;
    // Like GDI's font mapper, an unknown name still yields some face.
    EXPECT_TRUE(match_face("No Such Face 1234").has_value());
    EXPECT_TRUE(match_face(nullptr).has_value());

    const RasterFont& font = arial24();
    EXPECT_EQ(font.cell_height(), 24);
    // Liberation Sans, like Arial: usWinAscent 1854, usWinDescent 434 of 2048 units per em.
    EXPECT_EQ(font.ascent, 19);
    EXPECT_EQ(font.descent, 5);
    // A capital fills most of the ascent: about 0.716 em for this face.
    EXPECT_NEAR(font.glyphs['H'].height, 15, 1);
    std::string error;
    EXPECT_FALSE(make_raster_font("Arial", 5000, error).has_value());
    EXPECT_FALSE(error.empty());
}

TEST(D3dx9FontFace, GlyphsAreAntiAliasedIntoTheAtlasOnce) {
    const RasterFont& font = arial24();
    ASSERT_EQ(font.atlas.size(), std::size_t{font.atlas_width} * font.atlas_height);
    for (const char c : std::string("X axis: 0.000000 Filtering anisotropic (F8) -")) {
        const auto code = static_cast<unsigned char>(c);
        ASSERT_TRUE(font.has_glyph[code]) << c;
        const Glyph& g = font.glyphs[code];
        EXPECT_GT(g.advance, 0) << c;
        if (c == ' ') {
            EXPECT_EQ(g.width * g.height, 0);
            continue;
        }
        ASSERT_GT(g.width, 0) << c;
        ASSERT_LE(static_cast<UINT>(g.atlas_x + g.width), font.atlas_width);
        ASSERT_LE(static_cast<UINT>(g.atlas_y + g.height), font.atlas_height);
        int full = 0;
        int partial = 0;
        for (int y = 0; y < g.height; ++y)
            for (int x = 0; x < g.width; ++x) {
                const auto v = font.atlas[std::size_t(g.atlas_y + y) * font.atlas_width + g.atlas_x + x];
                full += v == 255;
                partial += v > 0 && v < 255;
            }
        EXPECT_GT(partial, 0) << "glyph '" << c << "' has no anti-aliased edge";
        if (c != '.' && c != ':' && c != '-') {
            EXPECT_GT(full, 0) << c;
        }
    }
    // Proportional, as Arial: 'i' is narrower than 'W'; digits share one width.
    EXPECT_LT(font.glyphs['i'].advance, font.glyphs['W'].advance);
    EXPECT_EQ(font.glyphs['0'].advance, font.glyphs['8'].advance);
}

TEST(D3dx9FontLayout, LeftTopTextStartsAtTheCornerWithTheBaselineAtTopPlusAscent) {
    const RasterFont& font = arial24();
    const RECT rect{30, 60, 1024, 768};
    const TextLayout layout = layout_text(font, "H H", rect);
    EXPECT_EQ(layout.height, 24);
    ASSERT_EQ(layout.quads.size(), 2u); // the space draws nothing
    const Glyph& h = font.glyphs['H'];
    const int baseline = 60 + font.ascent;
    EXPECT_EQ(layout.quads[0].x0, 30 + h.left);
    EXPECT_EQ(layout.quads[0].y0, baseline - h.top);
    EXPECT_EQ(layout.quads[0].x1 - layout.quads[0].x0, h.width);
    EXPECT_EQ(layout.quads[0].y1 - layout.quads[0].y0, h.height);
    EXPECT_EQ(layout.quads[0].y1, baseline); // a capital H sits on the baseline
    EXPECT_EQ(layout.quads[1].x0, 30 + h.advance + font.glyphs[' '].advance + h.left);
    // The atlas coordinates frame the glyph's own pixels.
    EXPECT_FLOAT_EQ(layout.quads[0].u0 * font.atlas_width, h.atlas_x);
    EXPECT_FLOAT_EQ(layout.quads[0].v1 * font.atlas_height, h.atlas_y + h.height);
    // A descender reaches below the baseline, inside the cell.
    const TextLayout g = layout_text(font, "g", rect);
    ASSERT_EQ(g.quads.size(), 1u);
    EXPECT_GT(g.quads[0].y1, baseline);
    EXPECT_LE(g.quads[0].y1, 60 + 24);
}

TEST(D3dx9FontLayout, ClippingCutsQuadsAndTheirAtlasCoordinatesToTheRectangle) {
    using platform::font::GlyphQuad;
    const std::vector<GlyphQuad> quads = {
        {5, 5, 15, 15, 0.0f, 0.0f, 1.0f, 1.0f},  // straddles the right and bottom edges
        {20, 0, 30, 5, 0.0f, 0.0f, 1.0f, 1.0f},  // wholly to the right
        {-4, 2, 4, 6, 0.5f, 0.25f, 0.75f, 0.5f}, // straddles the left edge
        {0, 10, 5, 12, 0.0f, 0.0f, 1.0f, 1.0f},  // starts on the bottom edge: outside
    };
    auto clipped = quads;
    clip_quads(clipped, RECT{0, 0, 10, 10});
    ASSERT_EQ(clipped.size(), 2u);
    EXPECT_EQ(clipped[0].x1, 10);
    EXPECT_EQ(clipped[0].y1, 10);
    EXPECT_FLOAT_EQ(clipped[0].u1, 0.5f);
    EXPECT_FLOAT_EQ(clipped[0].v1, 0.5f);
    EXPECT_FLOAT_EQ(clipped[0].u0, 0.0f);
    EXPECT_EQ(clipped[1].x0, 0);
    EXPECT_FLOAT_EQ(clipped[1].u0, 0.625f);
    EXPECT_FLOAT_EQ(clipped[1].u1, 0.75f);
    EXPECT_FLOAT_EQ(clipped[1].v0, 0.25f);

    // A status line in a narrow rectangle: every drawn pixel stays inside it.
    const RasterFont& font = arial24();
    const RECT narrow{30, 30, 90, 40};
    auto cut = layout_text(font, "Filtering: anisotropic (F8)", narrow).quads;
    clip_quads(cut, narrow);
    ASSERT_FALSE(cut.empty());
    for (const GlyphQuad& q : cut) {
        EXPECT_GE(q.x0, 30);
        EXPECT_LE(q.x1, 90);
        EXPECT_GE(q.y0, 30);
        EXPECT_LE(q.y1, 40);
    }
}

} // namespace
