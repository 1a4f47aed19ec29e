// DirectInput 8 on the fake host (no display, host events from the test): creation checks, the
// published constants, cooperative-level validation, acquisition and the foreground, state sizes, the
// keyboard state by key code, and the mouse's motion and wheel since the previous read.
#include "input_devices.h"
#include "win32_test_window.h"

#include <dinput.h>
#include <platform_test.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace {

using unit::TestWindow;

HINSTANCE some_instance() {
    static int tag = 0;
    return reinterpret_cast<HINSTANCE>(&tag);
}

std::string registry_form(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

TEST(DirectInputConstants, HaveTheirPublishedValues) {
    EXPECT_EQ(registry_form(GUID_SysKeyboard), "6F1D2B61-D5A0-11CF-BFC7-444553540000");
    EXPECT_EQ(registry_form(GUID_SysMouse), "6F1D2B60-D5A0-11CF-BFC7-444553540000");
    EXPECT_EQ(registry_form(IID_IDirectInput8A), "BF798030-483A-4DA2-AA99-5D64ED369700");
    EXPECT_EQ(c_dfDIKeyboard.dwSize, sizeof(DIDATAFORMAT));
    EXPECT_EQ(c_dfDIKeyboard.dwObjSize, sizeof(DIOBJECTDATAFORMAT));
    EXPECT_EQ(c_dfDIKeyboard.dwDataSize, 256u);
    EXPECT_EQ(c_dfDIKeyboard.dwNumObjs, 256u);
    EXPECT_EQ(c_dfDIMouse.dwSize, sizeof(DIDATAFORMAT));
    EXPECT_EQ(c_dfDIMouse.dwObjSize, sizeof(DIOBJECTDATAFORMAT));
    EXPECT_EQ(c_dfDIMouse.dwFlags, static_cast<DWORD>(DIDF_RELAXIS));
    EXPECT_EQ(c_dfDIMouse.dwDataSize, 16u);
    EXPECT_EQ(c_dfDIMouse.dwNumObjs, 7u);
    // Each object of the mouse format lands inside DIMOUSESTATE, buttons after the three axes.
    for (DWORD i = 0; i < c_dfDIMouse.dwNumObjs; ++i)
        EXPECT_LT(c_dfDIMouse.rgodf[i].dwOfs, sizeof(DIMOUSESTATE));
    EXPECT_EQ(c_dfDIMouse.rgodf[3].dwOfs, 12u);
    EXPECT_EQ(c_dfDIKeyboard.rgodf[DIK_W].dwOfs, static_cast<DWORD>(DIK_W));
}

TEST(DirectInput8CreateTest, ChecksVersionInterfaceAndArguments) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(DirectInput8Create(some_instance(), 0x0700, IID_IDirectInput8A, &out, nullptr),
              DIERR_BETADIRECTINPUTVERSION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(DirectInput8Create(some_instance(), 0x0900, IID_IDirectInput8A, &out, nullptr),
              DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(DirectInput8Create(some_instance(), 0x0800, GUID_SysKeyboard, &out, nullptr),
              DIERR_NOINTERFACE);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, &out, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(DirectInput8Create(some_instance(), 0x0800, IID_IDirectInput8A, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(platform::objects::live_count(), 0);

    ASSERT_EQ(DirectInput8Create(some_instance(), DIRECTINPUT_VERSION, IID_IDirectInput8A, &out, nullptr),
              DI_OK);
    auto* di = static_cast<IDirectInput8A*>(out);
    IDirectInputDevice8A* device = reinterpret_cast<IDirectInputDevice8A*>(1);
    EXPECT_EQ(di->CreateDevice(IID_IDirectInput8A, &device, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(di->Release(), 0u);
    EXPECT_EQ(platform::objects::live_count(), 0);
}

TEST(DirectInputDevices, KeepTheirDirectInputObjectAliveUntilTheyAreReleased) {
    IDirectInput8A* di = nullptr;
    IDirectInputDevice8A* keyboard = nullptr;
    IDirectInputDevice8A* mouse = nullptr;
    ASSERT_NO_FATAL_FAILURE(support::create_input_devices(some_instance(), di, keyboard, mouse));
    const std::string di_label = platform::objects::label(di);
    EXPECT_TRUE(di_label.starts_with("DirectInput8#")) << di_label;
    EXPECT_TRUE(platform::objects::label(keyboard).starts_with("Keyboard#"));
    EXPECT_TRUE(platform::objects::label(mouse).starts_with("Mouse#"));
    void* same = nullptr;
    EXPECT_EQ(mouse->QueryInterface(IID_IDirectInputDevice8A, &same), S_OK);
    EXPECT_EQ(same, mouse);
    mouse->Release();
    EXPECT_EQ(mouse->QueryInterface(IID_IDirectInput8A, &same), E_NOINTERFACE);
    EXPECT_EQ(di->Release(), 2u); // what the two devices hold
    EXPECT_EQ(platform::objects::live_count(), 3);
    EXPECT_EQ(keyboard->Release(), 0u);
    EXPECT_EQ(mouse->Release(), 0u);
    EXPECT_EQ(platform::objects::live_count(), 0);
}

class Devices : public TestWindow {
  protected:
    void SetUp() override {
        TestWindow::SetUp();
        support::create_input_devices(some_instance(), di_, keyboard_, mouse_);
    }
    void TearDown() override {
        support::release_input_devices(di_, keyboard_, mouse_);
        TestWindow::TearDown();
    }
    void set_up_as_the_viewer_does() {
        support::set_up_as_the_viewer_does(window_, keyboard_, mouse_);
    }
    DIMOUSESTATE read_mouse() {
        DIMOUSESTATE state{};
        EXPECT_EQ(mouse_->GetDeviceState(sizeof state, &state), DI_OK);
        return state;
    }

    IDirectInput8A* di_ = nullptr;
    IDirectInputDevice8A* keyboard_ = nullptr;
    IDirectInputDevice8A* mouse_ = nullptr;
};

TEST_F(Devices, CooperativeLevelsNeedOneSharingAndOnePlaceFlagAndAWindowForTheForeground) {
    const DWORD invalid[] = {0,
                             DISCL_EXCLUSIVE,
                             DISCL_FOREGROUND,
                             DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND,
                             DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND,
                             DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | 0x20};
    for (const DWORD flags : invalid)
        EXPECT_EQ(keyboard_->SetCooperativeLevel(window_, flags), DIERR_INVALIDPARAM) << flags;
    EXPECT_EQ(mouse_->SetCooperativeLevel(window_, DISCL_EXCLUSIVE | DISCL_BACKGROUND), E_NOTIMPL);
    EXPECT_EQ(keyboard_->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), E_HANDLE);
    EXPECT_EQ(keyboard_->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    EXPECT_EQ(keyboard_->SetCooperativeLevel(window_, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY),
              DI_OK);
    EXPECT_EQ(keyboard_->SetCooperativeLevel(window_, 6), DI_OK);
    EXPECT_EQ(mouse_->SetCooperativeLevel(window_, 5), DI_OK);
    // A refused level leaves the one set before: the keyboard stays in the window's foreground.
    EXPECT_EQ(keyboard_->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), E_HANDLE);
    ASSERT_EQ(keyboard_->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    // Acquire takes the events waiting first: the focus the window has just gained counts.
    fake_host::focus(host(), true);
    EXPECT_EQ(keyboard_->Acquire(), DI_OK);
}

TEST_F(Devices, DataFormatsMustSuitTheDevice) {
    EXPECT_EQ(keyboard_->SetDataFormat(&c_dfDIMouse), DIERR_INVALIDPARAM);
    EXPECT_EQ(mouse_->SetDataFormat(&c_dfDIKeyboard), DIERR_INVALIDPARAM);
    DIDATAFORMAT wrong_size = c_dfDIKeyboard;
    wrong_size.dwSize = 24;
    EXPECT_EQ(keyboard_->SetDataFormat(&wrong_size), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard_->SetDataFormat(nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard_->Acquire(), DIERR_INVALIDPARAM) << "acquired without a data format";
    EXPECT_EQ(keyboard_->SetDataFormat(&c_dfDIKeyboard), DI_OK);
}

TEST_F(Devices, ForegroundDevicesAreAcquiredOnlyWhileTheWindowHasTheFocus) {
    set_up_as_the_viewer_does();
    BYTE keys[256];
    EXPECT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(keyboard_->Acquire(), DIERR_OTHERAPPHASPRIO);
    EXPECT_EQ(mouse_->Acquire(), DIERR_OTHERAPPHASPRIO);
    focus(true);
    EXPECT_EQ(keyboard_->Acquire(), DI_OK);
    EXPECT_EQ(keyboard_->Acquire(), S_FALSE); // already acquired
    EXPECT_EQ(mouse_->Acquire(), DI_OK);
    EXPECT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(mouse_->SetDataFormat(&c_dfDIMouse), DIERR_ACQUIRED);
    // Another window's loss of the focus is not theirs.
    const HWND other = CreateWindowExA(0, "UnitTestClass", "other", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64,
                                       nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    fake_host::focus(platform::win32::host_window(other), false);
    EXPECT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DI_OK);
    DestroyWindow(other);

    // Losing the focus takes both away: the first read says so, later ones find them unacquired; a device
    // unacquired in between has no loss left to report.
    focus(false);
    EXPECT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DIERR_INPUTLOST);
    EXPECT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    DIMOUSESTATE state;
    EXPECT_EQ(mouse_->Unacquire(), DI_NOEFFECT);
    EXPECT_EQ(mouse_->GetDeviceState(sizeof state, &state), DIERR_NOTACQUIRED);
    EXPECT_EQ(keyboard_->Acquire(), DIERR_OTHERAPPHASPRIO);

    // The first acquisition after the focus returns succeeds, and input resumes.
    focus(true);
    EXPECT_EQ(keyboard_->Acquire(), DI_OK);
    EXPECT_EQ(mouse_->Acquire(), DI_OK);
    push_key(platform::hid::KEY_W, true);
    EXPECT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[DIK_W], 0x80);
    EXPECT_EQ(keyboard_->Unacquire(), DI_OK);
    EXPECT_EQ(keyboard_->Unacquire(), DI_NOEFFECT);
    EXPECT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    // A device that was not acquired loses nothing with the focus.
    focus(false);
    EXPECT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
}

TEST_F(Devices, BackgroundDevicesStayAcquiredWhenTheWindowLosesTheFocus) {
    ASSERT_EQ(keyboard_->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(keyboard_->SetCooperativeLevel(window_, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    focus(true);
    ASSERT_EQ(keyboard_->Acquire(), DI_OK);
    focus(false);
    BYTE keys[256];
    EXPECT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keyboard_->Acquire(), S_FALSE); // still acquired
}

TEST_F(Devices, ReadsMustAskForExactlyTheFormatsSize) {
    set_up_as_the_viewer_does();
    focus(true);
    ASSERT_EQ(keyboard_->Acquire(), DI_OK);
    ASSERT_EQ(mouse_->Acquire(), DI_OK);
    BYTE buffer[512] = {};
    for (const DWORD size : {0u, 4u, 255u, 257u, 512u})
        EXPECT_EQ(keyboard_->GetDeviceState(size, buffer), DIERR_INVALIDPARAM) << size;
    for (const DWORD size : {0u, 12u, 15u, 20u, 256u})
        EXPECT_EQ(mouse_->GetDeviceState(size, buffer), DIERR_INVALIDPARAM) << size;
    // A refused read writes nothing into the caller's buffer.
    std::memset(buffer, 0x55, sizeof buffer);
    EXPECT_EQ(keyboard_->GetDeviceState(4, buffer), DIERR_INVALIDPARAM);
    EXPECT_EQ(std::count(std::begin(buffer), std::end(buffer), BYTE{0x55}), 512);
    EXPECT_EQ(keyboard_->GetDeviceState(256, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard_->GetDeviceState(256, buffer), DI_OK);
    EXPECT_EQ(mouse_->GetDeviceState(16, buffer), DI_OK);
}

TEST_F(Devices, TheKeyboardStateHoldsEveryHeldKeyAtItsKeyCode) {
    set_up_as_the_viewer_does();
    focus(true);
    ASSERT_EQ(keyboard_->Acquire(), DI_OK);
    push_key(platform::hid::KEY_W, true);
    push_key(platform::hid::KEY_LSHIFT, true, false, platform::host::kModShift);
    push_key(platform::hid::KEY_RCTRL, true, false, platform::host::kModCtrl);
    BYTE keys[256];
    for (int poll = 0; poll < 3; ++poll) {
        ASSERT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DI_OK);
        for (int code = 0; code < 256; ++code) {
            const bool held = code == DIK_W || code == DIK_LSHIFT || code == DIK_RCONTROL;
            EXPECT_EQ(keys[code], held ? 0x80 : 0) << "poll " << poll << ", code " << code;
        }
    }
    push_key(platform::hid::KEY_W, false);
    ASSERT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[DIK_W], 0);
    EXPECT_EQ(keys[DIK_LSHIFT], 0x80);
    // The keys also arrived as messages.
    const auto msgs = drain();
    ASSERT_EQ(msgs.size(), 4u);
    EXPECT_EQ(msgs[0].wParam, static_cast<WPARAM>('W'));
    // A key with no DirectInput code (the keyboard page's 1, ErrorRollOver) lands nowhere, not at code 0.
    push_key(platform::hid::Usage{1}, true);
    ASSERT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[0], 0);
}

TEST_F(Devices, MouseMotionIsWhatHappenedSinceThePreviousRead) {
    set_up_as_the_viewer_does();
    focus(true);
    push_motion(50, 50); // before acquisition: not reported
    platform::win32::pump_events();
    ASSERT_EQ(mouse_->Acquire(), DI_OK);
    push_motion(5, -3);
    push_motion(7, 1);
    DIMOUSESTATE s = read_mouse();
    EXPECT_EQ(s.lX, 12);
    EXPECT_EQ(s.lY, -2);
    EXPECT_EQ(s.lZ, 0);
    s = read_mouse();
    EXPECT_EQ(s.lX, 0) << "motion carried over into the next read";
    EXPECT_EQ(s.lY, 0);
    push_motion(-4, 9);
    // Motion a touch screen's emulated mouse makes is not the mouse's.
    platform::host::Event touch{};
    touch.type = platform::host::EventType::MouseMotion;
    touch.window = host();
    touch.x = touch.y = 100;
    touch.emulated = true;
    fake_host::push(touch);
    s = read_mouse();
    EXPECT_EQ(s.lX, -4);
    EXPECT_EQ(s.lY, 9);
}

TEST_F(Devices, TheWheelCounts120ANotchAndSaturatesAtThe32BitLimits) {
    set_up_as_the_viewer_does();
    focus(true);
    ASSERT_EQ(mouse_->Acquire(), DI_OK);
    push_wheel(1);
    EXPECT_EQ(read_mouse().lZ, 120);
    push_wheel(-1);
    EXPECT_EQ(read_mouse().lZ, -120);
    push_wheel(-2);
    EXPECT_EQ(read_mouse().lZ, -240);
    EXPECT_EQ(read_mouse().lZ, 0);
    const int huge = std::numeric_limits<int>::max() / 120 + 1;
    push_wheel(huge);
    push_wheel(huge);
    EXPECT_EQ(read_mouse().lZ, std::numeric_limits<LONG>::max());
    push_wheel(-huge);
    push_wheel(-huge);
    push_wheel(-huge);
    EXPECT_EQ(read_mouse().lZ, std::numeric_limits<LONG>::min());
    push_motion(std::numeric_limits<int>::max(), 0);
    push_motion(std::numeric_limits<int>::max(), 0);
    EXPECT_EQ(read_mouse().lX, std::numeric_limits<LONG>::max());
}

TEST_F(Devices, HeldMouseButtonsReadHighInDirectInputsOrder) {
    set_up_as_the_viewer_does();
    focus(true);
    ASSERT_EQ(mouse_->Acquire(), DI_OK);
    push_button(platform::host::Button::Left, true);
    push_button(platform::host::Button::Right, true);
    DIMOUSESTATE s = read_mouse();
    EXPECT_EQ(s.rgbButtons[0], 0x80);
    EXPECT_EQ(s.rgbButtons[1], 0x80);
    EXPECT_EQ(s.rgbButtons[2], 0);
    push_button(platform::host::Button::Left, false);
    push_button(platform::host::Button::Middle, true);
    push_button(platform::host::Button::X1, true);
    push_button(platform::host::Button::Other, true); // a button DIMOUSESTATE has no place for
    s = read_mouse();
    EXPECT_EQ(s.rgbButtons[0], 0);
    EXPECT_EQ(s.rgbButtons[1], 0x80);
    EXPECT_EQ(s.rgbButtons[2], 0x80);
    EXPECT_EQ(s.rgbButtons[3], 0x80);
    push_button(platform::host::Button::X1, false);
    EXPECT_EQ(read_mouse().rgbButtons[3], 0);
}

TEST_F(Devices, AnExclusiveMouseHoldsTheCaptureOnlyWhileAcquiredAndMotionDoesNotOutliveIt) {
    set_up_as_the_viewer_does();
    focus(true);
    ASSERT_EQ(mouse_->Acquire(), DI_OK);
    EXPECT_EQ(fake_host::captured(), host());
    push_motion(5, 6);
    push_wheel(1);
    platform::win32::pump_events();
    ASSERT_EQ(mouse_->Unacquire(), DI_OK);
    EXPECT_EQ(fake_host::captured(), nullptr);
    // Acquired again: what moved during the last acquisition and was never read is gone.
    ASSERT_EQ(mouse_->Acquire(), DI_OK);
    DIMOUSESTATE s = read_mouse();
    EXPECT_EQ(s.lX, 0);
    EXPECT_EQ(s.lY, 0);
    EXPECT_EQ(s.lZ, 0);
    // Losing the focus lets the capture go too; releasing an acquired mouse does as well.
    focus(false);
    EXPECT_EQ(fake_host::captured(), nullptr);
    focus(true);
    ASSERT_EQ(mouse_->Acquire(), DI_OK);
    EXPECT_EQ(fake_host::captured(), host());
    // Another mouse, released without ever having the capture, leaves this one's alone.
    IDirectInputDevice8A* other = nullptr;
    ASSERT_EQ(di_->CreateDevice(GUID_SysMouse, &other, nullptr), DI_OK);
    other->Release();
    EXPECT_EQ(fake_host::captured(), host());
    mouse_->Release();
    mouse_ = nullptr;
    EXPECT_EQ(fake_host::captured(), nullptr);
    // A shared mouse never takes it.
    ASSERT_EQ(di_->CreateDevice(GUID_SysMouse, &mouse_, nullptr), DI_OK);
    ASSERT_EQ(mouse_->SetDataFormat(&c_dfDIMouse), DI_OK);
    ASSERT_EQ(mouse_->SetCooperativeLevel(window_, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    ASSERT_EQ(mouse_->Acquire(), DI_OK);
    EXPECT_EQ(fake_host::captured(), nullptr);
}

TEST_F(Devices, TheCallsAreTracedWithTheirArgumentsAndResults) {
    platform::trace::clear();
    platform::trace::enable(true);
    void* out = nullptr;
    DirectInput8Create(some_instance(), 0x0900, IID_IDirectInput8A, &out, nullptr);
    keyboard_->Acquire();              // refused without a data format, and traced all the same
    keyboard_->SetDataFormat(nullptr); // likewise
    keyboard_->SetDataFormat(&c_dfDIKeyboard);
    keyboard_->SetCooperativeLevel(window_, 6);
    keyboard_->Acquire();
    BYTE keys[256];
    keyboard_->GetDeviceState(256, keys);
    keyboard_->GetDeviceState(256, nullptr); // refused
    keyboard_->Unacquire();
    IDirectInputDevice8A* device = nullptr;
    di_->CreateDevice(GUID_SysMouse, &device, nullptr);
    device->Release();
    platform::trace::enable(false);
    const std::string kb = platform::objects::label(keyboard_);
    const std::string di = platform::objects::label(di_);
    const auto lines = platform::trace::lines();
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "DirectInput8Create(?, 2304, IID_IDirectInput8A, null) -> failed 0x8007047E");
    EXPECT_TRUE(lines[1].starts_with("Acquire(" + kb + ")")) << lines[1];
    EXPECT_TRUE(lines[2].starts_with("SetDataFormat(" + kb + ", null)")) << lines[2];
    EXPECT_EQ(lines[3], "SetDataFormat(" + kb + ", c_dfDIKeyboard)");
    EXPECT_EQ(lines[4], "SetCooperativeLevel(" + kb + ", " + platform::objects::label(window_) +
                            ", DISCL_NONEXCLUSIVE|DISCL_FOREGROUND)");
    EXPECT_EQ(lines[5], "Acquire(" + kb + ")");
    EXPECT_EQ(lines[6], "GetDeviceState(" + kb + ", 256)");
    EXPECT_TRUE(lines[7].starts_with("GetDeviceState(" + kb + ", 256)")) << lines[7];
    EXPECT_EQ(lines[8], "Unacquire(" + kb + ")");
    EXPECT_TRUE(lines[9].starts_with("CreateDevice(" + di + ", GUID_SysMouse, null) -> Mouse#")) << lines[9];
    EXPECT_TRUE(lines[10].starts_with("Release(Mouse#")) << lines[10];
}

} // namespace
