// The entry point and the main loop, run in process through the call trace: the window as created, the
// passes of the loop, quitting by Esc, by the quit message and by closing the window.
#include "app/app.h"
#include "program_run.h"
#include "window_class.h"

#include <platform_test.h>

#include "win32/win32_registry.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

using support::find_line;
using support::lines_starting;
using support::run_program;

int count_starting(const std::vector<std::string>& trace, std::string_view prefix) {
    return static_cast<int>(lines_starting(trace, prefix).size());
}

TEST(AppLoop, RegistersTheClassAndCreatesTheWindowAsSpecifiedThenEndsOnEsc) {
    const auto run = run_program([](int frames, HWND window) {
        if (frames == 3)
            PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 1);
    });
    EXPECT_EQ(run.exit_code, 0);
    ASSERT_FALSE(run.trace.empty());
    // Its size, redrawn whole when resized (3), the arrow cursor, the menu colour (index 4, given plus one).
    const auto classes = lines_starting(run.trace, "RegisterClassExA(");
    ASSERT_EQ(classes.size(), 1u);
    EXPECT_EQ(classes[0],
              "RegisterClassExA({80, 3, proc, 0, 0, ?, null, 32512, 5, null, \"WindowClass\", null})");
    const auto windows = lines_starting(run.trace, "CreateWindowExA(");
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].substr(0, windows[0].find(" ->")),
              "CreateWindowExA(0, \"WindowClass\", \"Our First Direct3D Program\", WS_OVERLAPPEDWINDOW, 0, "
              "0, 1024, 768, "
              "null, null, ?, null)")
        << windows[0];
    // Shown with the show command the entry point was given, before the device is made.
    const int shown = find_line(run.trace, "ShowWindow(");
    ASSERT_GE(shown, 0);
    EXPECT_NE(run.trace[shown].find(", SW_SHOWDEFAULT)"), std::string::npos) << run.trace[shown];
    EXPECT_LT(shown, find_line(run.trace, "Direct3DCreate9("));
    EXPECT_EQ(count_starting(run.trace, "Present("), 3);
}

TEST(AppLoop, APassWithNoMessagePollsInputAndDrawsAFrame) {
    const auto run = run_program([](int frames, HWND window) {
        if (frames == 5)
            PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 1);
    });
    EXPECT_EQ(run.exit_code, 0);
    // Between one frame's Present and the next, with no message waiting, the pass still acquires, reads
    // and draws.
    const int first_present = find_line(run.trace, "Present(");
    ASSERT_GE(first_present, 0);
    const int next_peek = find_line(run.trace, "PeekMessageA(", first_present);
    const int next_acquire = find_line(run.trace, "Acquire(", next_peek);
    const int next_present = find_line(run.trace, "Present(", next_acquire);
    EXPECT_GT(next_peek, first_present);
    EXPECT_GT(next_acquire, next_peek);
    EXPECT_GT(next_present, next_acquire);
    EXPECT_EQ(count_starting(run.trace, "Present("), 5);
}

TEST(AppLoop, DevicesThatCannotBeReadInTheBackgroundLeaveTheCameraWhereItWas) {
    const auto run = run_program([](int frames, HWND window) {
        if (frames == 1) {
            support::send_focus(window);
            support::send_key(window, SDL_SCANCODE_W, true); // held to the end
        }
        if (frames == 2)
            support::send_mouse_motion(window, 40, 0);
        if (frames == 3)
            platform::win32::set_foreground(window, false); // another window takes the focus
        if (frames == 5)
            PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 1);
    });
    EXPECT_EQ(run.exit_code, 0);
    const auto view = [&](int frame) {
        return lines_starting(support::frame_lines(run.trace, frame), "SetTransform(D3DTS_VIEW");
    };
    // The second frame walked, the third walked and turned; from the fourth on the reads fail, and the
    // snapshot is then clear: no motion, no key.
    EXPECT_NE(view(1), view(0));
    EXPECT_NE(view(2), view(1));
    EXPECT_EQ(view(3), view(2));
    EXPECT_EQ(view(4), view(2));
}

TEST(AppLoop, TheQuitMessageEndsTheLoopInItsPassEvenWithMessagesAfterIt) {
    const auto run = run_program([](int frames, HWND window) {
        if (frames == 2) {
            PostMessageA(window, WM_QUIT, 7, 0);
            PostMessageA(window, WM_KEYDOWN, VK_F8, 1);
            PostMessageA(window, WM_KEYUP, VK_F8, static_cast<LPARAM>(0xC0000001u));
        }
    });
    EXPECT_EQ(run.exit_code, 7);
    EXPECT_EQ(count_starting(run.trace, "Present("), 2);
    // The messages after the quit message were still taken and dispatched in the same pass ...
    const int last_present =
        static_cast<int>(run.trace.size()) - 1 -
        static_cast<int>(std::find_if(run.trace.rbegin(), run.trace.rend(),
                                      [](const std::string& l) { return l.rfind("Present(", 0) == 0; }) -
                         run.trace.rbegin());
    const auto after = std::vector<std::string>(run.trace.begin() + last_present + 1, run.trace.end());
    EXPECT_EQ(count_starting(after, "DispatchMessageA("), 3);
    // ... and no input was polled after it.
    EXPECT_EQ(count_starting(after, "GetDeviceState("), 0);
}

TEST(AppLoop, ClosingTheWindowDestroysItAndEndsTheProgramWithCodeZero) {
    const auto run = run_program([](int frames, HWND window) {
        if (frames == 2)
            PostMessageA(window, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(count_starting(run.trace, "Present("), 2);
    EXPECT_EQ(count_starting(run.trace, "PostQuitMessage(0)"), 1);
    // Both teardowns ran: the device and the DirectInput object were released.
    EXPECT_EQ(count_starting(run.trace, "Release(Device#"), 1);
    EXPECT_EQ(count_starting(run.trace, "Release(DirectInput8#"), 1);
    EXPECT_TRUE(support::live_objects_besides_windows().empty());
}

TEST(AppStart, WithoutADisplayReportsTheSystemsReasonOnOneLineAndExitsWithOne) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"})
        unsetenv(name);
    const auto run = run_program([](int, HWND) { ADD_FAILURE() << "the loop ran"; });
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.errors, "viewer: cannot open a window: no display: DISPLAY is not set\n");
    // The system's text (FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, no source) in the
    // user's language (0), into the whole buffer.
    const int format = find_line(run.trace, "FormatMessageA(");
    ASSERT_GE(format, 0);
    EXPECT_EQ(run.trace[format].rfind("FormatMessageA(4608, null, ", 0), 0u) << run.trace[format];
    EXPECT_NE(run.trace[format].find(", 0, 256, null)"), std::string::npos) << run.trace[format];
    EXPECT_TRUE(lines_starting(run.trace, "Direct3DCreate9(").empty());
}

TEST(AppStart, AClassThatCannotBeRegisteredIsReportedInAMessageBoxAndEndsWithOne) {
    ASSERT_TRUE(support::register_window_class("WindowClass", DefWindowProcA));
    const auto run = run_program([](int, HWND) { ADD_FAILURE() << "the loop ran"; });
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_TRUE(lines_starting(run.trace, "CreateWindowExA(").empty());
    const auto boxes = lines_starting(run.trace, "MessageBoxA(");
    EXPECT_EQ(boxes,
              std::vector<std::string>{"MessageBoxA(null, \"viewer: cannot open a window: Class already "
                                       "exists.\", \"Our First Direct3D Program\", MB_ICONERROR)"});
}

TEST(WindowProc, EscRequestsQuitAndIsStillHandedToTheDefaultProcedure) {
    platform::trace::clear();
    platform::trace::enable(true);
    window_proc(nullptr, WM_KEYDOWN, VK_ESCAPE, 1);
    platform::trace::enable(false);
    const auto trace = platform::trace::lines();
    const int quit = find_line(trace, "PostQuitMessage(0)");
    const int handed_on = find_line(trace, "DefWindowProcA(null, WM_KEYDOWN, VK_ESCAPE, 1)");
    EXPECT_GE(quit, 0);
    EXPECT_GT(handed_on, quit);
}

TEST(WindowProc, DestroyRequestsQuitAndReturnsZeroWithoutDefaultProcessing) {
    platform::trace::clear();
    platform::trace::enable(true);
    const LRESULT result = window_proc(nullptr, WM_DESTROY, 0, 0);
    platform::trace::enable(false);
    EXPECT_EQ(result, 0);
    const auto trace = platform::trace::lines();
    EXPECT_EQ(trace, std::vector<std::string>{"PostQuitMessage(0)"});
}

} // namespace
