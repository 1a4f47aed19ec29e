// Direct3D 9's top-left fill rule where an edge passes exactly through pixel centres, or 1/256 of a pixel
// beside them: a pixel whose centre lies on a top or left edge is filled, one on a bottom or right edge is
// not. The rows and columns expected are those Wine's Direct3D 9 (on llvmpipe) filled for the same quads in a
// 64 x 48 back buffer, read back by tests/wine/fill_rule_probe.cpp; both when the device draws into a window
// of the back buffer's size and when it draws offscreen.
#include "d3d9_test_device.h"

#include "d3d9/d3d9_device.h"

#include <algorithm>
#include <sstream>
#include <string>

namespace {

using namespace d3d9_test;

// A quad from (left, top) to (right, bottom) in screen pixels (pixel centres at integers), drawn here
// through the identity transforms, and the rows and columns Wine filled for it (drawn there pretransformed).
struct FillCase {
    const char* name;
    float left, top, right, bottom;
    const char* filled;
};

constexpr float kStep = 1.0f / 256.0f;
const FillCase kCases[] = {
    {"pixel edges at half-integers", -0.5f, -0.5f, 63.5f, 47.5f, "rows 0-47 columns 0-63"},
    {"whole target at integers", 0.0f, 0.0f, 64.0f, 48.0f, "rows 0-47 columns 0-63"},
    {"inner edges on centres", 2.0f, 2.0f, 62.0f, 46.0f, "rows 2-45 columns 2-61"},
    {"inner edges a step before centres", 2.0f - kStep, 2.0f - kStep, 62.0f - kStep, 46.0f - kStep,
     "rows 2-45 columns 2-61"},
    {"inner edges a step past centres", 2.0f + kStep, 2.0f + kStep, 62.0f + kStep, 46.0f + kStep,
     "rows 3-46 columns 3-62"},
};

class FillRule : public DeviceTest, public ::testing::WithParamInterface<bool> {
  protected:
    // Draws the quad in white over black and says which rows and columns it filled, as the probe prints
    // them, or "not a rectangle" when the filled pixels do not make one.
    std::string filled(const FillCase& c) {
        const D3DCOLOR w = 0xFFFFFFFF;
        const auto x = [](float px) { return px / 32.0f - 1.0f; };
        const auto y = [](float py) { return 1.0f - py / 24.0f; };
        clear(0xFF000000);
        draw(std::vector<ColourVertex>{{x(c.left), y(c.bottom), 0.5f, w},
                                       {x(c.left), y(c.top), 0.5f, w},
                                       {x(c.right), y(c.bottom), 0.5f, w},
                                       {x(c.right), y(c.top), 0.5f, w}},
             kColourFvf, kQuadIndices);
        present();
        int top = -1, bottom = -1, left = -1, right = -1;
        long count = 0;
        for (UINT y = 0; y < height_; ++y)
            for (UINT x = 0; x < width_; ++x) {
                if ((pixel(x, y) & 0xFFFFFF) == 0)
                    continue;
                ++count;
                top = top < 0 ? static_cast<int>(y) : top;
                bottom = static_cast<int>(y);
                left = left < 0 || static_cast<int>(x) < left ? static_cast<int>(x) : left;
                right = std::max(right, static_cast<int>(x));
            }
        if (count == 0)
            return "none";
        if (count != static_cast<long>(bottom - top + 1) * (right - left + 1))
            return "not a rectangle";
        std::ostringstream out;
        out << "rows " << top << '-' << bottom << " columns " << left << '-' << right;
        return out.str();
    }
};

TEST_P(FillRule, EdgesThroughPixelCentresFillAsWinesDirect3D9Does) {
    const bool window_sized = GetParam();
    make_unlit_device(64, 48, window_sized, 320, 240);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    for (const FillCase& c : kCases)
        EXPECT_EQ(filled(c), c.filled) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FillRule, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "IntoTheWindow" : "Offscreen";
                         });

} // namespace
