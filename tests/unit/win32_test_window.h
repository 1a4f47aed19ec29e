// A window for the Win32 and DirectInput unit tests, made on the fake host (no display, no SDL), and host
// events addressed to it: the layer's pump takes them from the fake host's queue as it would take real ones.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "fake_host.h"
#include "win32/win32_internal.h"
#include "window_class.h"

namespace unit {

// Every message the test window's procedure received, in order.
struct Received {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};
inline std::vector<Received>& received() {
    static std::vector<Received> r;
    return r;
}

// Records what arrives, then hands it on to the default procedure.
inline LRESULT CALLBACK recording_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    received().push_back({message, wparam, lparam});
    return DefWindowProcA(window, message, wparam, lparam);
}

class TestWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        static const bool registered = support::register_window_class("UnitTestClass", recording_proc);
        ASSERT_TRUE(registered);
        window_ = CreateWindowExA(0, "UnitTestClass", "unit", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr,
                                  nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        drain();
        received().clear();
    }
    void TearDown() override {
        if (window_ != nullptr && platform::win32::host_window(window_) != nullptr)
            DestroyWindow(window_);
        drain();
        received().clear();
    }

    platform::host::Window* host() const {
        return platform::win32::host_window(window_);
    }

    // Takes every waiting message without dispatching it; returns them.
    static std::vector<MSG> drain() {
        std::vector<MSG> taken;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            taken.push_back(msg);
        return taken;
    }

    void focus(bool gained) const {
        fake_host::focus(host(), gained);
        platform::win32::pump_events();
    }
    void push_key(platform::host::hid::Usage usage, bool down, bool repeat = false,
                  std::uint16_t mod = 0) const {
        fake_host::key(host(), usage, down, mod, repeat);
    }
    void push_motion(int dx, int dy) const {
        fake_host::motion(host(), dx, dy);
    }
    void push_wheel(int notches) const {
        fake_host::wheel(host(), notches);
    }
    void push_button(platform::host::Button button, bool down, int x = 0, int y = 0) const {
        fake_host::button(host(), button, down, x, y);
    }

    HWND window_ = nullptr;
};

} // namespace unit
