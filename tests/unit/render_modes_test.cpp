// F7, F8 and F9 through the window procedure: one key-down advances a mode by one step, the key-up keeps the
// pending value, other keys change nothing.
#include "app/app.h"
#include "app/render_modes.h"

#include <d3d9.h>

#include <gtest/gtest.h>

namespace {

void press(WPARAM key) {
    window_proc(nullptr, WM_KEYDOWN, key, 0);
    window_proc(nullptr, WM_KEYUP, key, 0);
}

bool same(const RenderModes& a, const RenderModes& b) {
    return a.depth_current == b.depth_current && a.depth_next == b.depth_next &&
           a.filter_current == b.filter_current && a.filter_next == b.filter_next &&
           a.shade_current == b.shade_current && a.shade_next == b.shade_next;
}

class RenderModesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        render_modes = RenderModes{};
        render_modes.depth_current = 1; // as the entry point leaves it before the loop
    }
};

TEST_F(RenderModesTest, F8CyclesPointLinearAnisotropic) {
    const INT expected[] = {D3DTEXF_POINT, D3DTEXF_LINEAR, D3DTEXF_ANISOTROPIC, D3DTEXF_POINT};
    for (const INT filter : expected) {
        press(VK_F8);
        EXPECT_EQ(render_modes.filter_current, filter);
    }
}

TEST_F(RenderModesTest, F9CyclesPhongFlatGouraud) {
    const INT expected[] = {D3DSHADE_PHONG, D3DSHADE_FLAT, D3DSHADE_GOURAUD};
    for (const INT shade : expected) {
        press(VK_F9);
        EXPECT_EQ(render_modes.shade_current, shade);
    }
}

TEST_F(RenderModesTest, F7SwitchesDepthTestingOffOnTheFirstPressAndOnAgain) {
    press(VK_F7);
    EXPECT_EQ(render_modes.depth_current, 0);
    press(VK_F7);
    EXPECT_EQ(render_modes.depth_current, 1);
}

TEST_F(RenderModesTest, KeyUpWithoutKeyDownChangesNoCurrentValue) {
    const RenderModes before = render_modes;
    for (const WPARAM key : {VK_F7, VK_F8, VK_F9})
        window_proc(nullptr, WM_KEYUP, key, 0);
    EXPECT_EQ(render_modes.depth_current, before.depth_current);
    EXPECT_EQ(render_modes.filter_current, before.filter_current);
    EXPECT_EQ(render_modes.shade_current, before.shade_current);
    // ... and leaves each pending value at the successor of the current one.
    EXPECT_EQ(render_modes.depth_next, 0);
    EXPECT_EQ(render_modes.filter_next, D3DTEXF_POINT);
    EXPECT_EQ(render_modes.shade_next, D3DSHADE_PHONG);
}

TEST_F(RenderModesTest, OtherKeysLeaveTheModesUntouched) {
    const RenderModes before = render_modes;
    for (const WPARAM key : {WPARAM(VK_F10), WPARAM(VK_F6), WPARAM('W'), WPARAM('A'), WPARAM(VK_SPACE)})
        press(key);
    EXPECT_TRUE(same(render_modes, before));
}

TEST_F(RenderModesTest, AutoRepeatedKeyDownsAdvanceEachTime) {
    window_proc(nullptr, WM_KEYDOWN, VK_F8, 0);
    window_proc(nullptr, WM_KEYDOWN, VK_F8, 0x40000000); // repeat: the key was already down
    window_proc(nullptr, WM_KEYDOWN, VK_F8, 0x40000000);
    EXPECT_EQ(render_modes.filter_current, D3DTEXF_ANISOTROPIC);
    window_proc(nullptr, WM_KEYUP, VK_F8, 0);
    EXPECT_EQ(render_modes.filter_current, D3DTEXF_ANISOTROPIC);
    EXPECT_EQ(render_modes.filter_next, D3DTEXF_POINT);
}

} // namespace
