// One frame through the call trace: the steps in order with their arguments, the first frame's view and
// projection, the six status lines as they change with the camera and the modes.
#include "app/render_modes.h"
#include "camera/camera.h"
#include "program_run.h"

#include <platform_test.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

using support::frame_lines;
using support::lines_starting;

// Runs the program in assets/ until `frames` frames are drawn; `step` acts before the frame given.
support::ProgramRun run_frames(int frames, const std::function<void(int frame, HWND window)>& step = {}) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(SOURCE_DIR) / "assets");
    const auto run = support::run_program([&](int drawn, HWND window) {
        if (drawn == frames) {
            PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 1);
        } else if (step) {
            step(drawn, window);
        }
    });
    std::filesystem::current_path(previous);
    return run;
}

// The texts of the frame's DrawTextA calls.
std::vector<std::string> status_texts(const std::vector<std::string>& frame) {
    std::vector<std::string> texts;
    for (const std::string& line : lines_starting(frame, "DrawTextA(")) {
        const size_t open = line.find('"');
        const size_t close = line.find('"', open + 1);
        texts.push_back(line.substr(open + 1, close - open - 1));
    }
    return texts;
}

// Where each of the frame's calls stands, by the line's beginning; the first one when `last` is false.
int where(const std::vector<std::string>& frame, std::string_view prefix, bool last = false) {
    int found = -1;
    for (int i = 0; i < static_cast<int>(frame.size()); ++i)
        if (frame[i].rfind(prefix, 0) == 0 && (found < 0 || last))
            found = i;
    return found;
}

// The render modes a frame is drawn in: their values and the names the trace gives them.
struct Modes {
    INT depth;
    INT filter;
    INT shade;
    const char* zenable;
    const char* filter_name;
    const char* shade_name;
};

std::string name_of(const Modes& modes) {
    return std::string(modes.zenable) + "_" + modes.filter_name + "_" + modes.shade_name;
}

void PrintTo(const Modes& modes, std::ostream* out) {
    *out << name_of(modes);
}

class FrameInModes : public ::testing::TestWithParam<Modes> {};

// Whatever the modes, the frame makes the same calls: only the values of the modes' states change.
TEST_P(FrameInModes, SetsEverythingTheBoxDependsOnBeforeDrawingItOnceInsideTheScene) {
    const Modes modes = GetParam();
    const auto run = run_frames(1, [&modes](int, HWND) {
        render_modes.depth_current = modes.depth;
        render_modes.filter_current = modes.filter;
        render_modes.shade_current = modes.shade;
    });
    ASSERT_EQ(run.exit_code, 0) << run.errors;
    const auto frame = frame_lines(run.trace, 0);
    const std::string filter = modes.filter_name;
    // The values that matter, each set exactly once in the frame.
    for (const std::string& line : std::vector<std::string>{
             std::string("SetRenderState(D3DRS_ZENABLE, ") + modes.zenable + ")",
             "SetSamplerState(0, D3DSAMP_MINFILTER, " + filter + ")",
             "SetSamplerState(0, D3DSAMP_MAGFILTER, " + filter + ")",
             "SetSamplerState(0, D3DSAMP_MIPFILTER, " + filter + ")",
             std::string("SetRenderState(D3DRS_SHADEMODE, ") + modes.shade_name + ")",
             "Clear(0, null, D3DCLEAR_TARGET, 0xFF000000, 1, 0)",
             "Clear(0, null, D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0)",
             "SetFVF(D3DFVF_XYZ|D3DFVF_NORMAL|D3DFVF_TEX1)", "SetTexture(1, Texture#2)",
             "SetTexture(0, Texture#1)", "D3DXMatrixPerspectiveFovLH(0.7853982, 1.3333334, 1, 100)",
             "SetTransform(D3DTS_WORLD, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})",
             "SetStreamSource(0, VertexBuffer#1, 0, 32)", "SetIndices(IndexBuffer#1)",
             "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 24, 0, 12)", "Present(null, null, null, null)"})
        EXPECT_EQ(std::count(frame.begin(), frame.end(), line), 1) << line;
    for (const char* once :
         {"SetTransform(D3DTS_VIEW, ", "SetTransform(D3DTS_PROJECTION, ", "BeginScene(", "EndScene("})
        EXPECT_EQ(lines_starting(frame, once).size(), 1u) << once;
    // Every state, binding and transform the box is drawn with is set before it is drawn, and the depth
    // state before the text too (the glyphs keep the device's depth states).
    const int draw = where(frame, "DrawIndexedPrimitive(");
    for (const char* step : {"SetRenderState(D3DRS_SHADEMODE", "SetSamplerState(", "SetFVF(", "SetTexture(",
                             "SetTransform(", "SetStreamSource(", "SetIndices("})
        EXPECT_LT(where(frame, step, true), draw) << step;
    // Both buffers are cleared before anything is drawn; the text is drawn inside the scene and before the
    // box (whose depth then leaves the glyphs on top); the picture is shown once the scene has ended.
    const int first_text = where(frame, "DrawTextA(");
    EXPECT_LT(where(frame, "SetRenderState(D3DRS_ZENABLE"), first_text);
    EXPECT_LT(where(frame, "Clear(", true), first_text);
    EXPECT_LT(where(frame, "BeginScene("), std::min(first_text, draw));
    EXPECT_LT(where(frame, "DrawTextA(", true), draw);
    EXPECT_LT(draw, where(frame, "EndScene("));
    EXPECT_LT(where(frame, "EndScene("), where(frame, "Present("));
    EXPECT_EQ(where(frame, "Present("), static_cast<int>(frame.size()) - 1);
}

// Each value of each mode at least once.
INSTANTIATE_TEST_SUITE_P(
    Frame, FrameInModes,
    ::testing::Values(Modes{1, 3, 2, "D3DZB_TRUE", "D3DTEXF_ANISOTROPIC", "D3DSHADE_GOURAUD"},
                      Modes{0, 1, 1, "D3DZB_FALSE", "D3DTEXF_POINT", "D3DSHADE_FLAT"},
                      Modes{1, 2, 3, "D3DZB_TRUE", "D3DTEXF_LINEAR", "D3DSHADE_PHONG"},
                      Modes{0, 3, 2, "D3DZB_FALSE", "D3DTEXF_ANISOTROPIC", "D3DSHADE_GOURAUD"}),
    [](const ::testing::TestParamInfo<Modes>& info) { return name_of(info.param); });

// The rule the layer keeps: it implements every value the program passes. With each value of each render
// mode drawn (the modes switched by their keys as a user switches them), no value was reported as not
// implemented, by the front ends or the renderer.
TEST(Frame, TheProgramPassesNoValueTheLayerReportsAsNotImplemented) {
    const auto run = run_frames(3, [](int frame, HWND window) {
        for (const WPARAM key : {VK_F8, VK_F9})
            support::press_key(window, key);
        if (frame == 2)
            support::press_key(window, VK_F7);
    });
    ASSERT_EQ(run.exit_code, 0) << run.errors;
    for (const char* drawn :
         {"D3DZB_TRUE)", "D3DZB_FALSE)", "D3DTEXF_POINT)", "D3DTEXF_LINEAR)", "D3DTEXF_ANISOTROPIC)",
          "D3DSHADE_FLAT)", "D3DSHADE_GOURAUD)", "D3DSHADE_PHONG)"})
        EXPECT_TRUE(std::any_of(run.trace.begin(), run.trace.end(), [drawn](const std::string& line) {
            return line.ends_with(drawn);
        })) << drawn;
    EXPECT_EQ(lines_starting(run.trace, "DrawIndexedPrimitive(").size(), 3u);
    EXPECT_EQ(platform::trace::test::unimplemented_notices(), std::vector<std::string>{}) << run.errors;
}

TEST(Frame, TheViewLooksFromTheEyeToTheEyeMinusTheLookOffsetInXAndYPlusItInZ) {
    // Turned and pitched so that the offset is large on every axis: (-16.5, 16.2, -19.1).
    const auto run = run_frames(1, [](int, HWND) {
        camera.yaw = 4.0f;
        camera.pitch = 1.0f;
    });
    const auto look = lines_starting(frame_lines(run.trace, 0), "D3DXMatrixLookAtLH(");
    ASSERT_EQ(look.size(), 1u);
    float tx = 0;
    float ty = 0;
    float tz = 0;
    // The whole line must match, up to the up direction, exactly +Y: sscanf counts only the conversions.
    int matched = -1;
    ASSERT_EQ(std::sscanf(look[0].c_str(), "D3DXMatrixLookAtLH({0, 10, 18}, {%f, %f, %f}, {0, 1, 0})%n", &tx,
                          &ty, &tz, &matched),
              3)
        << look[0];
    EXPECT_EQ(matched, static_cast<int>(look[0].size())) << look[0];
    const float r = 30.0f * std::sin(1.0f);
    EXPECT_NEAR(tx, 0.0f - std::cos(4.0f) * r, 1e-4f);
    EXPECT_NEAR(ty, 10.0f - 30.0f * std::cos(1.0f), 1e-4f);
    EXPECT_NEAR(tz, 18.0f + std::sin(4.0f) * r, 1e-4f);
}

TEST(Frame, AFrameWithoutInputSetsTheSameTransformsAsTheFrameBefore) {
    const auto run = run_frames(3);
    ASSERT_EQ(run.exit_code, 0);
    const auto second = lines_starting(frame_lines(run.trace, 1), "SetTransform(");
    const auto third = lines_starting(frame_lines(run.trace, 2), "SetTransform(");
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(second, third);
}

// W, A and Space held together for five frames, the view turned off the axes: each frame takes A's step to
// the side before W's step forward, rises, and pulls the move longer than one step back. The eye as the
// view is set, to the last bit of each float.
TEST(Frame, KeysHeldTogetherStepSidewaysThenForwardEveryFrame) {
    const auto run = run_frames(6, [](int frame, HWND window) {
        if (frame == 0)
            camera.yaw = 4.0f;
        if (frame == 1) {
            support::send_focus(window);
            for (const int key : {SDL_SCANCODE_W, SDL_SCANCODE_A, SDL_SCANCODE_SPACE})
                support::send_key(window, key, true);
        }
    });
    ASSERT_EQ(run.exit_code, 0);
    std::vector<std::string> eyes;
    for (int frame = 1; frame < 6; ++frame) {
        const std::string_view call = "D3DXMatrixLookAtLH(";
        const auto look = lines_starting(frame_lines(run.trace, frame), call);
        ASSERT_EQ(look.size(), 1u);
        eyes.push_back(look[0].substr(call.size(), look[0].find('}') + 1 - call.size()));
    }
    // Taken forward before sideways, the third frame's X would be 1.0771124.
    const std::vector<std::string> expected = {
        "{0.35903752, 10.22, 17.97374}", "{0.71807504, 10.440001, 17.94748}",
        "{1.0771126, 10.660001, 17.921219}", "{1.4361501, 10.880001, 17.894958}",
        "{1.7951876, 11.100001, 17.868698}"};
    EXPECT_EQ(eyes, expected);
}

TEST(StatusOverlay, TheFirstFrameShowsTheStartingCameraAndModes) {
    const auto run = run_frames(1);
    const auto frame = frame_lines(run.trace, 0);
    const std::vector<std::string> expected = {
        "X axis: 0.000000",       "Z axis: 18.000000",           "FOV: 45",
        "Z Buffer: enabled (F7)", "Filtering: anisotropic (F8)", "Shading: gouraud (F9)"};
    EXPECT_EQ(status_texts(frame), expected);
    // Each line at the left edge 30, 30 pixels below the one before, clipped to the back buffer, white.
    const auto draws = lines_starting(frame, "DrawTextA(");
    ASSERT_EQ(draws.size(), 6u);
    for (size_t i = 0; i < draws.size(); ++i) {
        const std::string tail = ", " + std::to_string(expected[i].size()) + ", {30, " +
                                 std::to_string(30 + 30 * i) + ", 1024, 768}, 0, 0xFFFFFFFF)";
        EXPECT_EQ(draws[i], "DrawTextA(Font#1, null, \"" + expected[i] + "\"" + tail);
    }
}

TEST(StatusOverlay, ShowsTheCameraAsMovedWithinTheSameFrame) {
    const auto run = run_frames(2, [](int frame, HWND window) {
        if (frame == 1) {
            // W held through the keyboard device for the second frame's one step from the start.
            support::send_focus(window);
            support::send_key(window, SDL_SCANCODE_W, true);
            camera.fov = -1;
        }
    });
    const auto texts = status_texts(frame_lines(run.trace, 1));
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[0], "X axis: -0.000000"); // a tiny negative X keeps its sign
    EXPECT_EQ(texts[1], "Z axis: 17.745443");
    EXPECT_EQ(texts[2], "FOV: -1");
}

TEST(StatusOverlay, ShowsAModeSwitchedByItsKeyInTheNextFrame) {
    const auto run = run_frames(3, [](int frame, HWND window) {
        if (frame == 1)
            support::press_key(window, VK_F8);
        if (frame == 2) {
            support::press_key(window, VK_F9);
            support::press_key(window, VK_F7);
        }
    });
    ASSERT_EQ(run.exit_code, 0);
    const auto second = status_texts(frame_lines(run.trace, 1));
    const auto third = status_texts(frame_lines(run.trace, 2));
    ASSERT_EQ(second.size(), 6u);
    ASSERT_EQ(third.size(), 6u);
    EXPECT_EQ(second[4], "Filtering: point (F8)");
    EXPECT_EQ(third[5], "Shading: phong (F9)");
    EXPECT_EQ(third[3], "Z Buffer: disabled (F7)");
    // ... and the device receives the new values in that frame.
    const auto states = frame_lines(run.trace, 2);
    for (const char* line : {"SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE)",
                             "SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT)",
                             "SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT)",
                             "SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT)",
                             "SetRenderState(D3DRS_SHADEMODE, D3DSHADE_PHONG)"})
        EXPECT_NE(std::find(states.begin(), states.end(), line), states.end()) << line;
}

} // namespace
