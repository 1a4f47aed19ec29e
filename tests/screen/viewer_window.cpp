// The real viewer binary on the virtual display: its one window (title, place, outer size), its end on a
// close request from the window manager (its end on Esc: the hostile-image cases, which start it once per
// file) and what it does when there is no display.
#include "child_process.h"
#include "viewer_launch.h"
#include "x_display.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using support::ChildProcess;

namespace {

// llvmpipe and the first font lookup make start-up slow on a busy machine; the window still has to come.
constexpr auto kStartTimeout = 20s;

class ViewerWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(support::display_available()) << "these tests need an X display in DISPLAY";
        viewer_ = support::start_viewer();
        const auto window = support::wait_for_window(viewer_->pid(), support::kViewerTitle, kStartTimeout);
        ASSERT_TRUE(window.has_value()) << "no window titled \"" << support::kViewerTitle << "\"; stderr:\n"
                                        << viewer_->stderr_text();
        window_ = *window;
    }

    std::unique_ptr<ChildProcess> viewer_;
    support::WindowId window_ = 0;
};

TEST_F(ViewerWindow, IsOneWindowCovering1024By768FromTheTopLeftCorner) {
    EXPECT_EQ(support::visible_windows(viewer_->pid(), support::kViewerTitle).size(), 1u)
        << "one window only";
    const auto geometry = support::outer_geometry(window_);
    EXPECT_EQ(geometry, support::kViewerWindow);
    EXPECT_TRUE(viewer_->running()) << "the viewer ended on its own; stderr:\n" << viewer_->stderr_text();
}

TEST_F(ViewerWindow, CloseRequestEndsItWithCodeZero) {
    ASSERT_TRUE(viewer_->running());
    ASSERT_TRUE(support::send_close_request(window_)) << "the window does not accept WM_DELETE_WINDOW";
    const auto code = viewer_->wait_for_exit(2s);
    ASSERT_TRUE(code.has_value()) << "still running after the close request";
    EXPECT_EQ(*code, 0) << viewer_->stderr_text();
}

TEST(ViewerWithoutDisplay, SaysWhyInOneLineAndExitsWithOne) {
    ChildProcess viewer(
        {VIEWER_BINARY}, support::assets_dir(),
        {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}, {"SDL_VIDEODRIVER", std::nullopt}});
    const auto code = viewer.wait_for_exit(10s);
    ASSERT_TRUE(code.has_value()) << "the viewer hangs without a display";
    EXPECT_EQ(*code, 1);
    const std::string err = viewer.stderr_text();
    const std::string prefix = "viewer: cannot open a window: ";
    EXPECT_EQ(err.rfind(prefix, 0), 0u) << "stderr was: " << err;
    EXPECT_GT(err.size(), prefix.size() + 1) << "no reason given: " << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "expected exactly one line: " << err;
}

} // namespace
