// The Win32 part of the layer on the fake host (no display): class registration, the order in which the
// queue gives up its messages, the default window procedure's close handling, key messages made from host
// key events, TranslateMessage, the last error and the trace lines.
#include "win32_test_window.h"

#include <platform_test.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

using unit::received;
using unit::TestWindow;

constexpr UINT kTestMessage = 0x0400; // WM_USER

bool got(UINT message) {
    return std::any_of(received().begin(), received().end(),
                       [message](const unit::Received& r) { return r.message == message; });
}

TEST(SetRectTest, FillsTheFourEdgesAndRefusesNull) {
    RECT r{9, 9, 9, 9};
    EXPECT_TRUE(SetRect(&r, 10, 20, 300, 400));
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right, 300);
    EXPECT_EQ(r.bottom, 400);
    EXPECT_FALSE(SetRect(nullptr, 0, 0, 1, 1));
}

TEST(RegisterClass, ChecksTheStructureSizeAndRefusesASecondClassOfTheSameName) {
    WNDCLASSEXA wc{};
    wc.cbSize = 47;
    wc.lpfnWndProc = unit::recording_proc;
    wc.lpszClassName = "SizeCheckedClass";
    EXPECT_EQ(RegisterClassExA(&wc), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    wc.cbSize = sizeof wc;
    ASSERT_EQ(sizeof wc, 80u); // the 64-bit layout; the 32-bit one is 48 bytes
    const ATOM atom = RegisterClassExA(&wc);
    EXPECT_NE(atom, 0);
    wc.lpszClassName = "SIZECHECKEDCLASS"; // class names ignore case
    EXPECT_EQ(RegisterClassExA(&wc), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
}

TEST(CreateWindow, NeedsARegisteredClassAndSaysWhyWhenItFails) {
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
    char text[256];
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                   GetLastError(), 0, text, sizeof text, nullptr);
    EXPECT_EQ(std::string(text, n), "Cannot find window class.\r\n");
    // Too small a buffer takes nothing.
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             ERROR_CANNOT_FIND_WND_CLASS, 0, text, 5, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(LoadCursor, KnowsTheSystemArrowAndNothingElse) {
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(12345)), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, "NotACursor"), nullptr);
}

TEST_F(TestWindow, PostedMessagesComeBeforeTheQuitMessageWhateverTheOrderTheyWerePostedIn) {
    ASSERT_TRUE(PostMessageA(window_, kTestMessage, 1, 0));
    PostQuitMessage(3);
    ASSERT_TRUE(PostMessageA(nullptr, kTestMessage, 2, 0)); // a thread message
    MSG msg{};
    for (const WPARAM posted : {1u, 2u}) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.wParam, posted);
    }
    EXPECT_EQ(msg.hwnd, nullptr);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    // The quit message is never handed to a window procedure.
    msg.hwnd = window_;
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_FALSE(got(WM_QUIT));
}

TEST_F(TestWindow, TheDefaultProcedureTurnsCloseIntoDestroyingTheWindow) {
    PostMessageA(window_, WM_CLOSE, 0, 0);
    PostMessageA(window_, kTestMessage, 0, 0); // dropped with the window
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessageA(&msg);
    ASSERT_GE(received().size(), 2u);
    EXPECT_EQ(received()[0].message, static_cast<UINT>(WM_CLOSE));
    EXPECT_EQ(received()[1].message, static_cast<UINT>(WM_DESTROY));
    EXPECT_EQ(platform::win32::host_window(window_), nullptr);
    RECT r;
    EXPECT_FALSE(GetClientRect(window_, &r));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        << "a message of the destroyed window remained";
    EXPECT_FALSE(PostMessageA(window_, kTestMessage, 0, 0));
}

TEST_F(TestWindow, AClosedHostWindowSendsCloseAndTheDefaultProcedureDestroysIt) {
    fake_host::close(host());
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "WM_CLOSE is sent, not queued";
    ASSERT_GE(received().size(), 2u);
    EXPECT_EQ(received()[0].message, static_cast<UINT>(WM_CLOSE));
    EXPECT_EQ(received()[1].message, static_cast<UINT>(WM_DESTROY));
    EXPECT_EQ(platform::win32::host_window(window_), nullptr);
}

TEST_F(TestWindow, AQuitRequestAfterTheWindowsOwnCloseClosesItOnlyOnce) {
    // A desktop host follows the last window's close with a quit, and a signal (Ctrl+C) brings the quit
    // alone.
    fake_host::close(host());
    fake_host::quit();
    drain();
    EXPECT_EQ(std::count_if(received().begin(), received().end(),
                            [](const unit::Received& r) { return r.message == WM_CLOSE; }),
              1);
}

TEST_F(TestWindow, AQuitRequestAloneClosesEveryWindow) {
    fake_host::quit();
    drain();
    EXPECT_TRUE(got(WM_CLOSE));
    EXPECT_TRUE(got(WM_DESTROY));
    EXPECT_EQ(platform::win32::host_window(window_), nullptr);
}

TEST_F(TestWindow, FocusChangesActivateAndDeactivateTheWindow) {
    // Gaining the focus: WM_ACTIVATE (WA_ACTIVE), then WM_SETFOCUS; losing it: WA_INACTIVE, WM_KILLFOCUS.
    for (const bool gained : {true, false}) {
        focus(gained);
        EXPECT_EQ(platform::win32::is_foreground(window_), gained);
        drain();
        ASSERT_EQ(received().size(), 2u) << gained;
        EXPECT_EQ(received()[0].message, static_cast<UINT>(WM_ACTIVATE)) << gained;
        EXPECT_EQ(received()[0].wparam, static_cast<WPARAM>(gained ? WA_ACTIVE : WA_INACTIVE));
        EXPECT_EQ(received()[1].message, static_cast<UINT>(gained ? WM_SETFOCUS : WM_KILLFOCUS));
        received().clear();
    }
}

TEST_F(TestWindow, F10AltAndKeysPressedWithAltAreSystemKeys) {
    // As Windows documents WM_SYSKEYDOWN and WM_SYSKEYUP: F10 alone, Alt alone and any key pressed while Alt
    // is held are system keys. lParam: the repeat count 1, the scan code (bits 16-23) and extended flag (24),
    // Alt down while the key changed (29), the key down before (30: repeats and key-ups), going up (31).
    namespace hid = platform::host::hid;
    using platform::host::kModAlt;
    struct Step {
        hid::Usage key;
        bool down, repeat;
        std::uint16_t modifiers;
        UINT message;
        DWORD lparam;
    };
    const Step steps[] = {
        {hid::KEY_F10, true, false, 0, WM_SYSKEYDOWN, 0x00440001},
        {hid::KEY_F10, true, true, 0, WM_SYSKEYDOWN, 0x40440001},
        {hid::KEY_F10, false, false, 0, WM_SYSKEYUP, 0xC0440001},
        {hid::KEY_F10, true, false, platform::host::kModShift, WM_SYSKEYDOWN, 0x00440001},
        {hid::KEY_LALT, true, false, kModAlt, WM_SYSKEYDOWN, 0x20380001},
        {hid::KEY_LALT, false, false, 0, WM_SYSKEYUP, 0xC0380001},
        {hid::KEY_RALT, true, false, kModAlt, WM_SYSKEYDOWN, 0x21380001},
        {hid::KEY_RALT, false, false, 0, WM_SYSKEYUP, 0xC1380001},
        {hid::KEY_W, true, false, kModAlt, WM_SYSKEYDOWN, 0x20110001},
        {hid::KEY_W, false, false, kModAlt, WM_SYSKEYUP, 0xE0110001},
        {hid::KEY_F7, true, false, kModAlt, WM_SYSKEYDOWN, 0x20410001},
        {hid::KEY_F7, true, false, 0, WM_KEYDOWN, 0x00410001},
        {hid::KEY_F7, true, true, 0, WM_KEYDOWN, 0x40410001},
        {hid::KEY_F7, false, false, 0, WM_KEYUP, 0xC0410001},
        {hid::KEY_ESCAPE, true, false, platform::host::kModCtrl, WM_KEYDOWN, 0x00010001},
    };
    for (const Step& step : steps)
        push_key(step.key, step.down, step.repeat, step.modifiers);
    const auto msgs = drain();
    ASSERT_EQ(msgs.size(), std::size(steps));
    for (std::size_t i = 0; i < msgs.size(); ++i) {
        EXPECT_EQ(msgs[i].hwnd, window_);
        EXPECT_EQ(msgs[i].message, steps[i].message) << "step " << i;
        EXPECT_EQ(msgs[i].lParam, static_cast<LPARAM>(steps[i].lparam)) << "step " << i;
    }
}

TEST_F(TestWindow, KeysStillHeldWhenTheFocusGoesAwayGetNoKeyUp) {
    // The host's order at a focus loss: a release of each held key, marked as the loss's, then the loss.
    fake_host::set_ticks(100);
    push_key(platform::host::hid::KEY_F7, true);
    fake_host::set_ticks(110);
    push_key(platform::host::hid::KEY_A, true);
    fake_host::set_ticks(190);
    push_key(platform::host::hid::KEY_A, false); // released by the user before the focus went
    fake_host::set_ticks(200);
    fake_host::focus(host(), false); // releases F7
    std::vector<std::pair<UINT, WPARAM>> keys;
    for (const MSG& m : drain())
        keys.emplace_back(m.message, m.wParam);
    const std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_KEYDOWN, VK_F7}, {WM_KEYDOWN, 'A'}, {WM_KEYUP, 'A'}};
    EXPECT_EQ(keys, expected);
}

TEST_F(TestWindow, AltF4ThroughTheDefaultProcedureClosesTheWindow) {
    push_key(platform::host::hid::KEY_F4, true, false, platform::host::kModAlt);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessageA(&msg);
    EXPECT_TRUE(got(WM_CLOSE));
    EXPECT_TRUE(got(WM_DESTROY));
}

TEST_F(TestWindow, TranslateMessagePostsTheCharacterOfACharacterKeyNext) {
    push_key(platform::host::hid::KEY_W, true, false, platform::host::kModShift);
    push_key(platform::host::hid::KEY_F7, true);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(msg.wParam, static_cast<WPARAM>('W'));
    EXPECT_TRUE(TranslateMessage(&msg));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CHAR)); // before the F7 key-down still waiting
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('W'));
    EXPECT_EQ(msg.lParam, 0x00110001);
    EXPECT_FALSE(TranslateMessage(&msg)); // not a key message
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_F7));
    EXPECT_TRUE(TranslateMessage(&msg)); // a key message, even one that makes no character
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    // With Alt held the key is a system key, and its character a system character.
    push_key(platform::host::hid::KEY_W, true, false, platform::host::kModAlt);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(msg.message, static_cast<UINT>(WM_SYSKEYDOWN));
    EXPECT_TRUE(TranslateMessage(&msg));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_SYSCHAR));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('w'));
}

TEST_F(TestWindow, WithoutAFrameTheClientFillsTheSizeGiven) {
    RECT client{};
    ASSERT_TRUE(GetClientRect(window_, &client));
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 240);
    int w = 0, h = 0;
    ASSERT_TRUE(platform::win32::client_size(window_, &w, &h));
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    EXPECT_FALSE(platform::win32::client_size(nullptr, &w, &h));
}

} // namespace

namespace {

TEST(NoDisplay, CreatingAWindowFailsWithAReadableReasonAndNothingAfterItCrashes) {
    fake_host::set_display(false, "no display: DISPLAY is not set");
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = unit::recording_proc;
    wc.lpszClassName = "NoDisplayClass";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    const HWND window = CreateWindowExA(0, "NoDisplayClass", "x", WS_OVERLAPPEDWINDOW, 0, 0, 1024, 768,
                                        nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_AVAILABLE));
    char text[256];
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                   GetLastError(), 0, text, sizeof text, nullptr);
    EXPECT_EQ(std::string(text, n), "no display: DISPLAY is not set\r\n");
    // What the program does next finds no window, and says so without crashing.
    EXPECT_FALSE(ShowWindow(window, SW_SHOWDEFAULT));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    RECT r;
    EXPECT_FALSE(GetClientRect(window, &r));
    EXPECT_EQ(platform::win32::host_window(window), nullptr);
    EXPECT_FALSE(platform::win32::is_foreground(window));
    fake_host::set_display(true);
}

TEST(MessageBox, WritesItsTextAsOneLineOnStderrAndSaysOk) {
    testing::internal::CaptureStderr();
    const int answer = MessageBoxA(nullptr, "first line\nsecond\r\nthird", "Caption", MB_OK | MB_ICONERROR);
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(written, "first line second third\n");
}

} // namespace
