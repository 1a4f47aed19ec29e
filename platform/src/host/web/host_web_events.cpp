// The web host's events, mouse capture and clock (host.h in the browser, on emscripten/html5.h). DOM
// events become host events for the canvas's window: keydown / keyup with the key's DOM `code` as its USB
// HID usage (the two name the same physical keys); a left click on the canvas asks for the pointer lock,
// which is the captured mouse, and mouse motion (movementX / movementY, raw) counts only while the lock is
// held; the wheel's deltaY becomes notches (100 pixels, 3 lines or one page a notch, as browsers scroll;
// positive away from the user as on the desktop); mouse buttons on the canvas. The page is the foreground
// while it has the focus and, once the mouse was taken, the pointer lock: losing either is losing the
// focus (keys still held are released first, as the desktop host does), and taking the lock again (a
// click) or the focus back is gaining it. Keys reach the program whoever has the keyboard, and the host
// keeps none from the browser: which keys the browser must not act on is the page's to say (the page
// knows the program's keys). When the program has ended, every handler is removed (stop_events).
#include "host/web/host_web_internal.h"
#include "host/web/dom_keymap_web.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <deque>
#include <set>
#include <string_view>

namespace platform::host {
namespace {

constexpr const char* kCanvas = "#canvas";

struct Events {
    Window* window = nullptr; // the canvas's window while there is one: every event is its
    std::deque<Event> queue;
    bool registered = false;
    bool focused = true;    // the page has the focus
    bool locked = false;    // the pointer lock is held
    bool lock_lost = false; // the lock was taken and lost, and not taken again since
    bool foreground = false;
    double wheel = 0.0; // notches not yet whole
    double start = 0.0;
    std::set<hid::Usage> held; // keys down, released by the host when the foreground is lost
};
Events& events() {
    static Events e;
    return e;
}

std::uint32_t now() {
    return static_cast<std::uint32_t>(emscripten_get_now() - events().start);
}

void push(EventType type, Event e = {}, std::uint32_t time = now()) {
    e.type = type;
    e.window = events().window;
    e.time = time;
    events().queue.push_back(e);
}

// Queues a change of the foreground: focused, and not left by a lost pointer lock.
void update_foreground() {
    Events& ev = events();
    const bool foreground = ev.focused && !ev.lock_lost;
    if (foreground == ev.foreground)
        return;
    ev.foreground = foreground;
    const std::uint32_t time = now();
    if (!foreground) {
        // The browser sends no key-up for keys held as the page loses the focus or the lock: they are
        // released here, in the same millisecond as the loss, as the desktop host does.
        for (const hid::Usage key : ev.held) {
            Event up;
            up.key = key;
            up.modifiers = kModNumLock;
            up.focus_release = true;
            push(EventType::KeyUp, up, time);
        }
        ev.held.clear();
    }
    push(foreground ? EventType::FocusGained : EventType::FocusLost, {}, time);
}

EM_BOOL on_key(int type, const EmscriptenKeyboardEvent* k, void*) {
    const hid::Usage usage = keymap::usage_from_dom_code(k->code);
    if (usage == 0)
        return EM_FALSE;
    Event e;
    e.key = usage;
    e.repeat = k->repeat != 0;
    if (k->shiftKey)
        e.modifiers |= kModShift;
    if (k->ctrlKey)
        e.modifiers |= kModCtrl;
    if (k->altKey)
        e.modifiers |= kModAlt;
    // Num Lock as the keypad's keys show it: a digit key means it is on.
    const std::string_view key = k->key;
    const bool keypad_digit = usage >= hid::KEY_KP_1 && usage <= hid::KEY_KP_PERIOD;
    if (!keypad_digit || (key.size() == 1 && ((key[0] >= '0' && key[0] <= '9') || key[0] == '.')))
        e.modifiers |= kModNumLock;
    if (type == EMSCRIPTEN_EVENT_KEYDOWN)
        events().held.insert(usage);
    else
        events().held.erase(usage);
    push(type == EMSCRIPTEN_EVENT_KEYDOWN ? EventType::KeyDown : EventType::KeyUp, e);
    return EM_FALSE;
}

// Asks for the pointer lock on the canvas, in answer to a click. The browser may refuse it (Chromium
// does for a second after the user's Esc gave it back), where requestPointerLock returns a promise by
// rejecting it: the refusal is the page's to tell (Module.onPointerLockRefused), and the next click asks
// again.
// clang-format off
EM_JS(void, request_pointer_lock, (), {
    const refused = function(e) {
        if (Module["onPointerLockRefused"])
            Module["onPointerLockRefused"](e && e.message ? e.message : String(e));
    };
    try {
        const asked = document.querySelector("#canvas").requestPointerLock();
        if (asked && asked.catch)
            asked.catch(refused);
    } catch (e) {
        refused(e);
    }
});
// clang-format on

Button button_of(unsigned short dom_button) {
    switch (dom_button) {
    case 0:
        return Button::Left;
    case 1:
        return Button::Middle;
    case 2:
        return Button::Right;
    case 3:
        return Button::X1;
    default:
        return Button::Other;
    }
}

EM_BOOL on_button(int type, const EmscriptenMouseEvent* m, void*) {
    // A left click takes the mouse; the other buttons are the browser's too (the right one's menu).
    if (type == EMSCRIPTEN_EVENT_MOUSEDOWN && m->button == 0 && !events().locked)
        request_pointer_lock();
    Event e;
    e.button = button_of(m->button);
    push(type == EMSCRIPTEN_EVENT_MOUSEDOWN ? EventType::ButtonDown : EventType::ButtonUp, e);
    return EM_FALSE;
}

EM_BOOL on_move(int, const EmscriptenMouseEvent* m, void*) {
    if (!events().locked || (m->movementX == 0 && m->movementY == 0))
        return EM_FALSE;
    Event e;
    e.x = static_cast<int>(m->movementX);
    e.y = static_cast<int>(m->movementY);
    push(EventType::MouseMotion, e);
    return EM_FALSE;
}

EM_BOOL on_wheel(int, const EmscriptenWheelEvent* w, void*) {
    double notches = 0.0;
    switch (w->deltaMode) {
    case DOM_DELTA_PIXEL:
        notches = w->deltaY / 100.0;
        break;
    case DOM_DELTA_LINE:
        notches = w->deltaY / 3.0;
        break;
    default:
        notches = w->deltaY;
        break;
    }
    Events& ev = events();
    ev.wheel -= notches; // DOM's deltaY grows towards the user
    const double whole = std::trunc(ev.wheel);
    if (whole != 0.0) {
        ev.wheel -= whole;
        Event e;
        e.y = static_cast<int>(whole);
        push(EventType::MouseWheel, e);
    }
    return EM_TRUE; // the page does not scroll
}

EM_BOOL on_lock(int, const EmscriptenPointerlockChangeEvent* p, void*) {
    Events& ev = events();
    ev.locked = p->isActive != 0;
    if (ev.locked)
        ev.lock_lost = false;
    else
        ev.lock_lost = true;
    update_foreground();
    return EM_FALSE;
}

EM_BOOL on_focus(int type, const EmscriptenFocusEvent*, void*) {
    events().focused = type == EMSCRIPTEN_EVENT_FOCUS;
    update_foreground();
    return EM_FALSE;
}

} // namespace

bool poll_event(Event& event) {
    auto& queue = events().queue;
    if (queue.empty())
        return false;
    event = queue.front();
    queue.pop_front();
    return true;
}

std::uint32_t ticks() {
    return now();
}

void pointer_position(int* x, int* y) {
    *x = *y = 0;
}

void capture_mouse(Window* /*window*/, bool on) {
    // The lock can only be taken in answer to a click (on_button); releasing it is up to the program.
    if (!on && events().locked)
        emscripten_exit_pointerlock();
}

} // namespace platform::host

namespace platform::host_web {

namespace {

// Registers every DOM handler of the host, or removes them all (html5.h removes a handler set to null).
void set_handlers(bool on) {
    using namespace host;
    const char* const document = EMSCRIPTEN_EVENT_TARGET_DOCUMENT;
    const char* const page_window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(document, nullptr, EM_TRUE, on ? on_key : nullptr);
    emscripten_set_keyup_callback(document, nullptr, EM_TRUE, on ? on_key : nullptr);
    emscripten_set_mousedown_callback(kCanvas, nullptr, EM_TRUE, on ? on_button : nullptr);
    emscripten_set_mouseup_callback(kCanvas, nullptr, EM_TRUE, on ? on_button : nullptr);
    emscripten_set_mousemove_callback(document, nullptr, EM_TRUE, on ? on_move : nullptr);
    emscripten_set_wheel_callback(kCanvas, nullptr, EM_TRUE, on ? on_wheel : nullptr);
    emscripten_set_pointerlockchange_callback(document, nullptr, EM_TRUE, on ? on_lock : nullptr);
    emscripten_set_focus_callback(page_window, nullptr, EM_TRUE, on ? on_focus : nullptr);
    emscripten_set_blur_callback(page_window, nullptr, EM_TRUE, on ? on_focus : nullptr);
}

} // namespace

void start_events(host::Window* window) {
    using namespace host;
    Events& ev = events();
    ev.window = window;
    if (!ev.registered) {
        ev.registered = true;
        ev.start = emscripten_get_now();
        set_handlers(true);
    }
    ev.focused = true;
    ev.lock_lost = false;
    ev.foreground = false;
    update_foreground();
}

void stop_events() {
    host::Events& ev = host::events();
    if (ev.registered)
        set_handlers(false);
    ev.registered = false;
    ev.queue.clear();
    ev.held.clear();
}

void forget(host::Window* window) {
    host::Events& ev = host::events();
    std::erase_if(ev.queue, [window](const host::Event& e) { return e.window == window; });
    if (ev.window == window)
        ev.window = nullptr;
}

} // namespace platform::host_web
