// A window for the Win32 and DirectInput unit tests, made on SDL's dummy video driver (no display needed),
// and synthetic SDL events addressed to it: the layer's pump takes them as it would take real ones.
#pragma once

#include <windows.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "host/sdl/host_sdl.h"
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
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        static const bool registered = support::register_window_class("UnitTestClass", recording_proc);
        ASSERT_TRUE(registered);
        window_ = CreateWindowExA(0, "UnitTestClass", "unit", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr,
                                  nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr) << SDL_GetError();
        drain();
        received().clear();
    }
    void TearDown() override {
        if (window_ != nullptr && platform::win32::host_window(window_) != nullptr)
            DestroyWindow(window_);
        drain();
        received().clear();
    }

    Uint32 sdl_id() const {
        return SDL_GetWindowID(platform::host_sdl::sdl_window(platform::win32::host_window(window_)));
    }

    // Takes every waiting message without dispatching it; returns them.
    static std::vector<MSG> drain() {
        std::vector<MSG> taken;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            taken.push_back(msg);
        return taken;
    }

    void push_window_event(SDL_WindowEventID what) const {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = sdl_id();
        e.window.event = static_cast<Uint8>(what);
        ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    }
    void focus(bool gained) const {
        push_window_event(gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST);
        platform::win32::pump_events();
    }
    void push_key(SDL_Scancode scancode, bool down, bool repeat = false, Uint16 mod = KMOD_NONE) const {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = sdl_id();
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat ? 1 : 0;
        e.key.keysym.scancode = scancode;
        e.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
        e.key.keysym.mod = mod;
        ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    }
    void push_motion(int dx, int dy) const {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = sdl_id();
        e.motion.xrel = dx;
        e.motion.yrel = dy;
        ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    }
    void push_wheel(int notches, bool flipped = false) const {
        SDL_Event e{};
        e.type = SDL_MOUSEWHEEL;
        e.wheel.windowID = sdl_id();
        e.wheel.y = notches;
        e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
        ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    }
    void push_button(Uint8 button, bool down) const {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = sdl_id();
        e.button.button = button;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    }

    HWND window_ = nullptr;
};

} // namespace unit
