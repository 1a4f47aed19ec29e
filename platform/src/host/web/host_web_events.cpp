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
// knows the program's keys). When the program has ended, every handler is removed (stop_events); when the
// runtime aborts it (an out-of-memory, a trap), the handlers are removed too, before the page's
// Module.onAbort hears of it, since the program can no longer answer them.
//
// A touch screen drives the same devices. The browser gives no pointer lock to a finger, so a touch is the
// foreground as the lock is: one finger dragging on the canvas is the mouse's own motion (in the canvas's
// pixels, so that a drag across the picture turns it alike at any shown size), two fingers pinching are
// wheel notches (one for each 12 % the fingers move apart, away from the user; together, towards), and
// each of the page's key buttons (#touch-keys, a `data-code` attribute naming the DOM code of its key) is
// that key, pressed while a finger holds it. The browser's own use of these touches (scrolling, zooming,
// the mouse events it would make of them) is held back.
#include "host/web/host_web_internal.h"
#include "host/web/dom_keymap_web.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::host {
namespace {

constexpr const char* kCanvas = "#canvas";
// The page's key buttons: each names its key's DOM code in data-code.
constexpr const char* kKeyButtons = "#touch-keys [data-code]";
// How far two pinching fingers move apart for one wheel notch: 12 % of their distance.
constexpr double kPinchNotch = 1.12;

struct Finger {
    double x = 0.0, y = 0.0; // CSS pixels in the viewport
};

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
    std::set<hid::Usage> held;           // keys down, released by the host when the foreground is lost
    std::map<long, Finger> fingers;      // the touches that began on the canvas, by identifier
    double touch_x = 0.0, touch_y = 0.0; // a finger's motion not yet whole
    double pinch = 0.0;                  // notches of a pinch not yet whole
    std::set<hid::Usage> touch_keys;     // keys held down by a finger on their button
    std::vector<std::pair<std::string, hid::Usage>> key_buttons; // each button's selector and key
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
        ev.touch_keys.clear();
    }
    push(foreground ? EventType::FocusGained : EventType::FocusLost, {}, time);
}

void push_key(hid::Usage usage, bool down, std::uint16_t modifiers, bool repeat) {
    Event e;
    e.key = usage;
    e.modifiers = modifiers;
    e.repeat = repeat;
    if (down)
        events().held.insert(usage);
    else
        events().held.erase(usage);
    push(down ? EventType::KeyDown : EventType::KeyUp, e);
}

EM_BOOL on_key(int type, const EmscriptenKeyboardEvent* k, void*) {
    const hid::Usage usage = usage_from_dom_code(k->code);
    if (usage == 0)
        return EM_FALSE;
    std::uint16_t modifiers = 0;
    if (k->shiftKey)
        modifiers |= kModShift;
    if (k->ctrlKey)
        modifiers |= kModCtrl;
    if (k->altKey)
        modifiers |= kModAlt;
    // Num Lock as the keypad's keys show it: a digit key means it is on.
    const std::string_view key = k->key;
    const bool keypad_digit = usage >= hid::KEY_KP_1 && usage <= hid::KEY_KP_PERIOD;
    if (!keypad_digit || (key.size() == 1 && ((key[0] >= '0' && key[0] <= '9') || key[0] == '.')))
        modifiers |= kModNumLock;
    push_key(usage, type == EMSCRIPTEN_EVENT_KEYDOWN, modifiers, k->repeat != 0);
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

// How many of the canvas's own pixels make a CSS pixel, however large the page shows it.
void canvas_scale(double& sx, double& sy) {
    double shown_w = 0.0, shown_h = 0.0;
    int w = 0, h = 0;
    emscripten_get_element_css_size(kCanvas, &shown_w, &shown_h);
    emscripten_get_canvas_element_size(kCanvas, &w, &h);
    sx = shown_w > 0.0 ? w / shown_w : 1.0;
    sy = shown_h > 0.0 ? h / shown_h : 1.0;
}

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
    case 4:
        return Button::X2;
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
    double sx = 1.0, sy = 1.0;
    canvas_scale(sx, sy);
    e.x = static_cast<int>(m->targetX * sx);
    e.y = static_cast<int>(m->targetY * sy);
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

// A finger on the page takes the foreground, as a click that takes the pointer lock does: the browser
// gives a touch no lock, and a touch is the user's hand on the page.
void touch_taken() {
    events().lock_lost = false;
    update_foreground();
}

// Adds `amount` to the part not yet whole, and returns (and takes away) its whole part.
int whole_part(double& rest, double amount) {
    rest += amount;
    const double whole = std::trunc(rest);
    rest -= whole;
    return static_cast<int>(whole);
}

double apart(const Finger& a, const Finger& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Touches on the canvas: one finger moving is the mouse's motion, two are a pinch. A move counts only
// between the same fingers; a finger put down or lifted starts the gesture afresh from where they are.
EM_BOOL on_canvas_touch(int type, const EmscriptenTouchEvent* t, void*) {
    Events& ev = events();
    if (type == EMSCRIPTEN_EVENT_TOUCHSTART)
        touch_taken();
    std::map<long, Finger> now;
    for (int i = 0; i < t->numTouches; ++i) {
        const EmscriptenTouchPoint& p = t->touches[i];
        if (p.onTarget)
            now[p.identifier] = Finger{static_cast<double>(p.clientX), static_cast<double>(p.clientY)};
    }
    const bool same_fingers = now.size() == ev.fingers.size() &&
                              std::equal(now.begin(), now.end(), ev.fingers.begin(),
                                         [](const auto& a, const auto& b) { return a.first == b.first; });
    if (type == EMSCRIPTEN_EVENT_TOUCHMOVE && same_fingers && now.size() == 1) {
        // The motion in the canvas's own pixels, however large the page shows it.
        double sx = 1.0, sy = 1.0;
        canvas_scale(sx, sy);
        const Finger& was = ev.fingers.begin()->second;
        const Finger& is = now.begin()->second;
        Event e;
        e.x = whole_part(ev.touch_x, (is.x - was.x) * sx);
        e.y = whole_part(ev.touch_y, (is.y - was.y) * sy);
        if (e.x != 0 || e.y != 0)
            push(EventType::MouseMotion, e);
    } else if (type == EMSCRIPTEN_EVENT_TOUCHMOVE && same_fingers && now.size() >= 2) {
        const double was = apart(ev.fingers.begin()->second, std::next(ev.fingers.begin())->second);
        const double is = apart(now.begin()->second, std::next(now.begin())->second);
        if (was > 0.0 && is > 0.0) {
            // Fingers moving apart bring the picture nearer: notches away from the user.
            Event e;
            e.y = whole_part(ev.pinch, std::log(is / was) / std::log(kPinchNotch));
            if (e.y != 0)
                push(EventType::MouseWheel, e);
        }
    }
    if (!same_fingers) {
        ev.touch_x = ev.touch_y = ev.pinch = 0.0;
    }
    ev.fingers = std::move(now);
    return EM_TRUE; // no scrolling, zooming or mouse events of the browser's own
}

// A key button: its key is down while a finger that began on it is down.
EM_BOOL on_key_button(int type, const EmscriptenTouchEvent* t, void* data) {
    Events& ev = events();
    const auto usage = static_cast<hid::Usage>(reinterpret_cast<std::uintptr_t>(data));
    if (type == EMSCRIPTEN_EVENT_TOUCHSTART)
        touch_taken();
    bool held = false;
    for (int i = 0; i < t->numTouches; ++i)
        held = held || t->touches[i].onTarget != 0;
    if (held == (ev.touch_keys.count(usage) != 0))
        return EM_TRUE;
    if (held)
        ev.touch_keys.insert(usage);
    else
        ev.touch_keys.erase(usage);
    std::uint16_t modifiers = kModNumLock;
    if (ev.touch_keys.count(hid::KEY_LSHIFT) != 0)
        modifiers |= kModShift;
    push_key(usage, held, modifiers, false);
    return EM_TRUE; // the button takes no focus and makes no click
}

// How many key buttons the page has, and the DOM code of the one at `index` ("" past the end).
// clang-format off
EM_JS(int, key_button_count, (const char* selector), {
    return document.querySelectorAll(UTF8ToString(selector)).length;
});
EM_JS(void, key_button_code, (const char* selector, int index, char* code, int size), {
    const button = document.querySelectorAll(UTF8ToString(selector))[index];
    stringToUTF8(button && button.dataset.code ? button.dataset.code : "", code, size);
});
// clang-format on

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

namespace platform::host {

namespace {

// Has an abort remove every handler the runtime's html5 events registered, then tell the page as before.
EM_JS(void, remove_handlers_on_abort, (), {
    const pageAbort = Module["onAbort"];
    if (pageAbort && pageAbort.removesHandlers)
        return;
    const removeThenTell = function(what) {
        JSEvents.removeAllEventListeners();
        if (pageAbort)
            pageAbort(what);
    };
    removeThenTell.removesHandlers = true;
    Module["onAbort"] = removeThenTell;
});

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
    emscripten_set_touchstart_callback(kCanvas, nullptr, EM_TRUE, on ? on_canvas_touch : nullptr);
    emscripten_set_touchmove_callback(kCanvas, nullptr, EM_TRUE, on ? on_canvas_touch : nullptr);
    emscripten_set_touchend_callback(kCanvas, nullptr, EM_TRUE, on ? on_canvas_touch : nullptr);
    emscripten_set_touchcancel_callback(kCanvas, nullptr, EM_TRUE, on ? on_canvas_touch : nullptr);

    // The key buttons the page has now, each by a selector of its own (a DOM code is letters and digits).
    Events& ev = events();
    if (on) {
        ev.key_buttons.clear();
        const int count = key_button_count(kKeyButtons);
        for (int i = 0; i < count; ++i) {
            char code[32] = {};
            key_button_code(kKeyButtons, i, code, sizeof code);
            const hid::Usage usage = usage_from_dom_code(code);
            if (usage != 0)
                ev.key_buttons.emplace_back(std::string("#touch-keys [data-code=\"") + code + "\"]", usage);
        }
    }
    for (const auto& [selector, usage] : ev.key_buttons) {
        void* const key = reinterpret_cast<void*>(static_cast<std::uintptr_t>(usage));
        const char* const target = selector.c_str();
        emscripten_set_touchstart_callback(target, key, EM_TRUE, on ? on_key_button : nullptr);
        emscripten_set_touchend_callback(target, key, EM_TRUE, on ? on_key_button : nullptr);
        emscripten_set_touchcancel_callback(target, key, EM_TRUE, on ? on_key_button : nullptr);
    }
    if (!on)
        ev.key_buttons.clear();
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
        remove_handlers_on_abort();
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
    ev.touch_keys.clear();
    ev.fingers.clear();
}

void forget(host::Window* window) {
    host::Events& ev = host::events();
    std::erase_if(ev.queue, [window](const host::Event& e) { return e.window == window; });
    if (ev.window == window)
        ev.window = nullptr;
}

} // namespace platform::host
