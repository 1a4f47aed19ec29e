// The real viewer started in a folder whose tex_fur.png is one of the hostile files in tests/data/hostile
// (every file there, as the folder holds them) or a FIFO: its window comes, it runs on (with the texture
// absent, or loaded where the file is a valid image), and Esc ends it with code 0. A refused file is named on
// stderr in one line; which files must load is the image loader's unit tests' business.
#include "child_process.h"
#include "viewer_launch.h"
#include "x_display.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

namespace fs = std::filesystem;

constexpr auto kStartTimeout = 20s;
// Ending takes a few milliseconds; the limit only tells a hang from an ending on a machine under load.
constexpr auto kEndTimeout = 10s;
constexpr const char* kFifo = "FIFO";

// The files in tests/data/hostile, in name order, and the FIFO.
std::vector<std::string> hostile_files() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(SOURCE_DIR) / "tests/data/hostile"))
        if (entry.is_regular_file())
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    names.emplace_back(kFifo);
    return names;
}

class HostileFurTexture : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "viewer_hostile_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        fs::copy_file(fs::path(support::assets_dir()) / "bump.bmp", dir_ / "bump.bmp");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path dir_;
};

TEST_P(HostileFurTexture, TheViewerRunsOnAndEndsOnEscWithCodeZero) {
    ASSERT_TRUE(support::display_available()) << "these tests need an X display in DISPLAY";
    const std::string& name = GetParam();
    if (name == kFifo)
        ASSERT_EQ(mkfifo((dir_ / "tex_fur.png").c_str(), 0600), 0);
    else
        fs::copy_file(fs::path(SOURCE_DIR) / "tests/data/hostile" / name, dir_ / "tex_fur.png");

    support::ChildProcess viewer({VIEWER_BINARY}, dir_.string(), {{"LIBGL_ALWAYS_SOFTWARE", "1"}});
    const auto window = support::wait_for_window(viewer.pid(), support::kViewerTitle, kStartTimeout);
    ASSERT_TRUE(window.has_value()) << name << ": no window; stderr:\n" << viewer.stderr_text();
    EXPECT_TRUE(viewer.running()) << name;
    ASSERT_TRUE(support::hold_key_until(
        *window, "Escape", [&] { return !viewer.running(); }, kEndTimeout))
        << name << ": Esc held down did not end it";
    const auto code = viewer.wait_for_exit(kEndTimeout);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0) << viewer.stderr_text();
    // The valid images among them load; every other file is refused in one line that names it.
    const std::string err = viewer.stderr_text();
    if (name == "pgm16_small.pgm" || name.starts_with("bmp_")) {
        EXPECT_EQ(err.find("tex_fur.png"), std::string::npos) << err;
    } else {
        EXPECT_EQ(err.rfind("D3DXCreateTextureFromFileA: tex_fur.png: ", 0), 0u) << err;
        EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, HostileFurTexture, ::testing::ValuesIn(hostile_files()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

} // namespace
