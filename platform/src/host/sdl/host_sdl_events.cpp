// The SDL host's event queue, clock and mouse capture (host.h on SDL2). SDL events become host events:
// keys with their scancode as the USB HID usage (SDL's scancodes are the keyboard page's usages; its own
// numbers for media and browser keys become their consumer-page usages), focus, close, quit, size, mouse
// motion (xrel/yrel), wheel (notches, flipped wheels turned back) and buttons; other SDL events are passed
// over. The capture of the mouse puts SDL in its relative mouse mode, which on X11 reads the server's
// XInput2 raw motion and on Wayland the relative-pointer protocol, and hides the cursor and confines it to
// the window; where SDL refuses it, the cursor is hidden and grabbed and SDL's motion of the pointer is read
// instead.
#include "host/sdl/host_sdl_internal.h"

#include <array>
#include <utility>

namespace platform::host {
namespace {

// SDL's own numbers for the media and browser keys and System Sleep, with their usages.
constexpr std::pair<SDL_Scancode, hid::Usage> kOtherPages[] = {
    {SDL_SCANCODE_AUDIONEXT, hid::KEY_AUDIONEXT},
    {SDL_SCANCODE_AUDIOPREV, hid::KEY_AUDIOPREV},
    {SDL_SCANCODE_AUDIOSTOP, hid::KEY_AUDIOSTOP},
    {SDL_SCANCODE_AUDIOPLAY, hid::KEY_AUDIOPLAY},
    {SDL_SCANCODE_AUDIOMUTE, hid::KEY_AUDIOMUTE},
    {SDL_SCANCODE_MEDIASELECT, hid::KEY_MEDIASELECT},
    {SDL_SCANCODE_MAIL, hid::KEY_MAIL},
    {SDL_SCANCODE_CALCULATOR, hid::KEY_CALCULATOR},
    {SDL_SCANCODE_COMPUTER, hid::KEY_COMPUTER},
    {SDL_SCANCODE_AC_SEARCH, hid::KEY_AC_SEARCH},
    {SDL_SCANCODE_AC_HOME, hid::KEY_AC_HOME},
    {SDL_SCANCODE_AC_BACK, hid::KEY_AC_BACK},
    {SDL_SCANCODE_AC_FORWARD, hid::KEY_AC_FORWARD},
    {SDL_SCANCODE_AC_STOP, hid::KEY_AC_STOP},
    {SDL_SCANCODE_AC_REFRESH, hid::KEY_AC_REFRESH},
    {SDL_SCANCODE_AC_BOOKMARKS, hid::KEY_AC_BOOKMARKS},
    {SDL_SCANCODE_SLEEP, hid::KEY_SLEEP}};

hid::Usage usage_from_scancode(SDL_Scancode sc) {
    if (sc >= 0 && static_cast<hid::Usage>(sc) < hid::kKeyboardPageSize)
        return static_cast<hid::Usage>(sc);
    for (const auto& [scancode, usage] : kOtherPages)
        if (scancode == sc)
            return usage;
    return 0;
}

std::uint16_t modifiers_from(Uint16 mod) {
    std::uint16_t m = 0;
    if (mod & KMOD_SHIFT)
        m |= kModShift;
    if (mod & KMOD_CTRL)
        m |= kModCtrl;
    if (mod & KMOD_ALT)
        m |= kModAlt;
    if (mod & KMOD_CAPS)
        m |= kModCapsLock;
    if (mod & KMOD_NUM)
        m |= kModNumLock;
    return m;
}

Button button_from(Uint8 b) {
    switch (b) {
    case SDL_BUTTON_LEFT:
        return Button::Left;
    case SDL_BUTTON_RIGHT:
        return Button::Right;
    case SDL_BUTTON_MIDDLE:
        return Button::Middle;
    case SDL_BUTTON_X1:
        return Button::X1;
    case SDL_BUTTON_X2:
        return Button::X2;
    default:
        return Button::Other;
    }
}

// Whether a key-up is one of those SDL makes for every key still held when a window loses the keyboard
// focus: they are queued together with the loss, in the same millisecond, just before it.
bool released_by_focus_loss(const SDL_Event& key_up) {
    std::array<SDL_Event, 64> next;
    const int count = SDL_PeepEvents(next.data(), static_cast<int>(next.size()), SDL_PEEKEVENT,
                                     SDL_FIRSTEVENT, SDL_LASTEVENT);
    for (int i = 0; i < count; ++i) {
        const SDL_Event& e = next[static_cast<std::size_t>(i)];
        if (e.common.timestamp != key_up.common.timestamp)
            return false;
        if (e.type == SDL_WINDOWEVENT)
            return e.window.event == SDL_WINDOWEVENT_FOCUS_LOST && e.window.windowID == key_up.key.windowID;
        if (e.type != SDL_KEYUP)
            return false;
    }
    return false;
}

// The host event of an SDL event; false for the events the host passes over.
bool translate(const SDL_Event& e, Event& out) {
    out = Event{};
    out.time = e.common.timestamp;
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        out.type = e.type == SDL_KEYDOWN ? EventType::KeyDown : EventType::KeyUp;
        out.window = from_sdl_id(e.key.windowID);
        out.key = usage_from_scancode(e.key.keysym.scancode);
        out.modifiers = modifiers_from(e.key.keysym.mod);
        out.repeat = e.key.repeat != 0;
        out.focus_release = e.type == SDL_KEYUP && released_by_focus_loss(e);
        return true;
    case SDL_WINDOWEVENT:
        out.window = from_sdl_id(e.window.windowID);
        switch (e.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            out.type = EventType::FocusGained;
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            out.type = EventType::FocusLost;
            return true;
        case SDL_WINDOWEVENT_CLOSE:
            out.type = EventType::Close;
            return true;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            out.type = EventType::Resized;
            out.x = e.window.data1;
            out.y = e.window.data2;
            return true;
        default:
            return false;
        }
    case SDL_QUIT:
        out.type = EventType::Quit;
        return true;
    case SDL_MOUSEMOTION:
        out.type = EventType::MouseMotion;
        out.window = from_sdl_id(e.motion.windowID);
        out.x = e.motion.xrel;
        out.y = e.motion.yrel;
        out.emulated = e.motion.which == SDL_TOUCH_MOUSEID;
        return true;
    case SDL_MOUSEWHEEL:
        out.type = EventType::MouseWheel;
        out.window = from_sdl_id(e.wheel.windowID);
        out.y = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        out.type = e.type == SDL_MOUSEBUTTONDOWN ? EventType::ButtonDown : EventType::ButtonUp;
        out.window = from_sdl_id(e.button.windowID);
        out.button = button_from(e.button.button);
        out.x = e.button.x;
        out.y = e.button.y;
        return true;
    default:
        return false;
    }
}

struct Capture {
    bool on = false;
    bool relative = false; // through SDL's relative mode
};
Capture& capture() {
    static Capture c;
    return c;
}

} // namespace

bool poll_event(Event& event) {
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0)
        return false;
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0)
        if (translate(e, event))
            return true;
    fit_frames();
    return false;
}

std::uint32_t ticks() {
    return SDL_GetTicks();
}

void pointer_position(int* x, int* y) {
    *x = *y = 0;
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_GetGlobalMouseState(x, y);
}

void capture_mouse(Window* window, bool on) {
    Capture& c = capture();
    if (c.on == on)
        return;
    c.on = on;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return;
    if (on) {
        // Raw motion, never the pointer warped back to the middle of the window.
        SDL_SetHintWithPriority(SDL_HINT_MOUSE_RELATIVE_MODE_WARP, "0", SDL_HINT_OVERRIDE);
        c.relative = SDL_SetRelativeMouseMode(SDL_TRUE) == 0;
        if (c.relative)
            return;
    } else if (c.relative) {
        SDL_SetRelativeMouseMode(SDL_FALSE);
        c.relative = false;
        return;
    }
    SDL_ShowCursor(on ? SDL_DISABLE : SDL_ENABLE);
    if (SDL_Window* const sdl = sdl_window(window))
        SDL_SetWindowGrab(sdl, on ? SDL_TRUE : SDL_FALSE);
}

} // namespace platform::host
