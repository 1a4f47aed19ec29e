// DirectInput 8 on the fake host (no display, host events from the test): creation checks, the
// published constants, cooperative-level validation, acquisition and the foreground, state sizes, the
// keyboard state by key code, every key's documented codes in the keyboard state and in key messages, and
// the mouse's motion and wheel since the previous read.
#include "input_devices.h"
#include "win32_test_window.h"

#include <dinput.h>
#include <platform_test.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <set>
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
    EXPECT_EQ(platform::trace::objects::live_count(), 0);

    ASSERT_EQ(DirectInput8Create(some_instance(), DIRECTINPUT_VERSION, IID_IDirectInput8A, &out, nullptr),
              DI_OK);
    auto* di = static_cast<IDirectInput8A*>(out);
    IDirectInputDevice8A* device = reinterpret_cast<IDirectInputDevice8A*>(1);
    EXPECT_EQ(di->CreateDevice(IID_IDirectInput8A, &device, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(di->Release(), 0u);
    EXPECT_EQ(platform::trace::objects::live_count(), 0);
}

TEST(DirectInputDevices, KeepTheirDirectInputObjectAliveUntilTheyAreReleased) {
    IDirectInput8A* di = nullptr;
    IDirectInputDevice8A* keyboard = nullptr;
    IDirectInputDevice8A* mouse = nullptr;
    ASSERT_NO_FATAL_FAILURE(support::create_input_devices(some_instance(), di, keyboard, mouse));
    const std::string di_label = platform::trace::objects::label(di);
    EXPECT_TRUE(di_label.starts_with("DirectInput8#")) << di_label;
    EXPECT_TRUE(platform::trace::objects::label(keyboard).starts_with("Keyboard#"));
    EXPECT_TRUE(platform::trace::objects::label(mouse).starts_with("Mouse#"));
    void* same = nullptr;
    EXPECT_EQ(mouse->QueryInterface(IID_IDirectInputDevice8A, &same), S_OK);
    EXPECT_EQ(same, mouse);
    mouse->Release();
    EXPECT_EQ(mouse->QueryInterface(IID_IDirectInput8A, &same), E_NOINTERFACE);
    EXPECT_EQ(di->Release(), 2u); // what the two devices hold
    EXPECT_EQ(platform::trace::objects::live_count(), 3);
    EXPECT_EQ(keyboard->Release(), 0u);
    EXPECT_EQ(mouse->Release(), 0u);
    EXPECT_EQ(platform::trace::objects::live_count(), 0);
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
    push_key(platform::host::hid::KEY_W, true);
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
    push_key(platform::host::hid::KEY_W, true);
    push_key(platform::host::hid::KEY_LSHIFT, true, false, platform::host::kModShift);
    push_key(platform::host::hid::KEY_RCTRL, true, false, platform::host::kModCtrl);
    BYTE keys[256];
    for (int poll = 0; poll < 3; ++poll) {
        ASSERT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DI_OK);
        for (int code = 0; code < 256; ++code) {
            const bool held = code == DIK_W || code == DIK_LSHIFT || code == DIK_RCONTROL;
            EXPECT_EQ(keys[code], held ? 0x80 : 0) << "poll " << poll << ", code " << code;
        }
    }
    push_key(platform::host::hid::KEY_W, false);
    ASSERT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[DIK_W], 0);
    EXPECT_EQ(keys[DIK_LSHIFT], 0x80);
    // The keys also arrived as messages.
    const auto msgs = drain();
    ASSERT_EQ(msgs.size(), 4u);
    EXPECT_EQ(msgs[0].wParam, static_cast<WPARAM>('W'));
}

// Every key of the keyboard page and the media keys, by USB HID usage: the set-1 scan code Microsoft's
// USB HID to PS/2 translation table gives it (0x80 added for the E0-prefixed ones, as dinput.h's DIK_ values
// are), and the virtual key of Microsoft's Virtual-Key Codes page (0: the US layout makes no key message),
// with Num Lock on and, for the keypad, off.
struct DocumentedKey {
    platform::host::hid::Usage usage;
    int dik;
    int vk;
    const char* name;
    int vk_without_num_lock = -1; // -1: as with Num Lock on
};
// clang-format off
constexpr DocumentedKey kDocumentedKeys[] = {
    {0x04, 0x1E, 0x41, "A"}, {0x05, 0x30, 0x42, "B"}, {0x06, 0x2E, 0x43, "C"}, {0x07, 0x20, 0x44, "D"},
    {0x08, 0x12, 0x45, "E"}, {0x09, 0x21, 0x46, "F"}, {0x0A, 0x22, 0x47, "G"}, {0x0B, 0x23, 0x48, "H"},
    {0x0C, 0x17, 0x49, "I"}, {0x0D, 0x24, 0x4A, "J"}, {0x0E, 0x25, 0x4B, "K"}, {0x0F, 0x26, 0x4C, "L"},
    {0x10, 0x32, 0x4D, "M"}, {0x11, 0x31, 0x4E, "N"}, {0x12, 0x18, 0x4F, "O"}, {0x13, 0x19, 0x50, "P"},
    {0x14, 0x10, 0x51, "Q"}, {0x15, 0x13, 0x52, "R"}, {0x16, 0x1F, 0x53, "S"}, {0x17, 0x14, 0x54, "T"},
    {0x18, 0x16, 0x55, "U"}, {0x19, 0x2F, 0x56, "V"}, {0x1A, 0x11, 0x57, "W"}, {0x1B, 0x2D, 0x58, "X"},
    {0x1C, 0x15, 0x59, "Y"}, {0x1D, 0x2C, 0x5A, "Z"}, {0x1E, 0x02, 0x31, "1"}, {0x1F, 0x03, 0x32, "2"},
    {0x20, 0x04, 0x33, "3"}, {0x21, 0x05, 0x34, "4"}, {0x22, 0x06, 0x35, "5"}, {0x23, 0x07, 0x36, "6"},
    {0x24, 0x08, 0x37, "7"}, {0x25, 0x09, 0x38, "8"}, {0x26, 0x0A, 0x39, "9"}, {0x27, 0x0B, 0x30, "0"},
    {0x28, 0x1C, 0x0D, "Enter"}, {0x29, 0x01, 0x1B, "Esc"}, {0x2A, 0x0E, 0x08, "Backspace"},
    {0x2B, 0x0F, 0x09, "Tab"}, {0x2C, 0x39, 0x20, "Space"}, {0x2D, 0x0C, 0xBD, "-_"},
    {0x2E, 0x0D, 0xBB, "=+"}, {0x2F, 0x1A, 0xDB, "[{"}, {0x30, 0x1B, 0xDD, "]}"}, {0x31, 0x2B, 0xDC, "\\|"},
    {0x32, 0x2B, 0xDC, "ISO #~"},
    {0x33, 0x27, 0xBA, ";:"}, {0x34, 0x28, 0xDE, "'\""}, {0x35, 0x29, 0xC0, "`~"}, {0x36, 0x33, 0xBC, ",<"},
    {0x37, 0x34, 0xBE, ".>"}, {0x38, 0x35, 0xBF, "/?"}, {0x39, 0x3A, 0x14, "Caps Lock"},
    {0x3A, 0x3B, 0x70, "F1"}, {0x3B, 0x3C, 0x71, "F2"}, {0x3C, 0x3D, 0x72, "F3"}, {0x3D, 0x3E, 0x73, "F4"},
    {0x3E, 0x3F, 0x74, "F5"}, {0x3F, 0x40, 0x75, "F6"}, {0x40, 0x41, 0x76, "F7"}, {0x41, 0x42, 0x77, "F8"},
    {0x42, 0x43, 0x78, "F9"}, {0x43, 0x44, 0x79, "F10"}, {0x44, 0x57, 0x7A, "F11"}, {0x45, 0x58, 0x7B, "F12"},
    {0x46, 0xB7, 0x2C, "Print Screen"}, {0x47, 0x46, 0x91, "Scroll Lock"}, {0x48, 0xC5, 0x13, "Pause"},
    {0x49, 0xD2, 0x2D, "Insert"}, {0x4A, 0xC7, 0x24, "Home"}, {0x4B, 0xC9, 0x21, "Page Up"},
    {0x4C, 0xD3, 0x2E, "Delete"}, {0x4D, 0xCF, 0x23, "End"}, {0x4E, 0xD1, 0x22, "Page Down"},
    {0x4F, 0xCD, 0x27, "Right"}, {0x50, 0xCB, 0x25, "Left"}, {0x51, 0xD0, 0x28, "Down"},
    {0x52, 0xC8, 0x26, "Up"}, {0x53, 0x45, 0x90, "Num Lock"}, {0x54, 0xB5, 0x6F, "Keypad /"},
    {0x55, 0x37, 0x6A, "Keypad *"}, {0x56, 0x4A, 0x6D, "Keypad -"}, {0x57, 0x4E, 0x6B, "Keypad +"},
    {0x58, 0x9C, 0x0D, "Keypad Enter"}, {0x59, 0x4F, 0x61, "Keypad 1", 0x23},
    {0x5A, 0x50, 0x62, "Keypad 2", 0x28}, {0x5B, 0x51, 0x63, "Keypad 3", 0x22},
    {0x5C, 0x4B, 0x64, "Keypad 4", 0x25}, {0x5D, 0x4C, 0x65, "Keypad 5", 0x0C},
    {0x5E, 0x4D, 0x66, "Keypad 6", 0x27}, {0x5F, 0x47, 0x67, "Keypad 7", 0x24},
    {0x60, 0x48, 0x68, "Keypad 8", 0x26}, {0x61, 0x49, 0x69, "Keypad 9", 0x21},
    {0x62, 0x52, 0x60, "Keypad 0", 0x2D}, {0x63, 0x53, 0x6E, "Keypad .", 0x2E}, {0x64, 0x56, 0xE2, "ISO \\|"},
    {0x65, 0xDD, 0x5D, "Application"}, {0x66, 0xDE, 0, "Power"}, {0x67, 0x59, 0, "Keypad ="},
    {0x68, 0x64, 0x7C, "F13"}, {0x69, 0x65, 0x7D, "F14"}, {0x6A, 0x66, 0x7E, "F15"},
    {0x6B, 0x67, 0x7F, "F16"}, {0x6C, 0x68, 0x80, "F17"}, {0x6D, 0x69, 0x81, "F18"},
    {0x6E, 0x6A, 0x82, "F19"}, {0x6F, 0x6B, 0x83, "F20"}, {0x70, 0x6C, 0x84, "F21"},
    {0x71, 0x6D, 0x85, "F22"}, {0x72, 0x6E, 0x86, "F23"}, {0x73, 0x76, 0x87, "F24"},
    {0x7F, 0xA0, 0xAD, "Mute"}, {0x80, 0xB0, 0xAF, "Volume Up"}, {0x81, 0xAE, 0xAE, "Volume Down"},
    {0x85, 0x7E, 0x6C, "Keypad , (Brazil)"}, {0x87, 0x73, 0, "International 1 (Ro)"},
    {0x88, 0x70, 0x15, "International 2 (Kana)"}, {0x89, 0x7D, 0, "International 3 (Yen)"},
    {0x8A, 0x79, 0x1C, "International 4 (Henkan)"}, {0x8B, 0x7B, 0x1D, "International 5 (Muhenkan)"},
    {0xE0, 0x1D, 0x11, "Left Ctrl"}, {0xE1, 0x2A, 0x10, "Left Shift"}, {0xE2, 0x38, 0x12, "Left Alt"},
    {0xE3, 0xDB, 0x5B, "Left Windows"}, {0xE4, 0x9D, 0x11, "Right Ctrl"}, {0xE5, 0x36, 0x10, "Right Shift"},
    {0xE6, 0xB8, 0x12, "Right Alt"}, {0xE7, 0xDC, 0x5C, "Right Windows"}, {0xC00B5, 0x99, 0xB0, "Next Track"},
    {0xC00B6, 0x90, 0xB1, "Previous Track"}, {0xC00B7, 0xA4, 0xB2, "Stop"},
    {0xC00CD, 0xA2, 0xB3, "Play/Pause"}, {0xC00E2, 0xA0, 0xAD, "Consumer Mute"},
    {0xC0183, 0xED, 0xB5, "Media Select"}, {0xC018A, 0xEC, 0xB4, "Mail"}, {0xC0192, 0xA1, 0xB7, "Calculator"},
    {0xC0194, 0xEB, 0xB6, "My Computer"}, {0xC0221, 0xE5, 0xAA, "WWW Search"},
    {0xC0223, 0xB2, 0xAC, "WWW Home"}, {0xC0224, 0xEA, 0xA6, "WWW Back"},
    {0xC0225, 0xE9, 0xA7, "WWW Forward"}, {0xC0226, 0xE8, 0xA9, "WWW Stop"},
    {0xC0227, 0xE7, 0xA8, "WWW Refresh"}, {0xC022A, 0xE6, 0xAB, "WWW Favorites"},
    {0x10082, 0xDF, 0x5F, "System Sleep"}};
// clang-format on

TEST_F(Devices, EveryKeyReachesKeyMessagesAndTheKeyboardStateWithItsDocumentedCodes) {
    set_up_as_the_viewer_does();
    focus(true);
    ASSERT_EQ(keyboard_->Acquire(), DI_OK);
    const auto press = [&](platform::host::hid::Usage usage, std::uint16_t mods, int dik, int vk, LPARAM scan,
                           const std::string& name) {
        push_key(usage, true, false, mods);
        BYTE keys[256];
        ASSERT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DI_OK);
        EXPECT_EQ(std::count(std::begin(keys), std::end(keys), 0), dik == 0 ? 256 : 255) << name;
        EXPECT_EQ(keys[dik], dik == 0 ? 0 : 0x80) << name;
        const auto msgs = drain();
        ASSERT_EQ(msgs.size(), vk == 0 ? 0u : 1u) << name;
        if (vk != 0) {
            EXPECT_EQ(msgs[0].wParam, static_cast<WPARAM>(vk)) << name;
            EXPECT_EQ(msgs[0].lParam, 1 | scan) << name; // repeat count 1, no Alt, key going down
        }
        push_key(usage, false, false, mods);
        drain();
    };
    std::set<platform::host::hid::Usage> documented;
    for (const DocumentedKey& k : kDocumentedKeys) {
        documented.insert(k.usage);
        // Bits 16-23 the scan code, bit 24 the extended-key flag. Pause sends 0x45 as Num Lock does, and Num
        // Lock is the extended one.
        const int scan = k.dik == 0xC5 ? 0x45 : k.dik & 0x7F;
        const bool extended = k.dik == 0x45 || (k.dik & 0x80 && k.dik != 0xC5);
        const LPARAM bits = (LPARAM{scan} << 16) | (LPARAM{extended} << 24);
        press(k.usage, platform::host::kModNumLock, k.dik, k.vk, bits, k.name);
        const int off = k.vk_without_num_lock < 0 ? k.vk : k.vk_without_num_lock;
        press(k.usage, 0, k.dik, off, bits, std::string(k.name) + " without Num Lock");
    }
    // The rest of the keyboard page and of the usages near the others are no key at all.
    for (platform::host::hid::Usage usage = 0; usage < 0x200; ++usage)
        if (!documented.contains(usage))
            press(usage, 0, 0, 0, 0, "usage " + std::to_string(usage));
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

TEST_F(Devices, EachButtonReachesDirectInputAndTheWindowAsDocumented) {
    // DIMOUSESTATE's rgbButtons (left, right, middle, the first X button; -1: no place for it), and the
    // messages of WM_LBUTTONDOWN ... WM_XBUTTONUP with wParam MAKEWPARAM(the MK_ flags held, XBUTTON1 or 2).
    using platform::host::Button;
    struct Documented {
        Button button;
        int index;
        UINT down, up;
        WPARAM down_wparam, up_wparam;
    };
    const Documented buttons[] = {{Button::Left, 0, 0x0201, 0x0202, 0x0001, 0x0000},
                                  {Button::Right, 1, 0x0204, 0x0205, 0x0002, 0x0000},
                                  {Button::Middle, 2, 0x0207, 0x0208, 0x0010, 0x0000},
                                  {Button::X1, 3, 0x020B, 0x020C, 0x00010020, 0x00010000},
                                  {Button::X2, -1, 0x020B, 0x020C, 0x00020040, 0x00020000}};
    set_up_as_the_viewer_does();
    focus(true);
    push_key(platform::host::hid::KEY_LCTRL, true, false,
             platform::host::kModCtrl); // MK_CONTROL (8) throughout
    drain();
    for (const Documented& b : buttons) {
        ASSERT_EQ(mouse_->Acquire(), DI_OK);
        push_button(b.button, true);
        const DIMOUSESTATE held = read_mouse();
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(held.rgbButtons[i], i == b.index ? 0x80 : 0) << i;
        push_button(b.button, false);
        EXPECT_EQ(read_mouse().rgbButtons[std::max(b.index, 0)], 0);
        EXPECT_TRUE(drain().empty()) << "DirectInput keeps an exclusive mouse's messages from the window";

        ASSERT_EQ(mouse_->Unacquire(), DI_OK);
        push_button(b.button, true, 17, 23);
        push_button(b.button, false, 18, 24);
        const auto msgs = drain();
        ASSERT_EQ(msgs.size(), 2u);
        EXPECT_EQ(msgs[0].message, b.down);
        EXPECT_EQ(msgs[0].wParam, b.down_wparam | MK_CONTROL);
        EXPECT_EQ(msgs[0].lParam, MAKELPARAM(17, 23));
        EXPECT_EQ(msgs[1].message, b.up);
        EXPECT_EQ(msgs[1].wParam, b.up_wparam | MK_CONTROL);
        EXPECT_EQ(msgs[1].lParam, MAKELPARAM(18, 24));
    }
    // The wheel: WM_MOUSEWHEEL with the turn in 120ths of a notch, where the pointer is on the screen.
    fake_host::set_pointer(300, 200);
    push_wheel(-2);
    const auto wheel = drain();
    ASSERT_EQ(wheel.size(), 1u);
    EXPECT_EQ(wheel[0].message, 0x020Au);
    EXPECT_EQ(wheel[0].wParam, MAKEWPARAM(MK_CONTROL, -240));
    EXPECT_EQ(wheel[0].lParam, MAKELPARAM(300, 200));
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
    const std::string kb = platform::trace::objects::label(keyboard_);
    const std::string di = platform::trace::objects::label(di_);
    const auto lines = platform::trace::lines();
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "DirectInput8Create(?, 2304, IID_IDirectInput8A, null) -> failed 0x8007047E");
    EXPECT_TRUE(lines[1].starts_with("Acquire(" + kb + ")")) << lines[1];
    EXPECT_TRUE(lines[2].starts_with("SetDataFormat(" + kb + ", null)")) << lines[2];
    EXPECT_EQ(lines[3], "SetDataFormat(" + kb + ", c_dfDIKeyboard)");
    EXPECT_EQ(lines[4], "SetCooperativeLevel(" + kb + ", " + platform::trace::objects::label(window_) +
                            ", DISCL_NONEXCLUSIVE|DISCL_FOREGROUND)");
    EXPECT_EQ(lines[5], "Acquire(" + kb + ")");
    EXPECT_EQ(lines[6], "GetDeviceState(" + kb + ", 256)");
    EXPECT_TRUE(lines[7].starts_with("GetDeviceState(" + kb + ", 256)")) << lines[7];
    EXPECT_EQ(lines[8], "Unacquire(" + kb + ")");
    EXPECT_TRUE(lines[9].starts_with("CreateDevice(" + di + ", GUID_SysMouse, null) -> Mouse#")) << lines[9];
    EXPECT_TRUE(lines[10].starts_with("Release(Mouse#")) << lines[10];
}

} // namespace
