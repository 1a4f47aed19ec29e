// The SDL host's events (host/sdl/host_sdl_events.cpp) on SDL's dummy video driver, without a display: what
// the host makes of SDL's own order at a focus loss, of a wheel turned the natural-scrolling way, and of
// each button. The front ends' tests take host events from the fake host, so these are the host's part of
// them.
#include "host/sdl/host_sdl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

namespace host = platform::host;

TEST(SdlHostEvents, KeysReleasedByAFocusLossAreMarkedAFlippedWheelIsTurnedBackAndButtonsKeepTheirPlace) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::string reason;
    ASSERT_TRUE(host::start_video(reason)) << reason;
    host::WindowSpec spec;
    spec.width = 64;
    spec.height = 48;
    host::Window* const window = host::create_window(spec, reason);
    ASSERT_NE(window, nullptr) << reason;
    const Uint32 id = SDL_GetWindowID(platform::host::sdl_window(window));

    // SDL's own order at a focus loss: a release of each held key, then the loss, in one millisecond.
    // (SDL_PeepEvents keeps the timestamps given; SDL_PushEvent would set its own.)
    const auto add = [](SDL_Event e, Uint32 time) {
        e.common.timestamp = time;
        ASSERT_EQ(SDL_PeepEvents(&e, 1, SDL_ADDEVENT, 0, 0), 1) << SDL_GetError();
    };
    const auto key = [id](SDL_Scancode scancode, bool down) {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = id;
        e.key.keysym.scancode = scancode;
        return e;
    };
    SDL_Event lost{};
    lost.type = SDL_WINDOWEVENT;
    lost.window.windowID = id;
    lost.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    add(key(SDL_SCANCODE_F7, true), 100);
    add(key(SDL_SCANCODE_A, true), 110);
    add(key(SDL_SCANCODE_A, false), 190);  // released by the user before the focus went
    add(key(SDL_SCANCODE_F7, false), 200); // released by SDL as the focus goes
    add(lost, 200);
    SDL_Event flipped{};
    flipped.type = SDL_MOUSEWHEEL;
    flipped.wheel.windowID = id;
    flipped.wheel.y = 2;
    flipped.wheel.direction =
        SDL_MOUSEWHEEL_FLIPPED; // natural scrolling reports the turn the other way round
    add(flipped, 300);
    // SDL's buttons 1 to 5 are left, middle, right and the two X buttons, at a place in the client area.
    for (const Uint8 button :
         {SDL_BUTTON_LEFT, SDL_BUTTON_MIDDLE, SDL_BUTTON_RIGHT, SDL_BUTTON_X1, SDL_BUTTON_X2}) {
        SDL_Event pressed{};
        pressed.type = SDL_MOUSEBUTTONDOWN;
        pressed.button.windowID = id;
        pressed.button.button = button;
        pressed.button.x = 10 * button;
        pressed.button.y = 3;
        add(pressed, 400);
    }

    struct Seen {
        host::EventType type;
        host::hid::Usage key;
        bool focus_release;
        int y;
        host::Button button = host::Button::Other;
        int x = 0;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
    host::Event e;
    while (host::poll_event(e)) {
        EXPECT_EQ(e.window, window);
        seen.push_back({e.type, e.key, e.focus_release, e.y, e.button, e.x});
    }
    const std::vector<Seen> expected = {{host::EventType::KeyDown, host::hid::KEY_F7, false, 0},
                                        {host::EventType::KeyDown, host::hid::KEY_A, false, 0},
                                        {host::EventType::KeyUp, host::hid::KEY_A, false, 0},
                                        {host::EventType::KeyUp, host::hid::KEY_F7, true, 0},
                                        {host::EventType::FocusLost, 0, false, 0},
                                        {host::EventType::MouseWheel, 0, false, -2},
                                        {host::EventType::ButtonDown, 0, false, 3, host::Button::Left, 10},
                                        {host::EventType::ButtonDown, 0, false, 3, host::Button::Middle, 20},
                                        {host::EventType::ButtonDown, 0, false, 3, host::Button::Right, 30},
                                        {host::EventType::ButtonDown, 0, false, 3, host::Button::X1, 40},
                                        {host::EventType::ButtonDown, 0, false, 3, host::Button::X2, 50}};
    EXPECT_EQ(seen, expected);
    host::destroy_window(window);
}

} // namespace
