// The viewer's WinMain in process on the virtual display, driven by real X input (xdotool): its Win32 and
// DirectInput calls as the layer records them, F7 and Esc arriving through the message queue, and a held W
// reaching the camera through the keyboard device.
#include "child_process.h"
#include "program_run.h"
#include "x_display.h"

#include <platform_test.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

using support::ProgramRun;
using support::run_command;

bool starts_with(const std::string& line, const std::string& prefix) {
    return line.rfind(prefix, 0) == 0;
}

int index_of(const std::vector<std::string>& trace, const std::string& line, int from = 0) {
    for (int i = from; i < static_cast<int>(trace.size()); ++i)
        if (trace[i] == line)
            return i;
    return -1;
}

// The label a creating call's line ends with ("... -> Window#1" gives "Window#1").
std::string made_by(const std::vector<std::string>& trace, const std::string& prefix) {
    for (const std::string& line : trace)
        if (starts_with(line, prefix)) {
            const auto arrow = line.rfind(" -> ");
            return arrow == std::string::npos ? "" : line.substr(arrow + 4);
        }
    return "";
}

// Runs WinMain with the trace on; `actions` maps a number of presented frames to an xdotool command run once
// when the program reaches it. A run that is still going after 400 frames is ended with code 99.
ProgramRun run_with_input(const std::map<int, std::string>& actions) {
    platform::trace::clear();
    platform::trace::enable(true);
    int frames = 0;
    std::size_t scanned = 0;
    std::map<int, std::string> pending = actions;
    ProgramRun run;
    run.exit_code = support::run_winmain([&](int) {
        platform::trace::enable(false); // the test's own doings are not the program's
        const auto lines = platform::trace::lines();
        for (; scanned < lines.size(); ++scanned)
            frames += starts_with(lines[scanned], "Present(") ? 1 : 0;
        for (auto it = pending.begin(); it != pending.end() && it->first <= frames;) {
            EXPECT_EQ(run_command("xdotool " + it->second).exit_code, 0) << it->second;
            it = pending.erase(it);
        }
        if (frames >= 400) {
            ADD_FAILURE() << "the program was still running after 400 frames";
            PostQuitMessage(99);
        }
        platform::trace::enable(true);
    });
    platform::trace::enable(false);
    run.trace = platform::trace::lines();
    return run;
}

TEST(ProgramOnTheLayer, SetsUpWindowAndDevicesTakesF7AndEscAsMessagesAndReadsAHeldKey) {
    ASSERT_TRUE(support::display_available()) << "this test needs an X display in DISPLAY";
    const ProgramRun run =
        run_with_input({{3, "keydown w"}, {12, "keyup w"}, {16, "key F7"}, {24, "key Escape"}});
    EXPECT_EQ(run.exit_code, 0);
    const auto& t = run.trace;

    const std::string window = made_by(t, "CreateWindowExA(");
    const std::string di = made_by(t, "DirectInput8Create(");
    const std::string keyboard = made_by(t, "CreateDevice(" + di + ", GUID_SysKeyboard");
    const std::string mouse = made_by(t, "CreateDevice(" + di + ", GUID_SysMouse");
    ASSERT_TRUE(starts_with(window, "Window#")) << window;
    ASSERT_TRUE(starts_with(di, "DirectInput8#")) << di;
    ASSERT_TRUE(starts_with(keyboard, "Keyboard#")) << keyboard;
    ASSERT_TRUE(starts_with(mouse, "Mouse#")) << mouse;

    // The devices as the viewer uses them, each with its data format and cooperative level set before it is
    // first acquired (DirectInput refuses to acquire a device without them), and acquired before it is read.
    for (const auto& [device, format, level, size] :
         {std::tuple{keyboard, "c_dfDIKeyboard", "DISCL_NONEXCLUSIVE|DISCL_FOREGROUND", "256"},
          std::tuple{mouse, "c_dfDIMouse", "DISCL_EXCLUSIVE|DISCL_FOREGROUND", "16"}}) {
        const int acquired = index_of(t, "Acquire(" + device + ")");
        for (const std::string& set :
             {"SetDataFormat(" + device + ", " + format + ")",
              "SetCooperativeLevel(" + device + ", " + window + ", " + level + ")"}) {
            EXPECT_GE(index_of(t, set), 0) << set;
            EXPECT_LT(index_of(t, set), acquired) << set;
        }
        EXPECT_GT(index_of(t, "GetDeviceState(" + device + ", " + size + ")", acquired), acquired) << device;
    }

    // F7 and Esc came as key messages with their scan codes, and were dispatched to the window.
    const std::string f7_down =
        "DispatchMessageA({" + window + ", WM_KEYDOWN, VK_F7, " + std::to_string(0x00410001) + "})";
    const std::string f7_up =
        "DispatchMessageA({" + window + ", WM_KEYUP, VK_F7, " + std::to_string(0xC0410001u) + "})";
    const std::string esc_down =
        "DispatchMessageA({" + window + ", WM_KEYDOWN, VK_ESCAPE, " + std::to_string(0x00010001) + "})";
    const int f7 = index_of(t, f7_down);
    ASSERT_GE(f7, 0) << "F7 never arrived";
    EXPECT_GT(index_of(t, f7_up, f7), f7);
    const int esc = index_of(t, esc_down, f7);
    ASSERT_GT(esc, f7) << "Esc never arrived after F7";
    // The pass that took Esc ends the loop: no input is read and nothing drawn after it.
    for (int i = esc; i < static_cast<int>(t.size()); ++i) {
        EXPECT_FALSE(starts_with(t[i], "GetDeviceState(")) << t[i];
        EXPECT_FALSE(starts_with(t[i], "Present(")) << t[i];
    }
    // The typed keys were translated: W and Esc make characters, F7 none.
    EXPECT_GE(
        index_of(t, "DispatchMessageA({" + window + ", WM_CHAR, 27, " + std::to_string(0x00010001) + "})"),
        esc);

    // W held for some frames moved the camera: the overlay's Z line changed from its starting value.
    std::vector<std::string> z_lines;
    for (const std::string& line : t)
        if (line.find("\"Z axis: ") != std::string::npos)
            z_lines.push_back(line.substr(line.find("\"Z axis: ")));
    ASSERT_FALSE(z_lines.empty());
    EXPECT_TRUE(std::any_of(z_lines.begin(), z_lines.end(),
                            [&](const std::string& z) { return z != z_lines.front(); }))
        << "W never moved the camera: " << z_lines.front();
}

} // namespace
