// The Win32 window and DirectInput devices of the platform layer on the virtual display, in process, with
// synthetic X input from xdotool: held keys in the keyboard state, relative pointer motion (the device's raw
// motion, which pointer moves that no device made leave out) and wheel notches in the mouse state, the
// foreground (another X window taking the focus and giving it back), key messages, the window's outer size
// and title, and the close request.
#include "child_process.h"
#include "input_devices.h"
#include "x_display.h"

#include <dinput.h>
#include <platform_test.h>
#include <windows.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <thread>
#include <unistd.h>
#include <vector>

#include "host/sdl/host_sdl.h"
#include "win32/win32_internal.h"

namespace {

using namespace std::chrono_literals;
using support::run_command;

constexpr const char* kTitle = "Input test window";

struct Received {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};
std::vector<Received> received;

LRESULT CALLBACK recording_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    received.push_back({message, wparam, lparam});
    return DefWindowProcA(window, message, wparam, lparam);
}

struct Poll {
    HRESULT keyboard_acquire = E_FAIL;
    HRESULT mouse_acquire = E_FAIL;
    HRESULT keyboard_read = E_FAIL;
    HRESULT mouse_read = E_FAIL;
    BYTE keys[256] = {};
    DIMOUSESTATE mouse{};
};

class InputOnDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(support::display_available()) << "these tests need an X display in DISPLAY";
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = recording_proc;
        wc.hInstance = instance();
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = "InputTestClass";
        static const ATOM atom = RegisterClassExA(&wc); // once per process
        ASSERT_NE(atom, 0);
        window_ = CreateWindowExA(0, "InputTestClass", kTitle, WS_OVERLAPPEDWINDOW, 0, 0, 1024, 768, nullptr,
                                  nullptr, instance(), nullptr);
        ASSERT_NE(window_, nullptr) << SDL_GetError();
        ShowWindow(window_, SW_SHOWDEFAULT);
        const auto xid = support::wait_for_window(getpid(), kTitle, 10s);
        ASSERT_TRUE(xid.has_value()) << "the window did not appear on the display";
        xid_ = *xid;
        ASSERT_TRUE(wait_until([this] { return platform::win32::is_foreground(window_); }))
            << "the shown window never got the focus";

        ASSERT_NO_FATAL_FAILURE(support::create_input_devices(instance(), di_, keyboard_, mouse_));
        ASSERT_NO_FATAL_FAILURE(support::set_up_as_the_viewer_does(window_, keyboard_, mouse_));
        const Poll first = poll();
        ASSERT_EQ(first.keyboard_acquire, DI_OK);
        ASSERT_EQ(first.mouse_acquire, DI_OK);
        settle();
    }

    void TearDown() override {
        if (other_window_ != nullptr)
            other_window_->kill_now();
        support::release_input_devices(di_, keyboard_, mouse_);
        if (window_ != nullptr && platform::win32::host_window(window_) != nullptr)
            DestroyWindow(window_);
        received.clear();
    }

    static HINSTANCE instance() {
        static int tag = 0;
        return reinterpret_cast<HINSTANCE>(&tag);
    }

    // One pass of the viewer's input poll, after draining the window messages as its loop does.
    Poll poll() {
        pump_messages();
        Poll p;
        p.keyboard_acquire = keyboard_->Acquire();
        p.mouse_acquire = mouse_->Acquire();
        p.keyboard_read = keyboard_->GetDeviceState(sizeof p.keys, p.keys);
        p.mouse_read = mouse_->GetDeviceState(sizeof p.mouse, &p.mouse);
        return p;
    }

    void pump_messages() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            taken_.push_back(msg);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    // Polls every 10 ms until `done` holds, for up to five seconds.
    bool wait_until(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < deadline) {
            pump_messages();
            if (done())
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    // Reads until nothing has moved for a quarter of a second; returns the total motion read.
    DIMOUSESTATE settle() {
        DIMOUSESTATE total{};
        auto quiet_since = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - quiet_since < 250ms) {
            const Poll p = poll();
            if (p.mouse.lX != 0 || p.mouse.lY != 0 || p.mouse.lZ != 0)
                quiet_since = std::chrono::steady_clock::now();
            total.lX += p.mouse.lX;
            total.lY += p.mouse.lY;
            total.lZ += p.mouse.lZ;
            std::this_thread::sleep_for(10ms);
        }
        return total;
    }

    // Reads until the mouse reports something, then returns that one reading and checks that the next
    // quiet quarter second adds nothing.
    DIMOUSESTATE next_motion() {
        Poll moved;
        EXPECT_TRUE(wait_until([&] {
            moved = poll();
            return moved.mouse.lX != 0 || moved.mouse.lY != 0 || moved.mouse.lZ != 0;
        })) << "no mouse motion arrived";
        const DIMOUSESTATE later = settle();
        EXPECT_EQ(later.lX, 0);
        EXPECT_EQ(later.lY, 0);
        EXPECT_EQ(later.lZ, 0);
        return moved.mouse;
    }

    static void xdotool(const std::string& arguments) {
        ASSERT_EQ(run_command("xdotool " + arguments + " 2>&1").exit_code, 0) << "xdotool " << arguments;
    }

    HWND window_ = nullptr;
    support::WindowId xid_ = 0;
    IDirectInput8A* di_ = nullptr;
    IDirectInputDevice8A* keyboard_ = nullptr;
    IDirectInputDevice8A* mouse_ = nullptr;
    std::vector<MSG> taken_;
    std::unique_ptr<support::ChildProcess> other_window_;
};

TEST_F(InputOnDisplay, AHeldKeyReadsHighAtItsKeyCodeAtEveryPollAndClearsOnRelease) {
    xdotool("keydown w");
    ASSERT_TRUE(wait_until([this] { return poll().keys[DIK_W] == 0x80; })) << "W never read as held";
    for (int i = 0; i < 10; ++i) {
        const Poll p = poll();
        ASSERT_EQ(p.keyboard_read, DI_OK);
        EXPECT_EQ(p.keys[DIK_W], 0x80) << "poll " << i;
        EXPECT_EQ(p.keys[DIK_A], 0);
        std::this_thread::sleep_for(20ms);
    }
    xdotool("keyup w");
    ASSERT_TRUE(wait_until([this] { return poll().keys[DIK_W] == 0; })) << "W still held after release";
    xdotool("keydown space Shift_L");
    ASSERT_TRUE(wait_until([this] {
        const Poll p = poll();
        return p.keys[DIK_SPACE] == 0x80 && p.keys[DIK_LSHIFT] == 0x80;
    }));
    xdotool("keyup Shift_L space");
    ASSERT_TRUE(wait_until([this] {
        const Poll p = poll();
        return std::all_of(std::begin(p.keys), std::end(p.keys), [](BYTE b) { return b == 0; });
    }));
}

// Where the pointer is now, on the screen.
std::pair<int, int> pointer_position() {
    const auto where = run_command("xdotool getmouselocation --shell");
    int x = -1, y = -1;
    std::istringstream lines(where.output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("X=", 0) == 0)
            x = std::stoi(line.substr(2));
        if (line.rfind("Y=", 0) == 0)
            y = std::stoi(line.substr(2));
    }
    return {x, y};
}

TEST_F(InputOnDisplay, ARelativePointerMoveArrivesAsOneReadingOfTheSameSize) {
    // The exclusive mouse reads raw motion, with the cursor hidden and confined to the window.
    EXPECT_EQ(SDL_GetRelativeMouseMode(), SDL_TRUE);
    xdotool("mousemove_relative -- 30 20");
    DIMOUSESTATE m = next_motion();
    EXPECT_EQ(m.lX, 30);
    EXPECT_EQ(m.lY, 20);
    EXPECT_EQ(m.lZ, 0);
    xdotool("mousemove_relative -- -7 -11");
    m = next_motion();
    EXPECT_EQ(m.lX, -7);
    EXPECT_EQ(m.lY, -11);
}

TEST_F(InputOnDisplay, MotionPastTheWindowsEdgeStillCountsWhileThePointerStaysInside) {
    // Six quick moves, 1290 to the right in all, arrive before the viewer reads any of them and carry the
    // device far past the window's right edge: every one counts, and the pointer stays in the window.
    // (The moves differ in size: SDL takes two equal raw events in one millisecond for one.)
    xdotool("mousemove_relative 200 0 mousemove_relative 210 0 mousemove_relative 230 3 "
            "mousemove_relative 240 0 mousemove_relative 200 -3 mousemove_relative 210 0");
    long total_x = 0;
    long total_y = 0;
    EXPECT_TRUE(wait_until([&] {
        const Poll p = poll();
        total_x += p.mouse.lX;
        total_y += p.mouse.lY;
        return total_x >= 1290;
    }));
    const DIMOUSESTATE later = settle();
    EXPECT_EQ(total_x + later.lX, 1290);
    EXPECT_EQ(total_y + later.lY, 0);
    const auto [x, y] = pointer_position();
    int left = 0, top = 0, width = 0, height = 0;
    SDL_GetWindowPosition(platform::host::sdl_window(platform::win32::host_window(window_)), &left, &top);
    SDL_GetWindowSize(platform::host::sdl_window(platform::win32::host_window(window_)), &width, &height);
    EXPECT_GE(x, left);
    EXPECT_LT(x, left + width) << "the pointer left the window";
    EXPECT_GE(y, top);
    EXPECT_LT(y, top + height);
}

TEST_F(InputOnDisplay, PointerMovesThatNoDeviceMadeAreNoMotion) {
    // An absolute move, a warp into the window, and the window moving and changing size under the pointer
    // move the pointer relative to the window, but no device moved: the mouse reads nothing.
    xdotool("mousemove 600 300");
    xdotool("mousemove --window " + std::to_string(xid_) + " 100 100");
    xdotool("windowmove " + std::to_string(xid_) + " 40 30");
    xdotool("windowsize " + std::to_string(xid_) + " 700 500");
    xdotool("windowmove " + std::to_string(xid_) + " 0 0");
    xdotool("windowsize " + std::to_string(xid_) + " 1024 768");
    ASSERT_TRUE(wait_until([this] {
        int width = 0;
        SDL_GetWindowSize(platform::host::sdl_window(platform::win32::host_window(window_)), &width, nullptr);
        return width == 1024;
    }));
    const DIMOUSESTATE quiet = settle();
    EXPECT_EQ(quiet.lX, 0);
    EXPECT_EQ(quiet.lY, 0);
    // The device's own motion still arrives, exactly.
    xdotool("mousemove_relative -- 9 4");
    const DIMOUSESTATE m = next_motion();
    EXPECT_EQ(m.lX, 9);
    EXPECT_EQ(m.lY, 4);
}

TEST_F(InputOnDisplay, OneWheelNotchReadsPlusOrMinus120) {
    xdotool("click 4");
    EXPECT_EQ(next_motion().lZ, 120);
    xdotool("click 5");
    EXPECT_EQ(next_motion().lZ, -120);
}

TEST_F(InputOnDisplay, AnotherWindowTakingTheFocusStopsTheDevicesUntilItComesBack) {
    xdotool("keydown w");
    ASSERT_TRUE(wait_until([this] { return poll().keys[DIK_W] == 0x80; }));
    xdotool("keyup w");

    other_window_ = std::make_unique<support::ChildProcess>(
        std::vector<std::string>{"xmessage", "-geometry", "200x100+1050+50", "other window"}, ".");
    // xmessage does not name its process on its window: find it by its class.
    const auto found = run_command("timeout 10 xdotool search --sync --onlyvisible --class xmessage");
    support::WindowId other = 0;
    ASSERT_TRUE(std::istringstream(found.output) >> other) << "the other window did not appear";
    ASSERT_TRUE(support::focus(other));
    ASSERT_TRUE(wait_until([this] { return !platform::win32::is_foreground(window_); }))
        << "the window kept the foreground";

    // Both reads fail, so the viewer's snapshot is cleared; acquiring is refused while in the background.
    Poll p = poll();
    EXPECT_TRUE(p.keyboard_read == DIERR_INPUTLOST || p.keyboard_read == DIERR_NOTACQUIRED)
        << p.keyboard_read;
    EXPECT_TRUE(p.mouse_read == DIERR_INPUTLOST || p.mouse_read == DIERR_NOTACQUIRED) << p.mouse_read;
    p = poll();
    EXPECT_EQ(p.keyboard_acquire, DIERR_OTHERAPPHASPRIO);
    EXPECT_EQ(p.mouse_acquire, DIERR_OTHERAPPHASPRIO);
    EXPECT_EQ(p.keyboard_read, DIERR_NOTACQUIRED);
    EXPECT_EQ(p.mouse_read, DIERR_NOTACQUIRED);
    EXPECT_EQ(SDL_GetRelativeMouseMode(), SDL_FALSE) << "the pointer stayed hidden in the background";

    ASSERT_TRUE(support::focus(xid_));
    ASSERT_TRUE(wait_until([this] { return platform::win32::is_foreground(window_); }));
    p = poll();
    EXPECT_EQ(p.keyboard_acquire, DI_OK);
    EXPECT_EQ(p.mouse_acquire, DI_OK);
    EXPECT_EQ(p.keyboard_read, DI_OK);
    EXPECT_EQ(p.mouse_read, DI_OK);
    EXPECT_EQ(SDL_GetRelativeMouseMode(), SDL_TRUE);
    xdotool("keydown a");
    EXPECT_TRUE(wait_until([this] { return poll().keys[DIK_A] == 0x80; })) << "input did not resume";
    xdotool("keyup a");
}

TEST_F(InputOnDisplay, EscAndF7ArriveAsKeyMessages) {
    taken_.clear();
    xdotool("key Escape F7");
    const auto has = [this](UINT message, WPARAM key) {
        return std::any_of(taken_.begin(), taken_.end(), [&](const MSG& m) {
            return m.hwnd == window_ && m.message == message && m.wParam == key;
        });
    };
    ASSERT_TRUE(wait_until([&] { return has(WM_KEYUP, VK_F7); })) << "the key messages never came";
    std::vector<MSG> keys;
    for (const MSG& m : taken_)
        if (m.message == WM_KEYDOWN || m.message == WM_KEYUP)
            keys.push_back(m);
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(keys[0].wParam, static_cast<WPARAM>(VK_ESCAPE));
    EXPECT_EQ(keys[0].lParam, 0x00010001);
    EXPECT_EQ(keys[1].message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(keys[1].wParam, static_cast<WPARAM>(VK_ESCAPE));
    EXPECT_EQ(keys[1].lParam, static_cast<LPARAM>(0xC0010001u));
    EXPECT_EQ(keys[2].wParam, static_cast<WPARAM>(VK_F7));
    EXPECT_EQ(keys[2].lParam, 0x00410001);
    EXPECT_EQ(keys[3].wParam, static_cast<WPARAM>(VK_F7));
    // Each reached the window procedure.
    const auto reached = std::count_if(received.begin(), received.end(), [](const Received& r) {
        return r.message == WM_KEYDOWN || r.message == WM_KEYUP;
    });
    EXPECT_EQ(reached, 4);
}

TEST_F(InputOnDisplay, AHeldKeyRepeatsItsKeyDownWithThePreviousStateSet) {
    taken_.clear();
    xdotool("keydown F8");
    const auto downs = [this] {
        return std::count_if(taken_.begin(), taken_.end(),
                             [](const MSG& m) { return m.message == WM_KEYDOWN && m.wParam == VK_F8; });
    };
    // The X server repeats after its delay (660 ms by default) at its rate.
    const bool repeated = wait_until([&] { return downs() >= 3; });
    xdotool("keyup F8");
    ASSERT_TRUE(repeated) << "only " << downs() << " key-down(s) while F8 was held";
    ASSERT_TRUE(wait_until([this] {
        return std::any_of(taken_.begin(), taken_.end(),
                           [](const MSG& m) { return m.message == WM_KEYUP && m.wParam == VK_F8; });
    }));
    std::vector<LPARAM> lparams;
    for (const MSG& m : taken_)
        if (m.wParam == VK_F8)
            lparams.push_back(m.lParam);
    EXPECT_EQ(lparams.front(), 0x00420001) << "the first key-down is no repeat";
    for (std::size_t i = 1; i + 1 < lparams.size(); ++i)
        EXPECT_EQ(lparams[i], 0x40420001) << "repeat " << i;
    EXPECT_EQ(lparams.back(), static_cast<LPARAM>(0xC0420001u));
}

TEST_F(InputOnDisplay, TheWindowIsTitledAndCovers1024By768FromTheCorner) {
    const auto geometry = support::outer_geometry(xid_);
    EXPECT_EQ(geometry, support::kViewerWindow);
    const auto name = run_command("xdotool getwindowname " + std::to_string(xid_));
    EXPECT_EQ(name.output, std::string(kTitle) + "\n");
    RECT client{};
    ASSERT_TRUE(GetClientRect(window_, &client));
    EXPECT_LE(client.right, 1024);
    EXPECT_LE(client.bottom, 768);
}

TEST_F(InputOnDisplay, ACloseRequestBecomesCloseThenDestroy) {
    received.clear();
    ASSERT_TRUE(support::send_close_request(xid_)) << "the window does not take part in WM_DELETE_WINDOW";
    ASSERT_TRUE(wait_until([] {
        return std::any_of(received.begin(), received.end(),
                           [](const Received& r) { return r.message == WM_DESTROY; });
    })) << "no WM_DESTROY after the close request";
    std::vector<UINT> order;
    for (const Received& r : received)
        if (r.message == WM_CLOSE || r.message == WM_DESTROY)
            order.push_back(r.message);
    EXPECT_EQ(order, (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_EQ(platform::win32::host_window(window_), nullptr);
    // The devices of the destroyed window can no longer be acquired.
    EXPECT_EQ(keyboard_->Unacquire(), DI_OK);
    EXPECT_EQ(keyboard_->Acquire(), DIERR_OTHERAPPHASPRIO);
}

} // namespace
