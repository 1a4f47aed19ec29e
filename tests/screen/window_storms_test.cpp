// The viewer's WinMain in process, on a virtual display, through what a desktop does to a window: a storm of
// resizes, moves and pointer warps with no input (the camera stays where it was), focus switches with a key
// held (no key stays down), minimising and restoring under a window manager (drawing and input resume), and
// under a window manager the outer window of 1024 x 768 and closing through the window manager. The camera
// is read from the program's own record (`camera`), the keys from its input snapshot.
#include "child_process.h"
#include "private_display.h"
#include "program_run.h"
#include "viewer_launch.h"
#include "x_display.h"

#include <platform_test.h>
#include <windows.h>

#include "camera/camera.h"
#include "input/input.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <unistd.h>
#include <vector>

#include "win32/win32_internal.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using support::run_command;

// One step of a scripted run: once `ready` holds (checked at every look at the message queue), `act` runs
// and the next step is waited for.
struct Step {
    std::string what;
    std::function<bool()> ready;
    std::function<void()> act;
};

struct ScriptedRun {
    int exit_code = -1;
    std::string stuck_at; // the step that never became ready, if the run was cut short
};

// Runs WinMain through the steps; the last step should request quit. A run still going after `limit` is
// ended with code 99.
ScriptedRun run_steps(std::vector<Step> steps, Clock::duration limit = 90s) {
    ScriptedRun run;
    std::size_t next = 0;
    const auto deadline = Clock::now() + limit;
    run.exit_code = support::run_winmain([&](int) {
        if (next < steps.size() && steps[next].ready()) {
            steps[next].act();
            ++next;
        } else if (Clock::now() > deadline && run.stuck_at.empty()) {
            run.stuck_at = next < steps.size() ? steps[next].what : "the end";
            PostQuitMessage(99);
        }
    });
    return run;
}

// Counts presented frames.
struct Frames {
    int count = 0;
    Frames() {
        platform::trace::test::on_present([this] { ++count; });
    }
    std::function<bool()> at_least(int n) const {
        return [this, n] { return count >= n; };
    }
    std::function<bool()> after(int more) const {
        return [this, more, from = std::make_shared<int>(-1)] {
            if (*from < 0)
                *from = count;
            return count >= *from + more;
        };
    }
};

using support::program_window;

// The program's window on the X display.
support::WindowId x_window() {
    const auto windows = support::visible_windows(getpid(), support::kViewerTitle);
    return windows.empty() ? 0 : windows.front();
}

// Runs xdotool; its waits (--sync) are cut at 20 s, so a window that never changes state fails the test
// instead of hanging it.
void xdotool(const std::string& arguments) {
    EXPECT_EQ(run_command("timeout 20 xdotool " + arguments + " 2>&1").exit_code, 0)
        << "xdotool " << arguments;
}

bool foreground() {
    return platform::win32::is_foreground(program_window());
}

bool no_key_down() {
    return std::all_of(std::begin(input_snapshot.keys), std::end(input_snapshot.keys),
                       [](BYTE b) { return (b & 0x80) == 0; });
}

struct Pose {
    float eye_x, eye_y, eye_z, yaw, pitch;
    int fov;
    bool operator==(const Pose&) const = default;
};
Pose pose() {
    return {camera.eye_x, camera.eye_y, camera.eye_z, camera.yaw, camera.pitch, camera.fov};
}
std::ostream& operator<<(std::ostream& out, const Pose& p) {
    return out << "eye (" << p.eye_x << ", " << p.eye_y << ", " << p.eye_z << ") yaw " << p.yaw << " pitch "
               << p.pitch << " fov " << p.fov;
}

TEST(WindowStorm, ResizesMovesAndPointerWarpsWithoutInputLeaveTheCameraWhereItWas) {
    ASSERT_TRUE(support::display_available()) << "this test needs an X display in DISPLAY";
    Frames frames;
    support::WindowId xid = 0;
    Pose before{};
    int storms = 0;
    const auto storm = [&] {
        // Three sizes, two places and two pointer positions a pass, as fast as the program takes them.
        static constexpr int sizes[][2] = {{640, 480}, {1200, 900}, {300, 200}, {1024, 768}, {801, 333}};
        const std::string id = std::to_string(xid);
        std::ostringstream command;
        for (int k = 0; k < 3; ++k) {
            const auto& size = sizes[(storms + k) % std::size(sizes)];
            command << "windowsize " << id << ' ' << size[0] << ' ' << size[1] << ' ';
        }
        command << "windowmove " << id << ' ' << (storms * 37) % 200 << ' ' << (storms * 23) % 150 << ' ';
        command << "mousemove " << (storms * 71) % 1200 << ' ' << (storms * 53) % 1000 << ' ';
        command << "mousemove --window " << id << ' ' << (storms * 31) % 500 << ' ' << (storms * 17) % 400
                << ' ';
        command << "windowmove " << id << " 0 0";
        xdotool(command.str());
        ++storms;
    };
    std::vector<Step> steps = {
        {"the window in the foreground", [&] { return frames.count >= 3 && foreground(); },
         [&] {
             xid = x_window();
             before = pose();
         }},
    };
    for (int i = 0; i < 40; ++i)
        steps.push_back({"storm", frames.after(1), storm});
    steps.push_back({"back to 1024 x 768", frames.after(1),
                     [&] { xdotool("windowsize " + std::to_string(xid) + " 1024 768"); }});
    steps.push_back({"frames after the storm", frames.after(10), [] { PostQuitMessage(0); }});

    const ScriptedRun run = run_steps(steps);
    EXPECT_EQ(run.stuck_at, "");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_NE(xid, 0u);
    EXPECT_EQ(storms, 40);
    EXPECT_EQ(pose(), before) << "the camera moved with no input";
}

TEST(WindowStorm, FocusSwitchesWithAKeyHeldLeaveNoKeyDown) {
    ASSERT_TRUE(support::display_available()) << "this test needs an X display in DISPLAY";
    support::ChildProcess other_window({"xmessage", "-geometry", "200x100+1050+50", "other window"}, ".");
    // xmessage does not name its process on its window: find it by its class.
    const auto found = run_command("timeout 10 xdotool search --sync --onlyvisible --class xmessage");
    support::WindowId other_id = 0;
    ASSERT_TRUE(std::istringstream(found.output) >> other_id) << "the other window did not appear";
    const std::string other = std::to_string(other_id);

    Frames frames;
    support::WindowId xid = 0;
    Pose held_from{};
    Pose after_return{};
    bool w_was_down = false;
    std::vector<Step> steps = {
        {"the window in the foreground", [&] { return frames.count >= 3 && foreground(); },
         [&] {
             xid = x_window();
             xdotool("keydown w");
         }},
        {"W read as held", [] { return (input_snapshot.keys[DIK_W] & 0x80) != 0; },
         [&] {
             w_was_down = true;
             held_from = pose();
         }},
    };
    // Away and back five times with W held throughout; the last time W is let go while away.
    for (int i = 0; i < 5; ++i) {
        steps.push_back({"some frames", frames.after(3), [&] { xdotool("windowfocus --sync " + other); }});
        steps.push_back({"the focus gone", [] { return !foreground(); },
                         [&, last = i == 4] {
                             if (last)
                                 xdotool("keyup w");
                         }});
        steps.push_back({"some frames away", frames.after(3),
                         [&] { xdotool("windowfocus --sync " + std::to_string(xid)); }});
        steps.push_back({"the focus back", [] { return foreground(); }, [] {}});
    }
    steps.push_back({"a frame after the return", frames.after(2), [&] { after_return = pose(); }});
    steps.push_back({"frames after the return", frames.after(20), [] { PostQuitMessage(0); }});

    const ScriptedRun run = run_steps(steps);
    xdotool("keyup w"); // in case the run stopped early
    EXPECT_EQ(run.stuck_at, "");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_TRUE(w_was_down);
    EXPECT_NE(after_return.eye_z, held_from.eye_z) << "holding W never moved the camera";
    EXPECT_TRUE(no_key_down()) << "a key is still down after the switches";
    EXPECT_EQ(pose(), after_return) << "the camera kept moving after W was let go";
}

// Tests on a display of their own with openbox managing it.
class UnderAWindowManager : public ::testing::Test {
  protected:
    void SetUp() override {
        display_ = std::make_unique<support::PrivateDisplay>(true);
        ASSERT_TRUE(display_->ready()) << display_->error();
        display_->use_in_this_process();
    }
    std::unique_ptr<support::PrivateDisplay> display_;
};

TEST_F(UnderAWindowManager, MinimisingAndRestoringResumesDrawingAndInput) {
    Frames frames;
    support::WindowId xid = 0;
    int client_width = 0, client_height = 0;
    int frames_at_restore = 0;
    int passes_minimised = 0;
    Pose restored{};
    std::pair<int, int> client_at_end{};
    const auto client = [] {
        int width = 0, height = 0;
        platform::win32::client_size(program_window(), &width, &height);
        return std::pair{width, height};
    };
    const std::vector<Step> steps = {
        {"the window framed and in the foreground",
         [&] { return frames.count >= 3 && foreground() && client().first < 1024; },
         [&] {
             xid = x_window();
             std::tie(client_width, client_height) = client();
             xdotool("windowminimize --sync " + std::to_string(xid));
         }},
        {"the window minimised", [] { return !foreground(); }, [] {}},
        {"the program running on while minimised", [&] { return ++passes_minimised >= 30; },
         [&] { xdotool("windowactivate --sync " + std::to_string(xid)); }},
        {"the window back in the foreground", [] { return foreground(); },
         [&] {
             frames_at_restore = frames.count;
             restored = pose();
             xdotool("keydown w");
         }},
        {"W read as held", [] { return (input_snapshot.keys[DIK_W] & 0x80) != 0; },
         [] { xdotool("keyup w mousemove_relative 40 0"); }},
        {"the mouse read", [&] { return pose().yaw != restored.yaw; }, [] {}},
        {"frames after the restore", frames.after(10),
         [&] {
             client_at_end = client();
             PostQuitMessage(0);
         }},
    };
    const ScriptedRun run = run_steps(steps);
    xdotool("keyup w");
    EXPECT_EQ(run.stuck_at, "");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_GT(frames.count, frames_at_restore + 5) << "no frames drawn after the restore";
    EXPECT_NE(pose().eye_z, restored.eye_z) << "W did not move the camera after the restore";
    EXPECT_EQ(client_at_end.first, client_width) << "the client area changed size";
    EXPECT_EQ(client_at_end.second, client_height);
}

TEST_F(UnderAWindowManager, TheOuterWindowIs1024By768AndTheClientAreaSmaller) {
    const auto viewer = support::start_viewer({{"DISPLAY", display_->name()}});
    const auto window = support::wait_for_window(viewer->pid(), support::kViewerTitle, 30s);
    ASSERT_TRUE(window.has_value()) << "no window; stderr:\n" << viewer->stderr_text();
    // The frame is fitted once the window manager has framed the window and told its size: wait for both
    // (the outer size can be 1024 x 768 before the frame is drawn round it), within bounds.
    std::optional<support::Geometry> outer;
    std::optional<support::Geometry> inner;
    const auto deadline = Clock::now() + 10s;
    do {
        outer = support::outer_geometry(*window);
        inner = support::window_geometry(*window);
        if (outer == support::kViewerWindow && inner && inner->width < 1024)
            break;
        std::this_thread::sleep_for(50ms);
    } while (Clock::now() < deadline);
    EXPECT_EQ(outer, support::kViewerWindow);
    ASSERT_TRUE(inner.has_value());
    EXPECT_LT(inner->width, 1024) << "the window manager drew no frame";
    EXPECT_LT(inner->height, 768);
    EXPECT_GE(inner->x, 0);
    EXPECT_LE(inner->x + inner->width, 1024);
    EXPECT_GT(inner->y, 0) << "no title bar above the client area";
    EXPECT_LE(inner->y + inner->height, 768);
    EXPECT_TRUE(viewer->running()) << viewer->stderr_text();
}

TEST_F(UnderAWindowManager, ClosingThroughTheWindowManagerEndsTheViewerWithCodeZero) {
    const auto viewer = support::start_viewer({{"DISPLAY", display_->name()}});
    const auto window = support::wait_for_window(viewer->pid(), support::kViewerTitle, 30s);
    ASSERT_TRUE(window.has_value()) << "no window; stderr:\n" << viewer->stderr_text();
    ASSERT_TRUE(support::close_through_window_manager(*window));
    const auto code = viewer->wait_for_exit(10s);
    ASSERT_TRUE(code.has_value()) << "still running after the window manager closed its window";
    EXPECT_EQ(*code, 0) << viewer->stderr_text();
}

} // namespace
