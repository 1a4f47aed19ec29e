// Graphics set-up and teardown through the call trace: every call with its values (their order within set-up
// shows nowhere: nothing is drawn before the first frame), every object released once, and start-up
// failures that end the program cleanly.
#include "program_run.h"
#include "render/box_scene.h"
#include "render/graphics.h"
#include "temp_directory.h"

#include <platform_test.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

using support::find_line;
using support::lines_starting;
using support::run_program;

// Runs the program in `directory` (the program reads its images from the working directory) for
// `frames` frames and ends it with Esc.
support::ProgramRun run_in(const std::filesystem::path& directory, int frames = 1,
                           const std::function<void()>& at_end = {}) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(directory);
    const auto run = run_program([&](int drawn, HWND window) {
        if (drawn == frames) {
            if (at_end)
                at_end();
            PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 1);
        }
    });
    std::filesystem::current_path(previous);
    return run;
}

std::filesystem::path assets() {
    return std::filesystem::path(SOURCE_DIR) / "assets";
}

// The trace from Direct3DCreate9 up to the first line of the input set-up.
std::vector<std::string> setup_lines(const std::vector<std::string>& trace) {
    const int begin = find_line(trace, "Direct3DCreate9(");
    const int end = find_line(trace, "DirectInput8Create(", begin);
    if (begin < 0 || end < 0)
        return {};
    return {trace.begin() + begin, trace.begin() + end};
}

TEST(GraphicsSetup, MakesEachCallWithItsValuesOnce) {
    const auto run = run_in(assets());
    ASSERT_EQ(run.exit_code, 0) << run.errors;
    const std::vector<std::string> expected = {
        "Direct3DCreate9(D3D_SDK_VERSION) -> Direct3D9#1",
        "CreateDevice(Direct3D9#1, D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, Window#1, "
        "D3DCREATE_SOFTWARE_VERTEXPROCESSING, {1024, 768, D3DFMT_X8R8G8B8, 0, D3DMULTISAMPLE_NONE, 0, "
        "D3DSWAPEFFECT_DISCARD, Window#1, TRUE, TRUE, D3DFMT_D16, 0, 0, D3DPRESENT_INTERVAL_DEFAULT}) "
        "-> Device#1",
        "SetRenderState(D3DRS_LIGHTING, TRUE)",
        "SetRenderState(D3DRS_AMBIENT, 0xFF323232)",
        "CreateVertexBuffer(768, 0, D3DFVF_XYZ|D3DFVF_NORMAL|D3DFVF_TEX1, D3DPOOL_MANAGED, null) -> "
        "VertexBuffer#1",
        "CreateIndexBuffer(72, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, null) -> IndexBuffer#1",
        "SetLight(0, {D3DLIGHT_POINT, {1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {10, 10, 5}, {0, 0, 0}, 100, "
        "0, 0, 0, "
        "0.01, 0, 0})",
        "LightEnable(0, TRUE)",
        "SetMaterial({{1, 1, 1, 1}, {1, 1, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0})",
        "SetRenderState(D3DRS_NORMALIZENORMALS, TRUE)",
        "SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE)",
        "SetSamplerState(0, D3DSAMP_MAXANISOTROPY, 8)",
        "SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC)",
        "SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_ANISOTROPIC)",
        "SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_ANISOTROPIC)",
        "D3DXCreateTextureFromFileA(Device#1, \"tex_fur.png\") -> Texture#1",
        "D3DXCreateTextureFromFileA(Device#1, \"bump.bmp\") -> Texture#2",
        "SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_DISABLE)",
        "SetTextureStageState(2, D3DTSS_ALPHAOP, D3DTOP_DISABLE)",
        "D3DXCreateFontA(Device#1, 24, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, "
        "DEFAULT_QUALITY, DEFAULT_PITCH|FF_DONTCARE, \"Arial\") -> Font#1",
    };
    const auto setup = setup_lines(run.trace);
    for (const std::string& line : expected)
        EXPECT_EQ(std::count(setup.begin(), setup.end(), line), 1) << line;
}

TEST(GraphicsSetup, TheBuffersHoldExactlyTheBoxBytes) {
    std::vector<unsigned char> vertices;
    std::vector<unsigned char> indices;
    const auto run = run_in(assets(), 1, [&] {
        void* data = nullptr;
        ASSERT_EQ(graphics.vertex_buffer->Lock(0, 0, &data, 0), D3D_OK);
        vertices.assign(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + 768);
        graphics.vertex_buffer->Unlock();
        ASSERT_EQ(graphics.index_buffer->Lock(0, 0, &data, 0), D3D_OK);
        indices.assign(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + 72);
        graphics.index_buffer->Unlock();
    });
    ASSERT_EQ(run.exit_code, 0);
    ASSERT_EQ(vertices.size(), 768u);
    ASSERT_EQ(indices.size(), 72u);
    EXPECT_EQ(std::memcmp(vertices.data(), box_vertices, 768), 0);
    EXPECT_EQ(std::memcmp(indices.data(), box_indices, 72), 0);
}

TEST(GraphicsTeardown, ReleasesEveryObjectOnceAfterUnacquiringTheDevicesAndLeavesNothingAlive) {
    const auto run = run_in(assets());
    ASSERT_EQ(run.exit_code, 0);
    const int begin = find_line(run.trace, "Release(");
    ASSERT_GT(begin, find_line(run.trace, "Present("));
    auto releases = lines_starting({run.trace.begin() + begin, run.trace.end()}, "Release(");
    std::sort(releases.begin(), releases.end());
    const std::vector<std::string> expected = {
        "Release(Device#1)",      "Release(Direct3D9#1)",   "Release(DirectInput8#1)", "Release(Font#1)",
        "Release(IndexBuffer#1)", "Release(Keyboard#1)",    "Release(Mouse#1)",        "Release(Texture#1)",
        "Release(Texture#2)",     "Release(VertexBuffer#1)"};
    EXPECT_EQ(releases, expected);
    for (const char* device : {"Keyboard#1", "Mouse#1"})
        EXPECT_LT(find_line(run.trace, "Unacquire(" + std::string(device), begin),
                  find_line(run.trace, "Release(" + std::string(device)))
            << device;
    EXPECT_EQ(support::live_objects_besides_windows(), std::vector<std::string>{});
}

void expect_runs_without(bool fur, bool bump, const char* name) {
    const support::TempDirectory temp(name);
    ASSERT_FALSE(temp.path().empty());
    const std::filesystem::path& dir = temp.path();
    if (fur)
        std::filesystem::copy_file(assets() / "tex_fur.png", dir / "tex_fur.png");
    if (bump)
        std::filesystem::copy_file(assets() / "bump.bmp", dir / "bump.bmp");
    const auto run = run_in(dir, 3);
    EXPECT_EQ(run.exit_code, 0) << run.errors;
    EXPECT_EQ(lines_starting(run.trace, "Present(").size(), 3u);
    const auto loads = lines_starting(run.trace, "D3DXCreateTextureFromFileA(");
    ASSERT_EQ(loads.size(), 2u);
    EXPECT_EQ(loads[0].find("-> failed") != std::string::npos, !fur) << loads[0];
    EXPECT_EQ(loads[1].find("-> failed") != std::string::npos, !bump) << loads[1];
    // The absent texture is bound as no texture, and teardown skips it.
    const auto frame = support::frame_lines(run.trace, 0);
    EXPECT_NE(std::find(frame.begin(), frame.end(), fur ? "SetTexture(0, Texture#1)" : "SetTexture(0, null)"),
              frame.end());
    const int textures = (fur ? 1 : 0) + (bump ? 1 : 0);
    EXPECT_EQ(lines_starting(run.trace, "Release(Texture#").size(), static_cast<size_t>(textures));
    EXPECT_EQ(support::live_objects_besides_windows(), std::vector<std::string>{});
}

TEST(GraphicsSetup, RunsWithoutTheFurTexture) {
    expect_runs_without(false, true, "viewer-no-fur");
}
TEST(GraphicsSetup, RunsWithoutTheBumpTexture) {
    expect_runs_without(true, false, "viewer-no-bump");
}
TEST(GraphicsSetup, RunsWithoutEitherImage) {
    expect_runs_without(false, false, "viewer-no-images");
}

TEST(GraphicsSetup, RunsWithoutItsStatusTextWhenTheFontCannotBeMade) {
    platform::trace::test::fail_operation("D3DXCreateFontA");
    const auto run = run_in(assets(), 2);
    platform::trace::test::fail_operation("");
    EXPECT_EQ(run.exit_code, 0) << run.errors;
    EXPECT_EQ(lines_starting(run.trace, "DrawIndexedPrimitive(").size(), 2u);
    EXPECT_TRUE(lines_starting(run.trace, "DrawTextA(").empty());
    EXPECT_EQ(support::live_objects_besides_windows(), std::vector<std::string>{});
}

// The program run with `operation` made to fail: it ends with code 1 and leaves nothing alive but windows.
support::ProgramRun run_failing(const char* operation) {
    platform::trace::test::fail_operation(operation);
    const auto run = run_in(assets());
    platform::trace::test::fail_operation("");
    EXPECT_EQ(run.exit_code, 1) << operation;
    EXPECT_EQ(support::live_objects_besides_windows(), std::vector<std::string>{}) << operation;
    return run;
}

TEST(GraphicsSetup, DeviceCreationFailureReportsOneLineAndReleasesWhatWasMade) {
    const auto run = run_failing("CreateDevice");
    EXPECT_EQ(run.errors.rfind("viewer: cannot create the Direct3D device: CreateDevice failed (0x", 0), 0u)
        << run.errors;
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
    EXPECT_EQ(lines_starting(run.trace, "Release(Direct3D9#1)").size(), 1u);
    EXPECT_TRUE(lines_starting(run.trace, "Present(").empty());
}

TEST(GraphicsSetup, Direct3DCreationFailureReportsOneLineAndExits) {
    const auto run = run_failing("Direct3DCreate9");
    EXPECT_EQ(run.errors, "viewer: cannot create the Direct3D device: Direct3DCreate9 failed\n");
}

// A run per process: the program registers its window class once.
class BoxBufferFailure : public ::testing::TestWithParam<const char*> {};

TEST_P(BoxBufferFailure, EndsTheProgramCleanly) {
    const auto run = run_failing(GetParam());
    EXPECT_EQ(run.errors,
              "viewer: cannot create the Direct3D device: the box's vertex or index buffer cannot be made\n");
    // What was made was released once: the device and the Direct3D object at least.
    for (const char* release : {"Release(Device#1)", "Release(Direct3D9#1)"})
        EXPECT_EQ(lines_starting(run.trace, release).size(), 1u) << release;
}

INSTANTIATE_TEST_SUITE_P(GraphicsSetup, BoxBufferFailure,
                         ::testing::Values("CreateVertexBuffer", "CreateIndexBuffer", "Lock"));

} // namespace
