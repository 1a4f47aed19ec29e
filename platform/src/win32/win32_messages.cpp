// The Win32 message queue on the host's event queue (host.h): PeekMessageA, TranslateMessage,
// DispatchMessageA, PostMessageA and PostQuitMessage, and the one event pump shared with DirectInput.
//
// What host events become:
//   key down / up (repeats included)  WM_KEYDOWN / WM_KEYUP, or WM_SYSKEYDOWN / WM_SYSKEYUP while Alt is
//       held (and for F10 and Alt itself), with the virtual-key code as wParam and, as lParam, the repeat
//       count 1, the scan code (bits 16-23), the extended-key flag (24), Alt held (29), the previous key
//       state (30: set for repeats and key-ups) and the transition (31: set for key-ups)
//   window close, quit                     WM_CLOSE, sent to the window procedure
//   focus gained                           WM_ACTIVATE(WA_ACTIVE, 0) then WM_SETFOCUS(0, 0), sent
//   focus lost                             WM_ACTIVATE(WA_INACTIVE, 0) then WM_KILLFOCUS(0, 0), sent; the
//       key-ups of keys the loss released (focus_release) make no message, as Windows sends none
//   size changed                           WM_SIZE(SIZE_RESTORED, MAKELPARAM(width, height)), sent
//   button down / up                       WM_LBUTTONDOWN / UP, WM_RBUTTON*, WM_MBUTTON*, WM_XBUTTON* with
//       MAKEWPARAM(the MK_ flags of the buttons, Shift and Ctrl held, XBUTTON1 or 2), MAKELPARAM(x, y) in
//       the client area; a wheel's turn WM_MOUSEWHEEL(MAKEWPARAM(flags, notches * WHEEL_DELTA), the
//       pointer on the screen). None while an exclusive DirectInput mouse is acquired: DirectInput keeps
//       the mouse's messages from the windows then.
// Sent messages are delivered to the window procedure inside PeekMessageA, before it looks at the queue,
// and are never returned by it (as Windows does with messages sent from elsewhere). Every event, message or
// not, is also handed to the event listeners (DirectInput).
//
// PeekMessageA takes, in this order: posted messages (PostMessageA, WM_CHAR from TranslateMessage), then the
// quit message (PostQuitMessage), then input messages (keys, the mouse). It takes them as the program asks:
// all windows' messages, no range, PM_REMOVE; a filter or PM_NOREMOVE is reported and taken so. The
// layer sends no WM_PAINT: the device presents every frame.
//
// Trace lines: PeekMessageA(null, 0, 0, PM_REMOVE), TranslateMessage({Window#1, WM_KEYDOWN, VK_ESCAPE,
// 65537}), DispatchMessageA({Window#1, WM_KEYDOWN, VK_ESCAPE, 65537}) (a MSG prints as {hwnd, message,
// wParam, lParam}), PostMessageA(Window#1, WM_KEYDOWN, VK_ESCAPE, 1), PostQuitMessage(0).
// The on_peek_message hook runs right after PeekMessageA's trace line.
#include "win32/win32_keymap.h"
#include "trace/test_hooks.h"
#include "trace/unimplemented.h"
#include "trace/trace_win32.h"
#include "win32/win32_registry.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <set>

namespace platform::win32 {
namespace {

struct Sent {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

struct Queued {
    MSG msg;
    std::uint16_t modifiers = 0; // host modifier state when a key message was made
};

struct Queue {
    std::deque<Queued> posted;
    std::deque<Queued> input;
    std::deque<Sent> sent;
    bool quit = false;
    int quit_code = 0;
    std::uint16_t modifiers = 0; // of the last key message taken, for TranslateMessage
    std::uint16_t held = 0;      // of the last key event, for mouse messages
    WORD buttons = 0;            // MK_ flags of the buttons held
    bool mouse_withheld = false; // an exclusive DirectInput mouse is acquired
    std::map<int, EventListener> listeners;
    int next_listener = 1;
    int peek_calls = 0;
};
Queue& queue() {
    static Queue q;
    return q;
}

LPARAM key_lparam(host::hid::Usage scancode, bool up, bool repeat, bool alt) {
    DWORD bits = 1; // repeat count
    bits |= static_cast<DWORD>(scan_bits(scancode));
    if (alt)
        bits |= 1u << 29;
    if (up || repeat)
        bits |= 1u << 30;
    if (up)
        bits |= 1u << 31;
    return static_cast<LPARAM>(bits);
}

// Queues the key message of a key event; false when the event makes none.
bool queue_key(const host::Event& key) {
    const HWND window = window_from_host(key.window);
    if (window == nullptr)
        return false;
    const host::hid::Usage scancode = key.key;
    const BYTE vk = vk_from_usage(scancode, (key.modifiers & host::kModNumLock) != 0);
    if (vk == 0)
        return false;
    const bool up = key.type == host::EventType::KeyUp;
    const bool alt = (key.modifiers & host::kModAlt) != 0;
    const bool ctrl = (key.modifiers & host::kModCtrl) != 0;
    // Alt combinations are system keys, except with Ctrl (AltGr); so are F10 and Alt itself.
    const bool system = (alt && !ctrl) || vk == VK_F10 || (vk == VK_MENU && !ctrl);
    const UINT message = system ? (up ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (up ? WM_KEYUP : WM_KEYDOWN);
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = vk;
    msg.lParam = key_lparam(scancode, up, key.repeat, alt && !ctrl);
    msg.time = key.time;
    queue().input.push_back(Queued{msg, key.modifiers});
    return true;
}

// The message of each host button going down (going up is the next message) and its MK_ flag.
constexpr UINT kButtonDown[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_XBUTTONDOWN,
                                WM_XBUTTONDOWN};
constexpr WORD kButtonFlag[] = {MK_LBUTTON, MK_RBUTTON, MK_MBUTTON, MK_XBUTTON1, MK_XBUTTON2};

// Queues the message of a button or the wheel, unless an exclusive DirectInput mouse withholds it.
void queue_mouse(const host::Event& e) {
    Queue& q = queue();
    const auto button = static_cast<std::size_t>(e.button);
    const bool down = e.type == host::EventType::ButtonDown;
    if (e.type != host::EventType::MouseWheel && button < std::size(kButtonFlag))
        q.buttons = down ? q.buttons | kButtonFlag[button] : q.buttons & ~kButtonFlag[button];
    const HWND window = window_from_host(e.window);
    if (window == nullptr || q.mouse_withheld)
        return;
    const WORD keys = q.buttons | ((q.held & host::kModShift) != 0 ? MK_SHIFT : 0) |
                      ((q.held & host::kModCtrl) != 0 ? MK_CONTROL : 0);
    MSG msg{};
    msg.hwnd = window;
    msg.time = e.time;
    if (e.type == host::EventType::MouseWheel) {
        int x = 0, y = 0;
        host::pointer_position(&x, &y);
        msg.message = WM_MOUSEWHEEL;
        msg.wParam = MAKEWPARAM(keys, e.y * WHEEL_DELTA);
        msg.lParam = MAKELPARAM(x, y);
    } else if (button < std::size(kButtonDown)) {
        msg.message = kButtonDown[button] + (down ? 0 : 1);
        msg.wParam = MAKEWPARAM(keys, button >= 3 ? button - 2 : 0); // XBUTTON1, XBUTTON2
        msg.lParam = MAKELPARAM(e.x, e.y);
    } else {
        return;
    }
    q.input.push_back(Queued{msg, q.held});
}

void handle_window_event(const host::Event& e, std::set<HWND>& closing) {
    const HWND window = window_from_host(e.window);
    if (window == nullptr)
        return;
    auto& sent = queue().sent;
    switch (e.type) {
    case host::EventType::FocusGained:
        set_foreground(window, true);
        sent.push_back({window, WM_ACTIVATE, WA_ACTIVE, 0});
        sent.push_back({window, WM_SETFOCUS, 0, 0});
        break;
    case host::EventType::FocusLost:
        set_foreground(window, false);
        sent.push_back({window, WM_ACTIVATE, WA_INACTIVE, 0});
        sent.push_back({window, WM_KILLFOCUS, 0, 0});
        break;
    case host::EventType::Close:
        if (closing.insert(window).second)
            sent.push_back({window, WM_CLOSE, 0, 0});
        break;
    case host::EventType::Resized:
        sent.push_back({window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(e.x, e.y)});
        break;
    default:
        break;
    }
}

// Delivers the messages that the pump turned into sent messages.
void deliver_sent() {
    auto& sent = queue().sent;
    while (!sent.empty()) {
        const Sent s = sent.front();
        sent.pop_front();
        send_message(s.window, s.message, s.wparam, s.lparam);
    }
}

// Takes the first message of `from`.
bool take(std::deque<Queued>& from, LPMSG out) {
    if (from.empty())
        return false;
    *out = from.front().msg;
    if (out->message >= WM_KEYDOWN && out->message <= WM_SYSKEYUP)
        queue().modifiers = from.front().modifiers;
    from.pop_front();
    return true;
}

void stamp(LPMSG msg) {
    if (msg->time == 0)
        msg->time = host::ticks();
    int x = 0, y = 0;
    host::pointer_position(&x, &y);
    msg->pt = POINT{x, y};
}

} // namespace

void pump_events() {
    std::set<HWND> closing;
    host::Event event;
    while (host::poll_event(event)) {
        switch (event.type) {
        case host::EventType::KeyDown:
            queue().held = event.modifiers;
            queue_key(event);
            break;
        case host::EventType::KeyUp:
            queue().held = event.modifiers;
            // Windows sends no key-up for a key released by the loss of the focus (the key now belongs to
            // another window); the keys' state (DirectInput) still sees it released.
            if (!event.focus_release)
                queue_key(event);
            break;
        case host::EventType::FocusLost:
        case host::EventType::FocusGained:
        case host::EventType::Close:
        case host::EventType::Resized:
            handle_window_event(event, closing);
            break;
        case host::EventType::ButtonDown:
        case host::EventType::ButtonUp:
        case host::EventType::MouseWheel:
            queue_mouse(event);
            break;
        case host::EventType::Quit:
            for (const HWND window : live_windows())
                if (closing.insert(window).second)
                    queue().sent.push_back({window, WM_CLOSE, 0, 0});
            break;
        default:
            break;
        }
        // A listener may remove itself or others while it runs: walk a copy.
        const auto listeners = queue().listeners;
        for (const auto& [id, listener] : listeners)
            listener(event);
    }
}

int add_event_listener(EventListener listener) {
    const int id = queue().next_listener++;
    queue().listeners.emplace(id, std::move(listener));
    return id;
}

void remove_event_listener(int id) {
    queue().listeners.erase(id);
}

void withhold_mouse_messages(bool withheld) {
    queue().mouse_withheld = withheld;
}

void discard_messages(HWND window) {
    Queue& q = queue();
    const auto of_window = [window](const Queued& m) { return m.msg.hwnd == window; };
    std::erase_if(q.posted, of_window);
    std::erase_if(q.input, of_window);
    std::erase_if(q.sent, [window](const Sent& s) { return s.window == window; });
}

} // namespace platform::win32

using namespace platform;
using namespace platform::win32;

BOOL PeekMessageA(LPMSG msg, HWND window, UINT filter_min, UINT filter_max, UINT remove) {
    trace::call("PeekMessageA", window, filter_min, filter_max, remove);
    Queue& q = queue();
    trace::hooks::before_peek_message(q.peek_calls++);
    if (msg == nullptr) {
        set_last_error(ERROR_NOACCESS, {});
        return FALSE;
    }
    if (window != nullptr && find_window(window) == nullptr) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE, {});
        return FALSE;
    }
    if (window != nullptr || filter_min != 0 || filter_max != 0)
        trace::report_unimplemented("PeekMessageA filter", filter_min, "no filter");
    if (remove != PM_REMOVE)
        trace::report_unimplemented("PeekMessageA wRemoveMsg", remove, "PM_REMOVE");
    pump_events();
    deliver_sent();
    if (take(q.posted, msg)) {
        stamp(msg);
        return TRUE;
    }
    if (q.quit) {
        *msg = MSG{};
        msg->message = WM_QUIT;
        msg->wParam = static_cast<WPARAM>(q.quit_code);
        stamp(msg);
        q.quit = false;
        return TRUE;
    }
    if (take(q.input, msg)) {
        stamp(msg);
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG* msg) {
    trace::call("TranslateMessage", trace::Msg{msg});
    if (msg == nullptr)
        return FALSE;
    const UINT m = msg->message;
    if (m != WM_KEYDOWN && m != WM_KEYUP && m != WM_SYSKEYDOWN && m != WM_SYSKEYUP)
        return FALSE;
    if (m == WM_KEYDOWN || m == WM_SYSKEYDOWN) {
        const std::uint16_t mods = queue().modifiers;
        const bool ctrl = (mods & host::kModCtrl) != 0;
        const bool alt = (mods & host::kModAlt) != 0;
        // Ctrl with Alt (AltGr) makes nothing on the US layout.
        if (!(ctrl && alt)) {
            const char c = char_from_vk(static_cast<BYTE>(msg->wParam), (mods & host::kModShift) != 0,
                                        (mods & host::kModCapsLock) != 0, ctrl);
            if (c != 0) {
                MSG ch{};
                ch.hwnd = msg->hwnd;
                ch.message = m == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
                ch.wParam = static_cast<unsigned char>(c);
                ch.lParam = msg->lParam;
                ch.time = msg->time;
                queue().posted.push_back(Queued{ch, mods});
            }
        }
    }
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    trace::call("DispatchMessageA", trace::Msg{msg});
    // Thread messages belong to no window, and the quit message is never handed to one.
    if (msg == nullptr || msg->hwnd == nullptr || msg->message == WM_QUIT)
        return 0;
    if (find_window(msg->hwnd) == nullptr) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE, {});
        return 0;
    }
    return send_message(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    trace::call("PostMessageA", window, message, wparam, lparam);
    if (window != nullptr && find_window(window) == nullptr) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE, {});
        return FALSE;
    }
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wparam;
    msg.lParam = lparam;
    queue().posted.push_back(Queued{msg, 0});
    return TRUE;
}

void PostQuitMessage(int exit_code) {
    trace::call("PostQuitMessage", exit_code);
    queue().quit = true;
    queue().quit_code = exit_code;
}
