// The font under the device's depth states, on the virtual display: text drawn with depth testing and
// writing on holds its covered pixels against a box drawn later in the same scene; with either off, or a
// depth function the text fails, the box covers it.
#include <d3dx9.h>
#include <platform_test.h>

#include "d3d9_test_device.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using d3d9_test::ColourVertex;
using d3d9_test::kColourFvf;

class FontDepth : public d3d9_test::DeviceTest {
  protected:
    void SetUp() override {
        make_device(1024, 768);
        ASSERT_EQ(D3DXCreateFontA(device_, 24, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial", &font_),
                  D3D_OK);
        held_.push_back(font_);
    }

    // Clears to black at depth 1, then in one scene draws white "HHHH" at (30, 30) and a red box at depth
    // 0.5 over the upper left quarter of the back buffer (pixels 0..511 x 0..383), and presents.
    void draw_text_then_box() {
        clear(0xFF000000);
        device_->SetRenderState(D3DRS_LIGHTING, FALSE);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        const DWORD red = 0xFFFF0000;
        const std::vector<ColourVertex> box = {{-1.0f, 1.0f, 0.5f, red},
                                               {0.0f, 1.0f, 0.5f, red},
                                               {-1.0f, 0.0f, 0.5f, red},
                                               {0.0f, 0.0f, 0.5f, red}};
        const std::vector<WORD> indices = {0, 1, 2, 2, 1, 3};
        IDirect3DVertexBuffer9* vb = vertex_buffer(box, kColourFvf);
        IDirect3DIndexBuffer9* ib = index_buffer(indices);
        device_->SetFVF(kColourFvf);
        device_->SetStreamSource(0, vb, 0, sizeof(ColourVertex));
        device_->SetIndices(ib);
        ASSERT_EQ(device_->BeginScene(), D3D_OK);
        RECT rect{30, 30, 1024, 768};
        EXPECT_EQ(font_->DrawTextA(nullptr, "HHHH", 4, &rect, 0, 0xFFFFFFFF), 24);
        EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
        ASSERT_EQ(device_->EndScene(), D3D_OK);
        present();
    }

    // Pixels inside the box's quarter (8 pixels in from its edges, clear of their rasterisation) by what
    // shows there: the text (some green: white drawn over black), the box (pure red) or neither.
    static constexpr UINT kInside = 8;
    static constexpr int kInsidePixels = (512 - 2 * kInside) * (384 - 2 * kInside);
    struct Shown {
        int text = 0;
        int box = 0;
        int other = 0;
    };
    Shown shown() const {
        Shown counts;
        for (UINT y = kInside; y < 384 - kInside; ++y)
            for (UINT x = kInside; x < 512 - kInside; ++x) {
                const std::uint32_t p = pixel(x, y) & 0x00FFFFFF;
                if (p == 0x00FF0000)
                    ++counts.box;
                else if (d3d9_test::green(p) > 0)
                    ++counts.text;
                else
                    ++counts.other;
            }
        return counts;
    }

    ID3DXFont* font_ = nullptr;
};

TEST_F(FontDepth, TextHoldsItsCoveredPixelsAgainstALaterBoxWhileDepthIsOn) {
    DWORD zenable = 0;
    device_->GetRenderState(D3DRS_ZENABLE, &zenable);
    ASSERT_EQ(zenable, static_cast<DWORD>(D3DZB_TRUE));
    draw_text_then_box();
    const Shown on = shown();
    // Four capital H: a few hundred pixels of text; only the covered pixels hold depth 0, so every other
    // pixel of the quarter, between the stems too, is the box's.
    EXPECT_GT(on.text, 200);
    EXPECT_EQ(on.other, 0);
    EXPECT_EQ(on.text + on.box, kInsidePixels);
    DWORD after = 0;
    device_->GetRenderState(D3DRS_ZENABLE, &after);
    EXPECT_EQ(after, zenable);

    // Depth testing off (F7), depth writing off, or a comparison the text fails at depth 0 against the
    // cleared 1: the box covers the whole quarter (with GREATER the box fails as well and the text is
    // simply not drawn).
    const struct {
        D3DRENDERSTATETYPE state;
        DWORD value;
    } departures[] = {
        {D3DRS_ZENABLE, D3DZB_FALSE}, {D3DRS_ZWRITEENABLE, FALSE}, {D3DRS_ZFUNC, D3DCMP_GREATER}};
    for (const auto& departure : departures) {
        DWORD before = 0;
        device_->GetRenderState(departure.state, &before);
        device_->SetRenderState(departure.state, departure.value);
        draw_text_then_box();
        EXPECT_EQ(shown().text, 0) << "render state " << departure.state << " = " << departure.value;
        device_->SetRenderState(departure.state, before);
    }

    // And back on: the text holds again.
    draw_text_then_box();
    EXPECT_EQ(shown().text, on.text);
}

} // namespace
